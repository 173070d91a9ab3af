#include "panel_splitter.h"

#include <QMouseEvent>

namespace bp {

PanelSplitter::PanelSplitter(QWidget *panel, QWidget *parent) : QWidget(parent), m_panel(panel)
{
    setObjectName(QStringLiteral("Splitter"));
    setFixedWidth(kBarWidth);
    setCursor(Qt::SplitHCursor);
    m_panelWidth = m_panel->width();
}

void PanelSplitter::setPanelWidth(int width)
{
    m_panelWidth = qMax(0, width);
    m_panel->setFixedWidth(m_panelWidth);
    update();
}

int PanelSplitter::draggedWidth(int requested, int available)
{
    int width = qMin(requested, available - kMinPanelWidth);
    if (width < kMinPanelWidth)
        width = 0;
    return width;
}

void PanelSplitter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_dragStartX = event->globalPosition().toPoint().x();
    m_dragStartWidth = m_panelWidth;
}

void PanelSplitter::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return;
    const int requested = m_dragStartWidth + event->globalPosition().toPoint().x() - m_dragStartX;
    // Room for the panel: everything left of the splitter's right neighbour.
    const int available = parentWidget() ? parentWidget()->width() - kBarWidth : requested;
    setPanelWidth(draggedWidth(requested, available));
}

void PanelSplitter::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

} // namespace bp
