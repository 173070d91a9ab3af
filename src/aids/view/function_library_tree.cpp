#include "function_library_tree.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QTimer>
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
    : QObject(view), m_view(view), m_model(new QStandardItemModel(this)),
      m_collapseLater(new QTimer(this))
{
    m_collapseLater->setSingleShot(true);
    connect(m_collapseLater, &QTimer::timeout, this, [this] { collapseOtherBranches(); });
    m_view->installEventFilter(this);
    m_viewport = m_view->viewport();
    m_viewport->installEventFilter(this);
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
    // Expanding the new node moves only the rows below it, so it is done at once.
    if (m_model->hasChildren(current))
        m_view->expand(current);
    if (m_mouseSelecting) {
        m_collapseLater->start(QApplication::doubleClickInterval());
    } else {
        m_collapseLater->stop();
        collapseOtherBranches();
    }
}

void FunctionLibraryTree::collapseOtherBranches()
{
    const QModelIndex current = m_view->currentIndex();
    QList<QModelIndex> keep;
    for (QModelIndex index = current; index.isValid(); index = index.parent())
        keep.append(index);
    // Walks only the branches that are open, with its own stack.
    QList<QModelIndex> open{QModelIndex()};
    while (!open.isEmpty()) {
        const QModelIndex parent = open.takeLast();
        for (int row = 0; row < m_model->rowCount(parent); ++row) {
            const QModelIndex child = m_model->index(row, 0, parent);
            if (!m_model->hasChildren(child))
                continue;
            if (keep.contains(child))
                open.append(child);
            else if (m_view->isExpanded(child))
                m_view->collapse(child);
        }
    }
}

bool FunctionLibraryTree::eventFilter(QObject *watched, QEvent *event)
{
    // A selection that a mouse press makes is known by the press that comes before it.
    // Compared by the pointer kept: events still arrive while the view is being destroyed.
    if (watched == m_viewport) {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick)
            m_mouseSelecting = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            m_mouseSelecting = false;
    }
    if (watched == m_view && event->type() == QEvent::KeyPress)
        m_mouseSelecting = false;
    // Enter on a function inserts it, as a double click does.
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const QModelIndex current = m_view->currentIndex();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && current.isValid() &&
            !m_model->hasChildren(current)) {
            emit nodeDoubleClicked(current.data().toString(), false);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace bp
