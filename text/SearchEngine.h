#pragma once
// Common base of the editor's search engines: one compiled pattern, and the matches found in the last
// searched text as (start, stop) pairs of UTF-16 indexes, stop exclusive.
#include <string_view>
#include <vector>

#include "platform/Exception.h"
#include "platform/StringList.h"

// Search flags given to FindPrepare.
enum : unsigned {
    sfMatchCase = 1,
    sfIgnoreNonSpacing = 2,
    sfSpaceCompress = 4,
    sfWholeWordOnly = 8,
};

// Errors of the search engines: result indexes out of range, regular expressions that do not compile.
class ESearchError : public Exception {
public:
    using Exception::Exception;
};

class TSearchEngine {
public:
    explicit TSearchEngine(TObject *AOwner) : FOwner(AOwner) {}
    virtual ~TSearchEngine() = default;
    TSearchEngine(const TSearchEngine &) = delete;
    TSearchEngine &operator=(const TSearchEngine &) = delete;

    // Number of matches.
    virtual int Count() const { return static_cast<int>(FResults.size() / 2); }
    virtual void AddResult(int Start, int Stop);
    // Drops the results (descendants also drop the compiled pattern).
    virtual void Clear() { ClearResults(); }
    virtual void ClearResults() { FResults.clear(); }
    // Removes match Index; raises ESearchError when there is none.
    virtual void DeleteResult(int Index);
    virtual void GetResult(int Index, int &Start, int &Stop) const;

    // Compiles the pattern; an empty pattern compiles nothing (a pattern compiled before stays).
    virtual void FindPrepare(const WideString &Pattern, unsigned Flags);
    virtual void FindPrepare(const WideChar *Pattern, int Length, unsigned Flags) = 0;
    // The first match; it is also added to the results. The text is searched where it lies: a
    // WideString, or a line of a list (TWideLine) without copying it.
    bool FindFirst(std::u16string_view Text, int &Start, int &Stop);
    virtual bool FindFirst(const WideChar *Text, int Length, int &Start, int &Stop) = 0;
    // All non-overlapping matches from left to right; true when there is at least one.
    bool FindAll(std::u16string_view Text);
    virtual bool FindAll(const WideChar *Text, int Length) = 0;

    TObject *Owner() const { return FOwner; }

private:
    TObject *FOwner;
    std::vector<int> FResults;
};
