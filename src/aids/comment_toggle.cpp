#include "comment_toggle.h"

#include <algorithm>

namespace bp {

QString toggleCommentLine(QStringView line)
{
    const qsizetype apostrophe = line.indexOf(u'\'');
    if (apostrophe < 0)
        return u'\'' + line.toString();
    QString result = line.toString();
    result.remove(apostrophe, 1);
    return result;
}

QList<LineChange> toggleComments(const std::function<QString(int line)> &lineText,
                                 int blockBeginLine, int blockEndLine)
{
    const int first = std::max(std::min(blockBeginLine, blockEndLine), 1);
    const int last = std::max(std::max(blockBeginLine, blockEndLine), 1);
    QList<LineChange> changes;
    changes.reserve(last - first + 1);
    for (int line = first; line <= last; ++line)
        changes.append({line, toggleCommentLine(lineText(line))});
    return changes;
}

QList<LineChange> toggleComments(const QStringList &lines, int blockBeginLine, int blockEndLine)
{
    return toggleComments([&lines](int line) { return lines.value(line - 1); }, blockBeginLine,
                          blockEndLine);
}

} // namespace bp
