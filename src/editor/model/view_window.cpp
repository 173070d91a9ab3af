#include "view_window.h"

#include "text_columns.h"

#include <algorithm>

namespace bp {

ViewWindow::ViewWindow(const TextColumns &columns) : m_columns(columns) {}

void ViewWindow::setTopLine(int line)
{
    line = std::clamp(line, 1, std::max(1, m_columns.displayLineCount()));
    if (line == m_topLine)
        return;
    m_topLine = line;
    emit scrolled();
}

void ViewWindow::setLeftColumn(int column)
{
    column = std::clamp(column, 1, std::max(1, m_columns.maxScrollWidth() - m_columnsInWindow + 1));
    if (column == m_leftColumn)
        return;
    m_leftColumn = column;
    emit scrolled();
}

void ViewWindow::setSize(int lines, int columns)
{
    m_linesInWindow = std::max(1, lines);
    m_columnsInWindow = std::max(1, columns);
}

void ViewWindow::reveal(int line, int column)
{
    if (line < m_topLine)
        setTopLine(line);
    else if (line > bottomLine())
        setTopLine(line - m_linesInWindow + 1);
    if (column < m_leftColumn)
        setLeftColumn(column);
    else if (column > m_leftColumn + m_columnsInWindow - 1)
        setLeftColumn(column - m_columnsInWindow + 1);
}

void ViewWindow::home()
{
    m_topLine = m_leftColumn = 1;
}

} // namespace bp
