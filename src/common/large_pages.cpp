#include "large_pages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace bp {

void adviseLargePages([[maybe_unused]] void *data, [[maybe_unused]] std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Below a few large pages the advice saves little and may cost memory.
    constexpr std::size_t kLargePage = std::size_t(2) << 20;
    constexpr std::size_t kPage = 4096;
    if (!data || bytes < 4 * kLargePage)
        return;
    // Only whole pages inside the buffer: the advice must not reach memory it does not own.
    const std::uintptr_t start =
        (reinterpret_cast<std::uintptr_t>(data) + kPage - 1) & ~std::uintptr_t(kPage - 1);
    const std::uintptr_t end =
        (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~std::uintptr_t(kPage - 1);
    // madvise takes a page-aligned address, which only integer arithmetic on the buffer's
    // address can give.
    if (end > start)
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
#endif
}

} // namespace bp
