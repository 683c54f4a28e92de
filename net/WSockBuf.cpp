#include "net/WSockBuf.h"
#include <algorithm>
#include <cstring>

void TBuffer::SetBlockSize(int32_t Size)
{
    if (Size <= 0)
        Size = 1514;
    auto NewBuf = std::make_unique<uint8_t[]>(static_cast<size_t>(Size));
    const int32_t Unread = FWrittenBytes - FTakenBytes;
    if (Unread > 0 && FBuf) {
        const int32_t Keep = std::min(Unread, Size);
        std::memcpy(NewBuf.get(), FBuf.get() + FTakenBytes, static_cast<size_t>(Keep));
        FWrittenBytes = Keep;
    } else {
        FWrittenBytes = 0;
    }
    FTakenBytes = 0;
    FBuf = std::move(NewBuf);
    FBlockSize = Size;
}

int32_t TBuffer::Write(const void *Data, int32_t Len)
{
    const int32_t Count = std::max(0, std::min(Len, FBlockSize - FWrittenBytes));
    if (Count > 0) {
        std::memcpy(FBuf.get() + FWrittenBytes, Data, static_cast<size_t>(Count));
        FWrittenBytes += Count;
    }
    return Count;
}

const uint8_t *TBuffer::Peek(int32_t &Len) const
{
    Len = FWrittenBytes - FTakenBytes;
    return Len > 0 ? FBuf.get() + FTakenBytes : nullptr;
}

int32_t TBuffer::Remove(int32_t Len)
{
    const int32_t Count = std::max(0, std::min(Len, FWrittenBytes - FTakenBytes));
    FTakenBytes += Count;
    if (FTakenBytes >= FWrittenBytes)
        FTakenBytes = FWrittenBytes = 0;
    return Count;
}
