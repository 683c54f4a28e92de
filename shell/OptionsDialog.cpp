#include "shell/OptionsDialog.h"

#include "controls/ColorButton.h"
#include "controls/TextListBox.h"
#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Check boxes and the settings they show.
struct TBoxField {
    const char *Name;
    bool TSettings::*Field;
};

const TBoxField BoxFields[] = {
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

// Radio buttons with a setting each.
const TBoxField RadioFields[] = {
    {"RadioButtonHead", &TSettings::JSHead},
    {"RadioButtonAfterBody", &TSettings::JSAfterBody},
    {"RadioButtonDefaultBrowser", &TSettings::DefaultBrowser},
    {"RadioButtonOtherBrowsers", &TSettings::OtherBrowser},
    {"RadioButtonNoBrowser", &TSettings::NoBrowser},
    {"RadioButtonOfferOtherBr", &TSettings::OfferOtherBr},
    {"RadioButtonFile", &TSettings::ViewFile},
};

// A highlighter attribute's row on a colour page.
template <class TColours>
struct TColourRow {
    const char *Name; // row caption and the part of the control names
    const char *Caption;
    int TColours::*FG;
    int TColours::*BG;
    int TColours::*Style;
};

const TColourRow<TJavascriptColours> JavascriptRows[] = {
    {"Comment", "Comment", &TJavascriptColours::CommentFG, &TJavascriptColours::CommentBG,
     &TJavascriptColours::CommentStyle},
    {"Numbers", "Numbers", &TJavascriptColours::NumbersFG, &TJavascriptColours::NumbersBG,
     &TJavascriptColours::NumbersStyle},
    {"Strings", "Strings", &TJavascriptColours::StringsFG, &TJavascriptColours::StringsBG,
     &TJavascriptColours::StringsStyle},
    {"Keywords", "Keywords", &TJavascriptColours::KeywordsFG, &TJavascriptColours::KeywordsBG,
     &TJavascriptColours::KeywordsStyle},
};

const TColourRow<THTMLColours> HTMLRows[] = {
    {"Comments", "Comment", &THTMLColours::CommentFG, &THTMLColours::CommentBG, &THTMLColours::CommentStyle},
    {"Numbers", "Numbers", &THTMLColours::NumbersFG, &THTMLColours::NumberBG, &THTMLColours::NumbersStyle},
    {"Strings", "Strings", &THTMLColours::StringsFG, &THTMLColours::StringsBG, &THTMLColours::StringsStyle},
    {"Tags", "<tags> foreground", &THTMLColours::TagsFG, &THTMLColours::TagsBG, &THTMLColours::TagsStyle},
    {"Script", "Script", &THTMLColours::ScriptFG, &THTMLColours::ScriptBG, &THTMLColours::ScriptStyle},
    {"Names", "Names", &THTMLColours::NamesFG, &THTMLColours::NamesBG, &THTMLColours::NamesStyle},
};

const char *const AppColourNames[] = {"ColorPickerButtonEditorBck", "ColorPickerButtonNav", "ColorPickerButtonErrors",
                                      "ColorPickerButtonGutter", "ColorPickerButtonMarked"};

QString PickerName(bool Html, const char *Row, bool Background)
{
    return QStringLiteral("ColorPickerButton") + (Html ? QStringLiteral("HTML") : QStringLiteral("JS")) +
           QString::fromLatin1(Row) + (Background ? QStringLiteral("BG") : QStringLiteral("FG"));
}

QString StyleListName(bool Html, const char *Row)
{
    return QStringLiteral("CheckListBox") + (Html ? QStringLiteral("HTML") : QStringLiteral("JS")) +
           QString::fromLatin1(Row);
}

QRadioButton *Radio(QWidget *Parent, const char *Name, const QString &Caption)
{
    auto *r = new QRadioButton(Caption, Parent);
    r->setObjectName(QString::fromLatin1(Name));
    return r;
}

} // namespace

void SetStyleChecks(QListWidget &List, int Style)
{
    for (int i = 0; i < List.count() && i < 4; ++i)
        List.item(i)->setCheckState(Style & (1 << i) ? Qt::Checked : Qt::Unchecked);
}

int StyleChecks(const QListWidget &List)
{
    int style = 0;
    for (int i = 0; i < List.count() && i < 4; ++i)
        if (List.item(i)->checkState() == Qt::Checked)
            style |= 1 << i;
    return style;
}

// ============================================================================ creation

TfrmOptions::TfrmOptions(TBrowserEnvironment Environment, QWidget *Parent)
    : QDialog(Parent), DataFolder(UserDataFolder()), Program(QCoreApplication::applicationFilePath()),
      FEnvironment(std::move(Environment))
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    RunBrowserDialog = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("Add Browser"), QString(),
                                            QStringLiteral("Executable (*)"));
    };

    auto *layout = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(MakeErrorsPage(), QStringLiteral("Errors and Warnings"));
    PageControl1->addTab(MakeEditingPage(), QStringLiteral("General Editing"));
    PageControl1->addTab(MakeColourPage(false), QStringLiteral("Javascript colors"));
    PageControl1->addTab(MakeColourPage(true), QStringLiteral("HTML colors"));
    PageControl1->addTab(MakeAppColoursPage(), QStringLiteral("App. colors"));
    PageControl1->addTab(MakeAssociationsPage(), QStringLiteral("File associations"));
    PageControl1->addTab(MakeStartupPage(), QStringLiteral("Start-up"));
    layout->addWidget(PageControl1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("BitBtn1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("BitBtn2"));
    // OK writes the desktop entry (done), which can fail.
    connect(buttons, &QDialogButtonBox::accepted, this, GuardedSlot([this] { accept(); }));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    DetectBrowsers();
    // Never smaller than the pages need, nor than 512 by 416 pixels.
    setMinimumSize(minimumSizeHint().expandedTo(QSize(512, 416)));
    resize(sizeHint().expandedTo(minimumSize()));
}

TfrmOptions::~TfrmOptions() = default;

QCheckBox *TfrmOptions::Box(QWidget *Parent, const char *Name, const QString &Caption)
{
    auto *b = new QCheckBox(Caption, Parent);
    b->setObjectName(QString::fromLatin1(Name));
    return b;
}

QWidget *TfrmOptions::MakeErrorsPage()
{
    auto *page = new QWidget(this);
    auto *v = new QVBoxLayout(page);
    const struct {
        const char *Name, *Caption;
    } boxes[] = {
        {"CheckBoxWarnJSfuncNotCalled", "Show warnings for Javascript functions NOT called "},
        {"CheckBoxWarnNoVar", "Show hints for variables declared inside functions without \"var\" keyword"},
        {"CheckBoxRepeatDec", "Show warnings for variables declared more than once"},
        {"CheckBoxWarnSemiColon", "Show warnings for missing semicolons"},
        {"CheckBoxDeprecated", "Show warnings for deprecated HTML"},
        {"CheckBoxECMA", "Strict ECMA"},
        {"CheckBoxNoWarnings", "Don't show ANY hints or warnings (preferred by advanced programmers)"},
        {"CheckBoxSummary", "Show a summary after each check"},
        {"CheckBoxOpenIncludes", "Open included files"},
        {"CheckBoxShowTree", "Show the navigation tree after each check"},
        {"CheckBoxTreeGlobals", "Show global variables in the tree"},
        {"CheckBoxTreeLocals", "Show local variables in the tree"},
        {"CheckBoxJSON", "Check JSON files"},
        {"CheckBoxEmbedsvg", "Check SVG embedded in HTML"},
    };
    for (const auto &b : boxes)
        v->addWidget(Box(page, b.Name, QString::fromUtf8(b.Caption)));
    v->addStretch();
    connect(Control<QCheckBox>("CheckBoxNoWarnings"), &QCheckBox::toggled, this,
            GuardedSlot([this] { UpdateEnabling(); }));
    return page;
}

QWidget *TfrmOptions::MakeEditingPage()
{
    auto *page = new QWidget(this);
    auto *grid = new QGridLayout(page);

    auto *left = new QVBoxLayout;
    left->addWidget(Box(page, "CheckBoxShowCntrl", QStringLiteral("Show control characters")));
    left->addWidget(Box(page, "CheckBoxGrpUndo", QStringLiteral("Group undo")));
    auto number = [&](const char *EditName, const char *UpDownName, int Digits, int Max, const QString &Label,
                      QLineEdit *&Edit, QScrollBar *&UpDown) {
        auto *row = new QHBoxLayout;
        Edit = new QLineEdit(page);
        Edit->setObjectName(QString::fromLatin1(EditName));
        Edit->setMaxLength(Digits);
        Edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9 ]*")), Edit));
        Edit->setFixedWidth(16 + 10 * Digits);
        UpDown = new QScrollBar(Qt::Vertical, page);
        UpDown->setObjectName(QString::fromLatin1(UpDownName));
        // A scroll bar's upper arrow steps down; the bar holds the negated number so that it
        // counts up, as an up-down control does.
        UpDown->setRange(-Max, 0);
        UpDown->setFixedSize(16, Edit->sizeHint().height());
        QLineEdit *edit = Edit;
        QScrollBar *updown = UpDown;
        connect(UpDown, &QScrollBar::valueChanged, Edit,
                GuardedSlot([edit](int V) { edit->setText(QString::number(-V)); }));
        connect(Edit, &QLineEdit::textEdited, UpDown, GuardedSlot([edit, updown] {
            bool ok = false;
            const int n = edit->text().trimmed().toInt(&ok);
            if (ok) {
                QSignalBlocker block(updown);
                updown->setValue(-n);
            }
        }));
        row->addWidget(Edit);
        row->addWidget(UpDown);
        row->addWidget(new QLabel(Label, page), 1);
        left->addLayout(row);
    };
    number("MaskEditUndoCount", "UpDown1", 5, 32000,
           QStringLiteral("Maximum number of undo/redo steps recorded (0 - 32000)"), FUndoCount, FUpDown1);
    number("MaskEditTabSize", "UpDown2", 2, 16, QStringLiteral("Tab size (0 - 16)"), FTabSize, FUpDown2);
    left->addWidget(Box(page, "CheckBoxTabsAsSpaces", QStringLiteral("Tabs as spaces")));
    left->addWidget(Box(page, "CheckBoxAutoIndent", QStringLiteral("Auto indent")));
    left->addWidget(Box(page, "CheckBoxautoUnindent", QStringLiteral("Auto unindent")));
    left->addWidget(Box(page, "CheckBoxCursorThruTabs", QStringLiteral("Cursor through tabs")));
    left->addWidget(Box(page, "CheckBoxUndoAfterSave", QStringLiteral("Undo after save")));
    left->addWidget(Box(page, "CheckBoxXHTML", QStringLiteral("XHTML syntax for single tags etc")));

    auto *newFile = new QGroupBox(QStringLiteral(" New file "), page);
    newFile->setObjectName(QStringLiteral("GroupBoxNewFile"));
    auto *nf = new QVBoxLayout(newFile);
    nf->addWidget(Box(newFile, "CheckBoxNewFileHTML", QStringLiteral("Include basic HTML tags")));
    nf->addWidget(Box(newFile, "CheckBoxNewFileJSSection", QStringLiteral("Include basic Javascript section tags")));
    nf->addWidget(Radio(newFile, "RadioButtonHead", QStringLiteral("in <head> section")));
    nf->addWidget(Radio(newFile, "RadioButtonAfterBody", QStringLiteral("after </body> tag")));
    left->addWidget(newFile);
    left->addStretch();
    grid->addLayout(left, 0, 0, 3, 1);

    auto *view = new QGroupBox(QStringLiteral(" View with installed Browser "), page);
    view->setObjectName(QStringLiteral("GroupBoxBrowser"));
    auto *vb = new QGridLayout(view);
    auto *browsers = new QButtonGroup(view);
    int row = 0;
    for (const auto &[name, caption] : {std::pair{"RadioButtonDefaultBrowser", "Use default (system) browser"},
                                        std::pair{"RadioButtonOtherBrowsers", "Use selected browser from this list"},
                                        std::pair{"RadioButtonNoBrowser", "No browser (disable \"View\")"},
                                        std::pair{"RadioButtonOfferOtherBr", "Offer all browser(s) at View time"}}) {
        QRadioButton *r = Radio(view, name, QString::fromUtf8(caption));
        browsers->addButton(r);
        vb->addWidget(r, row++, 0);
        connect(r, &QRadioButton::clicked, this, GuardedSlot([this] { BrowserRadioClicked(); }));
    }
    BrowserList = new TTextListBox(view);
    BrowserList->setObjectName(QStringLiteral("ListBoxBrowsers"));
    BrowserList->SetItemHeight(13);
    BrowserList->setMinimumSize(228, 70);
    vb->addWidget(BrowserList, 0, 1, 4, 1);
    auto *brButtons = new QHBoxLayout;
    for (const auto &[name, caption] :
         {std::pair{"ButtonRefreshBr", "Refresh Browser list"}, std::pair{"ButtonAddBr", "Add Browser"},
          std::pair{"ButtonDelBr", "Delete Browser"}}) {
        auto *b = new QPushButton(QString::fromUtf8(caption), view);
        b->setObjectName(QString::fromLatin1(name));
        brButtons->addWidget(b);
    }
    vb->addLayout(brButtons, 4, 0, 1, 2);
    connect(Control<QPushButton>("ButtonRefreshBr"), &QPushButton::clicked, this, GuardedSlot([this] {
        std::vector<WideString> user;
        const std::vector<WideString> all = BrowserNames();
        for (size_t i = size_t(FDetectedBrowserCount); i < all.size(); ++i)
            user.push_back(all[i]);
        DetectBrowsers();
        FillBrowserList(user);
    }));
    connect(Control<QPushButton>("ButtonAddBr"), &QPushButton::clicked, this, GuardedSlot([this] { AddBrowser(); }));
    connect(Control<QPushButton>("ButtonDelBr"), &QPushButton::clicked, this, GuardedSlot([this] { DeleteBrowser(); }));
    grid->addWidget(view, 0, 1);

    auto *from = new QGroupBox(QStringLiteral(" View from File or a Server "), page);
    auto *fb = new QHBoxLayout(from);
    fb->addWidget(Radio(from, "RadioButtonFile", QStringLiteral("File")));
    fb->addWidget(Radio(from, "RadioButtonServer", QStringLiteral("Server")));
    auto *server = new QLineEdit(QStringLiteral("http://"), from);
    server->setObjectName(QStringLiteral("EditServer"));
    server->setToolTip(QStringLiteral("e.g. http://localhost:8080/mysite/"));
    fb->addWidget(server, 1);
    grid->addWidget(from, 1, 1);
    for (const char *name : {"RadioButtonFile", "RadioButtonServer"})
        connect(Control<QRadioButton>(name), &QRadioButton::toggled, this, GuardedSlot([this] { UpdateEnabling(); }));

    auto *right = new QVBoxLayout;
    right->addWidget(Box(page, "CheckBoxAutoSaveOnView", QStringLiteral("Save file automatically before viewing")));
    auto *share = new QGroupBox(QStringLiteral(" Share mode for files on network drives "), page);
    share->setObjectName(QStringLiteral("RadioGroupShare"));
    auto *sb = new QVBoxLayout(share);
    auto *shareGroup = new QButtonGroup(share);
    shareGroup->setObjectName(QStringLiteral("RadioGroupShareItems"));
    int id = 0;
    for (const char *caption : {"No sharing locks", "Share Read Only", "Share Exclusive"}) {
        auto *r = new QRadioButton(QString::fromLatin1(caption), share);
        r->setObjectName(QStringLiteral("RadioGroupShare%1").arg(id));
        shareGroup->addButton(r, id++);
        sb->addWidget(r);
    }
    right->addWidget(share);
    right->addStretch();
    grid->addLayout(right, 2, 1);

    for (const char *name : {"CheckBoxNewFileHTML", "CheckBoxNewFileJSSection"})
        connect(Control<QCheckBox>(name), &QCheckBox::toggled, this, GuardedSlot([this] { UpdateEnabling(); }));
    return page;
}

TruvColorButton *TfrmOptions::ColourButton(QWidget *Parent, const QString &Name)
{
    auto *b = new TruvColorButton(Parent);
    b->setObjectName(Name);
    b->setMinimumWidth(60);
    b->setMaximumWidth(120);
    return b;
}

QListWidget *TfrmOptions::StyleList(QWidget *Parent, const QString &Name)
{
    auto *list = new QListWidget(Parent);
    list->setObjectName(Name);
    for (const char *item : {"Bold", "Italic", "Underline", "Strikeout"}) {
        auto *i = new QListWidgetItem(QString::fromLatin1(item), list);
        i->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        i->setCheckState(Qt::Unchecked);
    }
    list->setFixedHeight(4 * 17 + 6);
    list->setMaximumWidth(120);
    return list;
}

QWidget *TfrmOptions::MakeColourPage(bool Html)
{
    auto *page = new QWidget(this);
    auto *grid = new QGridLayout(page);
    grid->addWidget(new QLabel(QStringLiteral("Foreground"), page), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Background"), page), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Style"), page), 0, 3);
    auto addRow = [&](int Row, const char *Name, const char *Caption) {
        grid->addWidget(new QLabel(QString::fromUtf8(Caption), page), Row, 0);
        grid->addWidget(ColourButton(page, PickerName(Html, Name, false)), Row, 1);
        grid->addWidget(ColourButton(page, PickerName(Html, Name, true)), Row, 2);
        grid->addWidget(StyleList(page, StyleListName(Html, Name)), Row, 3);
    };
    int row = 1;
    if (Html)
        for (const auto &r : HTMLRows)
            addRow(row++, r.Name, r.Caption);
    else
        for (const auto &r : JavascriptRows)
            addRow(row++, r.Name, r.Caption);
    // Six rows of style lists do not fit beneath each other: the HTML page puts its rows in two
    // columns.
    if (Html) {
        for (int i = 4; i <= 6; ++i)
            for (int c = 0; c < 4; ++c)
                if (QLayoutItem *item = grid->itemAtPosition(i, c)) {
                    QWidget *w = item->widget();
                    grid->removeWidget(w);
                    grid->addWidget(w, i - 3, c + 5);
                }
        grid->addWidget(new QLabel(QStringLiteral("Foreground"), page), 0, 6);
        grid->addWidget(new QLabel(QStringLiteral("Background"), page), 0, 7);
        grid->addWidget(new QLabel(QStringLiteral("Style"), page), 0, 8);
        grid->setColumnMinimumWidth(4, 16);
        row = 4;
    }
    QCheckBox *same = Box(page, Html ? "CheckBoxHTMLBckSame" : "CheckBoxJSBckSame",
                          QStringLiteral("All backgrounds same as editor background"));
    grid->addWidget(same, row, 0, 1, 4);
    auto *restore = new QPushButton(QStringLiteral("&Restore"), page);
    restore->setObjectName(QString::fromLatin1(Html ? "ButtonHTMLRestore" : "ButtonRestoreJS"));
    grid->addWidget(restore, row + 1, 0);
    grid->setRowStretch(row + 2, 1);
    grid->setColumnStretch(Html ? 9 : 4, 1);
    connect(same, &QCheckBox::toggled, this, GuardedSlot([this, Html] { BackgroundsSame(Html); }));
    connect(restore, &QPushButton::clicked, this,
            GuardedSlot([this, Html] { Html ? RestoreHTML() : RestoreJavascript(); }));
    return page;
}

QWidget *TfrmOptions::MakeAppColoursPage()
{
    auto *page = new QWidget(this);
    auto *grid = new QGridLayout(page);
    const char *const captions[] = {"Editor pane background", "Navigation tree pane background",
                                    "Errors and warnings pane background", "Line numbers background",
                                    "Marked line background"};
    for (int i = 0; i < 5; ++i) {
        grid->addWidget(new QLabel(QString::fromLatin1(captions[i]), page), i, 0);
        grid->addWidget(ColourButton(page, QString::fromLatin1(AppColourNames[i])), i, 1);
    }
    auto *restore = new QPushButton(QStringLiteral("&Restore"), page);
    restore->setObjectName(QStringLiteral("ButtonRestoreDefaults"));
    grid->addWidget(restore, 5, 0, Qt::AlignLeft);
    grid->setRowStretch(6, 1);
    grid->setColumnStretch(2, 1);
    connect(restore, &QPushButton::clicked, this, GuardedSlot([this] { RestoreAppColours(); }));
    // The backgrounds that follow the editor's follow it here too.
    Control<TruvColorButton>("ColorPickerButtonEditorBck")->OnColorChange = [this](TruvColorButton *) {
        BackgroundsSame(false);
        BackgroundsSame(true);
    };
    return page;
}

QWidget *TfrmOptions::MakeAssociationsPage()
{
    auto *page = new QWidget(this);
    auto *v = new QVBoxLayout(page);
    // Only the edit entry has a desktop counterpart; the other groups stay hidden.
    const struct {
        const char *Group, *Caption, *Js, *Htm;
        bool Shown;
    } groups[] = {
        {"GroupBoxAssoc", " File association to Quillmar ", "CheckBoxAssocJs", "CheckBoxAssocHtm", false},
        {"GroupBoxOpen", " Open with Quillmar ", "CheckBoxOpenJs", "CheckBoxOpenHtm", false},
        {"GroupBoxEdit", " Edit with Quillmar ", "CheckBoxEditJs", "CheckBoxEditHtm", true},
    };
    for (const auto &g : groups) {
        auto *box = new QGroupBox(QString::fromLatin1(g.Caption), page);
        box->setObjectName(QString::fromLatin1(g.Group));
        auto *h = new QHBoxLayout(box);
        h->addWidget(Box(box, g.Js, QStringLiteral("Javascript files (.js)")));
        h->addWidget(Box(box, g.Htm, QStringLiteral("HTML files (.htm, .html)")));
        box->setVisible(g.Shown);
        v->addWidget(box);
    }
    auto *ie = new QGroupBox(QStringLiteral(" Edit list within Internet Explorer "), page);
    ie->setObjectName(QStringLiteral("GroupBoxEditIE"));
    (new QHBoxLayout(ie))->addWidget(Box(ie, "CheckBoxEditIE", QStringLiteral("Edit with Quillmar")));
    ie->setVisible(false);
    v->addWidget(ie);
    auto *label = new QLabel(QStringLiteral("Checking a box offers \"Edit with Quillmar\" for those files in the "
                                            "desktop's \"Open with\" choices; unchecking both removes the entry."),
                             page);
    label->setObjectName(QStringLiteral("LabelAssociations"));
    label->setWordWrap(true);
    v->addWidget(label);
    v->addStretch();
    return page;
}

QWidget *TfrmOptions::MakeStartupPage()
{
    auto *page = new QWidget(this);
    auto *grid = new QGridLayout(page);
    grid->addWidget(Box(page, "CheckBoxNewFile", QStringLiteral("Create an empty new file")), 0, 0, 1, 3);
    grid->addWidget(Box(page, "CheckBoxStartOpen", QStringLiteral("Open files from the start files list")), 1, 0, 1, 3);
    grid->addWidget(Box(page, "CheckBoxCheckOpen", QStringLiteral("Syntax check on file open")), 2, 0, 1, 3);
    auto list = [&](const char *Caption, const char *Name, int Column) {
        auto *box = new QGroupBox(QString::fromLatin1(Caption), page);
        auto *l = new QVBoxLayout(box);
        auto *lb = new TTextListBox(box);
        lb->setObjectName(QString::fromLatin1(Name));
        lb->SetItemHeight(13);
        lb->setMinimumSize(239, 160);
        l->addWidget(lb);
        grid->addWidget(box, 3, Column);
        return lb;
    };
    OpenFilesList = list(" Files currently open ", "ListBoxOpenFiles", 0);
    StartFilesList = list(" Start files ", "ListBoxStartFiles", 2);
    auto *buttons = new QVBoxLayout;
    const struct {
        const char *Name, *Caption;
        void (TfrmOptions::*Handler)();
    } clicks[] = {
        {"ButtonCopy1", ">", &TfrmOptions::CopyStartFile},
        {"ButtonCopyAll", ">>", &TfrmOptions::CopyAllStartFiles},
        {"ButtonDelStartFile", "Remove", &TfrmOptions::RemoveStartFile},
        {"ButtonClearStartFiles", "Clear", &TfrmOptions::ClearStartFiles},
    };
    buttons->addStretch();
    for (const auto &c : clicks) {
        auto *b = new QPushButton(QString::fromLatin1(c.Caption), page);
        b->setObjectName(QString::fromLatin1(c.Name));
        const auto handler = c.Handler;
        connect(b, &QPushButton::clicked, this, GuardedSlot([this, handler] { (this->*handler)(); }));
        buttons->addWidget(b);
    }
    buttons->addStretch();
    grid->addLayout(buttons, 3, 1);
    grid->setRowStretch(3, 1);
    return page;
}

// ============================================================================ settings

void TfrmOptions::LoadFrom(const TSettings &S)
{
    for (const TBoxField &f : BoxFields)
        Control<QCheckBox>(f.Name)->setChecked(S.*f.Field);
    // Radio buttons that share a group cannot be cleared by checking another one when the settings
    // have none of them on: exclusiveness is lifted while they are set.
    for (const TBoxField &f : RadioFields) {
        auto *r = Control<QRadioButton>(f.Name);
        QButtonGroup *group = r->group();
        if (group)
            group->setExclusive(false);
        r->setAutoExclusive(false);
        r->setChecked(S.*f.Field);
        r->setAutoExclusive(true);
        if (group)
            group->setExclusive(true);
    }
    Control<QRadioButton>("RadioButtonServer")->setChecked(!S.ViewFile);
    Control<QLineEdit>("EditServer")->setText(ToQString(S.Server));

    FUpDown1->setValue(-std::clamp(S.UndoCount, 0, 32000));
    FUndoCount->setText(QString::number(S.UndoCount));
    FUpDown2->setValue(-std::clamp(S.TabSize, 0, 16));
    FTabSize->setText(QString::number(S.TabSize));

    int share = 1;
    if (S.ShareNone)
        share = 0;
    if (S.ShareRead)
        share = 1;
    if (S.ShareExclusive)
        share = 2;
    Control<QRadioButton>(QStringLiteral("RadioGroupShare%1").arg(share).toLatin1().constData())->setChecked(true);

    const TAppColours app{S.EditBackground, S.TreeView, S.Errors, S.Gutter, S.Marked};
    SetAppColours(app);
    SetJavascript(S.Javascript);
    SetHTML(S.HTML);

    FillBrowserList(S.UserBrowsers);
    BrowserList->SetItemIndex(-1);
    if (!S.OtherBrowserName.empty()) {
        const AnsiString name = ToLocalPath(ToQString(S.OtherBrowserName));
        for (int i = 0; i < BrowserList->Items().Count(); ++i)
            if (BrowserList->Items().Strings(i) == name) {
                BrowserList->SetItemIndex(i);
                break;
            }
    }

    StartFilesList->Items().Clear();
    for (const WideString &f : S.StartOpenList)
        StartFilesList->Items().Add(ToLocalPath(ToQString(f)));
    UpdateEnabling();
    BackgroundsSame(false);
    BackgroundsSame(true);
}

void TfrmOptions::SaveTo(TSettings &S) const
{
    for (const TBoxField &f : BoxFields)
        S.*f.Field = Control<QCheckBox>(f.Name)->isChecked();
    for (const TBoxField &f : RadioFields)
        S.*f.Field = Control<QRadioButton>(f.Name)->isChecked();
    S.Server = ToWideString(Control<QLineEdit>("EditServer")->text());
    S.UndoCount = NumberOr(FUndoCount->text(), 1000);
    S.TabSize = NumberOr(FTabSize->text(), 2);
    S.ShareNone = Control<QRadioButton>("RadioGroupShare0")->isChecked();
    S.ShareRead = Control<QRadioButton>("RadioGroupShare1")->isChecked();
    S.ShareExclusive = Control<QRadioButton>("RadioGroupShare2")->isChecked();

    auto colour = [this](const char *Name) { return int(Control<TruvColorButton>(Name)->GetColor()); };
    S.EditBackground = colour(AppColourNames[0]);
    S.TreeView = colour(AppColourNames[1]);
    S.Errors = colour(AppColourNames[2]);
    S.Gutter = colour(AppColourNames[3]);
    S.Marked = colour(AppColourNames[4]);
    GetJavascript(S.Javascript);
    GetHTML(S.HTML);

    const int selected = BrowserList->ItemIndex();
    if (selected >= 0 && selected < BrowserList->Items().Count())
        S.OtherBrowserName = ToWideString(FromLocalPath(BrowserList->Items().Strings(selected)));
    S.UserBrowsers.clear();
    for (int i = FDetectedBrowserCount; i < BrowserList->Items().Count(); ++i)
        if (!BrowserList->Items().Strings(i).empty())
            S.UserBrowsers.push_back(ToWideString(FromLocalPath(BrowserList->Items().Strings(i))));
    S.StartOpenList = StartFiles();
}

void TfrmOptions::SetAppColours(const TAppColours &C)
{
    const int values[] = {C.EditBackground, C.TreeView, C.Errors, C.Gutter, C.Marked};
    for (int i = 0; i < 5; ++i)
        Control<TruvColorButton>(AppColourNames[i])->SetColor(TColor(values[i]));
}

void TfrmOptions::SetJavascript(const TJavascriptColours &C)
{
    for (const auto &r : JavascriptRows) {
        findChild<TruvColorButton *>(PickerName(false, r.Name, false))->SetColor(TColor(C.*r.FG));
        findChild<TruvColorButton *>(PickerName(false, r.Name, true))->SetColor(TColor(C.*r.BG));
        SetStyleChecks(*findChild<QListWidget *>(StyleListName(false, r.Name)), C.*r.Style);
    }
}

void TfrmOptions::SetHTML(const THTMLColours &C)
{
    for (const auto &r : HTMLRows) {
        findChild<TruvColorButton *>(PickerName(true, r.Name, false))->SetColor(TColor(C.*r.FG));
        findChild<TruvColorButton *>(PickerName(true, r.Name, true))->SetColor(TColor(C.*r.BG));
        SetStyleChecks(*findChild<QListWidget *>(StyleListName(true, r.Name)), C.*r.Style);
    }
}

void TfrmOptions::GetJavascript(TJavascriptColours &C) const
{
    for (const auto &r : JavascriptRows) {
        C.*r.FG = int(findChild<TruvColorButton *>(PickerName(false, r.Name, false))->GetColor());
        C.*r.BG = int(findChild<TruvColorButton *>(PickerName(false, r.Name, true))->GetColor());
        C.*r.Style = StyleChecks(*findChild<QListWidget *>(StyleListName(false, r.Name)));
    }
}

void TfrmOptions::GetHTML(THTMLColours &C) const
{
    for (const auto &r : HTMLRows) {
        C.*r.FG = int(findChild<TruvColorButton *>(PickerName(true, r.Name, false))->GetColor());
        C.*r.BG = int(findChild<TruvColorButton *>(PickerName(true, r.Name, true))->GetColor());
        C.*r.Style = StyleChecks(*findChild<QListWidget *>(StyleListName(true, r.Name)));
    }
}

// ============================================================================ enabling

void TfrmOptions::UpdateEnabling()
{
    const bool warnings = !Control<QCheckBox>("CheckBoxNoWarnings")->isChecked();
    for (const char *name : {"CheckBoxWarnJSfuncNotCalled", "CheckBoxRepeatDec", "CheckBoxWarnNoVar",
                             "CheckBoxDeprecated", "CheckBoxWarnSemiColon"})
        Control<QCheckBox>(name)->setEnabled(warnings);
    const bool both = Control<QCheckBox>("CheckBoxNewFileHTML")->isChecked() &&
                      Control<QCheckBox>("CheckBoxNewFileJSSection")->isChecked();
    Control<QRadioButton>("RadioButtonHead")->setEnabled(both);
    Control<QRadioButton>("RadioButtonAfterBody")->setEnabled(both);
    const bool viewing = !Control<QRadioButton>("RadioButtonNoBrowser")->isChecked();
    Control<QRadioButton>("RadioButtonFile")->setEnabled(viewing);
    Control<QRadioButton>("RadioButtonServer")->setEnabled(viewing);
    Control<QLineEdit>("EditServer")->setEnabled(viewing && !Control<QRadioButton>("RadioButtonFile")->isChecked());
}

void TfrmOptions::BackgroundsSame(bool Html)
{
    const bool same = Control<QCheckBox>(Html ? "CheckBoxHTMLBckSame" : "CheckBoxJSBckSame")->isChecked();
    const TColor editor = Control<TruvColorButton>("ColorPickerButtonEditorBck")->GetColor();
    auto apply = [&](const char *Row) {
        auto *b = findChild<TruvColorButton *>(PickerName(Html, Row, true));
        b->setEnabled(!same);
        if (same)
            b->SetColor(editor);
    };
    if (Html)
        for (const auto &r : HTMLRows)
            apply(r.Name);
    else
        for (const auto &r : JavascriptRows)
            apply(r.Name);
}

void TfrmOptions::BrowserRadioClicked()
{
    auto *other = Control<QRadioButton>("RadioButtonOtherBrowsers");
    if (other->isChecked() && BrowserList->ItemIndex() < 0) {
        MessageDlg(u"No \"other\" browser selected", TMsgDlgType::mtWarning, mbOK);
        Control<QRadioButton>("RadioButtonOfferOtherBr")->setChecked(true);
    }
    UpdateEnabling();
}

// ============================================================================ browsers

void TfrmOptions::DetectBrowsers()
{
    FDetected = ::DetectBrowsers(FEnvironment);
    FDetectedBrowserCount = int(FDetected.Browsers.size());
    Control<QRadioButton>("RadioButtonDefaultBrowser")
        ->setText(ToQString(FDetected.DefaultCommand.empty() ? WideString(u"Use default (system) browser")
                                                             : DefaultBrowserCaption(FDetected.DefaultCommand)));
    FillBrowserList({});
}

void TfrmOptions::FillBrowserList(const std::vector<WideString> &UserBrowsers)
{
    BrowserList->Items().Clear();
    for (const WideString &b : FDetected.Browsers)
        BrowserList->Items().Add(ToLocalPath(ToQString(b)));
    for (const WideString &b : UserBrowsers)
        BrowserList->Items().Add(ToLocalPath(ToQString(b)));
}

std::vector<WideString> TfrmOptions::BrowserNames() const
{
    std::vector<WideString> r;
    for (int i = 0; i < BrowserList->Items().Count(); ++i)
        r.push_back(ToWideString(FromLocalPath(BrowserList->Items().Strings(i))));
    return r;
}

void TfrmOptions::AddBrowser()
{
    const QString path = RunBrowserDialog ? RunBrowserDialog() : QString();
    if (!path.isEmpty())
        BrowserList->Items().Add(ToLocalPath(path));
}

void TfrmOptions::DeleteBrowser()
{
    const int i = BrowserList->ItemIndex();
    if (i < FDetectedBrowserCount || i >= BrowserList->Items().Count()) {
        MessageDlg(u"Can only delete browsers you have added", TMsgDlgType::mtInformation, mbOK);
        return;
    }
    BrowserList->Items().Delete(i);
}

// ============================================================================ start files

void TfrmOptions::SetOpenFiles(const std::vector<WideString> &Files)
{
    OpenFilesList->Items().Clear();
    for (const WideString &f : Files)
        OpenFilesList->Items().Add(ToLocalPath(ToQString(f)));
}

std::vector<WideString> TfrmOptions::StartFiles() const
{
    std::vector<WideString> r;
    for (int i = 0; i < StartFilesList->Items().Count(); ++i)
        r.push_back(ToWideString(FromLocalPath(StartFilesList->Items().Strings(i))));
    return r;
}

void TfrmOptions::CopyStartFile()
{
    const int i = OpenFilesList->ItemIndex();
    if (i < 0 || i >= OpenFilesList->Items().Count())
        return;
    const AnsiString &name = OpenFilesList->Items().Strings(i);
    if (StartFilesList->Items().IndexOf(name) < 0)
        StartFilesList->Items().Add(name);
}

void TfrmOptions::CopyAllStartFiles()
{
    for (int i = 0; i < OpenFilesList->Items().Count(); ++i) {
        const AnsiString &name = OpenFilesList->Items().Strings(i);
        if (StartFilesList->Items().IndexOf(name) < 0)
            StartFilesList->Items().Add(name);
    }
}

void TfrmOptions::RemoveStartFile()
{
    const int i = StartFilesList->ItemIndex();
    if (i >= 0 && i < StartFilesList->Items().Count())
        StartFilesList->Items().Delete(i);
}

void TfrmOptions::ClearStartFiles()
{
    StartFilesList->Items().Clear();
}

// ============================================================================ restore buttons

void TfrmOptions::RestoreJavascript()
{
    TJavascriptColours c;
    RestoreJavascriptDefaults(c, int(Control<TruvColorButton>("ColorPickerButtonEditorBck")->GetColor()));
    SetJavascript(c);
}

void TfrmOptions::RestoreHTML()
{
    THTMLColours c;
    RestoreHTMLDefaults(c, int(Control<TruvColorButton>("ColorPickerButtonEditorBck")->GetColor()));
    SetHTML(c);
}

void TfrmOptions::RestoreAppColours()
{
    SetAppColours(DefaultAppColours());
    BackgroundsSame(false);
    BackgroundsSame(true);
}

// ============================================================================ desktop entry

void TfrmOptions::ReadAssociations()
{
    FShownAssociations = ::ReadAssociations(DataFolder);
    Control<QCheckBox>("CheckBoxEditHtm")->setChecked(FShownAssociations.Html);
    Control<QCheckBox>("CheckBoxEditJs")->setChecked(FShownAssociations.Js);
}

bool TfrmOptions::WriteAssociations()
{
    const TAssociations now{Control<QCheckBox>("CheckBoxEditHtm")->isChecked(),
                            Control<QCheckBox>("CheckBoxEditJs")->isChecked()};
    QString error;
    if (!::WriteAssociations(DataFolder, Program, FShownAssociations, now, error)) {
        ShowMessage(ToWideString(error));
        return false;
    }
    FShownAssociations = now;
    return true;
}

void TfrmOptions::done(int Result)
{
    if (Result == QDialog::Accepted)
        WriteAssociations();
    QDialog::done(Result);
}

// ============================================================================ viewer options

namespace {

// A list that gains no current item by taking the focus: a list view makes its first row current
// then, and a chosen browser must be one the user chose.
class TChoiceListWidget : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void focusInEvent(QFocusEvent *Event) override
    {
        const bool hadCurrent = currentIndex().isValid();
        QListWidget::focusInEvent(Event);
        if (!hadCurrent && currentIndex().isValid())
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
};

} // namespace

TfrmViewOptions::TfrmViewOptions(QWidget *Parent) : QDialog(Parent)
{
    setObjectName(QStringLiteral("frmViewOptions"));
    setWindowTitle(QStringLiteral("Viewer options"));
    auto *v = new QVBoxLayout(this);
    ListBoxBr = new TChoiceListWidget(this);
    ListBoxBr->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBoxBr->setObjectName(QStringLiteral("ListBoxBr"));
    v->addWidget(ListBoxBr);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ListBoxBr, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    v->addWidget(buttons);
}

void TfrmViewOptions::Fill(const std::vector<WideString> &Browsers)
{
    ListBoxBr->clear();
    for (const WideString &b : Browsers)
        ListBoxBr->addItem(ToQString(b));
}

bool TfrmViewOptions::ChosenBrowser(WideString &Name) const
{
    const QList<QListWidgetItem *> chosen = ListBoxBr->selectedItems();
    if (chosen.isEmpty())
        return false;
    Name = ToWideString(chosen.first()->text());
    return true;
}
