#pragma once

#include "common/text_file.h"
#include "editor/model/editor_lines.h"
#include "platform/file_identity.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace bp {

// The unsaved text of a document as a recovery file keeps it.
struct RecoveredText
{
    // The document's file path; empty for an untitled document.
    QString documentName;
    TextEncoding encoding = TextEncoding::Ansi;
    LineBreakStyle breakStyle = LineBreakStyle::sffDos;
    QDateTime writtenAt;
    std::vector<QString> lines;
    // The file as the text was based on it (read or written last): a file that differs from
    // it now was changed by another program, and saving over it asks first.
    FileIdentity basedOn;
    // The old bytes of a file whose in-place save was cut short, not an unsaved text.
    bool previousContent = false;
};

// The unsaved text of the document taken at one moment, cheaply (the lines share their
// characters with the document), so that it can be written while the document goes on.
RecoveredText takeSnapshot(const QString &documentName, const TEditorLines &lines,
                           const FileIdentity &basedOn);

// Recovery files in one folder: each running instance keeps its document's unsaved text in
// a file of its own, named after its process id and start time, so that an instance never
// writes or takes another running instance's file, and a later process that gets the same id
// does not take the file of the one that died. Files whose owner no longer runs are left
// over from a crash and can be read back.
//
// A file is a short UTF-8 header (one "key=value" per line, ended by an empty line) naming
// the document, its encoding and break style, the time and the line count, followed by the
// lines joined with LF. Lines never hold LF, so the lines come back exactly as they were.
class RecoveryStore
{
public:
    // Whether the process `pid` that started at `startMs` still runs.
    using ProcessCheck = std::function<bool(qint64 pid, qint64 startMs)>;

    // `folder` is created on the first write. `running` tells whether another process still
    // runs; `pid` and `startMs` name this instance (the start time as the system reports it,
    // so that other instances can compare it with the running process of that id).
    explicit RecoveryStore(QString folder);
    RecoveryStore(QString folder, ProcessCheck running, qint64 pid, qint64 startMs);

    // The per-user data folder's "recovery" folder.
    static QString defaultFolder();

    const QString &folder() const { return m_folder; }
    // This instance's file (which may not exist).
    QString ownFile() const;
    // How this instance names itself in the folder's file names.
    QString ownerName() const;

    // Replaces this instance's file atomically with `lines` of the document `documentName`.
    // Streams line by line: no copy of the whole text is built. Throws bp::Error with the
    // system's reason; the earlier file then stays as it was.
    void write(const QString &documentName, const TEditorLines &lines,
               const FileIdentity &basedOn = {}) const;
    // The same for a snapshot; safe on any thread while nothing else writes this store.
    void write(const RecoveredText &text) const;
    // Removes this instance's file, if there is one.
    void removeOwn() const;

    // The files whose owner no longer runs, the latest written first: recovery files and
    // copies of old bytes left by an in-place save that was cut short.
    QStringList leftOver() const;
    // Reads a recovery file, or a copy of old bytes (decoded as a file read would). Throws
    // bp::Error naming the file when it cannot be read or is not a whole file of its kind.
    static RecoveredText read(const QString &path);
    // Makes a left-over file this instance's own, so that it is kept, rewritten and removed
    // as this instance's document is. Throws bp::Error when it cannot be moved.
    void adopt(const QString &path) const;
    // Removes a left-over file. Throws bp::Error when it cannot be removed.
    static void remove(const QString &path);
    // Renames a file that cannot be read to the same name plus ".bad", out of the way of
    // later starts; returns the new name. Throws bp::Error when it cannot be renamed.
    static QString setAside(const QString &path);

private:
    QString m_folder;
    ProcessCheck m_running;
    qint64 m_pid;
    qint64 m_startMs;
};

} // namespace bp
