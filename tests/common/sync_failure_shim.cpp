// Preloaded into a child process of the tests: fsync and fdatasync fail with EIO, as on a
// dying USB stick, after the number of successful calls given in BP_SUCCESSFUL_SYNCS.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>

namespace {

std::atomic<long> g_calls{0};

bool passes()
{
    const char *allowed = std::getenv("BP_SUCCESSFUL_SYNCS");
    return allowed && g_calls++ < std::atol(allowed);
}

template <typename Function> int callNext(const char *name, int fd)
{
    auto next = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
    return next ? next(fd) : 0;
}

} // namespace

extern "C" int fsync(int fd)
{
    if (passes())
        return callNext<int (*)(int)>("fsync", fd);
    errno = EIO;
    return -1;
}

extern "C" int fdatasync(int fd)
{
    if (passes())
        return callNext<int (*)(int)>("fdatasync", fd);
    errno = EIO;
    return -1;
}
