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
    // One step: the newest command, then on while the next command continues the same run:
    // both have one kind of record, the same one, so the next record has the kind of the one
    // just reverted. Typed characters, Backspace presses or plain line breaks go back as a
    // run; a line break that copied indentation, a replaced selection and a block indent
    // stand alone, so one step never crosses them.
    if (from.isEmpty())
        return;
    for (;;) {
        const std::optional<TChangeReason> kind = from.topRunKind();
        const int number = from.top().changeNumber;
        while (!from.isEmpty() && from.top().changeNumber == number) {
            TUndoRecord record = from.pop();
            replay(record, undo);
            to.push(std::move(record));
        }
        if (!kind || from.isEmpty() || from.topRunKind() != kind)
            break;
    }
    // Listeners hear of the step once, however many records it replayed.
    emit stateChanged();
    emit stepRecorded();
}

} // namespace bp
