#pragma once

#include <QWidget>

namespace bp {

// The 3-pixel bar beside the side panel. Dragging it sets the panel's width; the panel is
// never narrower than kMinPanelWidth, except that a drag below that width snaps it shut
// (width 0). The editor beyond keeps at least kMinPanelWidth as well.
class PanelSplitter : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kBarWidth = 3;
    static constexpr int kMinPanelWidth = 30;

    PanelSplitter(QWidget *panel, QWidget *parent = nullptr);

    int panelWidth() const { return m_panelWidth; }
    // Applies `width` as it is (a restored value is not checked against the drag limits).
    void setPanelWidth(int width);

    // The width a drag to `requested` pixels leaves, given the room the window has.
    static int draggedWidth(int requested, int available);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QWidget *m_panel;
    int m_panelWidth = 0;
    int m_dragStartX = 0;
    int m_dragStartWidth = 0;
    bool m_dragging = false;
};

} // namespace bp
