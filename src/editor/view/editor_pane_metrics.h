#pragma once

#include <QtGlobal>

namespace bp {

// Sizes the pane's parts share.
inline constexpr int kGutterRightOffset = 2;
inline constexpr int kGutterGradientSteps = 48;
// Lines at least this long keep the length of their plain start between paints.
inline constexpr qsizetype kLongLine = 4096;

} // namespace bp
