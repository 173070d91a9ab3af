#include "print_layout.h"

#include "line_wrap.h"
#include "print_metrics.h"

namespace bp {

QString PrintLayout::lineLabel(int lineNumber)
{
    return QString::number(lineNumber) + QStringLiteral(": ");
}

std::vector<int> PrintLayout::rowStarts(QStringView line) const
{
    if (!m_options.wrap || line.size() <= m_wrapColumns)
        return {};
    return wrapLine(line, m_wrapColumns);
}

void PrintLayout::layOut(const std::vector<QString> &lines, const PrintMetrics &metrics,
                         const PrintTextArea &area, Options options)
{
    m_options = options;
    m_area = area;
    if (options.lineNumbers)
        m_area.left += metrics.textWidth(lineLabel(std::max(int(lines.size()), 1)));
    m_lineHeight = std::max(metrics.lineHeight(), 1);
    m_wrapColumns = wrapColumnCount(m_area.right - m_area.left, metrics);
    m_maxWidth = metrics.textWidth(QString(m_wrapColumns, u'W'));

    m_pages.assign(1, TPageLine{});
    int y = m_area.top;
    const int count = int(lines.size());
    for (int line = 0; line < count; ++line) {
        const QString &text = lines[std::size_t(line)];
        const int rows = text.size() > m_wrapColumns ? int(rowStarts(text).size()) + 1 : 1;
        for (int row = 0; row < rows; ++row) {
            if (y + m_lineHeight > m_area.bottom && y > m_area.top) {
                m_pages.push_back(TPageLine{line, row});
                y = m_area.top;
            }
            y += m_lineHeight;
        }
    }
}

} // namespace bp
