#include "function_library_tree.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTreeView>

namespace bp {
namespace {

// Builds the items without recursion: the walk keeps its own stack of the levels it is in.
void appendNodes(QStandardItem *root, const QList<LibraryNode> &nodes)
{
    struct Level
    {
        QStandardItem *parent;
        const QList<LibraryNode> *nodes;
        qsizetype next;
    };
    QList<Level> stack{{root, &nodes, 0}};
    while (!stack.isEmpty()) {
        Level &level = stack.last();
        if (level.next == level.nodes->size()) {
            stack.removeLast();
            continue;
        }
        const LibraryNode &node = level.nodes->at(level.next++);
        auto *item = new QStandardItem(node.text);
        item->setEditable(false);
        level.parent->appendRow(item);
        if (!node.children.isEmpty())
            stack.append({item, &node.children, 0});
    }
}

} // namespace

FunctionLibraryTree::FunctionLibraryTree(QTreeView *view)
    : QObject(view), m_view(view), m_model(new QStandardItemModel(this))
{
    m_view->setModel(m_model);
    m_view->setHeaderHidden(true);
    m_view->setRootIsDecorated(true);
    m_view->setItemsExpandable(true);
    m_view->setIndentation(19);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A double click on a group expands or collapses it, as in any tree.
    m_view->setExpandsOnDoubleClick(true);
    m_view->setUniformRowHeights(true);
    m_view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_view->header()->setStretchLastSection(false);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { selectionMoved(current); });
    connect(m_view, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit nodeDoubleClicked(index.data().toString(), m_model->hasChildren(index));
    });
}

void FunctionLibraryTree::setLibrary(const LibraryForest &library)
{
    m_model->clear();
    appendNodes(m_model->invisibleRootItem(), library);
}

void FunctionLibraryTree::selectionMoved(const QModelIndex &current)
{
    if (!current.isValid())
        return;
    // Collapse every expanded branch that does not lead to the new selection.
    QList<QModelIndex> keep;
    for (QModelIndex index = current; index.isValid(); index = index.parent())
        keep.append(index);
    std::function<void(const QModelIndex &)> collapseOthers = [&](const QModelIndex &parent) {
        for (int row = 0; row < m_model->rowCount(parent); ++row) {
            const QModelIndex child = m_model->index(row, 0, parent);
            if (!m_model->hasChildren(child))
                continue;
            if (keep.contains(child))
                collapseOthers(child);
            else if (m_view->isExpanded(child))
                m_view->collapse(child);
        }
    };
    collapseOthers(QModelIndex());
    if (m_model->hasChildren(current))
        m_view->expand(current);
}

} // namespace bp
