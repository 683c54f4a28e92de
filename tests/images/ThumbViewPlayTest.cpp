// Metafiles in the folder view: a paint never plays one (it shows an empty frame and asks for a
// play that runs while the window goes on), each thumbnail is played once for the size it is shown
// at, and a folder given up while plays are asked for or running leaves nothing of them behind.
#include "ImageTestSupport.h"
#include "MetafileTestSupport.h"
#include "images/MetafilePlay.h"
#include "images/QtPictures.h"
#include "images/ThumbView.h"

#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace imgtest;
using namespace mftest;

namespace {

// A 100 x 50 picture, red over its left half and white over the right, that keeps the player busy
// for a while: the red rectangle is drawn Repeat times.
std::vector<uint8_t> SlowTwoColourWmf(int Repeat)
{
    TWmfWriter body = TwoColourRecords();
    for (int i = 1; i < Repeat; ++i)
        body.Record(0x041B, {50, 50, 0, 0});
    body.Record(0x0000, {});
    return PlaceableWmf(body, 100, 50, 2, 7);
}

void WriteFolder(const QTemporaryDir &Dir, int Count, const std::vector<uint8_t> &Bytes)
{
    for (int i = 0; i < Count; ++i)
        WriteFile(Dir.filePath(QString("m%1.wmf").arg(i, 2, 10, QChar('0'))).toStdString(), Bytes);
}

bool IsRed(QColor C)
{
    return C.red() > 200 && C.green() < 60 && C.blue() < 60;
}

bool IsWhite(QColor C)
{
    return C.red() > 245 && C.green() > 245 && C.blue() > 245;
}

// Where a thumbnail's picture is, in the view's viewport.
QRect PictureAt(TTHumbview &View, int Index)
{
    const tThumbimage *image = View.Thumb(Index)->Image();
    return QRect(image->mapTo(View.viewport(), QPoint(0, 0)), image->size());
}

// The thumbnails whose pictures are in sight, wholly or in part.
std::vector<int> InSight(TTHumbview &View)
{
    std::vector<int> in;
    for (int i = 0; i < View.Count(); ++i)
        if (PictureAt(View, i).intersects(View.viewport()->rect()))
            in.push_back(i);
    return in;
}

// What the pictures wholly in sight among Indices show, seen through the whole view as the user
// sees it: the picture (red left, white right), the empty frame (white) or something else.
enum class Shows { Picture, Frame, Other };

void PrintTo(Shows S, std::ostream *Out)
{
    *Out << (S == Shows::Picture ? "picture" : S == Shows::Frame ? "frame" : "other");
}

std::vector<Shows> WhatShows(TTHumbview &View, const QImage &Shot, const std::vector<int> &Indices)
{
    std::vector<Shows> shows;
    for (int i : Indices) {
        const QRect r = PictureAt(View, i);
        if (!View.viewport()->rect().contains(r))
            continue;
        const QColor left = Shot.pixelColor(r.left() + r.width() / 4, r.center().y());
        const QColor right = Shot.pixelColor(r.left() + 3 * r.width() / 4, r.center().y());
        shows.push_back(IsRed(left) && IsWhite(right)     ? Shows::Picture
                        : IsWhite(left) && IsWhite(right) ? Shows::Frame
                                                          : Shows::Other);
    }
    return shows;
}

std::vector<Shows> All(Shows What, size_t N)
{
    return std::vector<Shows>(N, What);
}

bool AnyPlayPending(const TTHumbview &View)
{
    for (int i = 0; i < View.Count(); ++i)
        if (View.Thumb(i)->Image()->PlayPending())
            return true;
    return false;
}

// The view's viewport painted now, without the event loop running in between.
QImage PaintNow(TTHumbview &View)
{
    return View.viewport()->grab().toImage();
}

TEST(ThumbViewPlay, APaintShowsFramesAndEachThumbnailIsPlayedOnceWhenItComesIntoSight)
{
    QTemporaryDir dir;
    WriteFolder(dir, 12, TwoColourWmf());
    // Kept as metafiles, or shrunk to the played pixels (the thumbnail's memory saving).
    for (const bool minMemory : {false, true}) {
        SCOPED_TRACE(minMemory ? "shrunk once played" : "kept as metafiles");
        TTHumbview view;
        view.MinMemory = minMemory;
        view.resize(640, 300);
        view.show();
        (void)view.grab();
        QApplication::processEvents();
        const int64_t before = MetafilePlaysStarted();
        view.SetDirectory(dir.path().toStdString());
        ASSERT_EQ(view.Count(), 12);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !AnyPlayPending(view); }, 20000));
        const std::vector<int> firstPage = InSight(view);
        ASSERT_GE(firstPage.size(), 2u);
        ASSERT_LT(firstPage.back(), 6);
        QImage shot = PaintNow(view);
        std::vector<Shows> shows = WhatShows(view, shot, firstPage);
        EXPECT_GE(shows.size(), 2u);
        EXPECT_EQ(shows, All(Shows::Picture, shows.size()));
        // Only what came into sight was played, each once.
        EXPECT_EQ(MetafilePlaysStarted() - before, int64_t(firstPage.size()));
        for (int i = 0; i < view.Count(); ++i)
            EXPECT_EQ(dynamic_cast<TMetafile *>(view.Thumb(i)->Image()->Picture().Graphic()) == nullptr,
                      minMemory && i <= firstPage.back())
                << i << ": a played thumbnail is shrunk to its pixels, with the memory saving alone";

        // The next page: its paint plays nothing and shows empty frames in the pictures' places.
        view.horizontalScrollBar()->setValue(view.Thumb(firstPage.back())->geometry().right());
        std::vector<int> newInSight;
        for (int i : InSight(view))
            if (i > firstPage.back())
                newInSight.push_back(i);
        ASSERT_FALSE(newInSight.empty());
        const int64_t beforeNext = MetafilePlaysStarted();
        shot = PaintNow(view);
        EXPECT_EQ(MetafilePlaysStarted(), beforeNext) << "a paint waits on no play";
        shows = WhatShows(view, shot, newInSight);
        EXPECT_GE(shows.size(), 1u);
        EXPECT_EQ(shows, All(Shows::Frame, shows.size()));
        for (int i : newInSight)
            EXPECT_TRUE(view.Thumb(i)->Image()->PlayPending()) << i;
        // The window goes on; the pictures come in once played, and are shown.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !AnyPlayPending(view); }, 20000));
        shot = PaintNow(view);
        shows = WhatShows(view, shot, newInSight);
        EXPECT_EQ(shows, All(Shows::Picture, shows.size()));
        EXPECT_EQ(MetafilePlaysStarted() - beforeNext, int64_t(newInSight.size()));

        // Back to the first page and repainted again and again: shown at once, played no more.
        const int64_t played = MetafilePlaysStarted();
        view.horizontalScrollBar()->setValue(0);
        for (int round = 0; round < 3; ++round) {
            shot = PaintNow(view);
            shows = WhatShows(view, shot, firstPage);
            EXPECT_EQ(shows, All(Shows::Picture, shows.size()));
            QApplication::processEvents();
        }
        EXPECT_FALSE(AnyPlayPending(view));
        EXPECT_EQ(MetafilePlaysStarted(), played);
        EXPECT_TRUE(MetafileChildProcesses().isEmpty());
    }
}

enum class GiveUp { AnotherFolder, NoFolder, ViewDeleted };

TEST(ThumbViewPlay, AFolderGivenUpWhilePlaysAreAskedForOrRunningLeavesNothingOfThem)
{
    QTemporaryDir metafiles, bitmaps;
    WriteFolder(metafiles, 6, SlowTwoColourWmf(3000));
    for (const char *n : {"a.bmp", "b.bmp", "c.bmp"}) {
        QImage img(100, 50, QImage::Format_RGB32);
        img.fill(QColor(40, 120, 200));
        ASSERT_TRUE(img.save(bitmaps.filePath(n), "BMP"));
    }
    struct Case {
        const char *Name;
        bool Running; // the children have started; else the plays are only asked for
        GiveUp How;
    };
    const Case cases[] = {
        {"another folder, plays asked for", false, GiveUp::AnotherFolder},
        {"another folder, plays running", true, GiveUp::AnotherFolder},
        {"no folder, plays asked for", false, GiveUp::NoFolder},
        {"no folder, plays running", true, GiveUp::NoFolder},
        {"view deleted, plays asked for", false, GiveUp::ViewDeleted},
        {"view deleted, plays running", true, GiveUp::ViewDeleted},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        QPointer<TTHumbview> view = new TTHumbview;
        view->MinMemory = false;
        view->resize(640, 300);
        view->show();
        (void)view->grab();
        QApplication::processEvents();
        view->SetDirectory(metafiles.path().toStdString());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !AnyPlayPending(*view); }, 20000));
        // Smaller thumbnails: a new size to play for; the paint asks, nothing has started yet.
        view->SetSize(40);
        const int64_t asked = MetafilePlaysStarted();
        (void)PaintNow(*view);
        ASSERT_TRUE(AnyPlayPending(*view));
        ASSERT_EQ(MetafilePlaysStarted(), asked);
        if (c.Running) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return MetafilePlaysStarted() > asked; }, 20000));
            EXPECT_FALSE(MetafileChildProcesses().isEmpty()) << "a play of 3000 rectangles takes a while";
        }
        if (c.How == GiveUp::AnotherFolder)
            view->SetDirectory(bitmaps.path().toStdString());
        else if (c.How == GiveUp::NoFolder)
            view->SetDirectory("");
        else
            delete view;
        EXPECT_TRUE(MetafileChildProcesses().isEmpty()) << "a running play is stopped at once";
        const int64_t after = MetafilePlaysStarted();
        QTest::qWait(200);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(MetafilePlaysStarted(), after) << "no play asked for starts later";
        if (!view)
            continue;
        ASSERT_EQ(view->Count(), c.How == GiveUp::AnotherFolder ? 3 : 0);
        const QImage shot = PaintNow(*view);
        int red = 0, blue = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                red += IsRed(shot.pixelColor(x, y));
                blue += shot.pixelColor(x, y) == QColor(40, 120, 200);
            }
        EXPECT_EQ(red, 0) << "no picture of the folder given up";
        EXPECT_EQ(blue > 0, c.How == GiveUp::AnotherFolder);
        delete view;
    }
}

} // namespace
