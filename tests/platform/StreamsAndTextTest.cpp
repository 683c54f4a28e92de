#include "platform/Classes.h"
#include "platform/CodePage.h"
#include "platform/SysUtils.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(CodePage, EveryByteRoundTripsAndForeignCharactersBecomeQuestionMarks)
{
    for (int b = 0; b < 256; ++b) {
        const WideChar w = CodePage::AnsiCharToWide(static_cast<unsigned char>(b));
        EXPECT_EQ(CodePage::WideCharToAnsi(w), b) << b;
    }
    EXPECT_EQ(CodePage::AnsiCharToWide(0x80), u'\u20AC');
    EXPECT_EQ(CodePage::AnsiCharToWide(0x9F), u'\u0178');
    EXPECT_EQ(WideToAnsi(u"a\u20ACb\u4E2D"), "a\x80"
                                             "b?");
    EXPECT_TRUE(CodePage::IsAnsiLossless(u"\u00FF\u2122"));
    EXPECT_FALSE(CodePage::IsAnsiLossless(u"\u0100"));
}

TEST(MemoryStream, ReadsWritesAndSeeksWithinBounds)
{
    TMemoryStream m;
    m.WriteBuffer("hello", 5);
    EXPECT_EQ(m.GetSize(), 5);
    m.Seek(-2, soEnd);
    char buf[8] = {};
    EXPECT_EQ(m.Read(buf, 8), 2);
    EXPECT_STREQ(buf, "lo");
    EXPECT_EQ(m.Read(buf, 8), 0);
    m.SetPosition(1);
    EXPECT_THROW(m.ReadBuffer(buf, 5), EReadError);
    m.SetPosition(7); // writing past the end fills the gap with zeros
    m.WriteBuffer("!", 1);
    EXPECT_EQ(m.GetSize(), 8);
    EXPECT_EQ(m.Memory()[5], 0);
}

TEST(FileStream, ErrorsNameTheFileAndDirectoriesAreRefused)
{
    QTemporaryDir dir;
    const AnsiString path = dir.filePath("a.txt").toStdString();
    try {
        TFileStream missing(path, fmOpenRead);
        FAIL() << "opened a missing file";
    } catch (const EFOpenError &e) {
        EXPECT_NE(e.Message().find("a.txt"), AnsiString::npos);
    }
    {
        TFileStream f(path, fmCreate);
        f.WriteBuffer("abc", 3);
    }
    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_EQ(m.GetSize(), 3);
    EXPECT_THROW(TFileStream(dir.path().toStdString(), fmOpenRead), EFOpenError);
}

TEST(SysUtils, IntegerParsingIsStrictAndLocaleFree)
{
    struct Case {
        const char *text;
        bool ok;
        int value;
    };
    for (const Case &c :
         {Case{"42", true, 42}, Case{" -7 ", true, -7}, Case{"$FF", true, 255}, Case{"0x10", true, 16},
          Case{"1,5", false, 0}, Case{"", false, 0}, Case{"2147483648", false, 0}, Case{"12a", false, 0}}) {
        int v = 0;
        EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
    EXPECT_THROW(StrToInt("x"), EConvertError);
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(ExtractFileExt("/a/page.HTML"), ".HTML");
    EXPECT_EQ(ExtractFilePath("/a/b.js"), "/a/");
}
