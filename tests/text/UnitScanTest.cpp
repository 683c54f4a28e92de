#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "text/UnitScan.h"

// The block scanner against a plain reading of its own rule: a unit stops the scan when it lies in
// the Always ranges, or in the First ranges with the unit after it in the Second ranges, and every
// unit from U+00FF on counts as in all three. Every unit of 0x0000-0xFFFF (both halves of pairs
// among them) is put in each lane of the blocks and of the last, overlapping block, at every
// alignment of the text in memory.

namespace {

struct TUnitScanSets {
    TPairScanner::TRanges Always, First, Second;
};

bool UnitScanIn(const TPairScanner::TRanges &Ranges, WideChar U)
{
    if (U >= 0xFF)
        return true;
    for (const auto &[a, b] : Ranges)
        if (U >= a && U <= b)
            return true;
    return false;
}

// What FindInBlocks must answer, read one unit at a time.
class TUnitScanReference {
public:
    explicit TUnitScanReference(const TUnitScanSets &Sets)
    {
        for (int c = 0; c < 0xFF; ++c) {
            FAlways[size_t(c)] = UnitScanIn(Sets.Always, WideChar(c));
            FFirst[size_t(c)] = UnitScanIn(Sets.First, WideChar(c));
            FSecond[size_t(c)] = UnitScanIn(Sets.Second, WideChar(c));
        }
    }
    size_t Find(const WideChar *p, size_t n) const
    {
        if (n < 17)
            return 0;
        for (size_t i = 0; i + 1 < n; ++i)
            if (In(FAlways, p[i]) || (In(FFirst, p[i]) && In(FSecond, p[i + 1])))
                return i;
        return n - 1;
    }

private:
    static bool In(const std::array<bool, 0xFF> &Set, WideChar U) { return U >= 0xFF || Set[U]; }
    std::array<bool, 0xFF> FAlways{}, FFirst{}, FSecond{};
};

// A text of n units of Fill laid at a chosen distance (in units) from a 32-byte boundary, so that
// each load meets every alignment.
WideChar *UnitScanText(std::vector<WideChar> &Store, int Offset, size_t n, WideChar Fill)
{
    Store.assign(n + 64, Fill);
    const auto base = reinterpret_cast<uintptr_t>(Store.data());
    const size_t skip = ((32 - base % 32) % 32) / sizeof(WideChar);
    return Store.data() + skip + size_t(Offset);
}

std::string UnitScanHex(WideChar u)
{
    char text[8];
    std::snprintf(text, sizeof text, "U+%04X", unsigned(u));
    return text;
}

} // namespace

#if defined(__SSE2__)

TEST(UnitScan, EveryUnitInEveryLaneAgreesWithPlainReading)
{
    // 'x' lies in no set; '0'-'9' and '#' always stop; 'f' stops when an 'o' follows it.
    const TUnitScanSets sets{{{'0', '9'}, {'#', '#'}}, {{'f', 'f'}}, {{'o', 'o'}}};
    const TUnitScanReference reference(sets);
    TPairScanner scanner;
    ASSERT_TRUE(scanner.Set(sets.Always, sets.First, sets.Second));
    std::vector<WideChar> store;
    int compared = 0;
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        const WideChar u = WideChar(code);
        // Two full blocks (every lane of each, as a unit and as the follower of the one before), and
        // a longer line whose last units only the overlapping last block reads.
        const size_t tail = 34 + code % 15;
        for (const auto &[n, from] : {std::pair<size_t, size_t>(33, 0), std::pair<size_t, size_t>(tail, 32)}) {
            WideChar *p = UnitScanText(store, int(code + n) % 16, n, u'x');
            for (size_t k = from; k < n; ++k) {
                // The unit alone, after a first unit (as a second), and before a second unit (as a first).
                for (int role = 0; role < 3; ++role) {
                    p[k] = u;
                    if (role == 1 && k > 0)
                        p[k - 1] = u'f';
                    if (role == 2 && k + 1 < n)
                        p[k + 1] = u'o';
                    const size_t expected = reference.Find(p, n), found = scanner.FindInBlocks(p, n);
                    if (found != expected) {
                        FAIL() << UnitScanHex(u) << " at " << k << " of " << n << " (role " << role << "): found "
                               << found << ", expected " << expected;
                    }
                    ++compared;
                    p[k] = u'x';
                    if (k > 0)
                        p[k - 1] = u'x';
                    if (k + 1 < n)
                        p[k + 1] = u'x';
                }
            }
        }
    }
    EXPECT_GT(compared, 65536 * 3 * 40);
}

TEST(UnitScan, RandomSetsAndTextsAgreeWithPlainReading)
{
    // Random ranges (up to each set's room) and texts of every length around the block sizes, drawn
    // from the units that sit on the edges: those of the ranges, U+00FE-U+0100, U+7FFF-U+8000, the
    // halves of pairs and U+FFFF, with the whole 16-bit range besides.
    std::mt19937 rng(56);
    auto randomRanges = [&](int room) {
        TPairScanner::TRanges r;
        const int count = int(rng() % unsigned(room + 1));
        for (int k = 0; k < count; ++k) {
            const uint8_t a = uint8_t(rng() % 255), b = uint8_t(rng() % 255);
            r.emplace_back(std::min(a, b), std::max(a, b));
        }
        return r;
    };
    const WideChar edges[] = {0x00,   0x01,   0x7F,   0x80,   0xFE,   0xFF,   0x100,  0x1FF,  0x7FFF,
                              0x8000, 0x8001, 0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFEFF, 0xFFFE, 0xFFFF};
    std::vector<WideChar> store;
    for (int round = 0; round < 3000; ++round) {
        TUnitScanSets sets{randomRanges(TPairScanner::kAlways), randomRanges(TPairScanner::kFirst),
                           randomRanges(TPairScanner::kSecond)};
        const TUnitScanReference reference(sets);
        TPairScanner scanner;
        ASSERT_TRUE(scanner.Set(sets.Always, sets.First, sets.Second));
        // Units of no range are rare in some sets: the text leans on a unit outside all of them.
        WideChar quiet = 0xFF;
        for (WideChar c = 0; c < 0xFF; ++c)
            if (!UnitScanIn(sets.Always, c) && !UnitScanIn(sets.First, c)) {
                quiet = c;
                break;
            }
        for (size_t n = 0; n <= 70; ++n) {
            WideChar *p = UnitScanText(store, int(rng() % 32), n, quiet);
            for (size_t i = 0; i < n; ++i) {
                const unsigned pick = rng() % 16;
                if (pick < 10)
                    p[i] = quiet;
                else if (pick < 12)
                    p[i] = edges[rng() % (sizeof edges / sizeof edges[0])];
                else if (pick < 15)
                    p[i] = WideChar(rng() % 0xFF);
                else
                    p[i] = WideChar(rng());
            }
            ASSERT_EQ(scanner.FindInBlocks(p, n), reference.Find(p, n)) << "round " << round << " length " << n;
        }
    }
}

#endif

TEST(UnitScan, SetsBeyondTheirRoomAreRefused)
{
    const TPairScanner::TRanges four = {{1, 1}, {3, 3}, {5, 5}, {7, 7}}, five = {{1, 1}, {3, 3}, {5, 5}, {7, 7}, {9, 9}};
    TPairScanner scanner;
    EXPECT_FALSE(scanner.Set(four, {}, {}));
    EXPECT_FALSE(scanner.Set({}, five, {}));
    EXPECT_FALSE(scanner.Set({}, {}, five));
    EXPECT_TRUE(scanner.Set({{1, 1}, {3, 3}, {5, 5}}, four, four));
}
