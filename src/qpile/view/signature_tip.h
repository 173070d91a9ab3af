#pragma once

#include "qpile/call_position.h"

#include <QObject>
#include <memory>
#include <optional>
#include <vector>

namespace bp {

class TCustomEditorPane;
class TQPILEHighlighter;
class TipWindow;

// The signature tip of an editor pane: typing "(" after the name of a function the
// reference knows, or asking with showAtCaret() inside its argument list, shows the
// function's signature under the caret with the argument the caret is in set in bold.
//
// The tip belongs to the call it was opened for. It follows the caret while the caret stays
// inside that call (inside a call nested in it, the nested one shows), and closes when the
// caret leaves it (its ")" typed, or moved past), on Esc, and when the pane loses the focus.
// A popup window that takes the keyboard from the pane (the completion list) only hides it:
// once the popup is gone the tip shows again if the caret is still in the call.
class SignatureTip : public QObject
{
    Q_OBJECT
public:
    explicit SignatureTip(TCustomEditorPane &pane, QObject *parent = nullptr);
    ~SignatureTip() override;

    // Null turns the tip off.
    void setReference(std::shared_ptr<const QpileReference> reference);
    // Opens the tip for the innermost known call around the caret; returns whether there
    // is one.
    bool showAtCaret();
    void close();
    bool isOpen() const { return m_call.has_value(); }
    TipWindow *window() const { return m_window; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void caretMoved();
    std::vector<QpileCallPosition> callsAtCaret();
    bool bracketBeforeCaret() const;
    // Where reading may start to tell whether the "(" before the caret opens a call: a point
    // outside strings and comments shortly before it; nothing when it is in a comment.
    std::optional<TBufferCoord> openingPoint() const;
    // Shows the innermost of `calls` while the tip's own call is among them; closes the tip
    // otherwise.
    void follow(const std::vector<QpileCallPosition> &calls);
    // Follows the caret again after a scroll or the focus coming back.
    void refresh();

    TCustomEditorPane &m_pane;
    std::shared_ptr<const QpileReference> m_reference;
    std::unique_ptr<TQPILEHighlighter> m_highlighter;
    TipWindow *m_window;
    // The "(" of the call the tip is open for.
    std::optional<TBufferCoord> m_call;
    // The first character of its function's name: where reading the call starts.
    TBufferCoord m_callName;
    // An edit has been recorded and its caret move has not come yet.
    bool m_edited = false;
};

} // namespace bp
