#include "highlight/range_rescanner.h"

#include <algorithm>

namespace bp::RangeRescanner {

ScannedLines scanAll(TCustomHighlighter &highlighter, HighlightLineSource &lines)
{
    const int count = lines.lineCount();
    if (count <= 0)
        return {};
    highlighter.ResetRange();
    for (int i = 0; i < count; ++i) {
        lines.setLineRange(i, highlighter.ScanEndState(lines.lineText(i), i));
    }
    return {0, count - 1};
}

int rescanFrom(TCustomHighlighter &highlighter, HighlightLineSource &lines, int index)
{
    const int count = lines.lineCount();
    if (index < 0 || index >= count)
        return -1;
    if (index == 0)
        highlighter.ResetRange();
    else
        highlighter.SetRange(lines.lineRange(index - 1));
    for (;;) {
        const TRange state = highlighter.ScanEndState(lines.lineText(index), index);
        if (state == lines.lineRange(index))
            return index;
        lines.setLineRange(index, state);
        ++index;
        if (index == count)
            return index - 1;
    }
}

ScannedLines afterLinesInserted(TCustomHighlighter &highlighter, HighlightLineSource &lines,
                                int index, int count)
{
    return afterLinesChanged(highlighter, lines, index, count);
}

ScannedLines afterLinesChanged(TCustomHighlighter &highlighter, HighlightLineSource &lines,
                               int index, int count)
{
    const int total = lines.lineCount();
    if (index < 0 || index >= total || count <= 0)
        return {};
    const int lastChanged = std::min(index + count, total) - 1;
    if (index == 0)
        highlighter.ResetRange();
    else
        highlighter.SetRange(lines.lineRange(index - 1));
    // One pass: the state flows on through the changed lines, and past them while it differs
    // from what the next line stored.
    int line = index;
    for (;; ++line) {
        const TRange state = highlighter.ScanEndState(lines.lineText(line), line);
        const bool same = state == lines.lineRange(line);
        if (!same)
            lines.setLineRange(line, state);
        if ((same && line >= lastChanged) || line == total - 1)
            break;
    }
    return {index, line};
}

ScannedLines afterLinesDeleted(TCustomHighlighter &highlighter, HighlightLineSource &lines,
                               int index)
{
    const int last = rescanFrom(highlighter, lines, index);
    return last < index ? ScannedLines{} : ScannedLines{index, last};
}

ScannedLines afterLineChanged(TCustomHighlighter &highlighter, HighlightLineSource &lines,
                              int index)
{
    const int last = rescanFrom(highlighter, lines, index);
    return last < index ? ScannedLines{} : ScannedLines{index, last};
}

} // namespace bp::RangeRescanner
