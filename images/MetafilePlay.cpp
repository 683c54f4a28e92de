#include "images/MetafilePlay.h"
#include "images/EmfRender.h"
#include "images/WmfRender.h"

#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Present only in builds with a sanitizer: the child must not report its own death as the
// parent's (a fuzzing driver would record the input as a crash of ours).
extern "C" void __sanitizer_set_death_callback(void (*Callback)(void)) __attribute__((weak));

namespace {

// A preview needs no more pixels than this; larger draws are stretched by the painter.
constexpr int64_t kMaxPlayPixels = 4096 * 4096;

QSize PlaySize(QSize Size)
{
    const int64_t area = int64_t(Size.width()) * Size.height();
    if (area <= kMaxPlayPixels)
        return Size;
    const double f = std::sqrt(double(kMaxPlayPixels) / double(area));
    return QSize(std::max(1, int(Size.width() * f)), std::max(1, int(Size.height() * f)));
}

// What the child writes to the pipe once it is done.
enum : uint8_t { kPlayDrawn = 1, kPlayRefused = 2 };

// The child's address space now, from /proc (read with plain system calls: after a fork of a
// process with threads, the child keeps to what cannot wait on another thread's lock).
int64_t ChildAddressSpace()
{
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    char text[64] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return -1;
    int64_t pages = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9'; ++i)
        pages = pages * 10 + (text[i] - '0');
    return pages * int64_t(::sysconf(_SC_PAGESIZE));
}

void LimitChild(const TMetafilePlayLimits &Limits)
{
    // A fault in a player ends the child quietly: no core file, no report on our terminal, no
    // handler of the parent's (a sanitizer's or a fuzzing driver's) taking it for the parent's.
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGXCPU, SIGALRM, SIGTERM, SIGINT, SIGPIPE})
        ::signal(sig, SIG_DFL);
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(nullptr);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
    rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
    const rlim_t seconds = rlim_t((Limits.CpuMilliseconds + 999) / 1000 + 1);
    rlimit cpu{seconds, seconds + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
    // The budget counts from what the fork shares with us (a sanitizer's reserved shadow
    // included), so it bounds what the player adds.
    const int64_t now = ChildAddressSpace();
    if (now > 0) {
        rlimit as{rlim_t(now + Limits.MemoryBytes), rlim_t(now + Limits.MemoryBytes)};
        ::setrlimit(RLIMIT_AS, &as);
    }
}

[[noreturn]] void RunChild(const std::vector<uint8_t> &Data, bool Enhanced, QSize Size, uchar *Pixels, int Pipe,
                           const TMetafilePlayLimits &Limits)
{
    LimitChild(Limits);
    // Threads Qt starts in the child (its image scaling's) run without a GLib event loop: a
    // thread of ours that was ending at the fork may have held GLib's allocator lock, which the
    // child would then wait on for ever.
    ::setenv("QT_NO_GLIB", "1", 1);
    uint8_t status = kPlayRefused;
    // The record check is ours: a file it refuses is never played, and the player plays the
    // checked copy. It runs here, within the child's bounds, as its time grows with the file.
    const QImage image = Enhanced ? RenderEmf(Data, Size) : RenderWmf(Data, Size);
    if (!image.isNull() && image.size() == Size && image.format() == QImage::Format_ARGB32) {
        const size_t row = size_t(Size.width()) * 4;
        for (int y = 0; y < Size.height(); ++y)
            std::memcpy(Pixels + size_t(y) * row, image.constScanLine(y), row);
        status = kPlayDrawn;
    }
    while (::write(Pipe, &status, 1) < 0 && errno == EINTR) {
    }
    ::_exit(0);
}

// Whether a thread of Qt's pool (named so by Qt) is still in this process.
bool PoolThreadsRemain()
{
    DIR *tasks = ::opendir("/proc/self/task");
    if (!tasks)
        return false;
    bool found = false;
    while (const dirent *entry = ::readdir(tasks)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string path = std::string("/proc/self/task/") + entry->d_name + "/comm";
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        char name[32] = {};
        const ssize_t n = ::read(fd, name, sizeof name - 1);
        ::close(fd);
        if (n > 0 && std::strncmp(name, "Thread (pooled)", 15) == 0) {
            found = true;
            break;
        }
    }
    ::closedir(tasks);
    return found;
}

// Qt counts a pool thread as ended before the system thread has run its exit (freeing its
// caches, which takes the allocator's and GLib's locks); a fork in that moment gives a child
// whose locks are held for ever. So we wait, briefly, until those threads are really gone.
void AwaitEndOfPoolThreads()
{
    for (int i = 0; i < 500 && PoolThreadsRemain(); ++i)
        ::usleep(100);
}

int64_t CpuMillisecondsOf(clockid_t Clock)
{
    timespec t{};
    if (::clock_gettime(Clock, &t) != 0)
        return -1;
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

std::atomic<int64_t> gPlaysStarted{0};

} // namespace

int64_t MetafilePlaysStarted()
{
    return gPlaysStarted.load();
}

TMetafileChild::TMetafileChild(const std::vector<uint8_t> &Data, bool Enhanced, QSize Size,
                               const TMetafilePlayLimits &Limits)
    : FLimits(Limits)
{
    if (Size.width() <= 0 || Size.height() <= 0) {
        FOutcome = TMetafilePlayOutcome::Refused;
        return;
    }
    FSize = PlaySize(Size);
    if (Enhanced) {
        ReadyEmfRendering();
        // Qt's painting hands large image scaling to its global thread pool. A child made by a
        // fork has none of our threads, so a pool that has threads now would take the child's
        // work and never do it; a pool with nothing to do lets its idle threads go here, and
        // the child then starts threads of its own. (A pool still busy with other work after a
        // short wait keeps them: the child may then wait on it until its deadline, and the
        // picture is not shown.)
        if (QThreadPool::globalInstance()->waitForDone(50))
            AwaitEndOfPoolThreads();
    }

    // The pixels come back through memory shared with the child, untouched pages costing nothing.
    const size_t bytes = size_t(FSize.width()) * size_t(FSize.height()) * 4;
    void *shared = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED)
        return;
    FShared = shared;
    FBytes = bytes;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipe[0]);
        RunChild(Data, Enhanced, FSize, static_cast<uchar *>(FShared), pipe[1], Limits);
    }
    ::close(pipe[1]);
    if (pid < 0) {
        ::close(pipe[0]);
        return;
    }
    ++gPlaysStarted;
    FPid = pid;
    FPipe = pipe[0];
    FOver = false;
    FHaveCpuClock = ::clock_getcpuclockid(pid, &FCpuClock) == 0;
    FStart = std::chrono::steady_clock::now();
}

// A play cancelled: nothing of the child goes on (it is killed and reaped here).
TMetafileChild::~TMetafileChild()
{
    if (FPid > 0) {
        ::kill(FPid, SIGKILL);
        int waitStatus = 0;
        while (::waitpid(FPid, &waitStatus, 0) < 0 && errno == EINTR) {
        }
    }
    if (FPipe >= 0)
        ::close(FPipe);
    if (FShared)
        ::munmap(FShared, FBytes);
}

bool TMetafileChild::Wait(int Milliseconds)
{
    using namespace std::chrono;
    const auto until = steady_clock::now() + milliseconds(std::max(Milliseconds, 0));
    while (!FOver) {
        const int64_t left = duration_cast<milliseconds>(until - steady_clock::now()).count();
        if (!FAnswered) {
            pollfd p{FPipe, POLLIN, 0};
            const int ready = ::poll(&p, 1, int(std::clamp<int64_t>(left, 0, 5)));
            if (ready > 0) {
                ssize_t n;
                while ((n = ::read(FPipe, &FStatus, 1)) < 0 && errno == EINTR) {
                }
                if (n != 1)
                    FStatus = 0; // the child ended without a word: it died
                FAnswered = true;
            } else if (ready < 0 && errno != EINTR) {
                FAnswered = true;
            } else {
                const int64_t waited = duration_cast<milliseconds>(steady_clock::now() - FStart).count();
                const int64_t cpu = FHaveCpuClock ? CpuMillisecondsOf(FCpuClock) : -1;
                if (waited > FLimits.WallMilliseconds || cpu > FLimits.CpuMilliseconds) {
                    FOutcome = TMetafilePlayOutcome::OverTime;
                    FAnswered = true;
                }
            }
            // Nothing of the child goes on once it has answered or is over its budget (one that
            // has ended already is only reaped).
            if (FAnswered)
                ::kill(FPid, SIGKILL);
        }
        if (FAnswered) {
            // Reaped without waiting for it: a large child takes a while to be torn down.
            int waitStatus = 0;
            const pid_t reaped = ::waitpid(FPid, &waitStatus, WNOHANG);
            if (reaped == FPid || (reaped < 0 && errno != EINTR)) {
                FPid = -1;
                Collect();
                FOver = true;
                break;
            }
            if (left > 0)
                ::poll(nullptr, 0, 1);
        }
        if (left <= 0)
            break;
    }
    return FOver;
}

// The child's answer, once it is gone.
void TMetafileChild::Collect()
{
    if (FPipe >= 0) {
        ::close(FPipe);
        FPipe = -1;
    }
    if (FStatus == kPlayDrawn) {
        FImage = QImage(FSize, QImage::Format_ARGB32);
        if (!FImage.isNull()) {
            const size_t row = size_t(FSize.width()) * 4;
            for (int y = 0; y < FSize.height(); ++y)
                std::memcpy(FImage.scanLine(y), static_cast<const uchar *>(FShared) + size_t(y) * row, row);
            FOutcome = TMetafilePlayOutcome::Drawn;
        }
    } else if (FStatus == kPlayRefused) {
        FOutcome = TMetafilePlayOutcome::Refused;
    }
    ::munmap(FShared, FBytes);
    FShared = nullptr;
}

QImage TMetafileChild::TakeImage(TMetafilePlayOutcome *Outcome)
{
    if (Outcome)
        *Outcome = FOutcome;
    return FOutcome == TMetafilePlayOutcome::Drawn ? std::exchange(FImage, QImage()) : QImage();
}

QImage PlayMetafile(const std::vector<uint8_t> &Data, bool Enhanced, QSize Size, TMetafilePlayOutcome *Outcome,
                    const TMetafilePlayLimits &Limits)
{
    TMetafileChild child(Data, Enhanced, Size, Limits);
    while (!child.Wait(1000)) {
    }
    return child.TakeImage(Outcome);
}
