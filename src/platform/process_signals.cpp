#include "process_signals.h"

#include <QObject>
#include <QPointer>

#if defined(Q_OS_UNIX)
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

namespace bp {

#if defined(Q_OS_UNIX)

bool processRunning(qint64 pid)
{
    if (pid <= 0)
        return true;
    // EPERM: the process exists but belongs to another user.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

namespace {

// The handler only writes a byte; the event loop reads it and does the real work, since
// nearly nothing is safe inside a signal handler.
int terminationPipe[2] = {-1, -1};

void terminationSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[0], &byte, 1);
    errno = saved;
}

struct TerminationHook
{
    QPointer<QObject> context;
    std::function<void()> handler;
    QSocketNotifier *notifier = nullptr;
};

TerminationHook &terminationHook()
{
    static TerminationHook hook;
    return hook;
}

} // namespace

void onTerminationRequest(QObject *context, std::function<void()> handler)
{
    TerminationHook &hook = terminationHook();
    hook.context = context;
    hook.handler = std::move(handler);
    if (hook.notifier) {
        hook.notifier->setParent(context);
        return;
    }
    if (terminationPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, terminationPipe) != 0)
        return;
    hook.notifier = new QSocketNotifier(terminationPipe[1], QSocketNotifier::Read, context);
    QObject::connect(hook.notifier, &QObject::destroyed,
                     [] { terminationHook().notifier = nullptr; });
    QObject::connect(hook.notifier, &QSocketNotifier::activated, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(terminationPipe[1], &byte, 1);
        TerminationHook &current = terminationHook();
        if (current.context && current.handler)
            current.handler();
        std::signal(SIGTERM, SIG_DFL);
        std::raise(SIGTERM);
    });
    struct sigaction action = {};
    action.sa_handler = terminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

#elif defined(Q_OS_WIN)

bool processRunning(qint64 pid)
{
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process)
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

void onTerminationRequest(QObject *, std::function<void()>) {}

#else

bool processRunning(qint64)
{
    return true;
}

void onTerminationRequest(QObject *, std::function<void()>) {}

#endif

} // namespace bp
