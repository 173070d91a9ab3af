#pragma once

#include <QString>
#include <exception>
#include <optional>

namespace bp {

// The text the application's error box shows for a failure's message: a full stop is added
// when the last character's code is above that of "." (after a letter or a digit, say),
// so a message that already ends in punctuation such as "." or ")" is left as it is.
QString errorBoxText(const QString &message);

// What a failure reports, the one rule for the command boundary and the application's last
// resort: a bp::Error its message, std::bad_alloc the out-of-memory text, anything else an
// empty text; bp::SilentAbort reports nothing.
std::optional<QString> failureReport(const std::exception_ptr &failure);

} // namespace bp
