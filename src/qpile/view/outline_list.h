#pragma once

#include "place_list.h"
#include "qpile/script_outline.h"

namespace bp {

// The "Структура" tab: the script's FUNCs and PARAMETER columns, a row each. A new outline
// changes only the rows that differ from those shown, so the current row and the scroll
// place stay where they were.
class OutlineList : public PlaceList
{
public:
    explicit OutlineList(TCustomEditorPane &pane);

    void showOutline(const QList<QpileOutlineEntry> &outline);
    const QList<QpileOutlineEntry> &shown() const { return m_shown; }

private:
    QList<QpileOutlineEntry> m_shown;
};

} // namespace bp
