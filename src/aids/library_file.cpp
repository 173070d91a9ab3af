#include "library_file.h"

#include "common/error.h"
#include "common/text_file.h"
#include "data_file_lines.h"

namespace bp {

void LibraryReadResult::throwIfFailed() const
{
    if (error)
        throw Error(*error);
}

LibraryReadResult parseLibraryText(QStringView text)
{
    LibraryReadResult result;
    // The path from a top-level node down to the current node. A node is attached to its
    // parent only when the path leaves it, so no reference into a growing list is kept.
    QList<LibraryNode> path;
    auto shortenPathTo = [&](qsizetype depth) {
        while (path.size() > depth) {
            LibraryNode node = std::move(path.last());
            path.removeLast();
            (path.isEmpty() ? result.nodes : path.last().children).append(std::move(node));
        }
    };

    for (const QString &line : cutDataFileLines(text)) {
        qsizetype indent = 0;
        while (indent < line.size() && (line[indent] == u' ' || line[indent] == u'\t'))
            ++indent;
        QString nodeText = line.sliced(indent);
        const qsizetype depth = path.isEmpty() ? 0 : indent;
        if (depth > path.size() || depth >= kLibraryLevels) {
            result.error = QStringLiteral("Invalid level (%1) for item \"%2\"")
                               .arg(QString::number(indent), nodeText);
            break;
        }
        shortenPathTo(depth);
        path.append(LibraryNode{std::move(nodeText), {}});
    }
    shortenPathTo(0);
    return result;
}

LibraryReadResult readLibraryFile(const QString &path)
{
    return parseLibraryText(readTextFile(path).text);
}

} // namespace bp
