#pragma once
// Bulk conversions between Windows-1252 bytes and UTF-16, and the line-break scan, used when whole files
// are read and written. They work on blocks of characters at a time where the processor allows.
#include <cstddef>
#include <cstdint>

#include "platform/Types.h"

// Lines end at CR, LF and CR LF only. Every other character, VT, FF and the Unicode line and
// paragraph separators included, belongs to its line, so a file is read and written back unchanged
// and a script keeps the lines its own language sees.
constexpr bool IsLineBreakChar(WideChar c)
{
    return c == 10 || c == 13;
}
// Index of the first line break (CR or LF) in p[0..n), or n when there is none; of characters, or of
// the bytes of an 8-bit text (where CR and LF are the same bytes in every encoding we read).
size_t FindLineBreak(const WideChar *p, size_t n);
size_t FindLineBreak(const uint8_t *p, size_t n);
// Decodes n Windows-1252 bytes into n wide characters.
void AnsiToWideBlock(const uint8_t *src, size_t n, WideChar *dst);
// Whether every character has a byte of its own in Windows-1252.
bool IsAnsiLosslessBlock(const WideChar *src, size_t n);
// Encodes n wide characters into n bytes; characters without a byte become '?'.
void WideToAnsiBlock(const WideChar *src, size_t n, uint8_t *dst);
// Swaps the two bytes of each of n characters in place.
void SwapBytesBlock(WideChar *p, size_t n);

// Decodes UTF-8 fed in pieces into UTF-16 for as long as it is well-formed: no overlong forms, no
// surrogates, nothing above U+10FFFF. A sequence cut by a piece's end waits for the next piece. Runs
// of ASCII go sixteen bytes at a time. Checking and decoding are one pass over the bytes.
class TUtf8Reader {
public:
    // Decodes the n bytes at p into dst and returns the characters written: at most as many as the
    // bytes read so far and not yet decoded. From the first malformed byte on Valid() is false and
    // nothing more is decoded.
    size_t Decode(const uint8_t *p, size_t n, WideChar *dst);
    // No byte of the current sequence follows (a line break, or the end of the text): a sequence
    // cut there is malformed.
    void EndOfSequence()
    {
        if (FCarryCount > 0)
            FValid = false;
    }
    bool Valid() const { return FValid; }
    // Whether a byte outside ASCII was read.
    bool NonAscii() const { return FNonAscii; }

private:
    bool FValid = true;
    bool FNonAscii = false;
    uint8_t FCarry[4] = {};
    int FCarryCount = 0, FCarryLength = 0;
};

// Decodes UTF-8 fed in blocks into UTF-16; a sequence cut by the block end waits for the next
// block. Malformed bytes become U+FFFD: one for each byte that begins nothing, and one for each
// sequence broken off (overlong, a surrogate, above U+10FFFF, cut short), covering the bytes of it
// that were right; the byte that broke it is read again as a character of its own, so nothing
// well-formed is lost. `dst` holds n + 4 characters. Runs of ASCII are widened sixteen bytes at a time.
class TUtf8Decoder {
public:
    size_t Decode(const uint8_t *p, size_t n, bool last, WideChar *dst);

private:
    uint8_t FCarry[4] = {};
    size_t FCarryCount = 0;
};

// Encodes n UTF-16 units as UTF-8 into dst (room for 3 bytes a unit); a half of a surrogate pair
// without its partner becomes U+FFFD. Returns the bytes written.
size_t WideToUtf8Block(const WideChar *src, size_t n, uint8_t *dst);
