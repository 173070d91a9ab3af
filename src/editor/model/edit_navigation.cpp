// The caret and selection commands of EditModel: word stops, caret movement, scrolling,
// bookmarks, bracket matching, dropping a dragged selection, and the command dispatch.
#include "bracket_match.h"
#include "character_cells.h"
#include "edit_model.h"

#include <algorithm>

namespace bp {
namespace {

bool isBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t';
}

} // namespace

// --- words --------------------------------------------------------------------------

TBufferCoord EditModel::wordLeftOf(TBufferCoord position) const
{
    position = clamp(position, true);
    if (position.Char == 1) {
        if (position.Line > 1)
            return {m_lines.length(position.Line - 2) + 1, position.Line - 1};
        return position;
    }
    const QStringView text = m_lines.view(position.Line - 1);
    int index = position.Char - 1;
    while (index > 0 && isBlank(text[index - 1]))
        --index;
    if (index > 0) {
        const bool word = isWordChar(text[index - 1]);
        while (index > 0 && !isBlank(text[index - 1]) && isWordChar(text[index - 1]) == word)
            --index;
    }
    return {index + 1, position.Line};
}

TBufferCoord EditModel::wordRightOf(TBufferCoord position) const
{
    position = clamp(position, false);
    const QStringView text = m_lines.view(position.Line - 1);
    const int length = int(text.size());
    if (position.Char > length) {
        if (position.Line < m_lines.Count())
            return {1, position.Line + 1};
        return position;
    }
    int index = position.Char - 1;
    if (!isBlank(text[index])) {
        const bool word = isWordChar(text[index]);
        while (index < length && !isBlank(text[index]) && isWordChar(text[index]) == word)
            ++index;
    }
    while (index < length && isBlank(text[index]))
        ++index;
    return {index + 1, position.Line};
}

void EditModel::selectWordAt(TBufferCoord position)
{
    position = clamp(position, false);
    const QStringView text = m_lines.view(position.Line - 1);
    int index = position.Char - 1;
    if (index >= text.size() || !isWordChar(text[index])) {
        if (index > 0 && index - 1 < text.size() && isWordChar(text[index - 1]))
            --index;
        else
            return;
    }
    int start = index;
    while (start > 0 && isWordChar(text[start - 1]))
        --start;
    int end = index;
    while (end < text.size() && isWordChar(text[end]))
        ++end;
    setSelection({start + 1, position.Line}, {end + 1, position.Line});
    setCaretOnly({end + 1, position.Line});
    revealCaret();
}

// --- drag and drop ------------------------------------------------------------------

bool EditModel::dropSelection(TBufferCoord target, bool copy)
{
    if (!SelAvail() || m_selectionMode != TSelectionMode::smNormal || m_lines.isEmpty())
        return false;
    target = clamp(target, false);
    const TBufferCoord begin = clamp(BlockBegin(), true);
    const TBufferCoord end = clamp(BlockEnd(), true);
    if (begin <= target && target <= end)
        return false;
    const QString text = SelText();
    m_history.beginBlock();
    if (!copy) {
        deleteText(begin, end, TChangeReason::Delete);
        if (target > end) {
            if (target.Line == end.Line)
                target = {begin.Char + (target.Char - end.Char), begin.Line};
            else
                target.Line -= end.Line - begin.Line;
        }
    }
    TBufferCoord start = target;
    const int length = m_lines.length(target.Line - 1);
    if (target.Char > length + 1)
        start.Char = length + 1 + int(virtualFill(target.Line, target.Char).size());
    const TBufferCoord stop = insertText(target, text, TChangeReason::DragDropInsert);
    m_history.endBlock();
    setSelection(start, stop);
    setCaretOnly(stop);
    revealCaret();
    return true;
}

// --- bookmarks ----------------------------------------------------------------------

void EditModel::gotoBookmark(int number)
{
    if (const std::optional<TBufferCoord> mark = m_bookmarks.at(number))
        placeCaret(*mark);
}

// --- caret movement -----------------------------------------------------------------

void EditModel::matchBracket()
{
    if (const auto partner = findMatchingBracket(m_lines, m_caret, m_rules))
        placeCaret(*partner);
}

void EditModel::scrollByLine(int delta)
{
    const int maxTop = std::max(1, m_columns.displayLineCount() - m_view.linesInWindow() + 1);
    m_view.setTopLine(std::clamp(m_view.topLine() + delta, 1, maxTop));
    const int top = m_view.topLine();
    const int bottom = m_view.bottomLine();
    if (m_caret.Line >= top && m_caret.Line <= bottom)
        return;
    const int line = std::clamp(m_caret.Line, top, std::min(bottom, m_columns.displayLineCount()));
    const int column = displayColumn(m_caret.Line, m_caret.Char);
    placeCaret({charColumnAt(line, column), line});
}

void EditModel::moveCaretCommand(TEditorCommand command, bool extend)
{
    const int lineCount = m_columns.displayLineCount();
    TBufferCoord target = m_caret;
    const int column = displayColumn(m_caret.Line, m_caret.Char);
    auto atColumn = [&](int line) { return TBufferCoord{charColumnAt(line, column), line}; };
    switch (command) {
    case ecLeft:
        if (m_caret.Char > 1)
            target.Char -=
                splitsSurrogatePair(m_lines.view(m_caret.Line - 1), m_caret.Char - 1) ? 2 : 1;
        else if (m_caret.Line > 1)
            target = {m_lines.length(m_caret.Line - 2) + 1, m_caret.Line - 1};
        break;
    case ecRight:
        if (m_caret.Char < m_columns.maxCaretColumn(m_caret.Line))
            target.Char +=
                splitsSurrogatePair(m_lines.view(m_caret.Line - 1), m_caret.Char + 1) ? 2 : 1;
        break;
    case ecWordLeft:
        target = wordLeftOf(m_caret);
        break;
    case ecWordRight:
        target = wordRightOf(m_caret);
        break;
    case ecUp:
        target = atColumn(std::max(1, m_caret.Line - 1));
        break;
    case ecDown:
        target = atColumn(std::min(lineCount, m_caret.Line + 1));
        break;
    case ecPageUp: {
        const int step = std::max(1, m_view.linesInWindow() - 1);
        m_view.setTopLine(m_view.topLine() - step);
        target = atColumn(std::max(1, m_caret.Line - step));
        break;
    }
    case ecPageDown: {
        const int step = std::max(1, m_view.linesInWindow() - 1);
        m_view.setTopLine(
            std::min(m_view.topLine() + step, std::max(1, lineCount - m_view.linesInWindow() + 1)));
        target = atColumn(std::min(lineCount, m_caret.Line + step));
        break;
    }
    case ecPageTop:
        target = atColumn(m_view.topLine());
        break;
    case ecPageBottom:
        target = atColumn(std::min(lineCount, m_view.bottomLine()));
        break;
    case ecLineStart:
        target.Char = 1;
        break;
    case ecLineEnd: {
        // First press: after the last character that is not blank; again: the real end.
        const QStringView text = m_lines.view(m_caret.Line - 1);
        int lastNonBlank = int(text.size());
        while (lastNonBlank > 0 && isBlank(text[lastNonBlank - 1]))
            --lastNonBlank;
        target.Char = m_caret.Char == lastNonBlank + 1 ? int(text.size()) + 1 : lastNonBlank + 1;
        break;
    }
    case ecEditorTop:
        target = {1, 1};
        break;
    case ecEditorBottom:
        target = {m_lines.length(lineCount - 1) + 1, lineCount};
        break;
    default:
        return;
    }
    setCaretXY(target, extend);
}

void EditModel::executeCommand(TEditorCommand command, QChar ch)
{
    if ((command >= ecLeft && command <= ecEditorBottom) ||
        (command >= ecSelLeft && command <= ecSelEditorBottom)) {
        const bool extend = command > ecSelection;
        moveCaretCommand(TEditorCommand(extend ? command - ecSelection : command), extend);
        return;
    }
    if (command >= ecGotoMarker0 && command <= ecGotoMarker9) {
        gotoBookmark(command - ecGotoMarker0);
        return;
    }
    if (command >= ecSetMarker0 && command <= ecSetMarker9) {
        m_bookmarks.toggle(command - ecSetMarker0, m_caret);
        return;
    }
    switch (command) {
    case ecChar:
        typeCharacter(ch);
        break;
    case ecLineBreak:
        lineBreak();
        break;
    case ecInsertLine:
        insertLine();
        break;
    case ecTab:
        tab();
        break;
    case ecShiftTab:
        shiftTab();
        break;
    case ecBlockIndent:
        blockIndent();
        break;
    case ecBlockUnindent:
        blockUnindent();
        break;
    case ecDeleteLastChar:
        deleteLastChar();
        break;
    case ecDeleteChar:
        deleteChar();
        break;
    case ecDeleteLastWord:
        deleteLastWord();
        break;
    case ecDeleteWord:
        deleteWord();
        break;
    case ecDeleteLine:
        deleteLine();
        break;
    case ecDeleteEOL:
        deleteToEndOfLine();
        break;
    case ecSelectAll:
        selectAll();
        break;
    case ecCopy:
        copyToClipboard();
        break;
    case ecCut:
        cutToClipboard();
        break;
    case ecPaste:
        pasteFromClipboard();
        break;
    case ecUndo:
        undo();
        break;
    case ecRedo:
        redo();
        break;
    case ecScrollUp:
        scrollByLine(-1);
        break;
    case ecScrollDown:
        scrollByLine(1);
        break;
    case ecToggleMode:
        setInsertMode(!m_insertMode);
        break;
    case ecNormalSelect:
        setSelectionMode(TSelectionMode::smNormal);
        break;
    case ecColumnSelect:
        setSelectionMode(TSelectionMode::smColumn);
        break;
    case ecLineSelect:
        setSelectionMode(TSelectionMode::smLine);
        break;
    case ecMatchBracket:
        matchBracket();
        break;
    default:
        break;
    }
}

} // namespace bp