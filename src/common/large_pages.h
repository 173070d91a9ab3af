#pragma once

#include <cstddef>

namespace bp {

// Asks the system to back the memory [data, data + bytes) with large pages where it can. A
// buffer of tens of megabytes that is about to be filled at once (the new lines of a command
// over a million lines) then costs a few hundred page faults instead of tens of thousands,
// and reading it later misses the address cache less often. Small buffers are left alone;
// where the system has no such pages, or refuses, nothing changes.
void adviseLargePages(void *data, std::size_t bytes);

} // namespace bp
