#pragma once
// The application's help request and the in-process help viewer.
//
// A help request (a context number from F1 or a menu) goes to the application's help event
// first; a handler installed there (the help hook) decides what to show. The in-process viewer
// is whatever registered its entry point with SetHtmlHelpProc (the help window of the Qt part);
// until one does, HtmlHelp shows nothing and reports "not loaded".
#include "platform/Types.h"

#include <cstdint>
#include <functional>

// Help commands of an application's help request.
constexpr uint16_t HELP_CONTEXT = 1;
constexpr uint16_t HELP_QUIT = 2;
constexpr uint16_t HELP_CONTENTS = 3;
constexpr uint16_t HELP_CONTEXTPOPUP = 8;
constexpr uint16_t HELP_SETPOPUP_POS = 13;

// Commands of the in-process viewer.
constexpr unsigned HH_HELP_CONTEXT = 15;
constexpr unsigned HH_CLOSE_ALL = 18;

// The viewer's entry point: File is the help file (UTF-8 path, optionally followed by
// "::/topic" and ">window"), null for commands that need none. Returns the id of the viewer
// window that shows the result, 0 when nothing is shown.
using THtmlHelpProc = std::function<uintptr_t(const AnsiString *File, unsigned Command, uintptr_t Data)>;

// Registers the in-process viewer (an empty function unregisters it).
void SetHtmlHelpProc(THtmlHelpProc Proc);
// A viewer is registered.
bool HHLibraryLoaded();
// Calls the registered viewer; 0 when none is registered.
uintptr_t HtmlHelp(const AnsiString *File, unsigned Command, uintptr_t Data);

// The application's help event: CallHelp starts true; a handler that sets it keeps the
// application's own help path running.
using THelpEvent = std::function<bool(uint16_t Command, intptr_t Data, bool &CallHelp)>;
const THelpEvent &ApplicationOnHelp();
// Installs Handler and returns the one it replaces.
THelpEvent SetApplicationOnHelp(THelpEvent Handler);
// A help request for Context through the application's help event. False when no handler took
// it (this system has no help path of its own beyond the event).
bool ApplicationHelpContext(int Context);
bool ApplicationHelpCommand(uint16_t Command, intptr_t Data);
