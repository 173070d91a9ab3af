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

QString toggleLine(TQPILEHighlighter &scanner, QStringView line)
{
    // Only an apostrophe opens a comment: a line without one needs no scan.
    const qsizetype apostrophe = line.contains(u'\'') ? commentStart(scanner, line) : -1;
    QString result;
    if (apostrophe < 0) {
        result.reserve(line.size() + 1);
        return result.append(u'\'').append(line);
    }
    result.reserve(line.size() - 1);
    return result.append(line.first(apostrophe)).append(line.sliced(apostrophe + 1));
}

} // namespace

QString toggleCommentLine(QStringView line)
{
    TQPILEHighlighter scanner;
    return toggleLine(scanner, line);
}

QList<LineChange> toggleComments(const std::function<QString(int line)> &lineText,
                                 int blockBeginLine, int blockEndLine)
{
    const int first = std::max(std::min(blockBeginLine, blockEndLine), 1);
    const int last = std::max(std::max(blockBeginLine, blockEndLine), 1);
    QList<LineChange> changes;
    changes.reserve(last - first + 1);
    TQPILEHighlighter scanner;
    for (int line = first; line <= last; ++line)
        changes.append({line, toggleLine(scanner, lineText(line))});
    return changes;
}

std::vector<QString> toggledCommentLines(const TEditorLines &lines, int blockBeginLine,
                                         int blockEndLine)
{
    const int first = std::max(std::min(blockBeginLine, blockEndLine), 1);
    const int last = std::max(std::max(blockBeginLine, blockEndLine), 1);
    std::vector<QString> texts;
    texts.reserve(last - first + 1);
    TQPILEHighlighter scanner;
    for (int line = first; line <= last; ++line)
        texts.push_back(toggleLine(scanner, lines.view(line - 1)));
    return texts;
}

QList<LineChange> toggleComments(const QStringList &lines, int blockBeginLine, int blockEndLine)
{
    return toggleComments([&lines](int line) { return lines.value(line - 1); }, blockBeginLine,
                          blockEndLine);
}

} // namespace bp
