// Key bindings: the default table, rebinding, duplicate shortcuts and command identifiers.
#include "editor/KeyStrokes.h"
#include <gtest/gtest.h>

namespace {

TEST(EditorKeyStrokes, DefaultBindingsInOrder)
{
    TKeyStrokes k;
    k.ResetDefaults();
    ASSERT_EQ(k.Count(), 75);
    // The display texts of the table, in the order it is built.
    const char *expected[] = {
        "ecSelectUp - Shift+Up",
        "ecUp - Up",
        "ecScrollUp - Ctrl+Up",
        "ecDown - Down",
        "ecSelectDown - Shift+Down",
        "ecScrollDown - Ctrl+Down",
        "ecLeft - Left",
        "ecSelectLeft - Shift+Left",
        "ecWordLeft - Ctrl+Left",
        "ecSelectWordLeft - Shift+Ctrl+Left",
        "ecRight - Right",
        "ecSelectRight - Shift+Right",
        "ecWordRight - Ctrl+Right",
        "ecSelectWordRight - Shift+Ctrl+Right",
        "ecPageDown - PgDn",
        "ecSelectPageDown - Shift+PgDn",
        "ecPageBottom - Ctrl+PgDn",
        "ecSelectPageBottom - Shift+Ctrl+PgDn",
        "ecPageUp - PgUp",
        "ecSelectPageUp - Shift+PgUp",
        "ecPageTop - Ctrl+PgUp",
        "ecSelectPageTop - Shift+Ctrl+PgUp",
        "ecLineStart - Home",
        "ecSelectLineStart - Shift+Home",
        "ecEditorTop - Ctrl+Home",
        "ecSelectEditorTop - Shift+Ctrl+Home",
        "ecLineEnd - End",
        "ecSelectLineEnd - Shift+End",
        "ecEditorBottom - Ctrl+End",
        "ecSelectEditorBottom - Shift+Ctrl+End",
        "ecToggleMode - Ins",
        "ecPaste - Ctrl+V",
        "ecPaste - Shift+Ins",
        "ecDeleteChar - Del",
        "ecDeleteLastChar - BkSp",
        "ecDeleteLastWord - Ctrl+BkSp",
        "ecUndo - Ctrl+Z",
        "ecUndo - Alt+BkSp",
        "ecRedo - Shift+Ctrl+Z",
        "ecRedo - Shift+Alt+BkSp",
        "ecLineBreak - Enter",
        "ecLineBreak - Ctrl+M",
        "ecSelectAll - Ctrl+A",
        "ecCopy - Ctrl+C",
        "ecCopy - Ctrl+Ins",
        "ecCut - Ctrl+X",
        "ecCut - Shift+Del",
        "ecBlockIndent - Shift+Ctrl+I",
        "ecInsertLine - Ctrl+N",
        "ecDeleteWord - Ctrl+T",
        "ecDeleteWord - Ctrl+Del",
        "ecBlockUnindent - Shift+Ctrl+U",
        "ecDeleteLine - Ctrl+Y",
        "ecDeleteEOL - Shift+Ctrl+Y",
        "ecDeleteBOL - Shift+Ctrl+B",
    };
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(k.Items(static_cast<int>(i)).DisplayText(), expected[i]) << i;
    for (int d = 0; d <= 9; ++d) {
        EXPECT_EQ(k.Items(55 + d).DisplayText(), "ecGotoMarker" + std::to_string(d) + " - Ctrl+" + std::to_string(d));
        EXPECT_EQ(k.Items(65 + d).DisplayText(),
                  "ecToggleMarker" + std::to_string(d) + " - Shift+Ctrl+" + std::to_string(d));
    }
    k.ResetDefaults();
    EXPECT_EQ(k.Count(), 75);
}

TEST(EditorKeyStrokes, LookupsRebindingAndDuplicates)
{
    TKeyStrokes k;
    k.ResetDefaults();
    EXPECT_EQ(k.FindKey('Z', ssCtrl), 36);
    EXPECT_EQ(k.FindKey(VK_F1 + 4, 0), -1);
    EXPECT_EQ(k.FindShortCut(ShortCut('C', ssCtrl)), 43);
    EXPECT_EQ(k.FindShortCut(ShortCut(VK_BACK, ssShift | ssAlt)), 39);

    // Ctrl+C for another binding is refused and leaves that binding as it was.
    TKeyStroke &paste = k.Items(31);
    EXPECT_THROW(
        {
            try {
                paste.SetShortCut(ShortCut('C', ssCtrl));
            } catch (const EKeyException &e) {
                EXPECT_STREQ(e.what(), "Shortcut already exists");
                throw;
            }
        },
        EKeyException);
    EXPECT_EQ(paste.Key, 'V');
    EXPECT_EQ(paste.Shift, ssCtrl);
    // A free shortcut is taken; rebinding an item to its own shortcut is fine.
    paste.SetShortCut(ShortCut(VK_F1 + 1, ssAlt));
    EXPECT_EQ(paste.DisplayText(), "ecPaste - Alt+F2");
    paste.SetShortCut(paste.GetShortCut());
    EXPECT_EQ(k.FindKey(VK_F1 + 1, ssAlt), 31);
    // Added duplicates are legal; the earlier one wins.
    k.Add('Z', ssCtrl, ecRedo);
    EXPECT_EQ(k.Items(k.FindKey('Z', ssCtrl)).Command, ecUndo);

    TKeyStrokes copy;
    copy.Assign(k);
    ASSERT_EQ(copy.Count(), k.Count());
    for (int i = 0; i < k.Count(); ++i)
        EXPECT_EQ(copy.Items(i).DisplayText(), k.Items(i).DisplayText());
}

TEST(EditorKeyStrokes, CommandIdentifiers)
{
    struct Case {
        int command;
        const char *text;
    } cases[] = {{0, "ecNone"},         {17, "ecGoto"},    {117, "ecSelectGoto"},  {199, "ecSelectAll"},
                 {411, "ecChar"},       {615, "ecDelete"}, {705, "ecGotoMarker4"}, {760, "ecToggleMarker9"},
                 {1001, "ecUserFirst"}, {500, "500"},      {1002, "1002"}};
    for (const Case &c : cases)
        EXPECT_EQ(EditorCommandToText(c.command), c.text);
    EXPECT_EQ(EditorCommandCount(), 83);
    int n = -1;
    EXPECT_TRUE(IdentToEditorCommand("ecBlockUnindent", n));
    EXPECT_EQ(n, 614);
    EXPECT_FALSE(IdentToEditorCommand("ecblockunindent", n));
    // Every identifier maps back to its number.
    for (int i = 0; i < EditorCommandCount(); ++i) {
        int command;
        AnsiString ident;
        EditorCommandAt(i, command, ident);
        int back = -1;
        EXPECT_TRUE(IdentToEditorCommand(ident, back));
        EXPECT_EQ(back, command);
    }
}

} // namespace
