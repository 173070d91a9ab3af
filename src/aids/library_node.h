#pragma once

#include <QList>
#include <QString>

namespace bp {

// One node of the function library tree. A node with children is a group (the root
// "Функции" or a category); a node without children is a function entry whose text is
// exactly what a double click inserts. Nodes carry nothing else.
struct LibraryNode
{
    QString text;
    QList<LibraryNode> children;

    bool isFunction() const { return children.isEmpty(); }
    friend bool operator==(const LibraryNode &, const LibraryNode &) = default;
};

// The library is a forest: the top-level nodes in order.
using LibraryForest = QList<LibraryNode>;

// Number of nodes in the forest, every level counted.
inline qsizetype countLibraryNodes(const LibraryForest &forest)
{
    qsizetype count = forest.size();
    for (const LibraryNode &node : forest)
        count += countLibraryNodes(node.children);
    return count;
}

} // namespace bp
