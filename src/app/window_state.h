#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace bp {

class PanelSplitter;
class SettingsStore;

// The main window's geometry kept between runs: outer bounds, show state and the side
// panel's width, as six integers in the settings store.
class WindowState
{
public:
    WindowState(SettingsStore &store, QWidget &window, PanelSplitter &splitter);

    // Applies each stored value in order: height, width, top, left, show state, panel width.
    // An absent value leaves the window's current one; a value that cannot be read is
    // passed to `report` and the values after it still apply.
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
