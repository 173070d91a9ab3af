#include "undo_history.h"

namespace bp {

void UndoHistory::beginBlock()
{
    if (m_blockDepth++ == 0) {
        m_blockChangeNumber = ++m_changeNumber;
        m_blockRecorded = false;
    }
}

void UndoHistory::endBlock()
{
    Q_ASSERT(m_blockDepth > 0);
    if (--m_blockDepth == 0 && m_blockRecorded) {
        m_blockRecorded = false;
        emit stateChanged();
        emit stepRecorded();
    }
}

void UndoHistory::record(TUndoRecord record)
{
    record.changeNumber = m_blockDepth > 0 ? m_blockChangeNumber : ++m_changeNumber;
    m_undo.push(std::move(record));
    m_redo.clear();
    if (m_blockDepth > 0) {
        m_blockRecorded = true;
    } else {
        emit stateChanged();
        emit stepRecorded();
    }
}

void UndoHistory::clear()
{
    const bool had = canUndo() || canRedo();
    m_undo.clear();
    m_redo.clear();
    if (had)
        emit stateChanged();
}

void UndoHistory::undo(const Replay &replay)
{
    replaySteps(m_undo, m_redo, true, replay);
}

void UndoHistory::redo(const Replay &replay)
{
    replaySteps(m_redo, m_undo, false, replay);
}

void UndoHistory::replaySteps(TUndoList &from, TUndoList &to, bool undo, const Replay &replay)
{
    // One step: the newest record, then on while the next one belongs to the same command or
    // continues the run of the record just replayed. Typed characters, Backspace presses or
    // plain line breaks go back as a run; a selection typed over goes back with the
    // characters typed after it, and stops at whatever came before the typing.
    if (from.isEmpty())
        return;
    for (;;) {
        TUndoRecord record = from.pop();
        replay(record, undo);
        const bool more = !from.isEmpty() && (from.top().changeNumber == record.changeNumber ||
                                              TUndoList::continuesRun(record, from.top()));
        to.push(std::move(record));
        if (!more)
            break;
    }
    // Listeners hear of the step once, however many records it replayed.
    emit stateChanged();
    emit stepRecorded();
}

} // namespace bp
