// The help hook: URLs, command names, result messages, what each host type starts, and the
// hook's place in the application's help event.
#include "controls/DebugLog.h"
#include "controls/HHFuncs.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

std::vector<std::string> PromptTexts(const TScriptedPrompter &P)
{
    std::vector<std::string> r;
    for (const TPrompt &p : P.Asked())
        r.push_back(ToQString(p.Text).toStdString());
    return r;
}

// The in-process viewer and the viewer programs replaced by recorders for one test.
struct HelpHook : ::testing::Test {
    struct TCall {
        std::string File;
        unsigned Command;
        uintptr_t Data;
    };
    std::vector<TCall> Viewer;
    std::vector<std::string> Looked;
    std::vector<std::pair<std::string, std::vector<std::string>>> Started;
    std::string Installed = "/usr/bin/xchm"; // what Find answers; empty: nothing on PATH
    int StartError = 0; // errno a failing start reports; 0: starts
    THelpViewerLauncher Saved;
    TScriptedPrompter Prompts;
    TPrompterScope Scope{Prompts};

    void SetUp() override
    {
        SetHtmlHelpProc([this](const AnsiString *File, unsigned Command, uintptr_t Data) -> uintptr_t {
            Viewer.push_back({File ? *File : std::string("<null>"), Command, Data});
            return 1;
        });
        Saved = HelpViewerLauncher();
        HelpViewerLauncher().Find = [this](const AnsiString &Name) {
            Looked.push_back(Name);
            return Installed;
        };
        HelpViewerLauncher().Start = [this](const AnsiString &Program, const std::vector<AnsiString> &Args,
                                            int &Error) {
            Started.push_back({Program, Args});
            Error = StartError;
            return StartError == 0;
        };
    }
    void TearDown() override
    {
        SetHtmlHelpProc(nullptr);
        HelpViewerLauncher() = Saved;
    }
};

} // namespace

TEST(HelpURL, FormatsFileTopicWindowAndPrefix)
{
    struct Case {
        const char *File, *Topic, *WinDef;
        int Prefix;
        const char *URL;
    };
    const Case cases[] = {
        {"C:\\App\\Help.chm", "", "", 0, "C:\\App\\Help.chm"}, // the file alone, unchanged
        {"C:\\App\\Help.chm", "", "", 1, "mk:@MSITStore:C:\\App\\Help.chm"},
        {"/opt/My%20Help/Quill%20mar.chm", "", "", 0, "/opt/My Help/Quill mar.chm"},
        {"  /opt/q.chm %20", "", "", 0, "/opt/q.chm"}, // blanks (also from %20) off both ends
        {"/opt/q.chm", "topics\\find.htm", "", 2, "ms-its:/opt/q.chm::/topics/find.htm"},
        {"/opt/q.chm", "/a.htm", "main", 0, "/opt/q.chm::/a.htm>main"},
        {"", "a.htm", "", 0, "/a.htm"}, // a topic without a file
        {"/opt/q.chm", "", " win ", 1, "mk:@MSITStore:/opt/q.chm>win"},
        {"/opt/q.chm", "   ", "", 0, "/opt/q.chm"}, // a blank topic is no topic
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.File) + "|" + c.Topic + "|" + c.WinDef);
        const AnsiString url = HHFormatURL(c.File, c.Topic, c.WinDef, c.Prefix);
        EXPECT_EQ(url, c.URL);
    }
    EXPECT_EQ(ChmFileOfURL("mk:@MSITStore:/opt/q.chm::/a.htm>win"), "/opt/q.chm");
    EXPECT_EQ(ChmFileOfURL("MS-ITS:/opt/q.chm"), "/opt/q.chm");
    EXPECT_EQ(ChmFileOfURL("/opt/q.chm>main"), "/opt/q.chm");
}

TEST(HelpURL, CommandNamesAndResultTexts)
{
    const std::pair<unsigned, const char *> names[] = {
        {1, "1 (HELP_CONTEXT)"},       {3, "3 (HELP_INDEX or HELP_CONTENTS)"},
        {5, "5 (HELP_SETINDEX or HELP_SETCONTENTS)"}, {8, "8 (HELP_CONTEXTPOPUP)"},
        {13, "13 (HELP_SETPOPUP_POS)"}, {258, "258 (HELP_COMMAND)"},
        {515, "515 (HELP_SETWINPOS)"},  {6, "6 (?\?)"},
        {0, "0 (?\?)"},                 {514, "514 (?\?)"},
    };
    for (const auto &[command, name] : names)
        EXPECT_EQ(HelpCommandName(command), name);

    const std::pair<int, const char *> texts[] = {
        {0, ""},
        {1, "MS Html Help is not installed on this PC."},
        {2, "System file KeyHH.EXE was not found in the Windows folder."},
        {3, "System file HH.EXE was not found in the Windows folder."},
        {4, "Unknown error returned by HHHelpContext"},
        {-1, "Unknown error returned by HHHelpContext"},
    };
    for (const auto &[code, text] : texts)
        EXPECT_EQ(HHErrorText(code), text);
}

TEST(HelpURL, ShellErrorsAndStringHelpers)
{
    const std::pair<int, const char *> errors[] = {
        {2, "[Error:2] File Not Found"},       {3, "[Error:3] Path Not Found"},
        {33, "[Error:33] File In Use"},        {112, "[Error:112] Disk Full"},
        {1393, "[Error:1393] Corrupt File Or Disk"}, {1358, "[Error:1358] Corrupt Registry"},
        {1151, "[Error:1151] Not A Windows Or MSDos Program"}, {31, "[Error:31] General Failure"},
        {0, "[Error:0] General Failure"},
    };
    for (const auto &[code, text] : errors)
        EXPECT_EQ(ShellErrorText(code), text);
    EXPECT_EQ(ShellErrorText(ShellErrorCode(ENOENT)), "[Error:2] File Not Found");
    EXPECT_EQ(ShellErrorText(ShellErrorCode(EACCES)), "[Error:5] Access Denied");
    EXPECT_EQ(ShellErrorText(ShellErrorCode(EISDIR)), "[Error:31] General Failure");

    AnsiString s = "a%20b%20%20c";
    EXPECT_EQ(ReplaceAll(s, "%20", " "), 3);
    EXPECT_EQ(s, "a b  c");
    // A replacement that holds what it replaces ends (each match is replaced once).
    s = "xx";
    EXPECT_EQ(ReplaceAll(s, "x", "xx"), 2);
    EXPECT_EQ(s, "xxxx");
    EXPECT_FALSE(ReplaceFirst(s, "y", "z"));
    EXPECT_EQ(StrPosOf("b", "abcb"), 2);
    EXPECT_EQ(StrPosOf("q", "abc"), 0);
    EXPECT_EQ(StripChar("--a-b--", '-', TStripMode::smStart), "a-b--");
    EXPECT_EQ(StripChar("--a-b--", '-', TStripMode::smEnd), "--a-b");
    EXPECT_EQ(StripChar("--a-b--", '-', TStripMode::smBoth), "a-b");
    EXPECT_EQ(StripChar("----", '-', TStripMode::smBoth), "");
    EXPECT_EQ(RepeatChar('=', 3), "===");
    EXPECT_EQ(RepeatChar('=', -1), "");
    EXPECT_EQ(YesNo(true) + YesNo(false), "YESNO");
}

// Host type 0: context requests reach the help window with the file unchanged; a popup
// position is absorbed; other commands are left to the application; the hook goes away with
// its object and closes the help windows.
TEST_F(HelpHook, HookShowsContextsInTheHelpWindow)
{
    bool previousCalled = false;
    const THelpEvent before = SetApplicationOnHelp([&](uint16_t, intptr_t, bool &CallHelp) {
        previousCalled = true;
        CallHelp = true;
        return false;
    });
    {
        THookHelpSystem hook("/opt/App/Help.chm", "", 0);
        EXPECT_TRUE(ApplicationHelpContext(120));
        ASSERT_EQ(Viewer.size(), 1u);
        EXPECT_EQ(Viewer[0].File, "/opt/App/Help.chm");
        EXPECT_EQ(Viewer[0].Command, HH_HELP_CONTEXT);
        EXPECT_EQ(Viewer[0].Data, 120u);

        EXPECT_TRUE(ApplicationHelpCommand(HELP_CONTEXTPOPUP, 7));
        EXPECT_EQ(Viewer.size(), 2u);
        EXPECT_TRUE(ApplicationHelpCommand(HELP_SETPOPUP_POS, 99));
        bool callHelp = false;
        EXPECT_TRUE(hook.HelpHook(HELP_CONTENTS, 0, callHelp));
        EXPECT_TRUE(callHelp);
        EXPECT_FALSE(ApplicationHelpCommand(HELP_QUIT, 0));
        EXPECT_EQ(Viewer.size(), 2u);
        EXPECT_FALSE(previousCalled);
    }
    ASSERT_EQ(Viewer.size(), 3u);
    EXPECT_EQ(Viewer[2].File, "<null>");
    EXPECT_EQ(Viewer[2].Command, HH_CLOSE_ALL);
    // The previous handler is back.
    ApplicationHelpContext(5);
    EXPECT_TRUE(previousCalled);
    SetApplicationOnHelp(before);
    EXPECT_TRUE(Prompts.Asked().empty());
    EXPECT_TRUE(Started.empty());
}

// Host types 1 and 2 start the viewer found on PATH with the context and the help file as
// separate arguments (a path with blanks stays one argument); the window definition and the
// URL prefix never reach it.
TEST_F(HelpHook, ViewerProgramsGetAnArgumentVector)
{
    EXPECT_EQ(HHHelpContext("/opt/My App/Help.chm", 120, "", 2), HH_OK);
    EXPECT_EQ(HHHelpContext("/opt/My App/Help.chm", 7, "main", 1), HH_OK);
    ASSERT_EQ(Started.size(), 2u);
    EXPECT_EQ(Started[0].first, "/usr/bin/xchm");
    EXPECT_EQ(Started[0].second, (std::vector<std::string>{"--contextid=120", "/opt/My App/Help.chm"}));
    EXPECT_EQ(Started[1].second, (std::vector<std::string>{"--contextid=7", "/opt/My App/Help.chm"}));
    EXPECT_EQ(Looked, (std::vector<std::string>{"xchm", "xchm"}));
    EXPECT_TRUE(Viewer.empty());
    EXPECT_TRUE(Prompts.Asked().empty());
}

TEST_F(HelpHook, MissingViewersAndFailedStartsAreReported)
{
    THookHelpSystem one("/opt/h.chm", "", 1);
    THookHelpSystem two("/opt/h.chm", "", 2);
    Installed.clear();
    one.ShowHelpContext(10);
    two.ShowHelpContext(10);
    EXPECT_EQ(PromptTexts(Prompts), (std::vector<std::string>{
                                        "System file KeyHH.EXE was not found in the Windows folder.",
                                        "System file HH.EXE was not found in the Windows folder."}));
    EXPECT_EQ(Prompts.Asked()[0].Kind, TMsgDlgType::mtWarning);
    EXPECT_TRUE(Started.empty());

    // Found but it does not start: the start failure is told, the help call itself succeeded.
    Prompts.Clear();
    Installed = "/usr/bin/xchm";
    StartError = ENOENT;
    EXPECT_EQ(HHHelpContext("/opt/h.chm", 10, "", 1), HH_OK);
    EXPECT_EQ(PromptTexts(Prompts), (std::vector<std::string>{"Function ShellExecute(/usr/bin/xchm, --contextid=10 "
                                                               "/opt/h.chm)\rReturned: [Error:2] File Not Found"}));

    // No help window registered: "not installed", whatever the host type.
    Prompts.Clear();
    SetHtmlHelpProc(nullptr);
    EXPECT_EQ(HHHelpContext("/opt/h.chm", 10, "", 0), HH_NOT_INSTALLED);
    EXPECT_EQ(HHHelpContext("/opt/h.chm", 10, "", 2), HH_NOT_INSTALLED);
    two.ShowHelpContext(3);
    EXPECT_EQ(PromptTexts(Prompts), (std::vector<std::string>{"MS Html Help is not installed on this PC."}));
}
