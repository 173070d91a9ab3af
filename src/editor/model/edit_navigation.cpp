// The caret and selection commands: word stops, caret movement, scrolling, bookmarks,
// bracket matching, the clipboard, dropping a dragged selection, and the command dispatch.
#include "edit_commands.h"

#include "bracket_match.h"
#include "character_cells.h"
#include "edit_model.h"
#include "text_clipboard.h"
#include "text_rules.h"

#include <algorithm>

namespace bp {
namespace {

bool isBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t';
}

// Text from outside (the clipboard) with its lines cut by the rule that reads files and
// joined by CR LF, the one break the edit primitives know. A break the file reader sees is
// then a break on screen too, and a save writes no line the next reading cuts differently.
QString withFileLineBreaks(const QString &text)
{
    const QString crLf = QStringLiteral("\r\n");
    const CutLines cut = cutIntoLines(text);
    QString joined;
    qsizetype total = 0;
    for (const QString &line : cut.lines)
        total += line.size() + crLf.size();
    joined.reserve(total);
    for (std::size_t i = 0; i < cut.lines.size(); ++i) {
        if (i > 0)
            joined += crLf;
        joined += cut.lines[i];
    }
    return joined;
}

} // namespace

// --- words --------------------------------------------------------------------------

TBufferCoord wordLeftOf(const EditModel &model, TBufferCoord position)
{
    const TEditorLines &lines = model.Lines();
    position = model.clamp(position, true);
    if (position.Char == 1) {
        if (position.Line > 1)
            return {lines.length(position.Line - 2) + 1, position.Line - 1};
        return position;
    }
    const QStringView text = lines.view(position.Line - 1);
    int index = position.Char - 1;
    while (index > 0 && isBlank(text[index - 1]))
        --index;
    if (index > 0) {
        const bool word = model.isWordChar(text[index - 1]);
        while (index > 0 && !isBlank(text[index - 1]) && model.isWordChar(text[index - 1]) == word)
            --index;
    }
    return {index + 1, position.Line};
}

TBufferCoord wordRightOf(const EditModel &model, TBufferCoord position)
{
    const TEditorLines &lines = model.Lines();
    position = model.clamp(position, false);
    const QStringView text = lines.view(position.Line - 1);
    const int length = int(text.size());
    if (position.Char > length) {
        if (position.Line < lines.Count())
            return {1, position.Line + 1};
        return position;
    }
    int index = position.Char - 1;
    if (!isBlank(text[index])) {
        const bool word = model.isWordChar(text[index]);
        while (index < length && !isBlank(text[index]) && model.isWordChar(text[index]) == word)
            ++index;
    }
    while (index < length && isBlank(text[index]))
        ++index;
    return {index + 1, position.Line};
}

void selectWordAt(EditModel &model, TBufferCoord position)
{
    const TEditorLines &lines = model.Lines();
    position = model.clamp(position, false);
    const QStringView text = lines.view(position.Line - 1);
    int index = position.Char - 1;
    if (index >= text.size() || !model.isWordChar(text[index])) {
        if (index > 0 && index - 1 < text.size() && model.isWordChar(text[index - 1]))
            --index;
        else
            return;
    }
    int start = index;
    while (start > 0 && model.isWordChar(text[start - 1]))
        --start;
    int end = index;
    while (end < text.size() && model.isWordChar(text[end]))
        ++end;
    model.setSelection({start + 1, position.Line}, {end + 1, position.Line});
    model.setCaretOnly({end + 1, position.Line});
    model.revealCaret();
}

// --- drag and drop ------------------------------------------------------------------

bool dropSelection(EditModel &model, TBufferCoord target, bool copy)
{
    const TEditorLines &lines = model.Lines();
    if (!model.SelAvail() || model.selectionMode() != TSelectionMode::smNormal || lines.isEmpty())
        return false;
    target = model.clamp(target, false);
    const TBufferCoord begin = model.clamp(model.BlockBegin(), true);
    const TBufferCoord end = model.clamp(model.BlockEnd(), true);
    if (begin <= target && target <= end)
        return false;
    const QString text = model.SelText();
    model.undoHistory().beginBlock();
    if (!copy) {
        model.deleteText(begin, end, TChangeReason::Delete);
        if (target > end) {
            if (target.Line == end.Line)
                target = {begin.Char + (target.Char - end.Char), begin.Line};
            else
                target.Line -= end.Line - begin.Line;
        }
    }
    TBufferCoord start = target;
    const int length = lines.length(target.Line - 1);
    if (target.Char > length + 1)
        start.Char = length + 1 + int(model.virtualFill(target.Line, target.Char).size());
    const TBufferCoord stop = model.insertText(target, text, TChangeReason::DragDropInsert);
    model.undoHistory().endBlock();
    model.setSelection(start, stop);
    model.setCaretOnly(stop);
    model.revealCaret();
    return true;
}

// --- selection and clipboard --------------------------------------------------------

void selectAll(EditModel &model)
{
    const TEditorLines &lines = model.Lines();
    if (lines.isEmpty())
        return;
    const int last = lines.Count();
    const TBufferCoord end{lines.length(last - 1) + 1, last};
    model.setSelection({1, 1}, end);
    model.setCaretOnly(end);
    model.revealCaret();
}

void copyToClipboard(EditModel &model)
{
    if (model.clipboard() && model.SelAvail())
        model.clipboard()->setBlock(model.SelText(), model.selectionMode());
}

void cutToClipboard(EditModel &model)
{
    if (!model.SelAvail())
        return;
    copyToClipboard(model);
    deleteSelection(model);
}

void pasteFromClipboard(EditModel &model)
{
    if (!model.clipboard())
        return;
    const std::optional<ClipboardBlock> block = model.clipboard()->block();
    if (!block || block->text.isEmpty())
        return;
    setSelText(model, withFileLineBreaks(block->text),
               block->mode.value_or(TSelectionMode::smNormal), TChangeReason::Paste);
}

// --- bookmarks ----------------------------------------------------------------------

void gotoBookmark(EditModel &model, int number)
{
    if (const std::optional<TBufferCoord> mark = model.bookmarks().at(number))
        model.placeCaret(*mark);
}

// --- caret movement -----------------------------------------------------------------

void matchBracket(EditModel &model)
{
    if (const auto partner = findMatchingBracket(model.Lines(), model.CaretXY(), model.textRules()))
        model.placeCaret(*partner);
}

void scrollByLine(EditModel &model, int delta)
{
    ViewWindow &view = model.viewWindow();
    const int maxTop = std::max(1, model.columns().displayLineCount() - view.linesInWindow() + 1);
    view.setTopLine(std::clamp(view.topLine() + delta, 1, maxTop));
    const int top = view.topLine();
    const int bottom = view.bottomLine();
    if (model.CaretXY().Line >= top && model.CaretXY().Line <= bottom)
        return;
    const int line =
        std::clamp(model.CaretXY().Line, top, std::min(bottom, model.columns().displayLineCount()));
    const int column = model.displayColumn(model.CaretXY().Line, model.CaretXY().Char);
    model.placeCaret({model.charColumnAt(line, column), line});
}

void moveCaret(EditModel &model, TEditorCommand command, bool extend)
{
    const TEditorLines &lines = model.Lines();
    ViewWindow &view = model.viewWindow();
    const int lineCount = model.columns().displayLineCount();
    TBufferCoord target = model.CaretXY();
    const int column = model.displayColumn(model.CaretXY().Line, model.CaretXY().Char);
    auto atColumn = [&](int line) { return TBufferCoord{model.charColumnAt(line, column), line}; };
    switch (command) {
    case ecLeft:
        if (model.CaretXY().Char > 1)
            target.Char -=
                splitsSurrogatePair(lines.view(model.CaretXY().Line - 1), model.CaretXY().Char - 1)
                    ? 2
                    : 1;
        else if (model.CaretXY().Line > 1)
            target = {lines.length(model.CaretXY().Line - 2) + 1, model.CaretXY().Line - 1};
        break;
    case ecRight:
        if (model.CaretXY().Char < model.columns().maxCaretColumn(model.CaretXY().Line))
            target.Char +=
                splitsSurrogatePair(lines.view(model.CaretXY().Line - 1), model.CaretXY().Char + 1)
                    ? 2
                    : 1;
        break;
    case ecWordLeft:
        target = wordLeftOf(model, model.CaretXY());
        break;
    case ecWordRight:
        target = wordRightOf(model, model.CaretXY());
        break;
    case ecUp:
        target = atColumn(std::max(1, model.CaretXY().Line - 1));
        break;
    case ecDown:
        target = atColumn(std::min(lineCount, model.CaretXY().Line + 1));
        break;
    case ecPageUp: {
        const int step = std::max(1, view.linesInWindow() - 1);
        view.setTopLine(view.topLine() - step);
        target = atColumn(std::max(1, model.CaretXY().Line - step));
        break;
    }
    case ecPageDown: {
        const int step = std::max(1, view.linesInWindow() - 1);
        view.setTopLine(
            std::min(view.topLine() + step, std::max(1, lineCount - view.linesInWindow() + 1)));
        target = atColumn(std::min(lineCount, model.CaretXY().Line + step));
        break;
    }
    case ecPageTop:
        target = atColumn(view.topLine());
        break;
    case ecPageBottom:
        target = atColumn(std::min(lineCount, view.bottomLine()));
        break;
    case ecLineStart:
        target.Char = 1;
        break;
    case ecLineEnd: {
        // First press: after the last character that is not blank; again: the real end.
        const QStringView text = lines.view(model.CaretXY().Line - 1);
        int lastNonBlank = int(text.size());
        while (lastNonBlank > 0 && isBlank(text[lastNonBlank - 1]))
            --lastNonBlank;
        target.Char =
            model.CaretXY().Char == lastNonBlank + 1 ? int(text.size()) + 1 : lastNonBlank + 1;
        break;
    }
    case ecEditorTop:
        target = {1, 1};
        break;
    case ecEditorBottom:
        target = {lines.length(lineCount - 1) + 1, lineCount};
        break;
    default:
        return;
    }
    model.setCaretXY(target, extend);
}

namespace {

// The commands that take no argument, by code.
using Command = void (*)(EditModel &model);
struct CommandEntry
{
    TEditorCommand code;
    Command run;
};
const CommandEntry kCommands[] = {
    {ecLineBreak, lineBreak},
    {ecInsertLine, insertLine},
    {ecTab, tab},
    {ecShiftTab, shiftTab},
    {ecBlockIndent, blockIndent},
    {ecBlockUnindent, blockUnindent},
    {ecDeleteLastChar, deleteLastChar},
    {ecDeleteChar, deleteChar},
    {ecDeleteLastWord, deleteLastWord},
    {ecDeleteWord, deleteWord},
    {ecDeleteLine, deleteLine},
    {ecDeleteEOL, deleteToEndOfLine},
    {ecSelectAll, selectAll},
    {ecCopy, copyToClipboard},
    {ecCut, cutToClipboard},
    {ecPaste, pasteFromClipboard},
    {ecUndo, [](EditModel &model) { model.undo(); }},
    {ecRedo, [](EditModel &model) { model.redo(); }},
    {ecScrollUp, [](EditModel &model) { scrollByLine(model, -1); }},
    {ecScrollDown, [](EditModel &model) { scrollByLine(model, 1); }},
    {ecToggleMode, [](EditModel &model) { model.setInsertMode(!model.insertMode()); }},
    {ecNormalSelect, [](EditModel &model) { model.setSelectionMode(TSelectionMode::smNormal); }},
    {ecColumnSelect, [](EditModel &model) { model.setSelectionMode(TSelectionMode::smColumn); }},
    {ecLineSelect, [](EditModel &model) { model.setSelectionMode(TSelectionMode::smLine); }},
    {ecMatchBracket, matchBracket},
};

} // namespace

void runEditorCommand(EditModel &model, TEditorCommand command, QChar ch)
{
    if ((command >= ecLeft && command <= ecEditorBottom) ||
        (command >= ecSelLeft && command <= ecSelEditorBottom)) {
        const bool extend = command > ecSelection;
        moveCaret(model, TEditorCommand(extend ? command - ecSelection : command), extend);
        return;
    }
    if (command >= ecGotoMarker0 && command <= ecGotoMarker9) {
        gotoBookmark(model, command - ecGotoMarker0);
        return;
    }
    if (command >= ecSetMarker0 && command <= ecSetMarker9) {
        model.bookmarks().toggle(command - ecSetMarker0, model.CaretXY());
        return;
    }
    if (command == ecChar) {
        typeCharacter(model, ch);
        return;
    }
    for (const CommandEntry &entry : kCommands) {
        if (entry.code == command) {
            entry.run(model);
            return;
        }
    }
}

} // namespace bp
