// Times opening a 100,000-line, 5 MB page into a tab of the main window: the load with its share
// mode and stamps, the first highlight and the first paint of the screen, offscreen. Side by side:
// reading the same file with cat, plus the editor model's own load of it.
#include "bench/BenchSupport.h"
#include "editor/SyntaxEdit.h"
#include "editor/SyntaxEditorStrings.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/MainWindow.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    TScriptedPrompter prompts;
    TPrompterScope scope(prompts);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big page.html"));
    {
        std::ofstream out(path.toStdString(), std::ios::binary);
        const char *block[10] = {
            "<div class=\"row\"><a href=\"page.htm\">a link</a> text &amp; more</div>\r\n",
            "<script type=\"text/javascript\">\r\n",
            "function total(a, b) { var sum = a + b * 2; return sum; }\r\n",
            "  // a comment about what the function above computes for us\r\n",
            "</script>\r\n",
            "<!-- a comment that spans two lines of the page text -->\r\n",
            "<p class=\"para\">Some paragraph text with <b>bold</b> words in it</p>\r\n",
            "<table border=\"1\"><tr><td>cell</td><td>12345</td></tr></table>\r\n",
            "<img src=\"picture.gif\" width=\"120\" height=\"80\" alt=\"a picture\">\r\n",
            "<br>\r\n",
        };
        for (int i = 0; i < 10000; ++i)
            for (const char *line : block)
                out << line;
    }
    const AnsiString local = ToLocalPath(path);

    const double cat = bench::BestSeconds([&] { bench::RunProgram({"cat", local}); });
    const double model = bench::BestSeconds([&] {
        TSyntaxEdit e;
        e.Lines().LoadFromFile(local);
    });

    double load = 1e30, paint = 1e30;
    for (int run = 0; run < 3; ++run) {
        TMainWindowSetup setup;
        setup.SettingsFile = ToLocalPath(dir.filePath(QStringLiteral("Quillmar.ini")));
        TfrmQuillmarMain window(setup);
        window.Settings.CheckOpen = false;
        window.resize(1200, 900);
        window.Settings.NewFile = false;
        window.show();
        QApplication::processEvents();
        const auto t0 = std::chrono::steady_clock::now();
        window.OpenFile(ToWideString(path), true, false, WideString());
        const auto t1 = std::chrono::steady_clock::now();
        TSyntaxEdit &e = *window.ActiveEditor();
        QApplication::sendPostedEvents(); // layout of the new tab
        QImage image(e.TextWindow()->size(), QImage::Format_ARGB32_Premultiplied);
        {
            QPainter p(&image);
            e.PaintTo(p, image.rect());
        }
        const auto t2 = std::chrono::steady_clock::now();
        load = std::min(load, std::chrono::duration<double>(t1 - t0).count());
        paint = std::min(paint, std::chrono::duration<double>(t2 - t1).count());
        if (run == 0)
            std::printf("screen %dx%d, %d lines\n", image.width(), image.height(), e.LineCount());
        if (e.LineCount() < 100000)
            std::printf("unexpected line count %d\n", e.LineCount());
    }
    const double total = load + paint;
    const double reference = cat + model;
    std::printf("open 100,000-line 5 MB page in a tab: load %.1f ms, first highlight and paint %.1f ms, total %.1f ms"
                " (aim 1000 ms: %s)\n",
                load * 1e3, paint * 1e3, total * 1e3, total < 1.0 ? "met" : "missed");
    std::printf("reference: cat %.1f ms + editor model load %.1f ms = %.1f ms; ratio %.2f (aim under 3: %s)\n",
                cat * 1e3, model * 1e3, reference * 1e3, total / reference, total / reference < 3 ? "met" : "missed");
    return 0;
}
