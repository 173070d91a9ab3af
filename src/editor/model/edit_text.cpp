// The text changes of EditModel: the recorded primitives every edit goes through, their
// replay for undo and redo, and the operations that replace a selection or whole lines.
#include "edit_model.h"

#include "text_difference.h"

#include "common/error.h"

#include <algorithm>

namespace bp {
namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Where replacing `old` by `changed` on `line` leaves the caret: after what the differing part
// inserted, or where it removed; none when the texts are equal.
std::optional<TBufferCoord> changeEnd(QStringView old, QStringView changed, int line)
{
    if (old == changed)
        return std::nullopt;
    return TBufferCoord{int(changed.size() - differingPart(old, changed).suffix) + 1, line};
}

} // namespace

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
    replayStep(true);
}

void EditModel::redo()
{
    replayStep(false);
}

void EditModel::replayStep(bool undo)
{
    // The records only change the text; caret, selection and view follow once, from the
    // last record replayed, so a step of many records moves them once.
    TUndoRecord::Marks marks{m_caret, m_anchor, m_moving};
    const auto apply = [&](TUndoRecord &undoRecord, bool undoing) {
        marks = replay(undoRecord, undoing);
    };
    m_replaying = true;
    if (undo)
        m_history.undo(apply);
    else
        m_history.redo(apply);
    m_replaying = false;
    setSelection(marks.anchor, marks.moving);
    setCaretOnly(marks.caret);
    revealCaret();
}

TUndoRecord::Marks EditModel::replay(TUndoRecord &undoRecord, bool undo)
{
    if (undoRecord.swapsLines) {
        if (undoRecord.lineIndexes.empty())
            m_lines.exchangeLines(undoRecord.start.Line - 1, undoRecord.text.pieces());
        else
            m_lines.exchangeLines(undoRecord.lineIndexes, undoRecord.text.pieces());
        return undo ? undoRecord.before : undoRecord.after;
    }
    const bool removes = undoRecord.isInsertion() == undo;
    if (removes)
        rawDelete(undoRecord.start, undoRecord.text.endWhenInsertedAt(undoRecord.start));
    else
        rawInsert(undoRecord.start, undoRecord.text);
    if (undo)
        return undoRecord.before;
    const TBufferCoord after =
        removes ? undoRecord.start : undoRecord.text.endWhenInsertedAt(undoRecord.start);
    return {after, after, after};
}

// --- text primitives ----------------------------------------------------------------

TBufferCoord EditModel::rawInsert(TBufferCoord at, const TextPieces &text)
{
    if (m_lines.isEmpty())
        m_lines.Add(QString());
    const int index = at.Line - 1;
    Q_ASSERT(index >= 0 && index < m_lines.Count());
    const QStringView current = m_lines.view(index);
    const int column = std::min<int>(at.Char - 1, int(current.size()));
    const std::vector<QString> &pieces = text.pieces();
    const int breaks = text.breakCount();
    if (column == 0 && breaks > 0 && pieces.back().isEmpty()) {
        // Whole lines go in before the line, so what follows the line (bookmarks, stored
        // ranges) moves down with it.
        m_lines.insertLines(index, std::span<const QString>(pieces.data(), pieces.size() - 1));
        return {1, at.Line + breaks};
    }
    if (breaks == 0) {
        // Built once from the stored text: a keystroke copies a long line only once.
        QString line;
        line.reserve(current.size() + pieces.front().size());
        line.append(current.left(column)).append(pieces.front()).append(current.mid(column));
        m_lines.setLine(index, line);
        return {column + 1 + int(pieces.front().size()), at.Line};
    }
    const QString tail = current.mid(column).toString();
    QString line = current.left(column).toString() + pieces.front();
    m_lines.setLine(index, line);
    if (tail.isEmpty()) {
        // The recorded lines go back as they are, sharing their characters.
        m_lines.insertLines(index + 1, std::span<const QString>(pieces.data() + 1, breaks));
    } else {
        std::vector<QString> added(pieces.begin() + 1, pieces.end());
        added.back() += tail;
        m_lines.insertLines(index + 1, std::move(added));
    }
    return {int(pieces.back().size()) + 1, at.Line + breaks};
}

TextPieces EditModel::rawDelete(TBufferCoord from, TBufferCoord to)
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
        TextPieces removed(
            std::vector<QString>{current.sliced(fromColumn, toColumn - fromColumn).toString()});
        QString line;
        line.reserve(current.size() - (toColumn - fromColumn));
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
        std::vector<QString> removed;
        removed.reserve(last - first + 1);
        m_lines.takeLines(first, last - first, removed);
        removed.emplace_back();
        return TextPieces(std::move(removed));
    }
    // The removed lines keep their strings: nothing in between is copied or cut again.
    m_lines.setLine(first, firstLine.left(fromColumn) + QStringView(lastLine).mid(toColumn));
    std::vector<QString> removed;
    removed.reserve(last - first + 1);
    removed.push_back(firstLine.mid(fromColumn));
    m_lines.takeLines(first + 1, last - first, removed);
    removed.back() = lastLine.left(toColumn);
    return TextPieces(std::move(removed));
}

TBufferCoord EditModel::insertText(TBufferCoord at, const QString &text, TChangeReason reason)
{
    if (text.isEmpty())
        return at;
    TUndoRecord undoRecord;
    undoRecord.before = {m_caret, m_anchor, m_moving};
    // Text inserted in virtual space first fills the line up to the insertion column.
    const int length = m_lines.length(at.Line - 1);
    QString inserted = text;
    if (at.Char > length + 1) {
        inserted.prepend(virtualFill(at.Line, at.Char));
        at.Char = length + 1;
    }
    undoRecord.text = TextPieces(inserted);
    const TBufferCoord end = rawInsert(at, undoRecord.text);
    undoRecord.reason = reason;
    undoRecord.start = at;
    undoRecord.end = end;
    undoRecord.selectionMode = m_selectionMode;
    record(std::move(undoRecord));
    return end;
}

void EditModel::deleteText(TBufferCoord from, TBufferCoord to, TChangeReason reason)
{
    TUndoRecord undoRecord;
    undoRecord.before = {m_caret, m_anchor, m_moving};
    // Normalise both ends into the text so the record's start re-inserts exactly.
    from.Char = std::min(from.Char, m_lines.length(from.Line - 1) + 1);
    TextPieces removed = rawDelete(from, to);
    if (removed.isEmpty())
        return;
    undoRecord.reason = reason;
    undoRecord.start = from;
    undoRecord.end = removed.endWhenInsertedAt(from);
    undoRecord.selectionMode = m_selectionMode;
    undoRecord.text = std::move(removed);
    record(std::move(undoRecord));
}

void EditModel::exchangeLines(int first, std::vector<QString> texts, TChangeReason reason,
                              TUndoRecord::Marks after, std::optional<TBufferCoord> redoCaret)
{
    TUndoRecord undoRecord;
    undoRecord.before = {m_caret, m_anchor, m_moving};
    undoRecord.reason = reason;
    undoRecord.swapsLines = true;
    undoRecord.start = {1, first};
    undoRecord.end = {1, first + int(texts.size()) - 1};
    undoRecord.selectionMode = m_selectionMode;
    m_lines.exchangeLines(first - 1, texts);
    undoRecord.text = TextPieces(std::move(texts));
    undoRecord.after = redoCaret ? TUndoRecord::Marks{*redoCaret, *redoCaret, *redoCaret} : after;
    record(std::move(undoRecord));
    setSelection(after.anchor, after.moving);
    setCaretOnly(after.caret);
}

void EditModel::replaceLines(int first, std::vector<QString> texts,
                             std::optional<TBufferCoord> redoCaret)
{
    if (texts.empty())
        return;
    if (m_lines.isEmpty())
        m_lines.Add(QString());
    first = std::clamp(first, 1, m_lines.Count());
    texts.resize(std::min<std::size_t>(texts.size(), m_lines.Count() - first + 1));
    // Caret and view stay unless the caret's column is gone; the selection empties at the
    // caret, as after any direct change of lines.
    TBufferCoord caret = m_caret;
    const int caretIndex = caret.Line - first;
    const int caretLength = caretIndex >= 0 && caretIndex < int(texts.size())
                                ? int(texts[caretIndex].size())
                                : m_lines.length(caret.Line - 1);
    caret.Char = std::clamp(caret.Char, 1, std::max(kMaxCaretColumn, caretLength + 1));
    // Redo leaves the caret where replacing the last changed line's differing part puts it:
    // after what that part inserted, or where it removed.
    std::optional<TBufferCoord> lastChange;
    for (int i = int(texts.size()) - 1; i >= 0 && !lastChange; --i)
        lastChange = changeEnd(m_lines.view(first + i - 1), texts[i], first + i);
    if (!lastChange)
        return;
    if (!redoCaret)
        redoCaret = lastChange;
    m_history.beginBlock();
    const bool outer = m_standaloneCommand;
    m_standaloneCommand = true;
    exchangeLines(first, std::move(texts), TChangeReason::Insert, {caret, caret, caret}, redoCaret);
    m_standaloneCommand = outer;
    m_history.endBlock();
}

void EditModel::exchangeSparseLines(std::vector<int> indexes, std::vector<QString> texts,
                                    TUndoRecord::Marks after, std::optional<TBufferCoord> redoCaret)
{
    TUndoRecord undoRecord;
    undoRecord.before = {m_caret, m_anchor, m_moving};
    undoRecord.reason = TChangeReason::Insert;
    undoRecord.swapsLines = true;
    undoRecord.start = {1, indexes.front() + 1};
    undoRecord.end = {1, indexes.back() + 1};
    undoRecord.selectionMode = m_selectionMode;
    m_lines.exchangeLines(indexes, texts);
    undoRecord.text = TextPieces(std::move(texts));
    undoRecord.lineIndexes = std::move(indexes);
    undoRecord.after = redoCaret ? TUndoRecord::Marks{*redoCaret, *redoCaret, *redoCaret} : after;
    record(std::move(undoRecord));
    setSelection(after.anchor, after.moving);
    setCaretOnly(after.caret);
}

void EditModel::replaceSparseLines(std::vector<int> lineNumbers, std::vector<QString> texts,
                                   std::optional<TBufferCoord> redoCaret)
{
    if (lineNumbers.size() != texts.size())
        throw Error(QStringLiteral("%1 line numbers given for %2 lines")
                        .arg(lineNumbers.size())
                        .arg(texts.size()));
    if (texts.empty())
        return;
    const int count = std::max(1, m_lines.Count());
    for (std::size_t i = 0; i < lineNumbers.size(); ++i) {
        const int number = lineNumbers[i];
        if (number < 1 || number > count || (i > 0 && number <= lineNumbers[i - 1]))
            throw Error(QStringLiteral("Line %1 cannot be replaced here: the lines run from 1 to "
                                       "%2 in ascending order")
                            .arg(number)
                            .arg(count));
    }
    if (m_lines.isEmpty())
        m_lines.Add(QString());
    // As replaceLines: the caret keeps its line and column within the column limit.
    TBufferCoord caret = m_caret;
    const auto caretEntry = std::lower_bound(lineNumbers.begin(), lineNumbers.end(), caret.Line);
    const int caretLength = caretEntry != lineNumbers.end() && *caretEntry == caret.Line
                                ? int(texts[caretEntry - lineNumbers.begin()].size())
                                : m_lines.length(caret.Line - 1);
    caret.Char = std::clamp(caret.Char, 1, std::max(kMaxCaretColumn, caretLength + 1));
    std::optional<TBufferCoord> lastChange;
    for (int i = int(texts.size()) - 1; i >= 0 && !lastChange; --i)
        lastChange = changeEnd(m_lines.view(lineNumbers[i] - 1), texts[i], lineNumbers[i]);
    if (!lastChange)
        return;
    if (!redoCaret)
        redoCaret = lastChange;
    for (int &number : lineNumbers)
        --number;
    m_history.beginBlock();
    const bool outer = m_standaloneCommand;
    m_standaloneCommand = true;
    exchangeSparseLines(std::move(lineNumbers), std::move(texts), {caret, caret, caret}, redoCaret);
    m_standaloneCommand = outer;
    m_history.endBlock();
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
    case TSelectionMode::smColumn:
        deleteColumnBlock(begin.Line, std::min(end.Line, m_lines.Count()));
        break;
    }
    m_history.endBlock();
    revealCaret();
}

void EditModel::deleteColumnBlock(int firstLine, int lastLine)
{
    // One record for the whole rectangle, however many lines it spans.
    const auto [left, right] = columnSelectionColumns();
    const TBufferCoord caret{charColumnAt(firstLine, left), firstLine};
    LineBuffer buffer;
    qsizetype characters = 0;
    for (int line = firstLine; line <= lastLine; ++line)
        characters += m_lines.length(line - 1);
    buffer.reserve(characters, lastLine - firstLine + 1);
    // Redo leaves the caret where the rectangle's last non-empty slice was.
    std::optional<TBufferCoord> redoCaret;
    for (int line = firstLine; line <= lastLine; ++line) {
        const QStringView text = m_lines.view(line - 1);
        const int from = std::min<int>(charColumnAt(line, left) - 1, int(text.size()));
        const int to = std::min<int>(charColumnAt(line, right) - 1, int(text.size()));
        if (to <= from) {
            buffer.addLine(m_lines[line - 1]);
            continue;
        }
        buffer.append(text.first(from)).append(text.sliced(to)).endLine();
        redoCaret = {from + 1, line};
    }
    if (redoCaret) {
        exchangeLines(firstLine, buffer.takeLines(), TChangeReason::Delete, {caret, caret, caret},
                      redoCaret);
    } else {
        setSelection(caret, caret);
        setCaretOnly(caret);
    }
}

void EditModel::insertColumnBlock(const QString &text)
{
    TextPieces block(text);
    std::vector<QString> &parts = block.pieces();
    const int column = displayColumn(m_caret.Line, m_caret.Char);
    const int firstLine = m_caret.Line;
    const int lastLine = firstLine + block.breakCount();
    // Missing lines are added at the end first, all at once (the first break on an empty
    // document makes two lines).
    if (lastLine > m_lines.Count()) {
        const int breaks =
            m_lines.isEmpty() ? std::max(1, lastLine - 1) : lastLine - m_lines.Count();
        const int last = std::max(1, m_lines.Count());
        insertText({m_lines.length(last - 1) + 1, last}, kCrLf.repeated(breaks),
                   TChangeReason::Paste);
    }
    LineBuffer buffer;
    qsizetype characters = text.size();
    for (int line = firstLine; line <= lastLine; ++line)
        characters += m_lines.length(line - 1);
    buffer.reserve(characters, parts.size());
    TBufferCoord end = m_caret;
    bool changed = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int line = firstLine + int(i);
        const QStringView current = m_lines.view(line - 1);
        const int length = int(current.size());
        const int lineDisplayEnd = displayColumn(line, length + 1);
        const int at = column <= lineDisplayEnd ? charColumnAt(line, column)
                                                : length + 1 + (column - lineDisplayEnd);
        if (parts[i].isEmpty()) {
            buffer.addLine(m_lines[line - 1]);
            end = {at, line};
            continue;
        }
        // As typing it would: a start in virtual space first fills the line up to it.
        int start = at;
        if (at > length + 1) {
            const QString fill = virtualFill(line, at);
            start = length + 1 + int(fill.size());
            buffer.append(current).append(fill).append(parts[i]).endLine();
        } else {
            buffer.append(current.first(at - 1)).append(parts[i]).append(current.sliced(at - 1));
            buffer.endLine();
        }
        end = {start + int(parts[i].size()), line};
        changed = true;
    }
    // An empty last row inserts nothing, so its column may lie past the limit of a short line.
    const TBufferCoord caret = clamp(end, false);
    if (changed) {
        exchangeLines(firstLine, buffer.takeLines(), TChangeReason::Paste, {caret, caret, caret});
    } else {
        setSelection(caret, caret);
        setCaretOnly(caret);
    }
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
    m_history.endBlock();
    revealCaret();
}

} // namespace bp
