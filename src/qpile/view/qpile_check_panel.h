#pragma once

#include "check_schedule.h"
#include "editor/model/buffer_coord.h"
#include "outline_list.h"
#include "problem_list.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace bp {

class TCustomEditorPane;
class WindowParts;

// The structure check of the script in the pane as the window shows it: the findings as
// marks in the pane, as the "Проверка" tab of the side panel and as a count in the hint
// panel; the script's FUNCs and columns as the "Структура" tab, brought up to date while it
// shows. Both tabs join the side panel through `parts`, each with its focus command.
//
// Without a reference (it failed to load) the tabs stay empty and nothing is checked.
class QpileCheckPanel : public QObject
{
    Q_OBJECT
public:
    QpileCheckPanel(std::shared_ptr<const QpileReference> reference, TCustomEditorPane &pane,
                    WindowParts &parts, std::function<void(const QString &)> showHint,
                    QObject *parent = nullptr);
    ~QpileCheckPanel() override;

    // Messages of the findings covering `position`, one a line; empty when none.
    QString problemTextAt(TBufferCoord position) const
    {
        return m_problemList->problemTextAt(position);
    }
    // The findings as the list and the marks show them.
    const std::vector<QpileProblem> &problems() const { return m_problemList->problems(); }

    ProblemList *problemList() const { return m_problemList; }
    OutlineList *outlineList() const { return m_outlineList; }

    // The FUNCs the script defines, as entries the tips show: parameter names from the FUNC
    // line, the comment lines right above it as the summary. Current after checked().
    QList<QpileFunction> scriptFunctions() const;
    // Where files named by INCLUDE are looked for: the script's folder, asked before each
    // check is shown; empty for a script not saved yet.
    void setScriptFolderSource(std::function<QString()> source);

signals:
    // The findings (and the outline when it shows) are current again.
    void checked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCheck();
    void refreshOutline();

    std::shared_ptr<const QpileReference> m_reference;
    TCustomEditorPane &m_pane;
    std::function<void(const QString &)> m_showHint;
    ProblemList *m_problemList;
    OutlineList *m_outlineList;
    std::unique_ptr<CheckSchedule> m_schedule;
    int m_errorsShown = 0;
    int m_hintsShown = 0;
    bool m_outlineCurrent = false;
};

} // namespace bp
