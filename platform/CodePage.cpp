#include "platform/CodePage.h"

#include <array>

namespace CodePage {
namespace {

// Characters of the bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr std::array<WideChar, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

struct ReverseTable {
    // Byte for each character below 0x100, and a short list for the rest.
    std::array<int16_t, 256> low{};
    ReverseTable()
    {
        for (int i = 0; i < 256; ++i)
            low[static_cast<size_t>(i)] = static_cast<int16_t>(i);
        for (int i = 0x80; i < 0xA0; ++i)
            low[static_cast<size_t>(i)] = -1;
        for (int i = 0; i < 32; ++i)
            if (kHigh[static_cast<size_t>(i)] < 0x100)
                low[kHigh[static_cast<size_t>(i)]] = static_cast<int16_t>(0x80 + i);
    }
};

const ReverseTable &reverse()
{
    static const ReverseTable table;
    return table;
}

} // namespace

WideChar AnsiCharToWide(unsigned char b)
{
    return (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80u] : static_cast<WideChar>(b);
}

int WideCharToAnsi(WideChar c)
{
    if (c < 0x100)
        return reverse().low[c];
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == c)
            return static_cast<int>(0x80 + i);
    return -1;
}

WideString AnsiToWide(const char *s, size_t length)
{
    WideString out(length, u'\0');
    for (size_t i = 0; i < length; ++i)
        out[i] = AnsiCharToWide(static_cast<unsigned char>(s[i]));
    return out;
}

WideString AnsiToWide(const AnsiString &s)
{
    return AnsiToWide(s.data(), s.size());
}

void WideToAnsiInto(char *out, const WideChar *s, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        const WideChar c = s[i];
        if (c < 0x80) {
            out[i] = static_cast<char>(c);
            continue;
        }
        const int b = WideCharToAnsi(c);
        out[i] = b < 0 ? '?' : static_cast<char>(b);
    }
}

AnsiString WideToAnsi(const WideChar *s, size_t length)
{
    AnsiString out(length, '\0');
    WideToAnsiInto(out.data(), s, length);
    return out;
}

AnsiString WideToAnsi(const WideString &s)
{
    return WideToAnsi(s.data(), s.size());
}

bool IsAnsiLossless(const WideChar *s, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (s[i] >= 0x80 && WideCharToAnsi(s[i]) < 0)
            return false;
    return true;
}

bool IsAnsiLossless(const WideString &s)
{
    return IsAnsiLossless(s.data(), s.size());
}

} // namespace CodePage
