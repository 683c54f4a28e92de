#include "platform/Classes.h"
#include "platform/AtomicSave.h"
#include "platform/ScopeGuard.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int64_t TStream::GetSize()
{
    const int64_t pos = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(int64_t)
{
    throw EStreamError("Stream size cannot be changed");
}

void TStream::ReadBuffer(void *Buffer, int64_t Count)
{
    if (Count > 0 && Read(Buffer, Count) != Count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void *Buffer, int64_t Count)
{
    if (Count > 0 && Write(Buffer, Count) != Count)
        throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream &Source, int64_t Count)
{
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.GetSize();
    }
    std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(Count, 1 << 16)));
    int64_t left = Count;
    while (left > 0) {
        const int64_t n = std::min<int64_t>(left, static_cast<int64_t>(buffer.size()));
        Source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return Count;
}

// ---- TMemoryStream

int64_t TMemoryStream::Read(void *Buffer, int64_t Count)
{
    if (Count <= 0 || FPosition >= GetSize())
        return 0;
    const int64_t n = std::min(Count, GetSize() - FPosition);
    std::memcpy(Buffer, FData.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void *Buffer, int64_t Count)
{
    if (Count <= 0)
        return 0;
    const int64_t end = FPosition + Count;
    if (end > GetSize())
        FData.resize(static_cast<size_t>(end));
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = end;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    int64_t base = 0;
    if (Origin == soCurrent)
        base = FPosition;
    else if (Origin == soEnd)
        base = GetSize();
    FPosition = std::max<int64_t>(0, base + Offset);
    return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize)
{
    FData.resize(static_cast<size_t>(std::max<int64_t>(0, NewSize)));
    if (FPosition > NewSize)
        FPosition = std::max<int64_t>(0, NewSize);
}

void TMemoryStream::Clear()
{
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream &Stream)
{
    Stream.SetPosition(0);
    const int64_t size = Stream.GetSize();
    FData.resize(static_cast<size_t>(size));
    if (size > 0)
        Stream.ReadBuffer(FData.data(), size);
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream &Stream)
{
    Stream.WriteBuffer(FData.data(), GetSize());
}

void TMemoryStream::LoadFromFile(const AnsiString &FileName)
{
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const AnsiString &FileName)
{
    TAtomicSave::SaveFile(FileName, [this](TStream &File) { SaveToStream(File); });
}

// ---- TFileStream

namespace {
AnsiString reasonText(int err)
{
    return std::strerror(err);
}

// Advisory lock standing in for share modes: deny-write and exclusive take a write lock
// when the file is open for writing, a read lock otherwise; a conflicting lock fails.
bool takeShareLock(int fd, uint16_t mode)
{
    const uint16_t share = mode & 0x00F0;
    if (share != fmShareExclusive && share != fmShareDenyWrite && share != fmShareDenyRead)
        return true;
    struct flock lk {};
    const uint16_t access = mode & 0x0003;
    lk.l_type = (access == fmOpenRead && share == fmShareDenyWrite) ? F_RDLCK : F_WRLCK;
    if (lk.l_type == F_WRLCK && access == fmOpenRead)
        lk.l_type = F_RDLCK; // a read-only descriptor cannot hold a write lock
    lk.l_whence = SEEK_SET;
    // Open-file-description locks: two holders in one process conflict too, and closing
    // another descriptor of the same file does not drop the lock.
    return fcntl(fd, F_OFD_SETLK, &lk) == 0;
}
} // namespace

TFileStream::TFileStream(const AnsiString &FileName, uint16_t Mode) : FFileName(FileName)
{
    if (Mode == fmCreate || (Mode & 0xFF00) == fmCreate) {
        FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError("Cannot create file \"" + FileName + "\". " + reasonText(errno));
        return;
    }
    int flags = O_CLOEXEC;
    switch (Mode & 0x0003) {
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmOpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDONLY; break;
    }
    FHandle = ::open(FileName.c_str(), flags);
    if (FHandle < 0)
        throw EFOpenError("Cannot open file \"" + FileName + "\". " + reasonText(errno));
    // A constructor that throws runs no destructor: the descriptor is closed here on every refusal.
    TScopeGuard closeOnRefusal([this] {
        ::close(FHandle);
        FHandle = -1;
    });
    struct stat st {};
    if (fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode))
        throw EFOpenError("Cannot open file \"" + FileName + "\". " + reasonText(EISDIR));
    if (!takeShareLock(FHandle, Mode)) {
        const int err = errno;
        throw EFOpenError("Cannot open file \"" + FileName + "\". " + reasonText(err));
    }
    closeOnRefusal.Dismiss();
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

int64_t TFileStream::Read(void *Buffer, int64_t Count)
{
    int64_t done = 0;
    auto *p = static_cast<uint8_t *>(Buffer);
    while (done < Count) {
        const ssize_t n = ::read(FHandle, p + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Write(const void *Buffer, int64_t Count)
{
    int64_t done = 0;
    const auto *p = static_cast<const uint8_t *>(Buffer);
    while (done < Count) {
        const ssize_t n = ::write(FHandle, p + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    const off_t r = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
    return r < 0 ? -1 : static_cast<int64_t>(r);
}

void TFileStream::SetSize(int64_t NewSize)
{
    if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
        throw EWriteError("Stream write error");
    if (GetPosition() > NewSize)
        Seek(NewSize, soBeginning);
}
