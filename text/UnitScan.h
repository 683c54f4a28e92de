#pragma once
// Passing over runs of characters that a search has no use for, sixteen at a time where the processor
// allows: the regular-expression search steps its automaton only where a match may begin. The scan
// is inline, as it runs between single steps of the automaton.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/Types.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Stops at a unit that lies in the Always ranges, at one that lies in the First ranges when the unit
// after it lies in the Second ranges, and at every unit from U+00FF on (which counts as in all three).
// The ranges are of units below U+00FF, inclusive.
class TPairScanner {
public:
    static constexpr int kAlways = 3, kFirst = 4, kSecond = 4;
    using TRanges = std::vector<std::pair<uint8_t, uint8_t>>;

    // False (and nothing set) when a set holds more ranges than its room.
    bool Set(const TRanges &Always, const TRanges &First, const TRanges &Second)
    {
        if (Always.size() > size_t(kAlways) || First.size() > size_t(kFirst) || Second.size() > size_t(kSecond))
            return false;
#if defined(__SSE2__)
        // Unused room holds U+00FF, which stops anyway.
        auto fill = [](const TRanges &r, int room, __m128i *first, __m128i *span) {
            for (int k = 0; k < room; ++k) {
                const auto [a, b] = size_t(k) < r.size() ? r[size_t(k)] : std::pair<uint8_t, uint8_t>(0xFF, 0xFF);
                first[k] = _mm_set1_epi8(static_cast<char>(a));
                span[k] = _mm_set1_epi8(static_cast<char>(uint8_t(b - a)));
            }
        };
        fill(Always, kAlways, FAlwaysFirst, FAlwaysSpan);
        fill(First, kFirst, FFirstFirst, FFirstSpan);
        fill(Second, kSecond, FSecondFirst, FSecondSpan);
#endif
        return true;
    }

    // At least seventeen units: the index of the first stop before the last unit, or n - 1 (the last
    // unit, which has no unit after it, is the caller's to look at). Fewer: 0, and the caller reads
    // them one by one.
    size_t FindInBlocks(const WideChar *p, size_t n) const
    {
#if defined(__SSE2__)
        if (n < 17)
            return 0;
        size_t i = 0;
        for (; i + 17 <= n; i += 16)
            if (const unsigned bits = Stops(p + i))
                return i + size_t(__builtin_ctz(bits));
        if (i == n - 1)
            return i;
        // The last sixteen pairs, without those already read.
        const unsigned bits = Stops(p + n - 17) >> (16 - (n - 1 - i));
        return bits ? i + size_t(__builtin_ctz(bits)) : n - 1;
#else
        (void)p;
        (void)n;
        return 0;
#endif
    }

private:
#if defined(__SSE2__)
    // The units p[0..16) as bytes, those from U+00FF on as FF. The pack saturates, but it reads its
    // input as signed: units from U+8000 on would come out as 00. So each unit is first brought down
    // to at most FF, as an unsigned minimum: u - max(u - FF, 0), the subtraction saturating at zero.
    static __m128i Bytes(const WideChar *p)
    {
        const __m128i ff = _mm_set1_epi16(0xFF);
        const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 8));
        return _mm_packus_epi16(_mm_sub_epi16(lo, _mm_subs_epu16(lo, ff)), _mm_sub_epi16(hi, _mm_subs_epu16(hi, ff)));
    }
    // FF in the lanes whose byte lies in one of the ranges, or is FF. A byte c lies in
    // First..First + Span when c - First, wrapping, is at most Span: the saturating subtraction of
    // Span then gives zero.
    template <int K>
    static __m128i In(__m128i v, const __m128i *first, const __m128i *span)
    {
        const __m128i zero = _mm_setzero_si128();
        __m128i hit = _mm_cmpeq_epi8(v, _mm_set1_epi8(-1));
#pragma GCC unroll 8
        for (int k = 0; k < K; ++k)
            hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(v, first[k]), span[k]), zero));
        return hit;
    }
    // One bit for each of the sixteen units at p that stops the scan (p[16] is read as their follower).
    unsigned Stops(const WideChar *p) const
    {
        const __m128i v = Bytes(p), next = Bytes(p + 1);
        const __m128i pair = _mm_and_si128(In<kFirst>(v, FFirstFirst, FFirstSpan),
                                           In<kSecond>(next, FSecondFirst, FSecondSpan));
        return unsigned(_mm_movemask_epi8(_mm_or_si128(In<kAlways>(v, FAlwaysFirst, FAlwaysSpan), pair)));
    }

    __m128i FAlwaysFirst[kAlways] = {}, FAlwaysSpan[kAlways] = {};
    __m128i FFirstFirst[kFirst] = {}, FFirstSpan[kFirst] = {};
    __m128i FSecondFirst[kSecond] = {}, FSecondSpan[kSecond] = {};
#endif
};
