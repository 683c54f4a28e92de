// The command processor: caret moves, text commands, clipboard, undo, scrolling, modes and
// bookmarks, and the key dispatch that feeds it.
#include "editor/SyntaxEditCore.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditorStrings.h"
#include "text/UnicodeData.h"
#include "text/WideStrUtils.h"
#include <algorithm>

namespace {
bool IsWhite(WideChar c)
{
    return UnicodeIsWhiteSpace(c);
}

struct TOptionScope {
    TSyntaxEditOptions &Options;
    TSyntaxEditOptions Old;
    TOptionScope(TSyntaxEditOptions &options, TSyntaxEditOptions add) : Options(options), Old(options)
    {
        Options |= add;
    }
    ~TOptionScope() { Options = Old; }
};
} // namespace

// ======================================================================= dispatch

void TSyntaxEditCore::DoProcessCommand(TEditorCommand &command, WideChar &ch, void *data)
{
    if (command >= ecUserFirst) {
        if (OnProcessUserCommand)
            OnProcessUserCommand(command, ch, data);
    } else if (OnProcessCommand) {
        OnProcessCommand(command, ch, data);
    }
}

void TSyntaxEditCore::RunEditorCommand(TEditorCommand command, WideChar ch, void *data)
{
    TEditScope edit(*this);
    DoProcessCommand(command, ch, data);
    if (command == ecNone || command > 1000)
        return;
    if ((command >= ecLeft && command <= ecGoto) || (command >= ecSelectLeft && command <= ecSelectGoto)) {
        MoveCommand(command, data);
        return;
    }
    switch (command) {
    case ecSelectAll: SelectAll(); return;
    case ecDeleteLastChar:
    case ecDeleteChar:
    case ecDeleteWord:
    case ecDeleteLastWord:
    case ecDeleteBOL:
    case ecDeleteEOL:
    case ecDeleteLine:
    case ecClearAll:
    case ecLineBreak:
    case ecInsertLine:
    case ecChar: TextCommand(command, ch); return;
    case ecUndo: Undo(); return;
    case ecRedo: Redo(); return;
    case ecCut:
        if (!HasOption(eoReadOnly) && SelAvail()) {
            CutToClipboard();
            DoChange();
        }
        return;
    case ecCopy: CopyToClipboard(); return;
    case ecPaste:
        if (!HasOption(eoReadOnly)) {
            PasteFromClipboard();
            DoChange();
        }
        return;
    case ecScrollUp:
    case ecScrollDown:
    case ecScrollLeft:
    case ecScrollRight: {
        const TUndoRecord snap = SnapshotUndoState(false);
        const int firstColumn = -FLeftOffset / FCharWidth;
        if (command == ecScrollUp) {
            SetTopLine(GetTopLine() - 1);
            const int last = GetTopLine() + FVisibleLineCount - 2;
            if (FCaretY > last)
                SetCaretY(std::max(0, last));
        } else if (command == ecScrollDown) {
            SetTopLine(GetTopLine() + 1);
            if (FCaretY < GetTopLine() - 1)
                SetCaretY(GetTopLine() - 1);
        } else if (command == ecScrollLeft) {
            // The text moves one column left; a caret falling off the left edge follows.
            SetLeftOffset(FLeftOffset - FCharWidth);
            const int first = -FLeftOffset / FCharWidth;
            if (FCaretX < first)
                SetCaretX(first);
        } else {
            SetLeftOffset(FLeftOffset + FCharWidth);
            const int last = -FLeftOffset / FCharWidth + std::max(1, FVisibleColumns) - 1;
            if (FCaretX > last)
                SetCaretX(last);
        }
        (void)firstColumn;
        UndoAddCaretMove(snap);
        return;
    }
    case ecInsertMode: ToggleInserting(0); return;
    case ecOverwriteMode: ToggleInserting(1); return;
    case ecToggleMode: ToggleInserting(2); return;
    case ecBlockIndent:
        if (!HasOption(eoReadOnly)) {
            BlockIndent();
            DoChange();
        }
        return;
    case ecBlockUnindent:
        if (!HasOption(eoReadOnly)) {
            BlockUnindent();
            DoChange();
        }
        return;
    default: break;
    }
    if (command >= ecGotoMarker0 && command <= ecGotoMarker9) {
        const int n = command - ecGotoMarker0;
        // An unset bookmark is not visited (it has no line).
        if (FBookMarkOptions.EnableKeys() && FBookmarks[n].IsSet)
            GotoBookmark(n);
    } else if (command >= ecToggleMarker0 && command <= ecToggleMarker9) {
        const int n = command - ecToggleMarker0;
        if (FBookMarkOptions.EnableKeys()) {
            const bool onCaretLine = FBookmarks[n].IsSet && FBookmarks[n].Y == FCaretY;
            ClearBookmark(n);
            if (!onCaretLine)
                SetBookmark(n, FCaretX, FCaretY);
        }
    }
}

void TSyntaxEditCore::ToggleInserting(int mode)
{
    TSyntaxEditOptions o = FOptions;
    if (mode == 0)
        o |= eoInserting;
    else if (mode == 1)
        o &= ~eoInserting;
    else
        o ^= eoInserting;
    FOptions = o;
    ViewUpdateCaret();
    DoSettingChange();
}

TEditorCommand TSyntaxEditCore::KeyToCommand(uint16_t key, TShiftState shift) const
{
    const int i = FKeystrokes.FindKey(key, shift);
    return i >= 0 ? FKeystrokes.Items(i).Command : TEditorCommand(ecNone);
}

void TSyntaxEditCore::SetKeystrokes(const TKeyStrokes *value)
{
    if (!value)
        FKeystrokes.Clear();
    else
        FKeystrokes.Assign(*value);
}

void TSyntaxEditCore::ResetKeystrokes()
{
    FKeystrokes.ResetDefaults();
}

bool TSyntaxEditCore::KeyDown(uint16_t key, TShiftState shift)
{
    const TEditorCommand command = KeyToCommand(key, shift);
    if (command == ecNone) {
        // The character of this key is typed, also while a key that ran a command is still
        // held down (keys rolled over when typing fast).
        FKeySwallowed = false;
        return false;
    }
    FKeySwallowed = true;
    RunEditorCommand(command, 0, nullptr);
    return true;
}

void TSyntaxEditCore::KeyPress(WideChar ch)
{
    if (!FKeySwallowed)
        RunEditorCommand(ecChar, ch, nullptr);
}

void TSyntaxEditCore::KeyUp()
{
    FKeySwallowed = false;
}

void TSyntaxEditCore::InsertImeText(const WideString &text)
{
    TEditScope edit(*this);
    if (HasOption(eoReadOnly))
        return;
    WideString typed;
    for (WideChar c : text)
        if (!((c < 32 && c != u'\t') || c == 127))
            typed += c;
    if (typed.empty())
        return;
    // One character (a surrogate pair too) is typed as its keys would type it: over the
    // selection, or in overwrite mode over the character at the caret.
    if (typed.size() == 1 || (typed.size() == 2 && TColumnMap::IsPairTail(typed, 1))) {
        for (WideChar c : typed)
            RunEditorCommand(ecChar, c, nullptr);
        return;
    }
    // A composed text is one typing step: it replaces the selection, or goes in at the caret.
    const bool replacing = SelAvail();
    if (!replacing)
        SetBlockBegin(GetCaretXY());
    const TUndoRecord snap = SnapshotUndoState(true);
    const TTextPoint start = SelectionStartPoint();
    ReplaceSelection(typed);
    if (replacing)
        AddUndo(ukReplace, snap, snap.BeforeText, typed, GetCaretXY(), start, GetCaretXY());
    else
        AddUndo(ukInsert, snap, WideString(), typed, GetCaretXY(), start, GetCaretXY());
    RightEdgeCheck();
    DoChange();
}

void TSyntaxEditCore::WheelScroll(int delta, bool ctrl, int wheelScrollLines)
{
    const int steps = delta / 120;
    const int perStep = ctrl ? FVisibleLineCount : wheelScrollLines;
    SetTopLine(GetTopLine() - steps * perStep);
    ViewUpdate();
}

void TSyntaxEditCore::UndoAddCaretMove(const TUndoRecord &snap)
{
    if (snap.CaretBefore == GetCaretXY())
        return;
    AddUndo(ukCaret, snap, WideString(), WideString(), GetCaretXY(), FBlockBegin, FBlockEnd);
}

// ======================================================================= caret moves

void TSyntaxEditCore::MoveCommand(TEditorCommand command, void *data)
{
    const bool selecting = command > ecSelection;
    const TEditorCommand move = selecting ? static_cast<TEditorCommand>(command - ecSelection) : command;
    const TUndoRecord snap = SnapshotUndoState(false);
    const bool hadSelection = SelAvail();
    TTextPoint anchor = GetCaretXY();
    const int count = LineCount();
    switch (move) {
    case ecLeft: {
        if (FCaretX == 0 && !HasOption(eoScrollPastEOL) && FCaretY > 0) {
            SetCaretXY({LineDisplayLength(FCaretY - 1), FCaretY - 1});
        } else {
            SetCaretX(PrevColumn(FCaretX, FCaretY));
        }
        FWantedColumn = FCaretX;
        break;
    }
    case ecRight: {
        const int column = NextColumn(FCaretX, FCaretY, false);
        if (!HasOption(eoScrollPastEOL) && column > LineDisplayLength(FCaretY)) {
            if (FCaretY + 1 < count)
                SetCaretXY({0, FCaretY + 1});
        } else {
            SetCaretX(column);
        }
        FWantedColumn = FCaretX;
        break;
    }
    case ecUp:
    case ecDown: {
        const int line = FCaretY + (move == ecUp ? -1 : 1);
        const int wanted = FWantedColumn;
        const int oldLine = FCaretY;
        SetCaretXY({wanted, line});
        FWantedColumn = wanted;
        anchor = {FCaretX, oldLine};
        break;
    }
    case ecWordLeft:
    case ecWordRight: {
        TTextPoint p;
        if (move == ecWordLeft)
            PrevWordPos(p);
        else
            NextWordPos(p);
        SetCaretXY(p);
        break;
    }
    case ecLineStart:
        SetCaretX(0);
        FWantedColumn = 0;
        break;
    case ecLineEnd: {
        if (FCaretY < count && !HasOption(eoKeepTrailingBlanks)) {
            // The blanks go when the command ends (recorded with its caret move); the caret
            // goes to where the trimmed line ends.
            const WideString &line = FLines->Get(FCaretY);
            const WideString trimmed = WideTrimRight(line);
            if (trimmed.size() != line.size()) {
                if (FEditDepth > 0 && FTrimLine == FCaretY) {
                    FTrimForce = true;
                    SetCaretX(DisplayLengthOf(trimmed));
                    break;
                }
                TrimTrailingBlanks(FCaretY, false);
            }
        }
        SetCaretX(LineDisplayLength(FCaretY));
        break;
    }
    case ecPageUp:
    case ecPageDown: {
        const int delta = move == ecPageUp ? -FVisibleLineCount : FVisibleLineCount;
        const TTextPoint target{FWantedColumn, std::clamp(FCaretY + delta, 0, std::max(0, count - 1))};
        if (selecting) {
            if (!hadSelection)
                SetBlockBegin(anchor);
            SetBlockEnd(target);
        } else {
            SetBlockBegin(target);
        }
        BeginUpdate();
        {
            TScopeGuard onError([&] { EndUpdate(); });
            SetTopLine(GetTopLine() + delta);
            SetCaretXY(target);
            onError.Dismiss();
        }
        EndUpdate();
        break;
    }
    case ecPageLeft:
    case ecPageRight: {
        const int columns = std::max(1, FVisibleColumns);
        if (move == ecPageLeft) {
            SetLeftOffset(FLeftOffset + columns * FCharWidth);
            SetCaretX(std::max(0, FCaretX - columns));
        } else {
            SetLeftOffset(FLeftOffset - columns * FCharWidth);
            SetCaretX(FCaretX + columns);
        }
        break;
    }
    case ecPageTop: SetCaretXY({FCaretX, GetTopLine() - 1}); break;
    case ecPageBottom: SetCaretXY({FCaretX, std::max(GetTopLine() - 1, GetTopLine() + FVisibleLineCount - 2)}); break;
    case ecEditorTop: SetCaretXY({0, 0}); break;
    case ecEditorBottom: {
        const int last = std::max(0, count - 1);
        SetTopLine(count - FVisibleLineCount + 1);
        // The end of the last line, tabs counted by their width.
        SetCaretXY({LineDisplayLength(last), last});
        SetLeftOffset(0);
        EnsureCaretVisible();
        break;
    }
    case ecGoto:
        if (data)
            SetCaretXY(*static_cast<TTextPoint *>(data));
        break;
    default: break;
    }
    if (!selecting) {
        SetBlockBegin(GetCaretXY());
    } else {
        if (!hadSelection)
            SetBlockBegin(anchor);
        SetBlockEnd(GetCaretXY());
    }
    UndoAddCaretMove(snap);
}

// ======================================================================= text commands

void TSyntaxEditCore::RightEdgeCheck()
{
    const int first = -FLeftOffset / FCharWidth;
    if (FCaretX > first + FVisibleColumns - 1) {
        const int columns = std::max(1, std::min(25, FVisibleColumns - 1));
        SetLeftOffset(FLeftOffset - columns * FCharWidth);
    }
}

void TSyntaxEditCore::TextCommand(TEditorCommand command, WideChar ch)
{
    if (HasOption(eoReadOnly))
        return;
    if (command == ecChar && ((ch < 32 && ch != u'\t') || ch == 127))
        return;
    if (command == ecChar && ch >= 0xD800 && ch < 0xE000) {
        // A character outside the basic plane arrives as two halves: the first waits for
        // the second and the pair is typed as one text; a half without its partner is
        // dropped, so typing never writes a broken pair.
        const WideChar high = FPendingHigh;
        FPendingHigh = ch < 0xDC00 ? ch : 0;
        if (ch >= 0xDC00 && high)
            TypeChar(WideString{high, ch}, SnapshotUndoState(true));
        return;
    }
    FPendingHigh = 0;
    const TUndoRecord snap = SnapshotUndoState(true);
    switch (command) {
    case ecDeleteLastChar: DeleteLastChar(snap); return;
    case ecDeleteChar:
        DeleteNextChar(snap);
        DoChange();
        return;
    case ecDeleteWord:
    case ecDeleteLastWord: {
        TTextPoint target;
        if (command == ecDeleteWord)
            NextWordPos(target);
        else
            PrevWordPos(target);
        if (target == GetCaretXY())
            return;
        const TTextPoint caret = GetCaretXY();
        SetBlockBegin(MinPoint(caret, target));
        SetBlockEnd(MaxPoint(caret, target));
        const TUndoRecord range = SnapshotUndoState(true);
        DeleteSelection(true);
        SetBlockBegin(GetCaretXY());
        AddUndo(ukDelete, range, range.BeforeText, WideString(), GetCaretXY(), GetCaretXY(), GetCaretXY());
        DoChange();
        return;
    }
    case ecDeleteBOL:
    case ecDeleteEOL: {
        if (LineCount() > 0 && FCaretY < LineCount()) {
            const TTextPoint caret = GetCaretXY();
            const TTextPoint other = command == ecDeleteBOL
                                         ? TTextPoint{0, FCaretY}
                                         : TTextPoint{std::max(FCaretX, LineDisplayLength(FCaretY)), FCaretY};
            SetBlockBegin(MinPoint(caret, other));
            SetBlockEnd(MaxPoint(caret, other));
            const TUndoRecord range = SnapshotUndoState(true);
            if (SelAvail() && !range.BeforeText.empty()) {
                DeleteSelection(true);
                SetBlockBegin(GetCaretXY());
                AddUndo(ukDelete, range, range.BeforeText, WideString(), GetCaretXY(), GetCaretXY(), GetCaretXY());
            } else {
                SetBlockBegin(caret);
                SetCaretXY(caret);
            }
        }
        DoChange();
        return;
    }
    case ecDeleteLine: {
        if (FCaretY < LineCount()) {
            const WideString text = FLines->Get(FCaretY) + u"\r\n";
            const int line = FCaretY;
            const bool onlyLine = LineCount() == 1;
            SetCaretX(0);
            SetBlockBegin(GetCaretXY());
            DeleteLineAt(line);
            if (LineCount() == 0) {
                FCaretX = FCaretY = 0;
            } else if (FCaretY >= LineCount()) {
                SetCaretY(LineCount() - 1);
            }
            SetBlockBegin(GetCaretXY());
            TUndoRecord r = snap;
            // The flag marks the deletion of the only line, which leaves one empty line: undo
            // fills that line instead of adding one more.
            r.Flag = onlyLine;
            AddUndo(ukLineDelete, r, text, WideString(), GetCaretXY(), GetCaretXY(), GetCaretXY());
        }
        DoChange();
        return;
    }
    case ecClearAll:
        ClearAll(true, true);
        DoChange();
        return;
    case ecLineBreak:
    case ecInsertLine:
        LineBreak(command == ecInsertLine, snap);
        DoChange();
        return;
    case ecChar: TypeChar(WideString(1, ch), snap); return;
    default: return;
    }
}

void TSyntaxEditCore::DeleteLastChar(const TUndoRecord &snap)
{
    if (SelAvail()) {
        DeleteSelection(true);
        SetBlockBegin(GetCaretXY());
        AddUndo(ukBackspace, snap, snap.BeforeText, WideString(), GetCaretXY(), GetCaretXY(), GetCaretXY());
    } else {
        const TWideLine line = CaretLine(); // valid until the lines change below
        const int y = FCaretY;
        const int i = ColumnToCharIndex(FCaretX, y);
        const int n = static_cast<int>(line.size());
        WideString removed;
        if (i > n) {
            // Past the line end the caret only steps back.
            SetCaretX(CharIndexToColumn(i - 1, y));
            SetBlockBegin(GetCaretXY());
            UndoAddCaretMove(snap);
            FWantedColumn = FCaretX;
            return;
        }
        if (i == 0 && FCaretX > 0) {
            // The caret stands inside a leading tab: the tab goes.
            removed = line.substr(0, 1);
            FLines->Put(y, line.substr(1));
            SetCaretX(0);
        } else if (i == 0 && FCaretY > 0) {
            const WideString joined = FLines->Get(y - 1) + line;
            const int joint = static_cast<int>(joined.size() - line.size());
            FLines->Delete(y);
            for (TBookmark &b : FBookmarks)
                if (b.Y >= y)
                    --b.Y;
            PutEdited(y - 1, joined, joint);
            FCaretY = y - 1; // the caret's old line is gone: nothing to trim there
            SetCaretXY({CaretColumnAt(joint, y - 1), y - 1});
            InvalidateFromLine(FCaretY);
            removed = u"\r\n";
        } else if (i == 0) {
            DoChange();
            return;
        } else {
            bool onlyWhite = true;
            for (int k = 0; k < i && onlyWhite; ++k)
                onlyWhite = IsWhite(line[static_cast<size_t>(k)]);
            if (HasOption(eoAutoUnindent) && onlyWhite) {
                const int column = UnindentColumn(FCaretX, y);
                const int from = std::min(ColumnToCharIndex(column, y), i);
                removed = line.substr(static_cast<size_t>(from), static_cast<size_t>(i - from));
                FLines->Put(y, line.substr(0, static_cast<size_t>(from)) + line.substr(static_cast<size_t>(i)));
                SetCaretX(CharIndexToColumn(from, y));
            } else {
                // The character before the caret, or the tab the caret stands in.
                // A surrogate pair goes whole.
                int at = FCaretX == CharIndexToColumn(i, y) ? i - 1 : i;
                size_t width = 1;
                if (TColumnMap::IsPairTail(line, static_cast<size_t>(at))) {
                    --at;
                    width = 2;
                }
                const int column = CharIndexToColumn(at, y);
                removed = line.substr(static_cast<size_t>(at), width);
                ReplaceInLine(y, at, static_cast<int>(width), WideString());
                SetCaretX(column);
            }
        }
        SetBlockBegin(GetCaretXY());
        AddUndo(ukBackspace, snap, removed, WideString(), GetCaretXY(), GetCaretXY(), GetCaretXY());
    }
    if (FCaretX <= -FLeftOffset / FCharWidth)
        SetLeftOffset(FLeftOffset + 25 * FCharWidth);
    FWantedColumn = FCaretX;
    DoChange();
}

void TSyntaxEditCore::DeleteNextChar(const TUndoRecord &snap)
{
    if (SelAvail()) {
        DeleteSelection(true);
        SetBlockBegin(GetCaretXY());
        AddUndo(ukDelete, snap, snap.BeforeText, WideString(), GetCaretXY(), GetCaretXY(), GetCaretXY());
        return;
    }
    if (LineCount() == 0)
        return;
    const int y = FCaretY;
    const int i = ColumnToCharIndex(FCaretX, y);
    const int n = static_cast<int>(FLines->Get(y).size());
    if (i < n) {
        const TWideLine current = FLines->Get(y); // read before the line is replaced
        const size_t width = TColumnMap::IsPairTail(current, static_cast<size_t>(i) + 1) ? 2 : 1;
        const WideString removed = current.substr(static_cast<size_t>(i), width);
        ReplaceInLine(y, i, static_cast<int>(width), WideString());
        SetCaretX(CaretColumnAt(i, y));
        SetBlockBegin(GetCaretXY());
        AddUndo(ukDelete, snap, removed, WideString(), GetCaretXY(), GetCaretXY(), GetCaretXY());
    } else if (y + 1 < LineCount()) {
        WideString line = FLines->Get(y);
        const int pad = FCaretX - LineDisplayLength(y);
        if (pad > 0) {
            NotePadding(y, n, pad);
            line.append(static_cast<size_t>(pad), u' ');
        }
        const int joint = static_cast<int>(line.size());
        line += FLines->Get(y + 1);
        FLines->Delete(y + 1);
        PutEdited(y, line, joint);
        for (TBookmark &b : FBookmarks)
            if (b.Y > y)
                --b.Y;
        InvalidateFromLine(y);
        SetCaretX(CaretColumnAt(joint, y));
        SetBlockBegin(GetCaretXY());
        AddUndo(ukDelete, snap, u"\r\n", WideString(), GetCaretXY(), GetCaretXY(), GetCaretXY());
    }
}

void TSyntaxEditCore::LineBreak(bool insertLine, const TUndoRecord &snap)
{
    const int count = LineCount();
    if (!HasOption(eoInserting) && FCaretY < count - 1) {
        SetCaretXY({0, FCaretY + 1});
        SetBlockBegin(GetCaretXY());
        UndoAddCaretMove(snap);
        return;
    }
    if (SelAvail()) {
        const TTextPoint start = SelectionStartPoint();
        WideString before = snap.BeforeText;
        TTextPoint from = start;
        if (!HasOption(eoKeepTrailingBlanks) && start.Y < count) {
            // The blanks before the selection go when the caret leaves the line, so the
            // record starts before them and restores them.
            const WideString &line = FLines->Get(start.Y);
            int k = std::min(ColumnToCharIndex(start.X, start.Y), static_cast<int>(line.size()));
            int j = k;
            while (j > 0 && IsWhite(line[static_cast<size_t>(j - 1)]))
                --j;
            if (j < k) {
                before = line.substr(static_cast<size_t>(j), static_cast<size_t>(k - j)) + before;
                from = {CharIndexToColumn(j, start.Y), start.Y};
            }
        }
        const int fromIndex = ColumnToCharIndex(from.X, from.Y);
        ReplaceSelection(u"\r\n");
        if (from.Y < LineCount())
            FEditAtFirst = {fromIndex, from.Y}; // the record's text starts with those blanks
        const TTextPoint after = GetCaretXY();
        if (insertLine)
            SetCaretXY(start);
        SetBlockBegin(GetCaretXY());
        AddUndo(ukReplace, snap, before, u"\r\n", GetCaretXY(), from, after);
        return;
    }
    WideString line = GetLineText();
    const int y = FCaretY;
    const TTextPoint caret = GetCaretXY();
    const int i = ColumnToCharIndex(FCaretX, y);
    const size_t cut = std::min(static_cast<size_t>(i), line.size());
    const WideString head = line.substr(0, cut);
    const WideString tail = line.substr(cut);
    // Past the line end the break goes after the last character, not into virtual space.
    const TTextPoint breakAt{CharIndexToColumn(static_cast<int>(cut), y), y};
    FLines->BeginSilent();
    int indent = 0;
    {
        TScopeGuard onError([&] { FLines->EndSilent(); });
        FLines->Put(y, head);
        indent = HasOption(eoAutoIndent) ? SmartTabColumn(0, y + 1, false) : 0;
        FLines->Insert(y + 1, WideString(static_cast<size_t>(indent), u' ') + tail);
        onError.Dismiss();
    }
    FLines->EndSilent();
    InvalidateFromLine(y);
    UpdateScrollBars();
    if (HighlighterActive())
        ResetRangesFrom(y);
    bool moved = false;
    for (TBookmark &b : FBookmarks)
        if (b.Y >= y) {
            ++b.Y;
            moved = true;
        }
    if (moved)
        InvalidateFromLine(y);
    const TTextPoint to{indent, y + 1};
    if (!insertLine)
        SetCaretXY(to);
    SetBlockBegin(GetCaretXY());
    TUndoRecord r = snap;
    r.CaretBefore = caret;
    AddUndo(ukInsert, r, WideString(), u"\r\n" + WideString(static_cast<size_t>(indent), u' '), GetCaretXY(), breakAt,
            to);
}

void TSyntaxEditCore::TypeChar(const WideString &ch, const TUndoRecord &snap)
{
    const bool tab = ch == u"\t";
    if (SelAvail()) {
        const TTextPoint start = SelectionStartPoint();
        if (tab && HasOption(eoSmartTabs)) {
            // The selection stays; blanks up to the smart tab column go in at the caret.
            const int target = SmartTabColumn(FCaretX, FCaretY, true);
            const int width = target - FCaretX;
            if (width <= 0)
                return;
            WideString line = GetLineText();
            const int k = ColumnToCharIndex(FCaretX, FCaretY);
            const int length = static_cast<int>(line.size());
            const TTextPoint from{CharIndexToColumn(std::min(k, length), FCaretY), FCaretY};
            WideString blanks(static_cast<size_t>(width), u' ');
            if (length < k) {
                line.append(static_cast<size_t>(k - length), u' ');
                blanks.insert(0, static_cast<size_t>(k - length), u' ');
            }
            line.insert(static_cast<size_t>(k), WideString(static_cast<size_t>(width), u' '));
            TTextPoint b = MinPoint(FBlockBegin, FBlockEnd), e = MaxPoint(FBlockBegin, FBlockEnd);
            if (b.Y == FCaretY && b.X >= FCaretX) {
                b.X += width;
                if (e.Y == FCaretY)
                    e.X += width;
            } else if (e.Y == FCaretY && e.X <= FCaretX) {
                e.X = target;
            }
            FLines->Put(FCaretY, line);
            SetCaretX(target);
            // Through the setter: the moved selection stays within the columns a selection may
            // reach, as it will when undo and redo restore it.
            SetBlockExact(b, e);
            InvalidateLine(FCaretY);
            // Recorded as the insertion it is, so that undo takes exactly the blanks out.
            const TTextPoint to{CharIndexToColumn(std::min(k, length) + static_cast<int>(blanks.size()), FCaretY),
                                FCaretY};
            AddUndo(ukInsert, snap, WideString(), blanks, GetCaretXY(), from, to);
            DoChange();
            return;
        }
        const WideString text = (tab && !HasOption(eoUseTabs)) ? WideString(static_cast<size_t>(FTabSize), u' ') : ch;
        ReplaceSelection(text);
        const TTextPoint end = GetCaretXY();
        SetCaretXY({NextColumn(start.X, start.Y, true), start.Y});
        SetBlockBegin(GetCaretXY());
        AddUndo(ukReplace, snap, snap.BeforeText, text, GetCaretXY(), start, end);
        RightEdgeCheck();
        DoChange();
        return;
    }

    const int lineLength = static_cast<int>(CaretLine().size());
    const int y = FCaretY;
    const int length = LineDisplayLength(y);
    // Past the line end the line is padded up to the caret; the blanks belong to the
    // typed text, so undo takes them out again.
    WideString pad;
    if (FCaretX > length)
        pad = WideString(static_cast<size_t>(FCaretX - length), u' ');
    TOptionScope scope(FOptions, eoScrollPastEOL);
    if (HasOption(eoInserting)) {
        const int k = ColumnToCharIndex(FCaretX, y);
        // The inserted text starts at the character index k (before a tab the caret stands in).
        const int fromColumn = pad.empty() ? CharIndexToColumn(k, y) : length;
        const int fromIndex = pad.empty() ? k : k - static_cast<int>(pad.size());
        WideString inserted;
        int newColumn = FCaretX;
        if (tab && HasOption(eoUseTabs)) {
            inserted = u"\t";
        } else if (tab) {
            const int target = HasOption(eoSmartTabs) ? SmartTabColumn(FCaretX, y, true) : FCaretX + FTabSize;
            if (target > FCaretX) {
                inserted = WideString(static_cast<size_t>(target - FCaretX), u' ');
                newColumn = target;
            }
        } else {
            // Inside a tab the character goes before the tab, after blanks up to the caret.
            inserted = WideString(static_cast<size_t>(std::max(0, FCaretX - CharIndexToColumn(k, y))), u' ') + ch;
        }
        if (inserted.empty())
            return;
        inserted = pad + inserted;
        // Padded, the text goes at the end of the line.
        ReplaceInLine(y, pad.empty() ? k : lineLength, 0, inserted);
        const TTextPoint to{CharIndexToColumn(fromIndex + static_cast<int>(inserted.size()), y), y};
        // The caret goes after what was put in: a character may take two cells, and a tab
        // reaches its tab stop.
        if (!tab || HasOption(eoUseTabs))
            newColumn = to.X;
        SetCaretX(newColumn);
        SetBlockBegin(GetCaretXY());
        AddUndo(ukInsert, snap, WideString(), inserted, GetCaretXY(), {fromColumn, y}, to);
        RightEdgeCheck();
        DoChange();
        return;
    }
    // Overwrite mode.
    WideString line = CaretLine() + pad;
    if (tab) {
        const int target = NextTabStop(FCaretX);
        const int shown = TColumnMap::DisplayLengthOf(line, FTabSize);
        if (target > shown && target > length) {
            // The line is filled up to the tab stop (recorded with the blanks put in above).
            NotePadding(y, static_cast<int>(line.size() - pad.size()), target - length);
            line.append(static_cast<size_t>(target - shown), u' ');
            FLines->Put(y, line);
        }
        SetCaretX(target);
        SetBlockBegin(GetCaretXY());
        UndoAddCaretMove(snap);
        return;
    }
    TUndoRecord r = snap;
    WideString old;
    WideString typed = ch;
    // Where the typed text begins: told with the line, since the old and new line may share
    // more than the text before it (a pair typed over the lone first half of one).
    int at = lineLength;
    if (!pad.empty()) {
        // Past the end: the blanks and the character are appended.
        r.CaretBefore = {length, y};
        typed = pad + typed;
        line += ch;
    } else if (line.empty()) {
        line = typed;
        r.CaretBefore = {0, y};
        at = 0;
    } else {
        const int k = ColumnToCharIndex(FCaretX, y);
        r.CaretBefore = {CharIndexToColumn(k, y), y};
        at = std::min(k, static_cast<int>(line.size()));
        if (k >= static_cast<int>(line.size())) {
            // At the end the character is appended, whatever the line's length.
            line += ch;
        } else {
            // A surrogate pair is overwritten whole.
            const size_t width = TColumnMap::IsPairTail(line, static_cast<size_t>(k) + 1) ? 2 : 1;
            old = line.substr(static_cast<size_t>(k), width);
            line.replace(static_cast<size_t>(k), width, ch);
        }
    }
    PutEdited(y, line, at);
    SetCaretX(TColumnMap::DisplayLengthOf(
        line.substr(0, static_cast<size_t>(ColumnToCharIndex(r.CaretBefore.X, y)) + typed.size()), FTabSize));
    SetBlockBegin(GetCaretXY());
    AddUndo(ukOverwrite, r, old, typed, GetCaretXY(), GetCaretXY(), GetCaretXY());
    RightEdgeCheck();
    DoChange();
}
