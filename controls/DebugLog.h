#pragma once
// The help system's debug log: a plain-text trace, switched on by a marker file "debug.debug"
// beside the program or by the argument /debug or -debug (any case). When on, each run starts a
// new log with a report of the system; when off, an old log is deleted and nothing is written.
//
// The log lives in a per-user folder ($XDG_STATE_HOME/quillmar, else ~/.local/state/quillmar),
// made for the user alone. The file is never opened through a symbolic link and is created
// exclusively; a folder that cannot be written means no log (there is no second place).
// Lines are formatted by FormatLogLine, never by printf: text among the arguments is written as
// it is, whatever "%" it holds.
#include "platform/Types.h"

#include <cstdint>
#include <functional>
#include <type_traits>
#include <string>
#include <vector>

// One argument of a log line: a text (UTF-8) or a whole number.
class TLogArg {
public:
    TLogArg(const char *Text) : FText(Text ? Text : "") {}
    TLogArg(const std::string &Text) : FText(Text) {}
    TLogArg(const WideString &Text);
    template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
    TLogArg(T Number) : FText(std::to_string(Number))
    {
    }
    const std::string &Text() const { return FText; }

private:
    std::string FText;
};
using TLogArgs = std::vector<TLogArg>;

// %s and %d write the next argument, %% writes "%"; a directive past the last argument writes
// nothing, and any other "%" is written as it stands.
std::string FormatLogLine(const std::string &Format, const TLogArgs &Args);

// What the log's header reports besides the system (kernel, locale), which it reads itself.
struct TDebugLogSystem {
    AnsiString ModulePath; // the program file
    AnsiString ModuleDir; // its folder, no trailing "/"
    AnsiString ModuleName;
    AnsiString RunDir; // folder of the path the program was started by
    AnsiString ExeVersion;
    std::vector<AnsiString> Arguments; // the command line, the program first
    // The in-process help viewer and the text browser behind it.
    bool HHInstalled = false;
    AnsiString HHVerStr;
    AnsiString HHFriendlyVerStr;
    bool IEInstalled = false;
    AnsiString IEVerStr;
    AnsiString IEFriendlyVerStr;
};

class TDLogFile {
public:
    // An empty FileName is the log folder + "/HHDebug.txt". A folder that does not exist or
    // cannot be written leaves the log without a file: nothing is ever written.
    TDLogFile(const AnsiString &FileName, bool DebugMode, bool TimeStamp, bool HeaderDump, bool AppendMode,
              const TDebugLogSystem &System = TDebugLogSystem());
    virtual ~TDLogFile() = default;

    // Appends one line: "-" and "=" become 80 of that character, a line starting with "!", "-"
    // or "=" loses that character and gets no time stamp, any other gets the time and three
    // blanks. A file that cannot be opened drops the line.
    void WriteLine(const std::string &Format, const TLogArgs &Args = {});
    // WriteLine in debug mode only.
    void Log(const std::string &Format, const TLogArgs &Args = {});
    // Always shows the text in a warning box; logs it in debug mode.
    void ShowAndLog(const std::string &Format, const TLogArgs &Args = {});

    AnsiString LogFileName; // empty: no log
    bool DebugMode;
    bool TimeStamp;
    bool HeaderDump;
    bool AppendMode;
    // The time of a line's stamp ("hh:mm:ss"); tests fix it.
    std::function<std::string()> TimeText;

private:
    void WriteHeader(const TDebugLogSystem &System);
};

// The per-user log folder (not created here).
AnsiString DebugLogFolder();
// Makes Folder (and its parents) for the user alone when missing; true when it exists then.
bool ForceLogFolder(const AnsiString &Folder);
// True when a file can be created in Folder (tried with a uniquely named file, removed again).
bool IsFolderWritable(const AnsiString &Folder);

// The debug switch: a file "debug.debug" in ModuleDir, or an argument (after the program)
// equal to "/debug" or "-debug" without regard to case.
bool DebugSwitchOn(const AnsiString &ModuleDir, const std::vector<AnsiString> &Arguments);

// Sets up the program's log object (replacing an earlier one): the switch, then the log in
// LogFolder (empty: DebugLogFolder()) with a time stamp, a header and a new file each run.
void DebugLogInit(const TDebugLogSystem &System, const AnsiString &LogFolder = AnsiString());
// Frees the log object; DebugLog writes nothing afterwards.
void DebugLogDone();
// The program's log object, null before DebugLogInit.
TDLogFile *DebugLogFile();
void DebugLog(const std::string &Format, const TLogArgs &Args = {});
// Shows the text in a warning box even without a log object.
void DebugShowAndLog(const std::string &Format, const TLogArgs &Args = {});

// Four-part file versions.
struct TFileVersion {
    uint16_t Major = 0;
    uint16_t Minor = 0;
    uint16_t Release = 0;
    uint16_t Build = 0;
    AnsiString Text; // "major.minor.release.build", empty when unknown
};
// The version a file carries. Programs and libraries here carry it in their file name after
// ".so." (libchm.so.1.0.0 is 1.0.0.0); a link is followed to the file it names. Anything else
// has no version: all zero and an empty text.
TFileVersion GetFileVersion(const AnsiString &File);
// A version from text "a.b.c.d" (missing parts 0); an empty text when S holds no number.
TFileVersion ParseFileVersion(const std::string &S);
// The running system as the log's header names it: the kernel's name, its major and minor, its
// patch level as the build and its version text ("Linux 6.1 (Build 0) #1 SMP ...").
AnsiString OperatingSystemText();
// The browser control's reading: a 4.70 or older version with release 0 keeps its build
// number as the release.
TFileVersion AdjustIEVersion(TFileVersion V);
// 1 when A > B, 0 when equal, -1 when A < B, part by part from the major.
int CompareVersions(const TFileVersion &A, const TFileVersion &B);
// Names of help control and browser control versions; empty for an empty version text.
AnsiString HHFriendlyVersion(const TFileVersion &V);
AnsiString IEFriendlyVersion(const TFileVersion &V);
