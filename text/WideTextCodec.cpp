#include "text/WideTextCodec.h"

#include <array>
#include <cstring>

#include "platform/CodePage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct TTables {
    std::array<WideChar, 256> toWide{};
    std::array<int16_t, 256> fromLow{};   // byte of each character below U+0100, -1 when none
    TTables()
    {
        for (int i = 0; i < 256; ++i) {
            toWide[size_t(i)] = CodePage::AnsiCharToWide(static_cast<unsigned char>(i));
            fromLow[size_t(i)] = int16_t(CodePage::WideCharToAnsi(WideChar(i)));
        }
    }
};

const TTables &Tables()
{
    static const TTables t;
    return t;
}

inline bool IsBreak(WideChar c)
{
    return (c >= 10 && c <= 13) || (c & 0xFFFE) == 0x2028;
}

inline int AnsiByte(const TTables &t, WideChar c)
{
    return c < 256 ? t.fromLow[c] : CodePage::WideCharToAnsi(c);
}

} // namespace

size_t FindLineBreak(const WideChar *p, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    // (c - 10) as signed 16-bit below 4 - 32768 after the bias, i.e. c in 10..13; or (c & 0xFFFE) == 0x2028.
    const __m128i bias = _mm_set1_epi16(int16_t(0x8000 - 10));
    const __m128i limit = _mm_set1_epi16(int16_t(-0x8000 + 4));
    const __m128i mask = _mm_set1_epi16(int16_t(0xFFFE));
    const __m128i sep = _mm_set1_epi16(int16_t(0x2028));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const __m128i low = _mm_cmplt_epi16(_mm_add_epi16(v, bias), limit);
        const __m128i uni = _mm_cmpeq_epi16(_mm_and_si128(v, mask), sep);
        const int bits = _mm_movemask_epi8(_mm_or_si128(low, uni));
        if (bits)
            return i + size_t(__builtin_ctz(unsigned(bits)) / 2);
    }
#endif
    for (; i < n; ++i)
        if (IsBreak(p[i]))
            return i;
    return n;
}

void AnsiToWideBlock(const uint8_t *src, size_t n, WideChar *dst)
{
    const TTables &t = Tables();
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        if (_mm_movemask_epi8(v) == 0) {   // all ASCII: widen
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i + 8), _mm_unpackhi_epi8(v, zero));
        } else {
            for (size_t k = i; k < i + 16; ++k)
                dst[k] = t.toWide[src[k]];
        }
    }
#endif
    for (; i < n; ++i)
        dst[i] = t.toWide[src[i]];
}

bool IsAnsiLosslessBlock(const WideChar *src, size_t n)
{
    const TTables &t = Tables();
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(int16_t(0xFF80));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, high), _mm_setzero_si128())) == 0xFFFF)
            continue;
        for (size_t k = i; k < i + 8; ++k)
            if (AnsiByte(t, src[k]) < 0)
                return false;
    }
#endif
    for (; i < n; ++i)
        if (AnsiByte(t, src[i]) < 0)
            return false;
    return true;
}

void WideToAnsiBlock(const WideChar *src, size_t n, uint8_t *dst)
{
    const TTables &t = Tables();
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(int16_t(0xFF80));
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i + 8));
        const __m128i any = _mm_and_si128(_mm_or_si128(a, b), high);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(any, _mm_setzero_si128())) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(dst + i), _mm_packus_epi16(a, b));
            continue;
        }
        for (size_t k = i; k < i + 16; ++k) {
            const int c = AnsiByte(t, src[k]);
            dst[k] = uint8_t(c < 0 ? '?' : c);
        }
    }
#endif
    for (; i < n; ++i) {
        const int c = AnsiByte(t, src[i]);
        dst[i] = uint8_t(c < 0 ? '?' : c);
    }
}

void SwapBytesBlock(WideChar *p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        p[i] = WideChar((p[i] >> 8) | (p[i] << 8));
}
