#pragma once
// Compression streams over zlib: TZCompressionStream deflates what is written to it into an
// underlying stream, TZDecompressionStream inflates an underlying stream as it is read.
#include "platform/Classes.h"

#include <functional>
#include <memory>
#include <zlib.h>

QUILLMAR_EXCEPTION(EZLibError, Exception);
QUILLMAR_EXCEPTION(EZCompressionError, EZLibError);
QUILLMAR_EXCEPTION(EZDecompressionError, EZLibError);

// A negative zlib result raises the matching error with zlib's own text; else answers Code.
int CheckDeflateResult(int Code);
int CheckInflateResult(int Code);

class TCustomZStream : public TStream {
public:
    explicit TCustomZStream(TStream &Stream);
    ~TCustomZStream() override = default;
    TCustomZStream(const TCustomZStream &) = delete;
    TCustomZStream &operator=(const TCustomZStream &) = delete;

    // Called each time a buffer is exchanged with the underlying stream.
    std::function<void(TCustomZStream &)> OnProgress;

protected:
    virtual void Progress();
    TStream &FStream;
    int64_t FStreamPos;
    z_stream FZRec{};
    std::unique_ptr<uint8_t[]> FBuffer;
    static constexpr int kBufferSize = 65536;
};

class TZCompressionStream : public TCustomZStream {
public:
    // Level code 0..3: zlib level 0, 1, the library default, 9.
    TZCompressionStream(TStream &Dest, int LevelCode = 2);
    // Finishes the deflate stream into the underlying one. Errors there are lost; call Finish
    // first to see them.
    ~TZCompressionStream() override;
    int64_t Read(void *Buffer, int64_t Count) override;
    int64_t Write(const void *Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    void Finish();

private:
    void Flush(int64_t Bytes);
    bool FFinished = false;
};

class TZDecompressionStream : public TCustomZStream {
public:
    explicit TZDecompressionStream(TStream &Source);
    ~TZDecompressionStream() override;
    int64_t Read(void *Buffer, int64_t Count) override;
    int64_t Write(const void *Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    // The compressed stream ended (zlib reported its end).
    bool Ended() const { return FEnded; }

private:
    bool FEnded = false;
};
