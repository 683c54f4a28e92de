#pragma once
// What the picture benches share: the pictures they read (a photo from a Debian wallpaper package
// converted by ImageMagick to each format, a screenshot, an animated GIF of 100 frames), and
// paired, interleaved timing of our reader against a C library's reader called in this process.
#include "bench/BenchSupport.h"
#include "bench/PairedTimer.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <cstdio>
#include <string>

namespace bench {

// The wallpaper package's picture (4096 x 2304); scripts/install-bench-deps installs it.
inline const char *const kWallpaper = "/usr/share/backgrounds/warty-final-ubuntu.png";

inline std::string ToolPath(const char *Name)
{
    const std::string p = std::string("/usr/bin/") + Name;
    return QFile::exists(QString::fromStdString(p)) ? p : Name;
}

// ImageMagick's convert with Args (the last one the output file); false when it failed.
inline bool Convert(std::vector<std::string> Args)
{
    Args.insert(Args.begin(), ToolPath("convert"));
    return RunProgram(Args) == 0;
}

// A screenshot: a window of text, a tree and a list as the offscreen platform draws it, saved as
// PNG at Path.
inline bool MakeScreenshot(const std::string &Path)
{
    QSplitter window;
    auto *tree = new QTreeWidget(&window);
    for (int i = 0; i < 40; ++i) {
        auto *item = new QTreeWidgetItem(tree, {QString("function section%1()").arg(i)});
        for (int k = 0; k < 3; ++k)
            new QTreeWidgetItem(item, {QString("var local%1").arg(k)});
    }
    tree->expandAll();
    auto *text = new QPlainTextEdit(&window);
    QString source;
    for (int i = 0; i < 120; ++i)
        source += QString("    if (document.forms[%1].elements.length > %2) { alert(\"field %1\"); }\n").arg(i).arg(i * 7);
    text->setPlainText(source);
    auto *list = new QListWidget(&window);
    for (int i = 0; i < 60; ++i)
        list->addItem(QString("(%1) Warning on line %2, variable used before it is defined").arg(100 + i).arg(i * 3));
    window.resize(1600, 1000);
    window.show();
    QApplication::processEvents();
    return window.grab().toImage().save(QString::fromStdString(Path), "PNG");
}

// Pairs runs of Ours and Theirs, alternating which goes first, after WarmUp runs of each.
inline TPairedResult PairedInProcess(const std::function<void()> &Ours, const std::function<void()> &Theirs,
                                     int Pairs, int WarmUp = 2)
{
    for (int i = 0; i < WarmUp; ++i) {
        Ours();
        Theirs();
    }
    std::vector<double> ours, theirs, ratios;
    for (int i = 0; i < Pairs; ++i) {
        double a, b;
        if (i % 2 == 0) {
            a = TimeMs(Ours);
            b = TimeMs(Theirs);
        } else {
            b = TimeMs(Theirs);
            a = TimeMs(Ours);
        }
        ours.push_back(a);
        theirs.push_back(b);
        ratios.push_back(a / b);
    }
    TPairedResult r;
    r.Ours = Quantile(ours, 0.5);
    r.Theirs = Quantile(theirs, 0.5);
    r.Ratio = Quantile(ratios, 0.5);
    r.RatioLow = Quantile(ratios, 0.0);
    r.RatioHigh = Quantile(ratios, 1.0);
    return r;
}

inline void PrintPicturePair(const char *Label, const char *Library, const TPairedResult &R, int Pairs)
{
    std::printf("  %-30s ours %8.2f ms  %s %8.2f ms  ratio %.3f (range %.3f-%.3f, %d pairs)\n", Label, R.Ours,
                Library, R.Theirs, R.Ratio, R.RatioLow, R.RatioHigh, Pairs);
}

} // namespace bench
