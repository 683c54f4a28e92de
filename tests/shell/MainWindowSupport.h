#pragma once
// A main window made for a test: its settings file in a temporary folder, message boxes answered
// by a script, the file dialogs answered by the test.
#include "controls/FileDialogs.h"
#include <QFileDialog>
#include "editor/SyntaxEdit.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <deque>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

namespace mwtest {

inline std::string ReadBytes(const QString &Path)
{
    std::ifstream in(Path.toStdString(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void WriteBytes(const QString &Path, const std::string &Bytes)
{
    std::ofstream(Path.toStdString(), std::ios::binary) << Bytes;
}

inline std::string Narrow(const WideString &S)
{
    return ToQString(S).toStdString();
}

inline WideString W(const QString &S)
{
    return ToWideString(S);
}

// Runs Action once a modal window is up (polled from the event loop).
inline void WhenModal(std::function<void(QWidget &)> Action)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, Action] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            Action(*w);
        }
    });
    timer->start();
}

// One answer of the file dialog: the chosen files and the filter left selected (0: unchanged).
struct TDialogAnswer {
    QStringList Files;
    int Filter = 0;
};

class TWindowFixture {
public:
    explicit TWindowFixture(const std::string &SettingsText = std::string())
        : Prompts(std::make_unique<TScriptedPrompter>()), Scope(std::make_unique<TPrompterScope>(*Prompts))
    {
        SettingsPath = Dir.filePath(QStringLiteral("Quillmar.ini"));
        if (!SettingsText.empty())
            WriteBytes(SettingsPath, SettingsText);
        Make();
    }

    void Make()
    {
        TMainWindowSetup setup;
        setup.SettingsFile = ToLocalPath(SettingsPath);
        setup.SeedSettings = false;
        Window = std::make_unique<TfrmQuillmarMain>(setup);
        Window->RunFileDialog = [this](TEOpenDialog &Dialog, QStringList &Chosen) {
            DialogFileNames.push_back(FromLocalPath(Dialog.FileName()));
            DialogFilters.push_back(Dialog.FilterIndex());
            if (Answers.empty())
                return false;
            TDialogAnswer a = Answers.front();
            Answers.pop_front();
            Chosen = a.Files;
            if (a.Filter)
                Dialog.SetFilterIndex(a.Filter);
            return !Chosen.isEmpty();
        };
    }

    // Destroys the window (writing its settings) and makes a new one from the same file.
    void Restart()
    {
        Window.reset();
        Make();
    }

    QString File(const QString &Name) const { return Dir.filePath(Name); }
    QString Put(const QString &Name, const std::string &Bytes) const
    {
        WriteBytes(File(Name), Bytes);
        return QDir(Dir.path()).canonicalPath() + QLatin1Char('/') + Name;
    }

    std::vector<std::string> PromptTexts() const
    {
        std::vector<std::string> r;
        for (const TPrompt &p : Prompts->Asked())
            r.push_back(Narrow(p.Text));
        return r;
    }

    TSyntaxEdit &Editor(int Index) const { return *Window->Tab(Index)->Editor; }

    QTemporaryDir Dir;
    QString SettingsPath;
    std::unique_ptr<TScriptedPrompter> Prompts;
    std::unique_ptr<TPrompterScope> Scope;
    std::unique_ptr<TfrmQuillmarMain> Window;
    std::deque<TDialogAnswer> Answers;
    std::vector<QString> DialogFileNames;
    std::vector<int> DialogFilters;
};

} // namespace mwtest
