#pragma once
// Runs a search engine over one text and lists its matches as (start, stop) pairs.
#include "text/SearchEngine.h"
#include <utility>
#include <vector>

using Matches = std::vector<std::pair<int, int>>;

template <class TEngine>
Matches FindAllWith(const WideString &Pattern, unsigned Flags, const WideString &Text)
{
    TEngine engine(nullptr);
    engine.FindPrepare(Pattern, Flags);
    engine.FindAll(Text);
    Matches out;
    for (int i = 0; i < engine.Count(); ++i) {
        int s = 0, e = 0;
        engine.GetResult(i, s, e);
        out.emplace_back(s, e);
    }
    return out;
}
