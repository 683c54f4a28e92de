#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "text/UnicodeData.h"
#include "text/WideStrUtils.h"

namespace {

constexpr uint32_t kLast = 0x10FFFF;

// What the database says about one code point.
struct TCharInfo {
    bool defined = false;
    std::string gc, bidi, decomposition;
    bool mirrored = false;
    bool hexDigit = false, quotation = false;
    uint32_t upper = 0, lower = 0, title = 0; // simple mappings, 0 = none
};

std::vector<std::string> Fields(const std::string &line, char sep)
{
    std::vector<std::string> out(1);
    for (char c : line) {
        if (c == sep)
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

uint32_t Hex(const std::string &s)
{
    return s.empty() ? 0 : uint32_t(std::stoul(s, nullptr, 16));
}

const std::vector<TCharInfo> &Database()
{
    static const std::vector<TCharInfo> db = [] {
        std::vector<TCharInfo> info(kLast + 1);
        std::ifstream in(std::string(QUILLMAR_UCD_DIR) + "/UnicodeData.txt");
        EXPECT_TRUE(in.good()) << "UnicodeData.txt not found";
        std::string line;
        uint32_t pendingFirst = 0;
        bool pending = false;
        while (std::getline(in, line)) {
            if (line.empty())
                continue;
            auto f = Fields(line, ';');
            const uint32_t code = Hex(f[0]);
            TCharInfo ci;
            ci.defined = true;
            ci.gc = f[2];
            ci.bidi = f[4];
            ci.decomposition = f[5];
            ci.mirrored = f[9] == "Y";
            ci.upper = Hex(f[12]);
            ci.lower = Hex(f[13]);
            ci.title = Hex(f[14]);
            if (f[1].find(", First>") != std::string::npos) {
                pendingFirst = code;
                pending = true;
                continue;
            }
            const uint32_t first = pending ? pendingFirst : code;
            pending = false;
            for (uint32_t c = first; c <= code; ++c)
                info[c] = ci;
        }
        std::ifstream props(std::string(QUILLMAR_UCD_DIR) + "/PropList.txt");
        while (std::getline(props, line)) {
            line = line.substr(0, line.find('#'));
            auto f = Fields(line, ';');
            if (f.size() != 2)
                continue;
            const bool hex = f[1].find("Hex_Digit") != std::string::npos && f[1].find("ASCII") == std::string::npos;
            const bool quote = f[1].find("Quotation_Mark") != std::string::npos;
            if (!hex && !quote)
                continue;
            const auto dots = f[0].find("..");
            const uint32_t a = Hex(f[0].substr(0, dots));
            const uint32_t b =
                dots == std::string::npos ? a : Hex(f[0].substr(dots + 2, f[0].find(' ', dots) - dots - 2));
            for (uint32_t c = a; c <= b; ++c)
                (hex ? info[c].hexDigit : info[c].quotation) = true;
        }
        return info;
    }();
    return db;
}

} // namespace

TEST(UnicodeData, EveryPropertyOfEveryCodePointAgreesWithTheDatabase)
{
    using Pred = std::function<bool(uint32_t, const TCharInfo &)>;
    auto gc = [](const char *cat) -> Pred { return [cat](uint32_t, const TCharInfo &c) { return c.gc == cat; }; };
    auto bidi = [](const char *cls) -> Pred { return [cls](uint32_t, const TCharInfo &c) { return c.bidi == cls; }; };
    const Pred never = [](uint32_t, const TCharInfo &) { return false; };
    const std::vector<std::pair<int, Pred>> table = {
        {0, gc("Mn")},
        {1, gc("Mc")},
        {2, gc("Me")},
        {3, gc("Nd")},
        {4, gc("Nl")},
        {5, gc("No")},
        {6, gc("Zs")},
        {7, gc("Zl")},
        {8, gc("Zp")},
        {9, gc("Cc")},
        {10, gc("Cf")},
        {11, [](uint32_t code, const TCharInfo &) { return code >= 0x10000; }},
        {12, gc("Co")},
        {13, never},
        {14, gc("Lu")},
        {15, gc("Ll")},
        {16, gc("Lt")},
        {17, gc("Lm")},
        {18, gc("Lo")},
        {19, gc("Pc")},
        {20, gc("Pd")},
        {21, gc("Ps")},
        {22, gc("Pe")},
        {23, gc("Po")},
        {24, gc("Sm")},
        {25, gc("Sc")},
        {26, gc("Sk")},
        {27, gc("So")},
        {28, bidi("L")},
        {29, bidi("R")},
        {30, bidi("EN")},
        {31, bidi("ES")},
        {32, bidi("ET")},
        {33, bidi("AN")},
        {34, bidi("CS")},
        {35, bidi("B")},
        {36, bidi("S")},
        {37, bidi("WS")},
        {38, bidi("ON")},
        {39, [](uint32_t, const TCharInfo &c) { return !c.decomposition.empty(); }},
        {40, [](uint32_t, const TCharInfo &c) { return c.decomposition.rfind("<noBreak>", 0) == 0; }},
        {41, [](uint32_t, const TCharInfo &c) { return c.mirrored; }},
        {42, [](uint32_t, const TCharInfo &c) { return c.hexDigit; }},
        {43, [](uint32_t, const TCharInfo &c) { return c.quotation; }},
        {44, never},
        {45, [](uint32_t code, const TCharInfo &) { return code >= 9 && code <= 13; }},
        {46, [](uint32_t, const TCharInfo &c) { return c.defined; }},
        {47, gc("Pi")},
        {48, gc("Pf")},
    };
    const auto &db = Database();
    for (const auto &[property, expected] : table) {
        int mismatches = 0;
        for (uint32_t code = 0; code <= kLast && mismatches < 5; ++code) {
            const bool want = expected(code, db[code]);
            if (UnicodeHasProperty(code, property) != want) {
                ++mismatches;
                ADD_FAILURE() << "property " << property << " of U+" << std::hex << code << " should be " << want;
            }
        }
    }
    EXPECT_FALSE(UnicodeHasProperty(0x41, 49));
    EXPECT_FALSE(UnicodeHasProperty(0x41, -1));
}

TEST(UnicodeData, CaseMappingOfEveryCodePointAgreesWithTheDatabase)
{
    const auto &db = Database();
    int mismatches = 0;
    for (uint32_t code = 0; code <= kLast && mismatches < 10; ++code) {
        const TCharInfo &c = db[code];
        const uint32_t upper = c.upper ? c.upper : code;
        const uint32_t lower = c.lower ? c.lower : code;
        const uint32_t title = c.title ? c.title : upper;
        const uint32_t got[3] = {UnicodeToUpper(code), UnicodeToLower(code), UnicodeToTitle(code)};
        const uint32_t want[3] = {upper, lower, title};
        for (int i = 0; i < 3; ++i)
            if (got[i] != want[i]) {
                ++mismatches;
                ADD_FAILURE() << "case " << i << " of U+" << std::hex << code << " is " << got[i] << ", expected "
                              << want[i];
            }
    }
}

TEST(UnicodeData, NamedCases)
{
    struct Case {
        uint32_t code, upper, lower, title;
    } cases[] = {
        {0x01C6, 0x01C4, 0x01C6, 0x01C5}, {0x01C5, 0x01C4, 0x01C6, 0x01C5}, {0x01C4, 0x01C4, 0x01C6, 0x01C5},
        {0x0131, 0x0049, 0x0131, 0x0049}, {0x0130, 0x0130, 0x0069, 0x0130}, {0x0037, 0x0037, 0x0037, 0x0037},
        {0x2170, 0x2160, 0x2170, 0x2160}, {0x24B6, 0x24B6, 0x24D0, 0x24B6}, {0x10428, 0x10400, 0x10428, 0x10400},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(UnicodeToUpper(c.code), c.upper) << std::hex << c.code;
        EXPECT_EQ(UnicodeToLower(c.code), c.lower) << std::hex << c.code;
        EXPECT_EQ(UnicodeToTitle(c.code), c.title) << std::hex << c.code;
    }
    EXPECT_TRUE(UnicodeHasProperty(0x41, 14));
    EXPECT_FALSE(UnicodeHasProperty(0x41, 15));
    EXPECT_TRUE(UnicodeHasProperties(0x20, 0x2040, 0x30));
    EXPECT_TRUE(UnicodeHasProperties(0x1F, 0, 0x10)); // a segment separator through the second mask
    EXPECT_FALSE(UnicodeHasProperties(0x41, 0x2040, 0x30));
    EXPECT_FALSE(UnicodeHasProperties(0x41, 0, 0xFFFE0000)); // bits past the last property are ignored
    EXPECT_TRUE(UnicodeHasProperty(0xFF21, 42)); // full-width A is a hexadecimal digit
    EXPECT_TRUE(UnicodeHasProperty(0x00AB, 43));
    EXPECT_TRUE(UnicodeHasProperty(0x00AB, 47));
    EXPECT_EQ(SwapLongWord(0x11223344), 0x44332211u);
}

namespace {

std::vector<uint8_t> Copy(const uint8_t *p, size_t n)
{
    return std::vector<uint8_t>(p, p + n);
}

void Swap16(std::vector<uint8_t> &b, size_t at)
{
    std::swap(b[at], b[at + 1]);
}

void Swap32(std::vector<uint8_t> &b, size_t at)
{
    std::swap(b[at], b[at + 3]);
    std::swap(b[at + 1], b[at + 2]);
}

void PutWord(std::vector<uint8_t> &b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

} // namespace

TEST(UnicodeData, ByteSwappedTablesReadTheSame)
{
    size_t size = 0;
    const uint8_t *data = CharacterTypeData(size);
    const auto types = ReadCharacterTypes(data, size);
    std::vector<uint8_t> swapped = Copy(data, size);
    Swap16(swapped, 0);
    Swap16(swapped, 2);
    Swap32(swapped, 4);
    const size_t offsetBytes = ((size_t(types.PropertyCount) + 1) * 2 + 3) / 4 * 4;
    for (size_t i = 0; i <= size_t(types.PropertyCount); ++i)
        Swap16(swapped, 8 + 2 * i);
    for (size_t at = 8 + offsetBytes; at + 4 <= size; at += 4)
        Swap32(swapped, at);
    const auto back = ReadCharacterTypes(swapped.data(), swapped.size());
    EXPECT_EQ(back.PropertyCount, 49);
    EXPECT_EQ(back.Offsets, types.Offsets);
    EXPECT_EQ(back.Ranges, types.Ranges);

    const uint8_t *cdata = CaseMapData(size);
    const auto cases = ReadCaseMap(cdata, size);
    swapped = Copy(cdata, size);
    for (size_t at = 0; at < 8; at += 2)
        Swap16(swapped, at);
    for (size_t at = 8; at + 4 <= size; at += 4)
        Swap32(swapped, at);
    const auto cback = ReadCaseMap(swapped.data(), swapped.size());
    EXPECT_EQ(cback.Upper, cases.Upper);
    EXPECT_EQ(cback.Lower, cases.Lower);
    EXPECT_EQ(cback.Triples, cases.Triples);
}

TEST(UnicodeData, MalformedTablesAreRejected)
{
    size_t tsize = 0, csize = 0;
    const uint8_t *tdata = CharacterTypeData(tsize);
    const uint8_t *cdata = CaseMapData(csize);
    struct Case {
        const char *what;
        bool type;
        std::function<void(std::vector<uint8_t> &)> damage;
    } cases[] = {
        {"no mark", true, [](auto &b) { PutWord(b, 0, 0x1234); }},
        {"truncated ranges", true, [](auto &b) { b.resize(b.size() - 4); }},
        {"header only", true, [](auto &b) { b.resize(6); }},
        {"offset past the ranges", true, [](auto &b) { PutWord(b, 8, 0xFFF0); }},
        {"too many upper", false, [](auto &b) { PutWord(b, 4, 21846); }},
        {"too many lower", false, [](auto &b) { PutWord(b, 6, 21846); }},
        {"truncated triples", false, [](auto &b) { b.resize(b.size() - 1); }},
        {"empty", false, [](auto &b) { b.clear(); }},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> b = c.type ? Copy(tdata, tsize) : Copy(cdata, csize);
        c.damage(b);
        if (c.type)
            EXPECT_THROW(ReadCharacterTypes(b.data(), b.size()), EUnicodeDataError) << c.what;
        else
            EXPECT_THROW(ReadCaseMap(b.data(), b.size()), EUnicodeDataError) << c.what;
    }
}
