#pragma once

#include <QApplication>
#include <functional>

namespace bp {

// The application title: task bar, main window caption and the caption of every box.
inline QString applicationTitle()
{
    return QStringLiteral("Brindlepad");
}

// QApplication with the last-resort catch: a failure that escapes an event handler is shown
// by `reportFailure` instead of unwinding through the event loop (std::bad_alloc with the
// out-of-memory text, anything else that is not a bp::Error with an empty text);
// bp::SilentAbort shows nothing.
class TApplication : public QApplication
{
public:
    TApplication(int &argc, char **argv);

    std::function<void(const QString &)> reportFailure;

    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace bp
