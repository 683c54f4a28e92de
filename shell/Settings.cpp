#include "shell/Settings.h"

#include "platform/QtConvert.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include <algorithm>
#include <unistd.h>

namespace {

WideString Numbered(const WideString &Prefix, std::size_t Index)
{
    const std::string digits = std::to_string(Index);
    return Prefix + WideString(digits.begin(), digits.end());
}

// A key the shipped settings name takes their value as its default, so a settings file that lacks
// a section or a key, or holds a value we cannot read, still gives readable colours rather than
// black on black.
int DefaultOf(const char16_t *Section, const char16_t *Key, int BuiltIn)
{
    static const TIniFile shipped = TIniFile::FromText(ShippedSettingsText());
    return shipped.ReadInteger(Section, Key, BuiltIn);
}

// A colour is 0x00BBGGRR, or a system colour: the top bit set and one of the system's colour
// numbers (0 to 30) in the low byte. Anything else is no colour we can show.
bool IsReadableColour(int Value)
{
    const auto v = std::uint32_t(Value);
    return v <= 0x00FFFFFFu || (v >= 0x80000000u && v <= 0x8000001Eu);
}

// Gives every field its default.
class TDefaulter {
public:
    void Int(const char16_t *, const char16_t *, int &Field, int Default) { Field = Default; }
    void Colour(const char16_t *Section, const char16_t *Key, int &Field, int Default)
    {
        Field = DefaultOf(Section, Key, Default);
    }
    void Bool(const char16_t *, const char16_t *, bool &Field, bool Default) { Field = Default; }
    void Str(const char16_t *, const char16_t *, WideString &Field, const char16_t *Default) { Field = Default; }
    void OptStr(const char16_t *, const char16_t *, WideString &Field, const char16_t *Default) { Field = Default; }
    void Style(const char16_t *Section, const char16_t *Key, int &Field)
    {
        Field = DefaultOf(Section, Key, 0) & TSettings::StyleBits;
    }
    void List(const char16_t *, const char16_t *, const char16_t *, std::vector<WideString> &Field) { Field.clear(); }
};

class TReader {
public:
    explicit TReader(const TIniFile &Ini) : FIni(Ini) {}
    void Int(const char16_t *Section, const char16_t *Key, int &Field, int Default)
    {
        Field = FIni.ReadInteger(Section, Key, Default);
    }
    void Colour(const char16_t *Section, const char16_t *Key, int &Field, int Default)
    {
        const int fallback = DefaultOf(Section, Key, Default);
        const int value = FIni.ReadInteger(Section, Key, fallback);
        Field = IsReadableColour(value) ? value : fallback;
    }
    void Bool(const char16_t *Section, const char16_t *Key, bool &Field, bool Default)
    {
        Field = FIni.ReadBool(Section, Key, Default);
    }
    void Str(const char16_t *Section, const char16_t *Key, WideString &Field, const char16_t *Default)
    {
        Field = FIni.ReadString(Section, Key, Default);
    }
    void OptStr(const char16_t *Section, const char16_t *Key, WideString &Field, const char16_t *Default)
    {
        Str(Section, Key, Field, Default);
    }
    void Style(const char16_t *Section, const char16_t *Key, int &Field)
    {
        Field = FIni.ReadInteger(Section, Key, DefaultOf(Section, Key, 0)) & TSettings::StyleBits;
    }
    void List(const char16_t *Section, const char16_t *CountKey, const char16_t *ItemPrefix,
              std::vector<WideString> &Field)
    {
        const int count = std::clamp(FIni.ReadInteger(Section, CountKey, 0), 0, TSettings::MaxListEntries);
        Field.clear();
        Field.reserve(std::size_t(count));
        // Every numbered entry up to the count, also missing or empty ones.
        for (int i = 0; i < count; ++i)
            Field.push_back(FIni.ReadString(Section, Numbered(ItemPrefix, std::size_t(i)), u""));
    }

private:
    const TIniFile &FIni;
};

class TWriter {
public:
    explicit TWriter(TIniFile &Ini) : FIni(Ini) {}
    void Int(const char16_t *Section, const char16_t *Key, int Field, int) { FIni.WriteInteger(Section, Key, Field); }
    void Colour(const char16_t *Section, const char16_t *Key, int Field, int) { FIni.WriteInteger(Section, Key, Field); }
    void Bool(const char16_t *Section, const char16_t *Key, bool Field, bool) { FIni.WriteBool(Section, Key, Field); }
    void Str(const char16_t *Section, const char16_t *Key, const WideString &Field, const char16_t *)
    {
        FIni.WriteString(Section, Key, Field);
    }
    // A key written only once it holds something other than its default (or was in the file).
    void OptStr(const char16_t *Section, const char16_t *Key, const WideString &Field, const char16_t *Default)
    {
        if (Field != Default || FIni.ValueExists(Section, Key))
            FIni.WriteString(Section, Key, Field);
    }
    void Style(const char16_t *Section, const char16_t *Key, int Field)
    {
        FIni.WriteInteger(Section, Key, Field & TSettings::StyleBits);
    }
    void List(const char16_t *Section, const char16_t *CountKey, const char16_t *ItemPrefix,
              const std::vector<WideString> &Field)
    {
        FIni.WriteInteger(Section, CountKey, int(Field.size()));
        for (std::size_t i = 0; i < Field.size(); ++i)
            FIni.WriteString(Section, Numbered(ItemPrefix, i), Field[i]);
    }

private:
    TIniFile &FIni;
};

// Truncated like the layout does it: 16 % of the client width, 13 % of its height.
int Percent(int Value, int Percentage)
{
    return int(std::int64_t(Value) * Percentage / 100);
}

// The defaults of NavWidth and ErrorHeight.
int DefaultNavWidth(const TDefaultLayout &Layout)
{
    return Percent(Layout.ClientWidth, 16);
}

int DefaultErrorHeight(const TDefaultLayout &Layout)
{
    return Percent(Layout.ClientHeight, 13);
}

} // namespace

TSettings::TSettings(const TDefaultLayout &Layout)
    : Left(Layout.Left), Top(Layout.Top), Width(Layout.Width), Height(Layout.Height), NavWidth(DefaultNavWidth(Layout)),
      ErrorHeight(DefaultErrorHeight(Layout)), FDefaults(Layout)
{
    VisitKeys(*this, TDefaulter());
}

template <class TVisitor, class TSelf>
void TSettings::VisitKeys(TSelf &S, TVisitor &&V)
{
    const TDefaultLayout &d = S.FDefaults;
    V.Int(u"Window", u"Left", S.Left, d.Left);
    V.Int(u"Window", u"Top", S.Top, d.Top);
    V.Int(u"Window", u"Width", S.Width, d.Width);
    V.Int(u"Window", u"Height", S.Height, d.Height);
    V.Str(u"Window", u"WState", S.WState, u"Normal");
    V.Int(u"Window", u"rsLeft", S.rsLeft, 0);
    V.Int(u"Window", u"rsTop", S.rsTop, 0);
    V.Int(u"Window", u"rsWidth", S.rsWidth, 0);
    V.Int(u"Window", u"rsHeight", S.rsHeight, 0);
    V.Int(u"Window", u"NavWidth", S.NavWidth, DefaultNavWidth(d));
    V.Int(u"Window", u"ErrorHeight", S.ErrorHeight, DefaultErrorHeight(d));
    V.Str(u"Window", u"LastFilePath", S.LastFilePath, u"");
    V.Int(u"Window", u"TODIndex", S.TODIndex, 1);
    V.Bool(u"Window", u"ShowTOD", S.ShowTOD, true);

    V.Bool(u"Parser", u"NoWarnings", S.NoWarnings, false);
    V.Bool(u"Parser", u"WarnJSFuncNotCalled", S.WarnJSFuncNotCalled, false);
    V.Bool(u"Parser", u"WarnNoVar", S.WarnNoVar, false);
    V.Bool(u"Parser", u"Summary", S.Summary, false);
    V.Bool(u"Parser", u"OpenIncludes", S.OpenIncludes, false);
    V.Bool(u"Parser", u"JSON", S.JSON, false);
    V.Bool(u"Parser", u"Embedsvg", S.Embedsvg, true);
    V.Bool(u"Parser", u"ShowTree", S.ShowTree, false);
    V.Bool(u"Parser", u"TreeGlobals", S.TreeGlobals, true);
    V.Bool(u"Parser", u"TreeLocals", S.TreeLocals, true);
    V.Bool(u"Parser", u"SemiColon", S.SemiColon, false);
    V.Bool(u"Parser", u"ECMA", S.ECMA, false);
    V.Bool(u"Parser", u"Deprecated", S.Deprecated, false);
    V.Bool(u"Parser", u"RepeatDec", S.RepeatDec, false);

    V.Colour(u"Colours", u"EditBackground", S.EditBackground, 0);
    V.Colour(u"Colours", u"TreeView", S.TreeView, 0);
    V.Colour(u"Colours", u"Errors", S.Errors, 0);
    V.Colour(u"Colours", u"Gutter", S.Gutter, 0);
    V.Colour(u"Colours", u"Marked", S.Marked, 0);

    V.Bool(u"Editor", u"ShowControl", S.ShowControl, false);
    V.Bool(u"Editor", u"GroupUndo", S.GroupUndo, false);
    V.Bool(u"Editor", u"XHTML", S.XHTML, false);
    V.Bool(u"Editor", u"UndoAfterSave", S.UndoAfterSave, true);
    V.Bool(u"Editor", u"NewFile", S.NewFile, true);
    V.Bool(u"Editor", u"StartOpen", S.StartOpen, true);
    V.Bool(u"Editor", u"CheckOpen", S.CheckOpen, true);
    V.Bool(u"Editor", u"NFIncHTML", S.NFIncHTML, false);
    V.Bool(u"Editor", u"NFIncJava", S.NFIncJava, false);
    V.Bool(u"Editor", u"HTMLSame", S.HTMLSame, false);
    V.Bool(u"Editor", u"JavaSame", S.JavaSame, false);
    V.Int(u"Editor", u"UndoCount", S.UndoCount, 1000);
    V.Int(u"Editor", u"TabSize", S.TabSize, 2);
    V.Bool(u"Editor", u"TabsAsSpaces", S.TabsAsSpaces, true);
    V.Bool(u"Editor", u"AutoIndent", S.AutoIndent, false);
    V.Bool(u"Editor", u"AutoUnindent", S.AutoUnindent, false);
    V.Bool(u"Editor", u"CursorThruTabs", S.CursorThruTabs, false);
    V.Bool(u"Editor", u"AutoSaveOnView", S.AutoSaveOnView, false);
    V.Bool(u"Editor", u"ViewFile", S.ViewFile, true);
    V.Str(u"Editor", u"Server", S.Server, u"http://");
    V.Bool(u"Editor", u"ShareNone", S.ShareNone, false);
    V.Bool(u"Editor", u"ShareRead", S.ShareRead, true);
    V.Bool(u"Editor", u"ShareExclusive", S.ShareExclusive, false);
    V.Bool(u"Editor", u"DefaultBrowser", S.DefaultBrowser, false);
    V.Bool(u"Editor", u"OtherBrowser", S.OtherBrowser, false);
    V.Str(u"Editor", u"OtherBrowserName", S.OtherBrowserName, u"");
    V.Bool(u"Editor", u"NoBrowser", S.NoBrowser, true);
    V.Bool(u"Editor", u"OfferOtherBr", S.OfferOtherBr, false);
    V.Bool(u"Editor", u"JSHead", S.JSHead, true);
    V.Bool(u"Editor", u"JSAfterBody", S.JSAfterBody, false);
    V.List(u"Editor", u"BrCount", u"UserDefBr", S.UserBrowsers);

    V.Bool(u"View", u"HTMLHighlight", S.HTMLHighlight, false);
    V.Bool(u"View", u"JavaHighlight", S.JavaHighlight, false);
    V.Bool(u"View", u"NoHighlight", S.NoHighlight, false);
    V.Bool(u"View", u"BothHighlight", S.BothHighlight, true);

    auto &js = S.Javascript;
    V.Colour(u"Javascript", u"CommentFG", js.CommentFG, 0);
    V.Colour(u"Javascript", u"CommentBG", js.CommentBG, 0);
    V.Colour(u"Javascript", u"NumbersFG", js.NumbersFG, 0);
    V.Colour(u"Javascript", u"NumbersBG", js.NumbersBG, 0);
    V.Colour(u"Javascript", u"StringsFG", js.StringsFG, 0);
    V.Colour(u"Javascript", u"StringsBG", js.StringsBG, 0);
    V.Colour(u"Javascript", u"KeywordsFG", js.KeywordsFG, 0);
    V.Colour(u"Javascript", u"KeywordsBG", js.KeywordsBG, 0);
    V.Style(u"Javascript", u"CommentStyle", js.CommentStyle);
    V.Style(u"Javascript", u"NumbersStyle", js.NumbersStyle);
    V.Style(u"Javascript", u"StringsStyle", js.StringsStyle);
    V.Style(u"Javascript", u"KeywordsStyle", js.KeywordsStyle);

    auto &html = S.HTML;
    V.Colour(u"HTML", u"CommentFG", html.CommentFG, 0);
    V.Colour(u"HTML", u"CommentBG", html.CommentBG, 0);
    V.Colour(u"HTML", u"NumbersFG", html.NumbersFG, 0);
    V.Colour(u"HTML", u"NumberBG", html.NumberBG, 0);
    V.Colour(u"HTML", u"StringsFG", html.StringsFG, 0);
    V.Colour(u"HTML", u"StringsBG", html.StringsBG, 0);
    V.Colour(u"HTML", u"TagsFG", html.TagsFG, 0);
    V.Colour(u"HTML", u"TagsBG", html.TagsBG, 0);
    V.Colour(u"HTML", u"ScriptFG", html.ScriptFG, 0);
    V.Colour(u"HTML", u"ScriptBG", html.ScriptBG, 0);
    V.Colour(u"HTML", u"NamesFG", html.NamesFG, 0);
    V.Colour(u"HTML", u"NamesBG", html.NamesBG, 0);
    V.Style(u"HTML", u"CommentStyle", html.CommentStyle);
    V.Style(u"HTML", u"NumbersStyle", html.NumbersStyle);
    V.Style(u"HTML", u"StringsStyle", html.StringsStyle);
    V.Style(u"HTML", u"TagsStyle", html.TagsStyle);
    V.Style(u"HTML", u"ScriptStyle", html.ScriptStyle);
    V.Style(u"HTML", u"NamesStyle", html.NamesStyle);

    V.List(u"Reopen", u"RCount", u"Item", S.Reopen);
    V.List(u"StartOpenList", u"SCount", u"Item", S.StartOpenList);

    V.Str(u"FTP", u"Host", S.FtpHost, u"ftp.example.com");
    V.Str(u"FTP", u"User", S.FtpUser, u"admin");
    V.Str(u"FTP", u"Dir", S.FtpDir, u"/public_html/");
    V.Str(u"FTP", u"File", S.FtpFile, u"myPage.html");
    V.Str(u"FTP", u"Port", S.FtpPort, u"21");
    V.Bool(u"FTP", u"Binary", S.FtpBinary, false);
    V.Bool(u"FTP", u"Passive", S.FtpPassive, true);
    V.OptStr(u"Update", u"VersionURL", S.VersionURL, u"http://www.quillmar.example/quillmar/version.txt");
    V.OptStr(u"Update", u"DownloadURL", S.DownloadURL, u"http://www.quillmar.example/download/");
}

void TSettings::Read(const TIniFile &Ini)
{
    VisitKeys(*this, TReader(Ini));
}

void TSettings::Write(TIniFile &Ini) const
{
    VisitKeys(*this, TWriter(Ini));
}

void TSettings::Load(const AnsiString &FileName)
{
    TIniFile ini(FileName);
    Read(ini);
}

void TSettings::Save(const AnsiString &FileName) const
{
    TIniFile ini(FileName);
    Write(ini);
    ini.UpdateFile();
}

TWindowPlacement PlaceMainWindow(const TSettings &Settings, const TBoundsRect &Screen)
{
    TWindowPlacement placement;
    const bool maximised = Settings.WState == u"Max";
    TBoundsRect b = maximised ? TBoundsRect{Settings.rsLeft, Settings.rsTop, Settings.rsWidth, Settings.rsHeight}
                              : TBoundsRect{Settings.Left, Settings.Top, Settings.Width, Settings.Height};
    // The same guard for both states: bounds from another screen or a damaged file would
    // otherwise put the window where nobody can reach it.
    const std::int64_t right = std::int64_t(Screen.Left) + Screen.Width;
    const std::int64_t bottom = std::int64_t(Screen.Top) + Screen.Height;
    if (b.Left < Screen.Left || b.Left > right)
        b.Left = Screen.Left + 10;
    if (b.Top < Screen.Top || b.Top > bottom)
        b.Top = Screen.Top + 50;
    b.Height = std::max(b.Height, 50);
    b.Width = std::max(b.Width, 200);
    placement.Bounds = b;
    placement.Maximised = maximised;
    return placement;
}

namespace {

// One pane's length along its splitter; Room is what it shares with the editors.
int FitPane(int Stored, int Default, int Minimum, int Room, int EditorKeeps)
{
    const int wanted = Stored < 0 ? Default : Stored;
    const int least = std::max(Minimum, 1);
    const int most = std::max(Room - EditorKeeps, least);
    return std::clamp(wanted, least, most);
}

} // namespace

TPaneSizes FitPaneSizes(const TSettings &Settings, const TPaneRoom &Room)
{
    const TDefaultLayout &d = Settings.Defaults();
    return {FitPane(Settings.NavWidth, DefaultNavWidth(d), Room.NavMinimum, Room.Width, Room.EditorWidth),
            FitPane(Settings.ErrorHeight, DefaultErrorHeight(d), Room.ErrorMinimum, Room.Height, Room.EditorHeight)};
}

void NoteNormalBounds(TSettings &Settings, const TBoundsRect &Bounds, int MaximisedWidth, int MaximisedHeight)
{
    if (Bounds.Height == MaximisedHeight || Bounds.Width == MaximisedWidth)
        return;
    Settings.rsLeft = Bounds.Left;
    Settings.rsTop = Bounds.Top;
    Settings.rsWidth = Bounds.Width;
    Settings.rsHeight = Bounds.Height;
}

bool IsNetworkFileSystem(const std::string &Type)
{
    std::string t = Type;
    if (t.rfind("fuse.", 0) == 0)
        t.erase(0, 5);
    static const char *const kNetwork[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "9p"};
    return std::any_of(std::begin(kNetwork), std::end(kNetwork), [&t](const char *n) { return t == n; });
}

TSettingsEnvironment TSettingsEnvironment::System()
{
    TSettingsEnvironment env;
    env.ProgramFolder = ToLocalPath(QCoreApplication::applicationDirPath());
    env.ConfigFolder = ToLocalPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    env.PersonalFolder =
        ToLocalPath(!documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath());
    env.FileSystemType = [](const AnsiString &Folder) {
        QStorageInfo storage(FromLocalPath(Folder));
        return storage.isValid() ? storage.fileSystemType().toStdString() : std::string();
    };
    env.IsWritableFolder = [](const AnsiString &Folder) { return ::access(Folder.c_str(), W_OK) == 0; };
    return env;
}

TSettingsLocation LocateSettingsFile(const TSettingsEnvironment &Environment)
{
    TSettingsLocation location;
    const QString program = FromLocalPath(Environment.ProgramFolder);
    const std::string type = Environment.FileSystemType ? Environment.FileSystemType(Environment.ProgramFolder) : "";
    // A file system we cannot name is treated like a network one.
    location.RunsFromNetwork = type.empty() || IsNetworkFileSystem(type);
    const bool writable = Environment.IsWritableFolder && Environment.IsWritableFolder(Environment.ProgramFolder);
    if (!location.RunsFromNetwork && writable) {
        location.Folder = ToLocalPath(QDir::cleanPath(program));
        location.FileName = ToLocalPath(QDir(program).filePath("Quillmar.ini"));
        return location;
    }
    location.PerUser = true;
    const AnsiString &base = Environment.ConfigFolder.empty() ? Environment.PersonalFolder : Environment.ConfigFolder;
    const QString folder = QDir(FromLocalPath(base)).filePath("Quillmar");
    const QString file = QDir(folder).filePath("Quillmar.ini");
    location.Folder = ToLocalPath(QDir::cleanPath(folder));
    location.FileName = ToLocalPath(file);
    if (!QFileInfo::exists(file)) {
        QDir().mkpath(folder);
        const QString seed = QDir(program).filePath("Quillmar.inx");
        if (QFileInfo(seed).isFile())
            QFile::copy(seed, file); // never overwrites
    }
    return location;
}
