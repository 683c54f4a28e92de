// Check syntax from the main window on jquery.js (tree and findings filled, results saved with the
// tab), side by side with the library-level check of the same text into an in-memory tree and list.
// Then the tab switch: away from and back to a tab whose results are 10,000 tree nodes and 5,000
// findings, as the user switches tabs.
#include "bench/BenchSupport.h"
#include "checker/HTMLJSFileChecker.h"
#include "checker/NavTreeMemory.h"
#include "controls/TextListBox.h"
#include "controls/TreeNT.h"
#include "editor/SyntaxEdit.h"
#include "editor/SyntaxEditorStrings.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/MainWindow.h"
#include "text/WideStrings.h"

#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

namespace {
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

class TDocument final : public ICheckDocument {
public:
    TDocument(const TWideStrings &Lines, WideString Name) : FLines(Lines), FName(std::move(Name)) {}
    const TWideStrings &Lines() const override { return FLines; }
    WideString FileName() const override { return FName; }

private:
    const TWideStrings &FLines;
    WideString FName;
};
} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    TScriptedPrompter prompts;
    TPrompterScope scope(prompts);
    const QString jquery = QStringLiteral("/usr/share/javascript/jquery/jquery.js");
    if (!QFile::exists(jquery)) {
        std::printf("jquery.js not found (package libjs-jquery)\n");
        return 0;
    }
    QTemporaryDir dir;
    TMainWindowSetup setup;
    setup.SettingsFile = ToLocalPath(dir.filePath(QStringLiteral("Quillmar.ini")));
    TfrmQuillmarMain window(setup);
    window.Settings.CheckOpen = false;
    window.Settings.Summary = true;
    window.Settings.SemiColon = true;
    window.Settings.WarnJSFuncNotCalled = true;
    window.resize(1200, 900);
    window.show();
    QApplication::processEvents();
    window.OpenFile(ToWideString(jquery), false, false, WideString());
    TSyntaxEdit &editor = *window.ActiveEditor();

    // Library level: the same lines, options and display name, in-memory tree and list.
    std::vector<double> library, inWindow;
    int findings = 0, nodes = 0;
    {
        THTMLJSFileChecker checker(nullptr);
        TDocument doc(editor.Lines(), editor.FileName());
        for (int i = 0; i < 7; ++i) {
            TStringList items, includes, serverIncludes;
            TNavTreeMemory tree;
            const auto t0 = Clock::now();
            checker.CheckFile(doc, &items, &tree, window.CheckOptions(), &includes, &serverIncludes, "jquery.js");
            library.push_back(Ms(t0, Clock::now()));
            checker.ClearTree(nullptr);
        }
    }
    for (int i = 0; i < 7; ++i) {
        const auto t0 = Clock::now();
        window.CheckSyntaxActionExecute();
        inWindow.push_back(Ms(t0, Clock::now()));
        findings = window.ErrorList->Items().Count();
        nodes = window.NavTree->Items().GetCount();
    }
    const double lib = bench::Median(library), win = bench::Median(inWindow);
    std::printf("check syntax on jquery.js (%d findings, %d nodes): window %.1f ms, library %.1f ms, ratio %.2f "
                "(aim 1.5: %s)\n",
                findings, nodes, win, lib, win / lib, win / lib <= 1.5 ? "met" : "missed");

    // A tab whose results are 10,000 nodes and 5,000 findings.
    window.FileNewActionExecute();
    {
        TTreeNTNodes &tree = window.NavTree->Items();
        tree.BeginUpdate();
        tree.Clear();
        for (int s = 0; s < 100; ++s) {
            TTreeNTNode *root = tree.Add(nullptr, WideString(u"Section ") + ToWideString(QString::number(s)));
            for (int k = 0; k < 99; ++k)
                tree.AddChild(root, WideString(u"name") + ToWideString(QString::number(k)));
        }
        tree.EndUpdate();
        TStrings &list = window.ErrorList->Items();
        list.BeginUpdate();
        list.Clear();
        for (int k = 0; k < 5000; ++k)
            list.Add("(013) Warning on line " + std::to_string(k + 1) + ", statement separator missing");
        list.EndUpdate();
        window.SaveResultsInto(*window.ActiveTab()->Record, false);
        window.ActiveTab()->Record->Checked = true;
    }
    std::vector<double> away, back;
    for (int i = 0; i < 9; ++i) {
        auto t0 = Clock::now();
        window.PageControl1->setCurrentIndex(0);
        QApplication::processEvents();
        away.push_back(Ms(t0, Clock::now()));
        t0 = Clock::now();
        window.PageControl1->setCurrentIndex(1);
        QApplication::processEvents();
        back.push_back(Ms(t0, Clock::now()));
    }
    std::printf("tab switch to a tab of 10,000 nodes and 5,000 findings: %.1f ms (aim 50 ms: %s); away %.1f ms\n",
                bench::Median(back), bench::Median(back) < 50 ? "met" : "missed", bench::Median(away));
    window.Settings.NewFile = false;
    return 0;
}
