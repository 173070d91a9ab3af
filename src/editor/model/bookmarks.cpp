#include "bookmarks.h"

namespace bp {

std::optional<TBufferCoord> Bookmarks::at(int number) const
{
    if (number < 0 || number >= kCount)
        return std::nullopt;
    return m_marks[number];
}

void Bookmarks::toggle(int number, TBufferCoord position)
{
    if (number < 0 || number >= kCount)
        return;
    std::optional<TBufferCoord> &mark = m_marks[number];
    if (mark && mark->Line == position.Line)
        mark.reset();
    else
        mark = position;
    emit changed();
}

void Bookmarks::linesInserted(int index, int count, bool intoEmptyList)
{
    if (intoEmptyList)
        return;
    bool moved = false;
    for (std::optional<TBufferCoord> &mark : m_marks) {
        if (mark && mark->Line - 1 >= index) {
            mark->Line += count;
            moved = true;
        }
    }
    if (moved)
        emit changed();
}

void Bookmarks::linesDeleted(int index, int count)
{
    bool touched = false;
    for (std::optional<TBufferCoord> &mark : m_marks) {
        if (!mark || mark->Line - 1 < index)
            continue;
        if (mark->Line - 1 < index + count)
            mark.reset();
        else
            mark->Line -= count;
        touched = true;
    }
    if (touched)
        emit changed();
}

void Bookmarks::clear()
{
    m_marks.fill(std::nullopt);
    emit changed();
}

} // namespace bp
