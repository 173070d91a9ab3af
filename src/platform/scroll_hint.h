#pragma once

class QLabel;
class QRect;
class QScrollBar;
class QString;
class QWidget;

namespace bp {

// Where the style draws `bar`'s thumb, in the bar's coordinates.
QRect scrollBarThumb(const QScrollBar *bar);

// Shows `hint` with `text` left of `bar`'s thumb, centred on it and kept on the bar's
// screen. The bar may live in a container of its own, so its place is taken from the
// screen, not from its parent's geometry.
void showHintBesideThumb(QLabel *hint, const QScrollBar *bar, const QString &text);

// Gives `widget` the background and text colours of `owner`'s tool tips.
void useToolTipColours(QWidget *widget, const QWidget *owner);
// The hint a scroll bar drag shows, made hidden: a boxed label in the tool tips' colours, a
// window of its own so it can stand beside the bar wherever `owner` is.
QLabel *newScrollHint(QWidget *owner);

} // namespace bp
