#pragma once
// The device-independent bitmaps that metafile records carry, checked against the bytes their
// record holds before a player sees them (WmfRender.cpp and EmfRender.cpp share this). The players
// trust the bitmap's header: they read the colour table its bit count and used-colour count imply
// and look each pixel's index up in it, so a table that is shorter than the header says, or
// pixels that index past it, make them read past the record.
#include <cstddef>
#include <cstdint>

// What a metafile's player reads of a bitmap.
struct TMetafileDibRules {
    // The colour table holds 16-bit palette indexes (a WMF record's DIB_PAL_COLORS) instead of
    // 4-byte colours (3-byte ones after a core header).
    bool PaletteIndexes = false;
    // A negative height (rows from the top) is read; otherwise such a bitmap is refused.
    bool TopDown = false;
    // JPEG and PNG compressions (the bits a picture file of their own) are passed on.
    bool Embedded = false;
    // Run-length compressed rows are read; otherwise such a bitmap is refused.
    bool RunLength = false;
};

// A bitmap's header as the check reads it.
struct TMetafileDib {
    int64_t Width = 0;
    int64_t Height = 0; // rows, negative for top-down rows
    unsigned Bits = 0;
    uint32_t Compression = 0;
    uint32_t HeaderSize = 0;
    uint64_t Colours = 0; // entries in the colour table
    uint64_t TableBytes = 0; // bytes after the header: the colour table and any bit-field masks
    uint64_t SizeImage = 0;
};

// Reads the bitmap header at Bmi (Avail bytes there) and checks that it is one the players read
// (a core header of 12 bytes, or an info header of 40 or more), of one plane, of a known depth
// and compression, within the picture budget, and that its colour table (and bit-field masks)
// follow it within Avail. nullptr, or the reason the bitmap is refused.
const char *ReadMetafileDib(const uint8_t *Bmi, size_t Avail, const TMetafileDibRules &Rules, TMetafileDib &Dib);

// Checks the pixel data at Bits (Avail bytes there) against Dib: uncompressed rows all within
// it, compressed data no longer than it; and where the colour table holds fewer entries than the
// depth can index (1, 4 or 8 bits a pixel), that no pixel indexes past the table (every pixel of
// the rows, every run and literal of a run-length stream, is looked at).
const char *CheckMetafileDibPixels(const TMetafileDib &Dib, const uint8_t *Bits, size_t Avail);
