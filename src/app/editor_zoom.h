#pragma once

#include <QObject>
#include <functional>

namespace bp {

class SettingsStore;
class TCustomEditorPane;

// The editor's text size, for this run and the next: Ctrl+wheel over the text and the zoom
// commands step it by one point between 6 and 72, the gutter's numbers scale with it, and
// the caret's line stays in view. The size is kept in the settings store as
// "EditorFontSize" (points); without it the pane keeps its own font.
class EditorZoom : public QObject
{
    Q_OBJECT
public:
    static constexpr int kMinPoints = 6;
    static constexpr int kMaxPoints = 72;
    static const QString kStoreName;

    // Runs a step through the window's catch boundary (the wheel's steps come from events).
    using CommandRunner = std::function<bool(const std::function<void()> &)>;

    EditorZoom(TCustomEditorPane &pane, SettingsStore &store, CommandRunner runCommand,
               QObject *parent = nullptr);

    // Applies the stored size. Throws bp::Error when the stored value is not an integer.
    void restore();
    void zoomIn() { setPointSize(pointSize() + 1); }
    void zoomOut() { setPointSize(pointSize() - 1); }
    // Back to the pane's own size, forgetting the stored one.
    void reset();
    // The text size now, in points (rounded).
    int pointSize() const;
    // Applies `points` (clamped to the limits) and stores it; throws bp::Error when the
    // store cannot be written, after the size was applied.
    void setPointSize(int points);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply(int pixels);
    int pixelsFor(int points) const;

    TCustomEditorPane &m_pane;
    SettingsStore &m_store;
    CommandRunner m_runCommand;
    int m_basePixels;
    // Wheel steps smaller than one notch add up until they make one.
    int m_wheelRest = 0;
};

} // namespace bp
