#pragma once

#include "editor/model/buffer_coord.h"
#include "editor/model/editor_lines.h"
#include "qpile/incremental_check.h"
#include "qpile/script_outline.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QMenuBar;
class QTabWidget;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace bp {

class TCustomEditorPane;

// The structure check and the outline of the script in the pane, kept current after edits:
// a short pause after the last edit, then the check runs in slices on the event loop so
// typing never waits for it. Shows the findings as marks in the pane, as the "Проверка" tab
// of the side panel and as a count in the hint panel; the script's FUNCs and columns as the
// "Структура" tab. Adds the commands that move the keyboard focus between the side panel's
// tabs and the editor to the "Вид" menu.
//
// Without a reference (it failed to load) the tabs stay empty and nothing is checked.
class QpileCheckPanel : public QObject, private TEditorLinesListener
{
    Q_OBJECT
public:
    QpileCheckPanel(std::shared_ptr<const QpileReference> reference, TCustomEditorPane &pane,
                    QTabWidget &tabs, QWidget *library, QMenuBar *menus,
                    std::function<void(const QString &)> showHint, QObject *parent = nullptr);
    ~QpileCheckPanel() override;

    // Messages of the findings covering `position`, one a line; empty when none.
    QString problemTextAt(TBufferCoord position) const;
    // The findings as the list and the marks show them.
    const std::vector<QpileProblem> &problems() const { return m_shown; }

    QTreeWidget *problemList() const { return m_problemList; }
    QTreeWidget *outlineList() const { return m_outlineList; }

    // "Проверка: 3 замечания", "Проверка: замечаний нет".
    static QString countText(int count);
    // Errors and hints counted apart: "Проверка: 3 замечания, 2 подсказки".
    static QString countText(int errors, int hints);
    // The FUNCs the script defines, as entries the tips show: parameter names from the FUNC
    // line, the comment lines right above it as the summary. Current after checked().
    QList<QpileFunction> scriptFunctions() const;
    // Where files named by INCLUDE are looked for: the script's folder, asked before each
    // check is shown; empty for a script not saved yet.
    void setScriptFolderSource(std::function<QString()> source)
    {
        m_scriptFolder = std::move(source);
    }

    // The pause after an edit before the check runs, in milliseconds.
    static constexpr int kPause = 400;
    // Lines checked in one slice of the event loop's time.
    static constexpr int kSliceLines = 20000;

signals:
    // The findings (and the outline when it shows) are current again.
    void checked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void linesInserted(int index, int count) override;
    void linesDeleted(int index, int count) override;
    void linesChanged(int, int) override { scheduleCheck(); }
    void linesCleared() override;
    // Until the check catches up, the marks stay with the lines they were put on.
    void moveMarks(int index, int removed, int inserted);

    void addKeyboardCommands(QMenuBar *menus);
    void scheduleCheck();
    void runSlice();
    void showProblems();
    void refreshOutline();
    void jumpTo(const QTreeWidgetItem *item);
    void focusTab(QWidget *page);

    std::shared_ptr<const QpileReference> m_reference;
    TCustomEditorPane &m_pane;
    TEditorLines &m_lines;
    QTabWidget &m_tabs;
    QWidget *m_library = nullptr;
    std::function<void(const QString &)> m_showHint;
    std::function<QString()> m_scriptFolder;
    std::unique_ptr<QpileIncrementalCheck> m_check;
    QTimer *m_pause = nullptr;
    QTimer *m_slice = nullptr;
    QTreeWidget *m_problemList = nullptr;
    QTreeWidget *m_outlineList = nullptr;
    std::vector<QpileProblem> m_shown;
    int m_countShown = 0;
    int m_hintsShown = 0;
    bool m_outlineCurrent = false;
};

} // namespace bp
