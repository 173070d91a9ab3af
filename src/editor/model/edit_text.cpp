// The recorded primitives of EditModel, which every text change goes through, and their
// replay for undo and redo.
#include "edit_model.h"

#include <algorithm>

namespace bp {

// --- undo ---------------------------------------------------------------------------

void EditModel::record(TUndoRecord undoRecord)
{
    if (m_replaying)
        return;
    undoRecord.standalone = m_recordKind.standalone;
    undoRecord.overwrite = m_recordKind.overwrite;
    m_history.record(std::move(undoRecord));
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
    // Where the recorded text ends, kept apart from it: the text may be with the document.
    const TBufferCoord textEnd = undoRecord.end;
    // A record on its way to the redo list gives its strings to the document, and the removal
    // that redoes it takes them back: a block of a million lines moves, it is not copied. A
    // record that stays readable on the undo list keeps its own.
    if (removes)
        undoRecord.text = rawDelete(undoRecord.start, textEnd);
    else
        rawInsert(undoRecord.start, undoRecord.text, undo);
    if (undo)
        return undoRecord.before;
    const TBufferCoord after = removes ? undoRecord.start : textEnd;
    return {after, after, after};
}

// --- text primitives ----------------------------------------------------------------

TBufferCoord EditModel::rawInsert(TBufferCoord at, TextPieces &text, bool takeStrings)
{
    if (m_lines.isEmpty())
        m_lines.Add(QString());
    const int index = at.Line - 1;
    Q_ASSERT(index >= 0 && index < m_lines.Count());
    const QStringView current = m_lines.view(index);
    const int column = std::min<int>(at.Char - 1, int(current.size()));
    std::vector<QString> &pieces = text.pieces();
    const int breaks = text.breakCount();
    if (column == 0 && breaks > 0 && pieces.back().isEmpty()) {
        // Whole lines go in before the line, so what follows the line (bookmarks, stored
        // ranges) moves down with it.
        if (takeStrings) {
            pieces.pop_back();
            m_lines.insertLines(index, std::move(pieces));
        } else {
            m_lines.insertLines(index, std::span<const QString>(pieces.data(), pieces.size() - 1));
        }
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
    const TBufferCoord end{int(pieces.back().size()) + 1, at.Line + breaks};
    if (takeStrings) {
        pieces.back() += tail;
        m_lines.insertLines(index + 1, std::move(pieces), 1);
    } else if (tail.isEmpty()) {
        // The recorded lines go back as they are, sharing their characters.
        m_lines.insertLines(index + 1, std::span<const QString>(pieces.data() + 1, breaks));
    } else {
        std::vector<QString> added(pieces.begin() + 1, pieces.end());
        added.back() += tail;
        m_lines.insertLines(index + 1, std::move(added));
    }
    return end;
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
    // The removed lines keep their strings: nothing in between is copied or cut again, and a
    // block of most of the text moves into the record as it stands.
    std::vector<QString> removed;
    m_lines.joinLines(first, last - first + 1,
                      firstLine.left(fromColumn) + QStringView(lastLine).mid(toColumn), removed);
    removed.front() = firstLine.mid(fromColumn);
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
    const TBufferCoord end = rawInsert(at, undoRecord.text, false);
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

void EditModel::exchangeLines(LineSet lines, std::vector<QString> texts, TChangeReason reason,
                              TUndoRecord::Marks after, std::optional<TBufferCoord> redoCaret)
{
    Q_ASSERT(!texts.empty() && (lines.indexes.empty() || lines.indexes.size() == texts.size()));
    TUndoRecord undoRecord;
    undoRecord.before = marks();
    undoRecord.reason = reason;
    undoRecord.swapsLines = true;
    undoRecord.start = {1, lines.at(0) + 1};
    undoRecord.end = {1, lines.at(texts.size() - 1) + 1};
    undoRecord.selectionMode = m_selectionMode;
    if (lines.indexes.empty())
        m_lines.exchangeLines(lines.first, texts);
    else
        m_lines.exchangeLines(lines.indexes, texts);
    undoRecord.text = TextPieces(std::move(texts));
    undoRecord.lineIndexes = std::move(lines.indexes);
    undoRecord.after = redoCaret ? TUndoRecord::Marks{*redoCaret, *redoCaret, *redoCaret} : after;
    record(std::move(undoRecord));
    setSelection(after.anchor, after.moving);
    setCaretOnly(after.caret);
}

} // namespace bp
