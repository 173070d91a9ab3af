#include "editor_print.h"

#include "common/error.h"
#include "editor/model/character_cells.h"
#include "editor/model/editor_lines.h"
#include "highlight/tcolor.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>
#include <climits>

namespace bp {
namespace {

// Columns from the line's start to each character of a line with wide characters; the
// entry after the last character is the line's width.
std::vector<int> columnsOf(QStringView text, const PrintMetrics &metrics)
{
    std::vector<int> columns(std::size_t(text.size()) + 1, 0);
    for (qsizetype i = 0; i < text.size(); ++i) {
        int width = 1;
        const QChar unit = text[i];
        if (unit.unicode() >= kFirstWideCodeUnit) {
            if (unit.isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate())
                width = 0;
            else
                width = metrics.characterColumns(text.mid(i, characterCodeUnits(text, i)));
        }
        columns[std::size_t(i) + 1] = columns[std::size_t(i)] + width;
    }
    return columns;
}

bool hasOnlyNarrowCharacters(QStringView text)
{
    return std::none_of(text.begin(), text.end(),
                        [](QChar c) { return c.unicode() >= kFirstWideCodeUnit; });
}

} // namespace

QString expandTabs(QStringView line, int tabWidth)
{
    tabWidth = std::max(tabWidth, 1);
    QString expanded;
    expanded.reserve(line.size() + tabWidth);
    int cell = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const int next = cellAfter(line, i, cell, tabWidth);
        if (line[i] == u'\t')
            expanded.append(QString(next - cell, u' '));
        else
            expanded.append(line[i]);
        cell = next;
    }
    return expanded;
}

TEditorPrint::TEditorPrint() : m_font(QStringLiteral("Tahoma"))
{
    m_font.setPixelSize(11);
}

TEditorPrint::~TEditorPrint()
{
    SetHighlighter(nullptr);
}

void TEditorPrint::SetHighlighter(TCustomHighlighter *highlighter)
{
    if (highlighter == m_highlighter)
        return;
    if (m_highlighter)
        m_highlighter->RemoveDestroyHandler(m_destroyHook);
    m_highlighter = highlighter;
    m_destroyHook = 0;
    m_ranges.clear();
    if (m_highlighter) {
        m_destroyHook = m_highlighter->AddDestroyHandler([this](TCustomHighlighter *) {
            m_highlighter = nullptr;
            m_destroyHook = 0;
            m_ranges.clear();
        });
    }
}

void TEditorPrint::attachEditor(const TEditorLines &lines, TCustomHighlighter *highlighter,
                                const QFont &font, int tabWidth)
{
    SetHighlighter(highlighter);
    SetFont(font);
    TabWidth = tabWidth;
    m_lines.clear();
    m_lines.reserve(std::size_t(lines.Count()));
    for (int i = 0; i < lines.Count(); ++i) {
        const QStringView text = lines.view(i);
        m_lines.push_back(text.contains(u'\t') ? expandTabs(text, TabWidth) : lines.at(i));
    }
}

void TEditorPrint::UpdatePages()
{
    m_metrics = std::make_unique<FontPrintMetrics>(printFontFor(m_font, m_printer.dotsPerInchY));
    storeRanges();
    m_layout.layOut(m_lines, *m_metrics, textAreaFor(Margins, m_printer),
                    PrintLayout::Options{LineNumbers, Wrap});
}

void TEditorPrint::storeRanges()
{
    m_ranges.clear();
    if (!m_highlighter || m_lines.empty())
        return;
    TCustomHighlighter &highlighter = *m_highlighter;
    m_ranges.resize(m_lines.size());
    highlighter.ResetRange();
    m_ranges[0] = highlighter.GetRange();
    for (std::size_t i = 1; i < m_lines.size(); ++i)
        m_ranges[i] = highlighter.ScanEndState(m_lines[i - 1], int(i - 1));
}

void TEditorPrint::PrintPage(QPainter &painter, int pageNumber, QPoint origin)
{
    if (!m_metrics || pageNumber < 1 || pageNumber > PageCount())
        return;
    const std::vector<TPageLine> &pages = m_layout.pages();
    const TPageLine start = pages[std::size_t(pageNumber - 1)];
    const TPageLine end = pageNumber < PageCount() ? pages[std::size_t(pageNumber)]
                                                   : TPageLine{int(m_lines.size()), 0};
    painter.save();
    painter.translate(origin);
    // The line numbers stand on the page background too.
    const PrintTextArea page = textAreaFor(Margins, m_printer);
    painter.fillRect(QRect(QPoint(page.left, page.top), QPoint(page.right - 1, page.bottom - 1)),
                     Color);
    int y = m_layout.textArea().top;
    for (int line = start.line; line < end.line || (line == end.line && end.row > 0); ++line) {
        const int firstRow = line == start.line ? start.row : 0;
        const int endRow = line == end.line ? end.row : INT_MAX;
        printLine(painter, line, firstRow, endRow, y);
    }
    painter.restore();
}

void TEditorPrint::printLine(QPainter &painter, int line, int firstRow, int endRow, int &y)
{
    const QString &text = m_lines[std::size_t(line)];
    const FontPrintMetrics &metrics = *m_metrics;
    const PrintTextArea &area = m_layout.textArea();
    const int lineHeight = m_layout.lineHeight();
    const int columnWidth = metrics.columnWidth();
    const int ascent = metrics.ascent();
    const std::vector<int> rowStarts = m_layout.rowStarts(text);
    endRow = std::min(endRow, int(rowStarts.size()) + 1);
    auto rowStart = [&](int row) { return row == 0 ? 0 : rowStarts[std::size_t(row - 1)]; };
    auto rowEnd = [&](int row) {
        return row < int(rowStarts.size()) ? rowStarts[std::size_t(row)] : int(text.size());
    };

    if (LineNumbers && firstRow == 0) {
        const QString label = PrintLayout::lineLabel(line + 1);
        painter.setFont(metrics.printFont(false, false, false, false));
        painter.setPen(Qt::black);
        const int labelLeft = area.left - metrics.textWidth(label);
        for (int i = 0; i < label.size(); ++i)
            painter.drawText(QPointF(labelLeft + i * columnWidth, y + ascent), label.mid(i, 1));
    }

    const bool narrow = hasOnlyNarrowCharacters(text);
    const std::vector<int> columns = narrow ? std::vector<int>() : columnsOf(text, metrics);
    auto column = [&](int index) { return narrow ? index : columns[std::size_t(index)]; };

    // Draws characters [from, to) of one row, each at the start of its column, so that
    // the glyphs keep to the grid whatever widths the device gives them.
    auto drawSegment = [&](int from, int to, int x, int rowY) {
        const int rowColumn = column(from);
        for (int i = from; i < to;) {
            const int units = std::min(characterCodeUnits(text, i), to - i);
            if (text[i] != u' ')
                painter.drawText(QPointF(x + (column(i) - rowColumn) * columnWidth, rowY + ascent),
                                 text.mid(i, units));
            i += units;
        }
    };

    // Paints characters [from, to) in one style, split where the line wraps.
    auto drawRun = [&](int from, int to, const QFont &font, const QColor &foreground,
                       const QColor &background) {
        painter.setFont(font);
        painter.setPen(foreground);
        while (from < to) {
            const int row =
                int(std::upper_bound(rowStarts.begin(), rowStarts.end(), from) - rowStarts.begin());
            const int segmentEnd = std::min(to, rowEnd(row));
            if (row >= firstRow && row < endRow) {
                const int rowY = y + (row - firstRow) * lineHeight;
                const int x = area.left + (column(from) - column(rowStart(row))) * columnWidth;
                const int width = (column(segmentEnd) - column(from)) * columnWidth;
                painter.fillRect(QRect(x, rowY, width, lineHeight), background);
                drawSegment(from, segmentEnd, x, rowY);
            }
            from = segmentEnd;
        }
    };

    const int endChar = endRow > firstRow ? rowEnd(endRow - 1) : 0;
    TCustomHighlighter *highlighter =
        Highlight && m_highlighter && m_highlighter->Enabled() && !m_ranges.empty() ? m_highlighter
                                                                                    : nullptr;
    if (!highlighter) {
        drawRun(rowStart(firstRow), endChar,
                metrics.printFont(m_font.bold(), m_font.italic(), m_font.underline(),
                                  m_font.strikeOut()),
                FontColor, Color);
    } else {
        highlighter->SetRange(m_ranges[std::size_t(line)]);
        highlighter->SetLine(text, line);
        while (!highlighter->GetEol()) {
            const int start = highlighter->GetTokenPos();
            if (start >= endChar)
                break;
            const int end = start + int(highlighter->GetTokenView().size());
            const THighlighterAttributes *attribute = highlighter->GetTokenAttribute();
            QColor foreground = FontColor;
            QColor background = Color;
            TFontStyles style;
            if (attribute) {
                style = attribute->Style();
                if (Colors) {
                    if (const QColor color = toQColor(attribute->Foreground()); color.isValid())
                        foreground = color;
                    if (const QColor color = toQColor(attribute->Background()); color.isValid())
                        background = color;
                }
            }
            if (end > rowStart(firstRow))
                drawRun(std::max(start, rowStart(firstRow)), std::min(end, endChar),
                        metrics.printFont(style.testFlag(TFontStyle::fsBold),
                                          style.testFlag(TFontStyle::fsItalic),
                                          style.testFlag(TFontStyle::fsUnderline),
                                          style.testFlag(TFontStyle::fsStrikeOut)),
                        foreground, background);
            highlighter->Next();
        }
    }
    y += lineHeight * std::max(endRow - firstRow, 0);
}

bool TEditorPrint::Print(QPainter &painter, QPagedPaintDevice &device, QPoint origin,
                         const Progress &progress, int firstPage, int lastPage)
{
    firstPage = std::max(firstPage, 1);
    lastPage = std::min(lastPage, PageCount());
    const int pages = std::max(lastPage - firstPage + 1, 0);
    const int sheets = pages * std::max(Copies, 1);
    int sheet = 0;
    for (int copy = 0; copy < std::max(Copies, 1); ++copy) {
        for (int page = firstPage; page <= lastPage; ++page) {
            ++sheet;
            if (progress && !progress(sheet, sheets))
                return false;
            if (sheet > 1 && !device.newPage())
                throw Error(QStringLiteral("Не удалось начать лист %1 из %2 при печати")
                                .arg(sheet)
                                .arg(sheets));
            PrintPage(painter, page, origin);
        }
    }
    return true;
}

} // namespace bp
