#pragma once

class QLabel;
class QScrollBar;
class QString;

namespace bp {

// Shows `hint` with `text` left of `bar`'s thumb, centred on it and kept on the bar's
// screen. The bar may live in a container of its own, so its place is taken from the
// screen, not from its parent's geometry.
void showHintBesideThumb(QLabel *hint, const QScrollBar *bar, const QString &text);

} // namespace bp
