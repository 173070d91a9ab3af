#include "library_insertion.h"

#include <algorithm>

namespace bp {

std::optional<LibraryInsertion> libraryInsertion(const QString &nodeText, bool nodeHasChildren,
                                                 QStringView caretLineText, int caretColumn)
{
    if (nodeHasChildren)
        return std::nullopt;
    const int column = std::max(caretColumn, 1);
    const qsizetype headLength = std::min<qsizetype>(column - 1, caretLineText.size());
    QString line =
        caretLineText.first(headLength) + nodeText + u' ' + caretLineText.sliced(headLength);
    return LibraryInsertion{std::move(line), column};
}

std::optional<LibraryInsertion> libraryInsertion(const LibraryNode &node, QStringView caretLineText,
                                                 int caretColumn)
{
    return libraryInsertion(node.text, !node.isFunction(), caretLineText, caretColumn);
}

} // namespace bp
