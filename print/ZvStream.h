#pragma once
// The object stream: drawing objects as length-prefixed blocks of little-endian values, so a
// reader can bound and skip what a newer writer added. Readers take the data's format version
// and read later fields only when the version has them.
#include "platform/Classes.h"
#include "print/ZvTypes.h"
#include <memory>

class TZvBaseObject;

QUILLMAR_EXCEPTION(EZvStreamError, EReadError);

// The version this program writes.
constexpr Extended ZvStreamVersion = 2.63L;
// True when `Version` is at least `Wanted` (versions are decimal numbers held in reals).
bool ZvVersionAtLeast(Extended Version, Extended Wanted);

// One block's bytes, read as a stream of its own from position 0.
class TZvExtStream : public TMemoryStream {
public:
    int64_t Remaining() { return GetSize() - GetPosition(); }
};

void ZvWriteInt(TStream &S, int32_t Value);
void ZvWriteByte(TStream &S, uint8_t Value);
void ZvWriteReal(TStream &S, Extended Value);
// int32 byte count, then the text as UTF-8.
void ZvWriteString(TStream &S, const WideString &Value);
void ZvWriteBytes(TStream &S, const void *Data, int32_t Count);
// The block's length as int32, then its content.
void ZvWriteBlock(TStream &Outer, const TZvExtStream &Block);

// 0, without reading, at or past the end of the block.
int32_t ZvReadInt(TZvExtStream &S);
uint8_t ZvReadByteBounded(TZvExtStream &S);
// These fail (EZvStreamError) when the block ends early.
uint8_t ZvReadByte(TZvExtStream &S);
Extended ZvReadReal(TZvExtStream &S);
WideString ZvReadString(TZvExtStream &S);
std::string ZvReadBytes(TZvExtStream &S);
// Reads the next block of Outer into Block, positioned at 0. A length that is negative or runs
// past the end of Outer raises EZvStreamError.
void ZvReadBlock(TStream &Outer, TZvExtStream &Block);

void ZvWriteBrush(TStream &S, const TZvBrushRecord &R);
void ZvWritePen(TStream &S, const TZvPenRecord &R);
void ZvWriteFont(TStream &S, const TZvFontRecord &R);
TZvBrushRecord ZvReadBrush(TZvExtStream &S);
TZvPenRecord ZvReadPen(TZvExtStream &S);
TZvFontRecord ZvReadFont(TZvExtStream &S);

// Writes one object (its kind, then its blocks). Reads one: the kind, then a new object of
// that kind loads itself; an unknown kind raises EZvStreamError.
void ZvSaveObject(TStream &S, const TZvBaseObject &Object);
std::unique_ptr<TZvBaseObject> ZvLoadObject(TStream &S, Extended Version);

// Registers the picture formats the stream's pictures are read with (once).
void EnsurePictureFormats();
