#include "outline_list.h"

namespace bp {
namespace {

QStringList rowTexts(const QpileOutlineEntry &entry)
{
    const QString name = entry.kind == QpileOutlineEntry::Kind::Function
                             ? QStringLiteral("FUNC ") + entry.name
                             : entry.name;
    return {name, entry.title};
}

// The same row, wherever it now is: an edit above moves the entries below it.
bool sameRow(const QpileOutlineEntry &a, const QpileOutlineEntry &b)
{
    return a.kind == b.kind && a.name == b.name && a.title == b.title;
}

} // namespace

OutlineList::OutlineList(TCustomEditorPane &pane)
    : PlaceList({QStringLiteral("Имя"), QStringLiteral("Заголовок")}, QStringLiteral("Outline"),
                pane)
{}

void OutlineList::showOutline(const QList<QpileOutlineEntry> &outline)
{
    if (outline == m_shown)
        return;
    // The rows alike at the start and at the end stay; only their places are renewed. The
    // rows between are changed in place, then the surplus removed or the lack added.
    const qsizetype oldCount = m_shown.size();
    const qsizetype newCount = outline.size();
    qsizetype head = 0;
    while (head < oldCount && head < newCount && sameRow(m_shown[head], outline[head]))
        ++head;
    qsizetype tail = 0;
    while (tail < oldCount - head && tail < newCount - head &&
           sameRow(m_shown[oldCount - 1 - tail], outline[newCount - 1 - tail]))
        ++tail;
    for (qsizetype i = 0; i < head; ++i)
        setPlace(*topLevelItem(int(i)), rowTexts(outline[i]), outline[i].line, outline[i].column);
    const qsizetype oldMiddle = oldCount - head - tail;
    const qsizetype newMiddle = newCount - head - tail;
    const qsizetype common = std::min(oldMiddle, newMiddle);
    for (qsizetype i = head; i < head + common; ++i)
        setPlace(*topLevelItem(int(i)), rowTexts(outline[i]), outline[i].line, outline[i].column);
    if (oldMiddle > newMiddle) {
        for (qsizetype i = oldMiddle - newMiddle; i > 0; --i)
            delete takeTopLevelItem(int(head + common));
    } else if (newMiddle > oldMiddle) {
        QList<QTreeWidgetItem *> items;
        for (qsizetype i = head + common; i < head + newMiddle; ++i)
            items.append(placeItem(rowTexts(outline[i]), outline[i].line, outline[i].column));
        insertTopLevelItems(int(head + common), items);
    }
    for (qsizetype i = newCount - tail; i < newCount; ++i)
        setPlace(*topLevelItem(int(i)), rowTexts(outline[i]), outline[i].line, outline[i].column);
    m_shown = outline;
}

} // namespace bp
