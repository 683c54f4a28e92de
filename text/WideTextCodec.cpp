#include "text/WideTextCodec.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/CodePage.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

struct TTables {
    std::array<WideChar, 256> toWide{};
    std::array<int16_t, 256> fromLow{}; // byte of each character below U+0100, -1 when none
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

inline int AnsiByte(const TTables &t, WideChar c)
{
    return c < 256 ? t.fromLow[c] : CodePage::WideCharToAnsi(c);
}

} // namespace

size_t FindLineBreak(const WideChar *p, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi16(10);
    const __m128i cr = _mm_set1_epi16(13);
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const int bits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, lf), _mm_cmpeq_epi16(v, cr)));
        if (bits)
            return i + size_t(__builtin_ctz(unsigned(bits)) / 2);
    }
#endif
    for (; i < n; ++i)
        if (IsLineBreakChar(p[i]))
            return i;
    return n;
}

size_t FindLineBreak(const uint8_t *p, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8(10);
    const __m128i cr = _mm_set1_epi8(13);
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const int bits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
        if (bits)
            return i + size_t(__builtin_ctz(unsigned(bits)));
    }
#endif
    for (; i < n; ++i)
        if (p[i] == 10 || p[i] == 13)
            return i;
    return n;
}

namespace {
// The number of ASCII bytes p[0..n) begins with, counted sixteen at a time (the last few of a run
// may be left for the caller to read one by one).
inline size_t AsciiRun(const uint8_t *p, size_t n)
{
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16)
        if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i))) != 0)
            break;
#endif
    (void)p;
    (void)n;
    return i;
}

// Widens the n ASCII bytes at p (n a multiple of sixteen).
inline void WidenAscii(const uint8_t *p, size_t n, WideChar *d)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (size_t i = 0; i < n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d + i), _mm_unpacklo_epi8(v, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d + i + 8), _mm_unpackhi_epi8(v, zero));
    }
#else
    for (size_t i = 0; i < n; ++i)
        d[i] = p[i];
#endif
}
} // namespace

void AnsiToWideBlock(const uint8_t *src, size_t n, WideChar *dst)
{
    const TTables &t = Tables();
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
        if (_mm_movemask_epi8(v) == 0) { // all ASCII: widen
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

namespace {
// Length of the sequence a lead byte starts (0 for a byte that starts none).
int SequenceLength(uint8_t b)
{
    return b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
}

WideChar *Put(WideChar *d, uint32_t c)
{
    if (c >= 0x10000) {
        c -= 0x10000;
        *d++ = WideChar(0xD800 + (c >> 10));
        *d++ = WideChar(0xDC00 + (c & 0x3FF));
    } else {
        *d++ = WideChar(c);
    }
    return d;
}
} // namespace

namespace {
// Whether b may stand at place k (from 1) of the sequence that Lead begins: a continuation byte, in
// the narrower range the lead's second byte needs against overlong forms, surrogates and code points
// above U+10FFFF.
inline bool Follows(uint8_t Lead, int k, uint8_t b)
{
    uint8_t low = 0x80, high = 0xBF;
    if (k == 1) {
        if (Lead == 0xE0)
            low = 0xA0;
        else if (Lead == 0xED)
            high = 0x9F;
        else if (Lead == 0xF0)
            low = 0x90;
        else if (Lead == 0xF4)
            high = 0x8F;
    }
    return b >= low && b <= high;
}

// The code point of a well-formed sequence of Length bytes.
inline uint32_t Assemble(const uint8_t *p, int Length)
{
    uint32_t c = p[0] & (0x7F >> Length);
    for (int k = 1; k < Length; ++k)
        c = (c << 6) | (p[k] & 0x3F);
    return c;
}

// Decodes from p[i] on what needs no look beyond its own bytes: runs of ASCII and well-formed
// sequences of two bytes (the most common outside ASCII). Stops at n or at a byte that begins
// anything else, which is the caller's; tells whether it met a sequence of two bytes.
inline bool DecodeCommon(const uint8_t *p, size_t n, size_t &i, WideChar *&d)
{
    bool twoBytes = false;
    for (;;) {
        const size_t ascii = AsciiRun(p + i, n - i);
        WidenAscii(p + i, ascii, d);
        i += ascii;
        d += ascii;
        while (i < n && p[i] < 0x80)
            *d++ = p[i++];
        if (i == n)
            return twoBytes;
        const uint8_t b = p[i];
        if (b < 0xC2 || b > 0xDF || i + 1 == n || (p[i + 1] & 0xC0) != 0x80)
            return twoBytes;
        *d++ = WideChar(((b & 0x1F) << 6) | (p[i + 1] & 0x3F));
        i += 2;
        twoBytes = true;
    }
}
} // namespace

size_t TUtf8Reader::Decode(const uint8_t *p, size_t n, WideChar *dst)
{
    if (!FValid)
        return 0;
    WideChar *d = dst;
    size_t i = 0;
    // A sequence an earlier piece cut off is completed first.
    if (FCarryCount > 0) {
        // A sequence is four bytes at most; the bound is spelled out so that the compiler sees the
        // carry stay within FCarry (FCarryLength never exceeds it).
        const int length = std::min(FCarryLength, int(std::size(FCarry)));
        while (FCarryCount < length && i < n) {
            if (!Follows(FCarry[0], FCarryCount, p[i])) {
                FValid = false;
                return 0;
            }
            FCarry[FCarryCount++] = p[i++];
        }
        if (FCarryCount < length)
            return 0;
        d = Put(d, Assemble(FCarry, length));
        FCarryCount = 0;
    }
    while (i < n) {
        if (DecodeCommon(p, n, i, d))
            FNonAscii = true;
        if (i == n)
            break;
        FNonAscii = true;
        const uint8_t b = p[i];
        const int length = SequenceLength(b);
        if (length < 2) {
            FValid = false;
            break;
        }
        const int have = int(std::min(size_t(length), n - i));
        for (int k = 1; k < have; ++k)
            if (!Follows(b, k, p[i + size_t(k)])) {
                FValid = false;
                return size_t(d - dst);
            }
        if (have < length) {
            std::memcpy(FCarry, p + i, size_t(have));
            FCarryCount = have;
            FCarryLength = length;
            break;
        }
        d = Put(d, Assemble(p + i, length));
        i += size_t(length);
    }
    return size_t(d - dst);
}

size_t TUtf8Decoder::Decode(const uint8_t *p, size_t n, bool last, WideChar *dst)
{
    WideChar *d = dst;
    size_t i = 0;
    // A sequence the previous block cut off is completed first. A byte that cannot go on with it
    // makes what was begun one U+FFFD, and is then read afresh: it may be a character of its own.
    // (A carry is never full: the bound on it is for the compiler, which cannot see that.)
    while (FCarryCount > 0 && FCarryCount < std::size(FCarry) && i < n) {
        const int len = SequenceLength(FCarry[0]);
        if (!Follows(FCarry[0], int(FCarryCount), p[i])) {
            d = Put(d, 0xFFFD);
            FCarryCount = 0;
            break;
        }
        FCarry[FCarryCount++] = p[i++];
        if (int(FCarryCount) == len) {
            d = Put(d, Assemble(FCarry, len));
            FCarryCount = 0;
        }
    }
    while (i < n) {
        DecodeCommon(p, n, i, d);
        if (i == n)
            break;
        const uint8_t b = p[i];
        const int len = SequenceLength(b);
        if (len < 2) { // a byte that begins nothing
            d = Put(d, 0xFFFD);
            ++i;
            continue;
        }
        // The bytes that may follow b so far; a malformed sequence is one U+FFFD for the bytes that
        // were right, and the byte that broke it is read afresh (so "\xC3A" keeps its A).
        size_t k = 1;
        while (int(k) < len && i + k < n && Follows(b, int(k), p[i + k]))
            ++k;
        if (int(k) == len) {
            d = Put(d, Assemble(p + i, len));
            i += k;
        } else if (i + k == n) {
            FCarryCount = k;
            std::memcpy(FCarry, p + i, k);
            i = n;
        } else {
            d = Put(d, 0xFFFD);
            i += k;
        }
    }
    if (last && FCarryCount > 0) {
        d = Put(d, 0xFFFD);
        FCarryCount = 0;
    }
    return size_t(d - dst);
}

size_t WideToUtf8Block(const WideChar *src, size_t n, uint8_t *dst)
{
    uint8_t *d = dst;
    for (size_t i = 0; i < n; ++i) {
        uint32_t c = src[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && src[i + 1] >= 0xDC00 && src[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (src[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;
        if (c < 0x80) {
            *d++ = uint8_t(c);
        } else if (c < 0x800) {
            *d++ = uint8_t(0xC0 | (c >> 6));
            *d++ = uint8_t(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *d++ = uint8_t(0xE0 | (c >> 12));
            *d++ = uint8_t(0x80 | ((c >> 6) & 0x3F));
            *d++ = uint8_t(0x80 | (c & 0x3F));
        } else {
            *d++ = uint8_t(0xF0 | (c >> 18));
            *d++ = uint8_t(0x80 | ((c >> 12) & 0x3F));
            *d++ = uint8_t(0x80 | ((c >> 6) & 0x3F));
            *d++ = uint8_t(0x80 | (c & 0x3F));
        }
    }
    return size_t(d - dst);
}
