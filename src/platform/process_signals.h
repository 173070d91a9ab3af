#pragma once

#include <QtGlobal>
#include <functional>
#include <optional>

class QObject;

namespace bp {

// Whether a process with id `pid` runs now, whoever owns it. Where the system cannot tell,
// the answer is true: a file that belongs to a running process must never be taken.
bool processRunning(qint64 pid);

// When the process `pid` started, in milliseconds since the epoch, as the system keeps it
// (so every process reads the same value for it); nullopt where it runs no such process or
// the system cannot tell.
std::optional<qint64> processStartMs(qint64 pid);

// Whether the process that had id `pid` and started at `startMs` (as processStartMs gave
// it) still runs: a process that got the id later is another one. Where the start time
// cannot be read (or `startMs` is 0, unknown) the id alone decides, so a file that may
// belong to a running process is never taken.
bool processRunsSince(qint64 pid, qint64 startMs);

// Runs `handler` on the thread of `context` (through its event loop) when the process is
// asked to terminate (SIGTERM) or its terminal hangs up (SIGHUP), then ends the process as
// the request asked. The latest call
// replaces an earlier handler; the handler is dropped when `context` is destroyed. Where the
// system sends no such request, nothing is installed.
void onTerminationRequest(QObject *context, std::function<void()> handler);

// Runs `handler` on the thread of `context` when the windowing system reports that the
// connection to the display is lost, just before the program ends because of it (the
// windowing system's report is the last chance: nothing can be shown any more). The latest
// call replaces an earlier handler; the handler is dropped when `context` is destroyed.
void onDisplayConnectionLost(QObject *context, std::function<void()> handler);

} // namespace bp
