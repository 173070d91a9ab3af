#include "edit_model.h"

#include "character_cells.h"
#include "text_clipboard.h"

#include <QStringList>
#include <algorithm>

namespace bp {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Splits clipboard or inserted text at CR LF, CR or LF.
QStringList splitBreaks(const QString &text)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch != u'\r' && ch != u'\n')
            continue;
        parts.append(text.mid(start, i - start));
        if (ch == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    parts.append(text.mid(start));
    return parts;
}

// Text from outside (the clipboard) with its lines cut by the rule that reads files and
// joined by CR LF, the one break the edit primitives know. A break the file reader sees is
// then a break on screen too, and a save writes no line the next reading cuts differently.
QString withFileLineBreaks(const QString &text)
{
    const CutLines cut = cutIntoLines(text);
    QString joined;
    qsizetype total = 0;
    for (const QString &line : cut.lines)
        total += line.size() + kCrLf.size();
    joined.reserve(total);
    for (std::size_t i = 0; i < cut.lines.size(); ++i) {
        if (i > 0)
            joined += kCrLf;
        joined += cut.lines[i];
    }
    return joined;
}

// Where text inserted at `at` ends.
TBufferCoord endOfInsertion(TBufferCoord at, const QString &text)
{
    const QStringList parts = splitBreaks(text);
    if (parts.size() == 1)
        return {at.Char + int(parts.front().size()), at.Line};
    return {int(parts.back().size()) + 1, at.Line + int(parts.size()) - 1};
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
    for (int i = index; i < index + count; ++i)
        m_longestLine = m_longestLine < 0 ? -1 : std::max(m_longestLine, m_lines.length(i));
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
    for (int i = index; i < index + count; ++i)
        if (m_longestLine >= 0)
            m_longestLine = std::max(m_longestLine, m_lines.length(i));
    emit linesInvalidated(index, index + count - 1);
}

void EditModel::linesCleared()
{
    m_longestLine = -1;
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
    m_tabWidth = std::max(1, width);
    emit linesInvalidated(0, -1);
}

int EditModel::displayColumn(int line, int charColumn) const
{
    const QStringView text = m_lines.view(line - 1);
    const int inLine = std::min<int>(charColumn - 1, int(text.size()));
    int column = 0;
    // Only the characters before the column matter, so a long line is not read to its end.
    if (hasPlainCells(text.first(std::max(inLine, 0)))) {
        column = inLine;
    } else {
        for (int i = 0; i < inLine; ++i)
            column = cellAfter(text, i, column, m_tabWidth);
    }
    return column + 1 + std::max(0, charColumn - 1 - inLine);
}

int EditModel::charColumnAt(int line, int column) const
{
    const QStringView text = m_lines.view(line - 1);
    // When every character before it takes one cell, display column n shows character n.
    if (hasPlainCells(text.first(std::clamp<qsizetype>(column - 1, 0, text.size()))))
        return std::max(1, column);
    int cells = 0;
    for (int i = 0; i < text.size(); ++i) {
        // The second half of a surrogate pair takes no cell and is never returned.
        const int next = cellAfter(text, i, cells, m_tabWidth);
        if (column - 1 < next)
            return i + 1;
        cells = next;
    }
    return int(text.size()) + 1 + (column - 1 - cells);
}

int EditModel::maxCaretColumn(int line) const
{
    return std::max(kMaxCaretColumn, m_lines.length(line - 1) + 1);
}

int EditModel::maxScrollWidth() const
{
    if (m_longestLine < 0) {
        int longest = 0;
        for (int i = 0; i < m_lines.Count(); ++i)
            longest = std::max(longest, m_lines.length(i));
        m_longestLine = longest;
    }
    return std::max(kMaxScrollWidth, m_longestLine + 1);
}

// --- caret and selection -------------------------------------------------------------

TBufferCoord EditModel::clamp(TBufferCoord position, bool toLineEnd) const
{
    position.Line = std::clamp(position.Line, 1, std::max(1, m_lines.Count()));
    int maxChar = maxCaretColumn(position.Line);
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

void EditModel::setCaretXY(TBufferCoord position)
{
    position = clamp(position, false);
    setSelection(position, position);
    setCaretOnly(position);
    revealCaret();
}

void EditModel::moveCaret(TBufferCoord position, bool extend)
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

std::pair<int, int> EditModel::columnSelectionColumns() const
{
    const int anchor = displayColumn(m_anchor.Line, m_anchor.Char);
    const int moving = displayColumn(m_moving.Line, m_moving.Char);
    return {std::min(anchor, moving), std::max(anchor, moving)};
}

TBufferCoord EditModel::BlockBegin() const
{
    if (m_selectionMode == TSelectionMode::smColumn)
        return {std::min(m_anchor.Char, m_moving.Char), std::min(m_anchor.Line, m_moving.Line)};
    return std::min(m_anchor, m_moving);
}

TBufferCoord EditModel::BlockEnd() const
{
    if (m_selectionMode == TSelectionMode::smColumn)
        return {std::max(m_anchor.Char, m_moving.Char), std::max(m_anchor.Line, m_moving.Line)};
    return std::max(m_anchor, m_moving);
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

bool EditModel::SelAvail() const
{
    return m_anchor.Char != m_moving.Char ||
           (m_anchor.Line != m_moving.Line && m_selectionMode != TSelectionMode::smColumn);
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

QString EditModel::columnText(int line, int firstColumn, int lastColumn) const
{
    const QStringView text = m_lines.view(line - 1);
    const int from = std::min<int>(charColumnAt(line, firstColumn) - 1, int(text.size()));
    const int to = std::min<int>(charColumnAt(line, lastColumn) - 1, int(text.size()));
    return to > from ? text.sliced(from, to - from).toString() : QString();
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
        const auto [left, right] = columnSelectionColumns();
        for (int line = begin.Line; line <= lastLine; ++line) {
            if (line > begin.Line)
                result += kCrLf;
            result += columnText(line, left, right);
        }
        return result;
    }
    }
    return result;
}

void EditModel::selectAll()
{
    if (m_lines.isEmpty())
        return;
    const int last = m_lines.Count();
    const TBufferCoord end{m_lines.length(last - 1) + 1, last};
    setSelection({1, 1}, end);
    setCaretOnly(end);
    revealCaret();
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

// --- undo ---------------------------------------------------------------------------

void EditModel::record(TUndoRecord undoRecord)
{
    if (m_replaying)
        return;
    undoRecord.standalone = m_standaloneCommand;
    undoRecord.overwrite = m_overwriteCommand;
    m_history.record(std::move(undoRecord));
}

void EditModel::undo()
{
    m_history.undo([this](TUndoRecord &undoRecord, bool undo) { replay(undoRecord, undo); });
}

void EditModel::redo()
{
    m_history.redo([this](TUndoRecord &undoRecord, bool undo) { replay(undoRecord, undo); });
}

void EditModel::replay(TUndoRecord &undoRecord, bool undo)
{
    if (undoRecord.isBlockIndent()) {
        const bool inserts = (undoRecord.reason == TChangeReason::Indent) != undo;
        const QStringList pieces = undoRecord.text.split(u'\n');
        for (int line = undoRecord.start.Line; line <= undoRecord.end.Line; ++line) {
            const QString &piece = pieces.value(line - undoRecord.start.Line);
            if (piece.isEmpty())
                continue;
            QString text = m_lines[line - 1];
            if (inserts)
                text.prepend(piece);
            else
                text.remove(0, piece.size());
            m_lines.setLine(line - 1, text);
        }
        setSelection(undo ? undoRecord.anchorBefore : undoRecord.anchorAfter,
                     undo ? undoRecord.movingBefore : undoRecord.movingAfter);
        setCaretOnly(undo ? undoRecord.caretBefore : undoRecord.caretAfter);
        revealCaret();
        return;
    }
    m_replaying = true;
    const bool removes = undoRecord.isInsertion() == undo;
    if (removes)
        rawDelete(undoRecord.start, endOfInsertion(undoRecord.start, undoRecord.text));
    else
        rawInsert(undoRecord.start, undoRecord.text);
    m_replaying = false;
    if (undo) {
        setSelection(undoRecord.anchorBefore, undoRecord.movingBefore);
        setCaretOnly(undoRecord.caretBefore);
    } else {
        const TBufferCoord after =
            removes ? undoRecord.start : endOfInsertion(undoRecord.start, undoRecord.text);
        setSelection(after, after);
        setCaretOnly(after);
    }
    revealCaret();
}

// --- text primitives ----------------------------------------------------------------

TBufferCoord EditModel::rawInsert(TBufferCoord at, const QString &text)
{
    if (m_lines.isEmpty())
        m_lines.Add(QString());
    const int index = at.Line - 1;
    Q_ASSERT(index >= 0 && index < m_lines.Count());
    const QStringView current = m_lines.view(index);
    const int column = std::min<int>(at.Char - 1, int(current.size()));
    const QStringList parts = splitBreaks(text);
    if (column == 0 && parts.size() > 1 && parts.back().isEmpty()) {
        // Whole lines go in before the line, so what follows the line (bookmarks, stored
        // ranges) moves down with it.
        m_lines.insertLines(index, std::vector<QString>(parts.begin(), parts.end() - 1));
        return {1, at.Line + int(parts.size()) - 1};
    }
    if (parts.size() == 1) {
        // Built once from the stored text: a keystroke copies a long line only once.
        QString line;
        line.reserve(current.size() + parts.front().size());
        line.append(current.left(column)).append(parts.front()).append(current.mid(column));
        m_lines.setLine(index, line);
        return {column + 1 + int(parts.front().size()), at.Line};
    }
    QString line = current.toString();
    const QString tail = line.mid(column);
    line.truncate(column);
    line += parts.front();
    std::vector<QString> added;
    added.reserve(parts.size() - 1);
    for (qsizetype i = 1; i < parts.size(); ++i)
        added.push_back(parts[i]);
    added.back() += tail;
    m_lines.setLine(index, line);
    m_lines.insertLines(index + 1, std::move(added));
    return {int(parts.back().size()) + 1, at.Line + int(parts.size()) - 1};
}

QString EditModel::rawDelete(TBufferCoord from, TBufferCoord to)
{
    if (m_lines.isEmpty() || !(from < to))
        return {};
    const int first = from.Line - 1;
    const int last = std::min(to.Line, m_lines.Count()) - 1;
    if (first == last) {
        const QStringView current = m_lines.view(first);
        const int fromColumn = std::min<int>(from.Char - 1, int(current.size()));
        const int toColumn = std::min<int>(to.Char - 1, int(current.size()));
        if (toColumn <= fromColumn)
            return {};
        const QString removed = current.sliced(fromColumn, toColumn - fromColumn).toString();
        QString line;
        line.reserve(current.size() - removed.size());
        line.append(current.left(fromColumn)).append(current.mid(toColumn));
        m_lines.setLine(first, line);
        return removed;
    }
    const QString firstLine = m_lines[first];
    const int fromColumn = std::min<int>(from.Char - 1, int(firstLine.size()));
    const QString lastLine = m_lines[last];
    const int toColumn = std::min<int>(to.Char - 1, int(lastLine.size()));
    if (fromColumn == 0 && toColumn == 0) {
        // Whole lines come out as they are, taking what belongs to them along.
        QString removed;
        for (int i = first; i < last; ++i)
            removed += m_lines.view(i) + kCrLf;
        m_lines.remove(first, last - first);
        return removed;
    }
    QString removed = firstLine.mid(fromColumn);
    for (int i = first + 1; i < last; ++i)
        removed += kCrLf + m_lines.view(i);
    removed += kCrLf + QStringView(lastLine).left(toColumn);
    m_lines.setLine(first, firstLine.left(fromColumn) + QStringView(lastLine).mid(toColumn));
    m_lines.remove(first + 1, last - first);
    return removed;
}

TBufferCoord EditModel::insertText(TBufferCoord at, const QString &text, TChangeReason reason)
{
    if (text.isEmpty())
        return at;
    TUndoRecord undoRecord;
    undoRecord.caretBefore = m_caret;
    undoRecord.anchorBefore = m_anchor;
    undoRecord.movingBefore = m_moving;
    // Text inserted in virtual space first fills the line up to the insertion column.
    const int length = m_lines.length(at.Line - 1);
    QString inserted = text;
    if (at.Char > length + 1) {
        inserted.prepend(virtualFill(at.Line, at.Char));
        at.Char = length + 1;
    }
    const TBufferCoord end = rawInsert(at, inserted);
    undoRecord.reason = reason;
    undoRecord.start = at;
    undoRecord.end = end;
    undoRecord.selectionMode = m_selectionMode;
    undoRecord.text = inserted;
    record(std::move(undoRecord));
    return end;
}

QString EditModel::deleteText(TBufferCoord from, TBufferCoord to, TChangeReason reason)
{
    TUndoRecord undoRecord;
    undoRecord.caretBefore = m_caret;
    undoRecord.anchorBefore = m_anchor;
    undoRecord.movingBefore = m_moving;
    // Normalise both ends into the text so the record's start re-inserts exactly.
    from.Char = std::min(from.Char, m_lines.length(from.Line - 1) + 1);
    const QString removed = rawDelete(from, to);
    if (removed.isEmpty())
        return removed;
    undoRecord.reason = reason;
    undoRecord.start = from;
    undoRecord.end = endOfInsertion(from, removed);
    undoRecord.selectionMode = m_selectionMode;
    undoRecord.text = removed;
    record(std::move(undoRecord));
    return removed;
}

// --- editing operations -------------------------------------------------------------

void EditModel::deleteSelection()
{
    if (!SelAvail() || m_lines.isEmpty())
        return;
    const TBufferCoord begin = BlockBegin();
    const TBufferCoord end = BlockEnd();
    m_history.beginBlock();
    switch (m_selectionMode) {
    case TSelectionMode::smNormal: {
        // A selection that starts in virtual space joins at the line's end; the caret
        // goes there, not into the text pulled up from the line below.
        TBufferCoord at = clamp(begin, false);
        if (end.Line > begin.Line)
            at.Char = std::min(at.Char, m_lines.length(at.Line - 1) + 1);
        deleteText(begin, end, TChangeReason::Delete);
        setSelection(at, at);
        setCaretOnly(at);
        break;
    }
    case TSelectionMode::smLine: {
        const int lastLine = std::min(end.Line, m_lines.Count());
        TBufferCoord from{1, begin.Line};
        TBufferCoord to{1, lastLine + 1};
        if (lastLine == m_lines.Count()) {
            to = {m_lines.length(lastLine - 1) + 1, lastLine};
            if (begin.Line > 1)
                from = {m_lines.length(begin.Line - 2) + 1, begin.Line - 1};
        }
        deleteText(from, to, TChangeReason::Delete);
        const TBufferCoord caret = clamp({1, begin.Line}, true);
        setSelection(caret, caret);
        setCaretOnly(caret);
        break;
    }
    case TSelectionMode::smColumn: {
        const auto [left, right] = columnSelectionColumns();
        const int lastLine = std::min(end.Line, m_lines.Count());
        for (int line = begin.Line; line <= lastLine; ++line)
            deleteText({charColumnAt(line, left), line}, {charColumnAt(line, right), line},
                       TChangeReason::Delete);
        const TBufferCoord caret{charColumnAt(begin.Line, left), begin.Line};
        setSelection(caret, caret);
        setCaretOnly(caret);
        break;
    }
    }
    m_history.endBlock();
    revealCaret();
}

void EditModel::insertColumnBlock(const QString &text)
{
    const QStringList parts = splitBreaks(text);
    const int column = displayColumn(m_caret.Line, m_caret.Char);
    TBufferCoord end = m_caret;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const int line = m_caret.Line + int(i);
        if (line > m_lines.Count()) {
            const int last = std::max(1, m_lines.Count());
            insertText({m_lines.length(last - 1) + 1, last}, kCrLf, TChangeReason::Paste);
        }
        const int length = m_lines.length(line - 1);
        const int lineDisplayEnd = displayColumn(line, length + 1);
        const int at = column <= lineDisplayEnd ? charColumnAt(line, column)
                                                : length + 1 + (column - lineDisplayEnd);
        end = insertText({at, line}, parts[i], TChangeReason::Paste);
    }
    // An empty last row inserts nothing, so its column may lie past the limit of a short line.
    end = clamp(end, false);
    setSelection(end, end);
    setCaretOnly(end);
}

void EditModel::insertLineBlock(const QString &text)
{
    QString block = text;
    if (!block.endsWith(u'\n') && !block.endsWith(u'\r'))
        block += kCrLf;
    const TBufferCoord end = insertText({1, m_caret.Line}, block, TChangeReason::Paste);
    setSelection(end, end);
    setCaretOnly(clamp(end, false));
}

void EditModel::replaceRange(TBufferCoord from, TBufferCoord to, const QString &text)
{
    // A range past the last line reads as the end of the text, as selections read.
    auto onText = [this](TBufferCoord position) {
        const int last = std::max(1, m_lines.Count());
        if (position.Line > last)
            return TBufferCoord{m_lines.length(last - 1) + 1, last};
        return clamp(position, false);
    };
    from = onText(from);
    to = std::max(from, onText(to));
    m_history.beginBlock();
    const bool outer = m_standaloneCommand;
    m_standaloneCommand = true;
    deleteText(from, to, TChangeReason::Delete);
    insertText(from, text, TChangeReason::Insert);
    m_standaloneCommand = outer;
    m_history.endBlock();
    // Caret, selection and view stay where they were unless the change took their line or
    // their column away; then they come back onto the text and within the column limit.
    setSelection(clamp(m_anchor, false), clamp(m_moving, false));
    setCaretOnly(clamp(m_caret, false));
    m_view.setTopLine(m_view.topLine());
}

void EditModel::setSelText(const QString &text, TSelectionMode mode, TChangeReason reason)
{
    m_history.beginBlock();
    const bool outer = m_standaloneCommand;
    m_standaloneCommand = outer || SelAvail();
    deleteSelection();
    switch (mode) {
    case TSelectionMode::smNormal: {
        const TBufferCoord end = insertText(m_caret, text, reason);
        setSelection(end, end);
        setCaretOnly(end);
        break;
    }
    case TSelectionMode::smLine:
        insertLineBlock(text);
        break;
    case TSelectionMode::smColumn:
        insertColumnBlock(text);
        break;
    }
    m_standaloneCommand = outer;
    m_history.endBlock();
    revealCaret();
}

bool EditModel::canPaste() const
{
    return m_clipboard && m_clipboard->hasText();
}

void EditModel::copyToClipboard()
{
    if (m_clipboard && SelAvail())
        m_clipboard->setBlock(SelText(), m_selectionMode);
}

void EditModel::cutToClipboard()
{
    if (!SelAvail())
        return;
    copyToClipboard();
    deleteSelection();
}

void EditModel::pasteFromClipboard()
{
    if (!m_clipboard)
        return;
    const std::optional<ClipboardBlock> block = m_clipboard->block();
    if (!block || block->text.isEmpty())
        return;
    setSelText(withFileLineBreaks(block->text), block->mode.value_or(TSelectionMode::smNormal),
               TChangeReason::Paste);
}

} // namespace bp
