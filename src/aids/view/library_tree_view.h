#pragma once

#include <QTreeView>

namespace bp {

// A tree view that draws its branches the classic way, whatever the widget style: dotted
// lines joining siblings and parents, and a boxed plus or minus on every node that has
// children.
class LibraryTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit LibraryTreeView(QWidget *parent = nullptr);

protected:
    void drawBranches(QPainter *painter, const QRect &rect,
                      const QModelIndex &index) const override;
};

} // namespace bp
