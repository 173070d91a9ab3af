#pragma once

#include "common/text_file.h"
#include "platform/disk_watch.h"

#include <QString>
#include <functional>

class QWidget;

namespace bp {

class UserPrompts;

// The questions about the document's file being changed by another program, and what
// their answers do to the document:
// - the file changed and the document holds no unsaved changes: Yes reads it again,
//   No keeps the text and marks the document modified;
// - both changed: Yes reads the file again (the edits are lost), No keeps the edits,
//   Cancel leaves the decision to the next save (No says that the next save replaces the
//   file);
// - the file was removed or renamed: the document is marked modified, so that closing
//   asks to save it and Save writes it anew;
// - saving over a file changed since it was read or written asks first.
// No question is asked while another box is showing.
class DiskChangeQuestions
{
public:
    // The document's side; the main window provides it.
    struct Document
    {
        std::function<bool()> saved;
        // Reads the file again into the document (through `read` below), keeping the caret line.
        std::function<void()> reload;
        std::function<void()> markModified;
        // The command boundary: failures of a reload reach the error box through it.
        std::function<void(const std::function<void()> &)> runCommand;
    };

    DiskChangeQuestions(UserPrompts &prompts, QWidget *parent, Document document);

    // Reads the document from `path` through `load` and watches the file from then on.
    // Its state is taken before reading, so a change during the read is noticed later.
    void read(const QString &path, const std::function<void()> &load);
    // Before the document is written to `path`. When that is its own file and another
    // program changed it since, asks whether to overwrite it (No throws bp::SilentAbort);
    // when the file is gone, says that it is written anew.
    void beforeSave(const QString &path);
    // The document was written to `path` as `written` says: that file is watched from now
    // on, and any difference from what was written is another program's change.
    void saved(const QString &path, const WrittenFile &written);
    // Writing the document to `path` failed. A failed in-place write put the old bytes back
    // with a new time: that is the document's own state of the file, not another program's
    // change.
    void saveFailed(const QString &path);
    // A recovered text attached to `path` was restored; it was based on the file as `basedOn`
    // says, so a file that differs now was changed by another program.
    void restored(const QString &path, const FileIdentity &basedOn);
    // The state of the file the document's text is based on (missing while untitled).
    FileIdentity basedOn() const;
    // Looks at the file soon, e.g. when the window becomes active.
    void checkSoon() { m_watch.checkSoon(); }

    DiskWatch &watch() { return m_watch; }

private:
    bool changedOutside(DiskChange change);
    QString fileName() const;

    UserPrompts &m_prompts;
    QWidget *m_parent;
    Document m_document;
    DiskWatch m_watch;
    // The file as the last save found it unchanged before writing.
    std::optional<FileIdentity> m_beforeSave;
};

} // namespace bp
