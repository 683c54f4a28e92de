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

TEST(ThumbView, TitleStripFileTimesAndTheWholePictureOnDemand)
{
    QTemporaryDir dir;
    WritePicture(dir.filePath("big.bmp"), 500, 400, "BMP");
    Tthumbnail t;
    t.resize(120, 120);
    t.SetFilename(dir.filePath("big.bmp").toStdString());
    EXPECT_LE(t.Image()->Picture().Width(), 120);
    EXPECT_NE(t.FileAccessed(), "Unknown");
    EXPECT_FALSE(t.FileAccessed().isEmpty());
    EXPECT_FALSE(t.FileChanged().isEmpty());
    EXPECT_FALSE(t.FIleCreated().isEmpty()); // a date, or "Unknown" where the file system keeps none

    // Switching the memory saving off loads the whole picture again; on shrinks it again.
    t.SetMinimizeMemory(false);
    EXPECT_EQ(t.Image()->Picture().Width(), 500);
    EXPECT_EQ(t.Image()->Picture().Height(), 400);
    t.SetMinimizeMemory(true);
    EXPECT_LE(t.Image()->Picture().Width(), 120);

    // Without its strip the picture is centred in the whole thumbnail.
    const int withTitle = t.Image()->geometry().center().y();
    t.SetShowTitle(false);
    EXPECT_FALSE(t.TitleStrip()->isVisibleTo(&t));
    EXPECT_LT(t.Image()->geometry().center().y(), withTitle);
    EXPECT_NEAR(t.Image()->geometry().center().y(), t.height() / 2, 1);
    t.SetShowTitle(true);
    EXPECT_TRUE(t.TitleStrip()->isVisibleTo(&t));

    QFont bold = t.TitleFont();
    bold.setBold(true);
    bold.setPointSize(14);
    t.SetTitleFont(bold);
    EXPECT_TRUE(t.TitleStrip()->font().bold());
    EXPECT_EQ(t.TitleStrip()->font().pointSize(), 14);
}

TEST(ThumbView, AButtonThumbnailComesUpWhenReleased)
{
    QTemporaryDir dir;
    for (const char *n : {"a.bmp", "b.bmp"})
        WritePicture(dir.filePath(n), 40, 30, "BMP");
    TTHumbview view;
    view.AsButtons = true;
    view.resize(500, 300);
    view.show();
    (void)view.grab();
    QApplication::processEvents();
    view.SetDirectory(dir.path().toStdString());
    ASSERT_EQ(view.Count(), 2);
    Tthumbnail &t = *view.Thumb(0);
    const QPoint inside = t.rect().center();
    QTest::mousePress(&t, Qt::LeftButton, {}, inside);
    EXPECT_EQ(t.frameShadow(), QFrame::Sunken);
    EXPECT_EQ(t.TitleStrip()->frameShadow(), QFrame::Raised);
    QTest::mouseRelease(&t, Qt::LeftButton, {}, inside);
    EXPECT_EQ(t.frameShadow(), QFrame::Raised) << "stays pushed in after a click";
    EXPECT_EQ(t.TitleStrip()->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(view.Selected(), 0);

    // Dragged outside while pressed it shows raised, back inside pushed in.
    QTest::mousePress(&t, Qt::LeftButton, {}, inside);
    QMouseEvent out(QEvent::MouseMove, QPointF(t.width() + 30, inside.y()), t.mapToGlobal(QPointF(t.width() + 30, inside.y())),
                    Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&t, &out);
    EXPECT_EQ(t.frameShadow(), QFrame::Raised);
    QMouseEvent back(QEvent::MouseMove, QPointF(inside), t.mapToGlobal(QPointF(inside)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&t, &back);
    EXPECT_EQ(t.frameShadow(), QFrame::Sunken);
    QTest::mouseRelease(&t, Qt::LeftButton, {}, inside);
    EXPECT_EQ(t.frameShadow(), QFrame::Raised);
}

} // namespace
