#include <gtest/gtest.h>

#include "text/WideStrUtils.h"

TEST(WideStrUtils, ZeroTerminatedBuffers)
{
    const WideChar text[] = u"abca";
    EXPECT_EQ(StrLenW(text), 4u);
    EXPECT_EQ(StrLenW(u""), 0u);
    EXPECT_EQ(StrScanW(text, u'c'), text + 2);
    EXPECT_EQ(StrScanW(text, u'a'), text);
    EXPECT_EQ(StrScanW(text, 0), text + 4); // the terminator is found
    EXPECT_EQ(StrScanW(text, u'z'), nullptr);

    // Overlapping moves in both directions.
    WideChar buf[] = u"0123456789";
    EXPECT_EQ(StrMoveW(buf + 2, buf, 5), buf + 2);
    EXPECT_EQ(WideString(buf), u"0101234789");
    WideChar buf2[] = u"0123456789";
    StrMoveW(buf2, buf2 + 3, 5);
    EXPECT_EQ(WideString(buf2), u"3456756789");

    TWideBuffer b = StrAllocW(5);
    EXPECT_EQ(StrBufSizeW(b.get()), 14u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(b[i], 0);
    TWideBuffer copy = StrNewW(u"xyz");
    EXPECT_EQ(WideString(copy.get()), u"xyz");
    EXPECT_EQ(StrBufSizeW(copy.get()), 12u);
    EXPECT_EQ(StrNewW(nullptr), nullptr);

    WideChar swap[] = {0x4100, 0x00FE, 0, 0x4100};
    StrSwapBytesW(swap);
    EXPECT_EQ(swap[0], 0x0041);
    EXPECT_EQ(swap[1], 0xFE00);
    EXPECT_EQ(swap[3], 0x4100); // stops at the first zero
}

TEST(WideStrUtils, TrimAndRepeat)
{
    struct Case {
        WideString in, trim, trimRight;
    } cases[] = {
        {u"  \tx \r", u"x", u"  \tx"},
        {u"   ", u"", u""},
        {u"", u"", u""},
        {u"a b", u"a b", u"a b"},
        {u"\u3000\u00A0a\u200B\u2028", u"a", u"\u3000\u00A0a"},
        {u"a\u2029", u"a\u2029",
         u"a\u2029"}, // a paragraph separator is neither   // ideographic and no-break space, format char
        {u"\u0001x\u001F", u"x", u"\u0001x"},
        {u"\u00E9", u"\u00E9", u"\u00E9"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(WideTrim(c.in), c.trim);
        EXPECT_EQ(WideTrimRight(c.in), c.trimRight);
    }
    EXPECT_EQ(WideStringOfChar(u'-', 3), u"---");
    EXPECT_EQ(WideStringOfChar(u'-', 0), u"");
    EXPECT_EQ(WideStringOfChar(u'-', -2), u"");
}

TEST(WideStrUtils, CharacterClasses)
{
    struct Case {
        uint32_t c;
        bool control, white, upper, lower, title, mark;
    } cases[] = {
        {0x0009, true, true, false, false, false, false},
        {0x000A, true, false, false, false, false, false}, // LF is a paragraph separator, not white space
        {0x0020, false, true, false, false, false, false},
        {0x00A0, false, true, false, false, false, false},
        {0x200B, true, false, false, false, false, false},
        {0x2028, false, true, false, false, false, false},
        {0x0041, false, false, true, false, false, false},
        {0x00E9, false, false, false, true, false, false},
        {0x01C5, false, false, false, false, true, false},
        {0x0301, false, false, false, false, false, true},
        {0x1D400, false, false, true, false, false, false},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(UnicodeIsControl(c.c), c.control) << std::hex << c.c;
        EXPECT_EQ(UnicodeIsWhiteSpace(c.c), c.white) << std::hex << c.c;
        EXPECT_EQ(UnicodeIsUpper(c.c), c.upper) << std::hex << c.c;
        EXPECT_EQ(UnicodeIsLower(c.c), c.lower) << std::hex << c.c;
        EXPECT_EQ(UnicodeIsTitle(c.c), c.title) << std::hex << c.c;
        EXPECT_EQ(UnicodeIsNonSpacingMark(c.c), c.mark) << std::hex << c.c;
    }
}

TEST(WideStrUtils, TypedBytesUseTheKeyboardCodePage)
{
    EXPECT_EQ(KeyboardCodePage(), 1252u);
    EXPECT_EQ(KeyUnicode('a'), u'a');
    EXPECT_EQ(KeyUnicode('\x80'), u'\u20AC');
    EXPECT_EQ(KeyUnicode('\xE9'), u'\u00E9');
    EXPECT_EQ(KeyUnicode('\x81'), u'\u0081');
}
