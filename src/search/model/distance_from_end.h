#pragma once

#include "editor/model/buffer_coord.h"
#include "editor/model/editor_lines.h"

#include <algorithm>

namespace bp {

// How far a position stands from the end of the text. The text after a replacement does not
// move, so the same distance finds a position behind it again once it is made.
struct DistanceFromEnd
{
    int lines = 0;
    int chars = 0;
};

inline DistanceFromEnd distanceFromEnd(const TEditorLines &lines, TBufferCoord position)
{
    const int line = std::clamp(position.Line, 1, std::max(1, lines.Count()));
    return {lines.Count() - line, lines.length(line - 1) + 1 - position.Char};
}

inline TBufferCoord positionAt(const TEditorLines &lines, DistanceFromEnd distance)
{
    const int line = std::max(1, lines.Count() - distance.lines);
    return {std::max(1, lines.length(line - 1) + 1 - distance.chars), line};
}

} // namespace bp
