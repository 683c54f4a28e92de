#pragma once
// The options dialog: the settings on seven pages, the browsers found on the desktop with those
// the user added, the files opened at start and the "Edit with Quillmar" desktop entry. Its
// controls are loaded from the settings every time it is shown (LoadFrom) and copied back only
// after OK (SaveTo), so Cancel leaves every setting as it was. Also the small viewer-options
// dialog that offers the browsers when a page is viewed.
#include "shell/OptionsLogic.h"
#include "shell/Settings.h"

#include <QDialog>

#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QScrollBar;
class QTabWidget;
class TTextListBox;
class TruvColorButton;

// The pages in order; a menu item's tag is the page it opens.
enum TOptionsPage { opErrors, opEditing, opJavascript, opHTML, opAppColours, opAssociations, opStartup };

class TfrmOptions : public QDialog {
public:
    explicit TfrmOptions(TBrowserEnvironment Environment = TBrowserEnvironment::System(), QWidget *Parent = nullptr);
    ~TfrmOptions() override;

    // Every control from Settings; the browser list becomes the detected browsers followed by the
    // user's, and the entry equal to OtherBrowserName is selected.
    void LoadFrom(const TSettings &Settings);
    // Every control into Settings, the start files included.
    void SaveTo(TSettings &Settings) const;

    // The start-up page's lists: the open files are only shown.
    void SetOpenFiles(const std::vector<WideString> &Files);
    std::vector<WideString> StartFiles() const;

    // ---- browsers
    void DetectBrowsers();
    int DetectedBrowserCount() const { return FDetectedBrowserCount; }
    std::vector<WideString> BrowserNames() const;
    // "Add Browser": the file dialog's answer is appended; tests replace the dialog.
    std::function<QString()> RunBrowserDialog;
    void AddBrowser();
    void DeleteBrowser();

    // ---- start files
    void CopyStartFile();
    void CopyAllStartFiles();
    void RemoveStartFile();
    void ClearStartFiles();

    // ---- restore buttons
    void RestoreJavascript();
    void RestoreHTML();
    void RestoreAppColours();

    // ---- the desktop entry: DataFolder and Program default to the user's data folder and the
    // running program. ReadAssociations runs when the dialog is shown, WriteAssociations on OK.
    QString DataFolder;
    QString Program;
    void ReadAssociations();
    bool WriteAssociations();

    QTabWidget *PageControl1 = nullptr;
    TTextListBox *BrowserList = nullptr;
    TTextListBox *OpenFilesList = nullptr;
    TTextListBox *StartFilesList = nullptr;

    // Named controls, for the main window and tests.
    template <class T>
    T *Control(const char *Name) const
    {
        return findChild<T *>(QString::fromLatin1(Name));
    }

    void done(int Result) override;

private:
    QWidget *MakeErrorsPage();
    QWidget *MakeEditingPage();
    QWidget *MakeColourPage(bool Html);
    QWidget *MakeAppColoursPage();
    QWidget *MakeAssociationsPage();
    QWidget *MakeStartupPage();
    QCheckBox *Box(QWidget *Parent, const char *Name, const QString &Caption);
    TruvColorButton *ColourButton(QWidget *Parent, const QString &Name);
    QListWidget *StyleList(QWidget *Parent, const QString &Name);
    void SetJavascript(const TJavascriptColours &C);
    void SetHTML(const THTMLColours &C);
    void GetJavascript(TJavascriptColours &C) const;
    void GetHTML(THTMLColours &C) const;
    void SetAppColours(const TAppColours &C);
    void UpdateEnabling();
    void BackgroundsSame(bool Html);
    void BrowserRadioClicked();
    void FillBrowserList(const std::vector<WideString> &UserBrowsers);

    TBrowserEnvironment FEnvironment;
    TBrowserDetection FDetected;
    int FDetectedBrowserCount = 0;
    TAssociations FShownAssociations;
    QLineEdit *FUndoCount = nullptr;
    QLineEdit *FTabSize = nullptr;
    QScrollBar *FUpDown1 = nullptr;
    QScrollBar *FUpDown2 = nullptr;
};

// Sets the four checks of a style list from a style byte (item i shows bit i) and back.
void SetStyleChecks(QListWidget &List, int Style);
int StyleChecks(const QListWidget &List);

// The browser choice offered when a page is viewed: the options dialog's browsers.
class TfrmViewOptions : public QDialog {
public:
    explicit TfrmViewOptions(QWidget *Parent = nullptr);
    void Fill(const std::vector<WideString> &Browsers);
    // The browser the user selected; false while none is.
    bool ChosenBrowser(WideString &Name) const;
    QListWidget *ListBoxBr = nullptr;
};
