#pragma once

#include "editor/model/editor_lines.h"
#include "qpile/incremental_check.h"

#include <QObject>
#include <functional>
#include <memory>

class QTimer;

namespace bp {

class TCustomEditorPane;

// When the structure check runs over the script in the pane, and its marks there: a short
// pause after the last edit, then the check runs in slices on the event loop so typing never
// waits for it. Until it catches up, the marks stay with the lines they were put on; then
// they are the findings'.
class CheckSchedule : public QObject, private TEditorLinesListener
{
    Q_OBJECT
public:
    CheckSchedule(const QpileReference &reference, TCustomEditorPane &pane,
                  QObject *parent = nullptr);
    ~CheckSchedule() override;

    QpileIncrementalCheck &check() { return *m_check; }
    const QpileIncrementalCheck &check() const { return *m_check; }
    // Where files named by INCLUDE are looked for, asked before each check is shown.
    void setScriptFolderSource(std::function<QString()> source)
    {
        m_scriptFolder = std::move(source);
    }

    // The pause after an edit before the check runs, in milliseconds.
    static constexpr int kPause = 400;
    // Lines checked in one slice of the event loop's time.
    static constexpr int kSliceLines = 20000;

signals:
    // The text changed: what was shown of the last check is out of date.
    void edited();
    // The check has caught up with the text; the marks are its findings.
    void finished();

private:
    void linesInserted(int index, int count) override;
    void linesDeleted(int index, int count) override;
    void linesChanged(int, int) override { scheduleCheck(); }
    void linesCleared() override;
    void moveMarks(int index, int removed, int inserted);
    void scheduleCheck();
    void runSlice();
    void putMarks();

    TCustomEditorPane &m_pane;
    TEditorLines &m_lines;
    std::function<QString()> m_scriptFolder;
    std::unique_ptr<QpileIncrementalCheck> m_check;
    QTimer *m_pause;
    QTimer *m_slice;
};

} // namespace bp
