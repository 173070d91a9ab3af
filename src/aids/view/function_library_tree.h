#pragma once

#include "aids/library_node.h"

#include <QObject>

class QStandardItem;
class QTimer;
class QStandardItemModel;
class QTreeView;

namespace bp {

// Shows the function library in a tree view: read-only labels, tree lines and expand
// buttons, indent 19, and single-expand (selecting a node expands it and collapses the
// branches it is not in). A double click, or Enter on a function, reports the node's text
// and whether it is a group.
//
// A selection made with the mouse collapses the other branches only after the double-click
// interval: collapsing a branch above the clicked node at once would move the rows, and the
// second click of a double click would land on another node.
class FunctionLibraryTree : public QObject
{
    Q_OBJECT
public:
    explicit FunctionLibraryTree(QTreeView *view);

    // Replaces the whole tree; every node starts collapsed.
    void setLibrary(const LibraryForest &library);
    QStandardItemModel *model() const { return m_model; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void nodeDoubleClicked(const QString &text, bool hasChildren);

private:
    void selectionMoved(const QModelIndex &current);
    // Collapses every expanded branch that does not lead to the current node.
    void collapseOtherBranches();

    QTreeView *m_view;
    QStandardItemModel *m_model;
    QObject *m_viewport = nullptr;
    QTimer *m_collapseLater;
    bool m_mouseSelecting = false;
};

} // namespace bp
