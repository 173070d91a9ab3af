#include "text_columns.h"

#include "character_cells.h"
#include "editor_lines.h"
#include "text_selection.h"

#include <algorithm>

namespace bp {

void TextColumns::setTabWidth(int width)
{
    m_tabWidth = std::max(1, width);
}

int TextColumns::displayColumn(int line, int charColumn) const
{
    const QStringView text = m_lines.view(line - 1);
    const int inLine = std::min<int>(charColumn - 1, int(text.size()));
    int column = 0;
    // Only the characters before the column matter, so a long line is not read to its end.
    if (hasPlainCells(text.first(std::max(inLine, 0)))) {
        column = inLine;
    } else {
        for (int i = 0; i < inLine; ++i)
            column = cellAfter(text, i, column, m_tabWidth);
    }
    return column + 1 + std::max(0, charColumn - 1 - inLine);
}

int TextColumns::charColumnAt(int line, int column) const
{
    const QStringView text = m_lines.view(line - 1);
    // When every character before it takes one cell, display column n shows character n.
    if (hasPlainCells(text.first(std::clamp<qsizetype>(column - 1, 0, text.size()))))
        return std::max(1, column);
    int cells = 0;
    for (int i = 0; i < text.size(); ++i) {
        // The second half of a surrogate pair takes no cell and is never returned.
        const int next = cellAfter(text, i, cells, m_tabWidth);
        if (column - 1 < next)
            return i + 1;
        cells = next;
    }
    return int(text.size()) + 1 + (column - 1 - cells);
}

std::pair<int, int> TextColumns::selectionColumns(const TextSelection &selection) const
{
    const int anchor = displayColumn(selection.anchor.Line, selection.anchor.Char);
    const int moving = displayColumn(selection.moving.Line, selection.moving.Char);
    return {std::min(anchor, moving), std::max(anchor, moving)};
}

int TextColumns::maxCaretColumn(int line) const
{
    return std::max(kMaxCaretColumn, m_lines.length(line - 1) + 1);
}

int TextColumns::maxScrollWidth() const
{
    if (m_longestLine < 0) {
        int longest = 0;
        for (int i = 0; i < m_lines.Count(); ++i)
            longest = std::max(longest, m_lines.length(i));
        m_longestLine = longest;
    }
    return std::max(kMaxScrollWidth, m_longestLine + 1);
}

int TextColumns::displayLineCount() const
{
    return std::max(1, m_lines.Count());
}

void TextColumns::noteLines(int index, int count)
{
    if (m_longestLine < 0)
        return;
    for (int i = index; i < index + count; ++i)
        m_longestLine = std::max(m_longestLine, m_lines.length(i));
}

} // namespace bp
