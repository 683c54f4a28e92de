#pragma once
// Highlighter checkpoints inside long lines. A paint of the end of a long line, or a rescan
// for the state its next line starts in, goes on from the last checkpoint at or before the
// part it needs instead of scanning the line from its start. An edit keeps the checkpoints
// whose scan read nothing at or after the first changed character; those after the changed
// part wait for a scan to meet one of them in the same state, from where the rest of the line
// scans as before (and ends in the state it ended in before).
#include "editor/LineChange.h"
#include "editor/SyntaxHighlighter.h"
#include <cstdint>
#include <vector>

// The checkpoints of one line, in the order of their positions.
class TLineCheckpoints {
public:
    static constexpr int Spacing = 2048; // characters between two checkpoints, at least

    TLineCheckpoints(int Line, intptr_t StartRange) : FLine(Line), FStartRange(StartRange) {}
    int Line() const { return FLine; }
    intptr_t StartRange() const { return FStartRange; }
    const std::vector<THighlightCheckpoint> &Points() const { return FPoints; }

    // Starts the highlighter (in the line's start range) on the line, at the last checkpoint
    // at or before From, or at the line's start.
    void Start(TSyntaxHighlighter &Highlighter, std::u16string_view Text, int From);
    // Called for every token of a scan started by Start, before Next.
    void Note(const TSyntaxHighlighter &Highlighter)
    {
        const int end = Highlighter.GetTokenEnd();
        if (end >= FNextSave || (FNextStale < FStale.size() && end >= FStale[FNextStale].Position))
            NoteSlow(Highlighter, end);
    }
    // A scan started by Start reached the line's end in Range.
    void Finished(int32_t Range);
    // Whether the range at the line's end is known without scanning on: a scan reached the end
    // since the last change, or met the state of the scan before it past the changed part.
    bool EndKnown() const { return FEnd == esKnown; }
    int32_t EndRange() const { return FEndRange; }
    void Changed(const TLineChange &Change);

private:
    friend class TScanCheckpoints;
    void NoteSlow(const TSyntaxHighlighter &Highlighter, int TokenEnd);
    void Save(const TSyntaxHighlighter &Highlighter);
    void Truncate(size_t Count);

    int FLine;
    intptr_t FStartRange;
    std::vector<THighlightCheckpoint> FPoints;
    int FNextSave = Spacing;
    // Checkpoints after the changed parts, taken before the changes (positions in the text as
    // it is now), and the next one a scan may meet.
    std::vector<THighlightCheckpoint> FStale;
    size_t FNextStale = 0;
    enum { esUnknown, esKnown, esKnownWhenMet } FEnd = esUnknown;
    int32_t FEndRange = 0;
};

// The checkpoints of the few long lines used last. Lines shorter than MinLength get none.
class TScanCheckpoints {
public:
    static constexpr int MinLength = 2 * TLineCheckpoints::Spacing;
    static constexpr size_t MaxLines = 16;

    // The checkpoints of a line whose start range is StartRange; nullptr for a short line.
    // Checkpoints kept for another start range are dropped.
    TLineCheckpoints *For(int Line, std::u16string_view Text, intptr_t StartRange);
    void Clear() { FLines.clear(); }
    void LineChanged(int Line, const TLineChange &Change);
    void LinesInserted(int Index, int Count);
    void LinesDeleted(int Index, int Count);
    size_t LineCount() const { return FLines.size(); }

private:
    std::vector<TLineCheckpoints> FLines; // the one used last at the end
};

// Starts the highlighter on a line: through its checkpoints when it has them, else at its start.
// Text must stay unchanged until the scan ends.
inline void StartLineScan(TSyntaxHighlighter &Highlighter, TLineCheckpoints *Points, std::u16string_view Text, int From)
{
    if (Points)
        Points->Start(Highlighter, Text, From);
    else
        Highlighter.SetLine(Text.data(), static_cast<int>(Text.size()), false);
}
