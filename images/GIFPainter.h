#pragma once
// The animation painter of a GIF image: it shows the frames in turn on timers of the event
// loop, waits out each frame's delay, applies the frames' disposal methods to its picture of
// the logical screen and follows the loop extension. The clock is replaceable for tests.
#include "images/GIFImage.h"

#include <QImage>
#include <functional>

class TAnimationClock {
public:
    virtual ~TAnimationClock() = default;
    // Milliseconds since some start.
    virtual int64_t Now() = 0;
    // Calls Callback once after Ms milliseconds; answers an id for Cancel.
    virtual int Schedule(int Ms, std::function<void()> Callback) = 0;
    virtual void Cancel(int Id) = 0;
};

// The clock of all painters (event-loop timers unless a test put another in place).
TAnimationClock &AnimationClock();
// Replaces it (nullptr: back to event-loop timers).
void SetAnimationClock(TAnimationClock *Clock);

class TGIFPainter {
public:
    TGIFPainter(TGIFImage &Image, uint16_t Options, const QRect &Rect);
    ~TGIFPainter();
    TGIFPainter(const TGIFPainter &) = delete;
    TGIFPainter &operator=(const TGIFPainter &) = delete;

    // Shows the first frame at once and schedules the rest.
    void Start();
    // Ends the painter at once (OnPaintEnd fires); no frame is drawn after this.
    void Stop();
    bool Terminated() const { return FTerminated; }
    bool Running() const { return FRunning; }

    TGIFImage *Image() const { return FImage; }
    const QRect &Rect() const { return FRect; }
    uint16_t PaintOptions() const { return FOptions; }
    // What the picture shows now, at the logical screen's size.
    const QImage &Surface() const { return FVisible; }
    // Milliseconds of the wait that runs now (-1 while waiting without limit).
    int PendingWait() const { return FPendingWait; }

    int ActiveImage = -1;
    uint8_t Disposal = diKeep;
    uint8_t OldDisposal = diKeep;
    int PlaySpeed = 100;
    std::function<void(TGIFPainter &)> OnPaintStart, OnFramePaint, OnFramePainted, OnPaintLoop, OnPaintEnd;

private:
    void BeginPass();
    void NextFrame(bool Immediately);
    void ShowFrame();
    void EndPass();
    void Finish();
    void Fire(const std::function<void(TGIFPainter &)> &Event);
    void RestoreBackground(QImage &Target, const TGIFSubImage &Frame);

    TGIFImage *FImage;
    uint16_t FOptions;
    QRect FRect;
    QImage FBackup, FVisible;
    QColor FBackground;
    bool FTerminated = false;
    bool FRunning = false;
    bool FStarted = false;
    int FLoopCount = 1;
    int FLoopPoint = 0;
    bool FLoopSeen = false;
    int FWait = 0;
    int64_t FLastTime = 0;
    int64_t FLastWait = 0;
    int FTimer = -1;
    int FPendingWait = 0;
};
