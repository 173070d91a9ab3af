#pragma once

#include <QtGlobal>
#include <functional>

class QObject;

namespace bp {

// Whether a process with id `pid` runs now, whoever owns it. Where the system cannot tell,
// the answer is true: a file that belongs to a running process must never be taken.
bool processRunning(qint64 pid);

// Runs `handler` on the thread of `context` (through its event loop) when the process is
// asked to terminate (SIGTERM), then ends the process as the request asked. The latest call
// replaces an earlier handler; the handler is dropped when `context` is destroyed. Where the
// system sends no such request, nothing is installed.
void onTerminationRequest(QObject *context, std::function<void()> handler);

} // namespace bp
