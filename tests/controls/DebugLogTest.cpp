// The debug log: line format, header, switch, where the file goes and how it is opened, and the
// version names of its report.
#include "controls/DebugLog.h"
#include "controls/HHFuncs.h"
#include "platform/Prompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::string Read(const std::string &Path)
{
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> Lines(const std::string &Path)
{
    std::vector<std::string> r;
    std::istringstream in(Read(Path));
    for (std::string line; std::getline(in, line);)
        r.push_back(line);
    return r;
}

struct TLogDir {
    QTemporaryDir Dir;
    std::string Path() const { return Dir.path().toStdString(); }
    std::string Log() const { return Path() + "/HHDebug.txt"; }
};

} // namespace

TEST(DebugLog, LineFormats)
{
    TLogDir dir;
    TDLogFile log(dir.Log(), true, true, false, false);
    log.TimeText = [] { return std::string("12:34:56"); };
    struct Case {
        std::string Format;
        TLogArgs Args;
        std::string Line;
    };
    const std::string user = "C:\\%s%d%n\\100%";
    const std::vector<Case> cases = {
        {"-", {}, std::string(79, '-')},
        {"=", {}, std::string(79, '=')},
        {"!abc", {}, "abc"},
        {"abc", {}, "12:34:56   abc"},
        {"--x", {}, "-x"}, // any line starting with "-" loses it, without a stamp
        {"ShowContext(\"%s\", %d)", {"/a b.chm", 1000}, "12:34:56   ShowContext(\"/a b.chm\", 1000)"},
        {"  returned - %d", {-3}, "12:34:56     returned - -3"},
        {"100%% %s %d", {"x"}, "12:34:56   100% x "}, // a directive past the arguments writes nothing
        {"%s", {user}, "12:34:56   " + user}, // user text among the arguments is never a format
        {user, {}, "12:34:56   " + user}, // nor is a line written without arguments
        {"%x %", {1}, "12:34:56   %x %"},
        {"%s", {WideString(u"caf\u00e9 \u4e2d")}, "12:34:56   caf\xc3\xa9 \xe4\xb8\xad"},
    };
    for (const Case &c : cases)
        log.WriteLine(c.Format, c.Args);
    const std::vector<std::string> lines = Lines(dir.Log());
    ASSERT_EQ(lines.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(lines[i], cases[i].Line) << i;

    // Without stamps, and Log writes in debug mode only.
    TDLogFile plain(dir.Log(), false, false, false, true);
    plain.Log("not written");
    plain.WriteLine("written");
    EXPECT_EQ(Lines(dir.Log()).back(), "written");
    EXPECT_EQ(Lines(dir.Log()).size(), cases.size() + 1);
}

TEST(DebugLog, HeaderReportsTheSystem)
{
    TLogDir dir;
    TDebugLogSystem sys;
    sys.ModulePath = "/opt/quillmar/quillmar";
    sys.ModuleDir = "/opt/quillmar";
    sys.ModuleName = "quillmar";
    sys.RunDir = "/opt/quillmar";
    sys.ExeVersion = "1.16.0.0";
    sys.Arguments = {"/opt/quillmar/quillmar", "-debug", "a b.htm"};
    sys.HHInstalled = true;
    sys.HHVerStr = "1.0.0.0";
    sys.HHFriendlyVerStr = "chmlib 1.0.0.0";
    TDLogFile log(dir.Log(), true, true, true, false, sys);
    const std::vector<std::string> lines = Lines(dir.Log());
    const std::vector<std::string> expected = {
        std::string(79, '='),
        "Log File:             \t" + dir.Log(),
        "Date:                 \t",
        "Operating System:      \t",
        "Locale:                \t",
        "DecimalSeparator:      \t",
        std::string(79, '-'),
        "EXE Path =          \t/opt/quillmar/quillmar",
        "EXE Version =       \t1.16.0.0",
        "Cmdline Param(s) =  \t-debug | a b.htm",
        "Actual CmdLine =  \t/opt/quillmar/quillmar -debug a b.htm",
        "_RunDir =           \t/opt/quillmar",
        "_ModuleName =       \tquillmar",
        "_ModuleDir =        \t/opt/quillmar",
        "_ModulePath =        \t/opt/quillmar/quillmar",
        "Module Version =       \t1.16.0.0",
        std::string(79, '-'),
        "_hhInstalled =      \tYES",
        "_hhVerStr =         \t1.0.0.0",
        "_hhFriendlyVerStr = \tchmlib 1.0.0.0",
        std::string(79, '-'),
        "_ieInstalled =      \tNO",
        "_ieVerStr =         \t",
        "_ieFriendlyVerStr = \t",
        std::string(79, '='),
    };
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].substr(0, expected[i].size()), expected[i]) << i;
    EXPECT_EQ(lines[2].size(), expected[2].size() + 19); // "yyyy-mm-dd hh:mm:ss"
    EXPECT_NE(lines[3].find(" ("), std::string::npos);

    // A new run without the header replaces the old log: the file is gone until a line comes.
    TDLogFile again(dir.Log(), true, true, false, false, sys);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir.Log())));
}

TEST(DebugLog, SwitchFromMarkerFileOrArgument)
{
    QTemporaryDir program;
    const std::string folder = program.path().toStdString();
    struct Case {
        std::vector<std::string> Args;
        bool On;
    };
    const Case cases[] = {
        {{"q"}, false},
        {{"q", "-debug"}, true},
        {{"q", "/debug"}, true},
        {{"q", "-DEBUG"}, true},
        {{"q", "file.htm", "/DeBuG"}, true},
        {{"q", "debug"}, false},
        {{"q", "--debug"}, false},
        {{"q", "-debug.htm"}, false},
        {{"-debug"}, false}, // the program's own path is no switch
    };
    for (const Case &c : cases)
        EXPECT_EQ(DebugSwitchOn(folder, c.Args), c.On) << c.Args.back();
    std::ofstream(folder + "/debug.debug") << "";
    EXPECT_TRUE(DebugSwitchOn(folder, {"q"}));
    EXPECT_FALSE(DebugSwitchOn(folder + "/other", {"q"}));
}

// Off: an old log is deleted and nothing is made (not even the folder). On: the folder is made
// for the user alone and the log starts with its header; the hook's steps follow.
TEST(DebugLog, ProgramLogOnAndOff)
{
    TLogDir dir;
    const std::string folder = dir.Path() + "/state/quillmar";
    TDebugLogSystem sys;
    sys.ModuleDir = dir.Path();
    sys.Arguments = {"quillmar"};
    DebugLogInit(sys, folder);
    DebugLog("dropped");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir.Path() + "/state")));

    ASSERT_TRUE(ForceLogFolder(folder));
    std::ofstream(folder + "/HHDebug.txt") << "old run\n";
    DebugLogInit(sys, folder);
    DebugLog("dropped");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(folder + "/HHDebug.txt")));
    ASSERT_EQ(::rmdir(folder.c_str()), 0);

    sys.Arguments = {"quillmar", "-Debug"};
    DebugLogInit(sys, folder);
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    SetHtmlHelpProc([](const AnsiString *, unsigned, uintptr_t) -> uintptr_t { return 1; });
    {
        THookHelpSystem hook("/opt/q/Quillmar.chm", "", 0);
        hook.ShowHelpContext(1000);
    }
    SetHtmlHelpProc(nullptr);
    DebugLogDone();
    DebugLog("after the end");
    const std::string log = folder + "/HHDebug.txt";
    ASSERT_EQ(::stat(log.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    std::vector<std::string> lines = Lines(log);
    ASSERT_EQ(lines.size(), 25u + 5u);
    lines.erase(lines.begin(), lines.begin() + 25);
    for (std::string &line : lines) {
        ASSERT_GT(line.size(), 11u);
        EXPECT_EQ(line.substr(2, 1) + line.substr(5, 1) + line.substr(8, 3), "::   ") << line;
        line.erase(0, 11);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "THookHelpSystem.Create(\"/opt/q/Quillmar.chm\",\"\", 0)",
                         "HHHelpContext(\"/opt/q/Quillmar.chm\", 1000, \"\", 0)",
                         "ShowContext(\"/opt/q/Quillmar.chm\", 1000)",
                         "  returned - 0",
                         "THookHelpSystem.Destroy",
                     }));
}

// The log is never opened through a link and only a plain file is written; a folder that is
// not there gives no log at all (nothing falls back to a shared place).
TEST(DebugLog, FileIsCreatedExclusively)
{
    TLogDir dir;
    const std::string target = dir.Path() + "/victim.txt";
    std::ofstream(target) << "keep\n";
    ASSERT_EQ(::symlink(target.c_str(), dir.Log().c_str()), 0);

    // Appending to an existing log: the link is left alone and nothing is written.
    TDLogFile append(dir.Log(), true, false, true, true);
    append.WriteLine("through the link");
    EXPECT_EQ(Read(target), "keep\n");

    // A new log: the link itself is removed and a new plain file made in its place.
    TDLogFile fresh(dir.Log(), true, false, false, false);
    fresh.WriteLine("new");
    EXPECT_EQ(Read(target), "keep\n");
    struct stat st {};
    ASSERT_EQ(::lstat(dir.Log().c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(Read(dir.Log()), "new\n");

    // A link planted between two lines is not followed either.
    ASSERT_EQ(::unlink(dir.Log().c_str()), 0);
    ASSERT_EQ(::symlink(target.c_str(), dir.Log().c_str()), 0);
    fresh.WriteLine("again");
    EXPECT_EQ(Read(target), "keep\n");

    // A folder that does not exist, or a file in place of the folder: no log anywhere.
    const std::string missing = dir.Path() + "/none/HHDebug.txt";
    TDLogFile nowhere(missing, true, true, true, false);
    nowhere.WriteLine("lost");
    EXPECT_TRUE(nowhere.LogFileName.empty());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(dir.Path() + "/none")));
    TDLogFile onFile(target + "/HHDebug.txt", true, true, true, false);
    EXPECT_TRUE(onFile.LogFileName.empty());
    EXPECT_TRUE(IsFolderWritable(dir.Path()));
    EXPECT_FALSE(IsFolderWritable(dir.Path() + "/none"));
    EXPECT_EQ(QDir(dir.Dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

TEST(DebugLog, VersionsAndTheirNames)
{
    auto v = [](const char *Text) { return ParseFileVersion(Text); };
    EXPECT_EQ(CompareVersions(v("5.2.3669.0"), v("5.2.3669")), 0);
    EXPECT_EQ(CompareVersions(v("5.2.3669.1"), v("5.2.3669.0")), 1);
    EXPECT_EQ(CompareVersions(v("4.74.9273.0"), v("5.0.0.0")), -1);
    EXPECT_EQ(CompareVersions(v("65535.0.0.0"), v("1.0.0.0")), 1); // unsigned parts
    EXPECT_EQ(v("1.2").Text, "1.2.0.0");
    EXPECT_EQ(v("x").Text, "");

    const std::pair<const char *, const char *> hh[] = {
        {"5.2.3669.1", "> 1.4a"},  {"5.2.3669.0", "1.4a"},   {"5.2.3668.9", "1.4"},
        {"5.2.3626.0", "1.4"},     {"4.74.9273.0", "1.33"},  {"4.73.8474.5", "1.21a"},
        {"4.72.7290.0", "1.0"},    {"4.72.7289.0", "< 1.0"}, {"", ""},
    };
    for (const auto &[version, name] : hh)
        EXPECT_EQ(HHFriendlyVersion(v(version)), name) << version;

    const std::pair<const char *, const char *> ie[] = {
        {"7.0.5730.13", ">= Internet Explorer 7.0.5730.13"},
        {"6.0.3790.0", "Internet Explorer 6 (Windows Server 2003)"},
        {"6.0.2900.2180", "Internet Explorer 6 (Windows XP SP2)"},
        {"6.0.2900.2179", "Internet Explorer 6 SP1"},
        {"5.50.4134.100", "Internet Explorer 5.5 for Windows Me (4.90.3000)"},
        {"5.0.2919.6307", "Internet Explorer 5.01"},
        {"4.40.308.0", "Internet Explorer 1.0 (Plus!)"},
        {"4.40.307.0", "< Internet Explorer 1.0 (Plus!)"},
        {"", ""},
    };
    for (const auto &[version, name] : ie)
        EXPECT_EQ(IEFriendlyVersion(v(version)), name) << version;
    // An old browser control keeps its build in the release place.
    const TFileVersion old = AdjustIEVersion(v("4.70.0.1300"));
    EXPECT_EQ(old.Text, "4.70.1300.0");
    EXPECT_EQ(IEFriendlyVersion(old), "Internet Explorer 3.02");
    EXPECT_EQ(AdjustIEVersion(v("4.71.0.1300")).Text, "4.71.0.1300");

    // Libraries carry their version in the file name a link leads to.
    TLogDir dir;
    const std::string real = dir.Path() + "/libdemo.so.1.2.3";
    std::ofstream(real) << "x";
    ASSERT_EQ(::symlink(real.c_str(), (dir.Path() + "/libdemo.so").c_str()), 0);
    EXPECT_EQ(GetFileVersion(dir.Path() + "/libdemo.so").Text, "1.2.3.0");
    EXPECT_EQ(GetFileVersion(dir.Path() + "/libdemo.so").Minor, 2);
    EXPECT_EQ(GetFileVersion(dir.Path() + "/missing.so.1").Text, "");
    std::ofstream(dir.Path() + "/plain") << "x";
    EXPECT_EQ(GetFileVersion(dir.Path() + "/plain").Text, "");
}
