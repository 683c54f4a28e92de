#pragma once
// Buffered reading for the Targa and PCX readers: 8 KB at a time from a stream, and bytes
// past the end of the data read as zeros (a truncated file shows black, not an error).
#include "platform/Classes.h"

#include <algorithm>
#include <cstring>

// Bytes the readers of this thread took in: those read from streams and the zeros handed out past
// their end. A reader's work follows it, so tests bound the work of a crafted file by it.
inline thread_local int64_t PaddedReaderWork = 0;

class TPaddedReader {
public:
    explicit TPaddedReader(TStream &Stream) : FStream(Stream) {}

    uint8_t Byte()
    {
        if (FPos == FCount && !Fill()) {
            ++PaddedReaderWork;
            return 0;
        }
        return FBuffer[FPos++];
    }
    uint16_t Word()
    {
        const uint8_t lo = Byte();
        return uint16_t(lo | (Byte() << 8));
    }
    void Read(uint8_t *Dest, size_t Count)
    {
        while (Count > 0) {
            if (FPos == FCount && !Fill()) {
                std::memset(Dest, 0, Count);
                PaddedReaderWork += int64_t(Count);
                return;
            }
            const size_t n = std::min(Count, FCount - FPos);
            std::memcpy(Dest, FBuffer + FPos, n);
            FPos += n;
            Dest += n;
            Count -= n;
        }
    }
    void Skip(int64_t Count)
    {
        while (Count > 0) {
            if (FPos == FCount && !Fill())
                return;
            const size_t n = size_t(std::min<int64_t>(Count, int64_t(FCount - FPos)));
            FPos += n;
            Count -= int64_t(n);
        }
    }
    // The data ended and every byte of it was handed out: from here on only zeros come.
    bool Exhausted() const { return FAtEnd && FPos == FCount; }
    // Logical position: bytes handed out so far, from where the reader started.
    int64_t Position() const { return FConsumedBefore + int64_t(FPos); }
    // Re-positions the underlying stream (absolute) and empties the buffer.
    void SeekStream(int64_t Pos)
    {
        FStream.SetPosition(Pos);
        FConsumedBefore = Pos - FStart;
        FPos = FCount = 0;
        FAtEnd = false;
    }
    void SetStart(int64_t Start) { FStart = Start; }

private:
    bool Fill()
    {
        if (FAtEnd)
            return false;
        FConsumedBefore += int64_t(FCount);
        FPos = 0;
        FCount = size_t(std::max<int64_t>(0, FStream.Read(FBuffer, sizeof FBuffer)));
        if (FCount == 0)
            FAtEnd = true;
        PaddedReaderWork += int64_t(FCount);
        return FCount > 0;
    }

    TStream &FStream;
    uint8_t FBuffer[8192];
    size_t FPos = 0;
    size_t FCount = 0;
    int64_t FConsumedBefore = 0;
    int64_t FStart = 0;
    bool FAtEnd = false;
};
