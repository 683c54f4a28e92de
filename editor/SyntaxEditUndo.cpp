// Recording of undo records and their replay, backward (Undo) and forward (Redo).
#include "editor/SyntaxEditCore.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditorStrings.h"
#include "editor/TextLines.h"
#include "text/WideStrUtils.h"
#include <algorithm>

namespace {
// Replay works on exact positions, also in virtual space past a line's end.
struct TReplayScope {
    TSyntaxEditOptions &Options;
    TSyntaxEditOptions Old;
    explicit TReplayScope(TSyntaxEditOptions &options) : Options(options), Old(options) { Options |= eoScrollPastEOL; }
    ~TReplayScope() { Options = Old; }
};

struct TFlagGuardUndo {
    bool &Flag;
    bool Old;
    explicit TFlagGuardUndo(bool &flag) : Flag(flag), Old(flag) { Flag = true; }
    ~TFlagGuardUndo() { Flag = Old; }
};
} // namespace

TUndoRecord TSyntaxEditCore::SnapshotUndoState(bool withText) const
{
    TUndoRecord r;
    if (withText)
        r.BeforeText = GetSelText();
    r.CaretBefore = GetCaretXY();
    r.BlockBeginBefore = FBlockBegin;
    r.BlockEndBefore = FBlockEnd;
    FEditAtFirst = FEditAtLast = {-1, -1};
    return r;
}

void TSyntaxEditCore::AddSnapshot(TUndoKind kind, const WideString &beforeText, bool flag, const TUndoRecord &before)
{
    TUndoRecord r = before;
    r.Kind = kind;
    r.BeforeText = beforeText;
    r.Flag = flag;
    r.AfterText = GetSelText();
    r.CaretAfter = GetCaretXY();
    r.BlockBeginAfter = FBlockBegin;
    r.BlockEndAfter = FBlockEnd;
    r.EditAt = FEditAtFirst;
    r.EditAtLast = FEditAtLast;
    FEditAtFirst = FEditAtLast = {-1, -1};
    FUndoList.Add(r);
}

void TSyntaxEditCore::AddUndo(TUndoKind kind, const TUndoRecord &before, const WideString &beforeText,
                              const WideString &afterText, TTextPoint caretAfter, TTextPoint blockBeginAfter,
                              TTextPoint blockEndAfter)
{
    TUndoRecord r = before;
    r.Kind = kind;
    r.BeforeText = beforeText;
    r.AfterText = afterText;
    r.CaretAfter = caretAfter;
    r.BlockBeginAfter = blockBeginAfter;
    r.BlockEndAfter = blockEndAfter;
    r.EditAt = FEditAtFirst;
    r.EditAtLast = FEditAtLast;
    FEditAtFirst = FEditAtLast = {-1, -1};
    FUndoList.Add(r);
}

void TSyntaxEditCore::UndoAddCaretMoveFrom(const TUndoRecord &snapshot)
{
    if (snapshot.CaretBefore == GetCaretXY() && snapshot.BlockBeginBefore == FBlockBegin &&
        snapshot.BlockEndBefore == FBlockEnd)
        return;
    AddUndo(ukCaret, snapshot, WideString(), WideString(), GetCaretXY(), FBlockBegin, FBlockEnd);
}

void TSyntaxEditCore::ClearUndo()
{
    FUndoList.Clear();
}

// ----------------------------------------------------------------------- replay helpers

struct TReplayHelpers {
    TSyntaxEditCore &E;

    // Where the text of a record starts and where `text` put there ends, as character indexes.
    static TTextPoint IndexEnd(TTextPoint at, const WideString &text)
    {
        int lines = 0, last = 0;
        TextLines::Extent(text, lines, last);
        return lines == 0 ? TTextPoint{at.X + last, at.Y} : TTextPoint{last, at.Y + lines};
    }
    // The next deletion starts at the character index `at` (and, with `removed`, ends where that
    // text ends), the next insertion goes there: wherever the column converted is at's column.
    // So text goes back between the halves of a pair that the recorded edit joined.
    struct TExact {
        TSyntaxEditCore &E;
        TExact(TSyntaxEditCore &e, TTextPoint at, const WideString *removed) : E(e)
        {
            E.FExactStart = at;
            E.FExactEnd = removed && at.Y >= 0 ? IndexEnd(at, *removed) : TTextPoint{-1, -1};
        }
        ~TExact() { E.FExactStart = E.FExactEnd = {-1, -1}; }
    };
    // Selects from a over `text` (the text that stands there): by `at` when it is a's place, as a
    // deletion from a would take it (after a first half, a's column may be the pair's).
    void SelectOver(TTextPoint a, TTextPoint at, const WideString &text)
    {
        if (at.Y == a.Y && at.X >= 0 && a.Y < E.LineCount() && E.ExactIndexOf(a, at) == at.X) {
            const TTextPoint end = IndexEnd(at, text);
            Select(a, {end.Y < E.LineCount() ? E.CharIndexToColumn(end.X, end.Y) : end.X, end.Y});
        } else {
            Select(a, EndOf(a, text));
        }
    }

    // Both ends exactly as recorded: either may lie on the line past the last one.
    void Select(TTextPoint a, TTextPoint b) { E.SetBlockExact(a, b); }
    void RestoreBlock(TTextPoint a, TTextPoint b) { E.SetBlockExact(a, b); }
    void Collapse() { E.SetBlockBegin(E.GetCaretXY()); }
    // The point where a text inserted at p ends.
    TTextPoint EndOf(TTextPoint p, const WideString &text)
    {
        int lines = 0, last = 0;
        TextLines::Extent(text, lines, last);
        if (lines == 0)
            return {E.CharIndexToColumn(E.ColumnToCharIndex(p.X, p.Y) + last, p.Y), p.Y};
        return {E.CharIndexToColumn(last, p.Y + lines), p.Y + lines};
    }
    // Inserts text at p exactly. A point on the line just past the last one (a deleted last
    // line coming back) starts a new last line; the line break that ended the text then is
    // the break before it.
    void InsertAt(TTextPoint p, const WideString &text, TTextPoint at)
    {
        const TExact exact(E, at, nullptr);
        const int count = E.LineCount();
        WideString t = text;
        if (count > 0 && p.Y >= count) {
            if (t.size() >= 2 && t.compare(t.size() - 2, 2, u"\r\n") == 0)
                t.resize(t.size() - 2);
            E.Lines().Add(WideString());
            p = {0, count};
        }
        E.SetCaretXY(p);
        E.SetBlockBegin(E.GetCaretXY());
        E.InsertText(t);
    }
    // Deletes from a to b, the place of `text` (starting at `at`).
    void DeleteRange(TTextPoint a, TTextPoint b, TTextPoint at, const WideString &text)
    {
        const TExact exact(E, at, &text);
        Select(a, b);
        if (E.SelAvail() || E.ReplayRemovesText())
            E.DeleteSelection(true);
    }
    // Replaces the selection, the place of `removed` (starting at `at`), by text.
    void ReplaceAt(TTextPoint at, const WideString &removed, const WideString &text)
    {
        const TExact exact(E, at, &removed);
        E.ReplaceSelection(text);
    }
    // Writes the lines of text over the lines from first on.
    void PutLines(int first, const WideString &text)
    {
        std::vector<WideString> lines = TextLines::SplitLines(text);
        for (size_t i = 0; i < lines.size(); ++i) {
            const int y = first + static_cast<int>(i);
            if (y >= 0 && y < E.LineCount())
                E.Lines().Put(y, lines[i]);
        }
    }
};

void TSyntaxEditCore::DeleteLineAt(int line)
{
    if (line < 0 || line >= LineCount())
        return;
    if (LineCount() == 1) {
        // The only line is emptied, not removed: an empty text keeps its one line, so
        // replaying later records finds the text as it was.
        FLines->Put(0, WideString());
        InvalidateFromLine(0);
        return;
    }
    FLines->Delete(line);
    for (TBookmark &b : FBookmarks)
        if (b.Y >= line && b.Y > 0)
            --b.Y;
    InvalidateFromLine(line);
}

void TSyntaxEditCore::ReplayBlanks(const TUndoRecord &r, bool forward)
{
    if (r.BlanksAt.Y < 0 || r.BlanksAt.Y >= LineCount())
        return;
    // Trimmed blanks come back on undo; filling blanks come back on redo.
    const bool insert = (r.Blanks == bcTrimmed) != forward;
    const WideString &blanks = r.Blanks == bcTrimmed ? r.BeforeText : r.AfterText;
    WideString text = FLines->Get(r.BlanksAt.Y);
    const size_t at = std::min(text.size(), static_cast<size_t>(std::max(0, r.BlanksAt.X)));
    if (insert)
        text.insert(at, blanks);
    else
        text.erase(at, std::min(blanks.size(), text.size() - at));
    FLines->Put(r.BlanksAt.Y, text);
}

void TSyntaxEditCore::UndoRecordBackward(const TUndoRecord &r)
{
    TReplayHelpers h{*this};
    if (r.Blanks != bcNone) {
        ReplayBlanks(r, false);
        return;
    }
    switch (r.Kind) {
    case ukInsert:
        h.DeleteRange(r.BlockBeginAfter, r.BlockEndAfter, r.EditAt, r.AfterText);
        SetCaretXY(r.CaretBefore);
        h.RestoreBlock(r.BlockBeginBefore, r.BlockEndBefore);
        break;
    case ukDelete:
    case ukBackspace:
    case ukLineDelete: {
        // A deletion leaves the caret where the text was taken out; a line deletion took
        // out the whole caret line.
        const TTextPoint at = r.Kind == ukLineDelete ? TTextPoint{0, r.CaretBefore.Y} : r.CaretAfter;
        // Clearing all text leaves no line at all; the text it took (even an empty line)
        // comes back into one line.
        if (LineCount() == 0 && r.Kind != ukLineDelete)
            FLines->Add(WideString());
        if (r.Kind == ukLineDelete && r.Flag && LineCount() <= 1 && WideTrimRight(LineText(0)).empty()) {
            // The only line was deleted: it comes back as the only line.
            WideString text = r.BeforeText;
            if (text.size() >= 2 && text.compare(text.size() - 2, 2, u"\r\n") == 0)
                text.resize(text.size() - 2);
            if (LineCount() == 0)
                FLines->Add(text);
            else
                FLines->Put(0, text);
        } else {
            TFlagGuardUndo guard(FInUndoInsert);
            h.InsertAt(at, r.BeforeText, r.Kind == ukLineDelete ? TTextPoint{-1, -1} : r.EditAt);
        }
        h.RestoreBlock(r.BlockBeginBefore, r.BlockEndBefore);
        SetCaretXY(r.CaretBefore);
        if (r.Flag && r.Kind != ukLineDelete)
            h.Collapse();
        break;
    }
    case ukReplace:
        // An empty replacement left no selection: the old text goes back where the
        // replacement stood, wherever the caret went since.
        SetCaretXY(MinPoint(r.BlockBeginAfter, r.BlockEndAfter));
        h.Select(r.BlockBeginAfter, r.BlockEndAfter);
        h.ReplaceAt(r.EditAt, r.AfterText, r.BeforeText);
        SetCaretXY(r.CaretBefore);
        h.RestoreBlock(r.BlockBeginBefore, r.BlockEndBefore);
        break;
    case ukMove:
    case ukCopy:
        h.DeleteRange(r.BlockBeginAfter, r.BlockEndAfter, r.EditAtLast, r.AfterText);
        if (r.Kind == ukMove)
            h.InsertAt(MinPoint(r.BlockBeginBefore, r.BlockEndBefore), r.BeforeText, r.EditAt);
        SetCaretXY(r.CaretBefore);
        h.RestoreBlock(r.BlockBeginBefore, r.BlockEndBefore);
        break;
    case ukCaret:
        SetCaretXY(r.CaretBefore);
        h.RestoreBlock(r.BlockBeginBefore, r.BlockEndBefore);
        break;
    case ukOverwrite:
        // The typed text stands where the replaced text stood.
        SetCaretXY(r.CaretBefore);
        h.SelectOver(r.CaretBefore, r.EditAt, r.AfterText);
        h.ReplaceAt(r.EditAt, r.AfterText, r.BeforeText);
        SetCaretXY(r.CaretBefore);
        h.Collapse();
        break;
    case ukIndent:
    case ukComment: {
        bool old = FKeepBookmarks;
        FKeepBookmarks = true;
        h.PutLines(std::min(r.BlockBeginAfter.Y, r.BlockEndAfter.Y), r.BeforeText);
        FKeepBookmarks = old;
        SetCaretXY(r.CaretBefore);
        h.RestoreBlock(r.BlockBeginBefore, r.BlockEndBefore);
        break;
    }
    case ukNone: break;
    }
}

void TSyntaxEditCore::UndoRecordForward(const TUndoRecord &r)
{
    TReplayHelpers h{*this};
    if (r.Blanks != bcNone) {
        ReplayBlanks(r, true);
        return;
    }
    switch (r.Kind) {
    case ukInsert: {
        TFlagGuardUndo guard(FInRedoInsert);
        // The inserted text began at the record's after-block start.
        h.InsertAt(r.BlockBeginAfter, r.AfterText, r.EditAt);
        SetCaretXY(r.CaretAfter);
        h.Collapse();
        break;
    }
    case ukDelete:
    case ukBackspace: {
        const TTextPoint at = r.CaretAfter;
        h.SelectOver(at, r.EditAt, r.BeforeText);
        h.DeleteRange(at, BlockEnd(), r.EditAt, r.BeforeText);
        SetCaretXY(r.CaretAfter);
        h.Collapse();
        break;
    }
    case ukLineDelete:
        DeleteLineAt(r.CaretBefore.Y);
        SetCaretXY(r.CaretAfter);
        h.Collapse();
        break;
    case ukReplace:
        SetCaretXY(r.CaretBefore);
        h.RestoreBlock(r.BlockBeginBefore, r.BlockEndBefore);
        h.ReplaceAt(r.EditAt, r.BeforeText, r.AfterText);
        SetCaretXY(r.CaretAfter);
        h.Collapse();
        break;
    case ukMove:
    case ukCopy:
        if (r.Kind == ukMove)
            h.DeleteRange(r.BlockBeginBefore, r.BlockEndBefore, r.EditAt, r.BeforeText);
        h.InsertAt(MinPoint(r.BlockBeginAfter, r.BlockEndAfter), r.AfterText, r.EditAtLast);
        SetCaretXY(r.CaretAfter);
        h.RestoreBlock(r.BlockBeginAfter, r.BlockEndAfter);
        break;
    case ukCaret:
        h.RestoreBlock(r.BlockBeginAfter, r.BlockEndAfter);
        SetCaretXY(r.CaretAfter);
        break;
    case ukOverwrite:
        SetCaretXY(r.CaretBefore);
        h.SelectOver(r.CaretBefore, r.EditAt, r.BeforeText);
        h.ReplaceAt(r.EditAt, r.BeforeText, r.AfterText);
        SetCaretXY(r.CaretAfter);
        h.Collapse();
        break;
    case ukIndent:
    case ukComment: {
        bool old = FKeepBookmarks;
        FKeepBookmarks = true;
        h.PutLines(std::min(r.BlockBeginBefore.Y, r.BlockEndBefore.Y), r.AfterText);
        FKeepBookmarks = old;
        SetCaretXY(r.CaretAfter);
        h.RestoreBlock(r.BlockBeginAfter, r.BlockEndAfter);
        break;
    }
    case ukNone: break;
    }
}

void TSyntaxEditCore::Undo()
{
    if (FUndoList.CanUndo())
        Replay(false);
}

void TSyntaxEditCore::Redo()
{
    if (FUndoList.CanRedo())
        Replay(true);
}

void TSyntaxEditCore::Replay(bool Forward)
{
    BeginUpdate();
    FTrimLine = -1;
    {
        TScopeGuard onError([&] { EndUpdate(); });
        TReplayScope scope(FOptions);
        TFlagGuardUndo replaying(FInReplay);
        TUndoKind kind;
        // With grouped undo, a run of records of one kind goes in one step; a record joined
        // to the one before it always goes with that one.
        do {
            TUndoRecord *r = Forward ? FUndoList.NextRedo() : FUndoList.PopUndo();
            if (Forward) {
                while (r->JoinedNext && FUndoList.CanRedo()) {
                    UndoRecordForward(*r);
                    r = FUndoList.NextRedo();
                }
                UndoRecordForward(*r);
                while (FUndoList.RedoJoined())
                    UndoRecordForward(*FUndoList.NextRedo());
            } else {
                while (r->Joined && FUndoList.CanUndo()) {
                    UndoRecordBackward(*r);
                    r = FUndoList.PopUndo();
                }
                UndoRecordBackward(*r);
                while (FUndoList.UndoJoinedNext())
                    UndoRecordBackward(*FUndoList.PopUndo());
            }
            kind = r->Kind;
        } while (HasOption(eoGroupUndo) && (Forward ? FUndoList.CanRedo() && FUndoList.PeekRedoKind() == kind
                                                    : FUndoList.CanUndo() && FUndoList.PeekUndoKind() == kind));
        onError.Dismiss();
    }
    EndUpdate();
    if (FUndoList.DiffersFromSaved())
        FModified = true;
    else
        SetModified(false);
}
