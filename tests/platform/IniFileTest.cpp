#include "platform/IniFile.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class IniFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string &name) const { return Dir.path().toStdString() + "/" + name; }
    static void Put(const std::string &path, const std::string &bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Get(const std::string &path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    // A file with the given contents, read into a fresh object.
    TIniFile Load(const std::string &bytes)
    {
        const std::string path = Path("load.ini");
        Put(path, bytes);
        return TIniFile(path);
    }

    QTemporaryDir Dir;
};

const std::string kMixed = "\xEF\xBB\xBF"
                           "top=preamble\n"
                           "[Window]\n"
                           "Left = 10\t\n"
                           "left=99\n"
                           "; Width=5\n"
                           "garbage line\n"
                           "=nokey\n"
                           "Path=a=b\n"
                           "Name=caf\xC3\xA9\n"
                           "Old=caf\xE9\n"
                           "Empty=\n"
                           "[ window ]\n"
                           "Top=7\n"
                           "[Broken\n"
                           "Inside=yes\n"
                           "  [Spaced]  \n"
                           "  Key  =  some value  \r\n";

TEST_F(IniFileTest, ReadsWithProfileRules)
{
    TIniFile ini = Load(kMixed);
    struct Case {
        const char16_t *section, *key, *expected;
    } cases[] = {
        {u"Window", u"Left", u"10"}, // trimmed blanks and tab
        {u"WINDOW", u"LEFT", u"10"}, // case-insensitive; first duplicate key wins
        {u"Window", u"Width", u"?"}, // commented out
        {u"Window", u"garbage line", u"?"}, // a line without '=' is no key
        {u"Window", u"", u"?"}, // "=nokey" names nothing
        {u"Window", u"Path", u"a=b"}, // split at the first '='
        {u"Window", u"Name", u"caf\u00e9"}, // UTF-8
        {u"Window", u"Old", u"caf\u00e9"}, // not UTF-8: read as Windows-1252
        {u"Window", u"Empty", u""}, // present but empty: not the default
        {u"Window", u"Top", u"?"}, // only the first [Window] is read
        {u"", u"top", u"?"}, // keys before any section are in none
        {u"Broken", u"Inside", u"yes"}, // header without ']'
        {u"spaced", u"key", u"some value"}, // indented header and key, CRLF
        {u"Missing", u"Left", u"?"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ini.ReadString(c.section, c.key, u"?"), WideString(c.expected)) << "case " << (&c - cases);

    EXPECT_TRUE(ini.SectionExists(u"window"));
    EXPECT_FALSE(ini.SectionExists(u"Missing"));
    EXPECT_TRUE(ini.ValueExists(u"Window", u"EMPTY"));
    EXPECT_FALSE(ini.ValueExists(u"Window", u"Width"));
    EXPECT_EQ(ini.ReadSections(), (std::vector<WideString>{u"Window", u"Broken", u"Spaced"}));
    EXPECT_EQ(ini.ReadSection(u"Window"), (std::vector<WideString>{u"Left", u"Path", u"Name", u"Old", u"Empty"}));
}

TEST_F(IniFileTest, IntegersAndBooleans)
{
    struct Case {
        const char *text;
        bool isNumber;
        int value;
    } cases[] = {
        {"12", true, 12},
        {"-3", true, -3},
        {"+7", true, 7},
        {"0", true, 0},
        {"0x1F", true, 31},
        {"0X1f", true, 31},
        {"0xFFFFFFFF", true, -1}, // a system colour's 32 bits
        {"0x80000005", true, INT_MIN + 5},
        {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0},
        {"-2147483649", false, 0},
        {"99999999999999999999999", false, 0},
        {"0x100000000", false, 0},
        {"0x", false, 0},
        {"0x1G", false, 0},
        {"12ab", false, 0},
        {"1.5", false, 0},
        {"", false, 0},
        {"-", false, 0},
        {"true", false, 0},
        {"1 2", false, 0},
        {"$1F", false, 0},
    };
    std::string file = "[N]\n";
    for (std::size_t i = 0; i < std::size(cases); ++i)
        file += "k" + std::to_string(i) + "= " + cases[i].text + " \n";
    TIniFile ini = Load(file);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        const std::string digits = std::to_string(i);
        const WideString key = u"k" + WideString(digits.begin(), digits.end());
        EXPECT_EQ(ini.ReadInteger(u"N", key, -77), c.isNumber ? c.value : -77) << c.text;
        // Booleans: any non-zero number is true; no number keeps the default either way.
        EXPECT_EQ(ini.ReadBool(u"N", key, true), c.isNumber ? c.value != 0 : true) << c.text;
        EXPECT_EQ(ini.ReadBool(u"N", key, false), c.isNumber ? c.value != 0 : false) << c.text;
    }
    EXPECT_EQ(ini.ReadInteger(u"N", u"absent", 5), 5);
}

TEST_F(IniFileTest, NewFileHasPredictableBytesAndReadsBack)
{
    const std::string path = Path("new.ini");
    {
        TIniFile ini(path);
        EXPECT_FALSE(ini.ReadFailed());
        ini.WriteInteger(u"Window", u"Left", -12);
        ini.WriteString(u"Window", u"WState", u"Normal");
        ini.WriteBool(u"Parser", u"ECMA", true);
        ini.WriteString(u"Reopen", u"Item0", u"/home/u/d\u00e9j\u00e0 vu.html");
        ini.WriteBool(u"window", u"ShowTOD", false); // same section, other spelling
        ini.WriteInteger(u"WINDOW", u"LEFT", 3); // same key: value replaced
        ini.UpdateFile();
    }
    EXPECT_EQ(Get(path), "[Window]\n"
                         "Left=3\n"
                         "WState=Normal\n"
                         "ShowTOD=0\n"
                         "[Parser]\n"
                         "ECMA=1\n"
                         "[Reopen]\n"
                         "Item0=/home/u/d\xC3\xA9j\xC3\xA0 vu.html\n");
    TIniFile again(path);
    EXPECT_EQ(again.ReadInteger(u"Window", u"Left", 0), 3);
    EXPECT_EQ(again.ReadString(u"Window", u"WState", u""), u"Normal");
    EXPECT_FALSE(again.ReadBool(u"Window", u"ShowTOD", true));
    EXPECT_TRUE(again.ReadBool(u"Parser", u"ECMA", false));
    EXPECT_EQ(again.ReadString(u"Reopen", u"Item0", u""), u"/home/u/d\u00e9j\u00e0 vu.html");
}

TEST_F(IniFileTest, EditsKeepEveryOtherByte)
{
    using Edit = std::function<void(TIniFile &)>;
    struct Case {
        const char *name;
        std::string before;
        Edit edit;
        std::string after;
    } cases[] = {
        {"same values change nothing", kMixed,
         [](TIniFile &ini) {
             ini.WriteInteger(u"window", u"left", 10);
             ini.WriteString(u"Spaced", u"Key", u"some value");
             ini.WriteString(u"Window", u"Name", u"caf\u00e9");
         },
         kMixed},
        {"value replaced, key spelling and blanks kept", "[W]\r\n  Left =  10  \r\nTop=1\r\n",
         [](TIniFile &ini) { ini.WriteInteger(u"w", u"LEFT", 20); }, "[W]\r\n  Left =  20\r\nTop=1\r\n"},
        {"new key after the section's last key, CRLF kept", "[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2\r\n",
         [](TIniFile &ini) { ini.WriteString(u"A", u"z", u"3"); },
         "[A]\r\nx=1\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2\r\n"},
        {"new key in an empty section goes under its header", "[A]\n[B]\nb=1\n",
         [](TIniFile &ini) { ini.WriteString(u"A", u"a", u"0"); }, "[A]\na=0\n[B]\nb=1\n"},
        {"new section after a last line without line break", "[A]\nx=1",
         [](TIniFile &ini) { ini.WriteInteger(u"B", u"y", 2); }, "[A]\nx=1\n[B]\ny=2\n"},
        {"new key after a last key without line break", "[A]\nx=1",
         [](TIniFile &ini) { ini.WriteInteger(u"A", u"y", 2); }, "[A]\nx=1\ny=2\n"},
        {"a shorter numbered list leaves the stale items",
         "[Reopen]\nRCount=4\nItem0=a\nItem1=b\nItem2=c\nItem3=d\n[Next]\n",
         [](TIniFile &ini) {
             ini.WriteInteger(u"Reopen", u"RCount", 2);
             ini.WriteString(u"Reopen", u"Item0", u"b");
             ini.WriteString(u"Reopen", u"Item1", u"e");
         },
         "[Reopen]\nRCount=2\nItem0=b\nItem1=e\nItem2=c\nItem3=d\n[Next]\n"},
        {"line breaks in a value cannot forge lines", "",
         [](TIniFile &ini) { ini.WriteString(u"A", u"p", u"x\n[Editor]\r\nk=1"); }, "[A]\np=x [Editor]  k=1\n"},
        {"the second copy of a section is left alone", "[A]\nx=1\n[a]\nx=2\n",
         [](TIniFile &ini) {
             ini.WriteInteger(u"A", u"x", 5);
             ini.WriteInteger(u"A", u"y", 6);
         },
         "[A]\nx=5\ny=6\n[a]\nx=2\n"},
        {"delete a key and erase a section", "[A]\nx=1\ny=2\n; c\n[B]\nz=3\n[C]\n",
         [](TIniFile &ini) {
             ini.DeleteKey(u"a", u"X");
             ini.EraseSection(u"b");
         },
         "[A]\ny=2\n; c\n[C]\n"},
    };
    for (const Case &c : cases) {
        const std::string path = Path("edit.ini");
        Put(path, c.before);
        TIniFile ini(path);
        c.edit(ini);
        EXPECT_EQ(ini.Text(), c.after) << c.name;
        ini.UpdateFile();
        EXPECT_EQ(Get(path), c.after) << c.name;
        EXPECT_FALSE(ini.Modified()) << c.name;
    }
}

TEST_F(IniFileTest, SavesByReplacingTheFile)
{
    const std::string path = Path("safe.ini");
    Put(path, "[A]\nx=1\n");
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    const std::string link = Path("link.ini");
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);

    TIniFile ini(link);
    EXPECT_EQ(ini.ReadInteger(u"A", u"x", 0), 1);
    ini.WriteInteger(u"A", u"x", 2);
    ini.UpdateFile();

    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    struct stat linkStat {};
    ASSERT_EQ(lstat(link.c_str(), &linkStat), 0);
    EXPECT_TRUE(S_ISLNK(linkStat.st_mode)) << "the link stays a link";
    EXPECT_EQ(Get(path), "[A]\nx=2\n");
    EXPECT_NE(before.st_ino, after.st_ino) << "written beside and renamed over";
    EXPECT_EQ(after.st_mode & 0777, 0640u);
}

TEST_F(IniFileTest, FilesThatCannotBeReadOrWritten)
{
    // Exists but cannot be read (a folder; a file over the size limit): read as empty and
    // never replaced, so nothing we could not see is lost.
    const std::string folder = Path("folder.ini");
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    const std::string huge = Path("huge.ini");
    Put(huge, "[A]\nx=1\n");
    ASSERT_EQ(truncate(huge.c_str(), TIniFile::MaxFileSize + 1), 0);
    for (const std::string &path : {folder, huge}) {
        TIniFile ini(path);
        EXPECT_TRUE(ini.ReadFailed()) << path;
        EXPECT_EQ(ini.ReadInteger(u"A", u"x", 9), 9) << path;
        ini.WriteInteger(u"A", u"x", 2);
        EXPECT_THROW(ini.UpdateFile(), EIniFileException) << path;
    }
    struct stat st {};
    ASSERT_EQ(stat(huge.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, TIniFile::MaxFileSize + 1);

    // A folder that does not exist: the write fails loudly with the file's name.
    TIniFile lost(Path("no/such/folder/x.ini"));
    EXPECT_FALSE(lost.ReadFailed());
    lost.WriteInteger(u"A", u"x", 1);
    try {
        lost.UpdateFile();
        FAIL() << "no exception";
    } catch (const EIniFileException &e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + Path("no/such/folder/x.ini"));
    }

    // Nothing written: no file is made.
    TIniFile untouched(Path("untouched.ini"));
    untouched.UpdateFile();
    EXPECT_NE(access(Path("untouched.ini").c_str(), F_OK), 0);
}

} // namespace

TEST_F(IniFileTest, NamesThatWouldNotReadBackAreRefused)
{
    // Each of these, written as it is, would cut the name short, forge another entry or lose it.
    const struct {
        WideString Section, Key;
    } refused[] = {
        {u"Win]dow", u"Left"},         {u"Window\n[Forged", u"Left"},
        {u"Window\r", u"Left"},        {u"", u"Left"},
        {u" Window", u"Left"},         {u"Window", u"Le=ft"},
        {u"Window", u"Left\nAdmin=1"}, {u"Window", u"[Forged]"},
        {u"Window", u";Left"},         {u"Window", u""},
        {u"Window", u"Left "},         {u"Window", u"a]b"},
    };
    TIniFile ini(Path("names.ini"));
    ini.WriteString(u"Window", u"Left", u"1");
    const std::string before = ini.Text();
    for (const auto &c : refused) {
        SCOPED_TRACE(std::string(c.Section.begin(), c.Section.end()) + " / " + std::string(c.Key.begin(), c.Key.end()));
        EXPECT_THROW(ini.WriteString(c.Section, c.Key, u"x"), EIniFileException);
        EXPECT_THROW(ini.WriteInteger(c.Section, c.Key, 5), EIniFileException);
        EXPECT_EQ(ini.Text(), before);
    }
    // Names with other punctuation and non-ASCII letters are fine and read back as written.
    ini.WriteString(u"Recent [1", u"File.Name-2 (x)", u"a=b]c");
    ini.WriteString(u"Caf\u00E9", u"Cl\u00E9", u"v");
    ini.UpdateFile();
    TIniFile again(Path("names.ini"));
    EXPECT_EQ(again.ReadString(u"Recent [1", u"File.Name-2 (x)", u""), u"a=b]c");
    EXPECT_EQ(again.ReadString(u"Caf\u00E9", u"Cl\u00E9", u""), u"v");
    EXPECT_EQ(again.ReadSections(), (std::vector<WideString>{u"Window", u"Recent [1", u"Caf\u00E9"}));
}
