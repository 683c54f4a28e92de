#pragma once
// Wide-character (UTF-16) routines of the editor: zero-terminated buffers, trimming, character classes
// from the Unicode tables, and the keyboard's code page.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Types.h"

// ---- zero-terminated wide buffers

size_t StrLenW(const WideChar *p);
// Copies Count characters and returns Dest; overlapping buffers are handled.
WideChar *StrMoveW(WideChar *Dest, const WideChar *Source, size_t Count);
// Address of the first C in the zero-terminated text, the terminator included (so C = 0 finds the end);
// nullptr when absent.
const WideChar *StrScanW(const WideChar *p, WideChar C);
WideChar *StrScanW(WideChar *p, WideChar C);
// Swaps the two bytes of each character in place, stopping at the first character that is 0.
void StrSwapBytesW(WideChar *p);

// Buffers from StrAllocW carry their total size in bytes (2n + 4) in the 4 bytes before the returned
// address and are released by StrDisposeW.
void StrDisposeW(WideChar *p);
struct TStrDisposeW {
    void operator()(WideChar *p) const { StrDisposeW(p); }
};
using TWideBuffer = std::unique_ptr<WideChar[], TStrDisposeW>;

// A zero-filled buffer for N characters.
TWideBuffer StrAllocW(size_t N);
// A copy of the zero-terminated text with its terminator; empty for nullptr.
TWideBuffer StrNewW(const WideChar *p);
// Total size in bytes recorded for a buffer of StrAllocW.
uint32_t StrBufSizeW(const WideChar *p);

// ---- wide strings

WideString WideStringOfChar(WideChar C, int Count);
// S without leading and trailing white-space and control characters.
WideString WideTrim(const WideString &S);
WideString WideTrimRight(const WideString &S);

// ---- character classes (Unicode property tables)

bool UnicodeIsControl(uint32_t C); // properties 9, 10 (Cc, Cf)
bool UnicodeIsWhiteSpace(uint32_t C); // properties 6, 13, 36, 37 (Zs, segment separator, white space)
bool UnicodeIsUpper(uint32_t C);
bool UnicodeIsLower(uint32_t C);
bool UnicodeIsTitle(uint32_t C);
bool UnicodeIsNonSpacingMark(uint32_t C);

// ---- keyboard

// Code page numbers: the program's only 8-bit code page is Windows-1252.
unsigned CodePageFromLocale(unsigned Locale);
unsigned KeyboardCodePage();
// The wide character for one typed 8-bit character, in the keyboard's code page.
WideChar KeyUnicode(char B);
