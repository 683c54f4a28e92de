#pragma once
// Runs a search engine over one text and lists its matches as (start, stop) pairs.
#include "text/SearchEngine.h"
#include <utility>
#include <vector>

using Matches = std::vector<std::pair<int, int>>;

// The matches an engine holds from its last search.
inline Matches Results(const TSearchEngine &Engine)
{
    Matches out;
    for (int i = 0; i < Engine.Count(); ++i) {
        int s = 0, e = 0;
        Engine.GetResult(i, s, e);
        out.emplace_back(s, e);
    }
    return out;
}

template <class TEngine>
Matches FindAllWith(const WideString &Pattern, unsigned Flags, const WideString &Text)
{
    TEngine engine(nullptr);
    engine.FindPrepare(Pattern, Flags);
    engine.FindAll(Text);
    return Results(engine);
}
