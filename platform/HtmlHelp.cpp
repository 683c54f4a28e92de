#include "platform/HtmlHelp.h"

#include <utility>

namespace {

THtmlHelpProc &Proc()
{
    static THtmlHelpProc proc;
    return proc;
}

THelpEvent &OnHelp()
{
    static THelpEvent handler;
    return handler;
}

} // namespace

void SetHtmlHelpProc(THtmlHelpProc P)
{
    Proc() = std::move(P);
}

bool HHLibraryLoaded()
{
    return bool(Proc());
}

uintptr_t HtmlHelp(const AnsiString *File, unsigned Command, uintptr_t Data)
{
    // A copy: the viewer may unregister itself while it runs.
    const THtmlHelpProc p = Proc();
    return p ? p(File, Command, Data) : 0;
}

const THelpEvent &ApplicationOnHelp()
{
    return OnHelp();
}

THelpEvent SetApplicationOnHelp(THelpEvent Handler)
{
    return std::exchange(OnHelp(), std::move(Handler));
}

bool ApplicationHelpCommand(uint16_t Command, intptr_t Data)
{
    const THelpEvent handler = OnHelp();
    if (!handler)
        return false;
    bool callHelp = true;
    const bool handled = handler(Command, Data, callHelp);
    return handled && !callHelp;
}

bool ApplicationHelpContext(int Context)
{
    return ApplicationHelpCommand(HELP_CONTEXT, Context);
}
