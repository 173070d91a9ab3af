#include "line_wrap.h"

#include "print_metrics.h"

#include <QString>

namespace bp {
namespace {

bool inFirstSet(QChar c)
{
    return c == u'\t' || c == u' ' || c == u',' || c == u'-';
}

bool inSecondSet(QChar c)
{
    return c == u')' || c == u'.' || c == u';';
}

// Breaks after the latest character of the set that keeps each row within `columns`.
template <typename BreakSet>
std::vector<int> breakAfterSet(QStringView line, int columns, BreakSet isBreak)
{
    std::vector<int> rowStarts;
    const int length = int(line.size());
    int rowStart = 0;
    int remembered = -1; // latest break character of the current row
    for (int pos = 0; pos < length; ++pos) {
        if (pos - rowStart >= columns && remembered >= 0) {
            rowStart = remembered + 1;
            rowStarts.push_back(rowStart);
            remembered = -1;
            if (length - rowStart <= columns)
                break;
        }
        if (isBreak(line[pos]))
            remembered = pos;
    }
    return rowStarts;
}

} // namespace

int wrapColumnCount(int maxWidth, const PrintMetrics &metrics)
{
    // Widths grow by about one column per "W"; start from that estimate and correct it.
    const int column = std::max(metrics.columnWidth(), 1);
    int count = std::max(maxWidth / column, 1);
    auto widthOf = [&](int n) { return metrics.textWidth(QString(n, u'W')); };
    while (count > 1 && widthOf(count) >= maxWidth)
        --count;
    while (widthOf(count + 1) < maxWidth)
        ++count;
    return count;
}

std::vector<int> wrapLine(QStringView line, int columns)
{
    columns = std::max(columns, 1);
    if (line.size() <= columns)
        return {};
    std::vector<int> rowStarts = breakAfterSet(line, columns, inFirstSet);
    if (rowStarts.empty())
        rowStarts = breakAfterSet(line, columns, inSecondSet);
    if (rowStarts.empty()) {
        for (int start = columns; start < line.size(); start += columns)
            rowStarts.push_back(start);
    }
    return rowStarts;
}

} // namespace bp
