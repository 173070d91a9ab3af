#pragma once

#include "undo_list.h"

#include <QObject>
#include <functional>

namespace bp {

// The undo and redo histories of a document and the numbering that groups records into
// commands. The model records every text change here and replays the records it gets back;
// the history decides what one undo step is and tells listeners when a step entered it.
class UndoHistory : public QObject
{
    Q_OBJECT
public:
    bool canUndo() const { return !m_undo.isEmpty(); }
    bool canRedo() const { return !m_redo.isEmpty(); }
    const TUndoList &undoList() const { return m_undo; }

    // Records made between these calls form one command: one change number, one
    // notification at the end, none when nothing was recorded. Calls nest.
    void beginBlock();
    void endBlock();

    // Adds `record` as (part of) the newest command and empties the redo history.
    void record(TUndoRecord record);
    void clear();

    // Takes back one undo step (or redoes one), calling `replay` for each of its records
    // newest first; the records move to the other history. Notifies once per step.
    using Replay = std::function<void(TUndoRecord &record, bool undo)>;
    void undo(const Replay &replay);
    void redo(const Replay &replay);

signals:
    // Whether undo or redo is possible may have changed.
    void stateChanged();
    // An editing step entered the history (or was undone or redone).
    void stepRecorded();

private:
    void replaySteps(TUndoList &from, TUndoList &to, bool undo, const Replay &replay);

    TUndoList m_undo;
    TUndoList m_redo;
    int m_changeNumber = 0;
    int m_blockDepth = 0;
    int m_blockChangeNumber = 0;
    bool m_blockRecorded = false;
};

} // namespace bp
