#pragma once
// Unicode character properties and case mappings for the editor's UTF-16 text.
//
// Two tables are compiled into the program: "TYPE" (for each property, sorted code-point ranges) and "CASE"
// (case-mapping triples in three sections). Both are read on first use under one lock and queried by binary
// search afterwards without locking.
//
// Property numbers: 0 Mn, 1 Mc, 2 Me, 3 Nd, 4 Nl, 5 No, 6 Zs, 7 Zl, 8 Zp, 9 Cc, 10 Cf, 11 the supplementary
// planes 10000-10FFFF, 12 Co, 13 unassigned (no ranges), 14 Lu, 15 Ll, 16 Lt, 17 Lm, 18 Lo, 19 Pc, 20 Pd,
// 21 Ps, 22 Pe, 23 Po, 24 Sm, 25 Sc, 26 Sk, 27 So, bidirectional classes 28 L, 29 R, 30 EN, 31 ES, 32 ET,
// 33 AN, 34 CS, 35 B, 36 S, 37 WS, 38 ON, then 39 decomposable, 40 non-breaking, 41 mirrored,
// 42 hexadecimal digits, 43 quotation marks, 44 (no ranges), 45 the controls 0009-000D, 46 defined
// characters, 47 opening quotation marks (Pi), 48 closing quotation marks (Pf).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Exception.h"

// Halves of a UTF-16 surrogate pair: the high one comes first.
constexpr bool IsHighSurrogate(uint32_t c)
{
    return c >= 0xD800 && c < 0xDC00;
}
constexpr bool IsLowSurrogate(uint32_t c)
{
    return c >= 0xDC00 && c < 0xE000;
}
constexpr bool IsSurrogate(uint32_t c)
{
    return c >= 0xD800 && c < 0xE000;
}

// A malformed table (counts out of range, arrays shorter than the header says).
class EUnicodeDataError : public Exception {
public:
    using Exception::Exception;
};

// The parsed "TYPE" table.
struct TUnicodeTypeTable {
    int PropertyCount = 0;
    std::vector<uint16_t> Offsets; // PropertyCount + 1 entries; 0xFFFF = no ranges
    std::vector<uint32_t> Ranges; // (first, last) pairs

    bool HasProperty(uint32_t code, int property) const;
    // Indexes [First, Last) of the property's range values; empty when it has none.
    void PropertyRanges(int property, size_t &First, size_t &Last) const;
};

// The parsed "CASE" table: Total triples, the first Upper of them upper-case letters, the next Lower
// lower-case letters, the rest title-case (and other cased) characters.
struct TUnicodeCaseTable {
    int Total = 0;
    int Upper = 0;
    int Lower = 0;
    std::vector<uint32_t> Triples; // 3 * Total code points

    // Field (1 or 2) of the triple among positions First..Last whose first value is Code; Code when none.
    uint32_t Lookup(uint32_t code, int first, int last, int field) const;
};

// Parses a table in its stored form (either byte order, told by the leading mark). Raises
// EUnicodeDataError on a malformed table.
TUnicodeTypeTable ReadCharacterTypes(const uint8_t *data, size_t size);
TUnicodeCaseTable ReadCaseMap(const uint8_t *data, size_t size);

// The tables compiled into the program, in their stored form.
const uint8_t *CharacterTypeData(size_t &size);
const uint8_t *CaseMapData(size_t &size);

void LoadCharacterTypes();
void LoadCaseMap();
// The loaded tables (loading them when needed), for code that works on whole ranges.
const TUnicodeTypeTable &UnicodeTypeTable();
const TUnicodeCaseTable &UnicodeCaseTable();

bool UnicodeHasProperty(uint32_t code, int property);
// Whether Code has any property whose bit is set: Mask1 bit n is property n, Mask2 bit n property 32 + n.
bool UnicodeHasProperties(uint32_t code, uint32_t mask1, uint32_t mask2);

uint32_t UnicodeToUpper(uint32_t code);
uint32_t UnicodeToLower(uint32_t code);
uint32_t UnicodeToTitle(uint32_t code);
uint32_t UnicodeCaseLookup(uint32_t code, int first, int last, int field);

uint32_t SwapLongWord(uint32_t value);

// Whether a character is wide (East Asian Width W or F: ideographs, kana, Hangul syllables,
// full-width forms, most emoji), so that it takes two cells of a fixed-pitch grid.
bool UnicodeIsWide(uint32_t code);
