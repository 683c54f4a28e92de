#include "images/PNGZLib.h"

#include <cstring>

namespace {
const char *ZText(int Code)
{
    switch (Code) {
    case Z_ERRNO: return "file error";
    case Z_STREAM_ERROR: return "stream error";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "insufficient memory";
    case Z_BUF_ERROR: return "buffer error";
    case Z_VERSION_ERROR: return "incompatible version";
    default: return "unknown zlib error";
    }
}
} // namespace

int CheckDeflateResult(int Code)
{
    if (Code < 0)
        throw EZCompressionError(ZText(Code));
    return Code;
}

int CheckInflateResult(int Code)
{
    if (Code < 0)
        throw EZDecompressionError(ZText(Code));
    return Code;
}

TCustomZStream::TCustomZStream(TStream &Stream)
    : FStream(Stream), FStreamPos(Stream.GetPosition()), FBuffer(new uint8_t[kBufferSize])
{
}

void TCustomZStream::Progress()
{
    if (OnProgress)
        OnProgress(*this);
}

// ---- compression

TZCompressionStream::TZCompressionStream(TStream &Dest, int LevelCode) : TCustomZStream(Dest)
{
    static const int levels[4] = {Z_NO_COMPRESSION, Z_BEST_SPEED, Z_DEFAULT_COMPRESSION, Z_BEST_COMPRESSION};
    FZRec.next_out = FBuffer.get();
    FZRec.avail_out = kBufferSize;
    CheckDeflateResult(deflateInit(&FZRec, levels[LevelCode < 0 || LevelCode > 3 ? 2 : LevelCode]));
}

void TZCompressionStream::Flush(int64_t Bytes)
{
    if (FStream.GetPosition() != FStreamPos)
        FStream.SetPosition(FStreamPos);
    FStream.WriteBuffer(FBuffer.get(), Bytes);
    FStreamPos = FStream.GetPosition();
    FZRec.next_out = FBuffer.get();
    FZRec.avail_out = kBufferSize;
    Progress();
}

int64_t TZCompressionStream::Write(const void *Buffer, int64_t Count)
{
    FZRec.next_in = static_cast<Bytef *>(const_cast<void *>(Buffer));
    FZRec.avail_in = uInt(Count);
    while (FZRec.avail_in > 0) {
        CheckDeflateResult(deflate(&FZRec, Z_NO_FLUSH));
        if (FZRec.avail_out == 0)
            Flush(kBufferSize);
    }
    return Count;
}

void TZCompressionStream::Finish()
{
    if (FFinished)
        return;
    FFinished = true;
    struct TEnd {
        z_stream *Z;
        ~TEnd() { deflateEnd(Z); }
    } end{&FZRec};
    FZRec.next_in = nullptr;
    FZRec.avail_in = 0;
    for (;;) {
        const int rc = CheckDeflateResult(deflate(&FZRec, Z_FINISH));
        if (FZRec.avail_out == 0)
            Flush(kBufferSize);
        if (rc == Z_STREAM_END)
            break;
    }
    if (FZRec.avail_out < uInt(kBufferSize))
        Flush(kBufferSize - FZRec.avail_out);
}

TZCompressionStream::~TZCompressionStream()
{
    try {
        Finish();
    } catch (...) {
        // A destructor never throws; Finish reports errors to callers that want them.
    }
}

int64_t TZCompressionStream::Read(void *, int64_t)
{
    throw EZCompressionError("Invalid ZStream operation!");
}

int64_t TZCompressionStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    if (Offset == 0 && Origin == soCurrent)
        return int64_t(FZRec.total_in);
    throw EZCompressionError("Invalid ZStream operation!");
}

// ---- decompression

TZDecompressionStream::TZDecompressionStream(TStream &Source) : TCustomZStream(Source)
{
    FZRec.next_in = FBuffer.get();
    FZRec.avail_in = 0;
    CheckInflateResult(inflateInit(&FZRec));
}

TZDecompressionStream::~TZDecompressionStream()
{
    inflateEnd(&FZRec);
}

int64_t TZDecompressionStream::Read(void *Buffer, int64_t Count)
{
    FZRec.next_out = static_cast<Bytef *>(Buffer);
    FZRec.avail_out = uInt(Count);
    while (FZRec.avail_out > 0 && !FEnded) {
        if (FZRec.avail_in == 0) {
            if (FStream.GetPosition() != FStreamPos)
                FStream.SetPosition(FStreamPos);
            const int64_t n = FStream.Read(FBuffer.get(), kBufferSize);
            if (n <= 0)
                break;
            FZRec.next_in = FBuffer.get();
            FZRec.avail_in = uInt(n);
            FStreamPos = FStream.GetPosition();
            Progress();
        }
        const int rc = CheckInflateResult(inflate(&FZRec, Z_NO_FLUSH));
        if (rc == Z_STREAM_END)
            FEnded = true;
    }
    return Count - int64_t(FZRec.avail_out);
}

int64_t TZDecompressionStream::Write(const void *, int64_t)
{
    throw EZDecompressionError("Invalid ZStream operation!");
}

int64_t TZDecompressionStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    if (Offset == 0 && Origin == soBeginning) {
        CheckInflateResult(inflateReset(&FZRec));
        FZRec.next_in = FBuffer.get();
        FZRec.avail_in = 0;
        FEnded = false;
        FStream.SetPosition(0);
        FStreamPos = 0;
        return 0;
    }
    int64_t target = -1;
    if (Origin == soCurrent && Offset >= 0)
        target = int64_t(FZRec.total_out) + Offset;
    else if (Origin == soBeginning && Offset >= int64_t(FZRec.total_out))
        target = Offset;
    if (target < 0)
        throw EZDecompressionError("Invalid ZStream operation!");
    uint8_t scratch[4096];
    while (int64_t(FZRec.total_out) < target) {
        const int64_t want = std::min<int64_t>(sizeof scratch, target - int64_t(FZRec.total_out));
        if (Read(scratch, want) < want)
            break;
    }
    return int64_t(FZRec.total_out);
}
