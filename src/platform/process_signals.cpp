#include "process_signals.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <cstdlib>

#if defined(Q_OS_UNIX)
#include <QFile>
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

// The boot time and clock tick the kernel counts process start times from.
std::optional<std::pair<qint64, qint64>> bootClock()
{
    QFile stat(QStringLiteral("/proc/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : stat.readAll().split('\n')) {
        if (!line.startsWith("btime "))
            continue;
        bool ok = false;
        const qint64 bootSeconds = line.mid(6).trimmed().toLongLong(&ok);
        const long ticks = ::sysconf(_SC_CLK_TCK);
        if (!ok || ticks <= 0)
            return std::nullopt;
        return std::pair<qint64, qint64>{bootSeconds, ticks};
    }
    return std::nullopt;
}

} // namespace

std::optional<qint64> processStartMs(qint64 pid)
{
    if (pid <= 0)
        return std::nullopt;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold blanks and parentheses: the fields follow
    // its last ")". The start time is the 22nd field, the 20th after the name.
    const qsizetype nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0)
        return std::nullopt;
    const QList<QByteArray> fields = line.mid(nameEnd + 2).split(' ');
    if (fields.size() < 20)
        return std::nullopt;
    bool ok = false;
    const qint64 ticks = fields[19].toLongLong(&ok);
    const auto clock = bootClock();
    if (!ok || !clock)
        return std::nullopt;
    return clock->first * 1000 + ticks * 1000 / clock->second;
}

bool processRunsSince(qint64 pid, qint64 startMs)
{
    if (!processRunning(pid))
        return false;
    const std::optional<qint64> started = processStartMs(pid);
    if (startMs == 0 || !started)
        return true;
    // The boot time is kept in whole seconds and moves when the clock is set: a second
    // either way is the same process.
    return std::abs(*started - startMs) <= 1000;
}

namespace {

// The handler only writes a byte; the event loop reads it and does the real work, since
// nearly nothing is safe inside a signal handler.
int terminationPipe[2] = {-1, -1};

void terminationSignal(int signal)
{
    const int saved = errno;
    const char byte = char(signal);
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
        const int signal = byte == SIGHUP ? SIGHUP : SIGTERM;
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    });
    struct sigaction action = {};
    action.sa_handler = terminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
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

std::optional<qint64> processStartMs(qint64)
{
    return std::nullopt;
}

bool processRunsSince(qint64 pid, qint64)
{
    return processRunning(pid);
}

#else

bool processRunning(qint64)
{
    return true;
}

void onTerminationRequest(QObject *, std::function<void()>) {}

std::optional<qint64> processStartMs(qint64)
{
    return std::nullopt;
}

bool processRunsSince(qint64, qint64)
{
    return true;
}

#endif

namespace {

struct DisplayLossHook
{
    QPointer<QObject> context;
    std::function<void()> handler;
    QtMessageHandler previous = nullptr;
    bool installed = false;
    bool running = false;
};

DisplayLossHook &displayLossHook()
{
    static DisplayLossHook hook;
    return hook;
}

// The windowing system says so in a message just before it ends the program ("The X11
// connection broke ...", "The Wayland connection broke ...").
void watchMessages(QtMsgType type, const QMessageLogContext &where, const QString &message)
{
    DisplayLossHook &hook = displayLossHook();
    // First: a fatal message ends the program in the handler before it.
    const bool lost = type != QtDebugMsg && type != QtInfoMsg &&
                      message.contains(QLatin1String("connection broke"));
    if (lost && !hook.running && hook.context && hook.handler &&
        QThread::currentThread() == hook.context->thread()) {
        hook.running = true;
        hook.handler();
        hook.running = false;
    }
    if (hook.previous)
        hook.previous(type, where, message);
}

} // namespace

void onDisplayConnectionLost(QObject *context, std::function<void()> handler)
{
    DisplayLossHook &hook = displayLossHook();
    hook.context = context;
    hook.handler = std::move(handler);
    if (!hook.installed) {
        hook.installed = true;
        hook.previous = qInstallMessageHandler(watchMessages);
    }
}

} // namespace bp
