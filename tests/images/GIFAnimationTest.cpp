// Animation on a fake clock: frame delays, loop counts and disposal methods compared with what
// ImageMagick's -coalesce shows for every frame.
#include "ImageTestSupport.h"
#include "images/GIFPainter.h"
#include "images/ThumbImage.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <map>

using namespace imgtest;

namespace {

class TFakeClock : public TAnimationClock {
public:
    int64_t Now() override { return FNow; }
    int Schedule(int Ms, std::function<void()> Callback) override
    {
        FDue[++FId] = {FNow + Ms, std::move(Callback)};
        Delays.push_back(Ms);
        return FId;
    }
    void Cancel(int Id) override { FDue.erase(Id); }
    // Runs whatever falls due within Ms milliseconds, in time order.
    void Advance(int64_t Ms)
    {
        const int64_t end = FNow + Ms;
        for (;;) {
            auto next = FDue.end();
            for (auto it = FDue.begin(); it != FDue.end(); ++it)
                if (it->second.first <= end && (next == FDue.end() || it->second.first < next->second.first))
                    next = it;
            if (next == FDue.end())
                break;
            FNow = next->second.first;
            auto cb = std::move(next->second.second);
            FDue.erase(next);
            cb();
        }
        FNow = end;
    }
    bool Idle() const { return FDue.empty(); }
    std::vector<int> Delays;

private:
    int64_t FNow = 0;
    int FId = 0;
    std::map<int, std::pair<int64_t, std::function<void()>>> FDue;
};

struct TClockScope {
    TFakeClock Clock;
    TClockScope() { SetAnimationClock(&Clock); }
    ~TClockScope() { SetAnimationClock(nullptr); }
};

// Frames of different sizes and places, partly transparent, each with its own disposal.
std::string MakeAnimation(const QTemporaryDir &Dir, const QStringList &Disposals, int Loops)
{
    QStringList args;
    const QColor colours[4] = {QColor(200, 30, 30), QColor(30, 200, 30), QColor(30, 30, 200), QColor(220, 220, 20)};
    for (int i = 0; i < Disposals.size(); ++i) {
        QImage img(12 - i * 2, 10 - i * 2, QImage::Format_ARGB32);
        img.fill(colours[i % 4]);
        for (int y = 0; y < img.height(); ++y)
            img.setPixel((y + i) % img.width(), y, qRgba(0, 0, 0, 0)); // a transparent diagonal
        const QString p = Dir.filePath(QString("f%1.png").arg(i));
        img.save(p, "PNG");
        args << "-dispose" << Disposals[i] << "-delay" << QString::number(5 + i * 10) << "-page"
             << QString("16x12+%1+%2").arg(i).arg(i + 1) << p;
    }
    const QString out = Dir.filePath("anim.gif");
    args << "-loop" << QString::number(Loops) << out;
    int rc = -1;
    RunTool("convert", args, &rc);
    EXPECT_EQ(rc, 0);
    return out.toStdString();
}

TEST(GIFAnimation, FramesMatchTheCoalescedOnesAndTheDelaysAndLoopsHold)
{
    TClockScope scope;
    QTemporaryDir dir;
    const std::string path = MakeAnimation(dir, {"None", "Background", "Previous", "None"}, 2);
    // What the handlers count outlives the picture, whose end stops its painters.
    std::vector<QImage> shown;
    int ends = 0, loops = 0;
    TGIFImage gif;
    gif.LoadFromFile(path);
    ASSERT_EQ(gif.Count(), 4);
    const QByteArray raw = RunTool("convert", {QString::fromStdString(path), "-coalesce", "-depth", "8", "rgba:-"});
    const int W = gif.GetWidth(), H = gif.GetHeight();
    ASSERT_EQ(raw.size(), qsizetype(4 * W * H * 4));
    // ImageMagick stores "-loop 2" as one repetition; here the loop count is the number of passes.
    TGIFAppExtNSLoop *loop = nullptr;
    for (int i = 0; i < gif.Frame(0).Extensions.Count(); ++i)
        if (auto *l = dynamic_cast<TGIFAppExtNSLoop *>(&gif.Frame(0).Extensions[i]))
            loop = l;
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Loops, 1);
    loop->Loops = 2;

    gif.OnFramePainted = [&](TGIFPainter &P) { shown.push_back(P.Surface().convertToFormat(QImage::Format_ARGB32)); };
    gif.OnPaintLoop = [&](TGIFPainter &) { ++loops; };
    gif.OnPaintEnd = [&](TGIFPainter &) { ++ends; };
    TGIFPainter *p = gif.StartPainter(gif.PaintOptions(), QRect(0, 0, W, H));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(shown.size(), 1u); // the first frame at once
    scope.Clock.Advance(100000);
    EXPECT_EQ(shown.size(), 8u); // two passes
    EXPECT_EQ(loops, 1);
    EXPECT_EQ(ends, 1);
    // Delays of 5, 15, 25 and 35 hundredths, 12 ms a unit; the second pass waits the same.
    const std::vector<int> expected = {60, 180, 300, 420, 60, 180, 300};
    ASSERT_GE(scope.Clock.Delays.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(scope.Clock.Delays[i], expected[i]) << "wait " << i;
    for (int f = 0; f < 4; ++f)
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const uint8_t *c = reinterpret_cast<const uint8_t *>(raw.constData()) + ((f * H + y) * W + x) * 4;
                const QRgb ours = shown[size_t(f)].pixel(x, y);
                ASSERT_EQ(qAlpha(ours) > 0, c[3] > 0) << "frame " << f << " at " << x << "," << y;
                if (c[3] > 0) {
                    ASSERT_EQ(ours & 0xFFFFFF, qRgb(c[0], c[1], c[2]) & 0xFFFFFF)
                        << "frame " << f << " at " << x << "," << y;
                }
            }
}

TEST(GIFAnimation, DelayRulesSpeedAndStopping)
{
    TClockScope scope;
    QTemporaryDir dir;
    const std::string path = MakeAnimation(dir, {"None", "None", "None"}, 0);
    int painted = 0, ends = 0;
    std::vector<int> order;
    TGIFImage gif;
    gif.LoadFromFile(path);
    // Delays 0 (default 10 units), 1 (at least 3) and 5000 (kept).
    const int delays[3] = {0, 1, 5000};
    for (int i = 0; i < 3; ++i)
        gif.Frame(i).GraphicControlExtension->Delay = uint16_t(delays[i]);
    gif.PlaySpeed = 200;
    gif.OnFramePainted = [&](TGIFPainter &) { ++painted; };
    gif.OnPaintEnd = [&](TGIFPainter &) { ++ends; };
    gif.StartPainter(gif.PaintOptions(), QRect(0, 0, 10, 10));
    scope.Clock.Advance(10 * 12 / 2 + 3 * 12 / 2 + 5000 * 12 / 2);
    ASSERT_GE(scope.Clock.Delays.size(), 3u);
    EXPECT_EQ(scope.Clock.Delays[0], 60); // 10 units at double speed
    EXPECT_EQ(scope.Clock.Delays[1], 18); // 3 units
    EXPECT_EQ(scope.Clock.Delays[2], 30000); // 5000 units
    EXPECT_EQ(painted, 4); // loop count 0: for ever
    gif.StopPainters();
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(scope.Clock.Idle());
    // A handler may choose the next frame.
    painted = 0;
    gif.OnFramePainted = [&](TGIFPainter &P) {
        order.push_back(P.ActiveImage);
        if (P.ActiveImage == 1)
            P.ActiveImage = 0;
    };
    gif.StartPainter(gif.PaintOptions(), QRect(0, 0, 10, 10));
    scope.Clock.Advance(1000);
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(order[0], 0);
    EXPECT_EQ(order[1], 1);
    EXPECT_EQ(order[2], 0);
    gif.StopPainters();
    // PlaySpeed 0 waits until stopped.
    gif.PlaySpeed = 0;
    gif.OnFramePainted = nullptr;
    TGIFPainter *p = gif.StartPainter(gif.PaintOptions(), QRect(0, 0, 10, 10));
    EXPECT_EQ(p->PendingWait(), -1);
    EXPECT_TRUE(scope.Clock.Idle());
}

TEST(GIFAnimation, ThePreviewAnimatesAndStopsWhenHiddenOrReplaced)
{
    TClockScope scope;
    QTemporaryDir dir;
    const std::string path = MakeAnimation(dir, {"None", "None"}, 0);
    tThumbimage view;
    view.resize(40, 40);
    view.show();
    view.LoadImage(path);
    auto *gif = dynamic_cast<TGIFImage *>(view.Picture().Graphic());
    ASSERT_NE(gif, nullptr);
    (void)view.grab();
    ASSERT_NE(gif->DrawPainter(), nullptr);
    EXPECT_FALSE(scope.Clock.Idle());
    view.hide();
    EXPECT_TRUE(scope.Clock.Idle());
    view.show();
    (void)view.grab();
    EXPECT_FALSE(scope.Clock.Idle());
    view.LoadImage(path); // another file: the old painters are gone with their picture
    (void)view.grab();
    scope.Clock.Advance(1000);
    view.Picture().SetGraphic(nullptr);
    EXPECT_TRUE(scope.Clock.Idle());
}

} // namespace
