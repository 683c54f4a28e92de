#include "editor/ScanCheckpoints.h"
#include <algorithm>

void TLineCheckpoints::Start(TSyntaxHighlighter &Highlighter, const WideString &Text, int From)
{
    const int length = static_cast<int>(Text.size());
    auto after = std::upper_bound(FPoints.begin(), FPoints.end(), From,
                                  [](int at, const THighlightCheckpoint &p) { return at < p.Position; });
    while (after != FPoints.begin()) {
        const THighlightCheckpoint &p = *(after - 1);
        if (p.Position <= length && Highlighter.ResumeLine(Text.data(), length, p))
            return;
        // A checkpoint the highlighter cannot go on from is of no use, nor are those after it.
        Truncate(static_cast<size_t>(after - 1 - FPoints.begin()));
        after = FPoints.end();
    }
    Highlighter.SetLine(Text, false);
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

void TLineCheckpoints::Changed(int FirstChanged)
{
    // A checkpoint holds while the scan that led to it read only unchanged characters.
    auto kept = std::find_if(FPoints.begin(), FPoints.end(),
                             [FirstChanged](const THighlightCheckpoint &p) { return p.Horizon > FirstChanged; });
    Truncate(static_cast<size_t>(kept - FPoints.begin()));
}

TLineCheckpoints *TScanCheckpoints::For(int Line, const WideString &Text, intptr_t StartRange)
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

void TScanCheckpoints::LineChanged(int Line, int FirstChanged)
{
    for (TLineCheckpoints &c : FLines)
        if (c.Line() == Line)
            c.Changed(FirstChanged);
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
