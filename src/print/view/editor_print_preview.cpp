#include "editor_print_preview.h"

#include "highlight/tcolor.h"
#include "platform/scroll_hint.h"
#include "print/editor_print.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>

namespace bp {
namespace {

// Room around the sheet, in pixels.
constexpr int kSheetMargin = 8;
constexpr int kScreenDotsPerInch = 96;
// The scales Ctrl++ and Ctrl+- step through, in percent.
constexpr std::array kScaleSteps{10, 25, 33, 50, 67, 75, 100, 125, 150, 200, 300, 400};

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

    m_scrollHint = newScrollHint(this);
    connect(verticalScrollBar(), &QScrollBar::sliderMoved, this,
            &TEditorPrintPreview::showScrollHint);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, m_scrollHint, &QWidget::hide);

    // The scale commands, as keys of the control and entries of its context menu.
    auto command = [this](const QString &text, const QList<QKeySequence> &keys,
                          const std::function<void()> &run) {
        auto *action = new QAction(text, this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, run);
        addAction(action);
        return action;
    };
    // Keyboards without a separate "+" key reach it as "="; the keypad's keys as well.
    m_zoomIn =
        command(QStringLiteral("Увеличить"),
                {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
                [this] { zoomIn(); });
    m_zoomOut = command(QStringLiteral("Уменьшить"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)},
                        [this] { zoomOut(); });
    m_fitPage = command(QStringLiteral("Страница целиком"), {}, [this] { setFit(Fit::Page); });
    m_fitWidth = command(QStringLiteral("По ширине страницы"), {}, [this] { setFit(Fit::Width); });
    for (QAction *fitting : {m_fitPage, m_fitWidth})
        fitting->setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
}

void TEditorPrintPreview::UpdatePreview()
{
    m_engine.UpdatePages();
    m_sheet = QImage();
    m_sheetPage = 0;
    m_pageNumber = 1;
    // The scale stays as the user left it; a fit follows a sheet the printer set-up changed.
    if (m_fit != Fit::None)
        m_scalePercent = std::clamp(fittedPercent(), kMinScale, kMaxScale);
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
    setFit(Fit::None);
    applyScale(percent);
}

void TEditorPrintPreview::applyScale(int percent)
{
    percent = std::clamp(percent, kMinScale, kMaxScale);
    if (percent == m_scalePercent)
        return;
    const int page = m_pageNumber;
    m_scalePercent = percent;
    m_sheet = QImage();
    updateScrollBars();
    setPageNumber(page);
}

void TEditorPrintPreview::zoomIn()
{
    const auto next = std::upper_bound(kScaleSteps.begin(), kScaleSteps.end(), m_scalePercent);
    SetScalePercent(next == kScaleSteps.end() ? kMaxScale : *next);
}

void TEditorPrintPreview::zoomOut()
{
    const auto next = std::lower_bound(kScaleSteps.begin(), kScaleSteps.end(), m_scalePercent);
    SetScalePercent(next == kScaleSteps.begin() ? kMinScale : *(next - 1));
}

void TEditorPrintPreview::setFit(Fit fit)
{
    m_fit = fit;
    m_fitPage->setChecked(fit == Fit::Page);
    m_fitWidth->setChecked(fit == Fit::Width);
    if (fit != Fit::None)
        applyScale(fittedPercent());
}

int TEditorPrintPreview::fittedPercent() const
{
    // The sheet's size at 100 %, and the room the viewport leaves it beside its margins and
    // its shadow.
    const TEditorPrinterInfo &printer = m_engine.PrinterInfo();
    const double perDot = double(kScreenDotsPerInch) / std::max(printer.dotsPerInchX, 1);
    const double width = std::max(printer.physicalWidth * perDot, 1.0);
    const double height = std::max(printer.physicalHeight * perDot, 1.0);
    const int roomWidth = viewport()->width() - 2 * kSheetMargin - 2;
    const int roomHeight = viewport()->height() - 2 * kSheetMargin - 2;
    double ratio = roomWidth / width;
    if (m_fit == Fit::Page)
        ratio = std::min(ratio, roomHeight / height);
    return int(std::floor(ratio * 100));
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
    if (m_fit != Fit::None)
        applyScale(fittedPercent());
}

void TEditorPrintPreview::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_Home) {
        setPageNumber(1);
        return;
    }
    if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_End) {
        setPageNumber(PageCount());
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TEditorPrintPreview::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addActions({m_zoomIn, m_zoomOut});
    menu.addSeparator();
    menu.addActions({m_fitPage, m_fitWidth});
    menu.exec(event->globalPos());
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
