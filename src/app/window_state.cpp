#include "window_state.h"

#include "common/error.h"
#include "panel_splitter.h"
#include "platform/settings_store.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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

// Squared distance between two rectangles (0 when they touch or overlap).
qint64 distanceSquared(const QRect &a, const QRect &b)
{
    const qint64 dx = qMax(0, qMax(a.left() - b.right(), b.left() - a.right()));
    const qint64 dy = qMax(0, qMax(a.top() - b.bottom(), b.top() - a.bottom()));
    return dx * dx + dy * dy;
}

QList<QRect> availableAreas()
{
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

QMargins frameMargins(const QWidget &window)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                    frame.right() - client.right(), frame.bottom() - client.bottom());
}

} // namespace

QRect fitFrameToScreens(const QRect &frame, const QList<QRect> &availableAreas)
{
    if (availableAreas.isEmpty())
        return frame;
    // The screen the frame overlaps most; off every screen, the nearest one.
    QRect area = availableAreas.first();
    qint64 bestOverlap = -1;
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (const QRect &candidate : availableAreas) {
        const QRect overlap = candidate.intersected(frame);
        const qint64 overlapArea = qint64(overlap.width()) * overlap.height();
        const qint64 distance = distanceSquared(candidate, frame);
        if (overlapArea > bestOverlap ||
            (overlapArea == 0 && bestOverlap == 0 && distance < bestDistance)) {
            area = candidate;
            bestOverlap = overlapArea;
            bestDistance = distance;
        }
    }
    QRect fitted(frame.topLeft(),
                 QSize(qMin(frame.width(), area.width()), qMin(frame.height(), area.height())));
    fitted.moveLeft(qBound(area.left(), fitted.left(), area.right() + 1 - fitted.width()));
    fitted.moveTop(qBound(area.top(), fitted.top(), area.bottom() + 1 - fitted.height()));
    return fitted;
}

bool keepWindowOnScreen(QWidget &window, QPoint frameCorner)
{
    if (window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return false;
    const QMargins margins = frameMargins(window);
    const QRect frame(frameCorner, window.size().grownBy(margins));
    const QRect fitted = fitFrameToScreens(frame, availableAreas());
    // The window manager may have put the frame a pixel or a border's width from the corner
    // asked for, when the window was placed before its frame was known: that is mended too.
    if (fitted == frame && window.frameGeometry().topLeft() == fitted.topLeft())
        return false;
    window.resize(fitted.size().shrunkBy(margins));
    // With the frame known, a move places the frame's corner.
    window.move(fitted.topLeft());
    return true;
}

WindowState::WindowState(SettingsStore &store, QWidget &window, PanelSplitter &splitter)
    : m_store(store), m_window(window), m_splitter(splitter)
{}

void WindowState::restore(const std::function<void(const QString &)> &report)
{
    // One reading: a large settings file is parsed once, not once per value.
    const std::vector<StoredInteger> stored =
        m_store.readIntegers({kHeight, kWidth, kTop, kLeft, kState, kPanelWidth});
    auto value = [&](int index) -> std::optional<int> {
        if (stored.at(index).error) {
            report(stored.at(index).error->message());
            return std::nullopt;
        }
        return stored.at(index).value;
    };

    // The frame's size as far as it is known now; where the window manager adds the frame
    // later it is not known yet and the client's bounds stand for the frame's.
    const QMargins margins = frameMargins(m_window);
    QSize clientSize = m_window.size();
    QPoint framePosition = m_window.frameGeometry().topLeft();
    // A size below one pixel cannot be applied; such a value keeps the current size.
    // Figures beyond Qt's own size limit are cut to it: the frame's far edge must stay in
    // the int range, or the geometry computed from it overflows.
    auto bounded = [](int figure) { return qBound(-QWIDGETSIZE_MAX, figure, QWIDGETSIZE_MAX); };
    if (const std::optional<int> height = value(0); height && *height > 0)
        clientSize.setHeight(qMax(1, bounded(*height) - storedFrameExtra(m_window).height()));
    if (const std::optional<int> width = value(1); width && *width > 0)
        clientSize.setWidth(qMax(1, bounded(*width) - storedFrameExtra(m_window).width()));
    if (const std::optional<int> top = value(2))
        framePosition.setY(bounded(*top));
    if (const std::optional<int> left = value(3))
        framePosition.setX(bounded(*left));

    // A position off every screen or a size beyond the screen (a changed monitor set-up, a
    // larger scale) would leave the window, or its status bar and close box, out of reach.
    const QRect frame =
        fitFrameToScreens(QRect(framePosition, clientSize.grownBy(margins)), availableAreas());
    m_window.resize(frame.size().shrunkBy(margins));
    // With the frame known, a move places the frame's corner. A window manager that frames
    // the window only after it is shown (X11) has not done so yet: there a move places the
    // client's corner and the frame then grows above and left of it, so the native window is
    // told that the position is the frame's. The widget's own position is set too, or
    // showing the window would put back the one it had before.
    m_window.move(frame.topLeft());
    QWindow *handle = m_window.windowHandle();
    if (handle && margins.isNull())
        handle->setFramePosition(frame.topLeft());

    // Applied after the bounds, so a window stored maximised opens maximised with the
    // stored bounds as its normal ones. An unknown state means normal.
    if (const std::optional<int> state = value(4)) {
        Qt::WindowStates states =
            m_window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (*state == Minimised)
            states |= Qt::WindowMinimized;
        else if (*state == Maximised)
            states |= Qt::WindowMaximized;
        m_window.setWindowState(states);
    }
    if (const std::optional<int> width = value(5)) {
        // A panel of width 0 would leave nothing to show where it went; one pixel does.
        m_splitter.setPanelWidth(*width <= 0 ? 1 : *width);
        m_splitter.repaint();
    }
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
