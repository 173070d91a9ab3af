#pragma once

#include "file_identity.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

namespace bp {

// Watches the one file a document was read from or written to and tells its owner, once
// per burst, when another program changed, replaced, removed or renamed it.
//
// The document's own state of the file (`known`) is what it was when read or written; a
// change is a difference from it that was not reported before. Notifications only start
// a check: the check compares the file's identity, so the program's own saves and
// repeated notifications of one change ask nothing.
class DiskWatch : public QObject
{
    Q_OBJECT
public:
    // Told of a change; returns false when it cannot deal with it now (the change is then
    // told again at the next check). Never called again while it runs.
    using Handler = std::function<bool(DiskChange change)>;

    explicit DiskWatch(QObject *parent = nullptr);

    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // Watches `path` from now on, `known` being the state the document matches. An empty
    // path stops watching.
    void watch(const QString &path, const FileIdentity &known);
    const QString &path() const { return m_path; }
    // Whether `path` names the watched file.
    bool isWatching(const QString &path) const;

    // The state the document matches.
    const FileIdentity &known() const { return m_known; }
    // How the file differs now from the state the document matches.
    DiskChange changeSinceKnown() const;
    // The file as it is now becomes the state the document matches: the user chose to keep
    // the document's text over it.
    void acceptCurrent();

    // The user has been told of the file as it is now; checks do not ask about it again.
    void markReported();

    // Checks the file soon; any number of requests before then give one check. After a
    // change was told, the next check waits until the file has been left alone for a
    // second: a program writing the file on and on brings one more question, not one each.
    void checkSoon();
    // Runs `question` holding checks back; a check asked for meanwhile runs after it.
    void holdChecksWhile(const std::function<void()> &question);

signals:
    // After every check, whether or not it found a change or was held back.
    void checked();

private:
    void check();
    void arm(const FileIdentity &current);

    QFileSystemWatcher m_watcher;
    QTimer m_burst;
    QTimer m_settle;
    Handler m_handler;
    QString m_path;
    FileIdentity m_known;
    // The state last told to the handler, so one change is told once.
    std::optional<FileIdentity> m_reported;
    // The file the watcher is on: another program's atomic replace gives the path a new
    // file, and a watch on the old one would never fire again.
    FileIdentity m_armed;
    bool m_holding = false;
    bool m_checkHeldBack = false;
};

} // namespace bp
