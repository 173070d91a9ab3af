#include "editor_hover_tip.h"

#include "editor/view/editor_pane.h"
#include "tip_window.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTimer>

namespace bp {

EditorHoverTip::EditorHoverTip(TCustomEditorPane &pane, QObject *parent)
    : QObject(parent), m_pane(pane), m_viewport(pane.viewport()), m_window(new TipWindow(&pane)),
      m_timer(new QTimer(this))
{
    m_window->setObjectName(QStringLiteral("hoverTip"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(kDelayMs);
    connect(m_timer, &QTimer::timeout, this, &EditorHoverTip::showTip);
    // Moves without a button held reach the viewport only with tracking on.
    pane.viewport()->setMouseTracking(true);
    pane.viewport()->installEventFilter(this);
    pane.installEventFilter(this);
}

EditorHoverTip::~EditorHoverTip() = default;

void EditorHoverTip::addHoverSource(Source source)
{
    m_sources.push_back(std::move(source));
}

void EditorHoverTip::setFallbackSource(Source source)
{
    m_fallback = std::move(source);
}

QString EditorHoverTip::textAt(const QPoint &point) const
{
    const std::optional<TBufferCoord> character = m_pane.characterAt(point);
    if (!character)
        return QString();
    for (const Source &source : m_sources) {
        if (QString text = source(*character); !text.isEmpty())
            return text;
    }
    return m_fallback ? m_fallback(*character) : QString();
}

void EditorHoverTip::showTip()
{
    // Not over an open popup or menu, and not for a window in the background.
    if (QApplication::activePopupWidget() || !m_pane.isVisible() || !m_pane.isActiveWindow())
        return;
    const QString text = textAt(m_point);
    if (text.isEmpty())
        return;
    m_window->setFont(m_pane.window()->font());
    m_window->setText(text);
    // Below the line under the mouse, from the mouse's column: the word stays visible.
    const int lineTop = m_point.y() - m_point.y() % m_pane.lineHeight();
    const QPoint corner = m_pane.viewport()->mapToGlobal(QPoint(m_point.x(), lineTop));
    m_window->showAt(QRect(corner, QSize(1, m_pane.lineHeight())));
}

void EditorHoverTip::hideTip()
{
    m_timer->stop();
    m_window->hide();
}

bool EditorHoverTip::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == m_viewport) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            const QPoint point = mouse->position().toPoint();
            if (mouse->buttons() != Qt::NoButton) {
                hideTip();
            } else if (m_window->isVisible()) {
                // Along the same word the tip stays; elsewhere it waits for the next rest.
                if (textAt(point) != m_window->text()) {
                    hideTip();
                    m_point = point;
                    m_timer->start();
                }
            } else {
                m_point = point;
                m_timer->start();
            }
        }
        return false;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::FocusOut:
    case QEvent::Hide:
        hideTip();
        return false;
    default:
        return false;
    }
}

} // namespace bp
