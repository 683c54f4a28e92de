#pragma once
// Passing over runs of characters below U+00FF that a search has no use for, sixteen at a time where
// the processor allows: the regular-expression search steps its automaton only where a character may
// begin a match. The scan is inline, as it runs between single steps of the automaton.
#include <cstddef>
#include <cstdint>

#include "platform/Types.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Stops at every unit from U+00FF on and at the units of a few ranges below it.
class TLatinScanner {
public:
    static constexpr int kMaxRanges = 5;

    // Adds First..Last (inclusive, below 255); false when kMaxRanges are there already.
    bool Add(uint8_t First, uint8_t Last)
    {
        if (FCount == kMaxRanges)
            return false;
        FFirst[FCount] = First;
        FSpan[FCount] = uint8_t(Last - First);
        ++FCount;
#if defined(__SSE2__)
        // Unused ranges repeat the first one, so that every block tests all kMaxRanges unrolled.
        for (int k = 0; k < kMaxRanges; ++k) {
            const int from = k < FCount ? k : 0;
            FFirstV[k] = _mm_set1_epi8(static_cast<char>(FFirst[from]));
            FSpanV[k] = _mm_set1_epi8(static_cast<char>(FSpan[from]));
        }
#endif
        return true;
    }

    // Where a block of sixteen units holds a stop: the index of the first, else the index from which
    // fewer than sixteen units are left (the caller reads those one by one).
    size_t FindInBlocks(const WideChar *p, size_t n) const
    {
        size_t i = 0;
#if defined(__SSE2__)
        // Packing with saturation turns every unit from U+00FF on into the byte FF, which always
        // stops. A byte c lies in First..First + Span when c - First, wrapping, is at most Span: the
        // saturating subtraction of Span then gives zero.
        const __m128i zero = _mm_setzero_si128(), ff = _mm_set1_epi8(-1);
        for (; i + 16 <= n; i += 16) {
            const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
            const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i + 8));
            const __m128i v = _mm_packus_epi16(lo, hi);
            __m128i hit = _mm_cmpeq_epi8(v, ff);
#pragma GCC unroll 8
            for (int k = 0; k < kMaxRanges; ++k)
                hit = _mm_or_si128(hit, _mm_cmpeq_epi8(_mm_subs_epu8(_mm_sub_epi8(v, FFirstV[k]), FSpanV[k]), zero));
            if (const int bits = _mm_movemask_epi8(hit))
                return i + size_t(__builtin_ctz(unsigned(bits)));
        }
#endif
        (void)p;
        return i;
    }

private:
#if defined(__SSE2__)
    __m128i FFirstV[kMaxRanges] = {}, FSpanV[kMaxRanges] = {};
#endif
    uint8_t FFirst[kMaxRanges] = {}, FSpan[kMaxRanges] = {};
    int FCount = 0;
};
