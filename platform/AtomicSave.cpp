#include "platform/AtomicSave.h"

#include "platform/ScopeGuard.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::mutex HookLock;
TAtomicSave::TFaultHook &Hook()
{
    static TAtomicSave::TFaultHook hook;
    return hook;
}

// The errno a test wants this step to fail with, or 0.
int Injected(TAtomicSave::TStep Step, int64_t Offset = 0)
{
    std::lock_guard lock(HookLock);
    return Hook() ? Hook()(Step, Offset) : 0;
}

AnsiString FolderOf(const AnsiString &Path)
{
    const size_t slash = Path.rfind('/');
    return slash == AnsiString::npos ? AnsiString() : Path.substr(0, slash + 1);
}

AnsiString NameOf(const AnsiString &Path)
{
    const size_t slash = Path.rfind('/');
    return slash == AnsiString::npos ? Path : Path.substr(slash + 1);
}

// Follows symbolic links, also a dangling last one: the path of the file a save should write.
// Throws nothing; a loop of links is left to the create step to report.
AnsiString ResolveLinks(const AnsiString &FileName)
{
    AnsiString path = FileName;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::vector<char> buffer(size_t(std::max<off_t>(st.st_size, 0)) + PATH_MAX + 1);
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0)
            return path;
        const AnsiString link(buffer.data(), size_t(n));
        path = !link.empty() && link[0] == '/' ? link : FolderOf(path) + link;
    }
    return path;
}

// The user's cache folder for save backups, created on demand; empty when there is none.
AnsiString CacheFolder()
{
    AnsiString base;
    if (const char *xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/')
        base = xdg;
    else if (const char *home = std::getenv("HOME"); home && *home == '/')
        base = AnsiString(home) + "/.cache";
    else
        return {};
    ::mkdir(base.c_str(), 0700);
    const AnsiString folder = base + "/quillmar";
    ::mkdir(folder.c_str(), 0700);
    return folder + "/";
}

std::atomic<unsigned> Counter{0};

// A name for a new file in Folder, derived from Name but short enough for any file system
// (a name near NAME_MAX plus a suffix would overflow it).
AnsiString TemporaryName(const AnsiString &Folder, const AnsiString &Name)
{
    constexpr size_t kKeep = 64;
    AnsiString stem = Name.substr(0, std::min(Name.size(), kKeep));
    return Folder + "." + stem + "." + std::to_string(::getpid()) + "-" + std::to_string(++Counter) + ".tmp";
}

bool WriteAllAt(int Fd, const uint8_t *Data, size_t Size, off_t At, TAtomicSave::TStep Step, int &Err)
{
    size_t done = 0;
    while (done < Size) {
        if ((Err = Injected(Step, int64_t(At + off_t(done)))) != 0)
            return false;
        const ssize_t n = ::pwrite(Fd, Data + done, std::min<size_t>(Size - done, 1 << 16), At + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Err = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// May this process write the file? Permission bits count for the superuser too: a file made
// read-only (0444) stays unreplaced whoever saves it.
bool MayWrite(const AnsiString &Path, const struct stat &St)
{
    if (::geteuid() == 0)
        return (St.st_mode & 0222) != 0;
    return ::access(Path.c_str(), W_OK) == 0;
}

} // namespace

// Rename mode: straight into the temporary file. In-place mode: into memory, so the old file is
// not touched before Commit knows the new size.
class TAtomicSave::TSaveStream : public TStream {
public:
    TSaveStream(const TAtomicSave &Owner, int Fd) : FOwner(Owner), FFd(Fd) {}

    int64_t Read(void *, int64_t) override { return 0; }
    int64_t Write(const void *Buffer, int64_t Count) override
    {
        if (Count <= 0)
            return 0;
        const auto *p = static_cast<const uint8_t *>(Buffer);
        if (FFd < 0) {
            FMemory.insert(FMemory.end(), p, p + Count);
        } else {
            int err = 0;
            if (!WriteAllAt(FFd, p, size_t(Count), off_t(FSize), TStep::Write, err))
                FOwner.Fail(err);
        }
        FSize += Count;
        return Count;
    }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override
    {
        // The content is written front to back; only the position can be asked for.
        if (Origin == soBeginning && Offset == FSize)
            return FSize;
        if (Origin != soBeginning && Offset == 0)
            return FSize;
        return -1;
    }
    int64_t GetSize() override { return FSize; }

    const std::vector<uint8_t> &Memory() const { return FMemory; }

private:
    const TAtomicSave &FOwner;
    int FFd;
    int64_t FSize = 0;
    std::vector<uint8_t> FMemory;
};

void TAtomicSave::SetFaultHook(TFaultHook NewHook)
{
    std::lock_guard lock(HookLock);
    Hook() = std::move(NewHook);
}

AnsiString TAtomicSave::ErrorText(const AnsiString &FileName, int Err)
{
    return "Cannot save file \"" + FileName + "\". " + std::strerror(Err);
}

void TAtomicSave::Fail(int Err) const
{
    throw EWriteError(ErrorText(FFileName, Err));
}

TAtomicSave::TAtomicSave(const AnsiString &FileName) : FFileName(FileName), FTarget(ResolveLinks(FileName))
{
    auto refuse = [&](int err) { throw EFCreateError(ErrorText(FFileName, err)); };
    struct stat st {};
    FExists = ::stat(FTarget.c_str(), &st) == 0;
    if (!FExists && errno != ENOENT)
        refuse(errno);
    if (FExists) {
        if (S_ISDIR(st.st_mode))
            refuse(EISDIR);
        if (!S_ISREG(st.st_mode))
            refuse(EINVAL); // a device or pipe is no file to replace
        if (!MayWrite(FTarget, st))
            refuse(EACCES);
    }
    if (FExists && st.st_nlink > 1) {
        FInPlace = true;
    } else {
        int err = 0;
        for (int attempt = 0; attempt < 100 && FFd < 0; ++attempt) {
            FTemp = TemporaryName(FolderOf(FTarget), NameOf(FTarget));
            err = Injected(TStep::Create);
            if (err == 0) {
                FFd = ::open(FTemp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                err = FFd < 0 ? errno : 0;
            }
            if (FFd < 0 && err != EEXIST)
                break;
        }
        if (FFd < 0) {
            FTemp.clear();
            // The folder refuses new files, but the file itself may be written.
            if (FExists && (err == EACCES || err == EPERM))
                FInPlace = true;
            else
                refuse(err);
        } else if (FExists) {
            // Keep what the file was: its owner and group (where we may) and its mode.
            (void)::fchown(FFd, st.st_uid, st.st_gid);
            ::fchmod(FFd, st.st_mode & 07777);
        }
    }
    FStream = std::make_unique<TSaveStream>(*this, FInPlace ? -1 : FFd);
}

TAtomicSave::~TAtomicSave()
{
    if (FFd >= 0)
        ::close(FFd);
    if (!FCommitted && !FTemp.empty())
        ::unlink(FTemp.c_str());
}

TStream &TAtomicSave::Stream()
{
    return *FStream;
}

void TAtomicSave::SaveFile(const AnsiString &FileName, const std::function<void(TStream &)> &Write)
{
    TAtomicSave save(FileName);
    Write(save.Stream());
    save.Commit();
}

void TAtomicSave::SaveFile(const AnsiString &FileName, const void *Data, size_t Size)
{
    SaveFile(FileName, [&](TStream &Stream) { Stream.WriteBuffer(Data, int64_t(Size)); });
}

void TAtomicSave::Commit()
{
    if (FInPlace)
        CommitInPlace();
    else
        CommitRename();
    FCommitted = true;
}

void TAtomicSave::CommitRename()
{
    int err = Injected(TStep::Sync);
    if (err == 0 && ::fsync(FFd) != 0)
        err = errno;
    if (err)
        Fail(err);
    const int closing = ::close(FFd);
    FFd = -1;
    if (closing != 0)
        Fail(errno);
    err = Injected(TStep::Rename);
    if (err == 0 && ::rename(FTemp.c_str(), FTarget.c_str()) != 0)
        err = errno;
    if (err)
        Fail(err);
    FTemp.clear();
    // The rename itself lasts once the folder is synced.
    if (const int dir =
            ::open(FolderOf(FTarget).empty() ? "." : FolderOf(FTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
}

void TAtomicSave::CommitInPlace()
{
    const std::vector<uint8_t> &bytes = FStream->Memory();
    const int fd = ::open(FTarget.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        Fail(errno);
    TScopeGuard closeFile([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        Fail(errno);
    const off_t oldSize = st.st_size;
    const off_t newSize = off_t(bytes.size());
    // A file put back as it was gets its old stamp back too: to its editor it is the file it read,
    // not one another program changed.
    auto restoreStamp = [&] {
        const struct timespec stamps[2] = {st.st_atim, st.st_mtim};
        (void)::futimens(fd, stamps);
    };

    // 1. The old content goes to the cache folder, to be written back if the overwrite fails.
    AnsiString backup;
    int backupFd = -1;
    TScopeGuard dropBackup([&] {
        if (backupFd >= 0)
            ::close(backupFd);
        if (!backup.empty())
            ::unlink(backup.c_str());
    });
    int backupErr = Injected(TStep::Backup);
    if (const AnsiString cache = backupErr ? AnsiString() : CacheFolder(); !cache.empty()) {
        backup = TemporaryName(cache, NameOf(FTarget));
        backupFd = ::open(backup.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (backupFd < 0) {
            backupErr = errno;
            backup.clear();
        } else {
            std::vector<uint8_t> chunk(1 << 20);
            for (off_t at = 0; at < oldSize && !backupErr;) {
                const ssize_t n = ::pread(fd, chunk.data(), chunk.size(), at);
                if (n <= 0) {
                    backupErr = n < 0 ? errno : EIO;
                    break;
                }
                if (!WriteAllAt(backupFd, chunk.data(), size_t(n), at, TStep::Backup, backupErr))
                    break;
                at += n;
            }
            if (!backupErr && ::fsync(backupFd) != 0)
                backupErr = errno;
        }
    } else if (!backupErr) {
        backupErr = ENOENT;
    }
    const bool haveBackup = backupErr == 0;

    // 2. The space for the new content, before a single old byte is overwritten.
    if (newSize > oldSize) {
        int err = Injected(TStep::Allocate);
        if (err == 0)
            err = ::posix_fallocate(fd, 0, newSize);
        if (err) {
            (void)::ftruncate(fd, oldSize); // an allocation that failed half-way may have grown it
            if ((err != EOPNOTSUPP && err != EINVAL) || !haveBackup) {
                restoreStamp();
                // neither the space nor a copy to fall back on
                Fail(err != EOPNOTSUPP && err != EINVAL ? err : backupErr);
            }
        }
    }

    // 3. Overwrite, cut to the new length, sync; on failure put the old content back.
    int err = 0;
    bool ok = WriteAllAt(fd, bytes.data(), bytes.size(), 0, TStep::Overwrite, err);
    if (ok && ::ftruncate(fd, newSize) != 0) {
        err = errno;
        ok = false;
    }
    if (ok && (err = Injected(TStep::Sync)) == 0 && ::fsync(fd) != 0)
        err = errno;
    if (ok && err == 0)
        return;
    if (haveBackup) {
        std::vector<uint8_t> chunk(1 << 20);
        bool restored = true;
        for (off_t at = 0; at < oldSize && restored;) {
            const ssize_t n = ::pread(backupFd, chunk.data(), chunk.size(), at);
            int ignored = 0;
            restored = n > 0 && WriteAllAt(fd, chunk.data(), size_t(n), at, TStep::Backup, ignored);
            at += std::max<ssize_t>(n, 0);
        }
        restored = restored && ::ftruncate(fd, oldSize) == 0 && ::fsync(fd) == 0;
        if (!restored) {
            // Keep the copy: it is the only whole version left.
            const AnsiString kept = backup;
            backup.clear();
            throw EWriteError(ErrorText(FFileName, err) + " The previous content is kept in \"" + kept + "\".");
        }
        restoreStamp();
    }
    Fail(err);
}
