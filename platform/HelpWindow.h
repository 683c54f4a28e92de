#pragma once
// The in-process help viewer: a window that shows the topics of a compiled help file in a
// text browser. Links between topics (by mouse or Enter) and the topics' pictures are read from
// the same file; only http and https links open in the desktop's browser. InstallHelpWindow registers it as the
// viewer behind HtmlHelp (platform/HtmlHelp.h): a context request opens the file, looks the
// number up in the file's context map and shows that topic; "close all" closes the window.
#include "platform/ChmFile.h"

#include <QMainWindow>
#include <QTextBrowser>

#include <functional>
#include <memory>

class THelpBrowser : public QTextBrowser {
public:
    explicit THelpBrowser(QWidget *Parent = nullptr);
    void SetFile(const TChmFile *File) { FFile = File; }
    QVariant loadResource(int Type, const QUrl &Name) override;

    // Opens a web link (http, https) outside; unset: the desktop's browser. Tests set it.
    std::function<void(const QUrl &)> OnOpenExternal;

private:
    // A link the user followed, resolved against the topic shown.
    void FollowLink(const QUrl &Url);

    const TChmFile *FFile = nullptr;
};

class THelpWindow : public QMainWindow {
public:
    THelpWindow();
    ~THelpWindow() override;

    // Opens a help file (the one open stays when it is the same path). False when it cannot be read.
    bool OpenFile(const QString &Path);
    // Shows the topic of a context number; false when the number names no topic of the file.
    bool ShowContext(uint32_t Context);
    // Shows an object of the file ("/topics/a.htm"); false when there is none.
    bool ShowTopic(const QString &ObjectPath);
    const TChmFile *File() const { return FFile.get(); }
    THelpBrowser *Browser() const { return FBrowser; }
    // The title of the topic shown.
    QString TopicTitle() const;
    // The object path of the topic shown.
    QString CurrentTopic() const;

private:
    void UpdateTitle();

    std::unique_ptr<TChmFile> FFile;
    THelpBrowser *FBrowser = nullptr;
};

// Registers the help window as the program's help viewer.
void InstallHelpWindow();
// The file of the library that reads help files (for the debug log's report).
AnsiString HelpLibraryPath();
// The open help window, null when none is open.
THelpWindow *CurrentHelpWindow();
