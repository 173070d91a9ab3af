// The editor commands of EditModel: typing, line breaks, indentation, deletions, caret
// movement, bookmarks, bracket matching and dropping a dragged selection.
#include "bracket_match.h"
#include "edit_model.h"
#include "indentation.h"

#include <algorithm>

namespace bp {
namespace {

const QString kLineBreak = QStringLiteral("\r\n");

bool isBlank(QChar ch)
{
    return ch == u' ' || ch == u'\t';
}

// Whether character column `column` stands between the halves of a surrogate pair, where
// the caret does not stop: the pair is one character on screen.
bool splitsSurrogatePair(QStringView text, int column)
{
    return column >= 2 && column <= text.size() && text[column - 1].isLowSurrogate() &&
           text[column - 2].isHighSurrogate();
}

} // namespace

QString EditModel::virtualFill(int line, int column) const
{
    const int length = m_lines.length(line - 1);
    if (column <= length + 1)
        return {};
    if (length == 0)
        return indentationText(column - 1, m_tabWidth);
    return QString(column - length - 1, u' ');
}

void EditModel::placeCaret(TBufferCoord position)
{
    position = clamp(position, false);
    setSelection(position, position);
    setCaretOnly(position);
    revealCaret();
}

// --- typing -------------------------------------------------------------------------

void EditModel::typeCharacter(QChar ch)
{
    if (ch.unicode() < 0x20 || ch.unicode() == 0x7F)
        return;
    if (SelAvail()) {
        setSelText(QString(ch));
        return;
    }
    const int length = m_lines.length(m_caret.Line - 1);
    // Past column 1024 only a line longer than that still takes characters.
    if (m_caret.Char > kMaxScrollWidth && length <= kMaxScrollWidth)
        return;
    if (m_insertMode || m_caret.Char > length) {
        placeCaret(insertText(m_caret, QString(ch), TChangeReason::Insert));
        return;
    }
    m_history.beginBlock();
    m_overwriteCommand = true;
    deleteText(m_caret, {m_caret.Char + 1, m_caret.Line}, TChangeReason::Delete);
    const TBufferCoord end = insertText(m_caret, QString(ch), TChangeReason::Insert);
    m_overwriteCommand = false;
    m_history.endBlock();
    placeCaret(end);
}

// --- line breaks --------------------------------------------------------------------

void EditModel::lineBreak()
{
    m_history.beginBlock();
    const bool outer = m_standaloneCommand;
    m_standaloneCommand = outer || SelAvail();
    deleteSelection();
    const int line = m_caret.Line;
    const QString text = m_lines[line - 1];
    const int length = int(text.size());
    if (length == 0) {
        // The caret waits in virtual space at the indentation of the text above; typing
        // fills the line then.
        insertText({1, line}, kLineBreak, TChangeReason::LineBreak);
        int indent = 0;
        for (int above = line - 1; above >= 1; --above) {
            if (m_lines.length(above - 1) > 0) {
                indent = indentColumns(m_lines.view(above - 1), m_tabWidth);
                break;
            }
        }
        placeCaret({indent + 1, line + 1});
    } else if (m_caret.Char == 1) {
        insertText({1, line}, kLineBreak, TChangeReason::LineBreak);
        placeCaret({1, line + 1});
    } else if (m_caret.Char <= length) {
        const QString indent = indentationText(
            indentColumns(QStringView(text).left(m_caret.Char - 1), m_tabWidth), m_tabWidth);
        placeCaret(insertText(m_caret, kLineBreak + indent, TChangeReason::LineBreak));
    } else {
        insertText({length + 1, line}, kLineBreak, TChangeReason::LineBreak);
        // The new line copies the tabs and spaces of the indentation as typing them would
        // (other control characters are not typed; nothing past column 1024). One record,
        // not one per character: a wide indentation must not push the rest of the history
        // out of the bounded undo list.
        QString indent = text.left(leadingBlankCount(text));
        indent.removeIf([](QChar ch) { return !isBlank(ch); });
        indent.truncate(kMaxScrollWidth);
        placeCaret(insertText({1, line + 1}, indent, TChangeReason::Insert));
    }
    m_standaloneCommand = outer;
    m_history.endBlock();
}

void EditModel::insertLine()
{
    m_history.beginBlock();
    const bool outer = m_standaloneCommand;
    m_standaloneCommand = outer || SelAvail();
    deleteSelection();
    const TBufferCoord caret = m_caret;
    insertText(clamp(caret, true), kLineBreak, TChangeReason::LineBreak);
    m_standaloneCommand = outer;
    m_history.endBlock();
    placeCaret(caret);
}

// --- tab and indentation ------------------------------------------------------------

bool EditModel::isBlockSelection() const
{
    if (!SelAvail() || m_selectionMode == TSelectionMode::smColumn)
        return false;
    if (m_selectionMode == TSelectionMode::smLine)
        return true;
    const TBufferCoord begin = BlockBegin();
    const TBufferCoord end = BlockEnd();
    if (begin.Line != end.Line)
        return true;
    return begin.Char == 1 && end.Char > m_lines.length(begin.Line - 1);
}

void EditModel::tab()
{
    if (isBlockSelection()) {
        blockIndent();
        return;
    }
    if (!SelAvail() && m_caret.Char > kMaxScrollWidth &&
        m_lines.length(m_caret.Line - 1) <= kMaxScrollWidth)
        return;
    setSelText(QStringLiteral("\t"));
}

void EditModel::shiftTab()
{
    if (isBlockSelection()) {
        blockUnindent();
        return;
    }
    if (SelAvail())
        placeCaret(m_caret);
    const int line = m_caret.Line;
    const int column = displayColumn(line, m_caret.Char);
    if (column <= 1)
        return;
    const int stop = (column - 2) / m_tabWidth * m_tabWidth + 1;
    const QStringView text = m_lines.view(line - 1);
    if (m_caret.Char > text.size() + 1) {
        placeCaret({charColumnAt(line, stop), line});
        return;
    }
    int from = m_caret.Char;
    if (text[from - 2] == u'\t') {
        --from;
    } else {
        while (from > 1 && text[from - 2] == u' ' && displayColumn(line, from - 1) >= stop)
            --from;
    }
    if (from == m_caret.Char)
        return;
    deleteText({from, line}, m_caret, TChangeReason::Delete);
    placeCaret({from, line});
}

void EditModel::blockIndent()
{
    changeIndent(true);
}

void EditModel::blockUnindent()
{
    changeIndent(false);
}

void EditModel::changeIndent(bool indent)
{
    if (m_lines.isEmpty())
        return;
    int first = m_caret.Line;
    int last = m_caret.Line;
    if (SelAvail()) {
        const TBufferCoord begin = BlockBegin();
        const TBufferCoord end = BlockEnd();
        first = begin.Line;
        last = end.Line;
        // A stream selection ending at column 1 does not reach into its last line.
        if (m_selectionMode == TSelectionMode::smNormal && last > first && end.Char == 1)
            --last;
    }
    last = std::min(last, m_lines.Count());

    TUndoRecord undoRecord;
    undoRecord.reason = indent ? TChangeReason::Indent : TChangeReason::Unindent;
    undoRecord.start = {1, first};
    undoRecord.end = {1, last};
    undoRecord.selectionMode = m_selectionMode;
    undoRecord.caretBefore = m_caret;
    undoRecord.anchorBefore = m_anchor;
    undoRecord.movingBefore = m_moving;

    std::vector<int> changed(last - first + 1, 0);
    bool any = false;
    for (int line = first; line <= last; ++line) {
        QString text = m_lines[line - 1];
        QString piece;
        if (indent) {
            piece = QStringLiteral("\t");
            text.prepend(piece);
        } else {
            int count = 0;
            if (!text.isEmpty() && text[0] == u'\t') {
                count = 1;
            } else {
                while (count < 4 && count < text.size() && text[count] == u' ')
                    ++count;
                if (count < 4 && count < text.size() && text[count] == u'\t')
                    ++count;
            }
            piece = text.left(count);
            text.remove(0, count);
        }
        if (line > first)
            undoRecord.text += u'\n';
        undoRecord.text += piece;
        if (piece.isEmpty())
            continue;
        any = true;
        changed[line - first] = int(piece.size());
        m_lines.setLine(line - 1, text);
    }
    if (!any)
        return;
    // Both selection ends keep covering the same text; an end at column 1 stays there so
    // whole selected lines include their new indentation.
    auto shift = [&](TBufferCoord position) {
        if (position.Line < first || position.Line > last)
            return position;
        const int count = changed[position.Line - first];
        if (indent)
            position.Char += position.Char > 1 ? count : 0;
        else
            position.Char = std::max(1, position.Char - count);
        // An end at the column limit in virtual space stays at the limit.
        return clamp(position, false);
    };
    setSelection(shift(m_anchor), shift(m_moving));
    setCaretOnly(shift(m_caret));
    undoRecord.caretAfter = m_caret;
    undoRecord.anchorAfter = m_anchor;
    undoRecord.movingAfter = m_moving;
    record(std::move(undoRecord));
    revealCaret();
}

// --- deletions ----------------------------------------------------------------------

void EditModel::deleteLastChar()
{
    if (SelAvail()) {
        deleteSelection();
        return;
    }
    const int line = m_caret.Line;
    const int column = m_caret.Char;
    const QStringView text = m_lines.view(line - 1);
    const int length = int(text.size());
    if (column > length + 1) {
        if (length > 0) {
            placeCaret({length + 1, line});
            return;
        }
        // On an empty line the caret steps back to the next smaller indentation above.
        int target = 1;
        for (int above = line - 1; above >= 1; --above) {
            const int indent = indentColumns(m_lines.view(above - 1), m_tabWidth);
            if (indent < column - 1) {
                target = indent + 1;
                break;
            }
        }
        placeCaret({target, line});
        return;
    }
    if (column == 1) {
        if (line == 1)
            return;
        const TBufferCoord join{m_lines.length(line - 2) + 1, line - 1};
        deleteText(join, m_caret, TChangeReason::Delete);
        placeCaret(join);
        return;
    }
    if (leadingBlankCount(text) >= column - 1) {
        // Only white space left of the caret: drop back to the indentation of the nearest
        // less indented line above.
        const int current = column - 1;
        int target = 0;
        for (int above = line - 1; above >= 1; --above) {
            const int width = leadingBlankCount(m_lines.view(above - 1));
            if (width < current) {
                target = width;
                break;
            }
        }
        const int removed = current - target;
        deleteText({1, line}, {removed + 1, line}, TChangeReason::Delete);
        placeCaret({column - removed, line});
        return;
    }
    deleteText({column - 1, line}, m_caret, TChangeReason::Delete);
    placeCaret({column - 1, line});
}

void EditModel::deleteChar()
{
    if (SelAvail()) {
        deleteSelection();
        return;
    }
    if (m_lines.isEmpty())
        return;
    const int length = m_lines.length(m_caret.Line - 1);
    if (m_caret.Char <= length) {
        deleteText(m_caret, {m_caret.Char + 1, m_caret.Line}, TChangeReason::Delete);
    } else if (m_caret.Line < m_lines.Count()) {
        // At or beyond the end: the next line joins this one (filling virtual space first).
        const TBufferCoord caret = m_caret;
        TBufferCoord join{length + 1, caret.Line};
        m_history.beginBlock();
        if (caret.Char > length + 1)
            join = insertText(join, virtualFill(caret.Line, caret.Char), TChangeReason::Insert);
        deleteText(join, {1, caret.Line + 1}, TChangeReason::Delete);
        m_history.endBlock();
        placeCaret(join);
        return;
    }
    setSelection(m_caret, m_caret);
}

void EditModel::deleteLastWord()
{
    if (m_lines.isEmpty())
        return;
    const TBufferCoord to = clamp(m_caret, true);
    const TBufferCoord from = wordLeftOf(to);
    if (from < to)
        deleteText(from, to, TChangeReason::Delete);
    placeCaret(from);
}

void EditModel::deleteWord()
{
    if (m_lines.isEmpty())
        return;
    placeCaret(m_caret);
    if (m_caret.Char > m_lines.length(m_caret.Line - 1)) {
        deleteChar();
        return;
    }
    const TBufferCoord to = wordRightOf(m_caret);
    deleteText(m_caret, to, TChangeReason::Delete);
    placeCaret(m_caret);
}

void EditModel::deleteLine()
{
    if (m_lines.isEmpty())
        return;
    const int line = m_caret.Line;
    const int count = m_lines.Count();
    TBufferCoord caret{1, line};
    if (count == 1) {
        deleteText({1, 1}, {m_lines.length(0) + 1, 1}, TChangeReason::Delete);
    } else if (line < count) {
        deleteText({1, line}, {1, line + 1}, TChangeReason::Delete);
    } else {
        deleteText({m_lines.length(line - 2) + 1, line - 1}, {m_lines.length(line - 1) + 1, line},
                   TChangeReason::Delete);
        caret.Line = line - 1;
    }
    placeCaret(caret);
}

void EditModel::deleteToEndOfLine()
{
    if (m_lines.isEmpty())
        return;
    const int length = m_lines.length(m_caret.Line - 1);
    if (m_caret.Char <= length)
        deleteText(m_caret, {length + 1, m_caret.Line}, TChangeReason::Delete);
    placeCaret(m_caret);
}

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

bool EditModel::isInSelection(TBufferCoord position) const
{
    if (!SelAvail())
        return false;
    const TBufferCoord begin = BlockBegin();
    const TBufferCoord end = BlockEnd();
    switch (m_selectionMode) {
    case TSelectionMode::smNormal:
        return begin <= position && position <= end;
    case TSelectionMode::smLine:
        return position.Line >= begin.Line && position.Line <= end.Line;
    case TSelectionMode::smColumn:
        return position.Line >= begin.Line && position.Line <= end.Line &&
               position.Char >= begin.Char && position.Char <= end.Char;
    }
    return false;
}

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
    const int maxTop = std::max(1, displayLineCount() - m_view.linesInWindow() + 1);
    m_view.setTopLine(std::clamp(m_view.topLine() + delta, 1, maxTop));
    const int top = m_view.topLine();
    const int bottom = m_view.bottomLine();
    if (m_caret.Line >= top && m_caret.Line <= bottom)
        return;
    const int line = std::clamp(m_caret.Line, top, std::min(bottom, displayLineCount()));
    const int column = displayColumn(m_caret.Line, m_caret.Char);
    placeCaret({charColumnAt(line, column), line});
}

void EditModel::moveCaretCommand(TEditorCommand command, bool extend)
{
    const int lineCount = displayLineCount();
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
        if (m_caret.Char < maxCaretColumn(m_caret.Line))
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
    moveCaret(target, extend);
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
