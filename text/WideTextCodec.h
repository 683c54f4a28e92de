#pragma once
// Bulk conversions between Windows-1252 bytes and UTF-16, and the line-break scan, used when whole files
// are read and written. They work on blocks of characters at a time where the processor allows.
#include <cstddef>
#include <cstdint>

#include "platform/Types.h"

// Index of the first line break (LF, VT, FF, CR, U+2028, U+2029) in p[0..n), or n when there is none.
size_t FindLineBreak(const WideChar *p, size_t n);
// Decodes n Windows-1252 bytes into n wide characters.
void AnsiToWideBlock(const uint8_t *src, size_t n, WideChar *dst);
// Whether every character has a byte of its own in Windows-1252.
bool IsAnsiLosslessBlock(const WideChar *src, size_t n);
// Encodes n wide characters into n bytes; characters without a byte become '?'.
void WideToAnsiBlock(const WideChar *src, size_t n, uint8_t *dst);
// Swaps the two bytes of each of n characters in place.
void SwapBytesBlock(WideChar *p, size_t n);
