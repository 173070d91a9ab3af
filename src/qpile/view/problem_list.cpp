#include "problem_list.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

namespace bp {
namespace {

// Rows as high as their message needs at the column's width: a long message wraps instead of
// being cut at the panel's edge.
class WrappingDelegate : public QStyledItemDelegate
{
public:
    WrappingDelegate(QTreeView *view) : QStyledItemDelegate(view), m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem wrapped = option;
        wrapped.features |= QStyleOptionViewItem::WrapText;
        wrapped.rect = QRect(0, 0, std::max(m_view->columnWidth(index.column()), 20), 1);
        return QStyledItemDelegate::sizeHint(wrapped, index);
    }

protected:
    // A long name ("MONEY_CURRENT_BALANCE") has no place to break at a word's end: it may
    // break after each "_" too, in what the row shows only.
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text.replace(u'_', QStringLiteral("_\u200B"));
    }

private:
    QTreeView *m_view;
};

} // namespace

ProblemList::ProblemList(TCustomEditorPane &pane, std::function<void(const QString &)> showHint)
    : PlaceList({QStringLiteral("Стр"), QStringLiteral("Стб"), QStringLiteral("Замечание")},
                QStringLiteral("ProblemList"), pane),
      m_showHint(std::move(showHint))
{
    header()->resizeSection(0, 36);
    header()->resizeSection(1, 30);
    // A narrow panel wraps a long message onto more lines instead of cutting it; the row's
    // tooltip and the hint panel show it whole as well.
    setWordWrap(true);
    setUniformRowHeights(false);
    setTextElideMode(Qt::ElideNone);
    setItemDelegate(new WrappingDelegate(this));
    connect(header(), &QHeaderView::sectionResized, this, [this] { doItemsLayout(); });
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item && m_showHint)
            m_showHint(item->text(2));
    });
}

void ProblemList::showProblems(const std::vector<QpileProblem> &problems)
{
    if (problems == m_shown)
        return;
    m_shown = problems;
    clear();
    QList<QTreeWidgetItem *> items;
    for (const QpileProblem &problem : m_shown) {
        if (items.size() == kListed)
            break;
        QTreeWidgetItem *item = placeItem(
            {QString::number(problem.line), QString::number(problem.column), problem.message},
            problem.line, problem.column);
        item->setToolTip(2, problem.message);
        if (problem.severity == QpileSeverity::Hint) {
            // A hint reads more quietly than an error, as its mark does.
            for (int column = 0; column < 3; ++column)
                item->setForeground(column, palette().brush(QPalette::Disabled, QPalette::Text));
        }
        items.append(item);
    }
    addTopLevelItems(items);
}

QString ProblemList::problemTextAt(TBufferCoord position) const
{
    QStringList messages;
    for (const QpileProblem &problem : m_shown) {
        if (problem.line > position.Line)
            break;
        if (problem.line == position.Line && position.Char >= problem.column &&
            position.Char < problem.column + std::max(problem.length, 1))
            messages.append(problem.message);
    }
    return messages.join(u'\n');
}

} // namespace bp
