#pragma once

#include "library_node.h"

#include <QString>
#include <QStringView>

#include <optional>

namespace bp {

// What reading "library.txt" gives: the nodes read and, when a line was indented too
// deep, the message that stopped the reading. The nodes read before that line are kept,
// because the tree shows them even though the reading failed.
struct LibraryReadResult
{
    LibraryForest nodes;
    std::optional<QString> error;

    // Throws bp::Error with the message when the reading stopped early.
    void throwIfFailed() const;
};

// The deepest tree a library file may describe: depths 0 to kLibraryLevels - 1. Code that
// walks the tree (and Qt's items, which are destroyed recursively) may then recurse freely.
inline constexpr qsizetype kLibraryLevels = 256;

// Builds the tree from the text of a library file, one node per line in depth-first order.
// A line's depth is the number of blanks and tabs it starts with; the rest of the line,
// trailing blanks included, is the node's text. The first line is a top-level node whatever
// its indentation; a line at most one level deeper than the node before it is placed by its
// depth; a line two or more levels deeper, or at depth kLibraryLevels or more, stops the
// reading with "Invalid level (depth) for item "text"".
LibraryReadResult parseLibraryText(QStringView text);

// Reads and decodes a library file (byte-order mark, else Windows-1251) and parses it.
// Throws bp::Error when the file cannot be read or decoded; nothing is parsed then.
LibraryReadResult readLibraryFile(const QString &path);

} // namespace bp
