#pragma once

#include "buffer_coord.h"
#include "editor_command.h"
#include "undo_list.h"

#include <QChar>
#include <QString>
#include <optional>
#include <vector>

namespace bp {

class EditModel;

// The editor commands, each an operation on the model through its public interface: the
// caret and selection, the recorded primitives and the parts it keeps in step. The widget,
// the aids and the search map their input to these.

// Runs `command`; `ch` is the character of ecChar. Unknown commands do nothing.
void runEditorCommand(EditModel &model, TEditorCommand command, QChar ch = QChar());

// --- caret and selection --------------------------------------------------------------
// Word movement stops: the start of the previous word, the start of the next word.
TBufferCoord wordLeftOf(const EditModel &model, TBufferCoord position);
TBufferCoord wordRightOf(const EditModel &model, TBufferCoord position);
// Selects the word (a run of word characters) at or just left of `position`.
void selectWordAt(EditModel &model, TBufferCoord position);
void selectAll(EditModel &model);

// Moves the caret as movement command `command` (ecLeft .. ecEditorBottom) says; with
// `extend` the selection runs from its anchor to the new caret.
void moveCaret(EditModel &model, TEditorCommand command, bool extend);
void scrollByLine(EditModel &model, int delta);
void gotoBookmark(EditModel &model, int number);
void matchBracket(EditModel &model);

// --- clipboard ------------------------------------------------------------------------
void copyToClipboard(EditModel &model);
void cutToClipboard(EditModel &model);
void pasteFromClipboard(EditModel &model);

// --- typing, line breaks, indentation, deletions ----------------------------------------
void typeCharacter(EditModel &model, QChar ch);
void lineBreak(EditModel &model);
void insertLine(EditModel &model);
// Tab and Shift+Tab: indent or unindent the selected lines when the selection spans several
// lines outside column mode, or one whole line; otherwise a tab character, or a step back to
// the previous tab stop.
void tab(EditModel &model);
void shiftTab(EditModel &model);
void blockIndent(EditModel &model);
void blockUnindent(EditModel &model);
void deleteLastChar(EditModel &model);
void deleteChar(EditModel &model);
void deleteLastWord(EditModel &model);
void deleteWord(EditModel &model);
void deleteLine(EditModel &model);
void deleteToEndOfLine(EditModel &model);

// --- text -----------------------------------------------------------------------------
void deleteSelection(EditModel &model);
// Replaces the selection (if any) by `text` inserted in `mode`, as one undo group.
void setSelText(EditModel &model, const QString &text,
                TSelectionMode mode = TSelectionMode::smNormal,
                TChangeReason reason = TChangeReason::Insert);
// Replaces the text from `from` to `to` by `text` as one undo step, leaving caret,
// selection, mode and view alone unless the change leaves them off the text; a start in
// virtual space is filled with blanks, a range past the last line ends at the text's end.
void replaceRange(EditModel &model, TBufferCoord from, TBufferCoord to, const QString &text);
// Replaces lines `first` onwards (1-based; line 1 of an empty document is created) by
// `texts` as one undo step of one record, with one change notification. The caret keeps
// its line and column (within the column limit), the selection empties at the caret, the
// view stays. Nothing happens when no line differs. Redo puts the caret after the last
// changed line's differing part, or at `redoCaret` when given.
void replaceLines(EditModel &model, int first, std::vector<QString> texts,
                  std::optional<TBufferCoord> redoCaret = std::nullopt);
// The same for the lines numbered `lineNumbers` (1-based, strictly ascending, within the
// text, one text each) and no others: one record keeps just those lines. Numbers that break
// these rules are a programming error and end the program.
void replaceSparseLines(EditModel &model, std::vector<int> lineNumbers, std::vector<QString> texts,
                        std::optional<TBufferCoord> redoCaret = std::nullopt);
// Moves (or with `copy` copies) the stream selection to `target` as one undo group and
// selects it there. A target inside the selection does nothing; returns whether text moved.
bool dropSelection(EditModel &model, TBufferCoord target, bool copy);

} // namespace bp
