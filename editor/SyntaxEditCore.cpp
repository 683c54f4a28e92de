#include "editor/SyntaxEditCore.h"
#include "editor/LineChange.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditorStrings.h"
#include "editor/TextLines.h"
#include "text/UnicodeData.h"
#include "platform/Classes.h"
#include <algorithm>
#include <cmath>

namespace {
bool IsBlank(WideChar c)
{
    return UnicodeIsWhiteSpace(c);
}

WideString TrimRightBlanks(const WideString &s)
{
    size_t n = s.size();
    while (n > 0 && (UnicodeIsWhiteSpace(s[n - 1]) || UnicodeIsControl(s[n - 1])))
        --n;
    return s.substr(0, n);
}

// Restores a flag on every way out.
struct TFlagGuard {
    bool &Flag;
    bool Old;
    TFlagGuard(bool &flag, bool value) : Flag(flag), Old(flag) { Flag = value; }
    ~TFlagGuard() { Flag = Old; }
};
} // namespace

TSyntaxEditCore::TSyntaxEditCore()
{
    FLines = std::make_unique<TSyntaxEditorStrings>(this);
    FIdentChars = DefaultIdentChars();
    FVisibleLineCount = FClientHeight / FLineHeight;
    FKeystrokes.ResetDefaults();
    FBookMarkOptions.OnChange = [this] { Invalidate(); };
}

TSyntaxEditCore::~TSyntaxEditCore()
{
    if (FHighLighter)
        FHighLighter->WindowList().RemoveEditor(this);
    FLines->OnChange = nullptr;
}

void TSyntaxEditCore::SetHighLighter(TSyntaxHighlighter *value)
{
    if (value == FHighLighter)
        return;
    if (FHighLighter)
        FHighLighter->WindowList().RemoveEditor(this);
    FHighLighter = value;
    FCheckpoints.Clear();
    if (!value) {
        FIdentChars = DefaultIdentChars();
        ViewInvalidate();
        return;
    }
    value->WindowList().AddEditor(this);
    FIdentChars = value->GetIdentChars();
    FValidRangeLine = 0;
    ForgetKnownRanges();
    ResetRangesFrom(0);
}

void TSyntaxEditCore::HighlighterDestroyed(TSyntaxHighlighter *highlighter)
{
    if (highlighter != FHighLighter)
        return;
    FHighLighter = nullptr;
    FCheckpoints.Clear();
    FIdentChars = DefaultIdentChars();
    ViewInvalidate();
}

void TSyntaxEditCore::HighlighterSeedFirstLine()
{
    if (!FHighLighter || LineCount() == 0)
        return;
    FHighLighter->ResetRange();
    FLines->SetRange(0, FHighLighter->GetRange());
}

void TSyntaxEditCore::PrepareRanges(int line)
{
    const int count = LineCount();
    if (!FHighLighter || count == 0)
        return;
    line = std::clamp(line, 0, count - 1);
    if (FValidRangeLine < 0)
        FValidRangeLine = 0;
    if (FValidRangeLine == 0)
        HighlighterSeedFirstLine();
    if (FValidRangeLine < line) {
        FHighLighter->SetRange(static_cast<int32_t>(FLines->Range(FValidRangeLine)));
        for (int i = FValidRangeLine; i < line; ++i) {
            const TWideLine text = FLines->Get(i); // the scan changes ranges only, never the text
            // Each line starts in its stored range: a long line's scan may stop early.
            FHighLighter->SetRange(static_cast<int32_t>(FLines->Range(i)));
            TLineCheckpoints *points = CheckpointsOf(i);
            int32_t range = 0;
            if (points && points->EndKnown()) {
                range = points->EndRange();
            } else {
                StartLineScan(*FHighLighter, points, text, static_cast<int>(text.size()));
                while (!FHighLighter->GetEol() && !(points && points->EndKnown())) {
                    if (points)
                        points->Note(*FHighLighter);
                    FHighLighter->Next();
                }
                range = points && points->EndKnown() ? points->EndRange() : FHighLighter->GetRange();
                if (points)
                    points->Finished(range);
            }
            if (i + 1 > FDirtyRangeEnd && i + 1 <= FKnownRangeEnd &&
                static_cast<int32_t>(FLines->Range(i + 1)) == range) {
                // Past the changed lines the scan meets the state stored before: the known
                // ranges below stand as they are.
                i = FKnownRangeEnd - 1;
                FValidRangeLine = FKnownRangeEnd;
                ForgetKnownRanges();
                FHighLighter->SetRange(static_cast<int32_t>(FLines->Range(i + 1)));
                continue;
            }
            FLines->SetRange(i + 1, range);
        }
        FValidRangeLine = std::max(FValidRangeLine, line);
        if (FValidRangeLine >= FKnownRangeEnd)
            ForgetKnownRanges();
    }
    FHighLighter->SetRange(static_cast<int32_t>(FLines->Range(line)));
}

TLineCheckpoints *TSyntaxEditCore::CheckpointsOf(int line)
{
    if (line < 0 || line >= LineCount())
        return nullptr;
    return FCheckpoints.For(line, FLines->Get(line), FLines->Range(line));
}

TIdentChars TSyntaxEditCore::DefaultIdentChars()
{
    TIdentChars set;
    for (int c = 33; c <= 255; ++c)
        set.set(static_cast<size_t>(c));
    return set;
}

bool TSyntaxEditCore::IsWordChar(WideChar c) const
{
    if (c < 256)
        return FIdentChars.test(c);
    // Beyond Latin-1 a character belongs to a word when it is a letter, a mark, a digit or
    // other number, or connector punctuation.
    constexpr uint32_t mask = 0x3Fu | (0x3Fu << 14);
    return UnicodeHasProperties(c, mask, 0);
}

int TSyntaxEditCore::LineCount() const
{
    return FLines->GetCount();
}

void TSyntaxEditCore::SetLines(const TWideStrings &value)
{
    if (&value == FLines.get())
        return;
    FLines->Assign(value);
    ViewInvalidate();
    UpdateScrollBars();
}

WideString TSyntaxEditCore::LineText(int line) const
{
    if (line < 0 || line >= FLines->GetCount())
        return WideString();
    return FLines->Get(line);
}

// ======================================================================= properties

void TSyntaxEditCore::SetOptions(TSyntaxEditOptions value)
{
    if (value == FOptions)
        return;
    const TSyntaxEditOptions old = FOptions;
    const TSyntaxEditOptions changed = (value & ~old) | (old & ~value);
    FOptions = value;
    if (value & eoReadOnly)
        ViewUpdateCaret();
    if (changed & (eoHideSelection | eoShowControlChars | eoUseSyntaxHighlighting))
        ViewInvalidate();
    if (changed & eoLineNumbers) {
        FVisibleColumns = (FClientWidth - FGutterRight + 1) / FCharWidth;
        ViewInvalidate();
    }
    if ((old & eoScrollPastEOL) && !(value & eoScrollPastEOL)) {
        const int limit = LineLimit(FCaretY);
        if (FCaretX > limit)
            SetCaretX(limit);
    }
    ViewUpdateCaret();
    DoSettingChange();
}

void TSyntaxEditCore::SetTabSize(int value)
{
    if (value <= 0)
        value = 1;
    if (value == FTabSize)
        return;
    FTabSize = value;
    DropColumnMap();
    FLengthsValid = false;
    ViewInvalidate();
}

void TSyntaxEditCore::SetIndentSize(int value)
{
    if (value <= 0)
        value = 1;
    if (value == FIndentSize)
        return;
    FIndentSize = value;
    ViewInvalidate();
}

void TSyntaxEditCore::SetCharWidth(int value)
{
    if (value < 1)
        value = 1;
    if (value == FCharWidth)
        return;
    FCharWidth = value;
    FVisibleColumns = (FClientWidth - FGutterRight + 1) / FCharWidth;
    ViewInvalidate();
}

void TSyntaxEditCore::SetExtraLineSpacing(int value)
{
    FExtraLineSpacing = value;
    SetFontMetrics(FCharWidth, FFontHeight);
}

void TSyntaxEditCore::SetFontMetrics(int charWidth, int fontHeight)
{
    FCharWidth = std::max(1, charWidth);
    FFontHeight = fontHeight;
    FLineHeight = std::max(1, fontHeight + FExtraLineSpacing);
    FVisibleLineCount = FClientHeight / FLineHeight;
    FVisibleColumns = (FClientWidth - FGutterRight + 1) / FCharWidth;
    ViewUpdateCaret();
    UpdateScrollBars();
    ViewInvalidate();
}

void TSyntaxEditCore::SetMaxRightChar(int value)
{
    // Far beyond any screen, and small enough that pixel sums cannot overflow.
    value = std::clamp(value, 0, 1 << 24);
    if (value == FMaxRightChar)
        return;
    FMaxRightChar = value;
    ViewInvalidate();
    UpdateScrollBars();
}

void TSyntaxEditCore::SetGutterWidth(int value)
{
    if (value < 0)
        value = 0;
    if (value == FGutterWidth)
        return;
    FGutterWidth = value;
    FGutterRight = value - 1;
    FVisibleColumns = (FClientWidth - FGutterRight + 1) / FCharWidth;
    ViewUpdateCaret();
    UpdateScrollBars();
    ViewInvalidate();
}

void TBookmarkOptions::SetGlyphsVisible(bool value)
{
    if (value == FGlyphsVisible)
        return;
    FGlyphsVisible = value;
    if (OnChange)
        OnChange();
}

void TBookmarkOptions::SetLeftMargin(int value)
{
    if (value == FLeftMargin)
        return;
    FLeftMargin = value;
    if (OnChange)
        OnChange();
}

void TSyntaxEditCore::SetRightMargin(int value)
{
    if (value == FRightMargin)
        return;
    FRightMargin = value;
    ViewInvalidate();
}

void TSyntaxEditCore::SetMarkLine(int value)
{
    if (value < -1)
        value = -1;
    if (value == FMarkLine)
        return;
    if (FMarkLine >= 0)
        InvalidateLine(FMarkLine);
    FMarkLine = value;
    if (FMarkLine >= 0)
        InvalidateLine(FMarkLine);
}

void TSyntaxEditCore::SetMaxUndo(int value)
{
    if (value < 0)
        return;
    FUndoList.SetMaxCount(value);
}

void TSyntaxEditCore::SetScrollBars(TScrollStyle value)
{
    if (value == FScrollBars)
        return;
    FScrollBars = value;
    UpdateScrollBars();
    ViewInvalidate();
}

// ======================================================================= column map

TSyntaxEditCore::TMapSlot *TSyntaxEditCore::MapSlotOf(int line)
{
    for (TMapSlot &slot : FMaps)
        if (slot.Line == line)
            return &slot;
    return nullptr;
}

void TSyntaxEditCore::DropColumnMapsFrom(int line)
{
    for (TMapSlot &slot : FMaps)
        if (slot.Line >= line)
            slot.Line = -1;
}

const TColumnMap &TSyntaxEditCore::MapOf(int line)
{
    const int count = LineCount();
    if (line >= count)
        line = count - 1;
    if (line < 0) {
        FMaps[0].Map.Reset();
        FMaps[0].Line = -1;
        return FMaps[0].Map;
    }
    if (TMapSlot *slot = MapSlotOf(line))
        return slot->Map;
    const WideString &text = FLines->Get(line);
    TMapSlot &slot = FMaps[text.size() >= static_cast<size_t>(TScanCheckpoints::MinLength) ? 1 : 0];
    slot.Map.Build(text, FTabSize);
    slot.Line = line;
    return slot.Map;
}

int TSyntaxEditCore::LineDisplayLength(int line)
{
    return MapOf(line).DisplayLength();
}

int TSyntaxEditCore::ColumnToCharIndex(int column, int line)
{
    return MapOf(line).ColumnToCharIndex(column);
}

int TSyntaxEditCore::CharIndexToColumn(int index, int line)
{
    return MapOf(line).CharIndexToColumn(index);
}

int TSyntaxEditCore::LineLimit(int line)
{
    if (line < 0 || line >= LineCount())
        return FMaxRightChar;
    return std::max(FMaxRightChar, LineDisplayLength(line));
}

int TSyntaxEditCore::NextColumn(int column, int line, bool stepOverTab)
{
    const TColumnMap &map = MapOf(line);
    if (column >= 0 && column < map.DisplayLength()) {
        const int index = map.ColumnToCharIndex(column);
        // Only a tab may be walked through cell by cell; a wide character is stepped over.
        if (!HasOption(eoCursorThroughTabs) || stepOverTab ||
            FLines->Get(std::clamp(line, 0, LineCount() - 1))[static_cast<size_t>(index)] != u'\t')
            return map.CharIndexToColumn(index + 1);
    }
    return column + 1;
}

int TSyntaxEditCore::PrevColumn(int column, int line)
{
    if (column <= 0)
        return 0;
    const TColumnMap &map = MapOf(line);
    if (HasOption(eoCursorThroughTabs) || column > map.DisplayLength())
        return column - 1;
    return map.CharIndexToColumn(map.ColumnToCharIndex(column - 1));
}

int TSyntaxEditCore::SmartTabColumn(int column, int line, bool skipWord)
{
    for (int y = std::min(line, LineCount()) - 1; y >= 0; --y) {
        const TColumnMap &map = MapOf(y);
        if (map.DisplayLength() <= column)
            continue;
        const WideString &text = FLines->Get(y);
        const int n = static_cast<int>(text.size());
        int i = map.ColumnToCharIndex(column);
        if (skipWord)
            while (i < n && !IsBlank(text[static_cast<size_t>(i)]))
                ++i;
        while (i < n && IsBlank(text[static_cast<size_t>(i)]))
            ++i;
        return map.CharIndexToColumn(i);
    }
    return column;
}

int TSyntaxEditCore::UnindentColumn(int column, int line)
{
    if (column <= 0 || line <= 0)
        return 0;
    for (int y = std::min(line, LineCount()) - 1; y >= 0; --y) {
        const WideString text = FLines->Get(y);
        const int n = static_cast<int>(text.size());
        int i = ColumnToCharIndex(column, y);
        if (i > n)
            i = n;
        // Step left to the first character that is not white space.
        int j = i - 1;
        while (j >= 0 && IsBlank(text[static_cast<size_t>(j)]))
            --j;
        if (j < 0)
            continue;
        // Then over the word to the white space before it.
        while (j >= 0 && !IsBlank(text[static_cast<size_t>(j)]))
            --j;
        if (j < 0)
            return 0;
        return CharIndexToColumn(j + 1, y);
    }
    return 0;
}

void TSyntaxEditCore::NextWordPos(TTextPoint &pos)
{
    pos = GetCaretXY();
    const int count = LineCount();
    if (count == 0 || FCaretY >= count)
        return;
    int y = FCaretY;
    WideString text = FLines->Get(y);
    int n = static_cast<int>(text.size());
    int i = ColumnToCharIndex(FCaretX, y);
    bool onCaretLine = true;
    if (i >= n - 1) {
        if (y + 1 >= count)
            return;
        ++y;
        text = FLines->Get(y);
        n = static_cast<int>(text.size());
        onCaretLine = false;
        bool allBlank = true;
        for (WideChar c : text)
            if (c != u' ' && c != u'\t')
                allBlank = false;
        if (allBlank) {
            pos = {0, y};
            return;
        }
        i = 0;
    }
    if (onCaretLine && i < n && IsWordChar(text[static_cast<size_t>(i)]))
        while (i < n && IsWordChar(text[static_cast<size_t>(i)]))
            ++i;
    while (i < n && !IsWordChar(text[static_cast<size_t>(i)]))
        ++i;
    pos = {CharIndexToColumn(i, y), y};
}

void TSyntaxEditCore::PrevWordPos(TTextPoint &pos)
{
    pos = GetCaretXY();
    const int count = LineCount();
    if (count == 0 || FCaretY >= count)
        return;
    const int y = FCaretY;
    const WideString text = FLines->Get(y);
    int n = std::min(ColumnToCharIndex(FCaretX, y), static_cast<int>(text.size()));
    auto endOfPrevious = [&]() {
        if (y == 0)
            pos = {0, 0};
        else
            pos = {LineDisplayLength(y - 1), y - 1};
    };
    if (n == 0) {
        endOfPrevious();
        return;
    }
    int i = n;
    while (i > 0 && !IsWordChar(text[static_cast<size_t>(i - 1)]))
        --i;
    if (i == 0) {
        endOfPrevious();
        return;
    }
    while (i > 0 && IsWordChar(text[static_cast<size_t>(i - 1)]))
        --i;
    pos = {CharIndexToColumn(i, y), y};
}

// ======================================================================= line list events

void TSyntaxEditCore::CountLength(std::u16string_view text, int delta)
{
    if (FLengthsValid)
        CountDisplayLength(DisplayLengthOf(text), delta);
}

void TSyntaxEditCore::CountDisplayLength(int length, int delta)
{
    if (!FLengthsValid)
        return;
    auto it = FLengthCounts.find(length);
    if (delta > 0) {
        if (it == FLengthCounts.end())
            FLengthCounts.emplace(length, delta);
        else
            it->second += delta;
    } else if (it != FLengthCounts.end()) {
        it->second += delta;
        if (it->second <= 0)
            FLengthCounts.erase(it);
    } else {
        FLengthsValid = false; // out of step: count again when next needed
    }
}

void TSyntaxEditCore::RangesChangedFrom(int line)
{
    RangesChanged(line, line);
}

void TSyntaxEditCore::RangesChanged(int first, int last)
{
    // Lines first..last changed (or moved); the stored range of a line stays valid while
    // the text above it is unchanged. The ranges known before (up to FKnownRangeEnd) are
    // kept: a rescan that reaches a line past the last changed one with the range stored
    // there knows that every known line below is unchanged too.
    first = std::max(0, first);
    if (FValidRangeLine > first) {
        FKnownRangeEnd = std::max(FKnownRangeEnd, FValidRangeLine);
        FValidRangeLine = first;
    }
    FDirtyRangeEnd = std::max(FDirtyRangeEnd, last);
    if (FHighLighter)
        InvalidateFromLine(first);
}

void TSyntaxEditCore::ShiftRangeMarks(int index, int delta)
{
    // Lines from index on moved by delta (a negative delta removed -delta lines there).
    auto shift = [&](int &mark) {
        if (mark < index)
            return;
        if (delta < 0 && mark < index - delta)
            mark = index - 1;
        else
            mark += delta;
    };
    shift(FValidRangeLine);
    shift(FKnownRangeEnd);
    shift(FDirtyRangeEnd);
    FValidRangeLine = std::max(0, FValidRangeLine);
}

void TSyntaxEditCore::ForgetKnownRanges()
{
    FKnownRangeEnd = -1;
    FDirtyRangeEnd = -1;
}

void TSyntaxEditCore::LineInserted(int index, const WideString &text)
{
    if (FTrimLine >= index)
        ++FTrimLine;
    ShiftRangeMarks(index, 1);
    FCheckpoints.LinesInserted(index, 1);
    RangesChanged(index - 1, index);
    DropColumnMapsFrom(index);
    CountLength(text, 1);
}

void TSyntaxEditCore::LineDeleted(int index, const WideString &oldText)
{
    if (FTrimLine == index)
        FTrimLine = -1;
    else if (FTrimLine > index)
        --FTrimLine;
    ShiftRangeMarks(index, -1);
    FCheckpoints.LinesDeleted(index, 1);
    RangesChanged(index - 1, index - 1);
    DropColumnMapsFrom(index);
    CountLength(oldText, -1);
    const int count = LineCount();
    if (FCaretY >= count && FCaretY > 0) {
        FCaretY = std::max(0, count - 1);
        InvalidateFromLine(FCaretY);
    }
    if (index <= FCaretY)
        KeepCaretOutsideCharacter();
}

void TSyntaxEditCore::LinesInserted(int index, const std::vector<WideString> &lines)
{
    if (FTrimLine >= index)
        FTrimLine += static_cast<int>(lines.size());
    ShiftRangeMarks(index, static_cast<int>(lines.size()));
    FCheckpoints.LinesInserted(index, static_cast<int>(lines.size()));
    RangesChanged(index - 1, index + static_cast<int>(lines.size()) - 1);
    DropColumnMapsFrom(index);
    for (const WideString &s : lines)
        CountLength(s, 1);
}

void TSyntaxEditCore::LinesDeleted(int index, const std::vector<WideString> &oldLines)
{
    const int deleted = static_cast<int>(oldLines.size());
    if (FTrimLine >= index + deleted)
        FTrimLine -= deleted;
    else if (FTrimLine >= index)
        FTrimLine = -1;
    ShiftRangeMarks(index, -deleted);
    FCheckpoints.LinesDeleted(index, deleted);
    RangesChanged(index - 1, index - 1);
    DropColumnMapsFrom(index);
    for (const WideString &s : oldLines)
        CountLength(s, -1);
    const int count = LineCount();
    if (FCaretY >= count && FCaretY > 0) {
        FCaretY = std::max(0, count - 1);
        InvalidateFromLine(FCaretY);
    }
    if (index <= FCaretY)
        KeepCaretOutsideCharacter();
}

void TSyntaxEditCore::LineChanging(int index, std::u16string_view oldText, const WideString &newText)
{
    // Only the changed part of a long line is looked at where possible: the highlighter
    // checkpoints before it stay, and the column map follows it.
    const bool hinted = FEditHintLine == index && FEditHint.OldEnd <= static_cast<int>(oldText.size()) &&
                        static_cast<int>(oldText.size()) - FEditHint.OldEnd ==
                            static_cast<int>(newText.size()) - FEditHint.NewEnd;
    FEditHintLine = -1;
    const TLineChange change = hinted ? FEditHint : LineChangeOf(oldText, newText);
    NoteEditAt(FEditAtNext.Y == index ? FEditAtNext : TTextPoint{change.Same, index});
    FEditAtNext = {-1, -1};
    FCheckpoints.LineChanged(index, change);
    FMapFollows = nullptr;
    FMapFollowsLine = -1;
    TMapSlot *slot = MapSlotOf(index);
    if (slot && slot->Map.Length() == static_cast<int>(oldText.size())) {
        CountDisplayLength(slot->Map.DisplayLength(), -1);
        slot->Map.FollowChange(newText, change);
        FMapFollows = slot;
        FMapFollowsLine = index;
    } else {
        CountLength(oldText, -1);
    }
    if (slot)
        slot->Line = -1; // until the list holds the new text
}

void TSyntaxEditCore::NoteEditAt(TTextPoint at) const
{
    if (FInReplay)
        return;
    if (FEditAtFirst.Y < 0)
        FEditAtFirst = at;
    FEditAtLast = at;
}

void TSyntaxEditCore::PutEdited(int y, const WideString &text, int at)
{
    // Noted here as well: a Put that changes nothing (a line break taken out after an empty
    // line) tells no line change, but the edit still happened at `at`.
    NoteEditAt({at, y});
    FEditAtNext = {at, y};
    TScopeGuard done([&] { FEditAtNext = {-1, -1}; });
    FLines->Put(y, text);
}

void TSyntaxEditCore::LinePut(int index, const WideString &newText)
{
    RangesChangedFrom(index);
    // (Unless the slot was used for another line meanwhile.)
    if (FMapFollows && FMapFollowsLine == index && (FMapFollows->Line == -1 || FMapFollows->Line == index) &&
        FMapFollows->Map.Length() == static_cast<int>(newText.size())) {
        for (TMapSlot &other : FMaps)
            if (other.Line == index)
                other.Line = -1;
        FMapFollows->Line = index;
        CountDisplayLength(FMapFollows->Map.DisplayLength(), 1);
    } else {
        if (TMapSlot *slot = MapSlotOf(index))
            slot->Line = -1;
        CountLength(newText, 1);
    }
    FMapFollows = nullptr;
    FMapFollowsLine = -1;
    InvalidateLine(index);
    if (index == FCaretY)
        KeepCaretOutsideCharacter();
}

void TSyntaxEditCore::KeepCaretOutsideCharacter()
{
    // A column that the caret's line no longer has a character start at (text before it grew
    // into a wide character, or two halves around it became one pair) would draw the caret
    // inside the character: it goes to the character's start.
    if (FCaretY < 0 || FCaretY >= LineCount())
        return;
    const int x = MapOf(FCaretY).WideCharacterStart(FCaretX);
    if (x == FCaretX)
        return;
    FCaretX = x;
    if (FUpdateCount == 0) {
        UpdateCaret();
        DoCaretChange();
    }
}

void TSyntaxEditCore::LinesCleared()
{
    FTrimLine = -1;
    FCheckpoints.Clear();
    FValidRangeLine = 0;
    ForgetKnownRanges();
    DropColumnMap();
    FLengthCounts.clear();
    FLengthsValid = true;
}

void TSyntaxEditCore::TextSet()
{
    FTrimLine = -1;
    FCheckpoints.Clear();
    DropColumnMap();
    FLengthsValid = false;
    FValidRangeLine = 0;
    ForgetKnownRanges();
    ViewInvalidate();
    FCaretX = 0;
    FCaretY = 0;
    FBlockBegin = FBlockEnd = TTextPoint{};
    SetTopOffset(0);
    SetLeftOffset(0);
    ClearUndo();
    if (HighlighterActive())
        ResetRangesFrom(0);
}

void TSyntaxEditCore::LinesChanged()
{
    UpdateScrollBars();
    if (HighlighterActive() && !FInSetSelText)
        ResetRangesFrom(FCaretY);
}

void TSyntaxEditCore::ResetRangesFrom(int line)
{
    if (line < 0 || line >= LineCount())
        return;
    FLines->BeginSilent();
    {
        TScopeGuard onError([&] { FLines->EndSilent(); });
        if (line == 0)
            HighlighterSeedFirstLine();
        onError.Dismiss();
    }
    FLines->EndSilent();
    RangesChanged(line, line);
}

// ======================================================================= edit bracket

void TSyntaxEditCore::TrimTrailingBlanks(int line, bool joined)
{
    if (line < 0 || line >= LineCount())
        return;
    const TWideLine text = FLines->Get(line); // read before the Put below
    if (text.empty() || !(UnicodeIsWhiteSpace(text.back()) || UnicodeIsControl(text.back())))
        return;
    const WideString trimmed = TrimRightBlanks(text);
    TUndoRecord r;
    r.Kind = ukDelete;
    r.Blanks = bcTrimmed;
    r.Joined = joined;
    r.BlanksAt = {static_cast<int>(trimmed.size()), line};
    r.BeforeText = text.substr(trimmed.size());
    r.CaretBefore = r.CaretAfter = GetCaretXY();
    r.BlockBeginBefore = FBlockBegin;
    r.BlockEndBefore = FBlockEnd;
    FLines->Put(line, trimmed);
    // A selection end in the blanks' columns beyond what a selection may reach on the shorter
    // line comes back within it, as undo and redo would put it.
    SetBlockExact(FBlockBegin, FBlockEnd);
    r.BlockBeginAfter = FBlockBegin;
    r.BlockEndAfter = FBlockEnd;
    FUndoList.Add(r);
}

void TSyntaxEditCore::NotePadding(int line, int index, int count)
{
    if (FInReplay || count <= 0)
        return;
    TUndoRecord r;
    r.Kind = ukInsert;
    r.Blanks = bcPadded;
    r.JoinedNext = true;
    r.BlanksAt = {index, line};
    r.AfterText.assign(static_cast<size_t>(count), u' ');
    r.CaretBefore = r.CaretAfter = GetCaretXY();
    r.BlockBeginBefore = r.BlockBeginAfter = FBlockBegin;
    r.BlockEndBefore = r.BlockEndAfter = FBlockEnd;
    FUndoList.Add(r);
}

void TSyntaxEditCore::BeginEdit()
{
    if (FEditDepth++ > 0)
        return;
    FTrimLine = FCaretY;
    FTrimForce = false;
    FEditAdds = FUndoList.AddCount();
}

void TSyntaxEditCore::EndEdit()
{
    if (FEditDepth > 0 && --FEditDepth > 0)
        return;
    FUndoList.UnchainLast();
    const int line = FTrimLine;
    FTrimLine = -1;
    if (line < 0 || HasOption(eoKeepTrailingBlanks) || (line == FCaretY && !FTrimForce))
        return;
    TrimTrailingBlanks(line, FUndoList.AddCount() != FEditAdds && FUndoList.CanUndo());
}

void TSyntaxEditCore::AbortEdit()
{
    if (FEditDepth > 0 && --FEditDepth == 0)
        FTrimLine = -1;
}

// ======================================================================= caret

void TSyntaxEditCore::SetCaretX(int value)
{
    if (value < 0)
        value = 0;
    // The caret never stands between the two cells of a wide character.
    if (value != FCaretX)
        value = MapOf(FCaretY).WideCharacterStart(value);
    if (value != FCaretX) {
        int length = LineDisplayLength(FCaretY) + (HasOption(eoShowControlChars) ? 1 : 0);
        if (HasOption(eoScrollPastEOL))
            FCaretX = std::min(value, std::max(FMaxRightChar, length));
        else
            FCaretX = std::min(value, length);
        EnsureCaretVisible();
        if (FUpdateCount == 0) {
            UpdateCaret();
            DoCaretChange();
        }
    }
    FWantedColumn = std::max(FWantedColumn, FCaretX);
}

void TSyntaxEditCore::SetCaretY(int value)
{
    const int count = LineCount();
    if (value < 0 || count == 0)
        value = 0;
    else if (value > count - 1)
        value = count - 1;
    if (value == FCaretY)
        return;
    // Inside an operation the line the caret leaves is trimmed when the operation ends;
    // replay restores exact texts and trims nothing.
    if (FCaretY >= 0 && FCaretY < count && !HasOption(eoKeepTrailingBlanks) && FEditDepth == 0 && !FInReplay)
        TrimTrailingBlanks(FCaretY, false);
    FCaretY = value;
    // The caret never stands between the two cells of a wide character.
    FCaretX = MapOf(value).WideCharacterStart(FCaretX);
    if (!HasOption(eoScrollPastEOL)) {
        const int n = LineDisplayLength(value);
        if (n < FCaretX) {
            SetCaretX(n);
            if (FCaretX < -FLeftOffset / FCharWidth)
                SetLeftOffset(0);
            return;
        }
    }
    if (!FInCaretXY)
        EnsureCaretVisible();
    if (FUpdateCount == 0) {
        UpdateCaret();
        DoCaretChange();
    }
}

void TSyntaxEditCore::SetCaretXY(TTextPoint p)
{
    ++FUpdateCount;
    {
        TScopeGuard onError([&] { --FUpdateCount; });
        if (p.X != FCaretX) {
            TFlagGuard guard(FInCaretXY, true);
            SetCaretY(p.Y);
        } else {
            SetCaretY(p.Y);
        }
        SetCaretX(p.X);
        onError.Dismiss();
    }
    --FUpdateCount;
    if (FUpdateCount == 0) {
        UpdateCaret();
        UpdateScrollBars();
        ViewUpdate();
        DoCaretChange();
    }
}

void TSyntaxEditCore::DoCaretChange()
{
    if (OnCaretChange)
        OnCaretChange(*this, static_cast<uint32_t>(FCaretX), static_cast<uint32_t>(FCaretY));
}

void TSyntaxEditCore::DoChange()
{
    if (OnChange)
        OnChange(*this);
}

void TSyntaxEditCore::DoSettingChange()
{
    if (OnSettingChange)
        OnSettingChange(*this);
}

// ======================================================================= selection

void TSyntaxEditCore::SetBlockBegin(TTextPoint p)
{
    p.Y = std::clamp(p.Y, 0, LineCount());
    p.X = std::clamp(p.X, 0, LineLimit(p.Y));
    if (FUpdateCount == 0 && SelAvail())
        InvalidateLines(FBlockBegin.Y, FBlockEnd.Y);
    FBlockBegin = FBlockEnd = p;
}

void TSyntaxEditCore::SetBlockEnd(TTextPoint p)
{
    p.Y = std::clamp(p.Y, 0, std::max(0, LineCount() - 1));
    p.X = std::clamp(p.X, 0, LineLimit(p.Y));
    if (p == FBlockEnd)
        return;
    if (FUpdateCount == 0)
        InvalidateLines(p.Y, FBlockEnd.Y);
    FBlockEnd = p;
}

void TSyntaxEditCore::SetBlockExact(TTextPoint a, TTextPoint b)
{
    SetBlockBegin(b);
    const TTextPoint end = FBlockBegin;
    SetBlockBegin(a);
    if (FUpdateCount == 0)
        InvalidateLines(std::min(FBlockBegin.Y, end.Y), std::max(FBlockBegin.Y, end.Y));
    FBlockEnd = end;
}

bool TSyntaxEditCore::SelAvail() const
{
    return !(FBlockBegin == FBlockEnd) && LineCount() > 0;
}

TTextPoint TSyntaxEditCore::SelectionStartPoint()
{
    const TTextPoint p = SelAvail() ? MinPoint(FBlockBegin, FBlockEnd) : GetCaretXY();
    if (p.Y < 0 || p.Y >= LineCount())
        return p;
    return {CharIndexToColumn(ColumnToCharIndex(p.X, p.Y), p.Y), p.Y};
}

TTextPoint TSyntaxEditCore::GetBlockStart() const
{
    return SelAvail() ? MinPoint(FBlockBegin, FBlockEnd) : GetCaretXY();
}

WideString TSyntaxEditCore::GetSelText() const
{
    if (!SelAvail())
        return WideString();
    auto *self = const_cast<TSyntaxEditCore *>(this); // the column map is a cache
    const TTextPoint start = MinPoint(FBlockBegin, FBlockEnd);
    TTextPoint stop = MaxPoint(FBlockBegin, FBlockEnd);
    const int count = LineCount();
    // A selection reaching onto the line past the last one ends with the text: there is no
    // line break after the last line to select (deleting it removes none either).
    if (stop.Y >= count && start.Y < count)
        stop = {INT32_MAX / 2, count - 1};
    auto slice = [&](int line, int from, int to) -> WideString {
        if (line < 0 || line >= count)
            return WideString();
        const WideString &s = FLines->Get(line);
        const size_t n = s.size();
        size_t a = std::min(static_cast<size_t>(std::max(from, 0)), n);
        size_t b = to < 0 ? n : std::min(static_cast<size_t>(to), n);
        return b > a ? s.substr(a, b - a) : WideString();
    };
    const int s = self->ColumnToCharIndex(start.X, start.Y);
    const int e = self->ColumnToCharIndex(stop.X, stop.Y);
    if (start.Y == stop.Y)
        return slice(start.Y, s, e);
    WideString result = slice(start.Y, s, -1);
    result += u"\r\n";
    for (int y = start.Y + 1; y < stop.Y && y < count; ++y) {
        result += FLines->Get(y);
        result += u"\r\n";
    }
    if (stop.Y < count)
        result += slice(stop.Y, 0, e);
    return result;
}

WideString TSyntaxEditCore::GetLineText()
{
    return CaretLine();
}

TWideLine TSyntaxEditCore::CaretLine()
{
    if (LineCount() == 0) {
        const bool editorModified = FModified;
        const bool listModified = FLines->Modified();
        FLines->Add(WideString());
        FModified = editorModified;
        FLines->SetModified(listModified);
        if (HighlighterActive())
            HighlighterSeedFirstLine();
    }
    return FCaretY >= 0 && FCaretY < LineCount() ? FLines->Get(FCaretY) : TWideLine();
}

WideString &TSyntaxEditCore::EditBuffer(size_t size)
{
    WideString &line = FEditBuffer;
    if (line.capacity() < size || line.capacity() > 4 * size + 4096) {
        WideString fresh;
        fresh.reserve(size + size / 8);
        line.swap(fresh);
    }
    line.clear();
    return line;
}

void TSyntaxEditCore::ReplaceInLine(int y, int index, int count, const WideString &text)
{
    const TWideLine old = FLines->Get(y); // read before the Put below
    index = std::clamp(index, 0, static_cast<int>(old.size()));
    count = std::clamp(count, 0, static_cast<int>(old.size()) - index);
    WideString &line = EditBuffer(old.size() - static_cast<size_t>(count) + text.size());
    line.assign(old, 0, static_cast<size_t>(index));
    line += text;
    line.append(old, static_cast<size_t>(index + count));
    FEditHintLine = y;
    FEditHint = {index, index + count, index + static_cast<int>(text.size())};
    TScopeGuard done([&] { FEditHintLine = -1; });
    PutEdited(y, line, index);
}


void TSyntaxEditCore::SetLineText(const WideString &text)
{
    if (LineCount() == 0)
        GetLineText();
    if (FCaretY >= 0 && FCaretY < LineCount())
        FLines->Put(FCaretY, text);
}

int TSyntaxEditCore::CaretColumnAt(int index, int line)
{
    if (line >= 0 && line < LineCount() && index > 0 && TColumnMap::IsPairTail(FLines->Get(line), static_cast<size_t>(index)))
        --index;
    return CharIndexToColumn(index, line);
}

int TSyntaxEditCore::ExactIndexOf(TTextPoint p, TTextPoint exact)
{
    if (exact.Y != p.Y || exact.X < 0 || p.Y < 0 || p.Y >= LineCount())
        return ColumnToCharIndex(p.X, p.Y);
    const int column = CharIndexToColumn(exact.X, p.Y);
    if (column == p.X)
        return exact.X;
    // The place after a first half of a pair: between the halves of the pair the recorded edit
    // joined, or where it brings the second half. A column cannot point there; the recorded one
    // is the pair's start or a column in it.
    const TWideLine line = FLines->Get(p.Y);
    if (exact.X > 0 && static_cast<size_t>(exact.X) <= line.size() && line[static_cast<size_t>(exact.X) - 1] >= 0xD800 &&
        line[static_cast<size_t>(exact.X) - 1] < 0xDC00 && p.X >= CharIndexToColumn(exact.X - 1, p.Y) && p.X <= column)
        return exact.X;
    return ColumnToCharIndex(p.X, p.Y);
}

void TSyntaxEditCore::DeleteSelection(bool resetRanges)
{
    const TTextPoint start = MinPoint(FBlockBegin, FBlockEnd);
    const TTextPoint stop = MaxPoint(FBlockBegin, FBlockEnd);
    // The caret goes where the first deleted character stood (the start of a tab the
    // selection began in), which is where undo puts the text back.
    if (start.Y == stop.Y) {
        // The caret may have left the selection's line (scrolling keeps the selection).
        SetCaretY(start.Y);
        if (start.Y >= LineCount()) {
            SetCaretX(start.X);
            return;
        }
        WideString line = FLines->Get(start.Y);
        const size_t s = static_cast<size_t>(ExactIndexOf(start, FExactStart));
        // The end is taken exactly only from the start it was measured from.
        const bool exact = FExactStart == TTextPoint{static_cast<int>(s), start.Y};
        FDeletedAt = {static_cast<int>(s), start.Y};
        const size_t e = static_cast<size_t>(exact ? ExactIndexOf(stop, FExactEnd) : ColumnToCharIndex(stop.X, stop.Y));
        if (s < line.size() && e > s) {
            line.erase(s, std::min(e, line.size()) - s);
            PutEdited(start.Y, line, static_cast<int>(s));
        }
        SetCaretX(CaretColumnAt(static_cast<int>(s), start.Y));
        return;
    }
    SetCaretY(start.Y);
    const int count = LineCount();
    if (start.Y >= count) {
        SetCaretX(start.X);
        return;
    }
    const int s = ExactIndexOf(start, FExactStart);
    const bool exactStart = FExactStart == TTextPoint{s, start.Y};
    FDeletedAt = {s, start.Y};
    WideString head = FLines->Get(start.Y);
    if (static_cast<int>(head.size()) > s) {
        head.resize(static_cast<size_t>(s));
    } else {
        NotePadding(start.Y, static_cast<int>(head.size()), s - static_cast<int>(head.size()));
        head.append(static_cast<size_t>(s) - head.size(), u' ');
    }
    const bool stopExists = stop.Y < count;
    if (stopExists) {
        const WideString &tail = FLines->Get(stop.Y);
        const size_t e = std::min(
            static_cast<size_t>(exactStart ? ExactIndexOf(stop, FExactEnd) : ColumnToCharIndex(stop.X, stop.Y)),
            tail.size());
        head += tail.substr(e);
    }
    if (!FKeepBookmarks) {
        for (TBookmark &b : FBookmarks) {
            if (b.Y < 0)
                continue;
            if (b.Y >= stop.Y)
                b.Y -= stop.Y - start.Y;
            else if (b.Y > start.Y)
                b.Y = start.Y;
        }
    }
    {
        TScopeGuard onError([&] {
            if (HighlighterActive() && start.Y > 0 && resetRanges)
                ResetRangesFrom(start.Y - 1);
        });
        // The start line survives (it receives the head and the stop line's tail), so no
        // text before the selection is lost even when the selection runs past the last line.
        const int first = stopExists ? start.Y : start.Y + 1;
        const int last = stopExists ? stop.Y - 1 : count - 1;
        TextLines::DeleteRange(*FLines, first, last - first + 1);
        PutEdited(start.Y, head, s);
        SetCaretX(CaretColumnAt(s, start.Y));
        onError.Dismiss();
    }
    if (HighlighterActive() && start.Y > 0 && resetRanges)
        ResetRangesFrom(start.Y - 1);
}

void TSyntaxEditCore::InsertText(const WideString &text)
{
    if (text.empty())
        return;
    std::vector<WideString> pieces = TextLines::Split(text);
    const int k = ExactIndexOf({FCaretX, FCaretY}, FExactStart);
    WideString line;
    if (!(text == u"\r\n" && k == 0 && (FInUndoInsert || FInRedoInsert)))
        line = GetLineText();
    if (LineCount() == 0)
        GetLineText();
    if (static_cast<int>(line.size()) < k) {
        NotePadding(FCaretY, static_cast<int>(line.size()), k - static_cast<int>(line.size()));
        line.append(static_cast<size_t>(k) - line.size(), u' ');
    }
    if (pieces.size() == 1) {
        line.insert(static_cast<size_t>(k), pieces[0]);
        if (FCaretY < LineCount())
            PutEdited(FCaretY, line, k);
        SetCaretX(CharIndexToColumn(k + static_cast<int>(pieces[0].size()), FCaretY));
        return;
    }
    // Lines are never cut here: MaxRightChar limits the caret, not the text.
    const WideString current = LineText(FCaretY);
    const WideString tail =
        static_cast<int>(current.size()) > k ? current.substr(static_cast<size_t>(k)) : WideString();
    line = line.substr(0, static_cast<size_t>(k)) + pieces[0];
    const int y = FCaretY;
    const int n = static_cast<int>(pieces.size());
    PutEdited(y, line, k);
    pieces.back() += tail;
    TextLines::InsertRange(*FLines, y + 1, pieces, 1, n);
    if (!FKeepBookmarks)
        ShiftBookmarks(y, n - 1);
    if (HighlighterActive())
        ResetRangesFrom(y);
    SetCaretY(y + n - 1);
    if (!FKeepBookmarks)
        SetCaretX(CharIndexToColumn(static_cast<int>(pieces.back().size() - tail.size()), FCaretY));
}

void TSyntaxEditCore::ReplaceSelection(const WideString &text)
{
    // The text goes exactly where the selection began, also in virtual space.
    const TSyntaxEditOptions options = FOptions;
    FOptions |= eoScrollPastEOL;
    struct TRestore {
        TSyntaxEditOptions &Options;
        TSyntaxEditOptions Old;
        ~TRestore() { Options = Old; }
    } restore{FOptions, options};
    FLines->BeginUpdate();
    {
        TScopeGuard onError([&] { FLines->EndUpdate(); });
        InvalidateFromLine(std::min(FBlockBegin.Y, FBlockEnd.Y));
        const TTextPoint exact = FExactStart;
        TScopeGuard restoreExact([&] { FExactStart = exact; });
        if (SelAvail() || ReplayRemovesText()) {
            FDeletedAt = {-1, -1};
            DeleteSelection(text.empty());
            // The text goes exactly where the selection's text began, also when taking that
            // text out joined two halves of a pair there (no column lies between them).
            if (FExactStart.Y < 0)
                FExactStart = FDeletedAt;
        }
        InsertText(text);
        SetBlockBegin(GetCaretXY());
        onError.Dismiss();
    }
    FLines->EndUpdate();
}

void TSyntaxEditCore::MoveCaretTo(TTextPoint p)
{
    TEditScope edit(*this);
    const TUndoRecord snap = SnapshotUndoState(false);
    if (!(p == GetCaretXY())) {
        SetCaretXY(p);
        const TTextPoint c = GetCaretXY();
        AddUndo(ukCaret, snap, WideString(), WideString(), c, c, c);
        SetBlockBegin(c);
    }
    ViewUpdate();
}

void TSyntaxEditCore::SelectTo(TTextPoint p)
{
    TEditScope edit(*this);
    if (p == GetCaretXY())
        return;
    const TUndoRecord snap = SnapshotUndoState(false);
    SetBlockBegin(GetCaretXY());
    SetBlockEnd(p);
    AddUndo(ukCaret, snap, WideString(), WideString(), GetCaretXY(), FBlockBegin, FBlockEnd);
    ViewUpdate();
}

void TSyntaxEditCore::SelectAll()
{
    TEditScope edit(*this);
    const int count = LineCount();
    if (count < 1)
        return;
    const TUndoRecord snap = SnapshotUndoState(false);
    FBlockBegin = {0, 0};
    // The end is the last line's display length, so a line with tabs is selected whole.
    const TTextPoint end{LineDisplayLength(count - 1), count - 1};
    SetBlockEnd(end);
    SetCaretXY(FBlockEnd);
    ViewInvalidate();
    AddUndo(ukCaret, snap, WideString(), WideString(), GetCaretXY(), FBlockBegin, FBlockEnd);
}

void TSyntaxEditCore::SetSelText(const WideString &text)
{
    TEditScope edit(*this);
    if (!SelAvail())
        FBlockBegin = FBlockEnd = GetCaretXY();
    const TUndoRecord snap = SnapshotUndoState(true);
    const TTextPoint start = SelectionStartPoint();
    {
        TFlagGuard guard(FInSetSelText, true);
        ReplaceSelection(text);
    }
    FBlockBegin = FBlockEnd = GetCaretXY();
    AddUndo(ukReplace, snap, snap.BeforeText, text, GetCaretXY(), start, GetCaretXY());
    FBlockEnd = GetCaretXY();
}

// ======================================================================= bookmarks

void TSyntaxEditCore::ShiftBookmarks(int fromLine, int delta)
{
    for (TBookmark &b : FBookmarks)
        if (b.Y >= 0 && b.Y >= fromLine)
            b.Y = std::max(0, b.Y + delta);
}

void TSyntaxEditCore::SetBookmark(int index, int x, int y)
{
    if (index < 0 || index > 9 || y < 0 || y >= LineCount())
        return;
    bool allowed = true;
    if (OnBookmark)
        OnBookmark(*this, index, x, y, allowed);
    if (!allowed)
        return;
    TBookmark &b = FBookmarks[index];
    if (b.IsSet && b.Y >= 0)
        InvalidateLine(b.Y);
    b.IsSet = true;
    b.X = x;
    b.Y = y;
    InvalidateLine(y);
}

void TSyntaxEditCore::ClearBookmark(int index)
{
    if (index < 0 || index > 9)
        return;
    TBookmark &b = FBookmarks[index];
    if (!b.IsSet)
        return;
    bool allowed = true;
    if (OnBookmark)
        OnBookmark(*this, index, b.X, b.Y, allowed);
    b.IsSet = !allowed;
    if (allowed) {
        InvalidateLine(b.Y);
        b.Y = -1;
    }
}

void TSyntaxEditCore::GotoBookmark(int index)
{
    TEditScope edit(*this);
    if (index < 0 || index > 9)
        return;
    SetCaretXY({FBookmarks[index].X, FBookmarks[index].Y});
    EnsureCaretVisible();
}

// ======================================================================= modified, update bracket

bool TSyntaxEditCore::GetModified() const
{
    return FModified || FLines->Modified();
}

void TSyntaxEditCore::SetModified(bool value)
{
    FModified = value;
    FLines->SetModified(value);
    if (!value)
        FUndoList.MarkSaved();
}

void TSyntaxEditCore::BeginUpdate()
{
    if (FUpdateCount == 0)
        ViewSetRedraw(false);
    ++FUpdateCount;
}

void TSyntaxEditCore::EndUpdate()
{
    if (FUpdateCount > 0)
        --FUpdateCount;
    if (FUpdateCount == 0) {
        ViewSetRedraw(true);
        UpdateScrollBars();
        UpdateCaret();
        DoCaretChange();
        ViewInvalidate();
    }
}

void TSyntaxEditCore::ClearAll(bool withUndo, bool keepUndo)
{
    TEditScope edit(*this);
    if (LineCount() > 0) {
        BeginUpdate();
        {
            TScopeGuard onError([&] { EndUpdate(); });
            TUndoRecord snap;
            const bool record = withUndo && keepUndo;
            if (record) {
                FBlockBegin = {0, 0};
                FBlockEnd = {LineDisplayLength(LineCount() - 1), LineCount() - 1};
                snap = SnapshotUndoState(true);
            }
            FLines->Clear();
            FBlockBegin = FBlockEnd = TTextPoint{};
            FCaretX = FCaretY = 0;
            if (record)
                AddUndo(ukDelete, snap, snap.BeforeText, WideString(), {0, 0}, {0, 0}, {0, 0});
            onError.Dismiss();
        }
        EndUpdate();
    }
    if (!keepUndo)
        ClearUndo();
}
