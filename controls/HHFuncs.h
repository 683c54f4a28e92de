#pragma once
// The help hook: while a THookHelpSystem lives, every help request of the application (F1, the
// Help menu) opens a topic of one compiled help file by its context number, in the platform's
// help window (host type 0) or in a help viewer program (host types 1 and 2). Every step is
// traced through the debug log (controls/DebugLog.h).
#include "platform/HtmlHelp.h"
#include "platform/Types.h"

#include <cstdint>
#include <functional>
#include <vector>

// Results of HHHelpContext and ShowContext.
constexpr int HH_OK = 0;
constexpr int HH_NOT_INSTALLED = 1;
constexpr int HH_NO_KEYHH = 2;
constexpr int HH_NO_HH = 3;

class THookHelpSystem {
public:
    // Installs the hook as the application's help event (the previous one is kept).
    THookHelpSystem(const AnsiString &AChmFile, const AnsiString &AWinDef, uint8_t AHostType);
    // Closes the help windows (host type 0) and puts the previous help event back.
    ~THookHelpSystem();
    THookHelpSystem(const THookHelpSystem &) = delete;
    THookHelpSystem &operator=(const THookHelpSystem &) = delete;

    // The application's help event: context requests are shown, a popup position is absorbed,
    // anything else is left to the application (CallHelp true).
    bool HelpHook(uint16_t Command, intptr_t Data, bool &CallHelp);
    void ShowHelpContext(int Id);

    AnsiString ChmFile;
    AnsiString WinDef;
    uint8_t HostType; // 0 help window, 1 and 2 a viewer program

private:
    THelpEvent FPrevious;
};

// "file::/topic>window" with an optional prefix (1 "mk:@MSITStore:", 2 "ms-its:"). "%20" reads
// as a blank and blanks around each part are dropped; "\" in the topic becomes "/".
AnsiString HHFormatURL(AnsiString File, AnsiString Topic, AnsiString WinDef, int Prefix);
// The help file a URL of HHFormatURL names (prefix, topic and window taken off).
AnsiString ChmFileOfURL(const AnsiString &URL);
int HHHelpContext(const AnsiString &File, int Id, const AnsiString &WinDef, int HostType);
int ShowContext(const AnsiString &URL, int Id, int HostType);
// The message of a result code; empty for success.
AnsiString HHErrorText(int Code);
// Shows the message of a failed result in a warning box.
void HHShowError(int Code);
void HHCloseAll();
// A box with no owner and the application's title; returns the button pressed.
int MsgBox(const AnsiString &Text, unsigned Flags);
constexpr unsigned MB_ICONEXCLAMATION = 0x30;
// "1 (HELP_CONTEXT)" and so on; unknown numbers get "??".
AnsiString HelpCommandName(unsigned Command);

// The viewer programs of host types 1 and 2 and how they start. Find gives the program's path
// ("" when it is not there); Start starts it with an argument vector and gives errno on failure.
struct THelpViewerLauncher {
    std::function<AnsiString(const AnsiString &Name)> Find;
    std::function<bool(const AnsiString &Program, const std::vector<AnsiString> &Args, int &Error)> Start;
};
// The launcher in use (PATH and a detached process unless a test replaced it).
THelpViewerLauncher &HelpViewerLauncher();
// Names looked up on PATH for a viewer that opens a help file at a context number.
const std::vector<AnsiString> &HelpViewerPrograms();
// Starts Program with Args; on failure shows and logs "Function ShellExecute(...)".
bool ShellExec(const AnsiString &Program, const std::vector<AnsiString> &Args);
// "[Error:N] text" for an error code of the table below; other codes read "General Failure".
AnsiString ShellErrorText(int Code);
// The table's code for a system error number (errno).
int ShellErrorCode(int Errno);

// String helpers. Positions count from 1; 0 is "not found".
int StrPosOf(const AnsiString &Sub, const AnsiString &S);
bool ReplaceFirst(AnsiString &S, const AnsiString &Old, const AnsiString &New);
int ReplaceAll(AnsiString &S, const AnsiString &Old, const AnsiString &New);
enum class TStripMode { smStart, smEnd, smBoth };
AnsiString StripChar(const AnsiString &S, char C, TStripMode Mode);
AnsiString RepeatChar(char C, int N);
AnsiString YesNo(bool B);
