#pragma once
// Where a line of a check lies: on the page or script under check, or in one of its includes, and the line
// there. Findings, the model's records and the navigation tree carry it; the findings list shows the line and
// names the include, and the shell opens the include's tab to go there. Both parts are kept apart, so an
// include of any length keeps its line numbers and no include number runs into another.
#include <cstdint>
#include <optional>
#include <string>

class TCheckLine {
public:
    constexpr TCheckLine() = default;
    // A line of the document under check (0-based or 1-based, as the caller counts).
    constexpr TCheckLine(int32_t PageLine) : FLine(PageLine) {} // NOLINT: page lines are plain numbers

    // Line Line of include number Include (from 1); none when the include number is below 1 or the line
    // negative.
    static constexpr std::optional<TCheckLine> InInclude(int64_t Include, int64_t Line)
    {
        if (Include < 1 || Include > INT32_MAX || Line < 0 || Line > INT32_MAX)
            return std::nullopt;
        TCheckLine l;
        l.FInclude = static_cast<int32_t>(Include);
        l.FLine = static_cast<int32_t>(Line);
        return l;
    }

    // 0 for the document under check, else the include number (from 1).
    constexpr int32_t Include() const { return FInclude; }
    constexpr bool IsInclude() const { return FInclude > 0; }
    // The line within the document or the include.
    constexpr int32_t Line() const { return FLine; }

    // Lines further down the same file.
    constexpr TCheckLine operator+(int32_t N) const
    {
        TCheckLine l = *this;
        l.FLine += N;
        return l;
    }
    constexpr TCheckLine operator-(int32_t N) const { return *this + -N; }
    constexpr TCheckLine &operator+=(int32_t N)
    {
        FLine += N;
        return *this;
    }
    constexpr TCheckLine &operator++()
    {
        ++FLine;
        return *this;
    }
    // Lines apart within one file (the caller makes sure both lie in the same one).
    constexpr int64_t operator-(TCheckLine Other) const { return int64_t(FLine) - Other.FLine; }

    constexpr bool operator==(const TCheckLine &) const = default;
    // Order within one file; lines of different files are compared by file first, the document under check
    // after its includes, a later include before an earlier one (the order the checker has always used, for
    // instance for "referenced earlier than declaration").
    constexpr bool operator<(TCheckLine Other) const
    {
        if (FInclude != Other.FInclude) {
            if (FInclude == 0 || Other.FInclude == 0)
                return Other.FInclude == 0;
            return FInclude > Other.FInclude;
        }
        return FLine < Other.FLine;
    }
    constexpr bool operator>(TCheckLine Other) const { return Other < *this; }
    constexpr bool operator<=(TCheckLine Other) const { return !(Other < *this); }
    constexpr bool operator>=(TCheckLine Other) const { return !(*this < Other); }

private:
    int32_t FInclude = 0;
    int32_t FLine = 0;
};

// "12" for a line of the document, "i2:12" for line 12 of include 2 (dumps and test output).
inline std::string ToText(TCheckLine L)
{
    return L.IsInclude() ? "i" + std::to_string(L.Include()) + ":" + std::to_string(L.Line())
                         : std::to_string(L.Line());
}
