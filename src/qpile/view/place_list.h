#pragma once

#include <QStringList>
#include <QTreeWidget>

namespace bp {

class TCustomEditorPane;

// A list of the side panel whose rows name places in the script ("Проверка", "Структура"):
// activating a row (Enter, a double click) puts the caret there and the keyboard back into
// the editor.
class PlaceList : public QTreeWidget
{
public:
    PlaceList(const QStringList &headers, const QString &name, TCustomEditorPane &pane);

    static QTreeWidgetItem *placeItem(const QStringList &texts, int line, int column);
    // Moves `item` to name `texts` at `line`, `column`.
    static void setPlace(QTreeWidgetItem &item, const QStringList &texts, int line, int column);

private:
    void jumpTo(const QTreeWidgetItem *item);

    TCustomEditorPane &m_pane;
};

} // namespace bp
