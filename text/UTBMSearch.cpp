#include "text/UTBMSearch.h"

#include <algorithm>
#include <climits>

#include "text/UnicodeData.h"
#include "text/WideStrUtils.h"

namespace {

// Code point at i and its length in units; a lone surrogate is a character of its own.
inline uint32_t CodeAt(const WideChar *t, int n, int i, int &units)
{
    if (IsHighSurrogate(t[i]) && i + 1 < n && IsLowSurrogate(t[i + 1])) {
        units = 2;
        return 0x10000 + ((uint32_t(t[i]) & 0x3FF) << 10) + (uint32_t(t[i + 1]) & 0x3FF);
    }
    units = 1;
    return t[i];
}

inline uint32_t CodeAt(const WideChar *t, int n, int i)
{
    int units;
    return CodeAt(t, n, i, units);
}

// Start of the character before the one at i; -1 at the text start.
inline int Prev(const WideChar *t, int i)
{
    if (i <= 0)
        return -1;
    if (IsLowSurrogate(t[i - 1]) && i >= 2 && IsHighSurrogate(t[i - 2]))
        return i - 2;
    return i - 1;
}

inline bool IsSpaceOrControl(uint32_t c)
{
    return UnicodeIsWhiteSpace(c) || UnicodeIsControl(c);
}

} // namespace

void TUTBMSearch::Clear()
{
    FPattern.clear();
    FSkipTable.clear();
    FPatternLength = 0;
    FLastStart = 0;
    TSearchEngine::Clear();
}

void TUTBMSearch::FindPrepare(const WideChar *Pattern, int Length, unsigned Flags)
{
    if (!Pattern || Length <= 0)
        return;
    FFlags = Flags;
    FPattern.clear();
    FSkipTable.clear();
    FPatternLength = 0;

    bool inRun = false; // inside a run of white-space and control characters (compressing)
    for (int i = 0; i < Length;) {
        int units;
        const uint32_t c = CodeAt(Pattern, Length, i, units);
        i += units;
        if ((Flags & sfIgnoreNonSpacing) && UnicodeIsNonSpacingMark(c))
            continue;
        if ((Flags & sfSpaceCompress) && IsSpaceOrControl(c)) {
            // A run that begins with white space stands for one blank, as the comparison reads the text.
            if (!inRun && UnicodeIsWhiteSpace(c)) {
                TEntry blank;
                blank.Lower = blank.Upper = blank.Title = 32;
                blank.Blank = true;
                blank.Offset = FPatternLength;
                FPattern.push_back(blank);
                FPatternLength += 1;
            }
            inRun = true;
            continue;
        }
        inRun = false;
        TEntry e;
        if (Flags & sfMatchCase) {
            e.Lower = e.Upper = e.Title = c;
        } else {
            e.Lower = UnicodeToLower(c);
            e.Upper = UnicodeToUpper(c);
            e.Title = UnicodeToTitle(c);
        }
        e.Offset = FPatternLength;
        e.Units = units;
        FPattern.push_back(e);
        FPatternLength += units;
    }
    BuildTables();
}

void TUTBMSearch::BuildTables()
{
    FSkipTable.clear();
    if (FPattern.empty())
        return;
    const TEntry &last = FPattern.back();
    FLastStart = last.Offset;
    // One skip entry per distinct set of forms. A character repeated in the pattern keeps the distance
    // of its last occurrence before the final character: the smallest, so no alignment is stepped over.
    for (size_t k = 0; k < FPattern.size(); ++k) {
        const TEntry &e = FPattern[k];
        const bool isLast = k + 1 == FPattern.size();
        const int after = isLast ? INT_MAX : FLastStart - (e.Offset + e.Units);
        auto it = std::find_if(FSkipTable.begin(), FSkipTable.end(), [&](const TSkip &s) {
            return s.Lower == e.Lower && s.Upper == e.Upper && s.Title == e.Title;
        });
        if (it == FSkipTable.end())
            FSkipTable.push_back({e.Lower, e.Upper, e.Title, after});
        else
            it->After = std::min(it->After, after);
    }
    for (int mode = 0; mode < 2; ++mode)
        for (uint32_t c = 0; c < 256; ++c) {
            const bool candidate = mode == 0 && last.Equals(c);
            int shift = candidate ? 0 : INT_MAX;
            if (!candidate) {
                shift = 1 + FLastStart;
                if (Ignorable(c))
                    shift = 1;
                for (const TSkip &s : FSkipTable)
                    if (s.After != INT_MAX && s.Equals(c))
                        shift = std::min(shift, 1 + s.After);
            }
            FLatinShift[size_t(mode)][c] = shift;
        }
}

bool TUTBMSearch::Ignorable(uint32_t c) const
{
    return ((FFlags & sfIgnoreNonSpacing) && UnicodeIsNonSpacingMark(c)) ||
           ((FFlags & sfSpaceCompress) && IsSpaceOrControl(c));
}

int TUTBMSearch::Shift(uint32_t c, int CharUnits, bool ExcludeLast) const
{
    if (c < 256)
        return FLatinShift[ExcludeLast ? 1 : 0][c];
    if (!ExcludeLast && FPattern.back().Equals(c))
        return 0;
    // Where the pattern's last character can stand at the earliest: after c and the pattern before it
    // when c belongs to no match; right after c when c may be stepped over inside one; otherwise after c
    // and the pattern between the matching entry and the last one.
    int shift = CharUnits + FLastStart;
    if (Ignorable(c))
        shift = CharUnits;
    for (const TSkip &s : FSkipTable)
        if (s.After != INT_MAX && s.Equals(c))
            shift = std::min(shift, CharUnits + s.After);
    return shift;
}

bool TUTBMSearch::Match(const WideChar *Text, int Length, int Pos, int From, int &Start, int &Stop) const
{
    if (FPattern.empty() || Pos < 0 || Pos >= Length)
        return false;
    int units;
    if (!FPattern.back().Equals(CodeAt(Text, Length, Pos, units)))
        return false;
    const int stop = Pos + units;
    if (FPattern.size() == 1) {
        if (Pos < From)
            return false;
        Start = Pos;
        Stop = stop;
        return true;
    }
    const bool wholeWord = FFlags & sfWholeWordOnly;
    if (wholeWord && stop < Length && Text[stop] != 0 && !UnicodeIsWhiteSpace(CodeAt(Text, Length, stop)))
        return false;

    int k = int(FPattern.size()) - 1;
    int q = Pos;
    int start = Pos;
    while (k >= 0) {
        if (FFlags & sfIgnoreNonSpacing)
            while (q >= 0 && UnicodeIsNonSpacingMark(CodeAt(Text, Length, q)))
                q = Prev(Text, q);
        if ((FFlags & sfSpaceCompress) && q >= 0 && IsSpaceOrControl(CodeAt(Text, Length, q))) {
            int leftmost = q;
            while (q >= 0 && IsSpaceOrControl(CodeAt(Text, Length, q))) {
                leftmost = q;
                q = Prev(Text, q);
            }
            if (UnicodeIsWhiteSpace(CodeAt(Text, Length, leftmost))) {
                if (!FPattern[size_t(k)].Blank)
                    return false;
                start = leftmost;
                --k;
            }
            continue;
        }
        if (q < 0)
            return false;
        if (!FPattern[size_t(k)].Equals(CodeAt(Text, Length, q)))
            return false;
        start = q;
        --k;
        q = Prev(Text, q);
    }
    if (start < From)
        return false;
    if (wholeWord && start > 0 && !UnicodeIsWhiteSpace(CodeAt(Text, Length, Prev(Text, start))))
        return false;
    Start = start;
    Stop = stop;
    return true;
}

bool TUTBMSearch::Find(const WideChar *Text, int Length, int From, int &Start, int &Stop) const
{
    if (FPattern.empty() || !Text || Length <= 0 || From < 0 || Length - From < FPatternLength)
        return false;
    int p = From + FLastStart;
    auto realign = [&](int i) { return (i < Length && i > 0 && IsLowSurrogate(Text[i]) && IsHighSurrogate(Text[i - 1])) ? i - 1 : i; };
    p = realign(p);
    while (p < Length) {
        int units;
        const uint32_t c = CodeAt(Text, Length, p, units);
        int shift = Shift(c, units, false);
        if (shift == 0) {
            if (Match(Text, Length, p, From, Start, Stop))
                return true;
            shift = Shift(c, units, true);
        }
        p = realign(p + shift);
    }
    return false;
}

bool TUTBMSearch::FindFirst(const WideChar *Text, int Length, int &Start, int &Stop)
{
    ClearResults();
    if (!Find(Text, Length, 0, Start, Stop))
        return false;
    AddResult(Start, Stop);
    return true;
}

bool TUTBMSearch::FindAll(const WideChar *Text, int Length)
{
    ClearResults();
    int from = 0, start = 0, stop = 0;
    while (from < Length && Find(Text, Length, from, start, stop)) {
        AddResult(start, stop);
        from = stop;
    }
    return Count() > 0;
}
