#include "editor_pane.h"

#include "cell_glyphs.h"
#include "editor/model/character_cells.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_highlighting.h"
#include "highlight/tcolor.h"
#include "key_map.h"
#include "system_clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionSlider>
#include <algorithm>

namespace bp {
namespace {

constexpr int kGutterRightOffset = 2;
constexpr int kGutterLeftOffset = 0;
constexpr int kGutterGradientSteps = 48;
constexpr int kMinGutterDigits = 4;
// Lines at least this long keep the length of their plain start between paints.
constexpr qsizetype kLongLine = 4096;

int decimalDigits(int value)
{
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

} // namespace

TCustomEditorPane::TCustomEditorPane(QWidget *parent)
    : QAbstractScrollArea(parent), m_model(std::make_unique<EditModel>()),
      m_clipboard(std::make_unique<SystemClipboard>()),
      m_highlighting(std::make_unique<EditorHighlighting>(*m_model))
{
    m_model->setClipboard(m_clipboard.get());
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_activeLineColor = palette().color(QPalette::ToolTipBase);
    m_rightEdgeColor = QColor(0xC0, 0xC0, 0xC0);
    m_font = font();
    m_gutterFont = font();

    connect(m_model.get(), &EditModel::linesInvalidated, this, &TCustomEditorPane::invalidateLines);
    connect(m_model.get(), &EditModel::lineCountChanged, this, [this] {
        updateGutterWidth();
        updateScrollBars();
    });
    connect(m_model.get(), &EditModel::caretMoved, this, &TCustomEditorPane::onCaretMoved);
    connect(&m_model->viewWindow(), &ViewWindow::scrolled, this, [this] {
        updateScrollBars();
        viewport()->update();
    });
    connect(m_model.get(), &EditModel::selectionChanged, this,
            &TCustomEditorPane::actionStateChanged);
    connect(&m_model->undoHistory(), &UndoHistory::stateChanged, this,
            &TCustomEditorPane::actionStateChanged);
    connect(m_model.get(), &EditModel::modeChanged, this, [this] { viewport()->update(); });
    connect(m_model.get(), &EditModel::changed, this, [this] {
        if (OnChange)
            OnChange();
    });
    connect(m_highlighting.get(), &EditorHighlighting::linesRecoloured, this,
            &TCustomEditorPane::invalidateLines);
    connect(m_highlighting.get(), &EditorHighlighting::highlighterChanged, this,
            &TCustomEditorPane::updateMetrics);
    connect(&m_model->bookmarks(), &Bookmarks::changed, this,
            [this] { viewport()->update(0, 0, m_gutterWidth, viewport()->height()); });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TCustomEditorPane::actionStateChanged);

    // A hint window of its own, so it can stand beside the bar wherever the pane is.
    m_scrollHint = new QLabel(this, Qt::ToolTip);
    m_scrollHint->setObjectName(QStringLiteral("scrollHint"));
    m_scrollHint->setFrameShape(QFrame::Box);
    m_scrollHint->setAutoFillBackground(true);
    QPalette hintPalette = m_scrollHint->palette();
    hintPalette.setColor(QPalette::Window, palette().color(QPalette::ToolTipBase));
    hintPalette.setColor(QPalette::WindowText, palette().color(QPalette::ToolTipText));
    m_scrollHint->setPalette(hintPalette);
    m_scrollHint->hide();
    connect(verticalScrollBar(), &QScrollBar::sliderMoved, this,
            &TCustomEditorPane::showScrollHint);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, m_scrollHint, &QWidget::hide);
    updateMetrics();
}

TCustomEditorPane::~TCustomEditorPane()
{
    // The highlighting listens to the model's lines: it goes first.
    m_highlighting.reset();
}

void TCustomEditorPane::SetHighlighter(TCustomHighlighter *highlighter)
{
    m_highlighting->setHighlighter(highlighter);
}

TCustomHighlighter *TCustomEditorPane::Highlighter() const
{
    return m_highlighting->highlighter();
}

TEditorLines &TCustomEditorPane::Lines()
{
    return m_model->Lines();
}

// --- settings and metrics -----------------------------------------------------------

void TCustomEditorPane::setEditorFont(const QFont &font)
{
    m_font = font;
    updateMetrics();
}

void TCustomEditorPane::setGutterFont(const QFont &font)
{
    m_gutterFont = font;
    updateMetrics();
}

void TCustomEditorPane::setActiveLineColor(const QColor &color)
{
    m_activeLineColor = color;
    viewport()->update();
}

void TCustomEditorPane::setRightEdge(int column, const QColor &color)
{
    m_rightEdge = column;
    m_rightEdgeColor = color;
    viewport()->update();
}

void TCustomEditorPane::setRunProvider(RunProvider provider)
{
    m_runProvider = std::move(provider);
    viewport()->update();
}

void TCustomEditorPane::updateMetrics()
{
    const QFontMetrics metrics(m_font);
    // Text is laid out in whole-pixel cells; a fractional advance is evened out by letter
    // spacing, so a run drawn in one call ends exactly where the next cell starts.
    const qreal advance = QFontMetricsF(m_font).horizontalAdvance(QLatin1Char('M'));
    m_charWidth = std::max(1, qRound(advance));
    m_drawFont = m_font;
    m_drawFont.setLetterSpacing(QFont::AbsoluteSpacing, m_charWidth - advance);
    for (int variant = 0; variant < int(m_cellGlyphs.size()); ++variant) {
        QFont font = m_drawFont;
        font.setBold(variant & 1);
        font.setItalic(variant & 2);
        m_cellGlyphs[std::size_t(variant)].setFont(font);
    }
    m_lineHeight = std::max(1, metrics.height());
    m_ascent = metrics.ascent();
    m_gutterDigitWidth = QFontMetrics(m_gutterFont).horizontalAdvance(QLatin1Char('0'));
    m_gutterDigits = -1;
    updateGutterWidth();
    updateWindowSize();
    updateScrollBars();
    viewport()->update();
}

void TCustomEditorPane::updateGutterWidth()
{
    const int digits = std::max(kMinGutterDigits, decimalDigits(m_model->Lines().Count()));
    if (digits == m_gutterDigits)
        return;
    m_gutterDigits = digits;
    m_gutterWidth =
        kGutterLeftOffset + kGutterRightOffset + m_gutterDigitWidth * m_gutterDigits + 2;
    updateWindowSize();
    viewport()->update();
}

void TCustomEditorPane::updateWindowSize()
{
    const int lines = std::max(1, viewport()->height() / m_lineHeight);
    const int chars = std::max(1, (viewport()->width() - m_gutterWidth) / m_charWidth);
    m_model->viewWindow().setSize(lines, chars);
}

void TCustomEditorPane::updateScrollBars()
{
    m_updatingScrollBars = true;
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(
        1, std::max(1, m_model->displayLineCount() - m_model->viewWindow().linesInWindow() + 1));
    vertical->setPageStep(m_model->viewWindow().linesInWindow());
    vertical->setSingleStep(1);
    vertical->setValue(m_model->viewWindow().topLine());
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(
        1, std::max(1, m_model->maxScrollWidth() - m_model->viewWindow().columnsInWindow() + 1));
    horizontal->setPageStep(m_model->viewWindow().columnsInWindow());
    horizontal->setSingleStep(1);
    horizontal->setValue(m_model->viewWindow().leftColumn());
    m_updatingScrollBars = false;
}

void TCustomEditorPane::scrollContentsBy(int, int)
{
    if (m_updatingScrollBars)
        return;
    m_model->viewWindow().setTopLine(verticalScrollBar()->value());
    m_model->viewWindow().setLeftColumn(horizontalScrollBar()->value());
    viewport()->update();
}

void TCustomEditorPane::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateWindowSize();
    updateScrollBars();
}

// --- geometry -----------------------------------------------------------------------

QRect TCustomEditorPane::lineRect(int line) const
{
    const int y = (line - m_model->viewWindow().topLine()) * m_lineHeight;
    return QRect(0, y, viewport()->width(), m_lineHeight);
}

void TCustomEditorPane::invalidateLines(int first, int last)
{
    if (m_plainPrefixLine >= 0 && m_plainPrefixLine >= first &&
        (last < 0 || m_plainPrefixLine <= last))
        m_plainPrefixLine = -1;
    const int top = m_model->viewWindow().topLine() - 1;
    const int bottom = top + m_model->viewWindow().linesInWindow();
    if (last < 0)
        last = bottom;
    first = std::max(first, top);
    last = std::min(last, bottom);
    if (first > last)
        return;
    viewport()->update(QRect(0, (first - top) * m_lineHeight, viewport()->width(),
                             (last - first + 1) * m_lineHeight));
}

TBufferCoord TCustomEditorPane::positionAt(const QPoint &point) const
{
    // Rows above the view count negative, so a drag past the top edge reaches the lines
    // scrolled out there.
    const int row =
        point.y() >= 0 ? point.y() / m_lineHeight : (point.y() - m_lineHeight + 1) / m_lineHeight;
    const int line =
        std::clamp(m_model->viewWindow().topLine() + row, 1, m_model->displayLineCount());
    if (point.x() < m_gutterWidth)
        return {1, line};
    // Round to the nearer cell boundary, as a click between two characters expects.
    const int column = m_model->viewWindow().leftColumn() +
                       (point.x() - m_gutterWidth + m_charWidth / 2) / m_charWidth;
    int charColumn = m_model->charColumnAt(line, column);
    // A boundary inside a wide character: the caret goes to the side of it nearer the point.
    const int start = m_model->displayColumn(line, charColumn);
    if (start < column) {
        const QStringView text = m_model->Lines().view(line - 1);
        const int end = m_model->displayColumn(line, charColumn + 1);
        const int middleX = m_gutterWidth + (start + end - 2 * m_model->viewWindow().leftColumn()) *
                                                m_charWidth / 2;
        if (text[charColumn - 1] != u'\t' && point.x() >= middleX)
            charColumn += characterCodeUnits(text, charColumn - 1);
    }
    return {std::clamp(charColumn, 1, m_model->maxCaretColumn(line)), line};
}

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
    return m_model->displayColumn(line, charColumn);
}

QRect TCustomEditorPane::caretRect() const
{
    const TBufferCoord caret = m_model->CaretXY();
    const int column = displayColumn(caret.Line, caret.Char);
    const int x = m_gutterWidth + (column - m_model->viewWindow().leftColumn()) * m_charWidth;
    const int y = (caret.Line - m_model->viewWindow().topLine()) * m_lineHeight;
    if (m_model->insertMode())
        return QRect(x, y, 2, m_lineHeight);
    // The block covers the character under it: two cells for a wide one, one for a tab.
    const QStringView text = m_model->Lines().view(caret.Line - 1);
    const int cells = caret.Char <= text.size() && text[caret.Char - 1] != u'\t'
                          ? displayColumn(caret.Line, caret.Char + 1) - column
                          : 1;
    return QRect(x, y, std::max(1, cells) * m_charWidth, m_lineHeight);
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
        const QColor color = QColor::fromRgbF(left.redF() + (right.redF() - left.redF()) * t,
                                              left.greenF() + (right.greenF() - left.greenF()) * t,
                                              left.blueF() + (right.blueF() - left.blueF()) * t);
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
    switch (model.selectionMode()) {
    case TSelectionMode::smNormal:
        return {line == begin.Line ? displayColumn(line, begin.Char) - 1 : 0,
                line == end.Line ? displayColumn(line, end.Char) - 1 : lineEnd + 1};
    case TSelectionMode::smLine:
        return {0, std::max(lineEnd + 1, model.viewWindow().leftColumn() +
                                             model.viewWindow().columnsInWindow())};
    case TSelectionMode::smColumn: {
        const auto [left, right] = model.columnSelectionColumns();
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
    const int lineCount = m_model->displayLineCount();
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

void TCustomEditorPane::showScrollHint(int topLine)
{
    m_scrollHint->setText(QStringLiteral("Top Line: %1").arg(topLine));
    m_scrollHint->adjustSize();
    // The bar lives in a container of its own, so its geometry says nothing about where it
    // is in the pane: place the hint from the thumb's position on the screen.
    const QScrollBar *bar = verticalScrollBar();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.subControls = QStyle::SC_All;
    option.orientation = bar->orientation();
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                     QStyle::SC_ScrollBarSlider, bar);
    const QPoint thumbLeft = bar->mapToGlobal(QPoint(thumb.left(), thumb.center().y()));
    QPoint at(thumbLeft.x() - m_scrollHint->width() - 2,
              thumbLeft.y() - m_scrollHint->height() / 2);
    if (const QScreen *screen = bar->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(),
                           std::max(area.left(), area.right() + 1 - m_scrollHint->width())));
        at.setY(std::clamp(at.y(), area.top(),
                           std::max(area.top(), area.bottom() + 1 - m_scrollHint->height())));
    }
    m_scrollHint->move(at);
    m_scrollHint->show();
    m_scrollHint->raise();
}

// --- caret --------------------------------------------------------------------------

void TCustomEditorPane::onCaretMoved()
{
    restartCaretBlink();
    // Only the caret rectangle moved; asking for every property would copy the line's text on
    // each caret move.
    updateMicroFocus(Qt::ImCursorRectangle);
    // The caret and the active line's colour change only on the lines it left and entered;
    // selection and text changes repaint their own lines.
    const int line = m_model->CaretY();
    invalidateLines(m_caretLineShown - 1, m_caretLineShown - 1);
    if (line != m_caretLineShown)
        invalidateLines(line - 1, line - 1);
    m_caretLineShown = line;
    emit actionStateChanged();
}

void TCustomEditorPane::restartCaretBlink()
{
    m_caretVisible = true;
    if (m_blinkTimer)
        killTimer(m_blinkTimer);
    m_blinkTimer = 0;
    const int interval = QGuiApplication::styleHints()->cursorFlashTime() / 2;
    if (hasFocus() && interval > 0)
        m_blinkTimer = startTimer(interval);
}

void TCustomEditorPane::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_autoScrollTimer) {
        runInput([this] { autoScrollStep(); });
        return;
    }
    if (event->timerId() != m_blinkTimer) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    m_caretVisible = !m_caretVisible;
    viewport()->update(caretRect().adjusted(-1, 0, 1, 0));
}

// --- focus and actions --------------------------------------------------------------

void TCustomEditorPane::SetFocus()
{
    setFocus(Qt::OtherFocusReason);
}

void TCustomEditorPane::setCaretAlwaysVisible(bool visible)
{
    m_caretAlwaysVisible = visible;
    m_caretVisible = true;
    viewport()->update();
}

void TCustomEditorPane::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    restartCaretBlink();
    viewport()->update();
    emit actionStateChanged();
}

void TCustomEditorPane::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    if (m_blinkTimer)
        killTimer(m_blinkTimer);
    m_blinkTimer = 0;
    viewport()->update();
    emit actionStateChanged();
}

bool TCustomEditorPane::focusNextPrevChild(bool)
{
    // Tab and Shift+Tab are editing keys here, never focus moves.
    return false;
}

bool TCustomEditorPane::UpdateAction(TEditAction action) const
{
    if (!hasFocus())
        return false;
    switch (action) {
    case TEditAction::Cut:
    case TEditAction::Copy:
        return m_model->SelAvail();
    case TEditAction::Paste:
        return m_model->canPaste();
    case TEditAction::Undo:
        return m_model->undoHistory().canUndo();
    case TEditAction::Delete:
    case TEditAction::SelectAll:
        return true;
    }
    return false;
}

bool TCustomEditorPane::ExecuteAction(TEditAction action)
{
    if (!hasFocus())
        return false;
    switch (action) {
    case TEditAction::Cut:
        executeCommand(ecCut);
        break;
    case TEditAction::Copy:
        executeCommand(ecCopy);
        break;
    case TEditAction::Paste:
        executeCommand(ecPaste);
        break;
    case TEditAction::Undo:
        executeCommand(ecUndo);
        break;
    case TEditAction::Delete:
        executeCommand(ecDeleteChar);
        break;
    case TEditAction::SelectAll:
        executeCommand(ecSelectAll);
        break;
    }
    return true;
}

void TCustomEditorPane::executeCommand(TEditorCommand command, QChar ch)
{
    m_model->executeCommand(command, ch);
    if (command == ecCopy)
        emit actionStateChanged();
}

void TCustomEditorPane::runInput(const std::function<void()> &work)
{
    if (m_commandBoundary)
        m_commandBoundary(work);
    else
        work();
}

// --- keyboard -----------------------------------------------------------------------

void TCustomEditorPane::keyPressEvent(QKeyEvent *event)
{
    runInput([&] { handleKey(event); });
}

void TCustomEditorPane::handleKey(QKeyEvent *event)
{
    const TEditorCommand command =
        commandForKey(event->key(), event->modifiers(),
                      keyboardDigit(event->nativeScanCode(), event->nativeVirtualKey()));
    if (command != ecNone) {
        executeCommand(command);
        event->accept();
        return;
    }
    const QString text = event->text();
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    // AltGr arrives as Ctrl+Alt on some platforms and still types characters.
    const bool typing =
        modifiers == Qt::NoModifier || modifiers == (Qt::ControlModifier | Qt::AltModifier);
    if (typing && !text.isEmpty() && text.front().unicode() >= 0x20 &&
        text.front().unicode() != 0x7F) {
        for (QChar ch : text)
            executeCommand(ecChar, ch);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TCustomEditorPane::inputMethodEvent(QInputMethodEvent *event)
{
    event->accept();
    runInput([&] {
        for (QChar ch : event->commitString())
            executeCommand(ecChar, ch);
    });
}

// --- mouse --------------------------------------------------------------------------

void TCustomEditorPane::mousePressEvent(QMouseEvent *event)
{
    runInput([&] { handleMousePress(event); });
}

void TCustomEditorPane::handleMousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        // The right button opens the context menu and leaves caret and selection alone.
        event->accept();
        return;
    }
    const QPoint point = event->position().toPoint();
    const TBufferCoord position = positionAt(point);
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    event->accept();
    if (!extend && point.x() >= m_gutterWidth &&
        m_model->selectionMode() == TSelectionMode::smNormal && m_model->isInSelection(position)) {
        m_dragPending = true;
        m_dragStart = point;
        return;
    }
    m_model->moveCaret(position, extend);
    m_selecting = true;
}

void TCustomEditorPane::mouseMoveEvent(QMouseEvent *event)
{
    runInput([&] { handleMouseMove(event); });
}

void TCustomEditorPane::handleMouseMove(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    event->accept();
    if (m_dragPending &&
        (point - m_dragStart).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragPending = false;
        m_dragging = true;
    }
    if (m_dragging) {
        m_dropPosition = positionAt(point);
        viewport()->setCursor((event->modifiers() & Qt::ControlModifier) ? Qt::DragCopyCursor
                                                                         : Qt::DragMoveCursor);
        viewport()->update();
        updateAutoScroll(point);
        return;
    }
    if (m_selecting)
        m_model->moveCaret(positionAt(point), true);
    updateAutoScroll(point);
}

void TCustomEditorPane::updateAutoScroll(const QPoint &point)
{
    // While the mouse is held above or below the text, the view keeps scrolling towards it.
    m_lastMousePoint = point;
    const bool outside = point.y() < 0 || point.y() >= viewport()->height();
    if (outside && (m_selecting || m_dragging)) {
        if (!m_autoScrollTimer)
            m_autoScrollTimer = startTimer(50);
    } else if (m_autoScrollTimer) {
        killTimer(m_autoScrollTimer);
        m_autoScrollTimer = 0;
    }
}

void TCustomEditorPane::autoScrollStep()
{
    const int direction = m_lastMousePoint.y() < 0 ? -1 : 1;
    if (m_selecting) {
        const TBufferCoord target = positionAt(m_lastMousePoint);
        m_model->moveCaret({target.Char, m_model->CaretY() + direction}, true);
    } else if (m_dragging) {
        m_model->viewWindow().setTopLine(m_model->viewWindow().topLine() + direction);
        m_dropPosition = positionAt(m_lastMousePoint);
        viewport()->update();
    }
}

void TCustomEditorPane::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const TBufferCoord position = positionAt(event->position().toPoint());
    const bool dropping = m_dragging;
    const bool placing = m_dragPending;
    // The gesture ends here even when the command it finishes fails.
    m_dragging = false;
    m_dragPending = false;
    m_selecting = false;
    updateAutoScroll(QPoint());
    if (dropping) {
        viewport()->setCursor(Qt::IBeamCursor);
        viewport()->update();
        const bool copy = event->modifiers() & Qt::ControlModifier;
        runInput([&] { m_model->dropSelection(position, copy); });
    } else if (placing) {
        // A click inside the selection that never became a drag places the caret.
        runInput([&] { m_model->moveCaret(position, false); });
    }
}

void TCustomEditorPane::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || event->position().x() < m_gutterWidth)
        return;
    m_selecting = false;
    m_dragPending = false;
    event->accept();
    runInput([&] { m_model->selectWordAt(positionAt(event->position().toPoint())); });
}

void TCustomEditorPane::contextMenuEvent(QContextMenuEvent *event)
{
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        // The menu key opens the menu at the caret's foot, kept inside the text area when
        // the caret is scrolled out of view.
        const QRect area = viewport()->rect().adjusted(m_gutterWidth, 0, 0, 0);
        const QPoint foot = caretRect().bottomLeft();
        at = viewport()->mapToGlobal(
            QPoint(std::clamp(foot.x(), area.left(), std::max(area.left(), area.right())),
                   std::clamp(foot.y(), area.top(), std::max(area.top(), area.bottom()))));
    }
    if (m_contextMenu)
        m_contextMenu->popup(at);
    event->accept();
}

QVariant TCustomEditorPane::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // Input methods and the window layer place their windows at the caret.
    if (query == Qt::ImCursorRectangle) {
        const QRect caret = caretRect();
        return QRect(viewport()->mapTo(this, caret.topLeft()), caret.size());
    }
    return QAbstractScrollArea::inputMethodQuery(query);
}

// --- the configured pane ------------------------------------------------------------

TEditorPane::TEditorPane(QWidget *parent) : TCustomEditorPane(parent)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    setEditorFont(font);
    QFont gutter(QStringLiteral("Courier New"));
    gutter.setStyleHint(QFont::TypeWriter);
    gutter.setPixelSize(11);
    setGutterFont(gutter);
    setActiveLineColor(QApplication::palette().color(QPalette::ToolTipBase));
    setRightEdge(80, QColor(0xC0, 0xC0, 0xC0));
    model().setTabWidth(4);
}

} // namespace bp
