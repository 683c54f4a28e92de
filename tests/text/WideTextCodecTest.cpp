#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "text/WideTextCodec.h"
#include "platform/CodePage.h"

// The block routines take shortcuts over runs of plain ASCII; compare them with the per-character
// conversions on random texts of every length around the block sizes, mixing in the awkward characters.
TEST(WideTextCodec, BlocksAgreeWithCharacterConversions)
{
    std::mt19937 rng(7);
    const WideChar special[] = {0,    9,     10,    11,     12,     13,     14,     0x7F,   0x80,   0x81,   0x9F,
                                0xFF, 0x100, 0x152, 0x20AC, 0x2027, 0x2028, 0x2029, 0x202A, 0x800A, 0xD83D, 0xFFFF};
    for (int round = 0; round < 400; ++round) {
        const size_t n = size_t(round % 40) + (round > 200 ? 100 : 0);
        const int density = round % 5; // 0: ASCII only
        WideString text(n, u'a');
        std::vector<uint8_t> bytes(n);
        for (size_t i = 0; i < n; ++i) {
            bytes[i] = uint8_t(density && rng() % 8 < unsigned(density) ? rng() % 256 : rng() % 128);
            text[i] = WideChar(32 + rng() % 95);
            if (density && rng() % 10 < unsigned(density))
                text[i] = special[rng() % std::size(special)];
        }

        size_t naiveBreak = n;
        for (size_t i = 0; i < n; ++i)
            if (text[i] == 10 || text[i] == 13) {
                naiveBreak = i;
                break;
            }
        EXPECT_EQ(FindLineBreak(text.data(), n), naiveBreak) << "round " << round;

        WideString wide(n, u'\0');
        AnsiToWideBlock(bytes.data(), n, wide.data());
        EXPECT_EQ(wide, CodePage::AnsiToWide(reinterpret_cast<const char *>(bytes.data()), n)) << "round " << round;

        std::vector<uint8_t> ansi(n);
        WideToAnsiBlock(text.data(), n, ansi.data());
        EXPECT_EQ(std::string(ansi.begin(), ansi.end()), CodePage::WideToAnsi(text)) << "round " << round;
        EXPECT_EQ(IsAnsiLosslessBlock(text.data(), n), CodePage::IsAnsiLossless(text)) << "round " << round;

        WideString swapped = text;
        SwapBytesBlock(swapped.data(), n);
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(swapped[i], WideChar((text[i] >> 8) | (text[i] << 8)));
    }
}

// The block paths read sixteen bytes or eight units at a time: every unit (and every byte) is put
// in each lane of the blocks and of the short tail after them, at every alignment of the text in
// memory, and the result compared with a plain reading of one character at a time.

namespace {

// Lays n copies of Fill at Offset elements past a 32-byte boundary.
template <class T>
T *CodecLaneText(std::vector<T> &Store, size_t Offset, size_t n, T Fill)
{
    Store.assign(n + 64, Fill);
    const auto base = reinterpret_cast<uintptr_t>(Store.data());
    return Store.data() + ((32 - base % 32) % 32) / sizeof(T) + Offset;
}

// UTF-8 read one byte at a time after the table of well-formed sequences: a malformed sequence is
// one U+FFFD for its longest right beginning, and the byte that broke it is read again.
WideString CodecPlainUtf8(const uint8_t *p, size_t n, bool *Malformed = nullptr)
{
    WideString out;
    bool bad = false;
    for (size_t i = 0; i < n;) {
        const uint8_t b = p[i];
        if (b < 0x80) {
            out += WideChar(b);
            ++i;
            continue;
        }
        size_t len = 0;
        uint8_t low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF)
            len = 2;
        else if (b == 0xE0)
            len = 3, low = 0xA0;
        else if (b == 0xED)
            len = 3, high = 0x9F;
        else if (b >= 0xE1 && b <= 0xEF)
            len = 3;
        else if (b == 0xF0)
            len = 4, low = 0x90;
        else if (b == 0xF4)
            len = 4, high = 0x8F;
        else if (b >= 0xF1 && b <= 0xF3)
            len = 4;
        if (len == 0) {
            out += WideChar(0xFFFD);
            bad = true;
            ++i;
            continue;
        }
        uint32_t c = b & (0xFFu >> (len + 1));
        size_t k = 1;
        for (; k < len && i + k < n; ++k) {
            const uint8_t x = p[i + k];
            if (x < (k == 1 ? low : 0x80) || x > (k == 1 ? high : 0xBF))
                break;
            c = (c << 6) | (x & 0x3F);
        }
        if (k < len) {
            out += WideChar(0xFFFD);
            bad = true;
        } else if (c >= 0x10000) {
            out += WideChar(0xD800 + ((c - 0x10000) >> 10));
            out += WideChar(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += WideChar(c);
        }
        i += k;
    }
    if (Malformed)
        *Malformed = bad;
    return out;
}

// UTF-8 of a unit as the encoder's formula gives it, surrogate halves too (which makes them malformed).
std::string CodecUnitUtf8(uint32_t c)
{
    std::string s;
    if (c < 0x80) {
        s += char(c);
    } else if (c < 0x800) {
        s += char(0xC0 | (c >> 6));
        s += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += char(0xE0 | (c >> 12));
        s += char(0x80 | ((c >> 6) & 0x3F));
        s += char(0x80 | (c & 0x3F));
    } else {
        s += char(0xF0 | (c >> 18));
        s += char(0x80 | ((c >> 12) & 0x3F));
        s += char(0x80 | ((c >> 6) & 0x3F));
        s += char(0x80 | (c & 0x3F));
    }
    return s;
}

// Decodes the bytes in pieces cut at Cuts with both readers and compares them with the plain reading:
// the decoder gives the same text; the checking reader gives it too when the bytes are well-formed,
// and says they are not otherwise.
void CodecCheckUtf8(const uint8_t *p, size_t n, const std::vector<size_t> &Cuts, const char *Kind, uint32_t Value,
                    size_t At)
{
    auto What = [&] { return std::string(Kind) + " " + std::to_string(Value) + " at " + std::to_string(At); };
    bool malformed = false;
    const WideString expected = CodecPlainUtf8(p, n, &malformed);
    WideString decoded(n + 8, u'\0'), read(n + 8, u'\0');
    size_t decodedCount = 0, readCount = 0, from = 0;
    TUtf8Decoder decoder;
    TUtf8Reader reader;
    bool nonAscii = false;
    for (size_t k = 0; k <= Cuts.size(); ++k) {
        const size_t to = k < Cuts.size() ? Cuts[k] : n;
        decodedCount += decoder.Decode(p + from, to - from, k == Cuts.size(), decoded.data() + decodedCount);
        readCount += reader.Decode(p + from, to - from, read.data() + readCount);
        for (size_t i = from; i < to && reader.Valid(); ++i)
            nonAscii |= p[i] >= 0x80;
        from = to;
    }
    reader.EndOfSequence();
    decoded.resize(decodedCount);
    read.resize(readCount);
    ASSERT_EQ(decoded, expected) << What();
    ASSERT_EQ(reader.Valid(), !malformed) << What();
    if (!malformed) {
        ASSERT_EQ(read, expected) << What();
        ASSERT_EQ(reader.NonAscii(), nonAscii) << What();
    }
}

} // namespace

TEST(WideTextCodec, EveryUnitInEveryLaneOfTheWidePaths)
{
    std::vector<WideChar> store;
    std::vector<uint8_t> ansi(128);
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        const WideChar u = WideChar(code);
        const int byte = CodePage::WideCharToAnsi(u);
        // Two blocks of sixteen (four of eight), then a tail of up to fifteen read one by one.
        const size_t tail = 33 + code % 16;
        for (const auto &[n, first] : {std::pair<size_t, size_t>(32, 0), std::pair<size_t, size_t>(tail, 32)}) {
            for (size_t k = first; k < n; ++k) {
                WideChar *p = CodecLaneText<WideChar>(store, (code + k) % 16, n, u'a');
                p[k] = u;
                const size_t lineBreak = (u == 10 || u == 13) ? k : n;
                const size_t found = FindLineBreak(p, n);
                const bool lossless = IsAnsiLosslessBlock(p, n);
                std::fill(ansi.begin(), ansi.end(), uint8_t(0));
                WideToAnsiBlock(p, n, ansi.data());
                bool ansiRight = true;
                for (size_t i = 0; i < n; ++i)
                    ansiRight &= ansi[i] == (i == k ? uint8_t(byte < 0 ? '?' : byte) : uint8_t('a'));
                if (found != lineBreak || lossless != (byte >= 0) || !ansiRight) {
                    FAIL() << "unit " << code << " at " << k << " of " << n << ": line break " << found
                           << ", lossless " << lossless << ", bytes right " << ansiRight;
                }
            }
        }
    }
}

TEST(WideTextCodec, EveryByteInEveryLaneOfTheBytePaths)
{
    std::vector<uint8_t> store;
    for (int b = 0; b < 256; ++b) {
        const WideChar wide = CodePage::AnsiCharToWide(uint8_t(b));
        for (size_t n = 1; n <= 50; ++n) {
            for (size_t k = 0; k < n; ++k) {
                uint8_t *p = CodecLaneText<uint8_t>(store, (size_t(b) + n + k) % 32, n, uint8_t('a'));
                p[k] = uint8_t(b);
                const size_t lineBreak = (b == 10 || b == 13) ? k : n;
                WideString text(n, u'\0');
                AnsiToWideBlock(p, n, text.data());
                WideString expected(n, u'a');
                expected[k] = wide;
                if (FindLineBreak(p, n) != lineBreak || text != expected) {
                    FAIL() << "byte " << b << " at " << k << " of " << n;
                }
                CodecCheckUtf8(p, n, {(k * 7 + n) % (n + 1)}, "byte", uint32_t(b), k);
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

TEST(WideTextCodec, Utf8OfEveryUnitInEveryLane)
{
    // Each unit's UTF-8 in every lane of an ASCII text, fed whole and cut inside or around it;
    // surrogate halves (ED A0 80 to ED BF BF) are malformed. Four-byte sequences on a grid of the
    // planes above, with their edges.
    std::vector<uint32_t> codes;
    for (uint32_t c = 0; c <= 0xFFFF; ++c)
        codes.push_back(c);
    for (uint32_t c = 0x10000; c <= 0x10FFFF; c += 0x3FF)
        codes.push_back(c);
    for (uint32_t c : {0x10000u, 0x1F600u, 0xFFFFFu, 0x100000u, 0x10FFFFu})
        codes.push_back(c);
    std::vector<uint8_t> store;
    for (const uint32_t code : codes) {
        const std::string seq = CodecUnitUtf8(code);
        // Every lane of the first block and the start of the second, and one place further on.
        for (size_t lane = 0; lane < 19; ++lane) {
            const size_t k = lane < 18 ? lane : 18 + code % 16, n = 48 + seq.size();
            uint8_t *p = CodecLaneText<uint8_t>(store, (code + k) % 32, n, uint8_t('a'));
            std::copy(seq.begin(), seq.end(), p + k);
            const size_t cut = k + (code + k) % (seq.size() + 1);
            CodecCheckUtf8(p, n, {cut}, "code point", code, k);
            if (HasFatalFailure())
                return;
        }
    }
}

TEST(WideTextCodec, RandomUtf8AgreesWithPlainReading)
{
    // Runs of ASCII broken by lead bytes, continuation bytes and bytes that begin nothing, cut into
    // pieces at random: overlong forms, cut sequences followed by ASCII, stray continuations.
    std::mt19937 rng(57);
    std::vector<uint8_t> store;
    for (int round = 0; round < 20000; ++round) {
        const size_t n = rng() % 90;
        uint8_t *p = CodecLaneText<uint8_t>(store, rng() % 32, n, uint8_t('a'));
        for (size_t i = 0; i < n; ++i) {
            const unsigned pick = rng() % 10;
            p[i] = pick < 5 ? uint8_t(0x20 + rng() % 0x5F)
                 : pick < 7 ? uint8_t(0x80 + rng() % 0x40)
                 : pick < 9 ? uint8_t(0xC0 + rng() % 0x38)
                            : uint8_t(rng());
        }
        std::vector<size_t> cuts;
        for (size_t c = rng() % 4; c > 0 && n > 0; --c)
            cuts.push_back(rng() % (n + 1));
        std::sort(cuts.begin(), cuts.end());
        CodecCheckUtf8(p, n, cuts, "round", uint32_t(round), 0);
        if (HasFatalFailure())
            return;
    }
}
