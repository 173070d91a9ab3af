#include "editor_zoom.h"

#include "editor/model/edit_model.h"
#include "editor/view/editor_pane.h"
#include "platform/settings_store.h"

#include <QFontInfo>
#include <QWheelEvent>
#include <cmath>
#include <utility>

namespace bp {
namespace {

int fontPixels(const QFont &font)
{
    return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
}

} // namespace

const QString EditorZoom::kStoreName = QStringLiteral("EditorFontSize");

EditorZoom::EditorZoom(TCustomEditorPane &pane, SettingsStore &store, CommandRunner runCommand,
                       QObject *parent)
    : QObject(parent), m_pane(pane), m_store(store), m_runCommand(std::move(runCommand)),
      m_basePixels(fontPixels(pane.editorFont()))
{
    pane.viewport()->installEventFilter(this);
}

int EditorZoom::pixelsFor(int points) const
{
    return std::max(1, int(std::lround(points * m_pane.logicalDpiY() / 72.0)));
}

int EditorZoom::pointSize() const
{
    const int pixels = fontPixels(m_pane.editorFont());
    return int(std::lround(pixels * 72.0 / m_pane.logicalDpiY()));
}

void EditorZoom::restore()
{
    if (const std::optional<int> points = m_store.readInteger(kStoreName))
        apply(pixelsFor(std::clamp(*points, kMinPoints, kMaxPoints)));
}

void EditorZoom::reset()
{
    apply(m_basePixels);
    m_store.writeIntegers({{kStoreName, pointSize()}});
}

void EditorZoom::setPointSize(int points)
{
    points = std::clamp(points, kMinPoints, kMaxPoints);
    apply(pixelsFor(points));
    m_store.writeIntegers({{kStoreName, points}});
}

void EditorZoom::apply(int pixels)
{
    EditModel &model = m_pane.model();
    // The caret's line stays in view whatever the new number of lines in the window.
    const bool caretShown = model.CaretY() >= model.viewWindow().topLine() &&
                            model.CaretY() <= model.viewWindow().bottomLine();
    QFont font = m_pane.editorFont();
    font.setPixelSize(pixels);
    m_pane.setEditorFont(font);
    // The gutter's numbers keep their ratio to the text, 11 to 13 pixels.
    QFont gutter = font;
    gutter.setPixelSize(std::max(1, (pixels * 11 + 6) / 13));
    m_pane.setGutterFont(gutter);
    if (caretShown) {
        const TBufferCoord caret = model.CaretXY();
        model.viewWindow().reveal(caret.Line,
                                  model.columns().displayColumn(caret.Line, caret.Char));
    }
}

bool EditorZoom::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->modifiers() == Qt::ControlModifier) {
            m_wheelRest += wheel->angleDelta().y();
            const int notches = m_wheelRest / QWheelEvent::DefaultDeltasPerStep;
            m_wheelRest %= QWheelEvent::DefaultDeltasPerStep;
            if (notches != 0)
                m_runCommand([&] { setPointSize(pointSize() + notches); });
            wheel->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace bp
