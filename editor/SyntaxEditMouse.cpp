// Mouse presses and moves, word and line selection, and dropping dragged text.
#include "editor/SyntaxEditCore.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditorStrings.h"
#include <algorithm>

namespace {
// A drop lands exactly on its cell, also in virtual space.
struct TOptionsGuardDrop {
    TSyntaxEditOptions &Options;
    TSyntaxEditOptions Old;
    explicit TOptionsGuardDrop(TSyntaxEditOptions &options) : Options(options), Old(options)
    {
        Options |= eoScrollPastEOL;
    }
    ~TOptionsGuardDrop() { Options = Old; }
};
} // namespace

bool TSyntaxEditCore::IsPointInSelection(TTextPoint p)
{
    if (!SelAvail())
        return false;
    const TTextPoint start = MinPoint(FBlockBegin, FBlockEnd);
    const TTextPoint stop = MaxPoint(FBlockBegin, FBlockEnd);
    if (start.Y == stop.Y)
        return p.Y == start.Y && p.X >= start.X && p.X <= stop.X && p.X < std::max(stop.X, LineDisplayLength(p.Y) + 1);
    if (p.Y > start.Y && p.Y < stop.Y)
        return true;
    if (p.Y == start.Y)
        return p.X >= start.X;
    if (p.Y == stop.Y)
        return p.X <= stop.X && p.X < LineDisplayLength(p.Y);
    return false;
}

void TSyntaxEditCore::MoveCaretToPixel(int x, int y)
{
    const TUndoRecord snap = SnapshotUndoState(false);
    SetCaretXY(PixelsToTextPos(x, y));
    if (!(snap.CaretBefore == GetCaretXY()))
        AddUndo(ukCaret, snap, WideString(), WideString(), GetCaretXY(), FBlockBegin, FBlockEnd);
    ViewUpdate();
}

TSyntaxEditCore::TMouseDownResult TSyntaxEditCore::MouseDown(bool left, TShiftState shift, bool doubleClick, int x,
                                                             int y, bool wasFocused, uint32_t tick)
{
    TEditScope edit(*this);
    if (!left)
        return mdNone;
    if (!wasFocused && SelAvail())
        return mdFocusOnly; // the click only focuses
    TMouseDownResult result = mdNone;
    if (x > FGutterRight) {
        if (doubleClick) {
            FLastClickTick = tick;
        } else {
            if (HasOption(eoTripleClicks) && shift == 0 && FLastClickTick != 0) {
                if (tick - FLastClickTick < FDoubleClickTime) {
                    SelectLine();
                    return mdSelect;
                }
                FLastClickTick = 0;
            }
            MoveCaretToPixel(x, y);
            // The press cell: where a drag that never started puts the caret back.
            FMouseDownCaret = GetCaretXY();
            if ((shift == 0 || shift == ssCtrl) && IsPointInSelection(GetCaretXY())) {
                result = mdStartDrag;
            } else if (shift & ssShift) {
                SetBlockEnd(GetCaretXY());
                result = mdSelect;
            } else {
                SetBlockBegin(GetCaretXY());
                result = mdSelect;
            }
        }
    }
    FWantedColumn = FCaretX;
    return result;
}

int TSyntaxEditCore::MouseMove(bool leftDown, bool timerRunning, int x, int y)
{
    TEditScope edit(*this);
    if (x <= FGutterWidth)
        return 0;
    if (leftDown && !FClickSelected) {
        if (timerRunning)
            return 0;
        if (PixelsToTextPos(x, y) == FMouseDownCaret)
            return 0;
        return 1;
    }
    return -1;
}

void TSyntaxEditCore::DblClick()
{
    TEditScope edit(*this);
    if (LineCount() > 0)
        SelectWordAt(GetCaretXY());
    FClickSelected = true;
}

void TSyntaxEditCore::SelectLine()
{
    FClickSelected = true;
    SetBlockBegin({0, FCaretY});
    SetBlockEnd({0, FCaretY + 1});
    // On the last line there is no next line to end at: the line's end is taken.
    if (FCaretY + 1 >= LineCount())
        SetBlockEnd({LineDisplayLength(FCaretY), FCaretY});
    FLastClickTick = 0;
}

void TSyntaxEditCore::SelectWordAt(TTextPoint p)
{
    TTextPoint begin, end;
    WideString word;
    GetWordAtPos(p, begin, word, end);
    SetBlockBegin(begin);
    SetBlockEnd(end);
    SetCaretXY(end);
}

void TSyntaxEditCore::GetWordAtPos(TTextPoint p, TTextPoint &begin, WideString &word, TTextPoint &end)
{
    const int count = LineCount();
    word.clear();
    begin = end = {0, 0};
    if (count == 0)
        return;
    const int y = std::clamp(p.Y, 0, count - 1);
    begin.Y = end.Y = y;
    const WideString text = FLines->Get(y);
    const int n = static_cast<int>(text.size());
    if (n == 0)
        return;
    const int i = std::min(ColumnToCharIndex(std::max(0, p.X), y), n - 1);
    auto isWord = [&](int k) { return IsWordChar(text[static_cast<size_t>(k)]); };
    int b, e;
    if (isWord(i)) {
        b = i;
        while (b > 0 && isWord(b - 1))
            --b;
        e = i + 1;
        while (e < n && isWord(e))
            ++e;
    } else {
        int k = i;
        while (k > 0 && !isWord(k - 1))
            --k;
        if (k == 0) {
            b = i + 1;
            while (b < n && !isWord(b))
                ++b;
            if (b < n) {
                e = b;
                while (e < n && isWord(e))
                    ++e;
            } else {
                b = 0;
                e = n;
            }
        } else {
            e = k;
            b = k;
            while (b > 0 && isWord(b - 1))
                --b;
        }
    }
    word = text.substr(static_cast<size_t>(b), static_cast<size_t>(e - b));
    begin.X = CharIndexToColumn(b, y);
    end.X = CharIndexToColumn(e, y);
}

bool TSyntaxEditCore::IsDragCopy(bool fromOtherEditor, TShiftState shift)
{
    return (shift & ssCtrl) || (fromOtherEditor && !(shift & ssShift));
}

bool TSyntaxEditCore::DragAccept(const TSyntaxEditCore *source, TTextPoint cell)
{
    if (!source)
        return false;
    return source == this ? !IsPointInSelection(cell) : true;
}

void TSyntaxEditCore::DragCanceled()
{
    SetCaretXY(FMouseDownCaret);
    if (!FDragEntered)
        SetBlockBegin(FMouseDownCaret); // a press in the selection without a drag collapses it there
    FDragTracking = false;
}

void TSyntaxEditCore::DragDrop(TSyntaxEditCore *source, TTextPoint cell, bool copy)
{
    TEditScope edit(*this);
    FDragTracking = false;
    if (HasOption(eoReadOnly) || !source || !source->SelAvail())
        return;
    const bool move = !copy;
    if (source == this) {
        TUndoRecord snap = SnapshotUndoState(true);
        const WideString text = GetSelText();
        // Positions on character boundaries: a column inside a tab stands for the tab's start.
        // A point on the line past the last one stands for the end of the text.
        auto aligned = [this](TTextPoint p) {
            if (p.Y >= LineCount())
                return TTextPoint{LineDisplayLength(LineCount() - 1), LineCount() - 1};
            return TTextPoint{CharIndexToColumn(ColumnToCharIndex(p.X, p.Y), p.Y), p.Y};
        };
        const TTextPoint start = aligned(MinPoint(FBlockBegin, FBlockEnd));
        const TTextPoint stop = aligned(MaxPoint(FBlockBegin, FBlockEnd));
        snap.BlockBeginBefore = start;
        snap.BlockEndBefore = stop;
        TTextPoint d = cell;
        d.Y = std::clamp(d.Y, 0, LineCount() - 1);
        d = aligned({std::max(0, d.X), d.Y});
        BeginUpdate();
        {
            TScopeGuard onError([&] { EndUpdate(); });
            if (move && (PointLess(d, start) || PointLess(stop, d)) && d.Y < LineCount()) {
                // A drop past its line's end fills the line up to the drop first, while the
                // line is as the record's before state has it.
                WideString line = FLines->Get(d.Y);
                const int k = ColumnToCharIndex(d.X, d.Y);
                if (k > static_cast<int>(line.size())) {
                    NotePadding(d.Y, static_cast<int>(line.size()), k - static_cast<int>(line.size()));
                    line.append(static_cast<size_t>(k) - line.size(), u' ');
                    FLines->Put(d.Y, line);
                    // The blanks are a record of their own: the move's text changes begin after.
                    FEditAtFirst = FEditAtLast = {-1, -1};
                }
            }
            // The drop's exact character index where the moved text's removal decides it (no
            // column lies between two halves of a pair that the removal joined).
            TTextPoint exactDrop{-1, -1};
            if (move) {
                if (!PointLess(d, start) && !PointLess(stop, d)) {
                    d = start; // inside the moved text: it stays where it is
                }
                // Where the drop position lands once the selection is gone; on the
                // selection's last line it keeps its distance in characters from the
                // selection's end (tab stops may fall differently on the joined line).
                int dropIndex = -1;
                if (PointLess(stop, d)) {
                    if (d.Y == stop.Y) {
                        dropIndex = ColumnToCharIndex(start.X, start.Y) + ColumnToCharIndex(d.X, d.Y) -
                                    ColumnToCharIndex(stop.X, stop.Y);
                        d.Y = start.Y;
                    } else {
                        d.Y -= stop.Y - start.Y;
                    }
                }
                SetBlockBegin(start);
                SetBlockEnd(stop);
                ReplaceSelection(WideString());
                if (dropIndex >= 0) {
                    d.X = CharIndexToColumn(dropIndex, d.Y);
                    exactDrop = {dropIndex, d.Y};
                } else if (d == start) {
                    exactDrop = FDeletedAt;
                }
                d = aligned(d);
            }
            {
                TOptionsGuardDrop guard(FOptions);
                SetCaretXY(d);
                SetBlockBegin(d);
                FExactStart = exactDrop;
                TScopeGuard noExact([&] { FExactStart = {-1, -1}; });
                InsertText(text);
                const TTextPoint end = GetCaretXY();
                SetCaretXY(d);
                SetBlockBegin(d);
                SetBlockEnd(end);
            }
            TUndoRecord before = snap;
            before.CaretBefore = move ? FMouseDownCaret : d;
            // The record keeps the dropped text itself: its selection may begin or end between
            // the halves of a pair it joined with the text around it.
            AddUndo(move ? ukMove : ukCopy, before, text, text, GetCaretXY(), FBlockBegin, FBlockEnd);
            onError.Dismiss();
        }
        EndUpdate();
        DoChange();
        return;
    }
    // From another editor.
    TEditScope sourceEdit(*source);
    const WideString text = source->GetSelText();
    const TUndoRecord snap = SnapshotUndoState(true);
    const bool replacing = IsPointInSelection(cell);
    BeginUpdate();
    TTextPoint start;
    {
        TScopeGuard onError([&] { EndUpdate(); });
        if (replacing) {
            start = SelectionStartPoint();
            SetCaretXY(start);
        } else {
            TOptionsGuardDrop guard(FOptions);
            SetCaretXY({std::max(0, cell.X), std::clamp(cell.Y, 0, std::max(0, LineCount() - 1))});
            SetBlockBegin(GetCaretXY());
            // Inside a tab the text goes in before the tab: the record starts there.
            start = SelectionStartPoint();
        }
        ReplaceSelection(text);
        onError.Dismiss();
    }
    EndUpdate();
    if (move) {
        const TUndoRecord sourceSnap = source->SnapshotUndoState(true);
        source->SetCaretXY(MinPoint(source->FBlockBegin, source->FBlockEnd));
        source->ReplaceSelection(WideString());
        TUndoRecord before = sourceSnap;
        before.CaretBefore = source->FMouseDownCaret;
        source->AddSnapshot(ukDelete, sourceSnap.BeforeText, false, before);
        source->DoChange();
    }
    const TTextPoint end = GetCaretXY();
    SetBlockBegin(start);
    SetBlockEnd(end);
    // A replaced selection is kept in the record, so undo brings it back.
    if (replacing)
        AddUndo(ukReplace, snap, snap.BeforeText, text, start, start, end);
    else
        AddUndo(ukInsert, snap, WideString(), text, start, start, end);
    DoChange();
}
