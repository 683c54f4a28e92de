#pragma once
// One block of a socket's send queue.
#include <cstdint>
#include <memory>

class TBuffer {
public:
    explicit TBuffer(int32_t Size) { SetBlockSize(Size); }

    int32_t BlockSize() const { return FBlockSize; }
    // 0 or less gives 1514; the unread bytes survive a change when they fit.
    void SetBlockSize(int32_t Size);

    // Copies as many of Len bytes as fit; returns the count (0 when full).
    int32_t Write(const void *Data, int32_t Len);
    // The unread bytes and their count (nullptr and 0 when empty).
    const uint8_t *Peek(int32_t &Len) const;
    // Consumes up to Len unread bytes; returns the count. An emptied block starts over.
    int32_t Remove(int32_t Len);

    int32_t WrittenBytes() const { return FWrittenBytes; }
    int32_t TakenBytes() const { return FTakenBytes; }
    bool Empty() const { return FTakenBytes == FWrittenBytes; }
    bool Full() const { return FWrittenBytes >= FBlockSize; }

private:
    std::unique_ptr<uint8_t[]> FBuf;
    int32_t FBlockSize = 0;
    int32_t FWrittenBytes = 0;
    int32_t FTakenBytes = 0;
};
