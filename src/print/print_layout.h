#pragma once

#include "print_margins.h"

#include <QString>
#include <QStringView>
#include <vector>

namespace bp {

class PrintMetrics;

// Where a page starts: its first line (0-based) and, for a wrapped line continued from the
// page before, the first of that line's rows printed here (0 otherwise).
struct TPageLine
{
    int line = 0;
    int row = 0;

    bool operator==(const TPageLine &) const = default;
};

// The text rectangle, the wrap width and the page breaks of a document of printed lines.
// Pages are filled row by row from the top of the text area: a line starts a new page when
// its first row would pass the bottom, and so does each further row of a wrapped line, so a
// line longer than a page goes on at the top of the next one. A page always takes at least
// one row, however small the text area.
class PrintLayout
{
public:
    struct Options
    {
        bool lineNumbers = true;
        bool wrap = true;
    };

    // Lays out `lines` (tabs already expanded) within `area`; the page list then holds at
    // least one page.
    void layOut(const std::vector<QString> &lines, const PrintMetrics &metrics,
                const PrintTextArea &area, Options options);

    // The text area with the left edge moved right past the widest line-number label.
    const PrintTextArea &textArea() const { return m_area; }
    int lineHeight() const { return m_lineHeight; }
    // Columns a row holds, and the width of that many columns.
    int wrapColumns() const { return m_wrapColumns; }
    int maxWidth() const { return m_maxWidth; }
    bool wraps() const { return m_options.wrap; }
    bool lineNumbers() const { return m_options.lineNumbers; }
    const std::vector<TPageLine> &pages() const { return m_pages; }
    int pageCount() const { return int(m_pages.size()); }
    // Where `line` breaks into rows (see wrapLine); empty without wrapping.
    std::vector<int> rowStarts(QStringView line) const;

    // The label printed before line `lineNumber` (1-based): "12: ".
    static QString lineLabel(int lineNumber);

private:
    PrintTextArea m_area;
    Options m_options;
    int m_lineHeight = 1;
    int m_wrapColumns = 1;
    int m_maxWidth = 0;
    std::vector<TPageLine> m_pages{TPageLine{}};
};

} // namespace bp
