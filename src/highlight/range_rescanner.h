#pragma once

#include "highlight/custom_highlighter.h"

#include <QStringView>

namespace bp {

// The editor's line list as the rescans see it: each line's text and the range stored at its
// end. A line that was never scanned holds kUnscannedRange.
class HighlightLineSource
{
public:
    virtual ~HighlightLineSource() = default;
    virtual int lineCount() const = 0;
    virtual QStringView lineText(int index) const = 0;
    virtual TRange lineRange(int index) const = 0;
    virtual void setLineRange(int index, TRange range) = 0;
};

// The 0-based lines a scan went over, first to last; empty when nothing was scanned. The
// colours of exactly these lines may have changed: each later line starts from an unchanged
// stored range.
struct ScannedLines
{
    int first = 0;
    int last = -1;

    bool isEmpty() const { return last < first; }
    int count() const { return isEmpty() ? 0 : last - first + 1; }
    bool operator==(const ScannedLines &) const = default;
};

// The range store and its rescans. Each function scans with the given highlighter through
// the line source and stores every line's end state. Call them only while the highlighter is
// attached; an empty line list scans nothing.
namespace RangeRescanner {

// Scans every line from the first, the state flowing from one line into the next, and stores
// each end state. Used when a highlighter is attached.
ScannedLines scanAll(TCustomHighlighter &highlighter, HighlightLineSource &lines);

// Scans from line index, starting from the stored end state of the line before (ResetRange for
// line 0), storing each new end state, and stops on the first line whose new end state equals
// its stored one, or after the last line. Gives the last line scanned, or -1 when index is not
// a line.
int rescanFrom(TCustomHighlighter &highlighter, HighlightLineSource &lines, int index);

// After count lines were inserted at index (their ranges kUnscannedRange): every inserted line
// is scanned even where states agree, then on until a line's end state is unchanged.
ScannedLines afterLinesInserted(TCustomHighlighter &highlighter, HighlightLineSource &lines,
                                int index, int count);
// After count lines from index were replaced: each of them is scanned, in one pass, then on
// until a line's end state is unchanged.
ScannedLines afterLinesChanged(TCustomHighlighter &highlighter, HighlightLineSource &lines,
                               int index, int count);
// After lines were deleted at index: the line that now stands at index is rescanned onwards.
ScannedLines afterLinesDeleted(TCustomHighlighter &highlighter, HighlightLineSource &lines,
                               int index);
// After line index was replaced; the editor repaints the result.
ScannedLines afterLineChanged(TCustomHighlighter &highlighter, HighlightLineSource &lines,
                              int index);

} // namespace RangeRescanner

} // namespace bp
