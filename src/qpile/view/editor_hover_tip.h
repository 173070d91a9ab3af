#pragma once

#include "editor/model/buffer_coord.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <vector>

class QTimer;

namespace bp {

class TCustomEditorPane;
class TipWindow;

// The tip an editor pane shows when the mouse rests on its text for a moment. What it says
// comes from text sources asked about the character under the mouse; the first that has
// something to say wins. The tip goes away when the mouse moves to where that text no
// longer applies, leaves the text, or on any key, click or wheel turn.
class EditorHoverTip : public QObject
{
    Q_OBJECT
public:
    // Rich text (as a label recognises it) or plain text about a character; empty for none.
    using Source = std::function<QString(TBufferCoord)>;

    explicit EditorHoverTip(TCustomEditorPane &pane, QObject *parent = nullptr);
    ~EditorHoverTip() override;

    // Sources are asked in the order they were added, and all of them before the fallback.
    void addHoverSource(Source source);
    void setFallbackSource(Source source);

    TipWindow *window() const { return m_window; }
    // How long the mouse rests before the tip shows.
    static constexpr int kDelayMs = 500;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString textAt(const QPoint &point) const;
    void showTip();
    void hideTip();

    TCustomEditorPane &m_pane;
    QObject *m_viewport;
    std::vector<Source> m_sources;
    Source m_fallback;
    TipWindow *m_window;
    QTimer *m_timer;
    // Where the mouse rests, in viewport coordinates.
    QPoint m_point;
};

} // namespace bp
