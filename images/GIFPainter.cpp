#include "images/GIFPainter.h"
#include "platform/GuardedApplication.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>
#include <climits>
#include <map>

namespace {

// Event-loop timers.
class TTimerClock : public TAnimationClock {
public:
    TTimerClock() { FStart.start(); }
    int64_t Now() override { return FStart.elapsed(); }
    int Schedule(int Ms, std::function<void()> Callback) override
    {
        const int id = ++FNextId;
        auto *timer = new QTimer;
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer, &QTimer::timeout, GuardedSlot([this, id] {
            auto it = FTimers.find(id);
            if (it == FTimers.end())
                return;
            std::function<void()> cb = std::move(it->second.second);
            it->second.first->deleteLater();
            FTimers.erase(it);
            cb();
        }));
        FTimers[id] = {timer, std::move(Callback)};
        timer->start(std::max(Ms, 0));
        return id;
    }
    void Cancel(int Id) override
    {
        auto it = FTimers.find(Id);
        if (it == FTimers.end())
            return;
        it->second.first->stop();
        it->second.first->deleteLater();
        FTimers.erase(it);
    }

private:
    QElapsedTimer FStart;
    int FNextId = 0;
    std::map<int, std::pair<QTimer *, std::function<void()>>> FTimers;
};

TAnimationClock *gClock = nullptr;

int64_t Saturate(int64_t V)
{
    return std::clamp<int64_t>(V, 0, INT_MAX);
}

} // namespace

TAnimationClock &AnimationClock()
{
    static TTimerClock timers;
    return gClock ? *gClock : timers;
}

void SetAnimationClock(TAnimationClock *Clock)
{
    gClock = Clock;
}

TGIFPainter::TGIFPainter(TGIFImage &Image, uint16_t Options, const QRect &Rect)
    : FImage(&Image), FOptions(Options), FRect(Rect)
{
    PlaySpeed = Image.PlaySpeed;
    const int w = std::max(Image.GetWidth(), 1), h = std::max(Image.GetHeight(), 1);
    if (Image.PaintBackground != clNone)
        FBackground = QColor(int(Image.PaintBackground & 0xFF), int((Image.PaintBackground >> 8) & 0xFF),
                             int((Image.PaintBackground >> 16) & 0xFF));
    else if (Options & gpTransparent)
        FBackground = Qt::transparent;
    else if (Image.Header.ColorMap.Count() == 0)
        FBackground = Qt::white;
    else {
        const TColor c = Image.BackgroundColor();
        FBackground = QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
    }
    // What lies under the picture before its first frame: nothing (transparent), unless a
    // background colour was asked for.
    FBackup = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    FBackup.fill(Image.PaintBackground != clNone ? FBackground : QColor(Qt::transparent));
    FVisible = FBackup;
}

TGIFPainter::~TGIFPainter()
{
    if (FTimer >= 0)
        AnimationClock().Cancel(FTimer);
}

void TGIFPainter::Fire(const std::function<void(TGIFPainter &)> &Event)
{
    if (Event && !FTerminated)
        Event(*this);
}

void TGIFPainter::Start()
{
    FRunning = true;
    BeginPass();
}

void TGIFPainter::Stop()
{
    if (FTerminated)
        return;
    FTerminated = true;
    if (FTimer >= 0) {
        AnimationClock().Cancel(FTimer);
        FTimer = -1;
    }
    if (FRunning) {
        FRunning = false;
        ActiveImage = -1;
        if (OnPaintEnd)
            OnPaintEnd(*this);
    }
}

void TGIFPainter::BeginPass()
{
    ActiveImage = 0;
    Fire(OnPaintStart);
    FStarted = false;
    FLoopCount = 1;
    FLoopPoint = 0;
    FLoopSeen = false;
    FWait = 0;
    OldDisposal = diKeep;
    FLastTime = AnimationClock().Now();
    FLastWait = 0;
    if (FTerminated)
        return;
    ActiveImage = FLoopPoint;
    NextFrame(true);
}

// Waits out the delay before the active frame (the first frame of a run is shown at once).
void TGIFPainter::NextFrame(bool Immediately)
{
    if (FTerminated)
        return;
    if (ActiveImage < 0 || ActiveImage >= FImage->Count() || FImage->Frame(ActiveImage).Empty()) {
        EndPass();
        return;
    }
    if (FWait < 1) {
        FPendingWait = 0;
        if (Immediately) {
            ShowFrame();
            return;
        }
        FTimer = AnimationClock().Schedule(0, [this] {
            FTimer = -1;
            ShowFrame();
        });
        return;
    }
    FImage->Frame(ActiveImage).Bitmap(); // rendered before the wait, which absorbs the time
    const int64_t now = AnimationClock().Now();
    int64_t wait;
    if (PlaySpeed <= 0 && PlaySpeed == 0) {
        FPendingWait = -1; // until stopped
        FLastTime = now;
        return;
    }
    if (PlaySpeed < 0) {
        wait = 0;
    } else {
        const int64_t overshoot = (now - FLastTime - FLastWait) / 2;
        wait = Saturate((int64_t(FWait) * FrameDelayScale - overshoot) * 100 / PlaySpeed);
    }
    FLastWait = wait;
    FLastTime = now;
    FPendingWait = int(wait);
    FTimer = AnimationClock().Schedule(int(wait), [this] {
        FTimer = -1;
        ShowFrame();
    });
}

void TGIFPainter::RestoreBackground(QImage &Target, const TGIFSubImage &Frame)
{
    QPainter p(&Target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(Frame.BoundsRect(), FBackground);
}

void TGIFPainter::ShowFrame()
{
    if (FTerminated)
        return;
    Fire(OnFramePaint);
    if (FTerminated)
        return;
    TGIFSubImage &frame = FImage->Frame(ActiveImage);
    Disposal = diKeep;
    for (int i = 0; i < frame.Extensions.Count(); ++i) {
        TGIFExtension &e = frame.Extensions[i];
        if (auto *loop = dynamic_cast<TGIFAppExtNSLoop *>(&e); loop && !FLoopSeen) {
            FLoopSeen = true;
            FLoopCount = loop->Loops;
            FLoopPoint = ActiveImage;
            if (FLoopCount == 0 || (FOptions & gpLoopForever))
                FLoopCount = -1;
        } else if (auto *gce = dynamic_cast<TGIFGraphicControlExtension *>(&e)) {
            Disposal = gce->Disposal();
        }
    }
    const bool transparent = FOptions & gpTransparent;
    if ((FOptions & gpClearOnLoop) && ActiveImage == 0)
        RestoreBackground(FBackup, frame);
    if (Disposal <= diRestorePrevious) {
        const QImage img = frame.RenderImage(transparent);
        if (Disposal == diRestorePrevious) {
            FVisible = FBackup.copy();
            QPainter p(&FVisible);
            p.drawImage(frame.Left(), frame.Top(), img);
        } else {
            {
                QPainter p(&FBackup);
                p.drawImage(frame.Left(), frame.Top(), img);
            }
            FVisible = FBackup.copy();
            if (Disposal == diRestoreBackground)
                RestoreBackground(FBackup, frame);
        }
    }
    FStarted = true;
    OldDisposal = Disposal;
    FImage->Changed();
    if (FTerminated)
        return;
    FWait = DefaultFrameDelay;
    if (frame.GraphicControlExtension && frame.GraphicControlExtension->Delay != 0)
        FWait = std::max<int>(frame.GraphicControlExtension->Delay, MinFrameDelay);
    const int noted = ActiveImage;
    Fire(OnFramePainted);
    if (FTerminated)
        return;
    if (ActiveImage == noted)
        ++ActiveImage;
    if (!(FOptions & gpAnimate)) {
        EndPass();
        return;
    }
    NextFrame(false);
}

void TGIFPainter::EndPass()
{
    if (FTerminated)
        return;
    if (FLoopCount > 0)
        --FLoopCount;
    const bool again = (FOptions & gpAnimate) && (FOptions & gpLoop) && (FLoopCount != 0 || (FOptions & gpLoopForever));
    if (!again) {
        Finish();
        return;
    }
    ActiveImage = FLoopPoint;
    if (FStarted)
        Fire(OnPaintLoop);
    if (FTerminated)
        return;
    NextFrame(false);
}

void TGIFPainter::Finish()
{
    FRunning = false;
    ActiveImage = -1;
    if (OnPaintEnd)
        OnPaintEnd(*this);
    FImage->PainterEnded(this);
}
