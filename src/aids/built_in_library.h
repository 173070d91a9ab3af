#pragma once

#include "library_node.h"

namespace bp {

// The library the main window starts with: one root "Функции" with 17 categories of
// QPILE built-in functions, 88 nodes in all. "library.txt" replaces it at start-up.
LibraryForest builtInLibrary();

} // namespace bp
