#include <gtest/gtest.h>

#include "text/ZSStrUtils.h"

TEST(ZSStrUtils, PosNoCaseFoldsAsciiOnly)
{
    struct Case {
        const char *sub, *s;
        int pos;
    } cases[] = {
        {"</SCRIPT", "x</script>", 2},
        {"\xE4", "\xC4", 0}, // a-umlaut is not folded to A-umlaut
        {"\xE4", "x\xE4", 2},
        {"", "abc", 0},
        {"abcd", "abc", 0},
        {"abc", "abc", 1},
        {"aab", "aaab", 2}, // a failed candidate does not hide the next one
        {"B", "abcb", 2},
        {"[", "{[", 2}, // only letters fold: '[' and '{' differ by 0x20 too
        {"x", "", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PosNoCase(c.sub, c.s), c.pos) << c.sub << " in " << c.s;
}

TEST(ZSStrUtils, CountAndReplaceChar)
{
    EXPECT_EQ(CountChar(",", "a,b,,c"), 3);
    EXPECT_EQ(CountChar("ab", "abab"), 0);
    EXPECT_EQ(CountChar("", "abab"), 0);
    EXPECT_EQ(CountChar("A", "aA\xC1"), 1);
    EXPECT_EQ(CountChar(AnsiString(1, '\0'), AnsiString("a\0b\0", 4)), 2);

    AnsiString shared = "a\\b\\c";
    AnsiString copy = shared;
    ReplaceChar(copy, '\\', '/');
    EXPECT_EQ(copy, "a/b/c");
    EXPECT_EQ(shared, "a\\b\\c");
}

TEST(ZSStrUtils, IndexOfExactIgnoresListSettings)
{
    TZSStringList list;
    list.Add("Foo");
    list.Add("bar");
    list.Add("foo");
    EXPECT_EQ(IndexOfExact(list, "Foo"), 0);
    EXPECT_EQ(IndexOfExact(list, "foo"), 2);
    EXPECT_EQ(IndexOfExact(list, "FOO"), -1);
    EXPECT_EQ(IndexOfExact(list, "Fo"), -1);
    EXPECT_EQ(list.IndexOf("FOO"), 0); // the list's own lookup stays case-insensitive

    // A sorted list is still scanned linearly for the first exact match.
    TZSStringList sorted;
    sorted.SetSorted(true);
    sorted.SetDuplicates(dupAccept);
    for (const char *s : {"b", "B", "a", "A"})
        sorted.Add(s);
    const int i = IndexOfExact(sorted, "B");
    ASSERT_GE(i, 0);
    EXPECT_EQ(sorted.Get(i), "B");
}

TEST(ZSStrUtils, SystemNamesAreReadable)
{
    EXPECT_FALSE(GetComputerNameStr().empty());
    EXPECT_EQ(GetUserNameStr().find('\0'), AnsiString::npos);
}
