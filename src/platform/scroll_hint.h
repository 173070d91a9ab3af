#pragma once

class QLabel;
class QRect;
class QScrollBar;
class QString;

namespace bp {

// Where the style draws `bar`'s thumb, in the bar's coordinates.
QRect scrollBarThumb(const QScrollBar *bar);

// Shows `hint` with `text` left of `bar`'s thumb, centred on it and kept on the bar's
// screen. The bar may live in a container of its own, so its place is taken from the
// screen, not from its parent's geometry.
void showHintBesideThumb(QLabel *hint, const QScrollBar *bar, const QString &text);

} // namespace bp
