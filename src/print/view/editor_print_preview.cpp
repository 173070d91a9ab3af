#include "editor_print_preview.h"

#include "highlight/tcolor.h"
#include "platform/scroll_hint.h"
#include "print/editor_print.h"

#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace bp {
namespace {

// Room around the sheet, in pixels.
constexpr int kSheetMargin = 8;
constexpr int kScreenDotsPerInch = 96;

} // namespace

TEditorPrintPreview::TEditorPrintPreview(TEditorPrint &engine, QWidget *parent)
    : QAbstractScrollArea(parent), m_engine(engine)
{
    setObjectName(QStringLiteral("EditorPrintPreview"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    QPalette workspace = viewport()->palette();
    workspace.setColor(viewport()->backgroundRole(), toQColor(clAppWorkSpace, palette()));
    viewport()->setPalette(workspace);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(kWheelStep / 3);
    horizontalScrollBar()->setSingleStep(kWheelStep / 3);

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
            &TEditorPrintPreview::showScrollHint);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, m_scrollHint, &QWidget::hide);
}

void TEditorPrintPreview::UpdatePreview()
{
    m_engine.UpdatePages();
    m_sheet = QImage();
    m_sheetPage = 0;
    m_pageNumber = 1;
    updateScrollBars();
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

int TEditorPrintPreview::PageCount() const
{
    return m_engine.PageCount();
}

void TEditorPrintPreview::setPageNumber(int page)
{
    page = std::clamp(page, 1, std::max(PageCount(), 1));
    verticalScrollBar()->setValue((page - 1) * positionsPerPage());
    m_pageNumber = page;
    viewport()->update();
}

void TEditorPrintPreview::SetScalePercent(int percent)
{
    const int page = m_pageNumber;
    m_scalePercent = std::max(percent, 1);
    m_sheet = QImage();
    updateScrollBars();
    setPageNumber(page);
}

double TEditorPrintPreview::scale() const
{
    const TEditorPrinterInfo &printer = m_engine.PrinterInfo();
    return m_scalePercent / 100.0 * kScreenDotsPerInch / std::max(printer.dotsPerInchX, 1);
}

QSize TEditorPrintPreview::sheetSize() const
{
    const TEditorPrinterInfo &printer = m_engine.PrinterInfo();
    return QSize(std::max(1, int(std::lround(printer.physicalWidth * scale()))),
                 std::max(1, int(std::lround(printer.physicalHeight * scale()))));
}

int TEditorPrintPreview::positionsPerPage() const
{
    const int overhang = sheetSize().height() + 2 * kSheetMargin - viewport()->height();
    return std::max(overhang, 0) + 1;
}

int TEditorPrintPreview::pageOffset() const
{
    return verticalScrollBar()->value() % positionsPerPage();
}

void TEditorPrintPreview::updateScrollBars()
{
    const int perPage = positionsPerPage();
    QScrollBar *vertical = verticalScrollBar();
    vertical->setRange(0, std::max(PageCount(), 1) * perPage - 1);
    vertical->setPageStep(std::max(viewport()->height(), 1));
    QScrollBar *horizontal = horizontalScrollBar();
    horizontal->setRange(0,
                         std::max(0, sheetSize().width() + 2 * kSheetMargin - viewport()->width()));
    horizontal->setPageStep(std::max(viewport()->width(), 1));
}

void TEditorPrintPreview::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    const int page = m_pageNumber;
    updateScrollBars();
    setPageNumber(page);
}

void TEditorPrintPreview::scrollContentsBy(int, int)
{
    m_pageNumber =
        std::min(verticalScrollBar()->value() / positionsPerPage() + 1, std::max(PageCount(), 1));
    viewport()->update();
}

void TEditorPrintPreview::scrollBy(int pixels)
{
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + pixels);
}

void TEditorPrintPreview::wheelEvent(QWheelEvent *event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->ignore();
        return;
    }
    event->accept();
    if (event->modifiers() & Qt::ControlModifier) {
        const bool up = notches > 0;
        if (up && m_pageNumber > 1) {
            PreviousPage();
            return;
        }
        if (!up && m_pageNumber < PageCount()) {
            NextPage();
            return;
        }
    }
    scrollBy(-notches * kWheelStep);
}

void TEditorPrintPreview::showScrollHint(int value)
{
    const int page = std::min(value / positionsPerPage() + 1, std::max(PageCount(), 1));
    showHintBesideThumb(m_scrollHint, verticalScrollBar(), QStringLiteral("Page: %1").arg(page));
}

const QImage &TEditorPrintPreview::sheetImage()
{
    const QSize size = sheetSize();
    const qreal ratio = devicePixelRatioF();
    if (!m_sheet.isNull() && m_sheetPage == m_pageNumber && m_sheet.size() == size * ratio)
        return m_sheet;
    m_sheet = QImage(size * ratio, QImage::Format_RGB32);
    m_sheet.setDevicePixelRatio(ratio);
    m_sheet.fill(m_engine.Color);
    QPainter painter(&m_sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale(), scale());
    const TEditorPrinterInfo &printer = m_engine.PrinterInfo();
    m_engine.PrintPage(painter, m_pageNumber, QPoint(printer.leftOffset, printer.topOffset));
    m_sheetPage = m_pageNumber;
    ++m_paintedPages;
    return m_sheet;
}

void TEditorPrintPreview::paintEvent(QPaintEvent *)
{
    if (PageCount() < 1)
        return;
    QPainter painter(viewport());
    const QImage &sheet = sheetImage();
    const QPoint corner(kSheetMargin - horizontalScrollBar()->value(), kSheetMargin - pageOffset());
    const QRect frame(corner, sheet.deviceIndependentSize().toSize());
    painter.fillRect(frame.translated(2, 2), palette().color(QPalette::Shadow));
    painter.drawImage(corner, sheet);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(frame.adjusted(-1, -1, 0, 0));
}

} // namespace bp
