#pragma once
// Virtual-key codes and shift states as the editor's key bindings store them, the packed
// shortcut value (key plus modifier bits) and its display text, and the mapping from Qt's
// key events.
#include "platform/Types.h"
#include <cstdint>

enum : uint16_t {
    VK_BACK = 0x08,
    VK_TAB = 0x09,
    VK_RETURN = 0x0D,
    VK_SHIFT = 0x10,
    VK_CONTROL = 0x11,
    VK_MENU = 0x12,
    VK_PAUSE = 0x13,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_PRIOR = 0x21,
    VK_NEXT = 0x22,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_INSERT = 0x2D,
    VK_DELETE = 0x2E,
    VK_NUMPAD0 = 0x60,
    VK_MULTIPLY = 0x6A,
    VK_ADD = 0x6B,
    VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E,
    VK_DIVIDE = 0x6F,
    VK_F1 = 0x70,
    VK_F24 = 0x87,
};

// Shift state bits of a key binding.
using TShiftState = uint8_t;
enum : TShiftState { ssShift = 1, ssAlt = 2, ssCtrl = 4 };

// A shortcut packs the virtual key with modifier bits.
using TShortCut = uint16_t;
enum : TShortCut { scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000 };

TShortCut ShortCut(uint16_t key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, uint16_t &key, TShiftState &shift);
// "Shift+Ctrl+Z", "PgDn", "Alt+BkSp"; empty for 0.
AnsiString ShortCutToText(TShortCut shortCut);

// Qt key code (Qt::Key) and keyboard modifiers (Qt::KeyboardModifiers as an int) to a
// virtual key (0 when it has none) and shift state.
uint16_t QtKeyToVirtualKey(int qtKey, bool keypad = false);
TShiftState QtModifiersToShift(int qtModifiers);
// The virtual key of a whole key event. The main keyboard's digit keys stay digits whatever
// the modifiers make of their symbol (Shift+3 reports '#'): on xkb platforms (X11, Wayland)
// they are known by their key codes, elsewhere the shifted symbols of the common layout are
// taken back to their digits.
uint16_t QtKeyEventToVirtualKey(int qtKey, int qtModifiers, uint32_t nativeScanCode, bool xkbScanCodes);
