#pragma once
// Helpers of the print tests: running poppler's tools on PDF output and reading back page
// sizes, text and pixels.
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace printtest {

inline QString RunTool(const QString &Program, const QStringList &Arguments)
{
    QProcess p;
    p.start(Program, Arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << Program.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Width and height in points of every page.
inline std::vector<std::pair<int, int>> PdfPageSizes(const QString &Pdf)
{
    const QString info = RunTool("pdfinfo", {Pdf});
    const QRegularExpression pagesRe("Pages:\\s+(\\d+)");
    const int pages = pagesRe.match(info).captured(1).toInt();
    std::vector<std::pair<int, int>> sizes;
    if (pages == 0)
        return sizes;
    const QString all = RunTool("pdfinfo", {"-f", "1", "-l", QString::number(pages), Pdf});
    const QRegularExpression re("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts");
    for (auto it = re.globalMatch(all); it.hasNext();) {
        const auto m = it.next();
        sizes.emplace_back(qRound(m.captured(1).toDouble()), qRound(m.captured(2).toDouble()));
    }
    return sizes;
}

inline bool IsLandscape(const std::pair<int, int> &Size)
{
    return Size.first > Size.second;
}

inline QString PdfText(const QString &Pdf, int Page = 0)
{
    QStringList args{"-layout"};
    if (Page > 0)
        args << "-f" << QString::number(Page) << "-l" << QString::number(Page);
    args << Pdf << "-";
    return RunTool("pdftotext", args);
}

// Page `Page` rendered in grey at `Dpi`.
inline QImage PdfPageImage(const QString &Pdf, int Page, int Dpi, const QString &Dir)
{
    const QString prefix = Dir + "/render";
    RunTool("pdftoppm", {"-r", QString::number(Dpi), "-gray", "-f", QString::number(Page), "-l", QString::number(Page),
                         "-singlefile", Pdf, prefix});
    return QImage(prefix + ".pgm");
}

// The bounding box of the pixels darker than mid-grey (empty when there are none).
inline QRect InkBox(const QImage &Image)
{
    QRect box;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (qGray(Image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace printtest
