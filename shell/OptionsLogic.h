#pragma once
// What the options dialog decides without a window: the browsers found on the desktop, the
// caption naming the default browser, the colours the restore buttons give, the number fields'
// fallbacks and the "Edit with Quillmar" desktop entry that associates the program with HTML and
// JavaScript files.
#include "platform/Types.h"
#include "shell/Settings.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

// What browser detection asks of the desktop; System() gives the real one, tests make their own.
struct TBrowserEnvironment {
    // The desktop's default browser as `xdg-settings get default-web-browser` prints it (a
    // desktop file name such as "firefox.desktop"), empty when there is none.
    std::function<QString()> DefaultBrowser;
    // The full path of a program found on PATH, empty when it is not there.
    std::function<QString(const QString &Name)> FindExecutable;

    static TBrowserEnvironment System();
};

struct TBrowserDetection {
    WideString DefaultCommand; // the default browser as the desktop names it
    std::vector<WideString> Browsers; // program names of the known browsers found, in order
};

// The known browsers (in the order they are listed) that are on PATH, and the default browser.
TBrowserDetection DetectBrowsers(const TBrowserEnvironment &Environment);
// The names DetectBrowsers looks for.
const std::vector<QString> &KnownBrowsers();

// "Use default (system) browser - " followed by the program part of Command: the text after its
// last folder separator, cut where ".exe" or ".desktop" starts (arguments go with it).
WideString DefaultBrowserCaption(const WideString &Command);

// The text of a number field, trimmed, as an integer; Fallback when it is no number.
int NumberOr(const QString &Text, int Fallback);

// The restore buttons: every background becomes EditorBackground.
void RestoreJavascriptDefaults(TJavascriptColours &Colours, int EditorBackground);
void RestoreHTMLDefaults(THTMLColours &Colours, int EditorBackground);
// The five application colours: editor, navigation tree, errors, line numbers, marked line.
struct TAppColours {
    int EditBackground = 0, TreeView = 0, Errors = 0, Gutter = 0, Marked = 0;
    bool operator==(const TAppColours &) const = default;
};
TAppColours DefaultAppColours();

// ---- the "Edit with Quillmar" desktop entry

// Which file kinds the entry offers the program for.
struct TAssociations {
    bool Html = false;
    bool Js = false;
    bool operator==(const TAssociations &) const = default;
};

// The user's XDG data folder: $XDG_DATA_HOME, else ~/.local/share.
QString UserDataFolder();
// The entry's file under DataFolder ("applications/quillmar-edit.desktop").
QString AssociationFile(const QString &DataFolder);
// The entry as it is written for Program (an absolute path) and the kinds in Kinds.
std::string AssociationEntryText(const QString &Program, TAssociations Kinds);
// The kinds the entry under DataFolder offers now (none when there is no entry).
TAssociations ReadAssociations(const QString &DataFolder);
// Makes the entry offer Now: written when some kind is on, removed when none is. Nothing is
// touched when Now equals Was. False with Error when the file could not be written or removed.
bool WriteAssociations(const QString &DataFolder, const QString &Program, TAssociations Was, TAssociations Now,
                       QString &Error);
