#include "images/MetafilePlayLater.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <deque>

// The line: plays waiting (the head starts first) and plays whose child runs, and the timer that
// starts and watches them while either is not empty.
struct TMetafilePlayLine {
    std::deque<TMetafilePlayLater *> Waiting;
    std::vector<TMetafilePlayLater *> Running;
    QPointer<QTimer> Timer;

    static TMetafilePlayLine &Instance()
    {
        static TMetafilePlayLine line;
        return line;
    }

    // Each child takes a processor for up to its CPU budget; the window and the rest of the
    // machine keep the others.
    static size_t MaxRunning() { return size_t(std::clamp(QThread::idealThreadCount() / 4, 1, 2)); }

    void Wake()
    {
        if (!Timer) {
            Timer = new QTimer(QCoreApplication::instance());
            Timer->setInterval(10);
            QObject::connect(Timer, &QTimer::timeout, [this] { Tick(); });
        }
        if (!Timer->isActive())
            Timer->start();
    }

    void Tick()
    {
        // Done of a play may cancel others (or ask for new ones): the list is looked at afresh
        // after each. A child over is reaped without waiting; one still being torn down is
        // looked at again next tick.
        for (bool answered = true; answered;) {
            answered = false;
            for (TMetafilePlayLater *play : Running)
                if (play->FChild->Wait(0)) {
                    std::erase(Running, play);
                    play->Finish();
                    answered = true;
                    break;
                }
        }
        // One start a tick: a fork copies the process's page tables, which takes a while when
        // the process is large.
        if (Running.size() < MaxRunning() && !Waiting.empty()) {
            TMetafilePlayLater *play = Waiting.front();
            Waiting.pop_front();
            play->Start();
            Running.push_back(play);
        }
        if (Running.empty() && Waiting.empty() && Timer)
            Timer->stop();
    }
};

TMetafilePlayLater::TMetafilePlayLater(std::shared_ptr<const std::vector<uint8_t>> Data, bool Enhanced, QSize Size,
                                       TDone Done, const TMetafilePlayLimits &Limits)
    : FData(std::move(Data)), FEnhanced(Enhanced), FSize(Size), FDone(std::move(Done)), FLimits(Limits)
{
    TMetafilePlayLine &line = TMetafilePlayLine::Instance();
    line.Waiting.push_front(this);
    line.Wake();
}

TMetafilePlayLater::~TMetafilePlayLater()
{
    TMetafilePlayLine &line = TMetafilePlayLine::Instance();
    std::erase(line.Waiting, this);
    std::erase(line.Running, this);
}

void TMetafilePlayLater::Hurry()
{
    TMetafilePlayLine &line = TMetafilePlayLine::Instance();
    const auto at = std::find(line.Waiting.begin(), line.Waiting.end(), this);
    if (at != line.Waiting.end() && at != line.Waiting.begin()) {
        line.Waiting.erase(at);
        line.Waiting.push_front(this);
    }
}

void TMetafilePlayLater::Start()
{
    FChild = std::make_unique<TMetafileChild>(*FData, FEnhanced, FSize, FLimits);
    FData.reset();
}

void TMetafilePlayLater::Finish()
{
    TMetafilePlayOutcome outcome = TMetafilePlayOutcome::Failed;
    QImage image = FChild->TakeImage(&outcome);
    FChild.reset();
    // Done may destroy this play: nothing of it is used after the call.
    const TDone done = FDone;
    done(std::move(image), outcome);
}
