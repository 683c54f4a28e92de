#include "platform/VirtualKeys.h"
#include <Qt>

TShortCut ShortCut(uint16_t key, TShiftState shift)
{
    TShortCut result = static_cast<TShortCut>(key & 0x0FFF);
    if (shift & ssShift)
        result |= scShift;
    if (shift & ssCtrl)
        result |= scCtrl;
    if (shift & ssAlt)
        result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut shortCut, uint16_t &key, TShiftState &shift)
{
    key = shortCut & 0x0FFF;
    shift = 0;
    if (shortCut & scShift)
        shift |= ssShift;
    if (shortCut & scCtrl)
        shift |= ssCtrl;
    if (shortCut & scAlt)
        shift |= ssAlt;
}

namespace {
AnsiString KeyName(uint16_t key)
{
    switch (key) {
    case VK_BACK: return "BkSp";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Ins";
    case VK_DELETE: return "Del";
    default: break;
    }
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return AnsiString(1, static_cast<char>(key));
    if (key >= VK_F1 && key <= VK_F24)
        return "F" + std::to_string(key - VK_F1 + 1);
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9)
        return "Num " + std::to_string(key - VK_NUMPAD0);
    return AnsiString();
}
} // namespace

AnsiString ShortCutToText(TShortCut shortCut)
{
    uint16_t key;
    TShiftState shift;
    ShortCutToKey(shortCut, key, shift);
    const AnsiString name = KeyName(key);
    if (name.empty())
        return AnsiString();
    AnsiString text;
    if (shift & ssShift)
        text += "Shift+";
    if (shift & ssCtrl)
        text += "Ctrl+";
    if (shift & ssAlt)
        text += "Alt+";
    return text + name;
}

uint16_t QtKeyToVirtualKey(int qtKey, bool keypad)
{
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return static_cast<uint16_t>(keypad ? VK_NUMPAD0 + (qtKey - Qt::Key_0) : qtKey);
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return static_cast<uint16_t>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<uint16_t>(VK_F1 + (qtKey - Qt::Key_F1));
    switch (qtKey) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : 0;
    case Qt::Key_Plus: return keypad ? VK_ADD : 0;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : 0;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : 0;
    default: return 0;
    }
}

TShiftState QtModifiersToShift(int qtModifiers)
{
    TShiftState shift = 0;
    if (qtModifiers & Qt::ShiftModifier)
        shift |= ssShift;
    if (qtModifiers & Qt::ControlModifier)
        shift |= ssCtrl;
    if (qtModifiers & Qt::AltModifier)
        shift |= ssAlt;
    return shift;
}

uint16_t QtKeyEventToVirtualKey(int qtKey, int qtModifiers, uint32_t nativeScanCode, bool xkbScanCodes)
{
    const bool keypad = qtModifiers & Qt::KeypadModifier;
    if (!keypad) {
        // xkb key codes of the digit row: 10..18 are 1..9, 19 is 0.
        if (xkbScanCodes && nativeScanCode >= 10 && nativeScanCode <= 19)
            return static_cast<uint16_t>(nativeScanCode == 19 ? '0' : '1' + (nativeScanCode - 10));
        if (qtModifiers & Qt::ShiftModifier) {
            static const char shifted[] = ")!@#$%^&*(";
            for (int d = 0; d < 10; ++d)
                if (qtKey == shifted[d])
                    return static_cast<uint16_t>('0' + d);
        }
    }
    return QtKeyToVirtualKey(qtKey, keypad);
}
