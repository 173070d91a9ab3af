// The editing commands of EditModel: typing, line breaks, indentation and deletions.
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

} // namespace

QString EditModel::virtualFill(int line, int column) const
{
    const int length = m_lines.length(line - 1);
    if (column <= length + 1)
        return {};
    if (length == 0)
        return indentationText(column - 1, TabWidth());
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
                indent = indentColumns(m_lines.view(above - 1), TabWidth());
                break;
            }
        }
        placeCaret({indent + 1, line + 1});
    } else if (m_caret.Char == 1) {
        insertText({1, line}, kLineBreak, TChangeReason::LineBreak);
        placeCaret({1, line + 1});
    } else if (m_caret.Char <= length) {
        const QString indent = indentationText(
            indentColumns(QStringView(text).left(m_caret.Char - 1), TabWidth()), TabWidth());
        placeCaret(insertText(m_caret, kLineBreak + indent, TChangeReason::LineBreak));
    } else {
        insertText({length + 1, line}, kLineBreak, TChangeReason::LineBreak);
        // The new line copies the tabs and spaces of the indentation as typing them would
        // (other control characters are not typed; nothing past column 1024). One record,
        // not one per character: a wide indentation must not push the rest of the history
        // out of the bounded undo list. It is recorded as part of the line break, so the
        // characters typed on the new line go back in a step of their own.
        QString indent = text.left(leadingBlankCount(text));
        indent.removeIf([](QChar ch) { return !isBlank(ch); });
        indent.truncate(kMaxScrollWidth);
        placeCaret(insertText({1, line + 1}, indent, TChangeReason::LineBreak));
    }
    m_history.endBlock();
}

void EditModel::insertLine()
{
    m_history.beginBlock();
    deleteSelection();
    const TBufferCoord caret = m_caret;
    insertText(clamp(caret, true), kLineBreak, TChangeReason::LineBreak);
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
    const int stop = (column - 2) / TabWidth() * TabWidth() + 1;
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
        characters += m_lines.length(line - 1) + (indent ? 1 : 0);
    buffer.reserve(characters, last - first + 1);
    bool any = false;
    for (int line = first; line <= last; ++line) {
        const QStringView text = m_lines.view(line - 1);
        const int count = indentChange(text);
        if (indent)
            buffer.append(u'\t').append(text).endLine();
        else if (count == 0)
            buffer.addLine(m_lines[line - 1]);
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
        const QStringView text = m_lines.view(position.Line - 1);
        const int count = indentChange(text);
        if (indent)
            position.Char += position.Char > 1 ? count : 0;
        else
            position.Char = std::max(1, position.Char - count);
        // An end at the column limit in virtual space stays at the limit.
        const int length = int(text.size()) + (indent ? count : -count);
        position.Char = std::clamp(position.Char, 1, std::max(kMaxCaretColumn, length + 1));
        return position;
    };
    const TUndoRecord::Marks after{shift(m_caret), shift(m_anchor), shift(m_moving)};
    exchangeLines(first, buffer.takeLines(),
                  indent ? TChangeReason::Indent : TChangeReason::Unindent, after);
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
            const int indent = indentColumns(m_lines.view(above - 1), TabWidth());
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
    // A character outside the basic plane goes as a whole, never half of it.
    const int from = splitsSurrogatePair(text, column - 1) ? column - 2 : column - 1;
    deleteText({from, line}, m_caret, TChangeReason::Delete);
    placeCaret({from, line});
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
        const bool pair = splitsSurrogatePair(m_lines.view(m_caret.Line - 1), m_caret.Char + 1);
        deleteText(m_caret, {m_caret.Char + (pair ? 2 : 1), m_caret.Line}, TChangeReason::Delete);
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

} // namespace bp
