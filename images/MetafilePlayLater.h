#pragma once
// Metafiles played while the window goes on. A play asked for waits in one line shared by the
// process and is started from the event loop (never within the call that asks for it), at most a
// few at a time, the latest asked for first; its child is watched by a timer, and Done is called
// from the event loop with what PlayMetafile would answer. Used from the window's thread only.
#include "images/MetafilePlay.h"

#include <functional>
#include <memory>

class TMetafilePlayLater {
public:
    using TDone = std::function<void(QImage Image, TMetafilePlayOutcome Outcome)>;
    TMetafilePlayLater(std::shared_ptr<const std::vector<uint8_t>> Data, bool Enhanced, QSize Size, TDone Done,
                       const TMetafilePlayLimits &Limits = {});
    // Cancels the play: one in line is dropped, a running child killed. Done may destroy it.
    ~TMetafilePlayLater();
    TMetafilePlayLater(const TMetafilePlayLater &) = delete;
    TMetafilePlayLater &operator=(const TMetafilePlayLater &) = delete;

    QSize Size() const { return FSize; }
    // A play still in line goes to its head (its picture is in sight again).
    void Hurry();

private:
    friend struct TMetafilePlayLine;
    void Start();
    void Finish();
    std::shared_ptr<const std::vector<uint8_t>> FData;
    bool FEnhanced;
    QSize FSize;
    TDone FDone;
    TMetafilePlayLimits FLimits;
    std::unique_ptr<TMetafileChild> FChild;
};
