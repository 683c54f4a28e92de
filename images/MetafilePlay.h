#pragma once
// Playing a metafile for the preview within a bound of time and memory. The players (libwmf for
// WMF, libemf2svg and Qt's SVG module for EMF) trust what a file says, and a crafted file can
// keep them busy for minutes or make them ask for gigabytes; the window's thread must never wait
// on that. So a metafile is played in a child process of ours (a fork: it shares nothing back
// but the pixels), with a memory limit, a CPU-time budget and a wall-clock deadline; a child over
// any of them is killed and the preview shows the picture as one that cannot be shown.
#include <QImage>
#include <QSize>
#include <chrono>
#include <cstdint>
#include <sys/types.h>
#include <vector>

// Builds with the address sanitizer run the players several times slower (every memory access is
// checked, and the child copies each page of the large sanitized heap it writes to, which counts
// as its own time): their budgets of time are that much larger, so that what draws in a plain
// build draws there too.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kMetafilePlaySlowdown = 8;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kMetafilePlaySlowdown = 8;
#else
constexpr int kMetafilePlaySlowdown = 1;
#endif
#else
constexpr int kMetafilePlaySlowdown = 1;
#endif

struct TMetafilePlayLimits {
    // CPU time the child may use; a sound preview takes a few milliseconds.
    int CpuMilliseconds = 300 * kMetafilePlaySlowdown;
    // Wall-clock time the caller waits at most, also when the machine is busy.
    int WallMilliseconds = 800 * kMetafilePlaySlowdown;
    // Memory the child may take beyond what it shares with us at the fork.
    int64_t MemoryBytes = 512LL * 1024 * 1024;
};

enum class TMetafilePlayOutcome {
    Drawn, // the image holds the picture
    Refused, // the file's records did not pass the check, or the player refused it
    OverTime, // killed past the CPU budget or the deadline
    Failed, // the child died (over its memory, or a fault in the player), or could not start
};

// The metafile Data (a placeable WMF, or an EMF when Enhanced) drawn into an image of Size
// (ARGB32, transparent where nothing is drawn); a null image for every outcome but Drawn.
QImage PlayMetafile(const std::vector<uint8_t> &Data, bool Enhanced, QSize Size,
                    TMetafilePlayOutcome *Outcome = nullptr, const TMetafilePlayLimits &Limits = {});

// One play in two steps, for a caller that waits in its event loop instead of in PlayMetafile
// (which is these steps with a wait between). Used from the thread that made it.
class TMetafileChild {
public:
    // Starts the child, which checks the records and plays the checked copy; a size of no area, or
    // a child that cannot start, is over at once.
    TMetafileChild(const std::vector<uint8_t> &Data, bool Enhanced, QSize Size, const TMetafilePlayLimits &Limits = {});
    // A child still playing is killed and reaped.
    ~TMetafileChild();
    TMetafileChild(const TMetafileChild &) = delete;
    TMetafileChild &operator=(const TMetafileChild &) = delete;

    // Waits at most Milliseconds (0: only looks) for the play to be over: the child answered, died
    // or went over its budget, and is gone (killed and reaped). True once it is.
    bool Wait(int Milliseconds);
    // Once Wait answered true: what PlayMetafile answers.
    QImage TakeImage(TMetafilePlayOutcome *Outcome = nullptr);

private:
    void Collect();
    TMetafilePlayLimits FLimits;
    QSize FSize;
    TMetafilePlayOutcome FOutcome = TMetafilePlayOutcome::Failed;
    bool FOver = true;
    bool FAnswered = false;
    pid_t FPid = -1;
    int FPipe = -1;
    void *FShared = nullptr;
    size_t FBytes = 0;
    bool FHaveCpuClock = false;
    clockid_t FCpuClock{};
    std::chrono::steady_clock::time_point FStart;
    uint8_t FStatus = 0;
    QImage FImage;
};

// How many children this process has started to play a metafile (the folder view's tests count
// them to see that a picture is played once).
int64_t MetafilePlaysStarted();
