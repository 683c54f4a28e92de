#pragma once
// Byte streams: the abstract TStream, a growable memory stream and a file stream.
#include "platform/Exception.h"
#include <cstddef>
#include <cstdint>
#include <vector>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Read up to Count bytes; returns the number read (0 at the end).
    virtual int64_t Read(void *Buffer, int64_t Count) = 0;
    // Write up to Count bytes; returns the number written.
    virtual int64_t Write(const void *Buffer, int64_t Count) = 0;
    // Move the position; returns the new position.
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
    virtual int64_t GetSize();
    virtual void SetSize(int64_t NewSize);

    // Exact transfers: throw EReadError / EWriteError when fewer bytes move.
    void ReadBuffer(void *Buffer, int64_t Count);
    void WriteBuffer(const void *Buffer, int64_t Count);
    // Copies Count bytes from Source (all of it, from its start, when Count is 0).
    int64_t CopyFrom(TStream &Source, int64_t Count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;

    int64_t Read(void *Buffer, int64_t Count) override;
    int64_t Write(const void *Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override { return static_cast<int64_t>(FData.size()); }
    void SetSize(int64_t NewSize) override;

    void Clear();
    void LoadFromStream(TStream &Stream);
    void SaveToStream(TStream &Stream);
    void LoadFromFile(const AnsiString &FileName);
    void SaveToFile(const AnsiString &FileName);

    uint8_t *Memory() { return FData.data(); }
    const uint8_t *Memory() const { return FData.data(); }
    const std::vector<uint8_t> &Bytes() const { return FData; }

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

// Open modes and share flags, combined with '|'. Share flags become advisory locks:
// fmShareDenyWrite / fmShareExclusive take a lock that conflicting openers see.
enum : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

class TFileStream : public TStream {
public:
    // Throws EFOpenError ("Cannot open file \"name\". reason") or EFCreateError.
    TFileStream(const AnsiString &FileName, uint16_t Mode);
    ~TFileStream() override;
    TFileStream(const TFileStream &) = delete;
    TFileStream &operator=(const TFileStream &) = delete;

    int64_t Read(void *Buffer, int64_t Count) override;
    int64_t Write(const void *Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(int64_t NewSize) override;

    const AnsiString &FileName() const { return FFileName; }
    int Handle() const { return FHandle; }

private:
    AnsiString FFileName;
    int FHandle = -1;
};
