#pragma once

#include "bookmarks.h"
#include "buffer_coord.h"
#include "editor_command.h"
#include "editor_lines.h"
#include "text_columns.h"
#include "text_rules.h"
#include "text_selection.h"
#include "undo_history.h"
#include "view_window.h"

#include <QObject>
#include <QString>
#include <optional>

namespace bp {

class TextClipboard;

// The document as the editor pane edits it: line list, caret, selection in three modes and
// virtual space, with the undo history, the view window (top line, left column, size) and the
// bookmarks, which it keeps in step with its edits. Every text change goes through its
// recorded primitives; the editor commands are functions over this interface
// (edit_commands.h). The widget maps keys and the mouse to them and paints what they leave.
//
// Coordinates are 1-based (`TBufferCoord`); display columns count a tab up to the next
// tab stop and an East Asian wide character as two (see character_cells.h).
class EditModel : public QObject, private TEditorLinesListener
{
    Q_OBJECT
public:
    static constexpr int kMaxScrollWidth = TextColumns::kMaxScrollWidth;
    static constexpr int kMaxCaretColumn = TextColumns::kMaxCaretColumn;

    explicit EditModel(QObject *parent = nullptr);
    ~EditModel() override;

    TEditorLines &Lines() { return m_lines; }
    const TEditorLines &Lines() const { return m_lines; }

    // --- caret and selection ------------------------------------------------------
    TBufferCoord CaretXY() const { return m_caret; }
    int CaretX() const { return m_caret.Char; }
    int CaretY() const { return m_caret.Line; }
    // Clamps the position, moves the caret there and scrolls it into view. The selection
    // empties at the new caret or, with `extend`, runs from its anchor to it.
    void setCaretXY(TBufferCoord position, bool extend = false);
    // Clamps the position, empties the selection there, moves the caret and reveals it.
    void placeCaret(TBufferCoord position);
    // Moves the caret alone: no clamping, no scrolling, the selection stays.
    void setCaretOnly(TBufferCoord position);

    TextSelection selection() const { return {m_anchor, m_moving, m_selectionMode}; }
    TBufferCoord BlockBegin() const { return selection().begin(); }
    TBufferCoord BlockEnd() const { return selection().end(); }
    void setBlockBegin(TBufferCoord position);
    void setBlockEnd(TBufferCoord position);
    // Sets both ends as they are (no clamping); the caret stays.
    void setSelection(TBufferCoord anchor, TBufferCoord moving);
    bool SelAvail() const { return !selection().isEmpty(); }
    QString SelText() const;
    TSelectionMode selectionMode() const { return m_selectionMode; }
    void setSelectionMode(TSelectionMode mode);

    QString LineText() const;
    void setLineText(const QString &text);

    bool insertMode() const { return m_insertMode; }
    void setInsertMode(bool insert);

    // `position` moved onto the text: its line onto the lines, its column within the caret's
    // limit or, with `toLineEnd`, within the line.
    TBufferCoord clamp(TBufferCoord position, bool toLineEnd) const;
    // Scrolls the view window as little as needed to show the caret.
    void revealCaret();

    // --- parts the model keeps in step with its edits ---------------------------------
    const Bookmarks &bookmarks() const { return m_bookmarks; }
    Bookmarks &bookmarks() { return m_bookmarks; }
    const UndoHistory &undoHistory() const { return m_history; }
    // Several changes made from outside become one command between its beginBlock and
    // endBlock.
    UndoHistory &undoHistory() { return m_history; }
    ViewWindow &viewWindow() { return m_view; }
    const ViewWindow &viewWindow() const { return m_view; }

    // --- commands -----------------------------------------------------------------
    // Runs one editor command (see edit_commands.h); `ch` is the character of ecChar.
    void executeCommand(TEditorCommand command, QChar ch = QChar());
    void setClipboard(TextClipboard *clipboard) { m_clipboard = clipboard; }
    TextClipboard *clipboard() const { return m_clipboard; }
    bool canPaste() const;

    // --- recorded primitives: every text change goes through these ----------------------
    // Inserts `text` at `at` as one record and returns where it ends; a position in virtual
    // space is first filled up to it.
    TBufferCoord insertText(TBufferCoord at, const QString &text, TChangeReason reason);
    void deleteText(TBufferCoord from, TBufferCoord to, TChangeReason reason);
    // Exchanges `lines` with `texts` (one each) as one record; caret and selection go to
    // `after`, where redo puts them again (or, given `redoCaret`, redo puts the caret there
    // with no selection).
    void exchangeLines(LineSet lines, std::vector<QString> texts, TChangeReason reason,
                       TUndoRecord::Marks after,
                       std::optional<TBufferCoord> redoCaret = std::nullopt);
    TUndoRecord::Marks marks() const { return {m_caret, m_anchor, m_moving}; }
    // How the records made from now on join the undo steps around them.
    struct RecordKind
    {
        // A command of its own, never undone together with its neighbours.
        bool standalone = false;
        // Part of a character typed over another.
        bool overwrite = false;
    };
    RecordKind recordKind() const { return m_recordKind; }
    void setRecordKind(RecordKind kind) { m_recordKind = kind; }
    // Takes back the newest undo step, or redoes the newest undone one.
    void undo() { replayStep(true); }
    void redo() { replayStep(false); }

    // --- columns and extent ----------------------------------------------------------
    const TextColumns &columns() const { return m_columns; }
    int TabWidth() const { return m_columns.tabWidth(); }
    void setTabWidth(int width);
    int displayColumn(int line, int charColumn) const
    {
        return m_columns.displayColumn(line, charColumn);
    }
    int charColumnAt(int line, int column) const { return m_columns.charColumnAt(line, column); }
    // Text that fills `line` from its end up to `column`: an empty line takes the
    // indentation rule, a non-empty one spaces.
    QString virtualFill(int line, int column) const;

    // --- words ----------------------------------------------------------------------
    // The language's rules for words, strings and comments; null for the plain rules. The
    // rules must outlive the model or be reset first.
    void setTextRules(const TextRules *rules) { m_rules = rules; }
    const TextRules *textRules() const { return m_rules; }
    bool isWordChar(QChar ch) const
    {
        return m_rules ? m_rules->isWordChar(ch) : plainWordChar(ch);
    }

signals:
    // Lines [first, last] (0-based, last -1 = to the end) need repainting.
    void linesInvalidated(int first, int last);
    void lineCountChanged();
    void caretMoved();
    void selectionChanged();
    void modeChanged();
    // The change notification: once per editing step that entered the undo history.
    void changed();

private:
    // TEditorLinesListener
    void linesInserted(int index, int count) override;
    void linesDeleted(int index, int count) override;
    void linesChanged(int index, int count) override;
    void linesCleared() override;

    // Puts `text` in at `at`; with `takeStrings` its strings move into the lines and `text` is
    // left hollow.
    TBufferCoord rawInsert(TBufferCoord at, TextPieces &text, bool takeStrings);
    TextPieces rawDelete(TBufferCoord from, TBufferCoord to);
    void record(TUndoRecord record);
    // Changes the text back (or forward) as the record says; returns where the caret and
    // the selection go.
    TUndoRecord::Marks replay(TUndoRecord &record, bool undo);
    void replayStep(bool undo);

    TEditorLines m_lines;
    TBufferCoord m_caret;
    TBufferCoord m_anchor;
    TBufferCoord m_moving;
    TSelectionMode m_selectionMode = TSelectionMode::smNormal;
    bool m_insertMode = true;
    TextClipboard *m_clipboard = nullptr;
    const TextRules *m_rules = nullptr;

    Bookmarks m_bookmarks;
    UndoHistory m_history;
    TextColumns m_columns{m_lines};
    ViewWindow m_view{m_columns};
    bool m_replaying = false;
    RecordKind m_recordKind;
};

} // namespace bp
