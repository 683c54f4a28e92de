// Writing a frame's pixels as GIF image data: a true LZW compressor with a hashed string table,
// or a run-length coder whose output every LZW decoder reads; the bytes go out in sub-blocks of
// at most 255 bytes.
#include "images/GIFImage.h"
#include "images/GIFSubImage.h"

namespace {

// Packs bytes into sub-blocks: a length byte and up to 255 data bytes.
class TGIFWriter {
public:
    explicit TGIFWriter(TStream &Stream) : FStream(Stream) {}
    ~TGIFWriter()
    {
        try {
            Flush();
        } catch (...) {
        }
    }
    void Write(uint8_t B)
    {
        FBuffer[FCount++] = B;
        if (FCount == 256)
            Flush();
    }
    void Flush()
    {
        if (FCount <= 1)
            return;
        FBuffer[0] = uint8_t(FCount - 1);
        FStream.WriteBuffer(FBuffer, FCount);
        FCount = 1;
    }

private:
    TStream &FStream;
    uint8_t FBuffer[256]{};
    int FCount = 1;
};

class THashTable {
public:
    static constexpr int kSize = 8009;
    void Clear() { std::fill(std::begin(FSlots), std::end(FSlots), 0xFFFFFFFFu); }
    // The code of Key, or -1; Free is set to the first empty slot met (-1 when the probe
    // sequence is exhausted, which counts as a full table).
    int Lookup(uint32_t Key, int &Free) const
    {
        int i = int((Key ^ (Key >> 4)) % kSize);
        Free = -1;
        for (int probes = 0; probes < kSize; ++probes) {
            const uint32_t v = FSlots[i];
            if (v >= 0xFFFFF000u) {
                Free = i;
                return -1;
            }
            if ((v >> 12) == Key)
                return int(v & 0xFFF);
            i = i == 0 ? kSize - 1 : int((2 * int64_t(i)) % kSize);
        }
        return -1;
    }
    void Insert(int Slot, uint32_t Key, int Code) { FSlots[Slot] = (Key << 12) | uint32_t(Code & 0xFFF); }

private:
    uint32_t FSlots[kSize];
};

class TGIFEncoder {
public:
    TGIFEncoder(TGIFSubImage &Frame) : FFrame(Frame) {}
    virtual ~TGIFEncoder() = default;

    void Encode(TStream &Stream, int BitsPerPixel, int MaxColor, const uint8_t *Data, bool Interlace, int Height,
                int Width)
    {
        FMaxColor = MaxColor;
        FBitsPerPixel = std::max(BitsPerPixel, 2);
        FInitialBitsPerCode = FBitsPerPixel + 1;
        WriteByte(Stream, uint8_t(FBitsPerPixel));
        FBitsPerCode = FInitialBitsPerCode;
        FMaxCode = (1 << FBitsPerCode) - 1;
        FClearCode = 1 << FBitsPerPixel;
        FEOFCode = FClearCode + 1;
        FBaseCode = FClearCode + 2;
        FBucket = 0;
        FBits = 0;
        FWidth = Width;
        FHeight = Height;
        FInterlace = Interlace;
        FData = Data;
        {
            TGIFWriter writer(Stream);
            FWriter = &writer;
            if (Data && Width > 0 && Height > 0) {
                FRemaining = Interlace ? Width : int64_t(Width) * Height;
                FY = 0;
                FPass = 0;
                FPixel = Data;
                FDone = false;
                Compress();
            }
            Output(FEOFCode);
            writer.Flush();
            FWriter = nullptr;
        }
        WriteByte(Stream, 0);
    }

protected:
    virtual void Compress() = 0;

    virtual void Output(int Code)
    {
        if (FBits > 0)
            FBucket = (FBucket & ((1u << FBits) - 1)) | (uint32_t(Code) << FBits);
        else
            FBucket = uint32_t(Code);
        FBits += FBitsPerCode;
        while (FBits > 7) {
            FWriter->Write(uint8_t(FBucket));
            FBucket >>= 8;
            FBits -= 8;
        }
        if (Code == FEOFCode)
            while (FBits > 0) {
                FWriter->Write(uint8_t(FBucket));
                FBucket >>= 8;
                FBits -= 8;
            }
    }

    virtual void Clear()
    {
        FClearFlag = true;
        Output(FClearCode);
    }

    bool More() const { return !FDone; }
    // The next pixel, in file order (interlaced rows in their passes).
    int TakePixel()
    {
        const int p = *FPixel;
        if (p >= FMaxColor)
            GIFError("Color not in color table");
        ++FPixel;
        if (--FRemaining > 0)
            return p;
        if (!FInterlace) {
            FDone = true;
            return p;
        }
        FRemaining = FWidth;
        static const int steps[4] = {8, 8, 4, 2}, starts[4] = {0, 4, 2, 1};
        FY += steps[FPass];
        while (FY >= FHeight) {
            if (++FPass > 3) {
                FDone = true;
                return p;
            }
            FY = starts[FPass];
        }
        FPixel = FData + int64_t(FY) * FWidth;
        return p;
    }

    TGIFSubImage &FFrame;
    TGIFWriter *FWriter = nullptr;
    int FBitsPerPixel = 0, FInitialBitsPerCode = 0, FBitsPerCode = 0, FMaxCode = 0;
    int FClearCode = 0, FEOFCode = 0, FBaseCode = 0;
    uint32_t FBucket = 0;
    int FBits = 0;
    bool FClearFlag = false;
    int FMaxColor = 0;
    int FWidth = 0, FHeight = 0;
    bool FInterlace = false;
    const uint8_t *FData = nullptr;
    const uint8_t *FPixel = nullptr;
    int64_t FRemaining = 0;
    int FY = 0, FPass = 0;
    bool FDone = true;
};

class TLZWEncoder : public TGIFEncoder {
public:
    using TGIFEncoder::TGIFEncoder;

protected:
    void Output(int Code) override
    {
        TGIFEncoder::Output(Code);
        if (FClearFlag) {
            FBitsPerCode = FInitialBitsPerCode;
            FMaxCode = (1 << FBitsPerCode) - 1;
            FClearFlag = false;
        } else if (FFreeEntry > FMaxCode) {
            ++FBitsPerCode;
            FMaxCode = FBitsPerCode >= 12 ? 4096 : (1 << FBitsPerCode) - 1;
        }
    }
    void Clear() override
    {
        TGIFEncoder::Clear();
        FTable->Clear();
        FFreeEntry = FClearCode + 2;
    }
    void Compress() override
    {
        FTable = std::make_unique<THashTable>();
        Clear();
        int prefix = TakePixel();
        while (More()) {
            const int p = TakePixel();
            const uint32_t key = (uint32_t(prefix) << 8) | uint32_t(p);
            int free = -1;
            const int code = FTable->Lookup(key, free);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            Output(prefix);
            prefix = p;
            // A full table (or an exhausted probe) starts afresh with a clear code.
            if (FFreeEntry >= 4095 || free < 0)
                Clear();
            else
                FTable->Insert(free, key, FFreeEntry++);
        }
        Output(prefix);
    }

private:
    std::unique_ptr<THashTable> FTable;
    int FFreeEntry = 0;
};

class TRLEEncoder : public TGIFEncoder {
public:
    using TGIFEncoder::TGIFEncoder;

protected:
    void OutputPlain(int Code)
    {
        FClearFlag = false;
        Output(Code);
        ++FOutCount;
        if (FOutCount >= FOutBump) {
            FOutBump += 1 << FBitsPerCode;
            ++FBitsPerCode;
        }
        if (FOutCount >= FOutClear)
            Clear();
    }
    void Clear() override
    {
        FOutBump = FOutBumpInit;
        FOutClear = FOutClearInit;
        FOutCount = 0;
        FTableMax = 0;
        TGIFEncoder::Clear();
        FBitsPerCode = FInitialBitsPerCode;
    }
    void Compress() override
    {
        FOutBumpInit = FClearCode - 1;
        FOutClearInit = FBitsPerPixel > 3 ? FOutBumpInit - 1 : 9;
        FMaxCodes = 4095 - FBaseCode;
        Clear();
        int64_t count = 0;
        FPrefix = -1;
        while (More()) {
            const int p = TakePixel();
            if (count > 0 && p != FPrefix) {
                FlushRun(count);
                count = 0;
            }
            if (p == FPrefix) {
                ++count;
            } else {
                FPrefix = p;
                count = 1;
            }
        }
        FlushRun(count);
    }

private:
    void FlushRun(int64_t Count)
    {
        if (Count <= 0)
            return;
        if (Count == 1)
            OutputPlain(FPrefix);
        else if (FClearFlag)
            FlushFromClear(Count);
        else if (FTableMax > 1 && FTablePixel == FPrefix)
            FlushWithTable(Count);
        else
            FlushClearOrRepeat(Count);
    }
    void FlushFromClear(int64_t Count)
    {
        FOutClear = FMaxCodes;
        FTablePixel = FPrefix;
        int64_t n = 1;
        while (Count > 0) {
            if (n == 1) {
                FTableMax = 1;
                OutputPlain(FPrefix);
                --Count;
            } else if (Count >= n) {
                FTableMax = int(n);
                OutputPlain(int(FBaseCode + n - 2));
                Count -= n;
            } else {
                ++FTableMax;
                OutputPlain(Count == 1 ? FPrefix : int(FBaseCode + Count - 2));
                Count = 0;
            }
            n = FOutCount == 0 ? 1 : n + 1;
        }
        ResetOutClear();
    }
    void ResetOutClear()
    {
        FOutClear = FOutClearInit;
        if (FOutCount >= FOutClear)
            Clear();
    }
    static int64_t TriangleCount(int64_t Count, int64_t NRepCodes)
    {
        int64_t cost = 0;
        const int64_t perRep = NRepCodes * (NRepCodes + 1) / 2;
        while (Count >= perRep) {
            cost += NRepCodes;
            Count -= perRep;
        }
        if (Count > 0) {
            int64_t n = 1;
            while (n * n < Count)
                n *= 2;
            while (n * (n + 1) >= 2 * Count)
                --n;
            while (n * (n + 1) < 2 * Count)
                ++n;
            cost += n;
        }
        return cost;
    }
    void FlushClearOrRepeat(int64_t Count)
    {
        if (1 + TriangleCount(Count, FMaxCodes) < Count) {
            Clear();
            FlushFromClear(Count);
        } else {
            for (int64_t i = 0; i < Count; ++i)
                OutputPlain(FPrefix);
        }
    }
    void FlushWithTable(int64_t Count)
    {
        int64_t repMax = Count / FTableMax;
        int64_t leftOver = Count % FTableMax;
        int64_t repLeft = leftOver > 0 ? 1 : 0;
        if (FOutCount + repMax + repLeft > FMaxCodes) {
            repMax = FMaxCodes - FOutCount;
            leftOver = Count - repMax * FTableMax;
            repLeft = 1 + TriangleCount(leftOver, FMaxCodes);
        }
        if (1 + TriangleCount(Count, FMaxCodes) < repMax + repLeft) {
            Clear();
            FlushFromClear(Count);
            return;
        }
        FOutClear = FMaxCodes;
        for (int64_t i = 0; i < repMax; ++i)
            OutputPlain(FBaseCode + FTableMax - 2);
        if (leftOver > 0) {
            if (FClearFlag)
                FlushFromClear(leftOver);
            else if (leftOver == 1)
                OutputPlain(FPrefix);
            else
                OutputPlain(int(FBaseCode + leftOver - 2));
        }
        ResetOutClear();
    }

    int FOutBumpInit = 0, FOutClearInit = 0, FOutBump = 0, FOutClear = 0, FOutCount = 0, FMaxCodes = 0;
    int FTableMax = 0, FTablePixel = 0, FPrefix = -1;
};

} // namespace

void TGIFSubImage::Compress(TStream &Stream)
{
    int bits, maxColor;
    if (ColorMap.Count() > 0) {
        bits = ColorMap.BitsPerPixel();
        maxColor = ColorMap.Count();
    } else {
        bits = FImage ? FImage->MaxBitsPerPixel() : 8;
        if (bits <= 0)
            bits = 8;
        maxColor = 1 << bits;
    }
    std::unique_ptr<TGIFEncoder> encoder;
    if (FImage && FImage->CompressionMethod == 1)
        encoder = std::make_unique<TRLEEncoder>(*this);
    else
        encoder = std::make_unique<TLZWEncoder>(*this);
    encoder->Encode(Stream, bits, maxColor, Data.empty() ? nullptr : Data.data(), Interlaced(), Height(), Width());
}
