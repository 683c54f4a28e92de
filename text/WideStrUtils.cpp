#include "text/WideStrUtils.h"

#include <array>
#include <cstring>

#include "text/UnicodeData.h"
#include "platform/CodePage.h"

size_t StrLenW(const WideChar *p)
{
    const WideChar *q = p;
    while (*q)
        ++q;
    return static_cast<size_t>(q - p);
}

WideChar *StrMoveW(WideChar *Dest, const WideChar *Source, size_t Count)
{
    if (Dest != Source && Count > 0)
        std::memmove(Dest, Source, Count * sizeof(WideChar));
    return Dest;
}

const WideChar *StrScanW(const WideChar *p, WideChar C)
{
    for (;; ++p) {
        if (*p == C)
            return p;
        if (*p == 0)
            return nullptr;
    }
}

WideChar *StrScanW(WideChar *p, WideChar C)
{
    return const_cast<WideChar *>(StrScanW(static_cast<const WideChar *>(p), C));
}

void StrSwapBytesW(WideChar *p)
{
    for (; *p; ++p)
        *p = static_cast<WideChar>((*p >> 8) | (*p << 8));
}

TWideBuffer StrAllocW(size_t N)
{
    const size_t bytes = 2 * N + 4;
    auto *block = new uint8_t[bytes]();
    const uint32_t size = static_cast<uint32_t>(bytes);
    std::memcpy(block, &size, 4);
    return TWideBuffer(reinterpret_cast<WideChar *>(block + 4));
}

void StrDisposeW(WideChar *p)
{
    if (p)
        delete[](reinterpret_cast<uint8_t *>(p) - 4);
}

uint32_t StrBufSizeW(const WideChar *p)
{
    uint32_t size = 0;
    if (p)
        std::memcpy(&size, reinterpret_cast<const uint8_t *>(p) - 4, 4);
    return size;
}

TWideBuffer StrNewW(const WideChar *p)
{
    if (!p)
        return TWideBuffer();
    const size_t len = StrLenW(p);
    TWideBuffer buf = StrAllocW(len + 1);
    std::memcpy(buf.get(), p, (len + 1) * sizeof(WideChar));
    return buf;
}

WideString WideStringOfChar(WideChar C, int Count)
{
    return Count > 0 ? WideString(static_cast<size_t>(Count), C) : WideString();
}

namespace {

// Classes of the first 256 characters, taken once from the tables: the trimming and searching code asks
// about these far more often than about any others.
struct TLatinClasses {
    std::array<uint8_t, 256> bits{};
    enum { Control = 1, White = 2 };
    TLatinClasses()
    {
        for (uint32_t c = 0; c < 256; ++c)
            bits[c] = uint8_t((UnicodeHasProperties(c, 0x600, 0) ? Control : 0) |
                              (UnicodeHasProperties(c, 0x2040, 0x30) ? White : 0));
    }
};

const TLatinClasses &Latin()
{
    static const TLatinClasses classes;
    return classes;
}

inline bool IsTrimmed(WideChar c)
{
    if (c < 256)
        return Latin().bits[c] != 0;
    return UnicodeIsWhiteSpace(c) || UnicodeIsControl(c);
}

} // namespace

WideString WideTrim(const WideString &S)
{
    size_t b = 0, e = S.size();
    while (b < e && IsTrimmed(S[b]))
        ++b;
    while (e > b && IsTrimmed(S[e - 1]))
        --e;
    return S.substr(b, e - b);
}

WideString WideTrimRight(const WideString &S)
{
    size_t e = S.size();
    while (e > 0 && IsTrimmed(S[e - 1]))
        --e;
    return S.substr(0, e);
}

bool UnicodeIsControl(uint32_t C)
{
    if (C < 256)
        return (Latin().bits[C] & TLatinClasses::Control) != 0;
    return UnicodeHasProperties(C, 0x600, 0);
}

bool UnicodeIsWhiteSpace(uint32_t C)
{
    if (C < 256)
        return (Latin().bits[C] & TLatinClasses::White) != 0;
    return UnicodeHasProperties(C, 0x2040, 0x30);
}

bool UnicodeIsUpper(uint32_t C)
{
    return UnicodeHasProperty(C, 14);
}

bool UnicodeIsLower(uint32_t C)
{
    return UnicodeHasProperty(C, 15);
}

bool UnicodeIsTitle(uint32_t C)
{
    return UnicodeHasProperty(C, 16);
}

bool UnicodeIsNonSpacingMark(uint32_t C)
{
    return UnicodeHasProperty(C, 0);
}

unsigned CodePageFromLocale(unsigned)
{
    return 1252;
}

unsigned KeyboardCodePage()
{
    return CodePageFromLocale(0);
}

WideChar KeyUnicode(char B)
{
    return CodePage::AnsiCharToWide(static_cast<unsigned char>(B));
}
