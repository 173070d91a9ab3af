#pragma once

#include "editor/model/editor_command.h"

#include <Qt>

namespace bp {

// The pane's default key map: (key, shift state) → editor command, searched in order.
// Keys that are not in the map and produce a printable character become ecChar.
TEditorCommand commandForKey(int key, Qt::KeyboardModifiers modifiers);

} // namespace bp
