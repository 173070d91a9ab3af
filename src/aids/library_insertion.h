#pragma once

#include "library_node.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace bp {

// What a double click on a library node does to the caret line.
struct LibraryInsertion
{
    QString lineText; // the caret line's new text
    int caretColumn;  // 1-based; the caret keeps its column

    friend bool operator==(const LibraryInsertion &, const LibraryInsertion &) = default;
};

// The caret line after inserting a function's text at the caret: the characters before the
// caret column, the function's text, one blank, then the rest of the line. A caret beyond the
// line's end joins the text directly to the line's last character. For a document without
// lines pass an empty line: the result is its line 1. Groups (nodes with children, the root
// and the categories) insert nothing and give no result.
std::optional<LibraryInsertion> libraryInsertion(const QString &nodeText, bool nodeHasChildren,
                                                 QStringView caretLineText, int caretColumn);
std::optional<LibraryInsertion> libraryInsertion(const LibraryNode &node, QStringView caretLineText,
                                                 int caretColumn);

} // namespace bp
