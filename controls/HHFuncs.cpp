// The help hook and its helpers (the viewer launcher's default is in HelpViewerLauncher.cpp).
#include "controls/HHFuncs.h"

#include "controls/DebugLog.h"
#include "platform/Prompter.h"

#include <cerrno>

THookHelpSystem::THookHelpSystem(const AnsiString &AChmFile, const AnsiString &AWinDef, uint8_t AHostType)
    : ChmFile(AChmFile), WinDef(AWinDef), HostType(AHostType)
{
    FPrevious = SetApplicationOnHelp(
        [this](uint16_t Command, intptr_t Data, bool &CallHelp) { return HelpHook(Command, Data, CallHelp); });
    DebugLog("THookHelpSystem.Create(\"%s\",\"%s\", %d)", {ChmFile, WinDef, int(HostType)});
}

THookHelpSystem::~THookHelpSystem()
{
    if (HostType == 0)
        HHCloseAll();
    SetApplicationOnHelp(std::move(FPrevious));
    DebugLog("THookHelpSystem.Destroy");
}

bool THookHelpSystem::HelpHook(uint16_t Command, intptr_t Data, bool &CallHelp)
{
    DebugLog("THookHelpSystem.HelpHook(%s, %d)", {HelpCommandName(Command), int64_t(Data)});
    CallHelp = false;
    switch (Command) {
    case HELP_CONTEXT:
    case HELP_CONTEXTPOPUP:
        ShowHelpContext(int(Data));
        break;
    case HELP_SETPOPUP_POS:
        break;
    default:
        CallHelp = true;
        break;
    }
    return true;
}

void THookHelpSystem::ShowHelpContext(int Id)
{
    HHShowError(HHHelpContext(ChmFile, Id, WinDef, HostType));
}

// ============================================================================ URLs

namespace {

AnsiString CleanPart(AnsiString S)
{
    ReplaceAll(S, "%20", " ");
    return StripChar(S, ' ', TStripMode::smBoth);
}

bool SameTextAscii(const AnsiString &A, const AnsiString &B)
{
    if (A.size() != B.size())
        return false;
    for (size_t i = 0; i < A.size(); ++i) {
        char a = A[i], b = B[i];
        if (a >= 'A' && a <= 'Z')
            a = char(a + 32);
        if (b >= 'A' && b <= 'Z')
            b = char(b + 32);
        if (a != b)
            return false;
    }
    return true;
}

} // namespace

AnsiString HHFormatURL(AnsiString File, AnsiString Topic, AnsiString WinDef, int Prefix)
{
    File = CleanPart(File);
    Topic = CleanPart(Topic);
    WinDef = CleanPart(WinDef);
    AnsiString url;
    if (!Topic.empty()) {
        ReplaceAll(Topic, "\\", "/");
        if (Topic[0] != '/')
            Topic = "/" + Topic;
        url = File.empty() ? Topic : File + "::" + Topic;
    } else {
        url = File;
    }
    if (!WinDef.empty())
        url += ">" + WinDef;
    if (Prefix == 1)
        return "mk:@MSITStore:" + url;
    if (Prefix == 2)
        return "ms-its:" + url;
    return url;
}

AnsiString ChmFileOfURL(const AnsiString &URL)
{
    AnsiString s = URL;
    for (const char *prefix : {"mk:@MSITStore:", "ms-its:"})
        if (s.size() >= std::char_traits<char>::length(prefix) &&
            SameTextAscii(s.substr(0, std::char_traits<char>::length(prefix)), prefix)) {
            s.erase(0, std::char_traits<char>::length(prefix));
            break;
        }
    if (const size_t gt = s.find('>'); gt != AnsiString::npos)
        s.erase(gt);
    if (const size_t topic = s.find("::"); topic != AnsiString::npos)
        s.erase(topic);
    return s;
}

int HHHelpContext(const AnsiString &File, int Id, const AnsiString &WinDef, int HostType)
{
    DebugLog("HHHelpContext(\"%s\", %d, \"%s\", %d)", {File, Id, WinDef, HostType});
    const AnsiString url = HHFormatURL(File, AnsiString(), WinDef, HostType == 2 ? 1 : 0);
    return ShowContext(url, Id, HostType);
}

int ShowContext(const AnsiString &URL, int Id, int HostType)
{
    DebugLog("ShowContext(\"%s\", %d)", {URL, Id});
    int result = HH_OK;
    if (!HHLibraryLoaded()) {
        result = HH_NOT_INSTALLED;
    } else if (HostType == 0) {
        // The help window brings itself to the front when it shows the topic.
        HtmlHelp(&URL, HH_HELP_CONTEXT, uintptr_t(Id));
    } else if (HostType == 1 || HostType == 2) {
        AnsiString program;
        THelpViewerLauncher &launcher = HelpViewerLauncher();
        for (const AnsiString &name : HelpViewerPrograms()) {
            program = launcher.Find ? launcher.Find(name) : AnsiString();
            if (!program.empty())
                break;
        }
        if (program.empty())
            result = HostType == 1 ? HH_NO_KEYHH : HH_NO_HH;
        else
            ShellExec(program, {"--contextid=" + std::to_string(Id), ChmFileOfURL(URL)});
    }
    DebugLog("  returned - %d", {result});
    return result;
}

AnsiString HHErrorText(int Code)
{
    switch (Code) {
    case HH_OK: return AnsiString();
    case HH_NOT_INSTALLED: return "MS Html Help is not installed on this PC.";
    case HH_NO_KEYHH: return "System file KeyHH.EXE was not found in the Windows folder.";
    case HH_NO_HH: return "System file HH.EXE was not found in the Windows folder.";
    default: return "Unknown error returned by HHHelpContext";
    }
}

void HHShowError(int Code)
{
    const AnsiString text = HHErrorText(Code);
    if (text.empty())
        return;
    MsgBox(text, MB_ICONEXCLAMATION);
    DebugLog("HHShowError(%d), \"%s\"", {Code, text});
}

void HHCloseAll()
{
    if (HHLibraryLoaded())
        HtmlHelp(nullptr, HH_CLOSE_ALL, 0);
}

int MsgBox(const AnsiString &Text, unsigned Flags)
{
    TMsgDlgType kind = TMsgDlgType::mtInformation;
    switch (Flags & 0xF0u) {
    case 0x10: kind = TMsgDlgType::mtError; break;
    case 0x20: kind = TMsgDlgType::mtConfirmation; break;
    case 0x30: kind = TMsgDlgType::mtWarning; break;
    default: break;
    }
    // Texts of the help system are ASCII, paths UTF-8: read them as UTF-8.
    WideString text;
    for (size_t i = 0; i < Text.size();) {
        const unsigned char c = static_cast<unsigned char>(Text[i]);
        if (c < 0x80) {
            text += char16_t(c);
            ++i;
            continue;
        }
        const int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (len == 1 || i + size_t(len) > Text.size()) {
            text += u'\uFFFD';
            ++i;
            continue;
        }
        char32_t cp = c & (0xFF >> (len + 1));
        for (int k = 1; k < len; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(Text[i + size_t(k)]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            text += char16_t(0xD800 + (cp >> 10));
            text += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            text += char16_t(cp);
        }
        i += size_t(len);
    }
    return MessageDlg(text, kind, mbOK);
}

AnsiString HelpCommandName(unsigned Command)
{
    const char *name = "??";
    switch (Command) {
    case 1: name = "HELP_CONTEXT"; break;
    case 2: name = "HELP_QUIT"; break;
    case 3: name = "HELP_INDEX or HELP_CONTENTS"; break;
    case 4: name = "HELP_HELPONHELP"; break;
    case 5: name = "HELP_SETINDEX or HELP_SETCONTENTS"; break;
    case 8: name = "HELP_CONTEXTPOPUP"; break;
    case 9: name = "HELP_FORCEFILE"; break;
    case 10: name = "HELP_CONTEXTMENU"; break;
    case 11: name = "HELP_FINDER"; break;
    case 12: name = "HELP_WM_HELP"; break;
    case 13: name = "HELP_SETPOPUP_POS"; break;
    case 257: name = "HELP_KEY"; break;
    case 258: name = "HELP_COMMAND"; break;
    case 261: name = "HELP_PARTIALKEY"; break;
    case 513: name = "HELP_MULTIKEY"; break;
    case 515: name = "HELP_SETWINPOS"; break;
    default: break;
    }
    return std::to_string(Command) + " (" + name + ")";
}

// ============================================================================ viewer programs

const std::vector<AnsiString> &HelpViewerPrograms()
{
    static const std::vector<AnsiString> names = {"xchm"};
    return names;
}

bool ShellExec(const AnsiString &Program, const std::vector<AnsiString> &Args)
{
    int error = 0;
    THelpViewerLauncher &launcher = HelpViewerLauncher();
    if (launcher.Start && launcher.Start(Program, Args, error))
        return true;
    AnsiString params;
    for (const AnsiString &a : Args)
        params += (params.empty() ? "" : " ") + a;
    DebugShowAndLog("Function ShellExecute(%s)\rReturned: %s",
                    {Program + ", " + params, ShellErrorText(ShellErrorCode(error))});
    return false;
}

AnsiString ShellErrorText(int Code)
{
    const char *text = "General Failure";
    switch (Code) {
    case 2: text = "File Not Found"; break;
    case 3: text = "Path Not Found"; break;
    case 5: text = "Access Denied"; break;
    case 8: text = "Insufficient Memory"; break;
    case 19: text = "Media Is Write Protected"; break;
    case 21: text = "Device Not Ready"; break;
    case 32:
    case 33: text = "File In Use"; break;
    case 39:
    case 112: text = "Disk Full"; break;
    case 276:
    case 1005:
    case 1392:
    case 1393: text = "Corrupt File Or Disk"; break;
    case 1009:
    case 1358: text = "Corrupt Registry"; break;
    case 1150: text = "Windows Version Incorrect"; break;
    case 1151: text = "Not A Windows Or MSDos Program"; break;
    default: break;
    }
    return "[Error:" + std::to_string(Code) + "] " + text;
}

int ShellErrorCode(int Errno)
{
    switch (Errno) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG: return 3;
    case EACCES:
    case EPERM: return 5;
    case ENOMEM:
    case E2BIG: return 8;
    case EROFS: return 19;
    case ETXTBSY: return 32;
    case ENOSPC:
    case EDQUOT: return 39;
    case EIO: return 1392;
    case ENOEXEC: return 1151;
    default: return 31; // a general failure
    }
}

// ============================================================================ string helpers

int StrPosOf(const AnsiString &Sub, const AnsiString &S)
{
    if (Sub.empty())
        return 0;
    const size_t p = S.find(Sub);
    return p == AnsiString::npos ? 0 : int(p) + 1;
}

bool ReplaceFirst(AnsiString &S, const AnsiString &Old, const AnsiString &New)
{
    const int p = StrPosOf(Old, S);
    if (p == 0)
        return false;
    S.replace(size_t(p - 1), Old.size(), New);
    return true;
}

int ReplaceAll(AnsiString &S, const AnsiString &Old, const AnsiString &New)
{
    // Replaces from left to right past each replacement, so a New that holds Old cannot loop.
    if (Old.empty())
        return 0;
    int count = 0;
    size_t from = 0;
    for (size_t p; (p = S.find(Old, from)) != AnsiString::npos; ++count) {
        S.replace(p, Old.size(), New);
        from = p + New.size();
    }
    return count;
}

AnsiString StripChar(const AnsiString &S, char C, TStripMode Mode)
{
    size_t begin = 0, end = S.size();
    if (Mode != TStripMode::smEnd)
        while (begin < end && S[begin] == C)
            ++begin;
    if (Mode != TStripMode::smStart)
        while (end > begin && S[end - 1] == C)
            --end;
    return S.substr(begin, end - begin);
}

AnsiString RepeatChar(char C, int N)
{
    return N > 0 ? AnsiString(size_t(N), C) : AnsiString();
}

AnsiString YesNo(bool B)
{
    return B ? "YES" : "NO";
}
