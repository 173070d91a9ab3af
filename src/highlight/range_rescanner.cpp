#include "highlight/range_rescanner.h"

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
    ScannedLines scanned{index, -1};
    int start = index;
    do {
        const int last = rescanFrom(highlighter, lines, start);
        if (last < start)
            break;
        scanned.last = last;
        start = last + 1;
    } while (start < index + count);
    return scanned.isEmpty() ? ScannedLines{} : scanned;
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
