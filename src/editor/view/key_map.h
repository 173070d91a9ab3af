#pragma once

#include "editor/model/editor_command.h"

#include <Qt>

namespace bp {

// The pane's default key map: (key, shift state) → editor command, searched in order.
// Keys that are not in the map and produce a printable character become ecChar.
// `keyboardDigit` is the digit of the key's place on the keyboard's digit row, or -1: with
// Shift held, layouts other than US put other symbols on those keys.
TEditorCommand commandForKey(int key, Qt::KeyboardModifiers modifiers, int keyboardDigit = -1);

// The digit-row position of a key from its native codes, whatever the layout; -1 if none.
int keyboardDigit(quint32 nativeScanCode, quint32 nativeVirtualKey);

} // namespace bp
