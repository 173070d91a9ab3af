#include "editor_pane.h"

#include "cell_glyphs.h"
#include "editor/model/character_cells.h"
#include "editor/model/edit_model.h"
#include "editor/model/editor_highlighting.h"
#include "editor_pane_metrics.h"
#include "highlight/tcolor.h"
#include "key_map.h"
#include "platform/scroll_hint.h"
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

constexpr int kGutterLeftOffset = 0;
constexpr int kMinGutterDigits = 4;

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
    m_scrollHint = newScrollHint(this);
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
    vertical->setRange(1, std::max(1, m_model->columns().displayLineCount() -
                                          m_model->viewWindow().linesInWindow() + 1));
    vertical->setPageStep(m_model->viewWindow().linesInWindow());
    vertical->setSingleStep(1);
    vertical->setValue(m_model->viewWindow().topLine());
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(1, std::max(1, m_model->columns().maxScrollWidth() -
                                            m_model->viewWindow().columnsInWindow() + 1));
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
        std::clamp(m_model->viewWindow().topLine() + row, 1, m_model->columns().displayLineCount());
    if (point.x() < m_gutterWidth)
        return {1, line};
    // Round to the nearer cell boundary, as a click between two characters expects.
    const int column = m_model->viewWindow().leftColumn() +
                       (point.x() - m_gutterWidth + m_charWidth / 2) / m_charWidth;
    int charColumn = m_model->columns().charColumnAt(line, column);
    // A boundary inside a wide character: the caret goes to the side of it nearer the point.
    const int start = m_model->columns().displayColumn(line, charColumn);
    if (start < column) {
        const QStringView text = m_model->Lines().view(line - 1);
        const int end = m_model->columns().displayColumn(line, charColumn + 1);
        const int middleX = m_gutterWidth + (start + end - 2 * m_model->viewWindow().leftColumn()) *
                                                m_charWidth / 2;
        if (text[charColumn - 1] != u'\t' && point.x() >= middleX)
            charColumn += characterCodeUnits(text, charColumn - 1);
    }
    return {std::clamp(charColumn, 1, m_model->columns().maxCaretColumn(line)), line};
}

std::optional<TBufferCoord> TCustomEditorPane::characterAt(const QPoint &point) const
{
    if (point.x() < m_gutterWidth || point.y() < 0)
        return std::nullopt;
    const int line = m_model->viewWindow().topLine() + point.y() / m_lineHeight;
    if (line > m_model->Lines().Count())
        return std::nullopt;
    const int column =
        m_model->viewWindow().leftColumn() + (point.x() - m_gutterWidth) / m_charWidth;
    const int charColumn = m_model->columns().charColumnAt(line, column);
    if (charColumn > m_model->Lines().length(line - 1))
        return std::nullopt;
    return TBufferCoord{charColumn, line};
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

void TCustomEditorPane::showScrollHint(int topLine)
{
    showHintBesideThumb(m_scrollHint, verticalScrollBar(),
                        QStringLiteral("Top Line: %1").arg(topLine));
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
