#include "edit_model.h"

#include "edit_commands.h"
#include "indentation.h"
#include "text_clipboard.h"

#include <algorithm>

namespace bp {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Display columns [firstColumn, lastColumn) of `line`.
QString columnText(const EditModel &model, int line, int firstColumn, int lastColumn)
{
    const QStringView text = model.Lines().view(line - 1);
    const int from = std::min<int>(model.charColumnAt(line, firstColumn) - 1, int(text.size()));
    const int to = std::min<int>(model.charColumnAt(line, lastColumn) - 1, int(text.size()));
    return to > from ? text.sliced(from, to - from).toString() : QString();
}

} // namespace

EditModel::EditModel(QObject *parent) : QObject(parent)
{
    m_lines.addListener(this);
    connect(&m_history, &UndoHistory::stepRecorded, this, &EditModel::changed);
}

EditModel::~EditModel()
{
    m_lines.removeListener(this);
}

// --- line list notifications ---------------------------------------------------------

void EditModel::linesInserted(int index, int count)
{
    m_bookmarks.linesInserted(index, count, m_lines.Count() == count);
    m_columns.noteLines(index, count);
    emit lineCountChanged();
    emit linesInvalidated(index, -1);
}

void EditModel::linesDeleted(int index, int count)
{
    m_bookmarks.linesDeleted(index, count);
    emit lineCountChanged();
    emit linesInvalidated(index, -1);
}

void EditModel::linesChanged(int index, int count)
{
    m_columns.noteLines(index, count);
    emit linesInvalidated(index, index + count - 1);
}

void EditModel::linesCleared()
{
    m_columns.forgetLongest();
    m_bookmarks.clear();
    m_caret = m_anchor = m_moving = {1, 1};
    m_view.home();
    m_history.clear();
    emit lineCountChanged();
    emit linesInvalidated(0, -1);
    emit m_view.scrolled();
    emit caretMoved();
    emit selectionChanged();
}

// --- columns ------------------------------------------------------------------------

void EditModel::setTabWidth(int width)
{
    m_columns.setTabWidth(width);
    emit linesInvalidated(0, -1);
}

// --- caret and selection -------------------------------------------------------------

TBufferCoord EditModel::clamp(TBufferCoord position, bool toLineEnd) const
{
    position.Line = std::clamp(position.Line, 1, std::max(1, m_lines.Count()));
    int maxChar = m_columns.maxCaretColumn(position.Line);
    if (toLineEnd)
        maxChar = std::min(maxChar, m_lines.length(position.Line - 1) + 1);
    position.Char = std::clamp(position.Char, 1, maxChar);
    return position;
}

void EditModel::setCaretOnly(TBufferCoord position)
{
    if (position == m_caret)
        return;
    m_caret = position;
    emit caretMoved();
}

void EditModel::setSelection(TBufferCoord anchor, TBufferCoord moving)
{
    if (anchor == m_anchor && moving == m_moving)
        return;
    const bool hadSelection = SelAvail();
    const int firstLine = std::min({m_anchor.Line, m_moving.Line, anchor.Line, moving.Line});
    const int lastLine = std::max({m_anchor.Line, m_moving.Line, anchor.Line, moving.Line});
    m_anchor = anchor;
    m_moving = moving;
    if (hadSelection || SelAvail())
        emit linesInvalidated(firstLine - 1, lastLine - 1);
    emit selectionChanged();
}

void EditModel::setCaretXY(TBufferCoord position, bool extend)
{
    position = clamp(position, false);
    if (extend) {
        // A column selection one column wide is empty yet still has its anchor.
        const TBufferCoord anchor = m_anchor == m_moving ? m_caret : m_anchor;
        setSelection(anchor, position);
    } else {
        setSelection(position, position);
    }
    setCaretOnly(position);
    revealCaret();
}

void EditModel::setBlockBegin(TBufferCoord position)
{
    position = clamp(position, m_selectionMode == TSelectionMode::smNormal);
    setSelection(position, position);
}

void EditModel::setBlockEnd(TBufferCoord position)
{
    position = clamp(position, m_selectionMode == TSelectionMode::smNormal);
    setSelection(m_anchor, position);
}

void EditModel::setSelectionMode(TSelectionMode mode)
{
    if (mode == m_selectionMode)
        return;
    m_selectionMode = mode;
    emit linesInvalidated(std::min(m_anchor.Line, m_moving.Line) - 1,
                          std::max(m_anchor.Line, m_moving.Line) - 1);
    emit selectionChanged();
    emit modeChanged();
}

QString EditModel::SelText() const
{
    if (!SelAvail() || m_lines.isEmpty())
        return {};
    const TBufferCoord begin = BlockBegin();
    const TBufferCoord end = BlockEnd();
    const int lastLine = std::min(end.Line, m_lines.Count());
    QString result;
    switch (m_selectionMode) {
    case TSelectionMode::smNormal: {
        auto slice = [&](int line, int from, int to) {
            const QStringView text = m_lines.view(line - 1);
            from = std::min<int>(from - 1, int(text.size()));
            to = to < 0 ? int(text.size()) : std::min<int>(to - 1, int(text.size()));
            return to > from ? text.sliced(from, to - from) : QStringView();
        };
        if (begin.Line == end.Line)
            return slice(begin.Line, begin.Char, end.Char).toString();
        result += slice(begin.Line, begin.Char, -1);
        for (int line = begin.Line + 1; line < lastLine; ++line)
            result += kCrLf + m_lines.view(line - 1);
        if (end.Line <= m_lines.Count())
            result += kCrLf + slice(end.Line, 1, end.Char);
        return result;
    }
    case TSelectionMode::smLine:
        for (int line = begin.Line; line <= lastLine; ++line) {
            result += m_lines.view(line - 1);
            if (line < m_lines.Count())
                result += kCrLf;
        }
        return result;
    case TSelectionMode::smColumn: {
        const auto [left, right] = m_columns.selectionColumns(selection());
        for (int line = begin.Line; line <= lastLine; ++line) {
            if (line > begin.Line)
                result += kCrLf;
            result += columnText(*this, line, left, right);
        }
        return result;
    }
    }
    return result;
}

QString EditModel::LineText() const
{
    return m_lines[m_caret.Line - 1];
}

void EditModel::setLineText(const QString &text)
{
    if (m_caret.Line <= std::max(1, m_lines.Count()))
        m_lines.setLine(m_lines.isEmpty() ? 0 : m_caret.Line - 1, text);
}

void EditModel::setInsertMode(bool insert)
{
    if (insert == m_insertMode)
        return;
    m_insertMode = insert;
    emit modeChanged();
}

// --- view window --------------------------------------------------------------------

void EditModel::revealCaret()
{
    m_view.reveal(m_caret.Line, displayColumn(m_caret.Line, m_caret.Char));
}

void EditModel::placeCaret(TBufferCoord position)
{
    position = clamp(position, false);
    setSelection(position, position);
    setCaretOnly(position);
    revealCaret();
}

QString EditModel::virtualFill(int line, int column) const
{
    const int length = m_lines.length(line - 1);
    if (column <= length + 1)
        return {};
    if (length == 0)
        return indentationText(column - 1, TabWidth());
    return QString(column - length - 1, u' ');
}

bool EditModel::canPaste() const
{
    return m_clipboard && m_clipboard->hasText();
}

void EditModel::executeCommand(TEditorCommand command, QChar ch)
{
    runEditorCommand(*this, command, ch);
}

} // namespace bp