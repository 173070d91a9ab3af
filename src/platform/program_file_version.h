#pragma once

#include <array>

namespace bp {

// The four numbers of the running program's version: major, minor, release, build.
// On Windows they come from the version resource of the program file (all 0 when the file
// has none); elsewhere they are the numbers the program was built with.
std::array<int, 4> programFileVersion();

} // namespace bp
