#include <gtest/gtest.h>

#include <random>
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
