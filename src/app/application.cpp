#include "application.h"

#include "error_box.h"

namespace bp {

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const std::optional<QString> report = failureReport(std::current_exception());
        if (report && reportFailure)
            reportFailure(*report);
    }
    return false;
}

} // namespace bp
