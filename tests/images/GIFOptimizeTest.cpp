// The optimisation pass: the picture looks the same before and after with fewer frames and blocks.
#include "ImageTestSupport.h"
#include "images/GIFImage.h"

#include <gtest/gtest.h>

using namespace imgtest;

namespace {

TEST(GIFOptimize, SamePictureFewerFramesAndBlocks)
{
    QTemporaryDir dir;
    QStringList args = {"-delay", "10"};
    for (int i = 0; i < 4; ++i) {
        QImage img(30, 20, QImage::Format_RGB32);
        img.fill(QColor(20, 40, 60));
        const int k = i == 2 ? 1 : i; // the third frame repeats the second
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 30; ++x)
                if ((x + y * k) % 7 == 0 || (x > 10 + k && x < 15 + k && y > 5))
                    img.setPixel(x, y, qRgb(200, 30 * k, 90));
        const QString p = dir.filePath(QString("f%1.png").arg(i));
        img.save(p, "PNG");
        args << p;
    }
    const QString src = dir.filePath("src.gif");
    args << "-comment"
         << "made for a test" << src;
    RunTool("convert", args);
    TGIFImage gif;
    gif.LoadFromFile(src.toStdString());
    ASSERT_EQ(gif.Count(), 4);
    int progress = 0;
    gif.OnProgress = [&](TGraphic &, TProgressStage, uint8_t, bool, const QRect &, const AnsiString &M) {
        if (M == "Optimizing...")
            ++progress;
    };
    gif.Optimize(opTrimFrames | opBlankRepeats | opTidy | opSortColors, 0, 8, {});
    EXPECT_GT(progress, 2);
    EXPECT_EQ(gif.Count(), 3); // the repeated frame became wholly transparent and went
    const QString out = dir.filePath("opt.gif");

    gif.SaveToFile(out.toStdString());
    int rc = -1;
    RunTool("gifsicle", {"--info", out}, &rc);
    EXPECT_EQ(rc, 0);
    const QByteArray a = RunTool("convert", {src, "-coalesce", "-depth", "8", "rgb:-"});
    const QByteArray b = RunTool("convert", {out, "-coalesce", "-depth", "8", "rgb:-"});
    const qsizetype frame = 30 * 20 * 3;
    ASSERT_EQ(a.size(), 4 * frame);
    ASSERT_EQ(b.size(), 3 * frame);
    EXPECT_TRUE(a.mid(0, 2 * frame) == b.mid(0, 2 * frame));
    EXPECT_TRUE(a.mid(3 * frame) == b.mid(2 * frame));
    for (int i = 0; i < gif.Count(); ++i)
        for (int k = 0; k < gif.Frame(i).Extensions.Count(); ++k)
            EXPECT_EQ(dynamic_cast<TGIFCommentExtension *>(&gif.Frame(i).Extensions[k]), nullptr);

    TGIFImage empty;
    empty.OnProgress = [&](TGraphic &, TProgressStage, uint8_t, bool, const QRect &, const AnsiString &) { FAIL(); };
    empty.Optimize(opTidy, 0, 8, {});
    EXPECT_THROW(gif.Optimize(opReduce, 9, 8, {}), GIFException);
}

} // namespace
