#pragma once
// One place where the program asks the user something or tells the user something.
// Every message box and yes/no question goes through the installed prompter, so tests script
// the answers (TScriptedPrompter) and the window shows real boxes (TMessageBoxPrompter).
// Texts are WideString (UTF-16); the result is one of the mr* values below.
#include "platform/Types.h"
#include <deque>
#include <vector>

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons are bits; the answers use the numbers the program stores and compares.
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons mbYes = 1u << 0;
constexpr TMsgDlgButtons mbNo = 1u << 1;
constexpr TMsgDlgButtons mbOK = 1u << 2;
constexpr TMsgDlgButtons mbCancel = 1u << 3;
constexpr TMsgDlgButtons mbAbort = 1u << 4;
constexpr TMsgDlgButtons mbRetry = 1u << 5;
constexpr TMsgDlgButtons mbIgnore = 1u << 6;
constexpr TMsgDlgButtons mbAll = 1u << 7;
constexpr TMsgDlgButtons mbNoToAll = 1u << 8;
constexpr TMsgDlgButtons mbYesToAll = 1u << 9;
constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;
constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;

constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;
constexpr int mrRetry = 4;
constexpr int mrIgnore = 5;
constexpr int mrYes = 6;
constexpr int mrNo = 7;
constexpr int mrAll = 8;
constexpr int mrNoToAll = 9;
constexpr int mrYesToAll = 10;

struct TPrompt {
    TMsgDlgType Kind = TMsgDlgType::mtInformation;
    WideString Caption; // empty: the application's title
    WideString Text;
    TMsgDlgButtons Buttons = mbOK;
    int DefaultResult = mrNone; // mrNone: the first button
};

class IPrompter {
public:
    virtual ~IPrompter() = default;
    // Shows the prompt modally and returns the answer (mrCancel when the box is closed).
    virtual int Ask(const TPrompt &prompt) = 0;
};

// The installed prompter (never null: until one is installed, a scripted prompter that answers
// every prompt with its default is used, so logic code run without a window never blocks).
IPrompter &Prompter();
// Installs `prompter` (not owned; nullptr restores the default). Returns the previous one.
IPrompter *SetPrompter(IPrompter *prompter);

// Convenience wrappers over Prompter().Ask.
// How many prompts are being asked now (prompts asked while another one is up count too): work
// that would change what a prompt asks about waits while this is not zero.
int OpenPromptCount();
int MessageDlg(const WideString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int defaultResult = mrNone);
void ShowMessage(const WideString &text);
void ShowError(const WideString &text);

// A prompter for tests and for code that runs without a window: answers from a queue, then with
// the prompt's default (or its first button); records every prompt it was asked.
class TScriptedPrompter : public IPrompter {
public:
    int Ask(const TPrompt &prompt) override;
    void Answer(int result) { FAnswers.push_back(result); }
    const std::vector<TPrompt> &Asked() const { return FAsked; }
    void Clear()
    {
        FAnswers.clear();
        FAsked.clear();
    }

private:
    std::deque<int> FAnswers;
    std::vector<TPrompt> FAsked;
};

// Installs a prompter for the lifetime of the guard and puts the previous one back.
class TPrompterScope {
public:
    explicit TPrompterScope(IPrompter &prompter) : FPrevious(SetPrompter(&prompter)) {}
    ~TPrompterScope() { SetPrompter(FPrevious); }
    TPrompterScope(const TPrompterScope &) = delete;
    TPrompterScope &operator=(const TPrompterScope &) = delete;

private:
    IPrompter *FPrevious;
};

// The first answer a prompt offers, in the order Yes, OK, No, Cancel, Abort, Retry, Ignore, All,
// NoToAll, YesToAll.
int FirstResultOf(TMsgDlgButtons buttons);
