// Virtual keys from Qt key events, and shortcut texts.
#include "platform/VirtualKeys.h"
#include <Qt>
#include <gtest/gtest.h>

namespace {
TEST(VirtualKeys, QtKeysAndShortcutTexts)
{
    struct Case {
        int qtKey;
        int modifiers;
        bool keypad;
        uint16_t key;
        const char *text;
    } cases[] = {
        {Qt::Key_Z, Qt::ControlModifier, false, 'Z', "Ctrl+Z"},
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier, false, 'Z', "Shift+Ctrl+Z"},
        {Qt::Key_Backspace, Qt::AltModifier | Qt::ShiftModifier, false, VK_BACK, "Shift+Alt+BkSp"},
        {Qt::Key_PageDown, 0, false, VK_NEXT, "PgDn"},
        {Qt::Key_Return, 0, false, VK_RETURN, "Enter"},
        {Qt::Key_Enter, 0, true, VK_RETURN, "Enter"},
        {Qt::Key_Insert, Qt::ControlModifier, false, VK_INSERT, "Ctrl+Ins"},
        {Qt::Key_5, Qt::ControlModifier, false, '5', "Ctrl+5"},
        {Qt::Key_5, 0, true, VK_NUMPAD0 + 5, "Num 5"},
        {Qt::Key_F5, 0, false, VK_F1 + 4, "F5"},
        {Qt::Key_Backtab, Qt::ShiftModifier, false, VK_TAB, "Shift+Tab"},
        {Qt::Key_Eacute, 0, false, 0, ""},
    };
    for (const Case &c : cases) {
        const uint16_t key = QtKeyToVirtualKey(c.qtKey, c.keypad);
        const TShiftState shift = QtModifiersToShift(c.modifiers);
        EXPECT_EQ(key, c.key) << c.text;
        EXPECT_EQ(ShortCutToText(ShortCut(key, shift)), c.text);
        uint16_t k2;
        TShiftState s2;
        ShortCutToKey(ShortCut(key, shift), k2, s2);
        EXPECT_EQ(k2, key);
        EXPECT_EQ(s2, shift);
    }
}
TEST(VirtualKeys, DigitKeysStayDigitsWithModifiers)
{
    struct Case {
        int qtKey;
        int modifiers;
        uint32_t scanCode;
        bool xkb;
        uint16_t key;
    } cases[] = {
        {Qt::Key_NumberSign, Qt::ControlModifier | Qt::ShiftModifier, 12, true, '3'},
        {Qt::Key_NumberSign, Qt::ControlModifier | Qt::ShiftModifier, 0, false, '3'},
        {Qt::Key_ParenRight, Qt::ControlModifier | Qt::ShiftModifier, 0, false, '0'},
        {Qt::Key_Ampersand, Qt::ControlModifier, 10, true, '1'}, // a layout with symbols on the digit row
        {Qt::Key_0, Qt::ControlModifier | Qt::ShiftModifier, 19, true, '0'},
        {Qt::Key_Asterisk, Qt::KeypadModifier, 63, true, VK_MULTIPLY},
        {Qt::Key_5, Qt::KeypadModifier, 84, true, VK_NUMPAD0 + 5},
        {Qt::Key_NumberSign, 0, 51, true, 0}, // a key of its own on some layouts
        {Qt::Key_Z, Qt::ControlModifier, 52, true, 'Z'},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QtKeyEventToVirtualKey(c.qtKey, c.modifiers, c.scanCode, c.xkb), c.key) << c.qtKey;
}
} // namespace
