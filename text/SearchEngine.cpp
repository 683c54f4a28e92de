#include "text/SearchEngine.h"

namespace {
[[noreturn]] void RangeError()
{
    throw ESearchError("Range check error");
}
} // namespace

void TSearchEngine::AddResult(int Start, int Stop)
{
    FResults.push_back(Start);
    FResults.push_back(Stop);
}

void TSearchEngine::DeleteResult(int Index)
{
    if (Index < 0 || Index >= Count())
        RangeError();
    FResults.erase(FResults.begin() + 2 * Index, FResults.begin() + 2 * Index + 2);
}

void TSearchEngine::GetResult(int Index, int &Start, int &Stop) const
{
    if (Index < 0 || Index >= Count())
        RangeError();
    Start = FResults[size_t(2 * Index)];
    Stop = FResults[size_t(2 * Index + 1)];
}

void TSearchEngine::FindPrepare(const WideString &Pattern, unsigned Flags)
{
    FindPrepare(Pattern.data(), static_cast<int>(Pattern.size()), Flags);
}

bool TSearchEngine::FindFirst(std::u16string_view Text, int &Start, int &Stop)
{
    return FindFirst(Text.data(), static_cast<int>(Text.size()), Start, Stop);
}

bool TSearchEngine::FindAll(std::u16string_view Text)
{
    return FindAll(Text.data(), static_cast<int>(Text.size()));
}
