#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "platform/Prompter.h"
#include "text/WideStrings.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::initializer_list<int> v)
{
    Bytes b;
    for (int x : v)
        b.push_back(uint8_t(x));
    return b;
}

Bytes Utf16(const WideString &s, bool bigEndian, bool mark = true)
{
    Bytes b;
    if (mark) {
        b.push_back(bigEndian ? 0xFE : 0xFF);
        b.push_back(bigEndian ? 0xFF : 0xFE);
    }
    for (WideChar c : s) {
        if (bigEndian) {
            b.push_back(uint8_t(c >> 8));
            b.push_back(uint8_t(c));
        } else {
            b.push_back(uint8_t(c));
            b.push_back(uint8_t(c >> 8));
        }
    }
    return b;
}

void Load(TWideStrings &list, const Bytes &bytes)
{
    TMemoryStream m;
    if (!bytes.empty())
        m.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    m.SetPosition(0);
    list.LoadFromStream(m);
}

Bytes Save(TWideStrings &list)
{
    TMemoryStream m;
    list.SaveToStream(m);
    return m.Bytes();
}

std::vector<WideString> Lines(const TWideStrings &list)
{
    std::vector<WideString> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list[i]);
    return out;
}

Bytes ReadFileBytes(const std::string &name)
{
    std::ifstream f(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

void WriteFile(const std::string &name, const Bytes &b)
{
    std::ofstream f(name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(b.data()), std::streamsize(b.size()));
}

} // namespace

TEST(WideStrings, LineBreakRules)
{
    struct Case {
        WideString text;
        std::vector<WideString> lines;
    } cases[] = {
        {u"A\rB\nC\r\nD", {u"A", u"B", u"C", u"D"}},
        {u"A\n\rB", {u"A", u"", u"B"}},
        {u"A\r\n", {u"A"}},
        {u"A\r\n\r\n", {u"A", u""}},
        {u"", {}},
        {u"\r\n", {u""}},
        // Only CR and LF end lines: VT, FF and the Unicode separators are characters of the line.
        {u"A\vB\fC", {u"A\vB\fC"}},
        {u"A\u2028B\u2029C", {u"A\u2028B\u2029C"}},
        {u"A\u0085B", {u"A\u0085B"}},
        {u"no final break", {u"no final break"}},
        {WideString(u"A\0B\r\nC", 6), {WideString(u"A\0B", 3), u"C"}},
    };
    for (const auto &c : cases) {
        TWideStringList list;
        list.SetTextStr(c.text);
        EXPECT_EQ(Lines(list), c.lines) << "case with " << c.text.size() << " characters";
    }
}

TEST(WideStrings, LoadDetectsEncoding)
{
    struct Case {
        const char *what;
        Bytes bytes;
        std::vector<WideString> lines;
        bool unicode;
    } cases[] = {
        {"utf-16le", ToBytes({0xFF, 0xFE, 0x41, 0, 0x0D, 0, 0x0A, 0, 0x42, 0}), {u"A", u"B"}, true},
        {"utf-16be", ToBytes({0xFE, 0xFF, 0, 0x41, 0, 0x0D, 0, 0x0A, 0, 0x42}), {u"A", u"B"}, true},
        {"empty", {}, {}, false},
        {"one byte", ToBytes({0x41}), {u"A"}, false},
        {"one high byte", ToBytes({0x80}), {u"\u20AC"}, false},
        {"mark only", ToBytes({0xFF, 0xFE}), {}, true},
        {"odd utf-16 byte dropped", ToBytes({0xFF, 0xFE, 0x41, 0, 0x42}), {u"A"}, true},
        {"utf-16 zero kept", ToBytes({0xFE, 0xFF, 0, 0x41, 0, 0, 0, 0x42}), {WideString(u"A\0B", 3)}, true},
        {"ansi zero kept", ToBytes({0x41, 0, 0x42, 0x0D, 0x0A, 0x43}), {WideString(u"A\0B", 3), u"C"}, false},
        {"no mark is ansi", ToBytes({0x41, 0, 0x42, 0}), {WideString(u"A\0B\0", 4)}, false},
    };
    for (const auto &c : cases) {
        TWideStringList list;
        list.SetSaveUnicode(!c.unicode);
        Load(list, c.bytes);
        EXPECT_EQ(Lines(list), c.lines) << c.what;
        EXPECT_EQ(list.SaveUnicode(), c.unicode) << c.what;
    }
}

TEST(WideStrings, RoundTrips)
{
    WideString sample = u"Line one\r\n\u00E9\u20AC\u4E2D\U0001F600\r\nlast";
    Bytes ansiHigh;
    for (int b = 0x80; b <= 0xFF; ++b)
        ansiHigh.push_back(uint8_t(b));
    ansiHigh.push_back(13);
    ansiHigh.push_back(10);
    const Bytes utf8 = ToBytes({'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 10, 0xF0, 0x9F, 0x98, 0x80, 10});
    Bytes utf8Mark = ToBytes({0xEF, 0xBB, 0xBF});
    utf8Mark.insert(utf8Mark.end(), utf8.begin(), utf8.end());

    // Each file is saved as it was read, byte for byte.
    const Bytes same[] = {
        Utf16(sample, false),
        Utf16(sample + u"\r\n", false),
        Utf16(sample, true),
        Utf16(u"a\nb\n", true),
        ansiHigh,
        {},
        ToBytes({'a', 13, 10, 'b'}),
        ToBytes({'a', 10, 'b', 10}),
        ToBytes({'a', 13, 'b', 13}),
        ToBytes({'a', 0, 'b'}),
        ToBytes({0xFF, 0xFE, 0x41, 0, 0x0D, 0, 0x0A, 0, 0x42, 0}),
        ToBytes({0xFF, 0xFE}),
        utf8,
        utf8Mark,
        ToBytes({0xEF, 0xBB, 0xBF}),
        ToBytes({13, 10, 13, 10}),
        ToBytes({'p', 'l', 'a', 'i', 'n', 10}),
        ToBytes({0xE9, 't', 0xE9, 13, 10}), // not UTF-8: Windows-1252
        // Vertical tabs, form feeds and the Unicode separators stay inside their lines.
        ToBytes({'a', 11, 'b', 12, 13, 10, 12, 'c', 11, 13, 10}),
        ToBytes({'a', 11, 0xE2, 0x80, 0xA8, 'b', 0xE2, 0x80, 0xA9, 12, 10}),
        Utf16(u"a\vb\u2028c\u2029\f\r\n", false),
    };
    for (const Bytes &in : same) {
        TWideStringList list;
        Load(list, in);
        EXPECT_EQ(Save(list), in) << "file of " << in.size() << " bytes";
        EXPECT_TRUE(list.Saved());
    }
    struct Case {
        const char *what;
        Bytes in, out;
    } cases[] = {
        {"mixed breaks take the first one's kind", ToBytes({'a', 10, 'b', 13, 'c', 13, 10}),
         ToBytes({'a', 10, 'b', 10, 'c', 10})},
        {"crlf first", ToBytes({'a', 13, 10, 'b', 10}), ToBytes({'a', 13, 10, 'b', 13, 10})},
    };
    for (const auto &c : cases) {
        TWideStringList list;
        Load(list, c.in);
        EXPECT_EQ(Save(list), c.out) << c.what;
    }
    // A new text: Windows-1252, LF, a break after the last line.
    TWideStringList fresh;
    fresh.Add(u"a");
    fresh.Add(u"\u00E9");
    EXPECT_EQ(Save(fresh), ToBytes({'a', 10, 0xE9, 10}));
    // A character beyond Latin-1 typed into a UTF-8 file is saved as UTF-8.
    TWideStringList typed;
    Load(typed, utf8);
    EXPECT_EQ(typed.Encoding(), teUtf8);
    typed.Put(0, u"\u4E2D");
    EXPECT_EQ(Save(typed), ToBytes({0xE4, 0xB8, 0xAD, 10, 0xF0, 0x9F, 0x98, 0x80, 10}));
}

TEST(WideStrings, LoadReadsUtf8)
{
    struct Case {
        const char *what;
        Bytes bytes;
        std::vector<WideString> lines;
        TTextEncoding encoding;
        bool mark;
    } cases[] = {
        {"utf-8",
         ToBytes({'a', 0xC3, 0xA9, 13, 10, 0xF0, 0x9F, 0x98, 0x80}),
         {u"a\u00E9", u"\U0001F600"},
         teUtf8,
         false},
        {"utf-8 with mark", ToBytes({0xEF, 0xBB, 0xBF, 'x'}), {u"x"}, teUtf8, true},
        {"plain ascii stays 1252", ToBytes({'x', 'y'}), {u"xy"}, teAnsi, false},
        {"overlong form is not utf-8", ToBytes({0xC0, 0xAF}), {u"\u00C0\u00AF"}, teAnsi, false},
        {"encoded surrogate is not utf-8", ToBytes({0xED, 0xA0, 0x80}), {u"\u00ED\u00A0\u20AC"}, teAnsi, false},
        {"cut sequence is not utf-8", ToBytes({'a', 0xE2, 0x82}), {u"a\u00E2\u201A"}, teAnsi, false},
        {"above U+10FFFF is not utf-8",
         ToBytes({0xF4, 0x90, 0x80, 0x80}),
         {u"\u00F4\u0090\u20AC\u20AC"},
         teAnsi,
         false},
        {"mark with invalid text stays 1252",
         ToBytes({0xEF, 0xBB, 0xBF, 0xFF}),
         {u"\u00EF\u00BB\u00BF\u00FF"},
         teAnsi,
         false},
        {"utf-16be", ToBytes({0xFE, 0xFF, 0, 0x41}), {u"A"}, teUtf16BE, true},
    };
    for (const auto &c : cases) {
        TWideStringList list;
        Load(list, c.bytes);
        EXPECT_EQ(Lines(list), c.lines) << c.what;
        EXPECT_EQ(list.Encoding(), c.encoding) << c.what;
        EXPECT_EQ(list.ByteOrderMark(), c.mark) << c.what;
    }
    // A sequence cut by the reading block's end reads whole.
    Bytes big((1 << 20) - 1, 'x'); // the reading block is a megabyte
    big.insert(big.end(), {0xE2, 0x82, 0xAC, 10});
    TWideStringList list;
    Load(list, big);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.Get(0).substr(list.Get(0).size() - 2), u"x\u20AC");
    EXPECT_EQ(Save(list), big);

    // A pair of surrogates where the save's block ends is written whole, wherever it falls.
    for (size_t before = (1 << 20) - 4; before <= (1 << 20); ++before) {
        Bytes pair(before, 'x');
        pair.insert(pair.end(), {0xF0, 0x9F, 0x98, 0x80, 10});
        TWideStringList emoji;
        Load(emoji, pair);
        EXPECT_TRUE(Save(emoji) == pair) << before;
    }
    // Well-formed UTF-8 for more than a reading block, then a byte that is not: the whole text,
    // mark included, is Windows-1252, read from its first byte.
    for (const bool mark : {false, true}) {
        Bytes late = mark ? ToBytes({0xEF, 0xBB, 0xBF}) : Bytes();
        std::vector<WideString> lines;
        WideString line = mark ? u"\u00EF\u00BB\u00BF" : u"";
        for (int i = 0; late.size() < (3u << 19); ++i) {
            late.insert(late.end(), {0xC3, 0xA9, 'a'});
            line += u"\u00C3\u00A9a";
            if (i % 40 == 39) {
                late.insert(late.end(), {13, 10});
                lines.push_back(line);
                line.clear();
            }
        }
        late.insert(late.end(), {0xE9, 13, 10, 0xF0, 0x9F, 0x98, 0x80});
        lines.push_back(line + u"\u00E9");
        lines.push_back(u"\u00F0\u0178\u02DC\u20AC");
        TWideStringList bad;
        Load(bad, late);
        EXPECT_EQ(bad.Encoding(), teAnsi) << mark;
        EXPECT_FALSE(bad.ByteOrderMark()) << mark;
        EXPECT_TRUE(Lines(bad) == lines) << mark << ": " << bad.Count() << " lines";
        EXPECT_TRUE(Save(bad) == late) << mark;
    }
}

TEST(WideStrings, UnencodableCharactersAskBeforeSaving)
{
    struct Case {
        WideString line;
        bool asks;
    } cases[] = {
        {u"plain", false}, {u"\u00FF\u00E9\u20AC\u0153\u0081", false}, // everything the code page holds
        {u"\u0100", true}, {u"\u0080", true}, // 0x80 is the euro sign, so U+0080 is lost
        {u"\u4E2D", true}, {WideString(u"a\0b", 3), false},
    };
    for (const auto &c : cases) {
        for (TTextEncoding answer : {teAnsi, teUtf8, teUtf16LE}) {
            TWideStringList list;
            list.Add(c.line);
            int asked = 0;
            list.OnEncodingLoss = [&](TWideStrings &sender, TTextEncoding &encoding) {
                EXPECT_EQ(&sender, &list);
                EXPECT_EQ(encoding, teAnsi);
                ++asked;
                encoding = answer;
            };
            const Bytes out = Save(list);
            EXPECT_EQ(asked, c.asks ? 1 : 0);
            const bool written = !c.asks || answer != teAnsi;
            EXPECT_EQ(list.Saved(), written);
            EXPECT_EQ(out.empty(), !written);
            if (c.asks && written) {
                TWideStringList back;
                Load(back, out);
                EXPECT_EQ(Lines(back), std::vector<WideString>{c.line});
                EXPECT_EQ(back.Encoding(), answer);
            }
        }
    }
    // Without a handler the prompter asks: Yes saves UTF-8, No UTF-16, Cancel nothing.
    TScriptedPrompter prompter;
    IPrompter *old = SetPrompter(&prompter);
    for (int answer : {mrYes, mrNo, mrCancel}) {
        prompter.Clear();
        prompter.Answer(answer);
        TWideStringList list;
        list.Add(u"a\u4E2Db");
        const Bytes out = Save(list);
        ASSERT_EQ(prompter.Asked().size(), 1u);
        EXPECT_EQ(prompter.Asked()[0].Buttons, mbYesNoCancel);
        if (answer == mrYes)
            EXPECT_EQ(out, ToBytes({'a', 0xE4, 0xB8, 0xAD, 'b', 10}));
        else if (answer == mrNo)
            EXPECT_EQ(out, Utf16(u"a\u4E2Db\n", false));
        else
            EXPECT_TRUE(out.empty() && !list.Saved());
    }
    SetPrompter(old);
}

TEST(WideStrings, FilesAreReplacedSafely)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string name = dir.filePath("doc.txt").toStdString();
    WriteFile(name, ToBytes({'o', 'l', 'd', 13, 10}));
    ASSERT_EQ(::chmod(name.c_str(), 0640), 0);

    TWideStringList list;
    ASSERT_TRUE(list.LoadFromFile(name));
    EXPECT_EQ(Lines(list), std::vector<WideString>{u"old"});

    // Refused: the file keeps its bytes.
    list.Put(0, u"new \u4E2D");
    list.OnEncodingLoss = [](TWideStrings &, TTextEncoding &) {};
    list.SaveToFile(name);
    EXPECT_FALSE(list.Saved());
    EXPECT_EQ(ReadFileBytes(name), ToBytes({'o', 'l', 'd', 13, 10}));

    // Written: new bytes, same permissions, no temporary file left behind.
    list.OnEncodingLoss = nullptr;
    list.SetSaveUnicode(true);
    list.SaveToFile(name);
    EXPECT_TRUE(list.Saved());
    EXPECT_EQ(ReadFileBytes(name), Utf16(u"new \u4E2D\r\n", false));
    struct stat st {};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 1);

    // Through a symbolic link the target is replaced and the link kept.
    const std::string link = dir.filePath("link.txt").toStdString();
    ASSERT_EQ(::symlink(name.c_str(), link.c_str()), 0);
    list.Clear();
    list.Add(u"via link");
    list.SetSaveUnicode(false);
    list.SaveToFile(link);
    struct stat lst {};
    ASSERT_EQ(::lstat(link.c_str(), &lst), 0);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));
    EXPECT_EQ(ReadFileBytes(name), ToBytes({'v', 'i', 'a', ' ', 'l', 'i', 'n', 'k', 13, 10}));

    // A new file in a folder that does not exist: a clear error, nothing created.
    EXPECT_THROW(list.SaveToFile(dir.filePath("missing/x.txt").toStdString()), EStreamError);
}

TEST(WideStrings, LoadFromFileFailures)
{
    QTemporaryDir dir;
    TWideStringList list;
    list.Add(u"kept");
    std::unique_ptr<TFileStream> handle;
    EXPECT_FALSE(list.LoadFromFile(dir.filePath("absent.txt").toStdString(), handle, fmOpenRead));
    EXPECT_FALSE(list.LoadFromFile(dir.path().toStdString(), handle, fmOpenRead)); // a folder
    EXPECT_EQ(Lines(list), std::vector<WideString>{u"kept"});
    EXPECT_EQ(handle, nullptr);

    const std::string name = dir.filePath("a.txt").toStdString();
    WriteFile(name, ToBytes({'x'}));
    EXPECT_TRUE(list.LoadFromFile(name, handle, fmOpenRead | fmShareDenyWrite));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle->FileName(), name);
    EXPECT_TRUE(list.LoadFromFile(name, handle, fmOpenRead | fmShareDenyNone));
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(Lines(list), std::vector<WideString>{u"x"});
}

namespace {
// A stream that claims more bytes than it delivers, like a file truncated while it is read.
class TShortStream : public TStream {
public:
    explicit TShortStream(Bytes data) : FData(std::move(data)) {}
    int64_t Read(void *Buffer, int64_t Count) override
    {
        const int64_t n = std::min<int64_t>(Count, int64_t(FData.size()) - FPos);
        if (n <= 0)
            return 0;
        std::memcpy(Buffer, FData.data() + FPos, size_t(n));
        FPos += n;
        return n;
    }
    int64_t Write(const void *, int64_t) override { return 0; }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override
    {
        if (Origin == soEnd)
            return FPos = int64_t(FData.size()) + 100 + Offset;
        return FPos = (Origin == soCurrent ? FPos : 0) + Offset;
    }

private:
    Bytes FData;
    int64_t FPos = 0;
};
} // namespace

TEST(WideStrings, ShortReadRaisesAndKeepsLines)
{
    TWideStringList list;
    list.Add(u"kept");
    TShortStream s(ToBytes({0xFF, 0xFE, 'a', 0}));
    EXPECT_THROW(list.LoadFromStream(s), EReadError);
    EXPECT_EQ(Lines(list), std::vector<WideString>{u"kept"});
    EXPECT_EQ(list.UpdateCount(), 0);
}

TEST(WideStrings, ListOperationsAndEvents)
{
    TWideStringList list;
    int changing = 0, changed = 0;
    list.OnChanging = [&](TWideStringList &) { ++changing; };
    list.OnChange = [&](TWideStringList &) { ++changed; };

    list.Clear();
    EXPECT_EQ(changing + changed, 0); // clearing an empty list is silent

    int one = 1, two = 2;
    EXPECT_EQ(list.AddObject(u"a", &one), 0);
    EXPECT_EQ(list.Add(u"b"), 1);
    list.Insert(2, u"c"); // Insert at Count appends
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"a", u"b", u"c"}));
    EXPECT_EQ(changing, 4); // AddObject is two changes
    EXPECT_EQ(changed, 4);

    try {
        list.Insert(4, u"x");
        FAIL() << "no error";
    } catch (const EStringListError &e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (4)");
    }
    struct Bad {
        const char *what;
        std::function<void()> call;
        const char *message;
    } bad[] = {
        {"get", [&] { (void)list.Get(3); }, "List index out of bounds (3)"},
        {"object", [&] { (void)list.GetObject(-1); }, "List index out of bounds (-1)"},
        {"put", [&] { list.Put(3, u"x"); }, "List index out of bounds (3)"},
        {"delete", [&] { list.Delete(5); }, "List index out of bounds (5)"},
        {"exchange", [&] { list.Exchange(7, 9); }, "List index out of bounds (7)"},
        {"exchange second", [&] { list.Exchange(0, 9); }, "List index out of bounds (9)"},
    };
    for (const auto &b : bad) {
        try {
            b.call();
            ADD_FAILURE() << b.what;
        } catch (const EStringListError &e) {
            EXPECT_STREQ(e.what(), b.message) << b.what;
        }
    }
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"a", u"b", u"c"}));

    list.Put(0, u"A");
    EXPECT_EQ(list.Objects(0), &one); // Put keeps the object
    list.PutObject(1, &two);
    list.Exchange(0, 1);
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"b", u"A", u"c"}));
    EXPECT_EQ(list.Objects(0), &two);
    EXPECT_EQ(list.Objects(1), &one);
    list.Move(0, 2);
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"A", u"c", u"b"}));
    EXPECT_EQ(list.Objects(2), &two);
    EXPECT_EQ(list.IndexOf(u"a"), 0); // the list comparison ignores case
    EXPECT_EQ(list.IndexOf(u"B"), 2);
    EXPECT_EQ(list.IndexOf(u"d"), -1);
    list.Delete(2);
    EXPECT_EQ(list.Count(), 2);

    // A bracket reports one change before and one after, however many happen inside.
    changing = changed = 0;
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add(u"x");
    list.SetTextStr(u"1\r\n2\r\n3");
    list.EndUpdate();
    EXPECT_EQ(changed, 0);
    list.EndUpdate();
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(list.GetTextStr(), u"1\r\n2\r\n3\r\n");
    TWideBuffer text = list.GetText();
    EXPECT_EQ(WideString(text.get()), u"1\r\n2\r\n3\r\n");
    list.SetText(u"p\nq");
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"p", u"q"}));
}

TEST(WideStrings, CapacityGrowth)
{
    TWideStringList list;
    std::vector<int> caps;
    for (int i = 0; i < 100; ++i) {
        list.Add(u"x");
        if (caps.empty() || caps.back() != list.GetCapacity())
            caps.push_back(list.GetCapacity());
    }
    EXPECT_EQ(caps, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
    list.Clear();
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(WideStrings, AssignBetweenNarrowAndWide)
{
    int tag = 7;
    TStringList narrow;
    narrow.AddObject("caf\xE9 \x80", &tag);
    narrow.Add("two");

    TWideStringList wide;
    wide.Add(u"old");
    wide.Assign(narrow);
    EXPECT_EQ(Lines(wide), (std::vector<WideString>{u"caf\u00E9 \u20AC", u"two"}));
    EXPECT_EQ(wide.Objects(0), &tag);

    wide.Add(u"\u4E2D");
    TStringList back;
    wide.AssignTo(back);
    ASSERT_EQ(back.Count(), 3);
    EXPECT_EQ(back[0], "caf\xE9 \x80");
    EXPECT_EQ(back[2], "?");
    EXPECT_EQ(back.Objects(0), &tag);

    TWideStringList copy;
    copy.Assign(wide);
    EXPECT_EQ(Lines(copy), Lines(wide));
    copy.AddStrings(copy); // adding a list to itself doubles it once
    EXPECT_EQ(copy.Count(), 6);
}

TEST(WideStrings, ListComparisonIgnoresCase)
{
    struct Case {
        WideString a, b;
        bool equal;
    } cases[] = {
        {u"abc", u"ABC", true},
        {u"\u00E9t\u00E9", u"\u00C9T\u00C9", true},
        {u"stra\u00DFe", u"STRA\u00DFE", true},
        {u"abc", u"abd", false},
        {u"abc", u"ab", false},
        {u"", u"", true},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(TWideStrings::CompareStrings(c.a, c.b) == 0, c.equal);
        TWideStringList list;
        list.Add(u"other");
        list.Add(c.a);
        EXPECT_EQ(list.IndexOf(c.b), c.equal ? 1 : -1);
    }
    EXPECT_LT(TWideStrings::CompareStrings(u"apple", u"Banana"), 0);
    EXPECT_GT(TWideStrings::CompareStrings(u"b", u"A"), 0);
}

TEST(WideStrings, ArbitraryBytesLoadAndSaveStably)
{
    // Whatever the bytes, loading keeps every character, and what is saved loads back to the same lines.
    std::mt19937 rng(23);
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes;
        const unsigned len = rng() % 40;
        const unsigned kind = rng() % 3;
        if (kind == 1)
            bytes = ToBytes({0xFF, 0xFE});
        else if (kind == 2)
            bytes = ToBytes({0xFE, 0xFF});
        for (unsigned i = 0; i < len; ++i) {
            static const uint8_t interesting[] = {0,    10,   11,   12,   13,   0x20, 0x28,
                                                  0x29, 0x80, 0x81, 0xD8, 0xDC, 0xFF, 'a'};
            bytes.push_back(rng() % 3 ? interesting[rng() % sizeof interesting] : uint8_t(rng()));
        }
        TWideStringList first;
        Load(first, bytes);
        size_t chars = 0, breaks = 0;
        for (int i = 0; i < first.Count(); ++i)
            chars += first[i].size();
        const size_t units = kind ? (bytes.size() - 2) / 2 : bytes.size();
        for (size_t i = 0; i < units; ++i) {
            const WideChar c = kind == 0   ? bytes[i]
                               : kind == 1 ? WideChar(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8))
                                           : WideChar((bytes[2 + 2 * i] << 8) | bytes[3 + 2 * i]);
            if (c == 10 || c == 13)
                ++breaks;
        }
        // Nothing dropped but line breaks (bytes that happen to be UTF-8 read as fewer characters).
        if (first.Encoding() != teUtf8) {
            EXPECT_EQ(chars + breaks, units) << "round " << round;
        }

        const Bytes saved = Save(first);
        TWideStringList second;
        Load(second, saved);
        ASSERT_EQ(Lines(second), Lines(first)) << "round " << round;
        EXPECT_EQ(second.SaveUnicode(), first.SaveUnicode());
        EXPECT_EQ(second.Encoding(), first.Encoding());
        EXPECT_EQ(Save(second), saved);
    }
}

// Lines read from a file share one block of text; every edit must leave the other lines, the
// objects and the zero after each line as they were, however the edits mix loaded and new lines.
TEST(WideStrings, LoadedLinesStayIntactThroughEdits)
{
    std::mt19937 rng(7);
    WideString text;
    for (int i = 0; i < 300; ++i) {
        const int kind = int(rng() % 5);
        if (kind == 1)
            text += WideString(u"a\0b", 3); // a zero is an ordinary character
        else if (kind == 2)
            text += WideString(size_t(200 + rng() % 50), u'\u00E9');
        else if (kind == 3)
            text += u"line " + WideString(1, WideChar(u'0' + i % 10));
        text += u"\r\n";
    }
    TWideStringList list;
    Load(list, Utf16(text, false));
    std::vector<WideString> model = Lines(list);
    std::vector<TObject *> objects(model.size(), nullptr);
    ASSERT_EQ(model.size(), 300u);

    int tags[8];
    auto pick = [&](size_t n) { return int(rng() % n); };
    for (int step = 0; step < 2000 && !model.empty(); ++step) {
        const size_t n = model.size();
        switch (rng() % 9) {
        case 0: { // a line takes another line's text, or its own
            const int i = pick(n), j = pick(n);
            list.Put(i, list[j]);
            model[size_t(i)] = model[size_t(j)];
            break;
        }
        case 1: {
            const int i = pick(n + 1);
            const WideString s = model[size_t(pick(n))] + u"+";
            list.Insert(i, s);
            model.insert(model.begin() + i, s);
            objects.insert(objects.begin() + i, nullptr);
            break;
        }
        case 2: {
            const int i = pick(n);
            list.Delete(i);
            model.erase(model.begin() + i);
            objects.erase(objects.begin() + i);
            break;
        }
        case 3: {
            const int i = pick(n), count = std::min(int(n) - i, pick(4));
            list.DeleteRange(i, count);
            model.erase(model.begin() + i, model.begin() + i + count);
            objects.erase(objects.begin() + i, objects.begin() + i + count);
            break;
        }
        case 4: {
            const int i = pick(n), j = pick(n);
            list.Exchange(i, j);
            std::swap(model[size_t(i)], model[size_t(j)]);
            std::swap(objects[size_t(i)], objects[size_t(j)]);
            break;
        }
        case 5: {
            const int i = pick(n), j = pick(n);
            list.Move(i, j);
            const WideString s = model[size_t(i)];
            TObject *o = objects[size_t(i)];
            model.erase(model.begin() + i);
            objects.erase(objects.begin() + i);
            model.insert(model.begin() + j, s);
            objects.insert(objects.begin() + j, o);
            break;
        }
        case 6: {
            const int i = pick(n + 1);
            const std::vector<WideString> lines{WideString(), list[pick(n)], u"new"};
            list.InsertStrings(i, lines);
            model.insert(model.begin() + i, lines.begin(), lines.end());
            objects.insert(objects.begin() + i, lines.size(), nullptr);
            break;
        }
        case 7: {
            const int i = pick(n);
            auto *tag = reinterpret_cast<TObject *>(&tags[pick(8)]);
            list.PutObject(i, tag);
            objects[size_t(i)] = tag;
            break;
        }
        default: {
            const int i = pick(n);
            const WideString s = list[i].substr(list[i].empty() ? 0 : 1) + list[i]; // from the line it replaces
            list.Put(i, s);
            model[size_t(i)] = s;
            break;
        }
        }
        ASSERT_EQ(list.Count(), int(model.size())) << "step " << step;
    }
    ASSERT_EQ(Lines(list), model);
    for (int i = 0; i < list.Count(); ++i) {
        EXPECT_EQ(list.Objects(i), objects[size_t(i)]) << i;
        EXPECT_EQ(list[i].c_str()[list[i].size()], 0) << i;
    }

    // With every loaded line gone, new lines and a new load start afresh.
    list.DeleteRange(0, list.Count());
    list.Add(u"after");
    EXPECT_EQ(Lines(list), std::vector<WideString>{u"after"});
    Load(list, Utf16(u"x\ny", false));
    list.Put(0, u"z");
    EXPECT_EQ(Lines(list), (std::vector<WideString>{u"z", u"y"}));
}
