#include "tip_window.h"

#include "platform/scroll_hint.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace bp {
namespace {

constexpr int kPadding = 4;
// Between the anchor and the tip, so the tip never covers what it is about.
constexpr int kGap = 2;

} // namespace

QPoint tipPosition(const QRect &anchor, const QSize &size, const QRect &screen)
{
    int x = std::min(anchor.left(), screen.right() + 1 - size.width());
    int y = anchor.bottom() + 1 + kGap;
    if (y + size.height() > screen.bottom() + 1 &&
        anchor.top() - kGap - size.height() >= screen.top())
        y = anchor.top() - kGap - size.height();
    x = std::max(x, screen.left());
    y = std::max(std::min(y, screen.bottom() + 1 - size.height()), screen.top());
    return {x, y};
}

TipWindow::TipWindow(QWidget *owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                         Qt::WindowTransparentForInput)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    useToolTipColours(this, this);
    m_document.setDocumentMargin(0);
    // Code in the editor's typeface, so names look as they do in the text.
    m_document.setDefaultStyleSheet(
        QStringLiteral("code { font-family: 'Courier New', monospace; } "
                       "p { margin-top: 0px; margin-bottom: 4px; } "
                       "ul { margin-top: 0px; margin-bottom: 4px; margin-left: 14px; "
                       "-qt-list-indent: 0; }"));
}

void TipWindow::setText(const QString &text)
{
    m_text = text;
    m_document.setDefaultFont(font());
    if (Qt::mightBeRichText(text))
        m_document.setHtml(text);
    else
        m_document.setPlainText(text);
}

void TipWindow::showAt(const QRect &anchor)
{
    QScreen *screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    const int limit = std::min(kMaxWidth, area.width() - 2 * kPadding - 2);
    m_document.setTextWidth(-1);
    const int natural = int(std::ceil(m_document.idealWidth()));
    m_document.setTextWidth(std::max(40, std::min(natural, limit)));
    const QSize size(int(std::ceil(m_document.textWidth())) + 2 * kPadding + 2,
                     int(std::ceil(m_document.size().height())) + 2 * kPadding + 2);
    resize(size);
    move(tipPosition(anchor, size, area));
    show();
    update();
}

void TipWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.translate(kPadding + 1, kPadding + 1);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    m_document.documentLayout()->draw(&painter, context);
}

} // namespace bp
