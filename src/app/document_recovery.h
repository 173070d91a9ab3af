#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

class QWidget;

namespace bp {

class RecoveryStore;
class TextDocument;
class UserPrompts;
struct RecoveredText;

// Keeps the unsaved text of the one document in this instance's recovery file: written after
// a pause in editing (never while keys are being handled), once more when the process is
// asked to terminate or the session ends, and removed once the document is saved or closed.
class DocumentRecovery : public QObject
{
    Q_OBJECT
public:
    // `reportFailure` shows a failed write; it is called once until a write succeeds again.
    DocumentRecovery(RecoveryStore &store, const TextDocument &document,
                     std::function<void(const QString &)> reportFailure, QObject *parent = nullptr);

    // How long editing must pause before the text is written.
    void setIdleInterval(std::chrono::milliseconds interval) { m_idle.setInterval(interval); }
    std::chrono::milliseconds idleInterval() const { return m_idle.intervalAsDuration(); }
    bool writePending() const { return m_idle.isActive(); }

    // The document changed: the idle wait starts again.
    void documentChanged();
    // The document was saved or closed: its file goes, nothing is pending.
    void documentSaved();
    // Writes the text now when it has unsaved changes, and removes the file when it has
    // none. Throws bp::Error when the file cannot be written.
    void writeNow();

signals:
    void written();

private:
    void writeOnIdle();

    RecoveryStore &m_store;
    const TextDocument &m_document;
    std::function<void(const QString &)> m_reportFailure;
    QTimer m_idle;
    bool m_failureShown = false;
};

// Offers each text that an ended instance left in `store`, asking through `prompts` (boxes
// parented to `parent`): Yes hands it to `restore` and makes the file this instance's own,
// and no further text is offered; No removes the file after a second question; Cancel keeps
// it for a later start. A file that cannot be read is renamed out of the way and its failure
// names the new name. Each file is one step run through `runStep`, the command boundary, so
// that a failure reports that file and the others are still offered. Returns whether a text
// was restored.
bool offerLeftOverTexts(RecoveryStore &store, UserPrompts &prompts, QWidget *parent,
                        const std::function<bool(const std::function<void()> &)> &runStep,
                        const std::function<void(RecoveredText &&)> &restore);

} // namespace bp
