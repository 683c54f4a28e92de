#pragma once
// Literal search over UTF-16 text: a Boyer-Moore scan on whole code points (a surrogate pair is one
// character) that can ignore case through the Unicode case tables, skip non-spacing marks, treat a run of
// white space as one blank, and keep to whole words.
#include <array>
#include <cstdint>

#include "text/SearchEngine.h"

class TUTBMSearch : public TSearchEngine {
public:
    explicit TUTBMSearch(TObject *AOwner) : TSearchEngine(AOwner) {}
    ~TUTBMSearch() override { TUTBMSearch::Clear(); }

    using TSearchEngine::FindAll;
    using TSearchEngine::FindFirst;
    using TSearchEngine::FindPrepare;

    void Clear() override;
    void FindPrepare(const WideChar *Pattern, int Length, unsigned Flags) override;
    bool FindFirst(const WideChar *Text, int Length, int &Start, int &Stop) override;
    bool FindAll(const WideChar *Text, int Length) override;

    // Compares the pattern backwards from the character at Pos, which must equal the pattern's last
    // character; a match starting before From does not count. Gives the match as (Start, Stop).
    bool Match(const WideChar *Text, int Length, int Pos, int From, int &Start, int &Stop) const;
    // The pattern's length in UTF-16 units (a supplementary character counts 2); 0 when none is compiled.
    int PatternLength() const { return FPatternLength; }

private:
    struct TEntry {
        uint32_t Lower = 0, Upper = 0, Title = 0;
        int Offset = 0; // unit index in the pattern
        int Units = 1;
        bool Blank = false;
        bool Equals(uint32_t c) const { return c == Lower || c == Upper || c == Title; }
    };
    struct TSkip {
        uint32_t Lower, Upper, Title;
        int After; // fewest pattern units between an entry of these forms and the last entry
        bool Equals(uint32_t c) const { return c == Lower || c == Upper || c == Title; }
    };

    bool Find(const WideChar *Text, int Length, int From, int &Start, int &Stop) const;
    // Units the candidate position may advance past a character c of CharUnits units; with ExcludeLast
    // the character is not taken as the pattern's last one (after a failed comparison).
    int Shift(uint32_t c, int CharUnits, bool ExcludeLast) const;
    bool Ignorable(uint32_t c) const;
    void BuildTables();

    unsigned FFlags = 0;
    std::vector<TEntry> FPattern;
    int FPatternLength = 0;
    int FLastStart = 0;
    std::vector<TSkip> FSkipTable;
    // Shifts for the first 256 characters, worked out once per pattern: [0] as candidate, [1] after a
    // failed comparison.
    std::array<std::array<int, 256>, 2> FLatinShift{};
};
