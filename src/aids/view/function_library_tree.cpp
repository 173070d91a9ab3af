#include "function_library_tree.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTreeView>

namespace bp {
namespace {

void appendNodes(QStandardItem *parent, const QList<LibraryNode> &nodes)
{
    for (const LibraryNode &node : nodes) {
        auto *item = new QStandardItem(node.text);
        item->setEditable(false);
        appendNodes(item, node.children);
        parent->appendRow(item);
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
