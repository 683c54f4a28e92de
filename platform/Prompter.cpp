#include "platform/Prompter.h"

#include "platform/ScopeGuard.h"

namespace {

TScriptedPrompter &DefaultPrompter()
{
    static TScriptedPrompter prompter;
    return prompter;
}

IPrompter *&Installed()
{
    static IPrompter *installed = nullptr;
    return installed;
}

int OpenPrompts = 0;

} // namespace

IPrompter &Prompter()
{
    IPrompter *p = Installed();
    return p ? *p : DefaultPrompter();
}

IPrompter *SetPrompter(IPrompter *prompter)
{
    IPrompter *previous = Installed();
    Installed() = prompter;
    return previous;
}

int FirstResultOf(TMsgDlgButtons buttons)
{
    static const std::pair<TMsgDlgButtons, int> order[] = {
        {mbYes, mrYes},     {mbOK, mrOk},         {mbNo, mrNo},   {mbCancel, mrCancel},   {mbAbort, mrAbort},
        {mbRetry, mrRetry}, {mbIgnore, mrIgnore}, {mbAll, mrAll}, {mbNoToAll, mrNoToAll}, {mbYesToAll, mrYesToAll},
    };
    for (const auto &[bit, result] : order)
        if (buttons & bit)
            return result;
    return mrOk;
}

int TScriptedPrompter::Ask(const TPrompt &prompt)
{
    FAsked.push_back(prompt);
    if (!FAnswers.empty()) {
        const int answer = FAnswers.front();
        FAnswers.pop_front();
        return answer;
    }
    return prompt.DefaultResult != mrNone ? prompt.DefaultResult : FirstResultOf(prompt.Buttons);
}

int MessageDlg(const WideString &text, TMsgDlgType kind, TMsgDlgButtons buttons, int defaultResult)
{
    TPrompt p;
    p.Kind = kind;
    p.Text = text;
    p.Buttons = buttons;
    p.DefaultResult = defaultResult;
    ++OpenPrompts;
    TScopeGuard asked([] { --OpenPrompts; });
    return Prompter().Ask(p);
}

int OpenPromptCount()
{
    return OpenPrompts;
}

void ShowMessage(const WideString &text)
{
    MessageDlg(text, TMsgDlgType::mtInformation, mbOK);
}

void ShowError(const WideString &text)
{
    MessageDlg(text, TMsgDlgType::mtError, mbOK);
}
