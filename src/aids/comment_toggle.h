#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <vector>

namespace bp {

class TEditorLines;

// One line written back by a command that changes lines directly.
struct LineChange
{
    int line; // 1-based
    QString text;

    friend bool operator==(const LineChange &, const LineChange &) = default;
};

// A line that holds a comment loses the apostrophe that opens it (the first one outside a
// string, by the QPILE scan of the line) and nothing else; any other line, also one whose
// apostrophes all stand inside strings, gets one in front of it, before its indentation.
QString toggleCommentLine(QStringView line);

// Toggles every line from the smaller to the larger of the two line numbers (1-based), each
// line on its own, and returns the new texts in ascending line order. Without a selection
// pass the caret's line twice; a selection ending at column 1 still passes that line.
// `lineText` gives the current text of a line; it should return an empty string for a line
// outside the text, so that on a document without lines the result is its line 1 holding "'".
QList<LineChange> toggleComments(const std::function<QString(int line)> &lineText,
                                 int blockBeginLine, int blockEndLine);

// The toggled texts of lines from the smaller to the larger of the two line numbers (1-based)
// of `lines`, in line order, ready to replace those lines at once; a document without lines
// gives its line 1 holding "'".
std::vector<QString> toggledCommentLines(const TEditorLines &lines, int blockBeginLine,
                                         int blockEndLine);

// The same over a plain list of lines (index 0 is line 1).
QList<LineChange> toggleComments(const QStringList &lines, int blockBeginLine, int blockEndLine);

} // namespace bp
