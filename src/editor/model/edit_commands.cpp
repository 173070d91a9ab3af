// The editing commands: typing, line breaks, indentation and deletions.
#include "edit_commands.h"

#include "edit_model.h"

#include "character_cells.h"
#include "indentation.h"

#include <algorithm>

namespace bp {
namespace {

const QString kLineBreak = QStringLiteral("\r\n");

bool isBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t';
}

void changeIndent(EditModel &model, bool indent)
{
    const TEditorLines &lines = model.Lines();
    if (lines.isEmpty())
        return;
    int first = model.CaretXY().Line;
    int last = model.CaretXY().Line;
    if (model.SelAvail()) {
        const TBufferCoord begin = model.BlockBegin();
        const TBufferCoord end = model.BlockEnd();
        first = begin.Line;
        last = end.Line;
        // A stream selection ending at column 1 does not reach into its last line.
        if (model.selectionMode() == TSelectionMode::smNormal && last > first && end.Char == 1)
            --last;
    }
    last = std::min(last, lines.Count());

    // The characters a line gives up or gains: a tab in front, or on unindenting one tab or
    // up to four spaces and a tab after them.
    auto indentChange = [indent](QStringView text) {
        if (indent)
            return 1;
        if (!text.isEmpty() && text[0] == u'\t')
            return 1;
        int count = 0;
        while (count < 4 && count < text.size() && text[count] == u' ')
            ++count;
        if (count < 4 && count < text.size() && text[count] == u'\t')
            ++count;
        return count;
    };
    // One record and one change notification for the whole block, the new lines built in
    // one buffer.
    LineBuffer buffer;
    qsizetype characters = 0;
    for (int line = first; line <= last; ++line)
        characters += lines.length(line - 1) + (indent ? 1 : 0);
    buffer.reserve(characters, last - first + 1);
    bool any = false;
    for (int line = first; line <= last; ++line) {
        const QStringView text = lines.view(line - 1);
        const int count = indentChange(text);
        if (indent)
            buffer.append(u'\t').append(text).endLine();
        else if (count == 0)
            buffer.addLine(lines[line - 1]);
        else
            buffer.append(text.sliced(count)).endLine();
        any = any || count > 0;
    }
    if (!any)
        return;
    // Both selection ends keep covering the same text; an end at column 1 stays there so
    // whole selected lines include their new indentation. Positions are clamped against
    // the changed lines.
    auto shift = [&](TBufferCoord position) {
        if (position.Line < first || position.Line > last)
            return position;
        const QStringView text = lines.view(position.Line - 1);
        const int count = indentChange(text);
        if (indent)
            position.Char += position.Char > 1 ? count : 0;
        else
            position.Char = std::max(1, position.Char - count);
        // An end at the column limit in virtual space stays at the limit.
        const int length = int(text.size()) + (indent ? count : -count);
        position.Char =
            std::clamp(position.Char, 1, std::max(EditModel::kMaxCaretColumn, length + 1));
        return position;
    };
    const TUndoRecord::Marks after{shift(model.CaretXY()), shift(model.selection().anchor),
                                   shift(model.selection().moving)};
    model.exchangeLines({first - 1, {}}, buffer.takeLines(),
                        indent ? TChangeReason::Indent : TChangeReason::Unindent, after);
    model.revealCaret();
}

} // namespace

// --- typing -------------------------------------------------------------------------

void typeCharacter(EditModel &model, QChar ch)
{
    const TEditorLines &lines = model.Lines();
    if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
        return;
    if (model.SelAvail()) {
        setSelText(model, QString(ch));
        return;
    }
    const int length = lines.length(model.CaretXY().Line - 1);
    // Past column 1024 only a line longer than that still takes characters.
    if (model.CaretXY().Char > EditModel::kMaxScrollWidth && length <= EditModel::kMaxScrollWidth)
        return;
    if (model.insertMode() || model.CaretXY().Char > length) {
        model.placeCaret(model.insertText(model.CaretXY(), QString(ch), TChangeReason::Insert));
        return;
    }
    const TBufferCoord caret = model.CaretXY();
    const EditModel::RecordKind outer = model.recordKind();
    model.undoHistory().beginBlock();
    model.setRecordKind({outer.standalone, true});
    model.deleteText(caret, {caret.Char + 1, caret.Line}, TChangeReason::Delete);
    const TBufferCoord end = model.insertText(caret, QString(ch), TChangeReason::Insert);
    model.setRecordKind(outer);
    model.undoHistory().endBlock();
    model.placeCaret(end);
}

// --- line breaks --------------------------------------------------------------------

void lineBreak(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    model.undoHistory().beginBlock();
    deleteSelection(model);
    const int line = model.CaretXY().Line;
    const QString text = lines[line - 1];
    const int length = int(text.size());
    if (length == 0) {
        // The caret waits in virtual space at the indentation of the text above; typing
        // fills the line then.
        model.insertText({1, line}, kLineBreak, TChangeReason::LineBreak);
        int indent = 0;
        for (int above = line - 1; above >= 1; --above) {
            if (lines.length(above - 1) > 0) {
                indent = indentColumns(lines.view(above - 1), model.TabWidth());
                break;
            }
        }
        model.placeCaret({indent + 1, line + 1});
    } else if (model.CaretXY().Char == 1) {
        model.insertText({1, line}, kLineBreak, TChangeReason::LineBreak);
        model.placeCaret({1, line + 1});
    } else if (model.CaretXY().Char <= length) {
        const QString indent = indentationText(
            indentColumns(QStringView(text).left(model.CaretXY().Char - 1), model.TabWidth()),
            model.TabWidth());
        model.placeCaret(
            model.insertText(model.CaretXY(), kLineBreak + indent, TChangeReason::LineBreak));
    } else {
        model.insertText({length + 1, line}, kLineBreak, TChangeReason::LineBreak);
        // The new line copies the tabs and spaces of the indentation as typing them would
        // (other control characters are not typed; nothing past column 1024). One record,
        // not one per character: a wide indentation must not push the rest of the history
        // out of the bounded undo list. It is recorded as part of the line break, so the
        // characters typed on the new line go back in a step of their own.
        QString indent = text.left(leadingBlankCount(text));
        indent.removeIf([](QChar ch) { return !isBlank(ch); });
        indent.truncate(EditModel::kMaxScrollWidth);
        model.placeCaret(model.insertText({1, line + 1}, indent, TChangeReason::LineBreak));
    }
    model.undoHistory().endBlock();
}

void insertLine(EditModel &model)
{
    model.undoHistory().beginBlock();
    deleteSelection(model);
    const TBufferCoord caret = model.CaretXY();
    model.insertText(model.clamp(caret, true), kLineBreak, TChangeReason::LineBreak);
    model.undoHistory().endBlock();
    model.placeCaret(caret);
}

// --- tab and indentation ------------------------------------------------------------

bool isBlockSelection(const EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (!model.SelAvail() || model.selectionMode() == TSelectionMode::smColumn)
        return false;
    if (model.selectionMode() == TSelectionMode::smLine)
        return true;
    const TBufferCoord begin = model.BlockBegin();
    const TBufferCoord end = model.BlockEnd();
    if (begin.Line != end.Line)
        return true;
    return begin.Char == 1 && end.Char > lines.length(begin.Line - 1);
}

void tab(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (isBlockSelection(model)) {
        blockIndent(model);
        return;
    }
    if (!model.SelAvail() && model.CaretXY().Char > EditModel::kMaxScrollWidth &&
        lines.length(model.CaretXY().Line - 1) <= EditModel::kMaxScrollWidth)
        return;
    setSelText(model, QStringLiteral("\t"));
}

void shiftTab(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (isBlockSelection(model)) {
        blockUnindent(model);
        return;
    }
    if (model.SelAvail())
        model.placeCaret(model.CaretXY());
    const int line = model.CaretXY().Line;
    const int column = model.displayColumn(line, model.CaretXY().Char);
    if (column <= 1)
        return;
    const int stop = (column - 2) / model.TabWidth() * model.TabWidth() + 1;
    const QStringView text = lines.view(line - 1);
    if (model.CaretXY().Char > text.size() + 1) {
        model.placeCaret({model.charColumnAt(line, stop), line});
        return;
    }
    int from = model.CaretXY().Char;
    if (text[from - 2] == u'\t') {
        --from;
    } else {
        while (from > 1 && text[from - 2] == u' ' && model.displayColumn(line, from - 1) >= stop)
            --from;
    }
    if (from == model.CaretXY().Char)
        return;
    model.deleteText({from, line}, model.CaretXY(), TChangeReason::Delete);
    model.placeCaret({from, line});
}

void blockIndent(EditModel &model)
{
    changeIndent(model, true);
}

void blockUnindent(EditModel &model)
{
    changeIndent(model, false);
}

// --- deletions ----------------------------------------------------------------------

void deleteLastChar(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (model.SelAvail()) {
        deleteSelection(model);
        return;
    }
    const int line = model.CaretXY().Line;
    const int column = model.CaretXY().Char;
    const QStringView text = lines.view(line - 1);
    const int length = int(text.size());
    if (column > length + 1) {
        if (length > 0) {
            model.placeCaret({length + 1, line});
            return;
        }
        // On an empty line the caret steps back to the next smaller indentation above.
        int target = 1;
        for (int above = line - 1; above >= 1; --above) {
            const int indent = indentColumns(lines.view(above - 1), model.TabWidth());
            if (indent < column - 1) {
                target = indent + 1;
                break;
            }
        }
        model.placeCaret({target, line});
        return;
    }
    if (column == 1) {
        if (line == 1)
            return;
        const TBufferCoord join{lines.length(line - 2) + 1, line - 1};
        model.deleteText(join, model.CaretXY(), TChangeReason::Delete);
        model.placeCaret(join);
        return;
    }
    if (leadingBlankCount(text) >= column - 1) {
        // Only white space left of the caret: drop back to the indentation of the nearest
        // less indented line above.
        const int current = column - 1;
        int target = 0;
        for (int above = line - 1; above >= 1; --above) {
            const int width = leadingBlankCount(lines.view(above - 1));
            if (width < current) {
                target = width;
                break;
            }
        }
        const int removed = current - target;
        model.deleteText({1, line}, {removed + 1, line}, TChangeReason::Delete);
        model.placeCaret({column - removed, line});
        return;
    }
    // A character outside the basic plane goes as a whole, never half of it.
    const int from = splitsSurrogatePair(text, column - 1) ? column - 2 : column - 1;
    model.deleteText({from, line}, model.CaretXY(), TChangeReason::Delete);
    model.placeCaret({from, line});
}

void deleteChar(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (model.SelAvail()) {
        deleteSelection(model);
        return;
    }
    if (lines.isEmpty())
        return;
    const int length = lines.length(model.CaretXY().Line - 1);
    if (model.CaretXY().Char <= length) {
        const bool pair =
            splitsSurrogatePair(lines.view(model.CaretXY().Line - 1), model.CaretXY().Char + 1);
        model.deleteText(model.CaretXY(),
                         {model.CaretXY().Char + (pair ? 2 : 1), model.CaretXY().Line},
                         TChangeReason::Delete);
    } else if (model.CaretXY().Line < lines.Count()) {
        // At or beyond the end: the next line joins this one (filling virtual space first).
        const TBufferCoord caret = model.CaretXY();
        TBufferCoord join{length + 1, caret.Line};
        model.undoHistory().beginBlock();
        if (caret.Char > length + 1)
            join = model.insertText(join, model.virtualFill(caret.Line, caret.Char),
                                    TChangeReason::Insert);
        model.deleteText(join, {1, caret.Line + 1}, TChangeReason::Delete);
        model.undoHistory().endBlock();
        model.placeCaret(join);
        return;
    }
    model.setSelection(model.CaretXY(), model.CaretXY());
}

void deleteLastWord(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (lines.isEmpty())
        return;
    const TBufferCoord to = model.clamp(model.CaretXY(), true);
    const TBufferCoord from = wordLeftOf(model, to);
    if (from < to)
        model.deleteText(from, to, TChangeReason::Delete);
    model.placeCaret(from);
}

void deleteWord(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (lines.isEmpty())
        return;
    model.placeCaret(model.CaretXY());
    if (model.CaretXY().Char > lines.length(model.CaretXY().Line - 1)) {
        deleteChar(model);
        return;
    }
    const TBufferCoord to = wordRightOf(model, model.CaretXY());
    model.deleteText(model.CaretXY(), to, TChangeReason::Delete);
    model.placeCaret(model.CaretXY());
}

void deleteLine(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (lines.isEmpty())
        return;
    const int line = model.CaretXY().Line;
    const int count = lines.Count();
    TBufferCoord caret{1, line};
    if (count == 1) {
        model.deleteText({1, 1}, {lines.length(0) + 1, 1}, TChangeReason::Delete);
    } else if (line < count) {
        model.deleteText({1, line}, {1, line + 1}, TChangeReason::Delete);
    } else {
        model.deleteText({lines.length(line - 2) + 1, line - 1}, {lines.length(line - 1) + 1, line},
                         TChangeReason::Delete);
        caret.Line = line - 1;
    }
    model.placeCaret(caret);
}

void deleteToEndOfLine(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (lines.isEmpty())
        return;
    const int length = lines.length(model.CaretXY().Line - 1);
    if (model.CaretXY().Char <= length)
        model.deleteText(model.CaretXY(), {length + 1, model.CaretXY().Line},
                         TChangeReason::Delete);
    model.placeCaret(model.CaretXY());
}

} // namespace bp
