// The options dialog and the Options menu: every control to the settings file and back, OK
// reaching the open editors, the highlighters and the panes, Cancel leaving everything, the
// restore buttons, the browser list, the start files and the "Edit with Quillmar" desktop entry.
#include "tests/shell/MainWindowSupport.h"

#include "controls/ColorButton.h"
#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "editor/HTMLHighlighter.h"
#include "editor/JavaScriptHighlighter.h"
#include "shell/OptionsDialog.h"
#include "shell/OptionsLogic.h"

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

// A desktop with three browsers on PATH and a default one.
TBrowserEnvironment FakeDesktop(std::vector<QString> OnPath = {QStringLiteral("firefox"), QStringLiteral("chromium"),
                                                               QStringLiteral("konqueror")})
{
    TBrowserEnvironment e;
    e.DefaultBrowser = [] { return QStringLiteral("firefox-esr.desktop"); };
    e.FindExecutable = [OnPath](const QString &Name) {
        for (const QString &p : OnPath)
            if (p == Name)
                return QStringLiteral("/usr/bin/") + Name;
        return QString();
    };
    return e;
}

// A window whose options dialog sees the fake desktop and a data folder of its own.
class TOptionsFixture : public TWindowFixture {
public:
    explicit TOptionsFixture(const std::string &SettingsText = std::string()) : TWindowFixture(SettingsText)
    {
        DataHome = Dir.filePath(QStringLiteral("data"));
        Window->BrowserEnvironment = FakeDesktop();
    }
    // Opens the dialog on Page, lets Edit change its controls, then presses OK or Cancel.
    void Run(int Page, const std::function<void(TfrmOptions &)> &Edit, bool Ok = true)
    {
        Window->RunOptionsDialog = [&](TfrmOptions &D) {
            ShownPage = D.PageControl1->currentIndex();
            Edit(D);
            if (Ok)
                D.accept();
            else
                D.reject();
            return D.result();
        };
        Window->OptionsDialog().DataFolder = DataHome;
        Window->OptionsDialog().Program = QStringLiteral("/opt/quillmar/bin/quillmar");
        Window->Options1Click(Page);
    }
    std::string SettingsText()
    {
        QTemporaryDir d;
        const QString f = d.filePath(QStringLiteral("s.ini"));
        Window->Settings.Save(ToLocalPath(f));
        return ReadBytes(f);
    }
    QString DataHome;
    int ShownPage = -1;
};

template <class T>
T *C(TfrmOptions &D, const char *Name)
{
    T *c = D.Control<T>(Name);
    EXPECT_NE(c, nullptr) << Name;
    return c;
}

struct TBoolCase {
    const char *Control;
    bool TSettings::*Field;
};

// Every check box and radio button with its setting.
const TBoolCase BoolCases[] = {
    {"CheckBoxWarnJSfuncNotCalled", &TSettings::WarnJSFuncNotCalled},
    {"CheckBoxWarnNoVar", &TSettings::WarnNoVar},
    {"CheckBoxSummary", &TSettings::Summary},
    {"CheckBoxOpenIncludes", &TSettings::OpenIncludes},
    {"CheckBoxShowTree", &TSettings::ShowTree},
    {"CheckBoxRepeatDec", &TSettings::RepeatDec},
    {"CheckBoxWarnSemiColon", &TSettings::SemiColon},
    {"CheckBoxECMA", &TSettings::ECMA},
    {"CheckBoxDeprecated", &TSettings::Deprecated},
    {"CheckBoxNoWarnings", &TSettings::NoWarnings},
    {"CheckBoxTreeGlobals", &TSettings::TreeGlobals},
    {"CheckBoxTreeLocals", &TSettings::TreeLocals},
    {"CheckBoxJSON", &TSettings::JSON},
    {"CheckBoxEmbedsvg", &TSettings::Embedsvg},
    {"CheckBoxShowCntrl", &TSettings::ShowControl},
    {"CheckBoxGrpUndo", &TSettings::GroupUndo},
    {"CheckBoxXHTML", &TSettings::XHTML},
    {"CheckBoxUndoAfterSave", &TSettings::UndoAfterSave},
    {"CheckBoxTabsAsSpaces", &TSettings::TabsAsSpaces},
    {"CheckBoxAutoIndent", &TSettings::AutoIndent},
    {"CheckBoxautoUnindent", &TSettings::AutoUnindent},
    {"CheckBoxCursorThruTabs", &TSettings::CursorThruTabs},
    {"CheckBoxAutoSaveOnView", &TSettings::AutoSaveOnView},
    {"CheckBoxNewFileHTML", &TSettings::NFIncHTML},
    {"CheckBoxNewFileJSSection", &TSettings::NFIncJava},
    {"CheckBoxNewFile", &TSettings::NewFile},
    {"CheckBoxStartOpen", &TSettings::StartOpen},
    {"CheckBoxCheckOpen", &TSettings::CheckOpen},
    {"CheckBoxHTMLBckSame", &TSettings::HTMLSame},
    {"CheckBoxJSBckSame", &TSettings::JavaSame},
};

} // namespace

// ============================================================================ controls and the file

TEST(OptionsDialog, EveryCheckBoxReachesTheSettingsFileAndComesBack)
{
    TOptionsFixture f;
    for (bool start : {false, true}) {
        for (const TBoolCase &c : BoolCases)
            f.Window->Settings.*c.Field = start;
        f.Run(opErrors, [&](TfrmOptions &D) {
            for (const TBoolCase &c : BoolCases) {
                QCheckBox *b = C<QCheckBox>(D, c.Control);
                EXPECT_EQ(b->isChecked(), start) << c.Control;
                b->setChecked(!start);
            }
        });
        f.Restart();
        f.Window->BrowserEnvironment = FakeDesktop();
        for (const TBoolCase &c : BoolCases)
            EXPECT_EQ(f.Window->Settings.*c.Field, !start) << c.Control << " from " << start;
    }
}

TEST(OptionsDialog, RadioButtonsNumbersTextsAndColoursRoundTrip)
{
    TOptionsFixture f;
    TSettings &s = f.Window->Settings;
    s.UserBrowsers = {u"/opt/browsers/mine"};
    f.Run(opEditing, [&](TfrmOptions &D) {
        C<QRadioButton>(D, "RadioButtonAfterBody")->setChecked(true);
        C<QRadioButton>(D, "RadioButtonServer")->setChecked(true);
        C<QLineEdit>(D, "EditServer")->setText(QStringLiteral("http://localhost:8080/site/"));
        C<QLineEdit>(D, "MaskEditUndoCount")->setText(QStringLiteral("  250"));
        C<QLineEdit>(D, "MaskEditTabSize")->setText(QStringLiteral("4 "));
        C<QRadioButton>(D, "RadioGroupShare2")->setChecked(true);
        D.BrowserList->SetItemIndex(3); // the user's browser after three detected ones
        C<QRadioButton>(D, "RadioButtonOtherBrowsers")->setChecked(true);
        C<TruvColorButton>(D, "ColorPickerButtonGutter")->SetColor(0x123456);
        C<TruvColorButton>(D, "ColorPickerButtonHTMLNamesBG")->SetColor(0x654321);
        C<TruvColorButton>(D, "ColorPickerButtonJSKeywordsFG")->SetColor(0x00AA00);
        SetStyleChecks(*C<QListWidget>(D, "CheckListBoxHTMLTags"), 1 | 8);
    });
    f.Restart();
    const TSettings &r = f.Window->Settings;
    EXPECT_FALSE(r.JSHead);
    EXPECT_TRUE(r.JSAfterBody);
    EXPECT_FALSE(r.ViewFile);
    EXPECT_EQ(Narrow(r.Server), "http://localhost:8080/site/");
    EXPECT_EQ(r.UndoCount, 250);
    EXPECT_EQ(r.TabSize, 4);
    EXPECT_FALSE(r.ShareNone);
    EXPECT_FALSE(r.ShareRead);
    EXPECT_TRUE(r.ShareExclusive);
    EXPECT_TRUE(r.OtherBrowser);
    EXPECT_FALSE(r.NoBrowser);
    EXPECT_FALSE(r.DefaultBrowser);
    EXPECT_FALSE(r.OfferOtherBr);
    EXPECT_EQ(Narrow(r.OtherBrowserName), "/opt/browsers/mine");
    ASSERT_EQ(r.UserBrowsers.size(), 1u);
    EXPECT_EQ(r.Gutter, 0x123456);
    EXPECT_EQ(r.HTML.NamesBG, 0x654321);
    EXPECT_EQ(r.Javascript.KeywordsFG, 0x00AA00);
    EXPECT_EQ(r.HTML.TagsStyle, 9);

    // Shown again, the controls hold what was saved.
    f.Window->BrowserEnvironment = FakeDesktop();
    f.Run(
        opEditing,
        [&](TfrmOptions &D) {
            EXPECT_TRUE(C<QRadioButton>(D, "RadioButtonAfterBody")->isChecked());
            EXPECT_FALSE(C<QRadioButton>(D, "RadioButtonHead")->isChecked());
            EXPECT_TRUE(C<QRadioButton>(D, "RadioButtonServer")->isChecked());
            EXPECT_TRUE(C<QRadioButton>(D, "RadioGroupShare2")->isChecked());
            EXPECT_EQ(D.BrowserList->ItemIndex(), 3);
            EXPECT_EQ(C<QLineEdit>(D, "MaskEditUndoCount")->text(), QStringLiteral("250"));
            EXPECT_EQ(StyleChecks(*C<QListWidget>(D, "CheckListBoxHTMLTags")), 9);
            EXPECT_EQ(C<TruvColorButton>(D, "ColorPickerButtonHTMLNamesBG")->GetColor(), 0x654321u);
        },
        false);
}

TEST(OptionsDialog, EveryColourAndStyleReachesTheSettingsFile)
{
    struct TColourCase {
        const char *Control;
        std::function<int(const TSettings &)> Field;
    };
    const std::vector<TColourCase> colours = {
        {"ColorPickerButtonEditorBck", [](const TSettings &s) { return s.EditBackground; }},
        {"ColorPickerButtonNav", [](const TSettings &s) { return s.TreeView; }},
        {"ColorPickerButtonErrors", [](const TSettings &s) { return s.Errors; }},
        {"ColorPickerButtonGutter", [](const TSettings &s) { return s.Gutter; }},
        {"ColorPickerButtonMarked", [](const TSettings &s) { return s.Marked; }},
        {"ColorPickerButtonJSCommentFG", [](const TSettings &s) { return s.Javascript.CommentFG; }},
        {"ColorPickerButtonJSCommentBG", [](const TSettings &s) { return s.Javascript.CommentBG; }},
        {"ColorPickerButtonJSNumbersFG", [](const TSettings &s) { return s.Javascript.NumbersFG; }},
        {"ColorPickerButtonJSNumbersBG", [](const TSettings &s) { return s.Javascript.NumbersBG; }},
        {"ColorPickerButtonJSStringsFG", [](const TSettings &s) { return s.Javascript.StringsFG; }},
        {"ColorPickerButtonJSStringsBG", [](const TSettings &s) { return s.Javascript.StringsBG; }},
        {"ColorPickerButtonJSKeywordsFG", [](const TSettings &s) { return s.Javascript.KeywordsFG; }},
        {"ColorPickerButtonJSKeywordsBG", [](const TSettings &s) { return s.Javascript.KeywordsBG; }},
        {"ColorPickerButtonHTMLCommentsFG", [](const TSettings &s) { return s.HTML.CommentFG; }},
        {"ColorPickerButtonHTMLCommentsBG", [](const TSettings &s) { return s.HTML.CommentBG; }},
        {"ColorPickerButtonHTMLNumbersFG", [](const TSettings &s) { return s.HTML.NumbersFG; }},
        {"ColorPickerButtonHTMLNumbersBG", [](const TSettings &s) { return s.HTML.NumberBG; }},
        {"ColorPickerButtonHTMLStringsFG", [](const TSettings &s) { return s.HTML.StringsFG; }},
        {"ColorPickerButtonHTMLStringsBG", [](const TSettings &s) { return s.HTML.StringsBG; }},
        {"ColorPickerButtonHTMLTagsFG", [](const TSettings &s) { return s.HTML.TagsFG; }},
        {"ColorPickerButtonHTMLTagsBG", [](const TSettings &s) { return s.HTML.TagsBG; }},
        {"ColorPickerButtonHTMLScriptFG", [](const TSettings &s) { return s.HTML.ScriptFG; }},
        {"ColorPickerButtonHTMLScriptBG", [](const TSettings &s) { return s.HTML.ScriptBG; }},
        {"ColorPickerButtonHTMLNamesFG", [](const TSettings &s) { return s.HTML.NamesFG; }},
        {"ColorPickerButtonHTMLNamesBG", [](const TSettings &s) { return s.HTML.NamesBG; }},
    };
    const std::vector<TColourCase> styles = {
        {"CheckListBoxJSComment", [](const TSettings &s) { return s.Javascript.CommentStyle; }},
        {"CheckListBoxJSNumbers", [](const TSettings &s) { return s.Javascript.NumbersStyle; }},
        {"CheckListBoxJSStrings", [](const TSettings &s) { return s.Javascript.StringsStyle; }},
        {"CheckListBoxJSKeywords", [](const TSettings &s) { return s.Javascript.KeywordsStyle; }},
        {"CheckListBoxHTMLComments", [](const TSettings &s) { return s.HTML.CommentStyle; }},
        {"CheckListBoxHTMLNumbers", [](const TSettings &s) { return s.HTML.NumbersStyle; }},
        {"CheckListBoxHTMLStrings", [](const TSettings &s) { return s.HTML.StringsStyle; }},
        {"CheckListBoxHTMLTags", [](const TSettings &s) { return s.HTML.TagsStyle; }},
        {"CheckListBoxHTMLScript", [](const TSettings &s) { return s.HTML.ScriptStyle; }},
        {"CheckListBoxHTMLNames", [](const TSettings &s) { return s.HTML.NamesStyle; }},
    };
    TOptionsFixture f;
    f.Window->Settings.JavaSame = f.Window->Settings.HTMLSame = false;
    f.Run(opJavascript, [&](TfrmOptions &D) {
        int n = 0;
        for (const TColourCase &c : colours)
            C<TruvColorButton>(D, c.Control)->SetColor(TColor(0x010101 * ++n));
        n = 0;
        for (const TColourCase &c : styles)
            SetStyleChecks(*C<QListWidget>(D, c.Control), ++n % 16);
    });
    f.Restart();
    int n = 0;
    for (const TColourCase &c : colours)
        EXPECT_EQ(c.Field(f.Window->Settings), 0x010101 * ++n) << c.Control;
    n = 0;
    for (const TColourCase &c : styles)
        EXPECT_EQ(c.Field(f.Window->Settings), ++n % 16) << c.Control;
}

TEST(OptionsDialog, MenuItemsOpenTheirPages)
{
    TOptionsFixture f;
    const char *const items[] = {
        "errorsandWarnings1", "GeneralEditor1", "Javascriptcolours1", "HTMLcolours1", "Appcolours1",
        "Fileassociations1",  "Startup1"};
    const char *const pages[] = {"Errors and Warnings", "General Editing",   "Javascript colors", "HTML colors",
                                 "App. colors",         "File associations", "Start-up"};
    for (int i = 0; i < 7; ++i) {
        QString title;
        f.Window->RunOptionsDialog = [&](TfrmOptions &D) {
            title = D.PageControl1->tabText(D.PageControl1->currentIndex());
            return int(QDialog::Rejected);
        };
        ASSERT_NE(f.Window->Action(QString::fromLatin1(items[i])), nullptr) << items[i];
        f.Window->Action(QString::fromLatin1(items[i]))->trigger();
        EXPECT_EQ(title, QString::fromLatin1(pages[i])) << items[i];
    }
}

// ============================================================================ OK and Cancel

TEST(OptionsDialog, OkReachesEveryOpenEditorAndTheHighlighters)
{
    TOptionsFixture f;
    f.Window->Settings.TabsAsSpaces = true;
    f.Window->FileNewActionExecute();
    f.Window->FileNewActionExecute();
    f.Window->FileNewActionExecute();
    ASSERT_EQ(f.Window->TabCount(), 3);
    const TColor numbersBefore = f.Window->JavaScriptHighlighter1().NumberAttributes().Background();

    struct Case {
        const char *Undo, *Tab;
        int WantUndo, WantTab;
    } const cases[] = {
        {"500", "8", 500, 8},
        {"   ", "  ", 1000, 2}, // blanks are no number
        {"12x", "", 1000, 2},
        {" 0 ", "16", 0, 16},
    };
    for (const Case &c : cases) {
        f.Run(opEditing, [&](TfrmOptions &D) {
            C<QLineEdit>(D, "MaskEditUndoCount")->setText(QString::fromLatin1(c.Undo));
            C<QLineEdit>(D, "MaskEditTabSize")->setText(QString::fromLatin1(c.Tab));
            C<QCheckBox>(D, "CheckBoxTabsAsSpaces")->setChecked(false);
            C<QCheckBox>(D, "CheckBoxAutoIndent")->setChecked(true);
            C<QCheckBox>(D, "CheckBoxUndoAfterSave")->setChecked(false);
            C<QCheckBox>(D, "CheckBoxJSBckSame")->setChecked(false);
            C<TruvColorButton>(D, "ColorPickerButtonJSStringsBG")->SetColor(0x00CCDD);
            C<TruvColorButton>(D, "ColorPickerButtonEditorBck")->SetColor(0xF0F0F0);
            C<TruvColorButton>(D, "ColorPickerButtonMarked")->SetColor(0x0000AA);
            SetStyleChecks(*C<QListWidget>(D, "CheckListBoxJSKeywords"), 2 | 4);
            SetStyleChecks(*C<QListWidget>(D, "CheckListBoxHTMLComments"), 8);
        });
        for (int i = 0; i < 3; ++i) {
            TSyntaxEdit &e = f.Editor(i);
            EXPECT_EQ(e.MaxUndo(), c.WantUndo) << c.Undo << " tab " << i;
            EXPECT_EQ(e.TabSize(), c.WantTab) << c.Tab << " tab " << i;
            EXPECT_TRUE(e.Options() & eoUseTabs) << i;
            EXPECT_TRUE(e.Options() & eoAutoIndent) << i;
            EXPECT_FALSE(e.Options() & eoUndoAfterSave) << i;
            EXPECT_EQ(e.Color(), 0xF0F0F0u) << i;
            EXPECT_EQ(e.MarkColor().Background(), 0x0000AAu) << i;
        }
        EXPECT_EQ(f.Window->Settings.UndoCount, c.WantUndo);
        EXPECT_EQ(f.Window->Settings.TabSize, c.WantTab);
    }
    TJavaScriptHighlighter &js = f.Window->JavaScriptHighlighter1();
    EXPECT_EQ(js.StringAttributes().Background(), 0x00CCDDu);
    EXPECT_EQ(js.NumberAttributes().Background(), numbersBefore);
    EXPECT_EQ(js.KeyAttributes().Style(), THighlightFontStyles(6));
    EXPECT_EQ(js.SymbolAttributes().Background(), 0xF0F0F0u);
    EXPECT_EQ(f.Window->HTMLHighlighter1().CommentAttributes().Style(), THighlightFontStyles(8));
    EXPECT_EQ(f.Window->HTMLHighlighter1().URLAttributes().Background(), 0xF0F0F0u);

    // Ticking "Tabs as spaces" again clears the bit everywhere.
    f.Run(opEditing, [&](TfrmOptions &D) { C<QCheckBox>(D, "CheckBoxTabsAsSpaces")->setChecked(true); });
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(f.Editor(i).Options() & eoUseTabs) << i;
}

TEST(OptionsDialog, PanesTakeTheirColoursWithOrWithoutTabs)
{
    for (bool withTab : {false, true}) {
        TOptionsFixture f;
        if (withTab)
            f.Window->FileNewActionExecute();
        f.Run(opAppColours, [&](TfrmOptions &D) {
            C<TruvColorButton>(D, "ColorPickerButtonNav")->SetColor(0x0000FF); // red
            C<TruvColorButton>(D, "ColorPickerButtonErrors")->SetColor(0xFF0000); // blue
        });
        EXPECT_EQ(f.Window->NavTree->palette().color(QPalette::Base), QColor(255, 0, 0)) << withTab;
        EXPECT_EQ(f.Window->TreeNTProjects->palette().color(QPalette::Base), QColor(255, 0, 0)) << withTab;
        EXPECT_EQ(f.Window->ErrorList->palette().color(QPalette::Base), QColor(0, 0, 255)) << withTab;
    }
}

TEST(OptionsDialog, CancelLeavesEverythingAsItWas)
{
    TOptionsFixture f;
    f.Window->Settings.StartOpenList = {u"/tmp/a.html"};
    f.Window->FileNewActionExecute();
    const std::string before = f.SettingsText();
    const int tabBefore = f.Editor(0).TabSize();
    const TColor stringsBefore = f.Window->JavaScriptHighlighter1().StringAttributes().Foreground();
    f.Run(
        opStartup,
        [&](TfrmOptions &D) {
            for (const TBoolCase &c : BoolCases)
                C<QCheckBox>(D, c.Control)->toggle();
            C<QLineEdit>(D, "MaskEditTabSize")->setText(QStringLiteral("9"));
            C<QPushButton>(D, "ButtonRestoreJS")->click();
            C<QPushButton>(D, "ButtonRestoreDefaults")->click();
            C<QPushButton>(D, "ButtonClearStartFiles")->click();
            C<QRadioButton>(D, "RadioButtonDefaultBrowser")->setChecked(true);
            C<QCheckBox>(D, "CheckBoxEditHtm")->setChecked(true);
        },
        false);
    EXPECT_EQ(f.SettingsText(), before);
    EXPECT_EQ(f.Editor(0).TabSize(), tabBefore);
    EXPECT_EQ(f.Window->JavaScriptHighlighter1().StringAttributes().Foreground(), stringsBefore);
    EXPECT_FALSE(QFile::exists(AssociationFile(f.DataHome)));
    // The next showing starts from the settings, not from the cancelled edits.
    f.Run(
        opStartup,
        [&](TfrmOptions &D) {
            EXPECT_EQ(C<QLineEdit>(D, "MaskEditTabSize")->text(), QString::number(f.Window->Settings.TabSize));
            EXPECT_EQ(D.StartFiles().size(), 1u);
        },
        false);
}

// ============================================================================ restore buttons

TEST(OptionsDialog, RestoreButtonsGiveTheDefaultColours)
{
    TJavascriptColours js;
    RestoreJavascriptDefaults(js, 0xABCDEF);
    const int jsWant[] = {0xFF00FF, 0xABCDEF, 0x79BF62, 0xABCDEF, 0x0000FF, 0xABCDEF, 0, 0xABCDEF, 2, 0, 0, 1};
    const int jsGot[] = {js.CommentFG,    js.CommentBG,    js.NumbersFG,    js.NumbersBG,
                         js.StringsFG,    js.StringsBG,    js.KeywordsFG,   js.KeywordsBG,
                         js.CommentStyle, js.NumbersStyle, js.StringsStyle, js.KeywordsStyle};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(jsGot[i], jsWant[i]) << "Javascript value " << i;

    THTMLColours h;
    RestoreHTMLDefaults(h, 0x010203);
    const int htmlWant[] = {0xFF00FF, 0x010203, 0x79BF62, 0x010203, 0x0000FF, 0x010203, 0, 0x010203, 0x37949B,
                            0x010203, 0xFF0000, 0x010203, 2,        0,        0,        1, 0,        0};
    const int htmlGot[] = {h.CommentFG,    h.CommentBG,    h.NumbersFG,    h.NumberBG,  h.StringsFG,   h.StringsBG,
                           h.TagsFG,       h.TagsBG,       h.ScriptFG,     h.ScriptBG,  h.NamesFG,     h.NamesBG,
                           h.CommentStyle, h.NumbersStyle, h.StringsStyle, h.TagsStyle, h.ScriptStyle, h.NamesStyle};
    for (int i = 0; i < 18; ++i)
        EXPECT_EQ(htmlGot[i], htmlWant[i]) << "HTML value " << i;

    EXPECT_EQ(DefaultAppColours(), (TAppColours{0xFFFFFF, 0xE9F5DE, 0xE9F5DE, 0xC9E9E9, 0x00FFFF}));

    // The buttons: the editor background the page shows becomes every background.
    TOptionsFixture f;
    f.Run(opJavascript, [&](TfrmOptions &D) {
        C<QCheckBox>(D, "CheckBoxJSBckSame")->setChecked(false);
        C<QCheckBox>(D, "CheckBoxHTMLBckSame")->setChecked(false);
        C<TruvColorButton>(D, "ColorPickerButtonEditorBck")->SetColor(0x0A0B0C);
        C<QPushButton>(D, "ButtonRestoreJS")->click();
        C<QPushButton>(D, "ButtonHTMLRestore")->click();
    });
    EXPECT_EQ(f.Window->Settings.Javascript.StringsBG, 0x0A0B0C);
    EXPECT_EQ(f.Window->Settings.Javascript.CommentFG, 0xFF00FF);
    EXPECT_EQ(f.Window->Settings.HTML.ScriptFG, 0x37949B);
    EXPECT_EQ(f.Window->Settings.HTML.NamesBG, 0x0A0B0C);
    f.Run(opAppColours, [&](TfrmOptions &D) { C<QPushButton>(D, "ButtonRestoreDefaults")->click(); });
    EXPECT_EQ(f.Window->Settings.Gutter, 0xC9E9E9);
    EXPECT_EQ(f.Window->Settings.Marked, 0x00FFFF);
}

TEST(OptionsDialog, BackgroundsSameFollowTheEditorBackground)
{
    TOptionsFixture f;
    f.Run(opHTML, [&](TfrmOptions &D) {
        C<TruvColorButton>(D, "ColorPickerButtonEditorBck")->SetColor(0x223344);
        C<QCheckBox>(D, "CheckBoxHTMLBckSame")->setChecked(true);
        EXPECT_FALSE(C<TruvColorButton>(D, "ColorPickerButtonHTMLTagsBG")->isEnabled());
        C<QCheckBox>(D, "CheckBoxJSBckSame")->setChecked(false);
        EXPECT_TRUE(C<TruvColorButton>(D, "ColorPickerButtonJSStringsBG")->isEnabled());
        C<TruvColorButton>(D, "ColorPickerButtonJSStringsBG")->SetColor(0x111111);
    });
    EXPECT_EQ(f.Window->Settings.HTML.TagsBG, 0x223344);
    EXPECT_EQ(f.Window->Settings.HTML.CommentBG, 0x223344);
    EXPECT_EQ(f.Window->Settings.Javascript.StringsBG, 0x111111);
}

// ============================================================================ enabling

TEST(OptionsDialog, ControlsEnableAsTheirChoicesAllow)
{
    TOptionsFixture f;
    f.Run(
        opErrors,
        [&](TfrmOptions &D) {
            C<QCheckBox>(D, "CheckBoxNoWarnings")->setChecked(true);
            for (const char *n : {"CheckBoxWarnJSfuncNotCalled", "CheckBoxRepeatDec", "CheckBoxWarnNoVar",
                                  "CheckBoxDeprecated", "CheckBoxWarnSemiColon"})
                EXPECT_FALSE(C<QCheckBox>(D, n)->isEnabled()) << n;
            EXPECT_TRUE(C<QCheckBox>(D, "CheckBoxECMA")->isEnabled());
            C<QCheckBox>(D, "CheckBoxNoWarnings")->setChecked(false);
            EXPECT_TRUE(C<QCheckBox>(D, "CheckBoxWarnNoVar")->isEnabled());

            C<QCheckBox>(D, "CheckBoxNewFileHTML")->setChecked(true);
            C<QCheckBox>(D, "CheckBoxNewFileJSSection")->setChecked(false);
            EXPECT_FALSE(C<QRadioButton>(D, "RadioButtonHead")->isEnabled());
            C<QCheckBox>(D, "CheckBoxNewFileJSSection")->setChecked(true);
            EXPECT_TRUE(C<QRadioButton>(D, "RadioButtonAfterBody")->isEnabled());

            C<QRadioButton>(D, "RadioButtonNoBrowser")->click();
            EXPECT_FALSE(C<QRadioButton>(D, "RadioButtonFile")->isEnabled());
            EXPECT_FALSE(C<QLineEdit>(D, "EditServer")->isEnabled());
            C<QRadioButton>(D, "RadioButtonDefaultBrowser")->click();
            C<QRadioButton>(D, "RadioButtonFile")->click();
            EXPECT_TRUE(C<QRadioButton>(D, "RadioButtonFile")->isEnabled());
            EXPECT_FALSE(C<QLineEdit>(D, "EditServer")->isEnabled());
            C<QRadioButton>(D, "RadioButtonServer")->click();
            EXPECT_TRUE(C<QLineEdit>(D, "EditServer")->isEnabled());

            // The upper arrow beside a number counts up, the lower one down; typing moves the arrows.
            D.show();
            QLineEdit *tab = C<QLineEdit>(D, "MaskEditTabSize");
            QScrollBar *updown = C<QScrollBar>(D, "UpDown2");
            tab->setText(QStringLiteral("4"));
            QTest::keyClick(tab, Qt::Key_0); // "40" is past the top: the arrows stay
            tab->setText(QString());
            QTest::keyClicks(tab, QStringLiteral("5"));
            EXPECT_EQ(updown->value(), -5);
            QTest::mouseClick(updown, Qt::LeftButton, {}, QPoint(updown->width() / 2, 2));
            EXPECT_EQ(tab->text(), QStringLiteral("6"));
            QTest::mouseClick(updown, Qt::LeftButton, {}, QPoint(updown->width() / 2, updown->height() - 3));
            QTest::mouseClick(updown, Qt::LeftButton, {}, QPoint(updown->width() / 2, updown->height() - 3));
            EXPECT_EQ(tab->text(), QStringLiteral("4"));
            D.hide();
        },
        false);
}

// ============================================================================ browsers

TEST(OptionsDialog, BrowsersAreDetectedFromTheDesktop)
{
    const struct {
        const char16_t *Command;
        const char *Caption;
    } captions[] = {
        {u"firefox-esr.desktop", "Use default (system) browser - firefox-esr"},
        {u"/usr/share/applications/chromium.desktop", "Use default (system) browser - chromium"},
        {u"\"C:\\Program Files\\Web\\iexplore.exe\" -nohome", "Use default (system) browser - iexplore"},
        {u"plainname", "Use default (system) browser - plainname"},
    };
    for (const auto &c : captions)
        EXPECT_EQ(Narrow(DefaultBrowserCaption(c.Command)), c.Caption);

    const TBrowserDetection d = DetectBrowsers(FakeDesktop({QStringLiteral("konqueror"), QStringLiteral("firefox")}));
    EXPECT_EQ(Narrow(d.DefaultCommand), "firefox-esr.desktop");
    ASSERT_EQ(d.Browsers.size(), 2u);
    EXPECT_EQ(Narrow(d.Browsers[0]), "firefox"); // in the order of the known list
    EXPECT_EQ(Narrow(d.Browsers[1]), "konqueror");
    EXPECT_TRUE(DetectBrowsers(TBrowserEnvironment()).Browsers.empty());

    TfrmOptions dialog(FakeDesktop());
    EXPECT_EQ(dialog.DetectedBrowserCount(), 3);
    EXPECT_EQ(dialog.Control<QRadioButton>("RadioButtonDefaultBrowser")->text(),
              QStringLiteral("Use default (system) browser - firefox-esr"));
}

TEST(OptionsDialog, OnlyAddedBrowsersAreDeletedAndKept)
{
    TOptionsFixture f;
    f.Window->Settings.UserBrowsers = {u"/opt/one"};
    f.Run(opEditing, [&](TfrmOptions &D) {
        D.RunBrowserDialog = [] { return QStringLiteral("/opt/two"); };
        D.AddBrowser();
        D.RunBrowserDialog = [] { return QString(); }; // cancelled
        D.AddBrowser();
        ASSERT_EQ(D.BrowserNames().size(), 5u);
        for (int i : {-1, 0, 2}) {
            D.BrowserList->SetItemIndex(i);
            D.DeleteBrowser();
        }
        EXPECT_EQ(D.BrowserNames().size(), 5u);
        D.BrowserList->SetItemIndex(3);
        D.DeleteBrowser();
        EXPECT_EQ(D.BrowserNames().size(), 4u);
        D.RunBrowserDialog = [] { return QStringLiteral("/opt/three"); };
        D.AddBrowser();
    });
    EXPECT_EQ(f.PromptTexts(), std::vector<std::string>(3, "Can only delete browsers you have added"));
    ASSERT_EQ(f.Window->Settings.UserBrowsers.size(), 2u);
    EXPECT_EQ(Narrow(f.Window->Settings.UserBrowsers[0]), "/opt/two");
    EXPECT_EQ(Narrow(f.Window->Settings.UserBrowsers[1]), "/opt/three");
}

TEST(OptionsDialog, OtherBrowserNeedsASelectedEntry)
{
    TOptionsFixture f;
    f.Run(opEditing, [&](TfrmOptions &D) {
        D.BrowserList->SetItemIndex(-1);
        C<QRadioButton>(D, "RadioButtonOtherBrowsers")->click();
        EXPECT_TRUE(C<QRadioButton>(D, "RadioButtonOfferOtherBr")->isChecked());
    });
    EXPECT_EQ(f.PromptTexts(), std::vector<std::string>{"No \"other\" browser selected"});
    EXPECT_TRUE(f.Window->Settings.OfferOtherBr);
    EXPECT_FALSE(f.Window->Settings.OtherBrowser);
}

TEST(OptionsDialog, ViewerOptionsOfferEveryListedBrowser)
{
    TOptionsFixture f;
    f.Window->Settings.UserBrowsers = {u"/opt/mine"};
    TfrmViewOptions view;
    view.Fill(f.Window->OptionsDialog().BrowserNames());
    ASSERT_EQ(view.ListBoxBr->count(), 4);
    EXPECT_EQ(view.ListBoxBr->item(0)->text(), QStringLiteral("firefox"));
    EXPECT_EQ(view.ListBoxBr->item(3)->text(), QStringLiteral("/opt/mine"));
}

// ============================================================================ start files

TEST(OptionsDialog, StartFilesAreCopiedOnceAndRemoved)
{
    TOptionsFixture f;
    const QString a = f.Put(QStringLiteral("a.html"), "<p>a</p>");
    const QString b = f.Put(QStringLiteral("b.js"), "var b;");
    f.Window->OpenFile(W(a), false, false, u"");
    f.Window->OpenFile(W(b), false, false, u"");
    f.Window->FileNewActionExecute(); // no file name: not listed
    f.Run(opStartup, [&](TfrmOptions &D) {
        EXPECT_EQ(D.OpenFilesList->Items().Count(), 2);
        D.OpenFilesList->SetItemIndex(1);
        D.CopyStartFile();
        D.CopyStartFile();
        D.CopyAllStartFiles();
        D.CopyAllStartFiles();
        ASSERT_EQ(D.StartFiles().size(), 2u);
        EXPECT_EQ(ToQString(D.StartFiles()[0]), b);
        EXPECT_EQ(ToQString(D.StartFiles()[1]), a);
        D.StartFilesList->SetItemIndex(-1);
        D.RemoveStartFile(); // nothing selected
        D.StartFilesList->SetItemIndex(0);
        D.RemoveStartFile();
    });
    ASSERT_EQ(f.Window->Settings.StartOpenList.size(), 1u);
    EXPECT_EQ(ToQString(f.Window->Settings.StartOpenList[0]), a);
    f.Run(opStartup, [&](TfrmOptions &D) { D.ClearStartFiles(); });
    EXPECT_TRUE(f.Window->Settings.StartOpenList.empty());
}

// ============================================================================ desktop entry

TEST(OptionsDialog, EditEntryIsWrittenOnlyOnChangeAndValidates)
{
    TOptionsFixture f;
    const QString file = AssociationFile(f.DataHome);
    // OK without touching the page writes nothing.
    f.Run(opErrors, [](TfrmOptions &) {});
    EXPECT_FALSE(QFile::exists(file));
    // Ticking and unticking before OK writes nothing either.
    f.Run(opAssociations, [&](TfrmOptions &D) {
        C<QCheckBox>(D, "CheckBoxEditHtm")->setChecked(true);
        C<QCheckBox>(D, "CheckBoxEditHtm")->setChecked(false);
        EXPECT_FALSE(C<QWidget>(D, "GroupBoxEditIE")->isVisibleTo(&D));
        EXPECT_TRUE(C<QWidget>(D, "GroupBoxEdit")->isVisibleTo(&D));
    });
    EXPECT_FALSE(QFile::exists(file));

    const struct {
        bool Html, Js;
        bool Exists;
    } steps[] = {{true, false, true}, {true, true, true}, {false, true, true}, {false, false, false}};
    for (const auto &s : steps) {
        f.Run(opAssociations, [&](TfrmOptions &D) {
            C<QCheckBox>(D, "CheckBoxEditHtm")->setChecked(s.Html);
            C<QCheckBox>(D, "CheckBoxEditJs")->setChecked(s.Js);
        });
        ASSERT_EQ(QFile::exists(file), s.Exists) << s.Html << s.Js;
        EXPECT_EQ(ReadAssociations(f.DataHome), (TAssociations{s.Html, s.Js}));
        if (!s.Exists)
            continue;
        const std::string text = ReadBytes(file);
        EXPECT_NE(text.find("Name=Edit with Quillmar\n"), std::string::npos);
        EXPECT_NE(text.find("Exec=\"/opt/quillmar/bin/quillmar\" %F\n"), std::string::npos);
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {file});
        ASSERT_TRUE(validate.waitForFinished(20000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
        EXPECT_TRUE(validate.readAllStandardOutput().trimmed().isEmpty());
        // Shown again, the boxes show the entry.
        f.Run(
            opAssociations,
            [&](TfrmOptions &D) {
                EXPECT_EQ(C<QCheckBox>(D, "CheckBoxEditHtm")->isChecked(), s.Html);
                EXPECT_EQ(C<QCheckBox>(D, "CheckBoxEditJs")->isChecked(), s.Js);
            },
            false);
    }
}

TEST(OptionsDialog, EditEntryQuotesAwkwardProgramPaths)
{
    QTemporaryDir dir;
    const struct {
        const char *Program, *Exec;
    } cases[] = {
        {"/opt/my apps/quillmar", "Exec=\"/opt/my apps/quillmar\" %F"},
        {"/opt/100%/q$\"x`", "Exec=\"/opt/100%%/q\\\\$\\\\\"x\\\\`\" %F"},
        {"/opt/back\\slash", "Exec=\"/opt/back\\\\\\\\slash\" %F"},
    };
    for (const auto &c : cases) {
        QString error;
        ASSERT_TRUE(WriteAssociations(dir.path(), QString::fromUtf8(c.Program), {}, {true, true}, error)) << c.Program;
        const std::string text = ReadBytes(AssociationFile(dir.path()));
        EXPECT_NE(text.find(std::string(c.Exec) + "\n"), std::string::npos) << c.Program << "\n" << text;
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {AssociationFile(dir.path())});
        ASSERT_TRUE(validate.waitForFinished(20000));
        EXPECT_EQ(validate.exitCode(), 0) << c.Program << validate.readAllStandardOutput().toStdString();
        ASSERT_TRUE(WriteAssociations(dir.path(), QString::fromUtf8(c.Program), {true, true}, {}, error));
    }
    QString error;
    EXPECT_FALSE(WriteAssociations(dir.path(), QStringLiteral("/opt/a\nb"), {}, {true, false}, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(AssociationFile(dir.path())));
}

// ============================================================================ what the user sees

TEST(OptionsDialog, EveryPageShowsItsControlsInsideTheDialog)
{
    TOptionsFixture f(ShippedSettingsText());
    f.Window->Settings.UserBrowsers = {u"/opt/browsers/mine"};
    f.Window->FileNewActionExecute();
    const QString shots = qEnvironmentVariable("QUILLMAR_SCREENSHOTS");
    f.Run(
        opErrors,
        [&](TfrmOptions &D) {
            D.show();
            for (int page = 0; page < D.PageControl1->count(); ++page) {
                D.PageControl1->setCurrentIndex(page);
                QApplication::processEvents();
                QWidget *p = D.PageControl1->currentWidget();
                // Every visible control of the page lies within the page: nothing is cut off.
                for (QWidget *w : p->findChildren<QWidget *>()) {
                    if (!w->isVisibleTo(p) || w->objectName().isEmpty() ||
                        w->objectName().startsWith(QLatin1String("qt_")))
                        continue;
                    const QRect r(w->mapTo(p, QPoint(0, 0)), w->size());
                    EXPECT_TRUE(p->rect().contains(r))
                        << D.PageControl1->tabText(page).toStdString() << ": " << w->objectName().toStdString();
                }
                const QPixmap shot = D.grab();
                EXPECT_FALSE(shot.isNull());
                if (!shots.isEmpty())
                    shot.save(QStringLiteral("%1/options-%2.png").arg(shots).arg(page));
            }
            TfrmViewOptions view(&D);
            view.Fill(D.BrowserNames());
            view.show();
            QApplication::processEvents();
            if (!shots.isEmpty())
                view.grab().save(shots + QStringLiteral("/viewer-options.png"));
            D.hide();
        },
        false);
}
