#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace bp {

class TEditorLines;

// A line that holds a comment loses the apostrophe that opens it (the first one outside a
// string, by the QPILE scan of the line) and nothing else; any other line, also one whose
// apostrophes all stand inside strings, gets one in front of it, before its indentation.
//
// The toggled texts of lines from the smaller to the larger of the two line numbers (1-based)
// of `lines`, in line order, ready to replace those lines at once; a document without lines
// gives its line 1 holding "'".
std::vector<QString> toggledCommentLines(const TEditorLines &lines, int blockBeginLine,
                                         int blockEndLine);

} // namespace bp
