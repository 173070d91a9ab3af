#pragma once

#include "buffer_coord.h"

#include <functional>
#include <optional>

namespace bp {

class TEditorLines;

// The partner of the bracket at `at` (one of ( ) [ ] { } < >): searched forwards from an
// opening and backwards from a closing bracket, across lines, counting nesting of the same
// pair. Brackets where `skip` says true (inside strings and comments) do not count.
// Nothing when `at` holds no bracket or the bracket has no partner.
std::optional<TBufferCoord> findMatchingBracket(const TEditorLines &lines, TBufferCoord at,
                                                const std::function<bool(TBufferCoord)> &skip);

} // namespace bp
