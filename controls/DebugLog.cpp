// The help system's debug log and its system report.
#include "controls/DebugLog.h"

#include "platform/Prompter.h"
#include "text/WideTextCodec.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <memory>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

const char *const LogName = "HHDebug.txt";

std::string LocalTime(const char *Format)
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[64];
    const size_t n = std::strftime(buf, sizeof buf, Format, &tm);
    return std::string(buf, n);
}

AnsiString FolderOf(const AnsiString &Path)
{
    const size_t slash = Path.rfind('/');
    if (slash == AnsiString::npos)
        return ".";
    return slash == 0 ? AnsiString("/") : Path.substr(0, slash);
}

bool IsDirectory(const AnsiString &Path)
{
    struct stat st {};
    return ::stat(Path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const AnsiString &Path)
{
    struct stat st {};
    return ::lstat(Path.c_str(), &st) == 0;
}

// Opens the log for appending: never through a link, never anything but a plain file, and a
// missing file is made new (it cannot have been put there by someone else in between).
int OpenForAppend(const AnsiString &Path)
{
    const int flags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(Path.c_str(), flags);
    if (fd < 0 && errno == ENOENT)
        fd = ::open(Path.c_str(), flags | O_CREAT | O_EXCL, 0600);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool WriteAll(int Fd, const std::string &Bytes)
{
    size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = ::write(Fd, Bytes.data() + done, Bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

std::string UserLocaleName()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char *v = std::getenv(name); v && *v)
            return v;
    return "C";
}

std::string DecimalSeparator()
{
    locale_t loc = ::newlocale(LC_NUMERIC_MASK, "", locale_t(nullptr));
    if (!loc)
        return ".";
    const std::string r = ::nl_langinfo_l(RADIXCHAR, loc);
    ::freelocale(loc);
    return r.empty() ? "." : r;
}

WideString Utf8ToWide(const std::string &S)
{
    WideString r(S.size() + 4, u'\0');
    TUtf8Decoder decoder;
    r.resize(decoder.Decode(reinterpret_cast<const uint8_t *>(S.data()), S.size(), true, r.data()));
    return r;
}

std::unique_ptr<TDLogFile> &TheLog()
{
    static std::unique_ptr<TDLogFile> log;
    return log;
}

} // namespace

TLogArg::TLogArg(const WideString &Text)
{
    FText.resize(Text.size() * 3);
    FText.resize(WideToUtf8Block(Text.data(), Text.size(), reinterpret_cast<uint8_t *>(FText.data())));
}

std::string FormatLogLine(const std::string &Format, const TLogArgs &Args)
{
    std::string r;
    size_t next = 0;
    for (size_t i = 0; i < Format.size(); ++i) {
        const char c = Format[i];
        if (c != '%' || i + 1 == Format.size()) {
            r += c;
            continue;
        }
        const char d = Format[i + 1];
        if (d == '%') {
            r += '%';
            ++i;
        } else if (d == 's' || d == 'd') {
            if (next < Args.size())
                r += Args[next].Text();
            ++next;
            ++i;
        } else {
            r += c;
        }
    }
    return r;
}

AnsiString OperatingSystemText()
{
    struct utsname un {};
    AnsiString sysName = "Linux", release, version;
    if (::uname(&un) == 0) {
        sysName = un.sysname;
        release = un.release;
        version = un.version;
    }
    // "6.1.0-18-amd64": major, minor and the patch level as the build.
    const TFileVersion kernel = ParseFileVersion(release);
    return FormatLogLine("%s %d.%d (Build %d) %s", {sysName, int(kernel.Major), int(kernel.Minor),
                                                    int(kernel.Release),
                                                    version.empty() ? AnsiString("No Service Pack") : version});
}

// ============================================================================ the log file

TDLogFile::TDLogFile(const AnsiString &FileName, bool ADebugMode, bool ATimeStamp, bool AHeaderDump,
                     bool AAppendMode, const TDebugLogSystem &System)
    : DebugMode(ADebugMode), TimeStamp(ATimeStamp), HeaderDump(AHeaderDump), AppendMode(AAppendMode)
{
    TimeText = [] { return LocalTime("%H:%M:%S"); };
    LogFileName = FileName.empty() ? DebugLogFolder() + "/" + LogName : FileName;
    const AnsiString folder = FolderOf(LogFileName);
    if (!IsDirectory(folder) || !IsFolderWritable(folder))
        LogFileName.clear();
    WriteHeader(System);
}

void TDLogFile::WriteHeader(const TDebugLogSystem &System)
{
    if (LogFileName.empty())
        return;
    // unlink removes a link itself, never what it points to.
    if (!AppendMode && Exists(LogFileName))
        ::unlink(LogFileName.c_str());
    if (!DebugMode || !HeaderDump)
        return;

    std::string joined, raw;
    for (size_t i = 0; i < System.Arguments.size(); ++i) {
        if (i > 1)
            joined += " | ";
        if (i > 0)
            joined += System.Arguments[i];
        raw += (i ? " " : "") + System.Arguments[i];
    }
    auto yesNo = [](bool B) { return AnsiString(B ? "YES" : "NO"); };
    const std::string tab = "\t";

    WriteLine("=");
    WriteLine("!Log File:             %s", {tab + LogFileName});
    WriteLine("!Date:                 %s", {tab + LocalTime("%Y-%m-%d %H:%M:%S")});
    WriteLine("!Operating System:      %s", {tab + OperatingSystemText()});
    WriteLine("!Locale:                %s", {tab + UserLocaleName()});
    WriteLine("!DecimalSeparator:      %s", {tab + DecimalSeparator()});
    WriteLine("-");
    WriteLine("!EXE Path =          %s", {tab + System.ModulePath});
    WriteLine("!EXE Version =       %s", {tab + System.ExeVersion});
    WriteLine("!Cmdline Param(s) =  %s", {tab + joined});
    WriteLine("!Actual CmdLine =  %s", {tab + raw});
    WriteLine("!_RunDir =           %s", {tab + System.RunDir});
    WriteLine("!_ModuleName =       %s", {tab + System.ModuleName});
    WriteLine("!_ModuleDir =        %s", {tab + System.ModuleDir});
    WriteLine("!_ModulePath =        %s", {tab + System.ModulePath});
    WriteLine("!Module Version =       %s", {tab + System.ExeVersion});
    WriteLine("-");
    WriteLine("!_hhInstalled =      %s", {tab + yesNo(System.HHInstalled)});
    WriteLine("!_hhVerStr =         %s", {tab + System.HHVerStr});
    WriteLine("!_hhFriendlyVerStr = %s", {tab + System.HHFriendlyVerStr});
    WriteLine("-");
    WriteLine("!_ieInstalled =      %s", {tab + yesNo(System.IEInstalled)});
    WriteLine("!_ieVerStr =         %s", {tab + System.IEVerStr});
    WriteLine("!_ieFriendlyVerStr = %s", {tab + System.IEFriendlyVerStr});
    WriteLine("=");
}

void TDLogFile::WriteLine(const std::string &Format, const TLogArgs &Args)
{
    if (LogFileName.empty())
        return;
    std::string line = Args.empty() ? Format : FormatLogLine(Format, Args);
    if (line == "-" || line == "=")
        line = std::string(80, line[0]);
    if (!line.empty() && (line[0] == '!' || line[0] == '-' || line[0] == '='))
        line.erase(0, 1);
    else if (TimeStamp)
        line = (TimeText ? TimeText() : std::string()) + "   " + line;
    line += '\n';
    const int fd = OpenForAppend(LogFileName);
    if (fd < 0)
        return;
    WriteAll(fd, line);
    ::close(fd);
}

void TDLogFile::Log(const std::string &Format, const TLogArgs &Args)
{
    if (DebugMode)
        WriteLine(Format, Args);
}

void TDLogFile::ShowAndLog(const std::string &Format, const TLogArgs &Args)
{
    const std::string text = Args.empty() ? Format : FormatLogLine(Format, Args);
    MessageDlg(Utf8ToWide(text), TMsgDlgType::mtWarning, mbOK);
    if (DebugMode)
        WriteLine(text);
}

// ============================================================================ folders and switch

AnsiString DebugLogFolder()
{
    const char *state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return AnsiString(state) + "/quillmar";
    const char *home = std::getenv("HOME");
    if (home && home[0] == '/')
        return AnsiString(home) + "/.local/state/quillmar";
    return AnsiString();
}

bool ForceLogFolder(const AnsiString &Folder)
{
    if (Folder.empty() || Folder[0] != '/')
        return false;
    for (size_t pos = 1; pos <= Folder.size(); ++pos) {
        if (pos < Folder.size() && Folder[pos] != '/')
            continue;
        const AnsiString part = Folder.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return IsDirectory(Folder);
}

bool IsFolderWritable(const AnsiString &Folder)
{
    AnsiString f = Folder;
    while (f.size() > 1 && f.back() == '/')
        f.pop_back();
    std::string name = f + "/.quillmar-probe-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(name.c_str());
    return true;
}

bool DebugSwitchOn(const AnsiString &ModuleDir, const std::vector<AnsiString> &Arguments)
{
    if (!ModuleDir.empty() && Exists(ModuleDir + "/debug.debug"))
        return true;
    for (size_t i = 1; i < Arguments.size(); ++i) {
        AnsiString a = Arguments[i];
        std::transform(a.begin(), a.end(), a.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
        if (a == "/debug" || a == "-debug")
            return true;
    }
    return false;
}

void DebugLogInit(const TDebugLogSystem &System, const AnsiString &LogFolder)
{
    TheLog().reset();
    const bool on = DebugSwitchOn(System.ModuleDir, System.Arguments);
    const AnsiString folder = LogFolder.empty() ? DebugLogFolder() : LogFolder;
    // The folder is made only for a log that will be written; an old log in an existing
    // folder is removed in either case.
    if (on)
        ForceLogFolder(folder);
    TheLog() = std::make_unique<TDLogFile>(folder.empty() ? AnsiString("/nonexistent/") + LogName
                                                          : folder + "/" + LogName,
                                           on, true, true, false, System);
}

void DebugLogDone()
{
    TheLog().reset();
}

TDLogFile *DebugLogFile()
{
    return TheLog().get();
}

void DebugLog(const std::string &Format, const TLogArgs &Args)
{
    if (TDLogFile *log = TheLog().get())
        log->Log(Format, Args);
}

void DebugShowAndLog(const std::string &Format, const TLogArgs &Args)
{
    if (TDLogFile *log = TheLog().get()) {
        log->ShowAndLog(Format, Args);
        return;
    }
    MessageDlg(Utf8ToWide(Args.empty() ? Format : FormatLogLine(Format, Args)), TMsgDlgType::mtWarning, mbOK);
}

// ============================================================================ versions

TFileVersion ParseFileVersion(const std::string &S)
{
    TFileVersion v;
    uint16_t *parts[4] = {&v.Major, &v.Minor, &v.Release, &v.Build};
    const char *p = S.data();
    const char *end = p + S.size();
    int got = 0;
    while (got < 4 && p < end) {
        unsigned n = 0;
        const auto res = std::from_chars(p, end, n);
        if (res.ec != std::errc() || n > 0xFFFF)
            break;
        *parts[got++] = uint16_t(n);
        p = res.ptr;
        if (p < end && *p == '.')
            ++p;
        else
            break;
    }
    if (got == 0)
        return TFileVersion();
    v.Text = std::to_string(v.Major) + "." + std::to_string(v.Minor) + "." + std::to_string(v.Release) + "." +
             std::to_string(v.Build);
    return v;
}

TFileVersion GetFileVersion(const AnsiString &File)
{
    char resolved[PATH_MAX];
    if (!::realpath(File.c_str(), resolved))
        return TFileVersion();
    const std::string path = resolved;
    const std::string name = path.substr(path.rfind('/') + 1);
    const size_t so = name.find(".so.");
    if (so == std::string::npos)
        return TFileVersion();
    return ParseFileVersion(name.substr(so + 4));
}

TFileVersion AdjustIEVersion(TFileVersion V)
{
    if (V.Major == 4 && V.Minor <= 70 && V.Release == 0) {
        V.Release = V.Build;
        V.Build = 0;
        V.Text = std::to_string(V.Major) + "." + std::to_string(V.Minor) + "." + std::to_string(V.Release) + "." +
                 std::to_string(V.Build);
    }
    return V;
}

int CompareVersions(const TFileVersion &A, const TFileVersion &B)
{
    const uint16_t a[4] = {A.Major, A.Minor, A.Release, A.Build};
    const uint16_t b[4] = {B.Major, B.Minor, B.Release, B.Build};
    for (int i = 0; i < 4; ++i)
        if (a[i] != b[i])
            return a[i] > b[i] ? 1 : -1;
    return 0;
}

namespace {

struct TVersionName {
    uint16_t Major, Minor, Release, Build;
    const char *Name;
};

TFileVersion V4(const TVersionName &R)
{
    TFileVersion v;
    v.Major = R.Major;
    v.Minor = R.Minor;
    v.Release = R.Release;
    v.Build = R.Build;
    return v;
}

} // namespace

AnsiString HHFriendlyVersion(const TFileVersion &V)
{
    if (V.Text.empty())
        return AnsiString();
    const TFileVersion top = V4({5, 2, 3669, 0, nullptr});
    const int c = CompareVersions(V, top);
    if (c > 0)
        return "> 1.4a";
    if (c == 0)
        return "1.4a";
    static const TVersionName rows[] = {
        {5, 2, 3626, 0, "1.4"},    {4, 74, 9273, 0, "1.33"}, {4, 74, 8857, 0, "1.32"}, {4, 74, 8793, 0, "1.31"},
        {4, 74, 8702, 0, "1.3"},   {4, 73, 8561, 0, "1.22"}, {4, 73, 8474, 0, "1.21a"}, {4, 73, 8412, 0, "1.21"},
        {4, 73, 8252, 0, "1.2"},   {4, 72, 8164, 0, "1.1b"}, {4, 72, 7325, 0, "1.1a"}, {4, 72, 7323, 0, "1.1"},
        {4, 72, 7290, 0, "1.0"},
    };
    for (const TVersionName &r : rows)
        if (CompareVersions(V, V4(r)) >= 0)
            return r.Name;
    return "< 1.0";
}

AnsiString IEFriendlyVersion(const TFileVersion &V)
{
    if (V.Text.empty())
        return AnsiString();
    if (V.Major > 6)
        return ">= Internet Explorer " + V.Text;
    static const TVersionName rows[] = {
        {6, 0, 3790, 0, "Internet Explorer 6 (Windows Server 2003)"},
        {6, 0, 3718, 0, "Internet Explorer 6 (Windows Server 2003 RC2)"},
        {6, 0, 3663, 0, "Internet Explorer 6 (Windows Server 2003 RC1)"},
        {6, 0, 2900, 2180, "Internet Explorer 6 (Windows XP SP2)"},
        {6, 0, 2800, 1106, "Internet Explorer 6 SP1"},
        {6, 0, 2712, 300, "Internet Explorer 6 (Windows XP + minor update)"},
        {6, 0, 2600, 0, "Internet Explorer 6 (Windows XP)"},
        {6, 0, 2479, 6, "Internet Explorer 6 Public Preview (Beta) Refresh"},
        {6, 0, 2462, 0, "Internet Explorer 6 Public Preview (Beta)"},
        {5, 50, 4807, 2300, "Internet Explorer 5.5 Service Pack 2"},
        {5, 50, 4522, 1800, "Internet Explorer 5.5 Service Pack 1"},
        {5, 50, 4308, 2900, "Internet Explorer 5.5 Advanced Security Privacy Beta"},
        {5, 50, 4134, 600, "Internet Explorer 5.5"},
        {5, 50, 4134, 100, "Internet Explorer 5.5 for Windows Me (4.90.3000)"},
        {5, 50, 4030, 2400, "Internet Explorer 5.5 & Internet Tools Beta"},
        {5, 50, 3825, 1300, "Internet Explorer 5.5 Developer Preview"},
        {5, 0, 2919, 6400, "Internet Explorer 5.01"},
        {5, 0, 2919, 6307, "Internet Explorer 5.01"},
        {5, 0, 2919, 3800, "Internet Explorer 5.01 (Windows 2000 RC2, build 5.00.2128)"},
        {5, 0, 2919, 800, "Internet Explorer 5.01 (Windows 2000 RC1, build 5.00.2072)"},
        {5, 0, 2723, 2900, "Internet Explorer 5.0 updated"},
        {5, 0, 2721, 1400, "Internet Explorer 5.0 updated"},
        {5, 0, 2614, 0, "Internet Explorer 5.0b"},
        {5, 0, 2314, 0, "Internet Explorer 5.0a"},
        {5, 0, 2014, 0, "Internet Explorer 5.0"},
        {5, 0, 910, 0, "Internet Explorer 5 Beta (Beta 2)"},
        {5, 0, 518, 0, "Internet Explorer 5 Developer Preview (Beta 1)"},
        {4, 72, 3612, 0, "Internet Explorer 4.01 Service Pack 2 (SP2)"},
        {4, 72, 3110, 0, "Internet Explorer 4.01 Service Pack 1 (SP1)"},
        {4, 72, 2106, 0, "Internet Explorer 4.01"},
        {4, 71, 1712, 0, "Internet Explorer 4.0"},
        {4, 71, 1008, 0, "Internet Explorer 4.0 Platform Preview 2.0 (PP2)"},
        {4, 71, 544, 0, "Internet Explorer 4.0 Platform Preview 1.0 (PP1)"},
        {4, 70, 1300, 0, "Internet Explorer 3.02"},
        {4, 70, 1215, 0, "Internet Explorer 3.01"},
        {4, 70, 1158, 0, "Internet Explorer 3.0 (OSR2)"},
        {4, 70, 1155, 0, "Internet Explorer 3.0"},
        {4, 40, 520, 0, "Internet Explorer 2.0"},
        {4, 40, 308, 0, "Internet Explorer 1.0 (Plus!)"},
    };
    for (const TVersionName &r : rows)
        if (CompareVersions(V, V4(r)) >= 0)
            return r.Name;
    return "< Internet Explorer 1.0 (Plus!)";
}
