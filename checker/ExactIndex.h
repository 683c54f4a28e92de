#pragma once
// A hash index over a string list that only grows while the parser works, giving the result of
// IndexOfExact (the first exact match) without a linear scan. It follows the list: entries appended
// since the last lookup are indexed on the next one, and a list that shrank or changed under it is
// indexed afresh.
#include <string>
#include <string_view>
#include <unordered_map>

#include "text/ZSStrUtils.h"
#include "platform/StringList.h"

class TExactIndex {
public:
    int IndexOf(const TStrings &List, const AnsiString &Name)
    {
        if (List.Count() <= kScanBelow)
            return IndexOfExact(List, Name); // a scan beats hashing there
        Sync(List);
        auto it = FMap.find(Name);
        if (it == FMap.end())
            return -1;
        if (it->second >= List.Count() || List[it->second] != Name) { // changed in place: start again
            FList = nullptr;
            return IndexOfExact(List, Name);
        }
        return it->second;
    }
    // Forgets the list: the next lookup indexes it afresh (a list cleared and filled again between two
    // lookups cannot be told from one that only grew).
    void Reset() { FList = nullptr; }

private:
    static constexpr int kScanBelow = 8;

    void Sync(const TStrings &List)
    {
        if (FList != &List || List.Count() < FCount || (FCount > 0 && List[FCount - 1] != FLast)) {
            FMap.clear();
            FCount = 0;
            FList = &List;
        }
        const int indexed = FCount;
        for (; FCount < List.Count(); ++FCount)
            FMap.emplace(List[FCount], FCount);
        if (FCount != indexed)
            FLast = List[FCount - 1];
    }

    const TStrings *FList = nullptr;
    int FCount = 0;
    std::string FLast; // the last entry indexed, to notice a list that was refilled
    std::unordered_map<std::string, int> FMap;
};
