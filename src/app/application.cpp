#include "application.h"

#include "common/error.h"

#include <new>

namespace bp {

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    auto report = [this](const QString &text) {
        if (reportFailure)
            reportFailure(text);
    };
    try {
        return QApplication::notify(receiver, event);
    } catch (const SilentAbort &) {
    } catch (const Error &error) {
        report(error.message());
    } catch (const std::bad_alloc &) {
        report(outOfMemoryMessage());
    } catch (...) {
        report(QString());
    }
    return false;
}

} // namespace bp
