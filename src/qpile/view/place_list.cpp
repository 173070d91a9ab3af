#include "place_list.h"

#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"

#include <QHeaderView>

namespace bp {
namespace {

// Items keep the place they jump to.
constexpr int kLineRole = Qt::UserRole;
constexpr int kColumnRole = Qt::UserRole + 1;

} // namespace

PlaceList::PlaceList(const QStringList &headers, const QString &name, TCustomEditorPane &pane)
    : m_pane(pane)
{
    setObjectName(name);
    setColumnCount(int(headers.size()));
    setHeaderLabels(headers);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(true);
    connect(this, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { jumpTo(item); });
}

QTreeWidgetItem *PlaceList::placeItem(const QStringList &texts, int line, int column)
{
    auto *item = new QTreeWidgetItem;
    setPlace(*item, texts, line, column);
    return item;
}

void PlaceList::setPlace(QTreeWidgetItem &item, const QStringList &texts, int line, int column)
{
    for (int i = 0; i < texts.size(); ++i)
        if (item.text(i) != texts[i])
            item.setText(i, texts[i]);
    item.setData(0, kLineRole, line);
    item.setData(0, kColumnRole, column);
}

void PlaceList::jumpTo(const QTreeWidgetItem *item)
{
    if (!item)
        return;
    const int line = item->data(0, kLineRole).toInt();
    const int column = item->data(0, kColumnRole).toInt();
    if (line < 1)
        return;
    m_pane.model().setCaretXY(TBufferCoord{column, line});
    m_pane.SetFocus();
}

} // namespace bp
