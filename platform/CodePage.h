#pragma once
// The ANSI code page: Windows-1252. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D have no character
// of their own and stand for the control characters of the same value, so every byte
// round-trips. A wide character without a byte becomes '?'.
#include "platform/Types.h"
#include <cstddef>

namespace CodePage {

// Wide character of one ANSI byte.
WideChar AnsiCharToWide(unsigned char b);
// ANSI byte of a wide character, or -1 when the code page has none.
int WideCharToAnsi(WideChar c);

WideString AnsiToWide(const AnsiString &s);
WideString AnsiToWide(const char *s, size_t length);
// Unmappable characters become '?'.
AnsiString WideToAnsi(const WideString &s);
AnsiString WideToAnsi(const WideChar *s, size_t length);
// Writes the bytes of length characters at s to out (room for length bytes), as WideToAnsi converts them.
void WideToAnsiInto(char *out, const WideChar *s, size_t length);
// True when every character of s has a byte of its own (converting loses nothing).
bool IsAnsiLossless(const WideString &s);
bool IsAnsiLossless(const WideChar *s, size_t length);

} // namespace CodePage

using CodePage::AnsiToWide;
using CodePage::WideToAnsi;
