#pragma once

#include <QStringView>
#include <vector>

namespace bp {

class PrintMetrics;

// How many columns a row holds within `maxWidth` dots: the number of "W" characters whose
// joint width stays below `maxWidth` (at least one).
int wrapColumnCount(int maxWidth, const PrintMetrics &metrics);

// Where a printed line of more than `columns` characters breaks into rows: the index of the
// first character of every row after the first, ascending; empty for a line that fits.
// Rows break after the latest space, tab, comma or hyphen that keeps them within `columns`;
// a line without any of those breaks after ")", "." or ";"; a line without those either is
// cut every `columns` characters. A stretch without a break character runs on to the next
// one, so such a row may be longer than `columns`.
std::vector<int> wrapLine(QStringView line, int columns);

} // namespace bp
