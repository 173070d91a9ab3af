#include "comment_toggle.h"

#include "editor/model/editor_lines.h"
#include "highlight/qpile_highlighter.h"

#include <algorithm>

namespace bp {

namespace {

// Index of the apostrophe that opens the line's comment, by the QPILE scan of the line: an
// apostrophe inside a string is text, not a comment marker. -1 when the line has no comment.
qsizetype commentStart(TQPILEHighlighter &scanner, QStringView line)
{
    // Only a comment range carried in changes how a line starts, and no line ends in one.
    scanner.ResetRange();
    for (scanner.SetLine(line, 0); !scanner.GetEol(); scanner.Next())
        if (scanner.TokenID() == TtkTokenKind::tkComment)
            return scanner.GetTokenPos();
    return -1;
}

// The same answer, mostly without the scan: before the first quote no token can hold an
// apostrophe (spaces, identifiers and single other characters), so an apostrophe found first
// opens the comment, and a line with neither has none. A quote or a NUL first leaves it to
// the scan.
qsizetype quickCommentStart(TQPILEHighlighter &scanner, QStringView line)
{
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char16_t ch = line[i].unicode();
        if (ch == u'\'')
            return i;
        if (ch == u'"' || ch == 0)
            return commentStart(scanner, line);
    }
    return -1;
}

// Writes the toggled `line` to `out`.
template <typename Sink> void toggleLine(TQPILEHighlighter &scanner, QStringView line, Sink &out)
{
    const qsizetype apostrophe = quickCommentStart(scanner, line);
    if (apostrophe < 0)
        out.append(u'\'').append(line);
    else
        out.append(line.first(apostrophe)).append(line.sliced(apostrophe + 1));
}

} // namespace

std::vector<QString> toggledCommentLines(const TEditorLines &lines, int blockBeginLine,
                                         int blockEndLine)
{
    const int first = std::max(std::min(blockBeginLine, blockEndLine), 1);
    const int last = std::max(std::max(blockBeginLine, blockEndLine), 1);
    // Every line changes: the new texts share one buffer.
    LineBuffer buffer;
    qsizetype characters = 0;
    for (int line = first; line <= last; ++line)
        characters += lines.length(line - 1) + 1;
    buffer.reserve(characters, last - first + 1);
    TQPILEHighlighter scanner;
    for (int line = first; line <= last; ++line) {
        toggleLine(scanner, lines.view(line - 1), buffer);
        buffer.endLine();
    }
    return buffer.takeLines();
}

} // namespace bp
