// Operations on whole lines and on the text as a whole: clipboard, line comments, block
// indent and unindent, and loading and saving files while holding them open.
#include "editor/SyntaxEditCore.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditorStrings.h"
#include "text/UnicodeData.h"
#include "text/WideStrUtils.h"
#include "platform/Classes.h"
#include "platform/QtConvert.h"
#include <algorithm>

namespace {
// Runs a function between BeginUpdate and EndUpdate, closing the bracket on every way out.
template <class F>
void InUpdate(TSyntaxEditCore &e, F &&f)
{
    e.BeginUpdate();
    {
        TScopeGuard onError([&] { e.EndUpdate(); });
        f();
        onError.Dismiss();
    }
    e.EndUpdate();
}

// Width in display columns and length in characters of a line's leading blanks and tabs.
void LeadingIndent(const WideString &text, int tabSize, int &width, size_t &length)
{
    width = 0;
    length = 0;
    while (length < text.size() && (text[length] == u' ' || text[length] == u'\t')) {
        width += text[length] == u'\t' ? tabSize - width % tabSize : 1;
        ++length;
    }
}
} // namespace

// ======================================================================= clipboard

void TSyntaxEditCore::CopyToClipboard()
{
    if (SelAvail())
        SetClipboardText(GetSelText());
}

void TSyntaxEditCore::CutToClipboard()
{
    TEditScope edit(*this);
    if (!SelAvail())
        return;
    const TUndoRecord snap = SnapshotUndoState(true);
    CopyToClipboard();
    ReplaceSelection(WideString());
    AddSnapshot(ukDelete, snap.BeforeText, false, snap);
}

void TSyntaxEditCore::PasteFromClipboard()
{
    TEditScope edit(*this);
    if (!ClipboardHasText())
        return;
    if (!SelAvail())
        SetBlockBegin(GetCaretXY());
    const TUndoRecord snap = SnapshotUndoState(true);
    const TTextPoint start = SelectionStartPoint();
    const WideString text = ClipboardText();
    ReplaceSelection(text);
    AddUndo(ukReplace, snap, snap.BeforeText, text, GetCaretXY(), start, GetCaretXY());
}

// ======================================================================= line comments

namespace {
// The lines a line operation covers: from the selection's first line to its last, a last
// line only reached at column 0 excluded (the caret line when nothing is selected).
void CoveredLines(TTextPoint start, TTextPoint stop, int count, int &first, int &last)
{
    first = start.Y;
    last = (stop.X == 0 && stop.Y > start.Y) ? stop.Y - 1 : stop.Y;
    last = std::min(last, count - 1);
}
} // namespace

void TSyntaxEditCore::CommentSelectedLines()
{
    TEditScope edit(*this);
    InUpdate(*this, [&] {
        const TTextPoint start = MinPoint(FBlockBegin, FBlockEnd);
        const TTextPoint stop = MaxPoint(FBlockBegin, FBlockEnd);
        const TUndoRecord snap = SnapshotUndoState(false);
        int first, last;
        CoveredLines(start, stop, LineCount(), first, last);
        WideString before, after;
        for (int y = first; y <= last; ++y) {
            const WideString old = FLines->Get(y);
            const WideString now = u"//" + old;
            FLines->Put(y, now);
            before += old + u"\r\n";
            after += now + u"\r\n";
        }
        TUndoRecord r = snap;
        r.BlockBeginBefore = start;
        r.BlockEndBefore = stop;
        AddUndo(ukComment, r, before, after, GetCaretXY(), FBlockBegin, FBlockEnd);
    });
}

void TSyntaxEditCore::UncommentSelectedLines()
{
    TEditScope edit(*this);
    InUpdate(*this, [&] {
        const TTextPoint start = MinPoint(FBlockBegin, FBlockEnd);
        const TTextPoint stop = MaxPoint(FBlockBegin, FBlockEnd);
        const TUndoRecord snap = SnapshotUndoState(false);
        int first, last;
        CoveredLines(start, stop, LineCount(), first, last);
        WideString before, after;
        bool changed = false;
        for (int y = first; y <= last; ++y) {
            const WideString old = FLines->Get(y);
            WideString now = old;
            size_t i = 0;
            while (i < now.size() && (now[i] == u' ' || now[i] == u'\t'))
                ++i;
            if (now.compare(i, 2, u"//") == 0) {
                now.erase(i, 2);
                FLines->Put(y, now);
                changed = true;
            }
            before += old + u"\r\n";
            after += now + u"\r\n";
        }
        if (!changed)
            return;
        TUndoRecord r = snap;
        r.BlockBeginBefore = start;
        r.BlockEndBefore = stop;
        AddUndo(ukComment, r, before, after, GetCaretXY(), FBlockBegin, FBlockEnd);
    });
}

// ======================================================================= block indent

int TSyntaxEditCore::LeadingBlankCount(const WideString &text) const
{
    int n = 0;
    while (static_cast<size_t>(n) < text.size() && UnicodeIsWhiteSpace(text[static_cast<size_t>(n)]))
        ++n;
    return n;
}

void TSyntaxEditCore::ExpandLeadingTabs(WideString &text) const
{
    // Each tab becomes the blanks up to its tab stop, so the line looks the same.
    int width;
    size_t length;
    LeadingIndent(text, FTabSize, width, length);
    text = WideString(static_cast<size_t>(width), u' ') + text.substr(length);
}

namespace {
void ShiftBlock(TSyntaxEditCore &e, bool indent)
{
    if (!e.SelAvail())
        return;
    e.BeginUpdate();
    {
        TScopeGuard onError([&] { e.EndUpdate(); });
        const TTextPoint bb = e.BlockBegin(), be = e.BlockEnd();
        const bool beginFirst = !PointLess(be, bb);
        TTextPoint first = MinPoint(bb, be), last = MaxPoint(bb, be);
        const TUndoRecord snap = e.SnapshotUndoState(false);
        int lastLine = (last.X == 0 && last.Y > first.Y) ? last.Y - 1 : last.Y;
        lastLine = std::min(lastLine, e.LineCount() - 1);
        WideString before, after;
        TTextPoint caret = e.GetCaretXY();
        int firstShift = 0, lastShift = 0;
        for (int y = first.Y; y <= lastLine; ++y) {
            const WideString old = e.Lines().Get(y);
            int oldWidth;
            size_t oldLength;
            LeadingIndent(old, e.TabSize(), oldWidth, oldLength);
            // Only the leading blanks and tabs change; every other character stays.
            const int newWidth = indent ? oldWidth + e.IndentSize() : std::max(0, oldWidth - e.IndentSize());
            const WideString now = WideString(static_cast<size_t>(newWidth), u' ') + old.substr(oldLength);
            const int oldDisplay = e.DisplayLengthOf(old);
            e.Lines().Put(y, now);
            before += old + u"\r\n";
            after += now + u"\r\n";
            const int shift = newWidth - oldWidth;
            if (y == first.Y)
                firstShift = shift;
            if (y == last.Y)
                lastShift = shift;
            if (y == caret.Y) {
                if (caret.X >= oldDisplay)
                    caret.X = e.DisplayLengthOf(now);
                else if (caret.X <= oldWidth)
                    caret.X = newWidth;
                else
                    caret.X += shift;
            }
        }
        auto clampToLine = [&](TTextPoint &p, int shift) {
            if (p.Y >= e.LineCount())
                return;
            const WideString &text = e.Lines().Get(p.Y);
            int width;
            size_t length;
            LeadingIndent(text, e.TabSize(), width, length);
            p.X = std::clamp(p.X + shift, width, std::max(width, e.DisplayLengthOf(text)));
        };
        clampToLine(first, firstShift);
        if (last.X > 0)
            clampToLine(last, lastShift);
        e.SetCaretXY(caret);
        e.SetBlockBegin(beginFirst ? first : last);
        e.SetBlockEnd(beginFirst ? last : first);
        e.AddUndo(ukIndent, snap, before, after, e.GetCaretXY(), e.BlockBegin(), e.BlockEnd());
        onError.Dismiss();
    }
    e.EndUpdate();
}
} // namespace

void TSyntaxEditCore::BlockIndent()
{
    TEditScope edit(*this);
    ShiftBlock(*this, true);
}

void TSyntaxEditCore::BlockUnindent()
{
    TEditScope edit(*this);
    ShiftBlock(*this, false);
}

// ======================================================================= files

bool TSyntaxEditCore::LoadFromFile(const WideString &fileName, uint16_t shareMode)
{
    const AnsiString path = ToLocalPath(ToQString(fileName));
    FShareMode = shareMode;
    FFileHandle.reset();
    bool result;
    if (shareMode == fmShareDenyWrite) {
        result = FLines->LoadFromFile(path, FFileHandle, fmOpenReadWrite | fmShareDenyWrite);
        if (!result) {
            // Someone else holds the file: show its text without holding it.
            FFileHandle.reset();
            if (FLines->LoadFromFile(path, FFileHandle, fmShareDenyNone)) {
                FFileName = fileName;
                SetModified(false);
            }
            return false;
        }
    } else {
        result = FLines->LoadFromFile(path, FFileHandle, shareMode);
    }
    if (result) {
        FFileName = fileName;
        SetModified(false); // the text is the file's
    }
    return result;
}

bool TSyntaxEditCore::SaveToFile(const WideString &fileName)
{
    const AnsiString path = ToLocalPath(ToQString(fileName));
    const bool held = FFileHandle != nullptr;
    FFileHandle.reset();
    FLines->SaveToFile(path);
    if (FLines->Saved())
        FFileName = fileName;
    if (held) {
        try {
            FFileHandle = std::make_unique<TFileStream>(path, FShareMode);
        } catch (const EFOpenError &) {
            return false;
        }
    }
    return true;
}
