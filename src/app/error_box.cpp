#include "error_box.h"

#include "common/error.h"

#include <new>

namespace bp {

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

std::optional<QString> failureReport(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const SilentAbort &) {
        return std::nullopt;
    } catch (const Error &error) {
        return error.message();
    } catch (const std::bad_alloc &) {
        return outOfMemoryMessage();
    } catch (...) {
        return QString();
    }
}

} // namespace bp
