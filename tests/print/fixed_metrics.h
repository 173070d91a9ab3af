#pragma once

#include "editor/model/character_cells.h"
#include "print/print_metrics.h"

namespace bp {

// Metrics of an imaginary fixed-pitch font: every character one column of `column` dots,
// a wide one two.
class FixedMetrics : public PrintMetrics
{
public:
    FixedMetrics(int lineHeight, int column) : m_lineHeight(lineHeight), m_column(column) {}
    int lineHeight() const override { return m_lineHeight; }
    int ascent() const override { return m_lineHeight * 4 / 5; }
    int columnWidth() const override { return m_column; }
    int textWidth(QStringView text) const override
    {
        int cells = 0;
        for (qsizetype i = 0; i < text.size(); ++i)
            cells += characterCells(text, i);
        return cells * m_column;
    }

private:
    int m_lineHeight;
    int m_column;
};

} // namespace bp
