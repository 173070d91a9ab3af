#pragma once

#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>
#include <functional>

class QWidget;

namespace bp {

class PanelSplitter;
class SettingsStore;

// Where a window whose frame would cover `frame` goes so that it can be seen and used: on
// the screen it overlaps most (or, off every screen, the nearest one), no larger than that
// screen's available area and lying wholly inside it. `availableAreas` are the screens'
// available geometries; with none, the frame stays as it is.
QRect fitFrameToScreens(const QRect &frame, const QList<QRect> &availableAreas);

// Fits a window in the normal state whose frame's corner was placed at `frameCorner` to the
// screens as fitFrameToScreens() does, with the frame it has now. Returns whether the window
// changed. Where the window manager adds the frame only after the window is shown, calling
// this once the frame is known finishes what the restore could only estimate. The corner is
// passed in because the window's own position passes through passing values while the window
// manager takes it in.
bool keepWindowOnScreen(QWidget &window, QPoint frameCorner);

// The main window's geometry kept between runs: outer bounds, show state and the side
// panel's width, as six integers in the settings store.
//
// Left and top are the corner of the window frame both ways: the frame's corner is
// stored, and the restore places the frame's corner there, also where the window manager
// adds the frame only after the window is shown.
class WindowState
{
public:
    WindowState(SettingsStore &store, QWidget &window, PanelSplitter &splitter);

    // Reads all six values in one opening of the store and applies them in order: height,
    // width, top, left, show state, panel width. An absent value leaves the window's current
    // one; a value that cannot be read is passed to `report` and the others still apply.
    // The resulting normal bounds (stored or the defaults) are then fitted to the screens.
    void restore(const std::function<void(const QString &)> &report);

    // Writes all six values as the window system reports them now (a maximised window
    // stores its maximised bounds with state 2). Throws bp::Error when the store fails.
    void store();

private:
    SettingsStore &m_store;
    QWidget &m_window;
    PanelSplitter &m_splitter;
};

} // namespace bp
