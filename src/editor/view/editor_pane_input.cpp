#include "editor_pane.h"

#include "editor/model/character_cells.h"
#include "editor/model/edit_commands.h"
#include "editor/model/edit_model.h"
#include "key_map.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>

// The pane's keyboard and mouse: each event's work runs through the command boundary.
namespace bp {

void TCustomEditorPane::runInput(const std::function<void()> &work)
{
    if (m_commandBoundary)
        m_commandBoundary(work);
    else
        work();
}

// --- keyboard -----------------------------------------------------------------------

void TCustomEditorPane::keyPressEvent(QKeyEvent *event)
{
    runInput([&] { handleKey(event); });
}

void TCustomEditorPane::handleKey(QKeyEvent *event)
{
    const TEditorCommand command =
        commandForKey(event->key(), event->modifiers(),
                      keyboardDigit(event->nativeScanCode(), event->nativeVirtualKey()));
    if (command != ecNone) {
        executeCommand(command);
        event->accept();
        return;
    }
    const QString text = event->text();
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    // AltGr arrives as Ctrl+Alt on some platforms and still types characters.
    const bool typing =
        modifiers == Qt::NoModifier || modifiers == (Qt::ControlModifier | Qt::AltModifier);
    if (typing && !text.isEmpty() && text.front().unicode() >= 0x20 &&
        text.front().unicode() != 0x7F) {
        for (QChar ch : text)
            executeCommand(ecChar, ch);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TCustomEditorPane::inputMethodEvent(QInputMethodEvent *event)
{
    event->accept();
    runInput([&] {
        for (QChar ch : event->commitString())
            executeCommand(ecChar, ch);
    });
}

// --- mouse --------------------------------------------------------------------------

void TCustomEditorPane::mousePressEvent(QMouseEvent *event)
{
    runInput([&] { handleMousePress(event); });
}

void TCustomEditorPane::handleMousePress(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        // The right button opens the context menu and leaves caret and selection alone.
        event->accept();
        return;
    }
    const QPoint point = event->position().toPoint();
    const TBufferCoord position = positionAt(point);
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    event->accept();
    if (!extend && point.x() >= m_gutterWidth &&
        m_model->selection().mode == TSelectionMode::smNormal &&
        m_model->selection().contains(position)) {
        m_dragPending = true;
        m_dragStart = point;
        return;
    }
    m_model->setCaretXY(position, extend);
    m_selecting = true;
}

void TCustomEditorPane::mouseMoveEvent(QMouseEvent *event)
{
    runInput([&] { handleMouseMove(event); });
}

void TCustomEditorPane::handleMouseMove(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint point = event->position().toPoint();
    event->accept();
    if (m_dragPending &&
        (point - m_dragStart).manhattanLength() >= QApplication::startDragDistance()) {
        m_dragPending = false;
        m_dragging = true;
    }
    if (m_dragging) {
        m_dropPosition = positionAt(point);
        viewport()->setCursor((event->modifiers() & Qt::ControlModifier) ? Qt::DragCopyCursor
                                                                         : Qt::DragMoveCursor);
        viewport()->update();
        updateAutoScroll(point);
        return;
    }
    if (m_selecting)
        m_model->setCaretXY(positionAt(point), true);
    updateAutoScroll(point);
}

void TCustomEditorPane::updateAutoScroll(const QPoint &point)
{
    // While the mouse is held above or below the text, the view keeps scrolling towards it.
    m_lastMousePoint = point;
    const bool outside = point.y() < 0 || point.y() >= viewport()->height();
    if (outside && (m_selecting || m_dragging)) {
        if (!m_autoScrollTimer)
            m_autoScrollTimer = startTimer(50);
    } else if (m_autoScrollTimer) {
        killTimer(m_autoScrollTimer);
        m_autoScrollTimer = 0;
    }
}

void TCustomEditorPane::autoScrollStep()
{
    const int direction = m_lastMousePoint.y() < 0 ? -1 : 1;
    if (m_selecting) {
        const TBufferCoord target = positionAt(m_lastMousePoint);
        m_model->setCaretXY({target.Char, m_model->CaretY() + direction}, true);
    } else if (m_dragging) {
        m_model->viewWindow().setTopLine(m_model->viewWindow().topLine() + direction);
        m_dropPosition = positionAt(m_lastMousePoint);
        viewport()->update();
    }
}

void TCustomEditorPane::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const TBufferCoord position = positionAt(event->position().toPoint());
    const bool dropping = m_dragging;
    const bool placing = m_dragPending;
    // The gesture ends here even when the command it finishes fails.
    m_dragging = false;
    m_dragPending = false;
    m_selecting = false;
    updateAutoScroll(QPoint());
    if (dropping) {
        viewport()->setCursor(Qt::IBeamCursor);
        viewport()->update();
        const bool copy = event->modifiers() & Qt::ControlModifier;
        runInput([&] { dropSelection(*m_model, position, copy); });
    } else if (placing) {
        // A click inside the selection that never became a drag places the caret.
        runInput([&] { m_model->setCaretXY(position, false); });
    }
}

void TCustomEditorPane::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || event->position().x() < m_gutterWidth)
        return;
    m_selecting = false;
    m_dragPending = false;
    event->accept();
    runInput([&] { selectWordAt(*m_model, positionAt(event->position().toPoint())); });
}

void TCustomEditorPane::contextMenuEvent(QContextMenuEvent *event)
{
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        // The menu key opens the menu at the caret's foot, kept inside the text area when
        // the caret is scrolled out of view.
        const QRect area = viewport()->rect().adjusted(m_gutterWidth, 0, 0, 0);
        const QPoint foot = caretRect().bottomLeft();
        at = viewport()->mapToGlobal(
            QPoint(std::clamp(foot.x(), area.left(), std::max(area.left(), area.right())),
                   std::clamp(foot.y(), area.top(), std::max(area.top(), area.bottom()))));
    }
    if (m_contextMenu)
        m_contextMenu->popup(at);
    event->accept();
}

QVariant TCustomEditorPane::inputMethodQuery(Qt::InputMethodQuery query) const
{
    // Input methods and the window layer place their windows at the caret.
    if (query == Qt::ImCursorRectangle) {
        const QRect caret = caretRect();
        return QRect(viewport()->mapTo(this, caret.topLeft()), caret.size());
    }
    return QAbstractScrollArea::inputMethodQuery(query);
}

} // namespace bp
