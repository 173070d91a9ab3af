#pragma once

#include <QString>

namespace bp {

// The text the application's error box shows for a failure's message: a full stop is added
// when the last character's code is above that of "." (after a letter or a digit, say),
// so a message that already ends in punctuation such as "." or ")" is left as it is.
QString errorBoxText(const QString &message);

} // namespace bp
