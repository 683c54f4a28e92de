#include "editor/ScanCheckpoints.h"
#include <algorithm>

void TLineCheckpoints::Start(TSyntaxHighlighter &Highlighter, std::u16string_view Text, int From)
{
    const int length = static_cast<int>(Text.size());
    auto after = std::upper_bound(FPoints.begin(), FPoints.end(), From,
                                  [](int at, const THighlightCheckpoint &p) { return at < p.Position; });
    while (after != FPoints.begin()) {
        const THighlightCheckpoint &p = *(after - 1);
        if (p.Position <= length && Highlighter.ResumeLine(Text.data(), length, p)) {
            FNextStale = 0;
            return;
        }
        // A checkpoint the highlighter cannot go on from is of no use, nor are those after it.
        Truncate(static_cast<size_t>(after - 1 - FPoints.begin()));
        after = FPoints.end();
    }
    Highlighter.SetLine(Text.data(), static_cast<int>(Text.size()), false);
    FNextStale = 0;
}

void TLineCheckpoints::NoteSlow(const TSyntaxHighlighter &Highlighter, int TokenEnd)
{
    while (FNextStale < FStale.size() && FStale[FNextStale].Position < TokenEnd)
        ++FNextStale;
    if (FNextStale < FStale.size() && FStale[FNextStale].Position == TokenEnd) {
        THighlightCheckpoint here;
        const THighlightCheckpoint &met = FStale[FNextStale];
        if (Highlighter.SaveCheckpoint(here) && here.Position == met.Position && here.State == met.State) {
            // The same state at the same place, and the same text after it: the checkpoints
            // from here on hold, and the line ends as it did.
            for (size_t i = FNextStale; i < FStale.size(); ++i) {
                THighlightCheckpoint p = FStale[i];
                p.Horizon = std::max(p.Horizon, here.Horizon);
                if (FPoints.empty() || p.Position > FPoints.back().Position)
                    FPoints.push_back(p);
            }
            FStale.clear();
            FNextStale = 0;
            if (FEnd == esKnownWhenMet)
                FEnd = esKnown;
            FNextSave = (FPoints.empty() ? 0 : FPoints.back().Position) + Spacing;
            return;
        }
    }
    if (TokenEnd >= FNextSave)
        Save(Highlighter);
}

void TLineCheckpoints::Finished(int32_t Range)
{
    FEndRange = Range;
    FEnd = esKnown;
    FStale.clear();
    FNextStale = 0;
}

void TLineCheckpoints::Save(const TSyntaxHighlighter &Highlighter)
{
    THighlightCheckpoint p;
    if (!Highlighter.SaveCheckpoint(p)) {
        FNextSave = Highlighter.GetTokenEnd() + Spacing;
        return;
    }
    if (FPoints.empty() || p.Position > FPoints.back().Position)
        FPoints.push_back(p);
    FNextSave = std::max(FPoints.back().Position, p.Position) + Spacing;
}

void TLineCheckpoints::Truncate(size_t Count)
{
    if (Count < FPoints.size())
        FPoints.resize(Count);
    FNextSave = (FPoints.empty() ? 0 : FPoints.back().Position) + Spacing;
}

void TLineCheckpoints::Changed(const TLineChange &Change)
{
    // A checkpoint holds while the scan that led to it read only unchanged characters. Those
    // past the changed part wait to be met again, moved with the text after the change.
    const int delta = Change.NewEnd - Change.OldEnd;
    std::vector<THighlightCheckpoint> stale;
    auto keep = [&](const THighlightCheckpoint &p) {
        if (p.Position < Change.OldEnd)
            return;
        THighlightCheckpoint moved = p;
        moved.Position += delta;
        moved.Horizon += delta;
        stale.push_back(moved);
    };
    auto kept = std::find_if(FPoints.begin(), FPoints.end(),
                             [&Change](const THighlightCheckpoint &p) { return p.Horizon > Change.Same; });
    for (auto it = kept; it != FPoints.end(); ++it)
        keep(*it);
    for (const THighlightCheckpoint &p : FStale)
        keep(p);
    std::sort(stale.begin(), stale.end(),
              [](const THighlightCheckpoint &a, const THighlightCheckpoint &b) { return a.Position < b.Position; });
    stale.erase(std::unique(stale.begin(), stale.end(),
                            [](const THighlightCheckpoint &a, const THighlightCheckpoint &b) {
                                return a.Position == b.Position;
                            }),
                stale.end());
    FStale = std::move(stale);
    FNextStale = 0;
    FEnd = FEnd != esUnknown && !FStale.empty() ? esKnownWhenMet : esUnknown;
    Truncate(static_cast<size_t>(kept - FPoints.begin()));
}

TLineCheckpoints *TScanCheckpoints::For(int Line, std::u16string_view Text, intptr_t StartRange)
{
    if (static_cast<int64_t>(Text.size()) < MinLength)
        return nullptr;
    auto it = std::find_if(FLines.begin(), FLines.end(), [Line](const TLineCheckpoints &c) { return c.Line() == Line; });
    if (it != FLines.end()) {
        if (it->StartRange() != StartRange)
            *it = TLineCheckpoints(Line, StartRange);
        std::rotate(it, it + 1, FLines.end());
        return &FLines.back();
    }
    if (FLines.size() >= MaxLines)
        FLines.erase(FLines.begin());
    FLines.emplace_back(Line, StartRange);
    return &FLines.back();
}

void TScanCheckpoints::LineChanged(int Line, const TLineChange &Change)
{
    for (TLineCheckpoints &c : FLines)
        if (c.Line() == Line)
            c.Changed(Change);
}

void TScanCheckpoints::LinesInserted(int Index, int Count)
{
    for (TLineCheckpoints &c : FLines)
        if (c.FLine >= Index)
            c.FLine += Count;
}

void TScanCheckpoints::LinesDeleted(int Index, int Count)
{
    FLines.erase(std::remove_if(FLines.begin(), FLines.end(),
                                [&](const TLineCheckpoints &c) { return c.Line() >= Index && c.Line() < Index + Count; }),
                 FLines.end());
    for (TLineCheckpoints &c : FLines)
        if (c.FLine >= Index + Count)
            c.FLine -= Count;
}
