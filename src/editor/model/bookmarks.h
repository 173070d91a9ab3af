#pragma once

#include "buffer_coord.h"

#include <QObject>
#include <array>
#include <optional>

namespace bp {

// The ten numbered bookmarks of a document, each a caret position or unset. They follow the
// lines they stand on: lines inserted above move them down, lines removed above move them
// up, and a bookmark on a removed line goes with it.
class Bookmarks : public QObject
{
    Q_OBJECT
public:
    static constexpr int kCount = 10;

    // Bookmark `number` (0..9); nothing for an unset one or a number out of range.
    std::optional<TBufferCoord> at(int number) const;
    // On the line of `position` bookmark `number` is cleared; elsewhere set or moved there.
    void toggle(int number, TBufferCoord position);

    // Line list changes (0-based indexes). Into an empty list the first line takes the
    // place of the one the view showed, so a bookmark there stays on line 1.
    void linesInserted(int index, int count, bool intoEmptyList);
    void linesDeleted(int index, int count);
    void clear();

signals:
    void changed();

private:
    std::array<std::optional<TBufferCoord>, kCount> m_marks;
};

} // namespace bp
