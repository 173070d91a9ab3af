#pragma once

#include "common/text_file.h"

#include <QString>
#include <QStringList>

namespace bp {

class TEditorLines;
struct RecoveredText;

// The file-name part of `path`: what follows its last "\", "/" or ":".
QString fileNamePart(const QString &path);

// The 18 lines of a new document.
QStringList newDocumentTemplate();

// The one document: its text (the editor pane's line list, which also remembers the
// encoding and break style of the file read last), the file it belongs to and whether it
// holds unsaved changes. Every step that reads, writes or replaces the text goes through
// here, so these stay in step; the window only asks the questions and shows the state.
class TextDocument
{
public:
    explicit TextDocument(TEditorLines &lines) : m_lines(lines) {}
    TextDocument(const TextDocument &) = delete;
    TextDocument &operator=(const TextDocument &) = delete;

    TEditorLines &lines() const { return m_lines; }
    // The file's full path as the dialog or the command line gave it; empty while untitled.
    const QString &DocFileName() const { return m_fileName; }
    // True while the document holds no unsaved changes.
    bool DocSaved() const { return m_saved; }

    // Reads `path` into the text and attaches the document to it; the saved state stays.
    // Throws bp::Error and changes nothing when the file cannot be read or decoded.
    void read(const QString &path);
    // Reads the document's own file again: the text equals the file's, so it counts as saved.
    void reload();
    // What saving the text as it stands can write.
    SavePlan savePlan() const;
    // Writes the text to `path` (see TEditorLines::SaveToFile for `unfit`), then attaches the
    // document to it and counts it as saved; returns what the file was once written. Throws
    // bp::Error and changes nothing on failure.
    WrittenFile save(const QString &path, UnfitText unfit);
    // Replaces the text with the new-document template, keeping file, encoding and breaks.
    void startNew();
    // Replaces the text with one recovered after a crash, attached to its file, in that
    // file's encoding and breaks, so Save writes what a save before the crash would have.
    void restore(RecoveredText &&text);

    void markModified() { m_saved = false; }
    // The unsaved changes are given up on purpose (the save question's No).
    void giveUpChanges() { m_saved = true; }

private:
    TEditorLines &m_lines;
    QString m_fileName;
    bool m_saved = true;
};

} // namespace bp
