#include "editor_pane.h"

#include "editor/model/character_cells.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_highlighting.h"
#include "editor_pane_metrics.h"
#include "highlight/tcolor.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

// The pane's painting: the text from cached glyphs in whole cells, the gutter, the caret.
namespace bp {

int TCustomEditorPane::plainPrefix(int line, QStringView text) const
{
    if (m_plainPrefixLine != line - 1) {
        // Blocks of the vectorised test, then the block that holds the first tab or wide
        // character.
        constexpr qsizetype kBlock = 4096;
        qsizetype at = 0;
        while (at < text.size() &&
               hasPlainCells(text.sliced(at, std::min(kBlock, text.size() - at))))
            at += kBlock;
        while (at < text.size() && text[at] != u'\t' && text[at].unicode() < kFirstWideCodeUnit)
            ++at;
        m_plainPrefixLine = line - 1;
        m_plainPrefix = int(at);
    }
    return m_plainPrefix;
}

int TCustomEditorPane::displayColumn(int line, int charColumn) const
{
    // In a long line the plain start is measured once, so the caret and selection far into
    // it cost no pass over the characters before them.
    const QStringView text = m_model->Lines().view(line - 1);
    if (text.size() >= kLongLine && charColumn - 1 <= plainPrefix(line, text))
        return charColumn;
    return m_model->columns().displayColumn(line, charColumn);
}

// --- painting -----------------------------------------------------------------------

std::vector<TPaintRun> TCustomEditorPane::runsFor(int index, QStringView text, int startChar,
                                                  int endChar) const
{
    if (m_runProvider)
        return m_runProvider(index, text, endChar);
    std::vector<TPaintRun> runs;
    const QPalette &colours = palette();
    const bool scanned = m_highlighting->scanLine(
        index, endChar,
        [&](int start, int length, THighlighterAttributes *attribute, TTokenKind) {
            TPaintRun run{start, length, {}, {}, false, false, false, false};
            if (attribute) {
                run.foreground = toQColor(attribute->Foreground(), colours);
                run.background = toQColor(attribute->Background(), colours);
                const TFontStyles style = attribute->Style();
                run.bold = style.testFlag(TFontStyle::fsBold);
                run.italic = style.testFlag(TFontStyle::fsItalic);
                run.underline = style.testFlag(TFontStyle::fsUnderline);
                run.strikeOut = style.testFlag(TFontStyle::fsStrikeOut);
            }
            runs.push_back(run);
        },
        startChar);
    if (!scanned)
        runs.push_back({0, int(text.size()), {}, {}, false, false, false, false});
    return runs;
}

namespace {

constexpr QRgb kLineMarkColor = qRgb(220, 0, 0);
constexpr QRgb kLineHintColor = qRgb(128, 128, 128);

auto marksOfLines(const std::vector<LineMark> &marks, int first, int last)
{
    const auto begin =
        std::lower_bound(marks.begin(), marks.end(), first,
                         [](const LineMark &mark, int line) { return mark.line < line; });
    const auto end = std::upper_bound(
        begin, marks.end(), last, [](int line, const LineMark &mark) { return line < mark.line; });
    return std::pair{begin, end};
}

} // namespace

void TCustomEditorPane::setLineMarks(std::vector<LineMark> marks)
{
    std::stable_sort(marks.begin(), marks.end(), [](const LineMark &left, const LineMark &right) {
        return left.line < right.line;
    });
    m_lineMarks = std::move(marks);
    viewport()->update();
}

void TCustomEditorPane::paintGutter(QPainter &painter, int firstLine, int lastLine)
{
    const QRect gutter(0, 0, m_gutterWidth, viewport()->height());
    painter.drawPixmap(gutter.topLeft(), gutterBackground(gutter.size()));
    painter.setFont(m_gutterFont);
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(m_gutterFont);
    const int lineCount = m_model->Lines().Count();
    for (int line = firstLine; line <= lastLine && line <= std::max(1, lineCount); ++line) {
        const QString number = QString::number(line);
        const int textWidth = metrics.horizontalAdvance(number);
        const int right = m_gutterWidth - kGutterRightOffset - 2;
        const int y = (line - m_model->viewWindow().topLine()) * m_lineHeight;
        const int baseline = y + (m_lineHeight - metrics.height()) / 2 + metrics.ascent();
        painter.drawText(right - textWidth, baseline, number);
    }
    for (auto [mark, end] = marksOfLines(m_lineMarks, firstLine, lastLine); mark != end;) {
        // One sign a line: solid when any of its marks is an error.
        const int signLine = mark->line;
        bool hint = true;
        for (; mark != end && mark->line == signLine; ++mark)
            hint = hint && mark->hint;
        paintLineMarkSign(painter, (signLine - m_model->viewWindow().topLine()) * m_lineHeight,
                          hint);
    }
    for (int number = 0; number < Bookmarks::kCount; ++number) {
        const std::optional<TBufferCoord> mark = m_model->bookmarks().at(number);
        if (mark && mark->Line >= firstLine && mark->Line <= lastLine)
            paintBookmark(painter, number,
                          (mark->Line - m_model->viewWindow().topLine()) * m_lineHeight);
    }
}

const QPixmap &TCustomEditorPane::gutterBackground(QSize size)
{
    // A gradient from the text background to the button colour in bands, drawn once for the
    // gutter's size and colours.
    const QColor left = palette().color(QPalette::Base);
    const QColor right = palette().color(QPalette::Button);
    const qreal ratio = viewport()->devicePixelRatioF();
    if (m_gutterPixmap.deviceIndependentSize().toSize() == size &&
        m_gutterPixmap.devicePixelRatio() == ratio && m_gutterColours == std::pair{left, right})
        return m_gutterPixmap;
    m_gutterPixmap = QPixmap(size * ratio);
    m_gutterPixmap.setDevicePixelRatio(ratio);
    m_gutterColours = {left, right};
    QPainter painter(&m_gutterPixmap);
    for (int band = 0; band < kGutterGradientSteps; ++band) {
        const int x0 = size.width() * band / kGutterGradientSteps;
        const int x1 = size.width() * (band + 1) / kGutterGradientSteps;
        const double t = kGutterGradientSteps > 1 ? double(band) / (kGutterGradientSteps - 1) : 0;
        const auto mix = [t](float from, float to) { return float(from + (to - from) * t); };
        const QColor color =
            QColor::fromRgbF(mix(left.redF(), right.redF()), mix(left.greenF(), right.greenF()),
                             mix(left.blueF(), right.blueF()));
        painter.fillRect(QRect(x0, 0, x1 - x0, size.height()), color);
    }
    return m_gutterPixmap;
}

void TCustomEditorPane::paintBookmark(QPainter &painter, int number, int y)
{
    // A framed digit at the gutter's left edge, clear of right-aligned line numbers
    // below four digits.
    const QFontMetrics metrics(m_gutterFont);
    const int size = std::min(m_lineHeight - 2, metrics.height() + 2);
    const QRect box(1, y + (m_lineHeight - size) / 2, metrics.horizontalAdvance(u'0') + 4, size);
    painter.fillRect(box, palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    QFont font = m_gutterFont;
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(box, Qt::AlignCenter, QString::number(number));
    painter.setFont(m_gutterFont);
}

void TCustomEditorPane::paintLineMarkSign(QPainter &painter, int y, bool hint)
{
    // A bar at the gutter's right edge, in the space the line numbers leave free there, so
    // neither the numbers nor the bookmarks at the left edge are covered.
    const int width = kGutterRightOffset + 1;
    const QRect bar(m_gutterWidth - width, y + 1, width, m_lineHeight - 2);
    if (!hint) {
        painter.fillRect(bar, QColor(kLineMarkColor));
        return;
    }
    painter.save();
    painter.setPen(QColor(kLineHintColor));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    painter.restore();
}

void TCustomEditorPane::paintLine(QPainter &painter, int line, int y)
{
    const EditModel &model = *m_model;
    const QStringView text = model.Lines().view(line - 1);
    const int tabWidth = model.TabWidth();
    const int firstCell = model.viewWindow().leftColumn() - 1; // 0-based first visible display cell
    const int endCell = firstCell + model.viewWindow().columnsInWindow() + 1;
    const int textLeft = m_gutterWidth;
    const bool active = line == model.CaretY();
    painter.fillRect(QRect(textLeft, y, viewport()->width() - textLeft, m_lineHeight),
                     active ? m_activeLineColor : palette().color(QPalette::Base));

    // Lay out only the visible cells, so a very long line costs what is on screen.
    // Without tabs or wide characters a character's cell is its index and the scan starts
    // at the left edge.
    int charIndex = 0;
    int cell = 0;
    const qsizetype shown = std::min<qsizetype>(endCell, text.size());
    if (text.size() >= kLongLine ? plainPrefix(line, text) >= shown
                                 : hasPlainCells(text.first(shown))) {
        charIndex = cell = std::min<int>(firstCell, int(text.size()));
    } else {
        while (charIndex < text.size()) {
            const int next = cellAfter(text, charIndex, cell, tabWidth);
            if (next > firstCell)
                break;
            cell = next;
            ++charIndex;
        }
    }
    const int firstVisibleChar = charIndex;
    // One character of m_visibleText per cell, so a run is drawn as one string; a wide
    // character or a surrogate pair stands there as blanks and is drawn on its own over
    // its cells, since its glyph's advance is not a whole number of cells.
    m_visibleText.clear();
    m_visibleCellOfChar.clear();
    m_visibleGlyphs.clear();
    while (charIndex < text.size() && cell < endCell) {
        m_visibleCellOfChar.push_back(int(m_visibleText.size()));
        const QChar ch = text[charIndex];
        const int next = cellAfter(text, charIndex, cell, tabWidth);
        const bool onItsOwn = ch.unicode() >= kFirstWideCodeUnit && ch != u'\t' &&
                              (next - cell == 2 || ch.isSurrogate());
        if (onItsOwn && cell >= firstCell && next > cell) {
            m_visibleGlyphs.push_back(
                {int(m_visibleText.size()), charIndex, characterCodeUnits(text, charIndex)});
        }
        for (int c = std::max(cell, firstCell); c < next; ++c)
            m_visibleText += (onItsOwn || ch == u'\t' || ch.unicode() < 0x20) ? QChar(u' ') : ch;
        cell = next;
        ++charIndex;
    }
    m_visibleCellOfChar.push_back(int(m_visibleText.size()));
    const int lastVisibleChar = charIndex; // exclusive
    auto cellOf = [&](int index) {
        return m_visibleCellOfChar[std::clamp(index, firstVisibleChar, lastVisibleChar) -
                                   firstVisibleChar];
    };
    // Draws the glyphs standing on their own within visible cells [from, to).
    auto drawGlyphs = [&](int from, int to) {
        auto glyph = std::lower_bound(m_visibleGlyphs.begin(), m_visibleGlyphs.end(), from,
                                      [](const VisibleGlyph &g, int c) { return g.cell < c; });
        for (; glyph != m_visibleGlyphs.end() && glyph->cell < to; ++glyph)
            painter.drawText(textLeft + glyph->cell * m_charWidth, y + m_ascent,
                             text.sliced(glyph->index, glyph->length).toString());
    };

    const int baseline = y + m_ascent;
    for (const TPaintRun &run : runsFor(line - 1, text, firstVisibleChar, lastVisibleChar)) {
        const int from = cellOf(run.start);
        const int to = cellOf(run.start + run.length);
        if (to <= from)
            continue;
        const int x = textLeft + from * m_charWidth;
        if (run.background.isValid())
            painter.fillRect(QRect(x, y, (to - from) * m_charWidth, m_lineHeight), run.background);
        painter.setPen(run.foreground.isValid() ? run.foreground : palette().color(QPalette::Text));
        CellGlyphs &glyphs = m_cellGlyphs[(run.bold ? 1 : 0) + (run.italic ? 2 : 0)];
        glyphs.draw(painter, QStringView(m_visibleText).sliced(from, to - from), x, baseline,
                    m_charWidth, run.underline, run.strikeOut);
        if (!m_visibleGlyphs.empty()) {
            QFont font = glyphs.font();
            font.setUnderline(run.underline);
            font.setStrikeOut(run.strikeOut);
            painter.setFont(font);
            drawGlyphs(from, to);
        }
    }

    if (const auto [mark, marksEnd] = marksOfLines(m_lineMarks, line, line); mark != marksEnd) {
        // A wavy line two pixels high along the bottom of the marked cells; for a hint, grey
        // dots.
        const int bottom = y + m_lineHeight - 1;
        for (auto it = mark; it != marksEnd; ++it) {
            // A line may hold a mark per character: those off screen cost no drawing state.
            const int start = std::min(it->column - 1, int(text.size()));
            const int end = std::min(it->column - 1 + std::max(it->length, 1), int(text.size()));
            if (end <= firstVisibleChar || start >= lastVisibleChar)
                continue;
            const int x0 = textLeft + cellOf(start) * m_charWidth;
            const int x1 = textLeft + cellOf(end) * m_charWidth;
            if (x1 <= x0)
                continue;
            painter.setPen(QColor(it->hint ? kLineHintColor : kLineMarkColor));
            if (it->hint) {
                for (int x = x0; x < x1; x += 3)
                    painter.drawPoint(x, bottom);
                continue;
            }
            m_wave.clear();
            // Inside the marked cells: the last point on their last pixel column.
            int step = 0;
            for (int x = x0; x < x1 - 1; x += 2, ++step)
                m_wave << QPoint(x, bottom - (step % 2) * 2);
            m_wave << QPoint(x1 - 1, bottom - (step % 2) * 2);
            painter.drawPolyline(m_wave);
        }
    }

    const auto [selectionFrom, selectionTo] = selectedCells(line, int(text.size()));
    const int x0 = textLeft + (std::max(selectionFrom, firstCell) - firstCell) * m_charWidth;
    const int x1 = textLeft + (std::min(selectionTo, endCell) - firstCell) * m_charWidth;
    if (x1 > x0) {
        const QRect area(x0, y, x1 - x0, m_lineHeight);
        painter.fillRect(area, palette().color(QPalette::Highlight));
        painter.save();
        painter.setClipRect(area);
        painter.setPen(palette().color(QPalette::HighlightedText));
        // Only the selected cells need drawing; the clip keeps a wide glyph to its part.
        const int from = std::max(0, (x0 - textLeft) / m_charWidth - 2);
        const int to = std::min<int>(int(m_visibleText.size()), (x1 - textLeft) / m_charWidth + 1);
        if (to > from)
            m_cellGlyphs[0].draw(painter, QStringView(m_visibleText).sliced(from, to - from),
                                 textLeft + from * m_charWidth, baseline, m_charWidth, false,
                                 false);
        painter.setFont(m_drawFont);
        drawGlyphs(0, int(m_visibleText.size()));
        painter.restore();
    }
}

std::pair<int, int> TCustomEditorPane::selectedCells(int line, int length) const
{
    const EditModel &model = *m_model;
    if (!model.SelAvail())
        return {0, 0};
    const TBufferCoord begin = model.BlockBegin();
    const TBufferCoord end = model.BlockEnd();
    if (line < begin.Line || line > end.Line)
        return {0, 0};
    // Display columns are 1-based; cells 0-based. A selected line break shows as one cell.
    const int lineEnd = displayColumn(line, length + 1) - 1;
    switch (model.selection().mode) {
    case TSelectionMode::smNormal:
        return {line == begin.Line ? displayColumn(line, begin.Char) - 1 : 0,
                line == end.Line ? displayColumn(line, end.Char) - 1 : lineEnd + 1};
    case TSelectionMode::smLine:
        return {0, std::max(lineEnd + 1, model.viewWindow().leftColumn() +
                                             model.viewWindow().columnsInWindow())};
    case TSelectionMode::smColumn: {
        const auto [left, right] = model.columns().selectionColumns(model.selection());
        return {left - 1, right - 1};
    }
    }
    return {0, 0};
}

void TCustomEditorPane::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int top = m_model->viewWindow().topLine();
    const int firstLine = top + area.top() / m_lineHeight;
    const int lastLine = top + area.bottom() / m_lineHeight;
    const int lineCount = m_model->columns().displayLineCount();
    const int textLeft = m_gutterWidth;
    // Each line fills its own background; only the space below the last line needs filling.
    const int linesEnd = std::max(0, std::min(lastLine, lineCount) - top + 1) * m_lineHeight;
    if (linesEnd <= area.bottom())
        painter.fillRect(QRect(textLeft, linesEnd, viewport()->width() - textLeft,
                               viewport()->height() - linesEnd),
                         palette().color(QPalette::Base));
    for (int line = firstLine; line <= lastLine && line <= lineCount; ++line)
        paintLine(painter, line, (line - top) * m_lineHeight);

    if (m_rightEdge > 0) {
        const int x =
            textLeft + (m_rightEdge - m_model->viewWindow().leftColumn() + 1) * m_charWidth;
        if (x >= textLeft) {
            painter.setPen(m_rightEdgeColor);
            painter.drawLine(x, area.top(), x, area.bottom());
        }
    }
    if ((hasFocus() || m_caretAlwaysVisible) && m_caretVisible) {
        const QRect caret = caretRect();
        if (caret.left() >= textLeft) {
            painter.fillRect(caret, palette().color(QPalette::Text));
            if (!m_model->insertMode()) {
                // The block caret shows the character under it in the background colour.
                const TBufferCoord position = m_model->CaretXY();
                const QStringView line = m_model->Lines().view(position.Line - 1);
                if (position.Char <= line.size() && line[position.Char - 1] != u'\t') {
                    painter.setFont(m_drawFont);
                    painter.setPen(palette().color(QPalette::Base));
                    painter.drawText(
                        caret.left(), caret.top() + m_ascent,
                        line.sliced(position.Char - 1, characterCodeUnits(line, position.Char - 1))
                            .toString());
                }
            }
        }
    }
    if (m_dragging) {
        const int column = displayColumn(m_dropPosition.Line, m_dropPosition.Char);
        const int x = textLeft + (column - m_model->viewWindow().leftColumn()) * m_charWidth;
        if (x >= textLeft)
            painter.fillRect(QRect(x, (m_dropPosition.Line - top) * m_lineHeight, 2, m_lineHeight),
                             palette().color(QPalette::Text));
    }
    if (area.left() < m_gutterWidth)
        paintGutter(painter, firstLine, lastLine);
}

} // namespace bp
