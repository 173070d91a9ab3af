#include "window_state.h"

#include "common/error.h"
#include "panel_splitter.h"
#include "platform/settings_store.h"

#include <QWidget>

namespace bp {
namespace {

enum ShowState
{
    Normal = 0,
    Minimised = 1,
    Maximised = 2
};

const QString kHeight = QStringLiteral("WindowHeight");
const QString kWidth = QStringLiteral("WindowWidth");
const QString kTop = QStringLiteral("WindowTop");
const QString kLeft = QStringLiteral("WindowLeft");
const QString kState = QStringLiteral("WindowState");
const QString kPanelWidth = QStringLiteral("WindowPanelWidth");

// Outer size minus the client size: what the window system adds around the client area.
QSize frameExtra(const QWidget &window)
{
    return window.frameGeometry().size() - window.geometry().size();
}

} // namespace

WindowState::WindowState(SettingsStore &store, QWidget &window, PanelSplitter &splitter)
    : m_store(store), m_window(window), m_splitter(splitter)
{}

void WindowState::restore(const std::function<void(const QString &)> &report)
{
    auto apply = [&](const QString &name, const std::function<void(int)> &set) {
        try {
            if (const std::optional<int> value = m_store.readInteger(name))
                set(*value);
        } catch (const Error &error) {
            report(error.message());
        }
    };
    // A size below one pixel cannot be applied; such a value keeps the current size.
    apply(kHeight, [&](int height) {
        if (height > 0)
            m_window.resize(m_window.width(), qMax(1, height - frameExtra(m_window).height()));
    });
    apply(kWidth, [&](int width) {
        if (width > 0)
            m_window.resize(qMax(1, width - frameExtra(m_window).width()), m_window.height());
    });
    apply(kTop, [&](int top) { m_window.move(m_window.x(), top); });
    apply(kLeft, [&](int left) { m_window.move(left, m_window.y()); });
    // Applied after the bounds, so a window stored maximised opens maximised with the
    // stored bounds as its normal ones. An unknown state means normal.
    apply(kState, [&](int state) {
        Qt::WindowStates states =
            m_window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (state == Minimised)
            states |= Qt::WindowMinimized;
        else if (state == Maximised)
            states |= Qt::WindowMaximized;
        m_window.setWindowState(states);
    });
    apply(kPanelWidth, [&](int width) {
        // A panel of width 0 would leave nothing to show where it went; one pixel does.
        m_splitter.setPanelWidth(width <= 0 ? 1 : width);
        m_splitter.repaint();
    });
}

void WindowState::store()
{
    int state = Normal;
    if (m_window.windowState() & Qt::WindowMinimized)
        state = Minimised;
    else if (m_window.windowState() & Qt::WindowMaximized)
        state = Maximised;
    const QRect bounds = m_window.frameGeometry();
    m_store.writeIntegers({{kHeight, bounds.height()},
                           {kWidth, bounds.width()},
                           {kTop, bounds.top()},
                           {kLeft, bounds.left()},
                           {kState, state},
                           {kPanelWidth, m_splitter.panelWidth()}});
}

} // namespace bp
