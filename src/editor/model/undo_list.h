#pragma once

#include "buffer_coord.h"
#include "text_pieces.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

namespace bp {

enum class TChangeReason
{
    Insert,
    Paste,
    DragDropInsert,
    Delete,
    LineBreak,
    Indent,
    Unindent,
};

// The lines a record that swaps lines covers (0-based): consecutive ones from `first`, or,
// when `indexes` is not empty, just those (ascending).
struct LineSet
{
    int first = 0;
    std::vector<int> indexes;

    int at(std::size_t i) const { return indexes.empty() ? first + int(i) : indexes[i]; }
};

// One recorded text change. Inserted text runs from `start` to `end`; for a deletion
// `text` holds what was removed at `start` and `end` is where it ends when put back. An
// undone deletion waits on the redo list without its text, which the document holds again;
// the redo's removal gives it back. Records of one command share `changeNumber`.
//
// A record that `swapsLines` covers lines `start.Line` to `end.Line` at once (a block
// indent, a comment toggle, a column edit): `text` holds the other version of those lines,
// one piece per line, and undo and redo exchange it with the document's. One bulk command is
// then one record however many lines it touches. With `lineIndexes` it covers only those
// lines (0-based, ascending), one piece each: a change scattered over a long text keeps none
// of the lines it leaves alone.
struct TUndoRecord
{
    TChangeReason reason = TChangeReason::Insert;
    TBufferCoord start;
    TBufferCoord end;
    TSelectionMode selectionMode = TSelectionMode::smNormal;
    TextPieces text;
    int changeNumber = 0;
    bool swapsLines = false;
    std::vector<int> lineIndexes;
    // A command of its own (a replaced range, a whole-line replacement by an aid): never
    // undone together with the commands around it, whatever their kinds.
    bool standalone = false;
    // Part of a character typed over another in overwrite mode: a delete and an insert that
    // still belong to the run of typed characters around them.
    bool overwrite = false;
    // Where the caret and the selection's ends stand.
    struct Marks
    {
        TBufferCoord caret;
        TBufferCoord anchor;
        TBufferCoord moving;
    };
    // Caret and selection before the change, restored when it is undone.
    Marks before;
    // Caret and selection after the change, restored on redo (records that swap lines
    // only; other changes put the caret at the end of what they inserted).
    Marks after;

    bool isBlockIndent() const
    {
        return reason == TChangeReason::Indent || reason == TChangeReason::Unindent;
    }

    bool isInsertion() const
    {
        return reason == TChangeReason::Insert || reason == TChangeReason::Paste ||
               reason == TChangeReason::DragDropInsert || reason == TChangeReason::LineBreak ||
               reason == TChangeReason::Indent;
    }
};

// A bounded stack of change records: beyond the limit the oldest commands are discarded,
// each with all its records, so no undo step is left half there. The newest command is
// never cut, even when it alone holds more records than the limit.
class TUndoList
{
public:
    static constexpr int kMaxRecords = 1024;

    void push(TUndoRecord record)
    {
        const int newest = record.changeNumber;
        m_records.push_back(std::move(record));
        while (int(m_records.size()) > kMaxRecords && m_records.front().changeNumber != newest) {
            const int oldest = m_records.front().changeNumber;
            while (m_records.front().changeNumber == oldest)
                m_records.pop_front();
        }
    }
    bool isEmpty() const { return m_records.empty(); }
    int size() const { return int(m_records.size()); }
    const TUndoRecord &top() const { return m_records.back(); }
    // The record `index` places above the oldest one kept.
    const TUndoRecord &at(int index) const { return m_records[std::size_t(index)]; }
    // Whether `next`, of another command, goes back in the same undo step as `replayed`:
    // both of one change kind, other than a block indent or unindent. A character typed over
    // another counts as an insertion, so an overwritten run goes back in one step; a
    // standalone command never joins its neighbours.
    static bool continuesRun(const TUndoRecord &replayed, const TUndoRecord &next)
    {
        if (replayed.standalone || next.standalone || replayed.isBlockIndent() ||
            next.isBlockIndent())
            return false;
        const auto kind = [](const TUndoRecord &record) {
            return record.overwrite ? TChangeReason::Insert : record.reason;
        };
        return kind(replayed) == kind(next);
    }
    TUndoRecord pop()
    {
        TUndoRecord record = std::move(m_records.back());
        m_records.pop_back();
        return record;
    }
    void clear() { m_records.clear(); }

private:
    std::deque<TUndoRecord> m_records;
};

} // namespace bp
