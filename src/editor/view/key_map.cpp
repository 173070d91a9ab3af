#include "key_map.h"

#include <array>

namespace bp {
namespace {

struct KeyBinding
{
    int key;
    Qt::KeyboardModifiers modifiers;
    TEditorCommand command;
};

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifiers kAlt = Qt::AltModifier;
const Qt::KeyboardModifiers kCtrlShift = kCtrl | kShift;
const Qt::KeyboardModifiers kShiftAlt = kShift | kAlt;

const std::array kBindings = {
    KeyBinding{Qt::Key_Up, kNone, ecUp},
    KeyBinding{Qt::Key_Up, kShift, ecSelUp},
    KeyBinding{Qt::Key_Up, kCtrl, ecScrollUp},
    KeyBinding{Qt::Key_Down, kNone, ecDown},
    KeyBinding{Qt::Key_Down, kShift, ecSelDown},
    KeyBinding{Qt::Key_Down, kCtrl, ecScrollDown},
    KeyBinding{Qt::Key_Left, kNone, ecLeft},
    KeyBinding{Qt::Key_Left, kShift, ecSelLeft},
    KeyBinding{Qt::Key_Left, kCtrl, ecWordLeft},
    KeyBinding{Qt::Key_Left, kCtrlShift, ecSelWordLeft},
    KeyBinding{Qt::Key_Right, kNone, ecRight},
    KeyBinding{Qt::Key_Right, kShift, ecSelRight},
    KeyBinding{Qt::Key_Right, kCtrl, ecWordRight},
    KeyBinding{Qt::Key_Right, kCtrlShift, ecSelWordRight},
    KeyBinding{Qt::Key_PageDown, kNone, ecPageDown},
    KeyBinding{Qt::Key_PageDown, kShift, ecSelPageDown},
    KeyBinding{Qt::Key_PageDown, kCtrl, ecPageBottom},
    KeyBinding{Qt::Key_PageDown, kCtrlShift, ecSelPageBottom},
    KeyBinding{Qt::Key_PageUp, kNone, ecPageUp},
    KeyBinding{Qt::Key_PageUp, kShift, ecSelPageUp},
    KeyBinding{Qt::Key_PageUp, kCtrl, ecPageTop},
    KeyBinding{Qt::Key_PageUp, kCtrlShift, ecSelPageTop},
    KeyBinding{Qt::Key_Home, kNone, ecLineStart},
    KeyBinding{Qt::Key_Home, kShift, ecSelLineStart},
    KeyBinding{Qt::Key_Home, kCtrl, ecEditorTop},
    KeyBinding{Qt::Key_Home, kCtrlShift, ecSelEditorTop},
    KeyBinding{Qt::Key_End, kNone, ecLineEnd},
    KeyBinding{Qt::Key_End, kShift, ecSelLineEnd},
    KeyBinding{Qt::Key_End, kCtrl, ecEditorBottom},
    KeyBinding{Qt::Key_End, kCtrlShift, ecSelEditorBottom},
    KeyBinding{Qt::Key_Insert, kNone, ecToggleMode},
    KeyBinding{Qt::Key_Insert, kCtrl, ecCopy},
    KeyBinding{Qt::Key_Delete, kShift, ecCut},
    KeyBinding{Qt::Key_Insert, kShift, ecPaste},
    KeyBinding{Qt::Key_Delete, kNone, ecDeleteChar},
    KeyBinding{Qt::Key_Backspace, kNone, ecDeleteLastChar},
    KeyBinding{Qt::Key_Backspace, kShift, ecDeleteLastChar},
    KeyBinding{Qt::Key_Backspace, kCtrl, ecDeleteLastWord},
    KeyBinding{Qt::Key_Backspace, kAlt, ecUndo},
    KeyBinding{Qt::Key_Backspace, kShiftAlt, ecRedo},
    KeyBinding{Qt::Key_Return, kNone, ecLineBreak},
    KeyBinding{Qt::Key_Return, kShift, ecLineBreak},
    KeyBinding{Qt::Key_Enter, kNone, ecLineBreak},
    KeyBinding{Qt::Key_Enter, kShift, ecLineBreak},
    KeyBinding{Qt::Key_Tab, kNone, ecTab},
    KeyBinding{Qt::Key_Backtab, kShift, ecShiftTab},
    KeyBinding{Qt::Key_Tab, kShift, ecShiftTab},
    KeyBinding{Qt::Key_F1, kNone, ecContextHelp},
    KeyBinding{Qt::Key_A, kCtrl, ecSelectAll},
    KeyBinding{Qt::Key_C, kCtrl, ecCopy},
    KeyBinding{Qt::Key_V, kCtrl, ecPaste},
    KeyBinding{Qt::Key_X, kCtrl, ecCut},
    KeyBinding{Qt::Key_Z, kCtrl, ecUndo},
    KeyBinding{Qt::Key_Z, kCtrlShift, ecRedo},
    KeyBinding{Qt::Key_M, kCtrl, ecLineBreak},
    KeyBinding{Qt::Key_N, kCtrl, ecInsertLine},
    KeyBinding{Qt::Key_T, kCtrl, ecDeleteWord},
    KeyBinding{Qt::Key_Y, kCtrl, ecDeleteLine},
    KeyBinding{Qt::Key_Y, kCtrlShift, ecDeleteEOL},
    KeyBinding{Qt::Key_I, kCtrlShift, ecBlockIndent},
    KeyBinding{Qt::Key_U, kCtrlShift, ecBlockUnindent},
    KeyBinding{Qt::Key_N, kCtrlShift, ecNormalSelect},
    KeyBinding{Qt::Key_C, kCtrlShift, ecColumnSelect},
    KeyBinding{Qt::Key_L, kCtrlShift, ecLineSelect},
    KeyBinding{Qt::Key_B, kCtrlShift, ecMatchBracket},
};

// Shifted digits arrive with the symbol's key code on most layouts.
int digitOfKey(int key)
{
    static constexpr int kShifted[10] = {Qt::Key_ParenRight,  Qt::Key_Exclam,    Qt::Key_At,
                                         Qt::Key_NumberSign,  Qt::Key_Dollar,    Qt::Key_Percent,
                                         Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,
                                         Qt::Key_ParenLeft};
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key - Qt::Key_0;
    for (int digit = 0; digit < 10; ++digit)
        if (kShifted[digit] == key)
            return digit;
    return -1;
}

} // namespace

int keyboardDigit(quint32 nativeScanCode, quint32 nativeVirtualKey)
{
#if defined(Q_OS_WIN)
    Q_UNUSED(nativeScanCode);
    // Virtual keys 0x30..0x39 name the digit row on every layout.
    if (nativeVirtualKey >= 0x30 && nativeVirtualKey <= 0x39)
        return int(nativeVirtualKey - 0x30);
#elif defined(Q_OS_LINUX)
    Q_UNUSED(nativeVirtualKey);
    // X11 and Wayland key codes: 10..18 are the keys 1..9, 19 is 0.
    if (nativeScanCode >= 10 && nativeScanCode <= 19)
        return int(nativeScanCode - 9) % 10;
#else
    Q_UNUSED(nativeScanCode);
    Q_UNUSED(nativeVirtualKey);
#endif
    return -1;
}

TEditorCommand commandForKey(int key, Qt::KeyboardModifiers modifiers, int keyboardDigit)
{
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    for (const KeyBinding &binding : kBindings)
        if (binding.key == key && binding.modifiers == modifiers)
            return binding.command;
    const int digit = keyboardDigit >= 0 ? keyboardDigit : digitOfKey(key);
    if (digit >= 0 && modifiers == kCtrl)
        return TEditorCommand(ecGotoMarker0 + digit);
    if (digit >= 0 && modifiers == kCtrlShift)
        return TEditorCommand(ecSetMarker0 + digit);
    return ecNone;
}

} // namespace bp
