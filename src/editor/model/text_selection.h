#pragma once

#include "buffer_coord.h"

#include <algorithm>

namespace bp {

// A selection as a value: where it was started (`anchor`), where it was extended to
// (`moving`) and its mode. In column mode its characters form the rectangle the two corners
// span; otherwise it runs in text order between them.
struct TextSelection
{
    TBufferCoord anchor;
    TBufferCoord moving;
    TSelectionMode mode = TSelectionMode::smNormal;

    TBufferCoord begin() const
    {
        if (mode == TSelectionMode::smColumn)
            return {std::min(anchor.Char, moving.Char), std::min(anchor.Line, moving.Line)};
        return std::min(anchor, moving);
    }
    TBufferCoord end() const
    {
        if (mode == TSelectionMode::smColumn)
            return {std::max(anchor.Char, moving.Char), std::max(anchor.Line, moving.Line)};
        return std::max(anchor, moving);
    }
    // A column selection one column wide is empty however many lines it spans.
    bool isEmpty() const
    {
        return anchor.Char == moving.Char &&
               (anchor.Line == moving.Line || mode == TSelectionMode::smColumn);
    }
    // Whether `position` lies inside (its ends included); an empty selection holds nothing.
    bool contains(TBufferCoord position) const
    {
        if (isEmpty())
            return false;
        const TBufferCoord first = begin();
        const TBufferCoord last = end();
        switch (mode) {
        case TSelectionMode::smNormal:
            return first <= position && position <= last;
        case TSelectionMode::smLine:
            return position.Line >= first.Line && position.Line <= last.Line;
        case TSelectionMode::smColumn:
            return position.Line >= first.Line && position.Line <= last.Line &&
                   position.Char >= first.Char && position.Char <= last.Char;
        }
        return false;
    }
};

} // namespace bp
