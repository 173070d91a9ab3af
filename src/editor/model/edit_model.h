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

// The document as the editor pane edits it: line list, caret, selection in three modes,
// virtual space, and every editor command as an operation. It composes the undo history,
// the view window (top line, left column, size) and the bookmarks, which it keeps in step
// with its edits. The widget maps keys and the mouse to these operations and paints what
// they leave.
//
// Coordinates are 1-based (`TBufferCoord`); display columns count a tab up to the next
// tab stop and an East Asian wide character as two (see character_cells.h).
class EditModel : public QObject, private TEditorLinesListener
{
    Q_OBJECT
public:
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

    TextSelection selection() const { return {m_anchor, m_moving, m_selectionMode}; }
    TBufferCoord BlockBegin() const { return selection().begin(); }
    TBufferCoord BlockEnd() const { return selection().end(); }
    void setBlockBegin(TBufferCoord position);
    void setBlockEnd(TBufferCoord position);
    bool SelAvail() const { return !selection().isEmpty(); }
    QString SelText() const;
    void setSelectionMode(TSelectionMode mode);

    QString LineText() const;
    void setLineText(const QString &text);

    bool insertMode() const { return m_insertMode; }
    void setInsertMode(bool insert);

    // Selects the word (a run of word characters) at or just left of `position`.
    void selectWordAt(TBufferCoord position);
    // Moves (or with `copy` copies) the stream selection to `target` as one undo group and
    // selects it there. A target inside the selection does nothing; returns whether text moved.
    bool dropSelection(TBufferCoord target, bool copy);

    // --- parts the model keeps in step with its edits ---------------------------------
    const Bookmarks &bookmarks() const { return m_bookmarks; }
    const UndoHistory &undoHistory() const { return m_history; }
    // Several changes made from outside become one command between its beginBlock and
    // endBlock.
    UndoHistory &undoHistory() { return m_history; }
    ViewWindow &viewWindow() { return m_view; }
    const ViewWindow &viewWindow() const { return m_view; }

    // --- commands -----------------------------------------------------------------
    void executeCommand(TEditorCommand command, QChar ch = QChar());
    void setClipboard(TextClipboard *clipboard) { m_clipboard = clipboard; }
    bool canPaste() const;
    // Replaces the text from `from` to `to` by `text` as one undo step, leaving caret,
    // selection, mode and view alone unless the change leaves them off the text; a start in
    // virtual space is filled with blanks, a range past the last line ends at the text's end.
    void replaceRange(TBufferCoord from, TBufferCoord to, const QString &text);
    // Replaces the selection (if any) by `text` inserted in `mode`, as one undo group.
    void setSelText(const QString &text, TSelectionMode mode = TSelectionMode::smNormal,
                    TChangeReason reason = TChangeReason::Insert);
    // Replaces lines `first` onwards (1-based; line 1 of an empty document is created) by
    // `texts` as one undo step of one record, with one change notification. The caret keeps
    // its line and column (within the column limit), the selection empties at the caret, the
    // view stays. Nothing happens when no line differs. Redo puts the caret after the last
    // changed line's differing part, or at `redoCaret` when given.
    void replaceLines(int first, std::vector<QString> texts,
                      std::optional<TBufferCoord> redoCaret = std::nullopt);
    // The same for the lines numbered `lineNumbers` (1-based, ascending, one text each) and
    // no others: one record keeps just those lines. Throws bp::Error and changes nothing when
    // the numbers are out of order, past the text, or do not match the texts.
    void replaceSparseLines(std::vector<int> lineNumbers, std::vector<QString> texts,
                            std::optional<TBufferCoord> redoCaret = std::nullopt);

    // --- columns and extent ----------------------------------------------------------
    const TextColumns &columns() const { return m_columns; }
    int TabWidth() const { return m_columns.tabWidth(); }
    void setTabWidth(int width);

    // --- words ----------------------------------------------------------------------
    // The language's rules for words, strings and comments; null for the plain rules. The
    // rules must outlive the model or be reset first.
    void setTextRules(const TextRules *rules) { m_rules = rules; }

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

    static constexpr int kMaxScrollWidth = TextColumns::kMaxScrollWidth;
    static constexpr int kMaxCaretColumn = TextColumns::kMaxCaretColumn;

    TBufferCoord clamp(TBufferCoord position, bool toLineEnd) const;
    int displayColumn(int line, int charColumn) const
    {
        return m_columns.displayColumn(line, charColumn);
    }
    int charColumnAt(int line, int column) const { return m_columns.charColumnAt(line, column); }
    std::pair<int, int> columnSelectionColumns() const
    {
        return m_columns.selectionColumns(selection());
    }
    // Word movement stops: the start of the previous word, the start of the next word.
    TBufferCoord wordLeftOf(TBufferCoord position) const;
    TBufferCoord wordRightOf(TBufferCoord position) const;
    void selectAll();
    void deleteSelection();
    bool isWordChar(QChar ch) const
    {
        return m_rules ? m_rules->isWordChar(ch) : plainWordChar(ch);
    }
    // Scrolls the view window as little as needed to show the caret.
    void revealCaret();
    void setCaretOnly(TBufferCoord position);
    void setSelection(TBufferCoord anchor, TBufferCoord moving);

    // Recorded primitives: all text changes go through these.
    TBufferCoord insertText(TBufferCoord at, const QString &text, TChangeReason reason);
    void deleteText(TBufferCoord from, TBufferCoord to, TChangeReason reason);
    // Exchanges lines `first` onwards with `texts` as one record; caret and selection go to
    // `after`, where redo puts them again (or, given `redoCaret`, redo puts the caret there
    // with no selection).
    void exchangeLines(int first, std::vector<QString> texts, TChangeReason reason,
                       TUndoRecord::Marks after,
                       std::optional<TBufferCoord> redoCaret = std::nullopt);
    // Exchanges the lines at `indexes` (0-based, ascending) with `texts` as one record, caret
    // and selection as above.
    void exchangeSparseLines(std::vector<int> indexes, std::vector<QString> texts,
                             TUndoRecord::Marks after, std::optional<TBufferCoord> redoCaret);
    TBufferCoord rawInsert(TBufferCoord at, const TextPieces &text);
    TextPieces rawDelete(TBufferCoord from, TBufferCoord to);
    void record(TUndoRecord record);
    // Changes the text back (or forward) as the record says; returns where the caret and
    // the selection go.
    TUndoRecord::Marks replay(TUndoRecord &record, bool undo);
    void replayStep(bool undo);
    void undo();
    void redo();

    QString columnText(int line, int firstColumn, int lastColumn) const;
    void insertColumnBlock(const QString &text);
    void deleteColumnBlock(int firstLine, int lastLine);
    void insertLineBlock(const QString &text);
    // Text that fills `line` from its end up to `column`: an empty line takes the
    // indentation rule, a non-empty one spaces.
    QString virtualFill(int line, int column) const;
    void placeCaret(TBufferCoord position);
    void copyToClipboard();
    void cutToClipboard();
    void pasteFromClipboard();
    void gotoBookmark(int number);
    void typeCharacter(QChar ch);
    void lineBreak();
    void insertLine();
    void tab();
    void shiftTab();
    // Whether Tab and Shift+Tab work on whole lines: a selection over several lines outside
    // column mode, or over one whole line.
    bool isBlockSelection() const;
    void blockIndent();
    void blockUnindent();
    void changeIndent(bool indent);
    void deleteLastChar();
    void deleteChar();
    void deleteLastWord();
    void deleteWord();
    void deleteLine();
    void deleteToEndOfLine();
    void matchBracket();
    void scrollByLine(int delta);
    void moveCaretCommand(TEditorCommand command, bool extend);

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
    ViewWindow m_view{*this};
    bool m_replaying = false;
    bool m_standaloneCommand = false;
    bool m_overwriteCommand = false;
};

} // namespace bp
