#pragma once
// The program's settings: one field per key of the settings file, named after the key, with
// the key's default as its start value. The main window owns one TSettings, loads it while it
// is created and saves it when it is destroyed; the options dialog and the menus change the
// fields in between. This file also decides where the settings file lives and where the main
// window goes at start.
#include "platform/IniFile.h"
#include "platform/Types.h"

#include <functional>
#include <string>
#include <vector>

// A rectangle in screen pixels.
struct TBoundsRect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TBoundsRect &) const = default;
};

// What the main window's layout holds before the settings are read: the defaults of the
// window bounds and of the two panel sizes derived from its client area.
struct TDefaultLayout {
    int Left = 100;
    int Top = 60;
    int Width = 900;
    int Height = 640;
    int ClientWidth = 900;
    int ClientHeight = 640;
};

// Colours (0x00BBGGRR, or a system colour with the top bit set) and font styles of the
// JavaScript highlighter's token kinds: section "Javascript". TSettings starts them (and the
// [Colours] keys) at the shipped settings' values.
struct TJavascriptColours {
    int CommentFG = 0, CommentBG = 0;
    int NumbersFG = 0, NumbersBG = 0;
    int StringsFG = 0, StringsBG = 0;
    int KeywordsFG = 0, KeywordsBG = 0;
    int CommentStyle = 0, NumbersStyle = 0, StringsStyle = 0, KeywordsStyle = 0;
};

// The same for the HTML highlighter: section "HTML". The numbers background key is written
// "NumberBG", without the s.
struct THTMLColours {
    int CommentFG = 0, CommentBG = 0;
    int NumbersFG = 0, NumberBG = 0;
    int StringsFG = 0, StringsBG = 0;
    int TagsFG = 0, TagsBG = 0;
    int ScriptFG = 0, ScriptBG = 0;
    int NamesFG = 0, NamesBG = 0;
    int CommentStyle = 0, NumbersStyle = 0, StringsStyle = 0, TagsStyle = 0, ScriptStyle = 0, NamesStyle = 0;
};

// The settings the program ships with (colours in particular): the first start writes them as
// the settings file, and the colours and styles they name are those keys' defaults.
const char *ShippedSettingsText();

class TSettings {
public:
    explicit TSettings(const TDefaultLayout &Layout = TDefaultLayout());

    // Reads every key; a missing key or a value that is no number gives the key's default, key
    // by key. A colour's or a style's default is the value the shipped settings give it, so a
    // file without [Colours] (or with a colour that is no colour) still shows readable text;
    // every other key's default is the one its field starts with.
    void Read(const TIniFile &Ini);
    // Writes every key. Numbered lists are written with their current counts; items of a
    // longer earlier list stay in the file and are not read again.
    void Write(TIniFile &Ini) const;

    // Reads the file once (a missing or unreadable file gives every default).
    void Load(const AnsiString &FileName);
    // Writes every key into the file in one go, keeping whatever else it holds. Throws
    // EIniFileException when the file cannot be written.
    void Save(const AnsiString &FileName) const;

    // A numbered list's count is cut to this many entries when read, so a damaged count
    // cannot make the program read (and later write) millions of empty entries.
    static constexpr int MaxListEntries = 1000;
    // A style key holds a font style as bits 1 bold, 2 italic, 4 underline, 8 strike-out;
    // other bits are dropped when it is read and written.
    static constexpr int StyleBits = 15;

    const TDefaultLayout &Defaults() const { return FDefaults; }

    // [Window]
    int Left, Top, Width, Height;
    WideString WState = u"Normal";
    int rsLeft = 0, rsTop = 0, rsWidth = 0, rsHeight = 0;
    int NavWidth, ErrorHeight;
    WideString LastFilePath;
    int TODIndex = 1;
    bool ShowTOD = true;

    // [Parser]
    bool NoWarnings = false;
    bool WarnJSFuncNotCalled = false;
    bool WarnNoVar = false;
    bool Summary = false;
    bool OpenIncludes = false;
    bool JSON = false;
    bool Embedsvg = true;
    bool ShowTree = false;
    bool TreeGlobals = true;
    bool TreeLocals = true;
    bool SemiColon = false;
    bool ECMA = false;
    bool Deprecated = false;
    bool RepeatDec = false;

    // [Colours]
    int EditBackground = 0;
    int TreeView = 0;
    int Errors = 0;
    int Gutter = 0;
    int Marked = 0;

    // [Editor]
    bool ShowControl = false;
    bool GroupUndo = false;
    bool XHTML = false;
    bool UndoAfterSave = true;
    bool NewFile = true;
    bool StartOpen = true;
    bool CheckOpen = true;
    bool NFIncHTML = false;
    bool NFIncJava = false;
    bool HTMLSame = false;
    bool JavaSame = false;
    int UndoCount = 1000;
    int TabSize = 2;
    bool TabsAsSpaces = true;
    bool AutoIndent = false;
    bool AutoUnindent = false;
    bool CursorThruTabs = false;
    bool AutoSaveOnView = false;
    bool ViewFile = true;
    WideString Server = u"http://";
    bool ShareNone = false;
    bool ShareRead = true;
    bool ShareExclusive = false;
    bool DefaultBrowser = false;
    bool OtherBrowser = false;
    WideString OtherBrowserName;
    bool NoBrowser = true;
    bool OfferOtherBr = false;
    bool JSHead = true;
    bool JSAfterBody = false;
    std::vector<WideString> UserBrowsers; // BrCount, UserDefBr0 ...

    // [View]
    bool HTMLHighlight = false;
    bool JavaHighlight = false;
    bool NoHighlight = false;
    bool BothHighlight = true;

    // [Javascript], [HTML]
    TJavascriptColours Javascript;
    THTMLColours HTML;

    // [Reopen] RCount, Item0 ...: oldest first.
    std::vector<WideString> Reopen;
    // [StartOpenList] SCount, Item0 ...
    std::vector<WideString> StartOpenList;

    // [FTP]
    WideString FtpHost = u"ftp.example.com";
    WideString FtpUser = u"admin";
    WideString FtpDir = u"/public_html/";
    WideString FtpFile = u"myPage.html";
    WideString FtpPort = u"21";
    bool FtpBinary = false;
    bool FtpPassive = true;
    // [Update]: the version file the newer-version check reads and the folder of the downloads.
    WideString VersionURL = u"http://www.quillmar.example/quillmar/version.txt";
    WideString DownloadURL = u"http://www.quillmar.example/download/";

private:
    // Hands every scalar key with its section, field and default to the visitor, in file order.
    template <class TVisitor, class TSelf>
    static void VisitKeys(TSelf &Self, TVisitor &&Visitor);

    TDefaultLayout FDefaults;
};

// Where the main window goes at start. Bounds are the window's bounds; when Maximised, they
// are its restore bounds and the window is then maximised.
struct TWindowPlacement {
    TBoundsRect Bounds;
    bool Maximised = false;
    bool operator==(const TWindowPlacement &) const = default;
};

// Screen is the desktop's geometry. A left edge outside the screen's width becomes 10 pixels
// from its left, a top edge outside its height 50 pixels from its top, and the window is at
// least 200 by 50 pixels.
TWindowPlacement PlaceMainWindow(const TSettings &Settings, const TBoundsRect &Screen);

// The room the main window's panes share once it is laid out, in pixels, splitter handles taken off.
struct TPaneRoom {
    int Width = 0; // side panel and editors side by side
    int Height = 0; // editors (with the side panel) above the findings list
    // The smallest sizes the splitters let the side panel's width and the findings list's height take.
    int NavMinimum = 1;
    int ErrorMinimum = 50;
    // What the editors keep at least, whatever the panes ask for: room for some 30 columns and 7
    // lines of the editor's font with its gutter, scroll bars and tab bar.
    int EditorWidth = 320;
    int EditorHeight = 160;
};

// The side panel's width and the findings list's height.
struct TPaneSizes {
    int NavWidth = 0;
    int ErrorHeight = 0;
    bool operator==(const TPaneSizes &) const = default;
};

// NavWidth and ErrorHeight of the settings bounded to the room. A negative size is no size and takes
// the key's default (as a value that is no number does); a size below the pane's minimum (0 in
// particular) becomes that minimum; a size that would leave the editors less than their room becomes
// the largest that leaves it. Where the room cannot hold both, the pane keeps only its minimum and
// the editors get the rest.
TPaneSizes FitPaneSizes(const TSettings &Settings, const TPaneRoom &Room);

// Called on every resize of the main window: bounds that are not the maximised size in both
// directions are remembered as the normal bounds (rsLeft, rsTop, rsWidth, rsHeight).
void NoteNormalBounds(TSettings &Settings, const TBoundsRect &Bounds, int MaximisedWidth, int MaximisedHeight);

// What LocateSettingsFile needs to know about the system; System() gives the real one, tests
// make their own.
struct TSettingsEnvironment {
    AnsiString ProgramFolder; // the folder of the program file
    AnsiString ConfigFolder; // the user's XDG config folder (may be empty)
    AnsiString PersonalFolder; // the user's documents folder, else the home folder
    // File-system type of a folder as the system names it ("ext4", "nfs4", "fuse.sshfs"),
    // empty when it cannot be determined.
    std::function<std::string(const AnsiString &Folder)> FileSystemType;
    std::function<bool(const AnsiString &Folder)> IsWritableFolder;

    static TSettingsEnvironment System();
};

// True for the file systems that count as a network drive (nfs, cifs, smb3, sshfs, 9p and
// their variants).
bool IsNetworkFileSystem(const std::string &Type);

struct TSettingsLocation {
    AnsiString FileName; // the settings file
    AnsiString Folder; // its folder, where the trace log goes too
    bool PerUser = false; // the user's own copy rather than the one beside the program
    bool RunsFromNetwork = false; // the program's folder is on a network or unknown file system
};

// The settings file is "Quillmar.ini" beside the program when that folder is writable and on
// a local file system. Otherwise each user has a copy in "Quillmar/Quillmar.ini" under the
// config folder (under the personal folder when there is no config folder); when that copy
// does not exist yet its folder is made and "Quillmar.inx" from beside the program, when
// there is one, is copied there as its start. Failures of those two steps are not reported.
TSettingsLocation LocateSettingsFile(const TSettingsEnvironment &Environment);
