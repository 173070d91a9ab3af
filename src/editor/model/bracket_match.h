#pragma once

#include "buffer_coord.h"

#include <QtGlobal>
#include <optional>

namespace bp {

class TEditorLines;
class TextRules;

// The partner of the bracket at `at` (one of ( ) [ ] { } < >): searched forwards from an
// opening and backwards from a closing bracket, across lines, counting nesting of the same
// pair. Brackets that `rules` places in strings and comments do not count (null: none do).
// Nothing when `at` holds no bracket or the bracket has no partner.
//
// Linear in the text it passes: each line is read once, and the strings and comments of a
// line are asked for once, only when the line holds a bracket of the pair. The walk stops,
// finding no partner, once it has read kBracketSearchLimit characters (line breaks count as
// one), so an unmatched bracket in a very large text answers as quickly as a near one.
inline constexpr qsizetype kBracketSearchLimit = qsizetype(1) << 21;
std::optional<TBufferCoord> findMatchingBracket(const TEditorLines &lines, TBufferCoord at,
                                                const TextRules *rules);

} // namespace bp
