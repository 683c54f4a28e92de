// The folder view over a temporary folder of pictures: listing order, grid layout, keys and mouse.
#include "ImageTestSupport.h"
#include "images/ThumbView.h"
#include "platform/SysUtils.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace imgtest;

namespace {

void WritePicture(const QString &Path, int W, int H, const char *Format)
{
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(QColor(40, 120, 200));
    ASSERT_TRUE(img.save(Path, Format));
}

TEST(ThumbView, ListingOrder)
{
    QTemporaryDir dir;
    WritePicture(dir.filePath("a.bmp.tmp"), 8, 8, "BMP");
    RunTool("convert", {"bmp:" + dir.filePath("a.bmp.tmp"), dir.filePath("a.gif")});
    QFile::remove(dir.filePath("a.bmp.tmp"));
    WritePicture(dir.filePath("b.bmp"), 8, 8, "BMP");
    WritePicture(dir.filePath("c.PNG"), 8, 8, "PNG");
    WritePicture(dir.filePath("notes.txt"), 8, 8, "BMP");
    std::vector<AnsiString> unsorted, sorted;
    TTHumbview::ListFiles(dir.path().toStdString(), unsorted, sorted);
    ASSERT_EQ(unsorted.size(), 3u);
    EXPECT_EQ(ExtractFileName(unsorted[0]), "b.bmp");
    EXPECT_EQ(ExtractFileName(unsorted[1]), "a.gif");
    EXPECT_EQ(ExtractFileName(unsorted[2]), "c.PNG");
    EXPECT_EQ(ExtractFileName(sorted[0]), "a.gif");
    TTHumbview::ListFiles(dir.filePath("missing").toStdString(), unsorted, sorted);
    EXPECT_TRUE(unsorted.empty());
}

TEST(ThumbView, ScansOnFirstPaintAndLaysOutTheGrid)
{
    QTemporaryDir dir;
    for (int i = 0; i < 10; ++i)
        WritePicture(dir.filePath(QString("p%1.bmp").arg(i)), 300 + i, 150, "BMP");
    TTHumbview view;
    view.resize(600, 480);
    int started = 0, stopped = 0;
    view.OnStartScanning = [&](TTHumbview &, int N) { started = N; };
    view.OnStopScanning = [&](TTHumbview &) { ++stopped; };
    view.SetDirectory(dir.path().toStdString());
    EXPECT_EQ(view.Count(), 0); // nothing before the first paint
    view.show();
    QApplication::processEvents();
    (void)view.grab();
    QApplication::processEvents();
    ASSERT_EQ(view.Count(), 10);
    EXPECT_EQ(started, 10);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(view.Selected(), 0);
    // The picture is shrunk to the cell; its size as loaded is kept.
    EXPECT_EQ(view.Thumb(3)->ImageWidth(), 303);
    EXPECT_LE(view.Thumb(3)->Image()->Picture().Width(), 200);

    // SMboth with 10 thumbnails: 4 a row, the tenth is the second cell of the third row.
    view.SetScrollMode(SMboth);
    EXPECT_EQ(view.CalcLines(), 4);
    const int w = view.CellWidth(), h = view.CellHeight(), g = view.ThumbGap();
    EXPECT_EQ(view.CellLeft(10), 1 * w + g * 2);
    EXPECT_EQ(view.CellTop(10), 2 * h + g * 3);
    EXPECT_EQ(view.Thumb(9)->geometry().topLeft(), QPoint(view.CellLeft(10), view.CellTop(10)));
    // SMHorizontal fills columns from the top.
    view.SetScrollMode(SMHorizontal);
    const int k = view.CalcLines();
    EXPECT_EQ(k, (view.viewport()->height() - 20) / (g + h));
    EXPECT_EQ(view.CellLeft(k + 1), w + 2 * g);
    EXPECT_EQ(view.CellTop(k + 1), g);
    if (const char *out = std::getenv("QUILLMAR_SCREENSHOT_DIR"))
        view.grab().save(QString("%1/thumbview.png").arg(out));
    // Size scales the cells.
    view.SetSize(50);
    EXPECT_EQ(view.CellWidth(), 100);
}

TEST(ThumbView, KeysAndMouse)
{
    QTemporaryDir dir;
    for (int i = 0; i < 12; ++i)
        WritePicture(dir.filePath(QString("p%1.bmp").arg(i, 2, 10, QChar('0'))), 40, 30, "BMP");
    TTHumbview view;
    view.resize(500, 300);
    view.SetScrollMode(SMVertical);
    view.show();
    (void)view.grab();
    QApplication::processEvents();
    view.SetDirectory(dir.path().toStdString());
    ASSERT_EQ(view.Count(), 12);
    const int k = view.CalcLines();
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.Selected(), 1);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.Selected(), 1 + k);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(view.Selected(), 11);
    QTest::keyClick(&view, Qt::Key_Right); // past the last: kept
    EXPECT_EQ(view.Selected(), 11);
    QTest::keyClick(&view, Qt::Key_Home);
    EXPECT_EQ(view.Selected(), 0);
    const int top = view.verticalScrollBar()->value();
    EXPECT_LE(top, view.ThumbGap());
    QTest::keyClick(&view, Qt::Key_PageDown); // scrolls, shows no message box
    EXPECT_GT(view.verticalScrollBar()->value(), top + 100);
    QTest::keyClick(&view, Qt::Key_PageUp);
    EXPECT_EQ(view.verticalScrollBar()->value(), top);
    // A press on a thumbnail selects it; one between cells selects nothing.
    const QRect r = view.Thumb(2)->geometry();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(view.Selected(), 2);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(view.Selected(), -1);
    EXPECT_EQ(view.SelectedFile(), "");
    view.SetSelectedFile(dir.filePath("p05.bmp").toStdString());
    EXPECT_EQ(view.Selected(), 5);
    // Unsorted: the file list order (one mask here, so the same); an empty folder clears.
    view.SetSorted(false);
    EXPECT_EQ(view.Count(), 12);
    view.SetDirectory("");
    EXPECT_EQ(view.Count(), 0);
}

TEST(ThumbView, ASecondFileIsShrunkLikeTheFirst)
{
    QTemporaryDir dir;
    WritePicture(dir.filePath("one.bmp"), 500, 400, "BMP");
    WritePicture(dir.filePath("two.bmp"), 400, 500, "BMP");
    Tthumbnail t;
    t.SetFilename(dir.filePath("one.bmp").toStdString());
    EXPECT_LE(t.Image()->Picture().Width(), 120);
    EXPECT_EQ(t.Title(), "one.bmp");
    t.SetFilename(dir.filePath("two.bmp").toStdString());
    EXPECT_LE(t.Image()->Picture().Height(), 120);
    EXPECT_EQ(t.Title(), "two.bmp"); // a title that was the old name follows the file
    EXPECT_EQ(t.ImageWidth(), 400);
    t.SetTitle("mine");
    t.SetFilename(dir.filePath("one.bmp").toStdString());
    EXPECT_EQ(t.Title(), "mine");
}

} // namespace
