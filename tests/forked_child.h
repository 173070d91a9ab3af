#pragma once

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace bp::testing {

// Runs `body` in a forked child of this process and returns its wait status; the child ends
// with the code `body` returns (125 for an exception), without running any of the parent's
// clean-up.
inline int statusOfChild(const std::function<int()> &body)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        // A crash ends the child at once, without the test library's stack-trace handler.
        for (int signal : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE})
            std::signal(signal, SIG_DFL);
        try {
            _exit(body());
        } catch (...) {
            _exit(125);
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

} // namespace bp::testing
