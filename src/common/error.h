#pragma once

#include <QString>
#include <stdexcept>

namespace bp {

// The one failure type: carries the text the user sees in the error box.
// Core code throws it; only the command boundary of the main window catches it.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// What the error box says when a command runs out of memory (std::bad_alloc).
inline QString outOfMemoryMessage()
{
    return QStringLiteral("Недостаточно памяти для выполнения команды; команда не выполнена");
}

// Ends a command without a message, e.g. after the user declined a question.
class SilentAbort : public std::exception
{
public:
    const char *what() const noexcept override { return "silent abort"; }
};

} // namespace bp
