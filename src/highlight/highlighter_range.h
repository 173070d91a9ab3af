#pragma once

#include <cstdint>

namespace bp {

// The state a highlighter carries from the end of one line to the start of the next. The
// framework and the line list only store and compare it.
using TRange = std::intptr_t;

// The range a line holds until it is first scanned. No highlighter state equals it, so a
// rescan never stops on a line that was never scanned.
inline constexpr TRange kUnscannedRange = -1;

} // namespace bp
