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

// What the stored size adds to the client size. Windows knows its frame when the window is
// first shown, so the stored size is the outer one there. Elsewhere the window manager adds
// the frame only after the window is shown; the client size is stored instead, or every run
// would grow the window by the frame.
QSize storedFrameExtra(const QWidget &window)
{
#ifdef Q_OS_WIN
    return window.frameGeometry().size() - window.geometry().size();
#else
    Q_UNUSED(window);
    return QSize(0, 0);
#endif
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
            m_window.resize(m_window.width(),
                            qMax(1, height - storedFrameExtra(m_window).height()));
    });
    apply(kWidth, [&](int width) {
        if (width > 0)
            m_window.resize(qMax(1, width - storedFrameExtra(m_window).width()), m_window.height());
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
    const QPoint topLeft = m_window.frameGeometry().topLeft();
    const QSize size = m_window.geometry().size() + storedFrameExtra(m_window);
    m_store.writeIntegers({{kHeight, size.height()},
                           {kWidth, size.width()},
                           {kTop, topLeft.y()},
                           {kLeft, topLeft.x()},
                           {kState, state},
                           {kPanelWidth, m_splitter.panelWidth()}});
}

} // namespace bp
