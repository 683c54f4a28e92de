#include "shell/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Utf8(const WideString &s)
{
    return QString::fromUtf16(s.data(), qsizetype(s.size())).toStdString();
}

WideString FromUtf8(const std::string &s)
{
    QString q = QString::fromStdString(s);
    return WideString(reinterpret_cast<const char16_t *>(q.utf16()), std::size_t(q.size()));
}

void Put(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Get(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The window layout the tests pretend the main window has: 16 % of 987 is 157.92 and 13 %
// of 660 is 85.8, so rounding instead of truncating shows.
const TDefaultLayout kSettingsLayout{33, 44, 1000, 700, 987, 660};

// Every key of the settings file with its type and its text when the file is missing:
// i integer, c colour, b Boolean, s string, y font style, n count of a numbered list. The colours and
// styles are the shipped settings' readable ones (white backgrounds, dark text).
struct TKey {
    const char *section, *key;
    char type;
    const char *text;
};
const TKey kKeys[] = {
    {"Window", "Left", 'i', "33"},
    {"Window", "Top", 'i', "44"},
    {"Window", "Width", 'i', "1000"},
    {"Window", "Height", 'i', "700"},
    {"Window", "WState", 's', "Normal"},
    {"Window", "rsLeft", 'i', "0"},
    {"Window", "rsTop", 'i', "0"},
    {"Window", "rsWidth", 'i', "0"},
    {"Window", "rsHeight", 'i', "0"},
    {"Window", "NavWidth", 'i', "157"},
    {"Window", "ErrorHeight", 'i', "85"},
    {"Window", "LastFilePath", 's', ""},
    {"Window", "TODIndex", 'i', "1"},
    {"Window", "ShowTOD", 'b', "1"},
    {"Parser", "NoWarnings", 'b', "0"},
    {"Parser", "WarnJSFuncNotCalled", 'b', "0"},
    {"Parser", "WarnNoVar", 'b', "0"},
    {"Parser", "Summary", 'b', "0"},
    {"Parser", "OpenIncludes", 'b', "0"},
    {"Parser", "JSON", 'b', "0"},
    {"Parser", "Embedsvg", 'b', "1"},
    {"Parser", "ShowTree", 'b', "0"},
    {"Parser", "TreeGlobals", 'b', "1"},
    {"Parser", "TreeLocals", 'b', "1"},
    {"Parser", "SemiColon", 'b', "0"},
    {"Parser", "ECMA", 'b', "0"},
    {"Parser", "Deprecated", 'b', "0"},
    {"Parser", "RepeatDec", 'b', "0"},
    {"Colours", "EditBackground", 'c', "16777215"},
    {"Colours", "TreeView", 'c', "16777215"},
    {"Colours", "Errors", 'c', "16777215"},
    {"Colours", "Gutter", 'c', "15790320"},
    {"Colours", "Marked", 'c', "10092543"},
    {"Editor", "ShowControl", 'b', "0"},
    {"Editor", "GroupUndo", 'b', "0"},
    {"Editor", "XHTML", 'b', "0"},
    {"Editor", "UndoAfterSave", 'b', "1"},
    {"Editor", "NewFile", 'b', "1"},
    {"Editor", "StartOpen", 'b', "1"},
    {"Editor", "CheckOpen", 'b', "1"},
    {"Editor", "NFIncHTML", 'b', "0"},
    {"Editor", "NFIncJava", 'b', "0"},
    {"Editor", "HTMLSame", 'b', "0"},
    {"Editor", "JavaSame", 'b', "0"},
    {"Editor", "UndoCount", 'i', "1000"},
    {"Editor", "TabSize", 'i', "2"},
    {"Editor", "TabsAsSpaces", 'b', "1"},
    {"Editor", "AutoIndent", 'b', "0"},
    {"Editor", "AutoUnindent", 'b', "0"},
    {"Editor", "CursorThruTabs", 'b', "0"},
    {"Editor", "AutoSaveOnView", 'b', "0"},
    {"Editor", "ViewFile", 'b', "1"},
    {"Editor", "Server", 's', "http://"},
    {"Editor", "ShareNone", 'b', "0"},
    {"Editor", "ShareRead", 'b', "1"},
    {"Editor", "ShareExclusive", 'b', "0"},
    {"Editor", "DefaultBrowser", 'b', "0"},
    {"Editor", "OtherBrowser", 'b', "0"},
    {"Editor", "OtherBrowserName", 's', ""},
    {"Editor", "NoBrowser", 'b', "1"},
    {"Editor", "OfferOtherBr", 'b', "0"},
    {"Editor", "JSHead", 'b', "1"},
    {"Editor", "JSAfterBody", 'b', "0"},
    {"Editor", "BrCount", 'n', "0"},
    {"View", "HTMLHighlight", 'b', "0"},
    {"View", "JavaHighlight", 'b', "0"},
    {"View", "NoHighlight", 'b', "0"},
    {"View", "BothHighlight", 'b', "1"},
    {"Javascript", "CommentFG", 'c', "32768"},
    {"Javascript", "CommentBG", 'c', "16777215"},
    {"Javascript", "NumbersFG", 'c', "8421376"},
    {"Javascript", "NumbersBG", 'c', "16777215"},
    {"Javascript", "StringsFG", 'c', "192"},
    {"Javascript", "StringsBG", 'c', "16777215"},
    {"Javascript", "KeywordsFG", 'c', "8388608"},
    {"Javascript", "KeywordsBG", 'c', "16777215"},
    {"Javascript", "CommentStyle", 'y', "2"},
    {"Javascript", "NumbersStyle", 'y', "0"},
    {"Javascript", "StringsStyle", 'y', "0"},
    {"Javascript", "KeywordsStyle", 'y', "1"},
    {"HTML", "CommentFG", 'c', "8421504"},
    {"HTML", "CommentBG", 'c', "16777215"},
    {"HTML", "NumbersFG", 'c', "8421376"},
    {"HTML", "NumberBG", 'c', "16777215"},
    {"HTML", "StringsFG", 'c', "12582912"},
    {"HTML", "StringsBG", 'c', "16777215"},
    {"HTML", "TagsFG", 'c', "8388608"},
    {"HTML", "TagsBG", 'c', "16777215"},
    {"HTML", "ScriptFG", 'c', "8388736"},
    {"HTML", "ScriptBG", 'c', "16777215"},
    {"HTML", "NamesFG", 'c', "128"},
    {"HTML", "NamesBG", 'c', "16777215"},
    {"HTML", "CommentStyle", 'y', "2"},
    {"HTML", "NumbersStyle", 'y', "0"},
    {"HTML", "StringsStyle", 'y', "0"},
    {"HTML", "TagsStyle", 'y', "1"},
    {"HTML", "ScriptStyle", 'y', "0"},
    {"HTML", "NamesStyle", 'y', "0"},
    {"Reopen", "RCount", 'n', "0"},
    {"StartOpenList", "SCount", 'n', "0"},
    {"FTP", "Host", 's', "ftp.example.com"},
    {"FTP", "User", 's', "admin"},
    {"FTP", "Dir", 's', "/public_html/"},
    {"FTP", "File", 's', "myPage.html"},
    {"FTP", "Port", 's', "21"},
    {"FTP", "Binary", 'b', "0"},
    {"FTP", "Passive", 'b', "1"},
};

class SettingsTest : public ::testing::Test {
protected:
    std::string Path(const std::string &name) const { return Dir.path().toStdString() + "/" + name; }
    QTemporaryDir Dir;
};

// Every key as "section/key" -> text, from a file.
std::map<std::string, std::string> KeysOf(const std::string &path)
{
    std::map<std::string, std::string> keys;
    TIniFile ini(path);
    for (const WideString &section : ini.ReadSections())
        for (const WideString &key : ini.ReadSection(section))
            keys[Utf8(section) + "/" + Utf8(key)] = Utf8(ini.ReadString(section, key, u"?"));
    return keys;
}

TEST_F(SettingsTest, MissingFileGivesEveryDefault)
{
    TSettings settings(kSettingsLayout);
    settings.NavWidth = settings.TabSize = 77; // must be replaced by the defaults
    settings.Load(Path("missing.ini"));
    settings.Save(Path("first.ini"));

    std::map<std::string, std::string> expected;
    for (const TKey &k : kKeys)
        expected[std::string(k.section) + "/" + k.key] = k.text;
    EXPECT_EQ(KeysOf(Path("first.ini")), expected);

    // Sections come in a fixed order.
    TIniFile ini(Path("first.ini"));
    std::vector<WideString> sections = ini.ReadSections();
    EXPECT_EQ(sections, (std::vector<WideString>{u"Window", u"Parser", u"Colours", u"Editor", u"View", u"Javascript",
                                                 u"HTML", u"Reopen", u"StartOpenList", u"FTP"}));
    // A fresh object holds the same defaults as one read from no file.
    TSettings fresh(kSettingsLayout);
    fresh.Save(Path("fresh.ini"));
    EXPECT_EQ(Get(Path("fresh.ini")), Get(Path("first.ini")));
}

TEST_F(SettingsTest, EveryKeyRoundTripsAndAnUnchangedFileKeepsItsBytes)
{
    // A value for every key that differs from its default and from every other key's value.
    std::string file = "; written by hand\n";
    std::string section;
    std::map<std::string, std::string> values;
    int n = 0;
    for (const TKey &k : kKeys) {
        if (section != k.section) {
            section = k.section;
            file += "[" + section + "]\n";
            if (section == "Editor")
                file += "Unknown=kept\n";
        }
        std::string v;
        switch (k.type) {
        case 'i': v = std::to_string(n % 2 ? 1000 + n : -1000 - n); break;
        // A plain colour or a system colour (top bit set, so a negative number).
        case 'c': v = std::to_string(n % 2 ? 1000 + n : int(0x80000000u + unsigned(n % 31))); break;
        case 'b': v = std::string(k.text) == "1" ? "0" : "1"; break;
        case 's': v = std::string("value of ") + k.key + " \xC3\xBC"; break;
        case 'y': v = std::to_string(n % 15 + 1); break;
        case 'n': v = "2"; break;
        }
        ++n;
        values[section + "/" + k.key] = v;
        file += std::string(k.key) + "=" + v + "\n";
        if (k.type == 'n') {
            const std::string prefix = section == "Editor" ? "UserDefBr" : "Item";
            for (int i = 0; i < 2; ++i) {
                std::string item = section + " entry " + std::to_string(i);
                file += prefix + std::to_string(i) + "=" + item + "\n";
                values[section + "/" + prefix + std::to_string(i)] = item;
            }
        }
    }
    file += "[Mine]\nx=1\n";
    values["Editor/Unknown"] = "kept";
    values["Mine/x"] = "1";
    Put(Path("all.ini"), file);

    TSettings settings(kSettingsLayout);
    settings.Load(Path("all.ini"));
    settings.Save(Path("all.ini"));
    EXPECT_EQ(Get(Path("all.ini")), file);

    TSettings copy(kSettingsLayout);
    copy.Load(Path("all.ini"));
    copy.Save(Path("copy.ini"));
    values.erase("Editor/Unknown");
    values.erase("Mine/x");
    EXPECT_EQ(KeysOf(Path("copy.ini")), values);

    // The fields carry the keys of their names.
    EXPECT_EQ(settings.Left, std::stoi(values["Window/Left"]));
    EXPECT_EQ(settings.UndoCount, std::stoi(values["Editor/UndoCount"]));
    EXPECT_EQ(settings.HTML.NumberBG, std::stoi(values["HTML/NumberBG"]));
    EXPECT_EQ(settings.HTML.NumbersFG, std::stoi(values["HTML/NumbersFG"]));
    EXPECT_EQ(settings.Javascript.KeywordsStyle, std::stoi(values["Javascript/KeywordsStyle"]));
    EXPECT_EQ(settings.FtpDir, FromUtf8(values["FTP/Dir"]));
    EXPECT_FALSE(settings.FtpPassive);
    EXPECT_FALSE(settings.CheckOpen);
    EXPECT_EQ(settings.Reopen, (std::vector<WideString>{u"Reopen entry 0", u"Reopen entry 1"}));
    EXPECT_EQ(settings.StartOpenList, (std::vector<WideString>{u"StartOpenList entry 0", u"StartOpenList entry 1"}));
    EXPECT_EQ(settings.UserBrowsers, (std::vector<WideString>{u"Editor entry 0", u"Editor entry 1"}));
}

TEST_F(SettingsTest, MalformedValues)
{
    using Check = std::function<void(const TSettings &)>;
    const std::vector<WideString> none;
    struct Case {
        std::string file;
        Check check;
    } cases[] = {
        {"[Editor]\nUndoCount=12ab", [](const TSettings &s) { EXPECT_EQ(s.UndoCount, 1000); }},
        {"[Editor]\nUndoCount=0x1F", [](const TSettings &s) { EXPECT_EQ(s.UndoCount, 31); }},
        {"[Editor]\nUndoCount=", [](const TSettings &s) { EXPECT_EQ(s.UndoCount, 1000); }},
        {"[Editor]\nUndoCount=-3", [](const TSettings &s) { EXPECT_EQ(s.UndoCount, -3); }},
        {"[Editor]\nUndoCount=99999999999", [](const TSettings &s) { EXPECT_EQ(s.UndoCount, 1000); }},
        {"[editor]\ntabsize = 8 ", [](const TSettings &s) { EXPECT_EQ(s.TabSize, 8); }},
        {"[Window]\nNavWidth=wide", [](const TSettings &s) { EXPECT_EQ(s.NavWidth, 157); }},
        {"[Window]\nShowTOD=false", [](const TSettings &s) { EXPECT_TRUE(s.ShowTOD); }},
        {"[Window]\nShowTOD=0", [](const TSettings &s) { EXPECT_FALSE(s.ShowTOD); }},
        {"[Parser]\nECMA=-2", [](const TSettings &s) { EXPECT_TRUE(s.ECMA); }},
        {"[Window]\nWState=max", [](const TSettings &s) { EXPECT_EQ(s.WState, u"max"); }},
        {"[Colours]\nGutter=-2147483643", [](const TSettings &s) { EXPECT_EQ(s.Gutter, int(0x80000005u)); }},
        {"[Javascript]\nCommentStyle=17", [](const TSettings &s) { EXPECT_EQ(s.Javascript.CommentStyle, 1); }},
        {"[HTML]\nNamesStyle=-1", [](const TSettings &s) { EXPECT_EQ(s.HTML.NamesStyle, 15); }},
        {"[Reopen]\nRCount=-3\nItem0=a", [none](const TSettings &s) { EXPECT_EQ(s.Reopen, none); }},
        {"[Reopen]\nRCount=4\nItem0=a\nItem2=\nItem3=d\nItem4=e",
         [](const TSettings &s) {
             EXPECT_EQ(s.Reopen, (std::vector<WideString>{u"a", u"", u"", u"d"}));
         }},
        {"[Reopen]\nRCount=2147483647\nItem0=a",
         [](const TSettings &s) {
             ASSERT_EQ(s.Reopen.size(), std::size_t(TSettings::MaxListEntries));
             EXPECT_EQ(s.Reopen[0], u"a");
         }},
        {"[StartOpenList]\nSCount=0x1\nItem0= /a b.html ",
         [](const TSettings &s) { EXPECT_EQ(s.StartOpenList, (std::vector<WideString>{u"/a b.html"})); }},
        // A colour that is no number, or no colour at all, takes the shipped colour of its key;
        // the keys beside it keep what the file says.
        {"[Colours]\nEditBackground=white\nTreeView=255\nErrors=\nGutter=0x1FFFFFFF\nMarked=16777216",
         [](const TSettings &s) {
             EXPECT_EQ(s.EditBackground, 0xFFFFFF);
             EXPECT_EQ(s.TreeView, 255);
             EXPECT_EQ(s.Errors, 0xFFFFFF);
             EXPECT_EQ(s.Gutter, 15790320);
             EXPECT_EQ(s.Marked, 10092543);
         }},
        {"[Colours]\nEditBackground=-1\nTreeView=0x8000001F\nErrors=0x8000001E\nGutter=0",
         [](const TSettings &s) {
             EXPECT_EQ(s.EditBackground, 0xFFFFFF);
             EXPECT_EQ(s.TreeView, 0xFFFFFF);
             EXPECT_EQ(s.Errors, int(0x8000001Eu));
             EXPECT_EQ(s.Gutter, 0) << "black is a colour the user may choose";
         }},
        {"[Javascript]\nKeywordsFG=navy\nKeywordsStyle=bold\nCommentBG=1e6",
         [](const TSettings &s) {
             EXPECT_EQ(s.Javascript.KeywordsFG, 8388608);
             EXPECT_EQ(s.Javascript.KeywordsStyle, 1);
             EXPECT_EQ(s.Javascript.CommentBG, 0xFFFFFF);
         }},
        {"[HTML]\nNamesFG=0x\nNumberBG=99999999999\nTagsStyle=",
         [](const TSettings &s) {
             EXPECT_EQ(s.HTML.NamesFG, 128);
             EXPECT_EQ(s.HTML.NumberBG, 0xFFFFFF);
             EXPECT_EQ(s.HTML.TagsStyle, 1);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        Put(Path("bad.ini"), c.file);
        TSettings settings(kSettingsLayout);
        settings.Load(Path("bad.ini"));
        c.check(settings);
    }
}

// A hand-written file that holds one section: that section's keys take the file's values, and
// every key of every other section (the colours above all) takes its default, as if the file
// were missing.
TEST_F(SettingsTest, AFileWithOneSectionGivesTheDefaultsOfAllOthers)
{
    std::map<std::string, std::string> defaults;
    std::vector<std::string> sections;
    for (const TKey &k : kKeys) {
        defaults[std::string(k.section) + "/" + k.key] = k.text;
        if (sections.empty() || sections.back() != k.section)
            sections.push_back(k.section);
    }
    sections.push_back("Update");
    for (const std::string &only : sections) {
        SCOPED_TRACE("only [" + only + "]");
        // Values unlike the defaults: a colour of 0x000102, a flipped switch, a number 7, a text.
        std::string file = "[" + only + "]\n";
        std::map<std::string, std::string> expected = defaults;
        for (const TKey &k : kKeys) {
            if (k.section != only)
                continue;
            std::string v;
            switch (k.type) {
            case 'c': v = "258"; break;
            case 'i': v = "7"; break;
            case 'b': v = std::string(k.text) == "1" ? "0" : "1"; break;
            case 's': v = "hand written"; break;
            case 'y': v = "4"; break;
            case 'n': v = "0"; break;
            }
            file += std::string(k.key) + "=" + v + "\n";
            expected[only + "/" + k.key] = v;
        }
        if (only == "Update") {
            file += "VersionURL=http://mirror.example/v.txt\n";
            expected["Update/VersionURL"] = "http://mirror.example/v.txt";
        }
        Put(Path("one.ini"), file);
        TSettings settings(kSettingsLayout);
        settings.Load(Path("one.ini"));
        QFile::remove(QString::fromStdString(Path("out.ini")));
        settings.Save(Path("out.ini"));
        EXPECT_EQ(KeysOf(Path("out.ini")), expected);
    }
}

TEST_F(SettingsTest, StyleKeysKeepFourBitsAndShorterListsLeaveStaleItems)
{
    TSettings settings(kSettingsLayout);
    settings.Reopen = {u"1", u"2", u"3", u"4", u"5", u"6", u"7"};
    settings.Save(Path("lists.ini"));

    settings.Reopen = {u"5", u"6", u"7"};
    settings.HTML.TagsStyle = 0x13;
    settings.Save(Path("lists.ini"));

    TIniFile ini(Path("lists.ini"));
    EXPECT_EQ(ini.ReadInteger(u"Reopen", u"RCount", -1), 3);
    EXPECT_EQ(ini.ReadSection(u"Reopen"), (std::vector<WideString>{u"RCount", u"Item0", u"Item1", u"Item2", u"Item3",
                                                                   u"Item4", u"Item5", u"Item6"}));
    const char16_t *expected[] = {u"5", u"6", u"7", u"4", u"5", u"6", u"7"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(ini.ReadString(u"Reopen", u"Item" + WideString(1, char16_t(u'0' + i)), u"?"), expected[i]);
    EXPECT_EQ(ini.ReadInteger(u"HTML", u"TagsStyle", -1), 3);

    TSettings again(kSettingsLayout);
    again.Load(Path("lists.ini"));
    EXPECT_EQ(again.Reopen, (std::vector<WideString>{u"5", u"6", u"7"}));
}

TEST_F(SettingsTest, SaveFailureIsReported)
{
    TSettings settings(kSettingsLayout);
    EXPECT_THROW(settings.Save(Path("no/such/folder/Quillmar.ini")), EIniFileException);
}

TEST_F(SettingsTest, FileLocation)
{
    struct Case {
        const char *name;
        std::string fsType;
        bool writable;
        bool seed; // "Quillmar.inx" beside the program
        bool ownCopy; // the per-user copy exists already
        bool noConfig; // no XDG config folder
        bool perUser;
        bool network;
    } cases[] = {
        {"local and writable", "ext4", true, true, false, false, false, false},
        {"local, read-only", "ext4", false, true, false, false, true, false},
        {"nfs", "nfs", true, true, false, false, true, true},
        {"nfs4", "nfs4", true, false, false, false, true, true},
        {"cifs", "cifs", true, true, false, false, true, true},
        {"smb3", "smb3", true, true, false, false, true, true},
        {"sshfs", "fuse.sshfs", true, true, false, false, true, true},
        {"9p", "9p", true, true, false, false, true, true},
        {"unknown type", "", true, true, false, false, true, true},
        {"own copy is not overwritten", "nfs", true, true, true, false, true, true},
        {"no config folder: personal folder", "cifs", true, true, false, true, true, true},
        {"other fuse file system is local", "fuse.portal", true, true, false, false, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        const std::string base = root.path().toStdString();
        const std::string program = base + "/opt/quillmar";
        const std::string config = base + "/config";
        const std::string personal = base + "/Documents";
        QDir().mkpath(QString::fromStdString(program));
        if (c.seed)
            Put(program + "/Quillmar.inx", "[Editor]\nTabSize=4\n");
        const std::string userFolder = (c.noConfig ? personal : config) + "/Quillmar";
        if (c.ownCopy) {
            QDir().mkpath(QString::fromStdString(userFolder));
            Put(userFolder + "/Quillmar.ini", "[Editor]\nTabSize=8\n");
        }
        std::string probed;
        TSettingsEnvironment env;
        env.ProgramFolder = program;
        env.ConfigFolder = c.noConfig ? "" : config;
        env.PersonalFolder = personal;
        env.FileSystemType = [&](const AnsiString &folder) {
            probed = folder;
            return c.fsType;
        };
        env.IsWritableFolder = [&](const AnsiString &) { return c.writable; };

        TSettingsLocation where = LocateSettingsFile(env);
        EXPECT_EQ(probed, program);
        EXPECT_EQ(where.PerUser, c.perUser);
        EXPECT_EQ(where.RunsFromNetwork, c.network);
        if (!c.perUser) {
            EXPECT_EQ(where.FileName, program + "/Quillmar.ini");
            EXPECT_EQ(where.Folder, program);
            EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(where.FileName)));
            continue;
        }
        EXPECT_EQ(where.FileName, userFolder + "/Quillmar.ini");
        EXPECT_EQ(where.Folder, userFolder);
        EXPECT_TRUE(QFileInfo(QString::fromStdString(userFolder)).isDir());
        TSettings settings(kSettingsLayout);
        settings.Load(where.FileName);
        EXPECT_EQ(settings.TabSize, c.ownCopy ? 8 : c.seed ? 4 : 2);
        EXPECT_EQ(Get(program + "/Quillmar.inx"), c.seed ? "[Editor]\nTabSize=4\n" : "");
    }
}

TEST_F(SettingsTest, LocationWithoutSeedOrWritableFolderStillGivesAPath)
{
    QTemporaryDir root;
    const std::string base = root.path().toStdString();
    TSettingsEnvironment env;
    env.ProgramFolder = base + "/prog";
    // The config folder cannot be made (a file is in the way): nothing is reported, the path
    // is still given and reading it gives the defaults.
    Put(base + "/config", "not a folder");
    env.ConfigFolder = base + "/config";
    env.PersonalFolder = base;
    env.FileSystemType = [](const AnsiString &) { return std::string("nfs"); };
    env.IsWritableFolder = [](const AnsiString &) { return true; };
    TSettingsLocation where = LocateSettingsFile(env);
    EXPECT_EQ(where.FileName, base + "/config/Quillmar/Quillmar.ini");
    TSettings settings(kSettingsLayout);
    settings.Load(where.FileName);
    EXPECT_EQ(settings.UndoCount, 1000);
}

TEST(WindowPlacementTest, StartBoundsFollowTheSavedState)
{
    const TBoundsRect screen{0, 0, 1920, 1080};
    struct Case {
        const char *name;
        const char16_t *wstate;
        TBoundsRect normal; // Left, Top, Width, Height
        TBoundsRect restore; // rsLeft, rsTop, rsWidth, rsHeight
        TBoundsRect screen;
        TWindowPlacement expected;
    } cases[] = {
        {"normal as read", u"Normal", {100, 80, 900, 600}, {5, 5, 5, 5}, screen, {{100, 80, 900, 600}, false}},
        {"maximised uses the restore bounds",
         u"Max",
         {0, 0, 1920, 1080},
         {120, 90, 800, 500},
         screen,
         {{120, 90, 800, 500}, true}},
        {"restore left -500", u"Max", {0, 0, 1920, 1080}, {-500, 90, 800, 500}, screen, {{10, 90, 800, 500}, true}},
        {"restore left past the screen", u"Max", {}, {1921, 90, 800, 500}, screen, {{10, 90, 800, 500}, true}},
        {"restore left at the screen edge stays",
         u"Max",
         {},
         {1920, 90, 800, 500},
         screen,
         {{1920, 90, 800, 500}, true}},
        {"restore top negative", u"Max", {}, {10, -1, 800, 500}, screen, {{10, 50, 800, 500}, true}},
        {"restore top past the screen", u"Max", {}, {10, 1081, 800, 500}, screen, {{10, 50, 800, 500}, true}},
        {"restore size too small", u"Max", {}, {10, 10, 199, 49}, screen, {{10, 10, 200, 50}, true}},
        {"never saved (all 0)", u"Max", {}, {0, 0, 0, 0}, screen, {{0, 0, 200, 50}, true}},
        {"state is case-sensitive",
         u"max",
         {100, 80, 900, 600},
         {1, 2, 300, 400},
         screen,
         {{100, 80, 900, 600}, false}},
        {"normal bounds off a smaller screen",
         u"Normal",
         {2500, 1300, 900, 600},
         {},
         screen,
         {{10, 50, 900, 600}, false}},
        {"normal bounds of zero size", u"Normal", {100, 80, 0, -5}, {}, screen, {{100, 80, 200, 50}, false}},
        {"screen not at the origin",
         u"Max",
         {},
         {-500, 5, 800, 500},
         {-1280, 0, 1280, 1024},
         {{-500, 5, 800, 500}, true}},
        {"left of a screen not at the origin",
         u"Normal",
         {-1300, 20, 800, 500},
         {},
         {-1280, 0, 3200, 1080},
         {{-1270, 20, 800, 500}, false}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TSettings s;
        s.WState = c.wstate;
        s.Left = c.normal.Left;
        s.Top = c.normal.Top;
        s.Width = c.normal.Width;
        s.Height = c.normal.Height;
        s.rsLeft = c.restore.Left;
        s.rsTop = c.restore.Top;
        s.rsWidth = c.restore.Width;
        s.rsHeight = c.restore.Height;
        TWindowPlacement p = PlaceMainWindow(s, c.screen);
        EXPECT_EQ(p.Bounds.Left, c.expected.Bounds.Left);
        EXPECT_EQ(p.Bounds.Top, c.expected.Bounds.Top);
        EXPECT_EQ(p.Bounds.Width, c.expected.Bounds.Width);
        EXPECT_EQ(p.Bounds.Height, c.expected.Bounds.Height);
        EXPECT_EQ(p.Maximised, c.expected.Maximised);
    }
}

TEST(WindowPlacementTest, ResizesRememberOnlyNormalBounds)
{
    struct Case {
        TBoundsRect bounds;
        bool remembered;
    } cases[] = {
        {{10, 20, 800, 600}, true},
        {{0, 0, 1920, 1050}, false}, // maximised
        {{0, 0, 1920, 600}, false}, // full width only
        {{0, 0, 800, 1050}, false}, // full height only
    };
    for (const Case &c : cases) {
        TSettings s;
        s.rsLeft = s.rsTop = s.rsWidth = s.rsHeight = -1;
        NoteNormalBounds(s, c.bounds, 1920, 1050);
        TBoundsRect kept{s.rsLeft, s.rsTop, s.rsWidth, s.rsHeight};
        const TBoundsRect untouched{-1, -1, -1, -1};
        EXPECT_EQ(kept, c.remembered ? c.bounds : untouched) << c.bounds.Width << "x" << c.bounds.Height;
    }
}

TEST(NetworkFileSystemTest, Types)
{
    for (const char *type : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p"})
        EXPECT_TRUE(IsNetworkFileSystem(type)) << type;
    for (const char *type : {"ext4", "btrfs", "xfs", "tmpfs", "overlay", "vfat", "fuse.gvfsd", ""})
        EXPECT_FALSE(IsNetworkFileSystem(type)) << type;
}

} // namespace
