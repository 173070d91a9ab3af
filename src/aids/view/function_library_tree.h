#pragma once

#include "aids/library_node.h"

#include <QObject>

class QStandardItem;
class QStandardItemModel;
class QTreeView;

namespace bp {

// Shows the function library in a tree view: read-only labels, tree lines and expand
// buttons, indent 19, and single-expand (selecting a node expands it and collapses the
// branches it is not in). A double click reports the node's text and whether it is a group.
class FunctionLibraryTree : public QObject
{
    Q_OBJECT
public:
    explicit FunctionLibraryTree(QTreeView *view);

    // Replaces the whole tree; every node starts collapsed.
    void setLibrary(const LibraryForest &library);
    QStandardItemModel *model() const { return m_model; }

signals:
    void nodeDoubleClicked(const QString &text, bool hasChildren);

private:
    void selectionMoved(const QModelIndex &current);

    QTreeView *m_view;
    QStandardItemModel *m_model;
};

} // namespace bp
