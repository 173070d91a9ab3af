#pragma once

#include "platform/file_identity.h"
#include "recovery_store.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

class QWidget;

namespace bp {

class TextDocument;
class UserPrompts;

// Keeps the unsaved text of the one document in this instance's recovery file: written at
// most `deadline` after the first unsaved change and then at most every `deadline` while
// changes go on, or after a `pause` in editing, whichever comes first (never while keys are
// being handled); written once more when the process is asked to terminate, its terminal
// hangs up or the session ends; removed once the document is saved or closed.
//
// The GUI thread only takes a snapshot of the lines (they share their characters); the
// file is written by a worker thread, so a large document never stalls the window.
class DocumentRecovery : public QObject
{
    Q_OBJECT
public:
    // `reportFailure` shows a failed write; it is called once until a write succeeds again.
    DocumentRecovery(const RecoveryStore &store, const TextDocument &document,
                     std::function<void(const QString &)> reportFailure, QObject *parent = nullptr);
    ~DocumentRecovery() override;

    // The file as the document's text is based on it, kept in the recovery file.
    void setBasedOn(std::function<FileIdentity()> basedOn) { m_basedOn = std::move(basedOn); }

    // How long editing must pause before the text is written, and how long after the first
    // unwritten change it is written even while editing goes on.
    void setIntervals(std::chrono::milliseconds pause, std::chrono::milliseconds deadline);
    // Both at once (the tests' zero: the next turn of the event loop).
    void setIdleInterval(std::chrono::milliseconds interval) { setIntervals(interval, interval); }
    std::chrono::milliseconds idleInterval() const { return m_pause.intervalAsDuration(); }
    std::chrono::milliseconds deadline() const { return m_deadline.intervalAsDuration(); }
    // Whether a write is waiting for its time or running in the worker.
    bool writePending() const;

    // The document changed: the pause starts again, the deadline keeps running.
    void documentChanged();
    // The document was saved or closed: its file goes, nothing is pending.
    void documentSaved();
    // Writes the text now, on this thread, when it has unsaved changes, and removes the file
    // when it has none. Throws bp::Error when the file cannot be written.
    void writeNow();
    // Writes the text now, on this thread, giving up quietly: the process is about to end.
    void writeBeforeExit();

signals:
    void written();

private:
    struct Worker;
    void writeInBackground();
    void backgroundDone(quint64 generation, bool ok, const QString &failure);
    void waitForWorker();
    void reportFailure(const QString &message);

    // A copy: the worker may still be writing through it while the caller's store is gone.
    const RecoveryStore m_store;
    const TextDocument &m_document;
    std::function<void(const QString &)> m_reportFailure;
    std::function<FileIdentity()> m_basedOn;
    QTimer m_pause;
    QTimer m_deadline;
    std::unique_ptr<Worker> m_worker;
    // Counts the document's changes of state (saved, written now), so that a background
    // write that a later one overtook neither reports nor leaves its file.
    quint64 m_generation = 0;
    bool m_failureShown = false;
};

// Offers the texts that ended instances left in `store`, and the old bytes of files whose
// in-place save was cut short, in one question listing all of them with their full paths
// (boxes parented to `parent`, asked through `prompts`): Yes hands the first (the latest) to
// `restore` and makes it this instance's own, the others stay for a later start; No removes
// them all after a second question; Cancel keeps them all for a later start. A file that
// cannot be read is renamed out of the way and its failure names the new name; each such
// failure is one step run through `runStep`, the command boundary, so that a failure reports
// that file and the others are still offered. Returns whether a text was restored.
bool offerLeftOverTexts(RecoveryStore &store, UserPrompts &prompts, QWidget *parent,
                        const std::function<bool(const std::function<void()> &)> &runStep,
                        const std::function<void(RecoveredText &&)> &restore);

} // namespace bp
