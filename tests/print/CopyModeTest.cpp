// Pictures drawn with a copy mode: the raster operations on a screen or image, their result on
// white paper where the surface cannot be read back (a page description), the picture object in
// the preview, and the print quality and dither settings reaching the printer.
#include "print/ZvCopyMode.h"
#include "print/ZvObjects.h"
#include "print/ZvPrinter.h"
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QImage Filled(QColor Colour, int Size = 16)
{
    QImage image(Size, Size, QImage::Format_RGB32);
    image.fill(Colour);
    return image;
}

// A red picture drawn with Mode into the middle of a green ground, on a surface of the given
// kind; the colour in the middle.
QColor Drawn(uint32_t Mode, bool PageDescription)
{
    QImage ground = Filled(Qt::green, 32);
    const QImage red = Filled(Qt::red);
    auto draw = [&](QPainter &P, const QRect &R) { P.drawImage(R, red); };
    if (PageDescription) {
        QPicture page; // records drawing as commands, as a PDF page does
        QPainter p(&page);
        ZvDrawWithCopyMode(p, QRect(8, 8, 16, 16), Mode, Qt::white, draw);
        p.end();
        QPainter g(&ground);
        g.drawPicture(0, 0, page);
    } else {
        QPainter g(&ground);
        ZvDrawWithCopyMode(g, QRect(8, 8, 16, 16), Mode, Qt::white, draw);
    }
    EXPECT_EQ(ground.pixelColor(2, 2), QColor(Qt::green)) << "nothing outside the target changes";
    return ground.pixelColor(16, 16);
}

} // namespace

TEST(CopyMode, EachRasterOperationOnTheScreenAndOnPaper)
{
    using namespace ZvRop;
    const QColor black(Qt::black), white(Qt::white), red(Qt::red), green(Qt::green), blue(Qt::blue),
        yellow(Qt::yellow), cyan(Qt::cyan), magenta(Qt::magenta);
    struct Case {
        const char *Name;
        uint32_t Mode;
        QColor OnGreen, OnPaper; // source red, pattern white
    } cases[] = {
        {"SRCCOPY", SrcCopy, red, red},
        {"SRCAND", SrcAnd, black, red},
        {"SRCPAINT", SrcPaint, yellow, white},
        {"SRCINVERT", SrcInvert, yellow, cyan},
        {"NOTSRCCOPY", NotSrcCopy, cyan, cyan},
        {"SRCERASE", SrcErase, red, black},
        {"NOTSRCERASE", NotSrcErase, blue, black},
        {"MERGEPAINT", MergePaint, cyan, white},
        {"DSTINVERT", DstInvert, magenta, black},
        {"BLACKNESS", Blackness, black, black},
        {"WHITENESS", Whiteness, white, white},
        {"PATCOPY", PatCopy, white, white},
        {"PATINVERT", PatInvert, magenta, black},
        {"MERGECOPY", MergeCopy, red, red},
        {"PATPAINT", PatPaint, white, white},
        {"not a named operation", 0x00123456u, red, red},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Drawn(c.Mode, false), c.OnGreen) << c.Name << " on the screen";
        EXPECT_EQ(Drawn(c.Mode, true), c.OnPaper) << c.Name << " on a page description";
        EXPECT_EQ(IsNamedCopyMode(c.Mode), c.Mode != 0x00123456u) << c.Name;
    }
}

TEST(CopyMode, ThePreviewDrawsAPictureObjectWithItsCopyMode)
{
    TZvGraphicObject picture;
    picture.SetBitmap(Filled(Qt::red, 4));
    picture.Right = 2540, picture.Bottom = 2540; // one inch
    for (auto [mode, expected] : {std::pair{ZvRop::SrcAnd, QColor(Qt::black)}, {ZvRop::SrcCopy, QColor(Qt::red)},
                                  {ZvRop::SrcPaint, QColor(Qt::yellow)}}) {
        picture.CopyMode = mode;
        QImage screen = Filled(Qt::green, 40);
        QPainter p(&screen);
        picture.Draw(p, 20, nullptr);
        p.end();
        EXPECT_EQ(screen.pixelColor(10, 10), expected) << std::hex << mode;
    }
}

TEST(CopyMode, PrintQualitySetsTheResolutionAndLineArtPrintsGrey)
{
    QTemporaryDir dir;
    struct Case {
        TZvPrintQuality Quality;
        TZvDitherType Dither;
        TZvPrintColor Colour;
        int Resolution;
        QPrinter::ColorMode Mode;
    } cases[] = {
        {zvDraft, zvGrayScale, zvColor, 150, QPrinter::Color},
        {zvLow, zvNone, zvColor, 300, QPrinter::Color},
        {zvMedium, zvFine, zvMonochrome, 600, QPrinter::GrayScale},
        {zvHigh, zvLineArt, zvColor, 1200, QPrinter::GrayScale},
    };
    for (const Case &c : cases) {
        QPrinter device(QPrinter::HighResolution);
        TZvPrinter printer(&device);
        printer.SetOutputFileName(dir.filePath(QStringLiteral("q.pdf")));
        printer.SetPrintQuality(c.Quality);
        printer.SetDitherType(c.Dither);
        printer.SetPrintColor(c.Colour);
        ASSERT_TRUE(printer.BeginDoc());
        EXPECT_EQ(device.resolution(), c.Resolution);
        EXPECT_EQ(printer.PixelsPerInchX(), c.Resolution);
        EXPECT_EQ(device.colorMode(), c.Mode);
        printer.EndDoc();
    }
}
