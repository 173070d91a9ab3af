#include "library_tree_view.h"

#include <QPainter>

namespace bp {
namespace {

// One dot every other pixel, as the classic tree lines are drawn.
void dottedLine(QPainter *painter, QPoint from, QPoint to)
{
    if (from.x() == to.x()) {
        for (int y = from.y() + ((from.y() & 1) ^ 1); y <= to.y(); y += 2)
            painter->drawPoint(from.x(), y);
    } else {
        for (int x = from.x() + ((from.x() & 1) ^ 1); x <= to.x(); x += 2)
            painter->drawPoint(x, from.y());
    }
}

bool hasNextSibling(const QModelIndex &index)
{
    return index.sibling(index.row() + 1, 0).isValid();
}

} // namespace

LibraryTreeView::LibraryTreeView(QWidget *parent) : QTreeView(parent) {}

void LibraryTreeView::drawBranches(QPainter *painter, const QRect &rect,
                                   const QModelIndex &index) const
{
    const int step = indentation();
    const int top = rect.top();
    const int bottom = rect.bottom();
    const int middle = rect.center().y();
    painter->save();
    painter->setPen(palette().color(QPalette::Mid));

    // The column of this node, then one column per ancestor, right to left.
    int right = rect.right() + 1;
    const int x = right - step / 2 - 1;
    dottedLine(painter, {x, top}, {x, hasNextSibling(index) ? bottom : middle});
    dottedLine(painter, {x, middle}, {right - 2, middle});
    int ancestorX = x - step;
    for (QModelIndex ancestor = index.parent(); ancestor.isValid() && ancestorX >= rect.left();
         ancestor = ancestor.parent(), ancestorX -= step) {
        if (hasNextSibling(ancestor))
            dottedLine(painter, {ancestorX, top}, {ancestorX, bottom});
    }

    if (model()->hasChildren(index)) {
        const QRect box(x - 4, middle - 4, 8, 8);
        painter->fillRect(box, palette().color(QPalette::Base));
        painter->setPen(palette().color(QPalette::Dark));
        painter->drawRect(box);
        painter->setPen(palette().color(QPalette::Text));
        painter->drawLine(x - 2, middle, x + 2, middle);
        if (!isExpanded(index))
            painter->drawLine(x, middle - 2, x, middle + 2);
    }
    painter->restore();
}

} // namespace bp
