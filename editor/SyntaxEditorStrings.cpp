#include "editor/SyntaxEditorStrings.h"
#include "platform/ScopeGuard.h"
#include "editor/SyntaxEditCore.h"
#include <algorithm>
#include <cstring>

namespace {
// The length of s without its trailing white space and control characters.
size_t LengthWithoutTrailingBlanks(std::u16string_view s)
{
    size_t n = s.size();
    while (n > 0 && (UnicodeIsWhiteSpace(s[n - 1]) || UnicodeIsControl(s[n - 1])))
        --n;
    return n;
}

WideString WithoutTrailingBlanks(const WideString &s)
{
    const size_t n = LengthWithoutTrailingBlanks(s);
    return n == s.size() ? s : s.substr(0, n);
}
} // namespace

int TSyntaxEditorStrings::Add(const WideString &S)
{
    const WideString text = FEditor->HasOption(eoKeepTrailingBlanks) ? S : WithoutTrailingBlanks(S);
    const int index = TWideStringList::Add(text);
    FModified = true;
    FEditor->LineInserted(index, text);
    return index;
}

void TSyntaxEditorStrings::AddLoadedLines(TLoadedText &Text)
{
    if (!FEditor->HasOption(eoKeepTrailingBlanks))
        for (TWideLineItem &line : Text.Lines) {
            line.Length = uint32_t(LengthWithoutTrailingBlanks({line.Text, line.Length}));
            Text.Block[size_t(line.Text - Text.Block.get()) + line.Length] = 0; // a line ends in a zero
        }
    const int first = GetCount();
    TWideStringList::AddLoadedLines(Text);
    if (GetCount() == first)
        return;
    FModified = true;
    for (int i = first; i < GetCount(); ++i)
        FEditor->LineInserted(i, Get(i));
}

void TSyntaxEditorStrings::Insert(int Index, const WideString &S)
{
    TWideStringList::Insert(Index, S);
    FModified = true;
    FEditor->LineInserted(Index, S);
}

void TSyntaxEditorStrings::InsertStrings(int Index, const std::vector<WideString> &Lines)
{
    TWideStringList::InsertStrings(Index, Lines);
    if (Lines.empty())
        return;
    FModified = true;
    FEditor->LinesInserted(Index, Lines);
}

void TSyntaxEditorStrings::DeleteRange(int Index, int Count)
{
    if (Count <= 0)
        return;
    if (Index < 0 || Index + Count > GetCount())
        ListError(Index < 0 ? Index : Index + Count - 1);
    std::vector<WideString> old;
    old.reserve(static_cast<size_t>(Count));
    for (int i = Index; i < Index + Count; ++i)
        old.push_back(Get(i));
    TWideStringList::DeleteRange(Index, Count);
    FModified = true;
    FEditor->LinesDeleted(Index, old);
}

void TSyntaxEditorStrings::Delete(int Index)
{
    const WideString old = Get(Index); // checks the index before anything changes
    TWideStringList::Delete(Index);
    FModified = true;
    FEditor->LineDeleted(Index, old);
}

void TSyntaxEditorStrings::Clear()
{
    if (GetCount() == 0)
        return;
    TWideStringList::Clear();
    FModified = true;
    FEditor->LinesCleared();
}

void TSyntaxEditorStrings::Put(int Index, const WideString &S)
{
    const TWideLine current = Get(Index); // gone with the old text once it is replaced
    if (current.size() == S.size() && std::memcmp(current.data(), S.data(), S.size() * sizeof(WideChar)) == 0)
        return;
    FEditor->LineChanging(Index, current, S);
    {
        // Should the line not change after all, the editor counts it again as it is.
        TScopeGuard onError([&] { FEditor->LinePut(Index, Get(Index)); });
        TWideStringList::Put(Index, S);
        onError.Dismiss();
    }
    FModified = true;
    FEditor->LinePut(Index, S);
}

void TSyntaxEditorStrings::SetTextStr(const WideString &Text)
{
    TWideStringList::SetTextStr(Text);
    FModified = true;
    FEditor->TextSet();
}

void TSyntaxEditorStrings::LoadFromStream(TStream &Stream)
{
    FEditor->ClearAll(false, false);
    TWideStringList::LoadFromStream(Stream);
    FEditor->TextSet(); // the load adds line by line; the editor starts over as for a new text
    FEditor->DropColumnMap();
    FEditor->ClearUndo();
}

void TSyntaxEditorStrings::SaveToStream(TStream &Stream)
{
    TWideStringList::SaveToStream(Stream);
    if (Saved() && !FSavingFile)
        TakeSavedState();
}

void TSyntaxEditorStrings::SaveToFile(const AnsiString &FileName)
{
    // The text is saved once the file holds it, not when its bytes are written: a save whose sync
    // or rename fails keeps the modified mark and the undo history.
    FSavingFile = true;
    {
        TScopeGuard done([this] { FSavingFile = false; });
        TWideStringList::SaveToFile(FileName);
    }
    if (Saved())
        TakeSavedState();
}

void TSyntaxEditorStrings::TakeSavedState()
{
    // A stream that is no save (text sent elsewhere, which may still fail) keeps both.
    if (!FClearModifiedOnSave)
        return;
    FModified = false;
    FEditor->SetModified(false);
    if (!FEditor->HasOption(eoUndoAfterSave))
        FEditor->ClearUndo();
}

void TSyntaxEditorStrings::SetRange(int Index, intptr_t value)
{
    BeginSilent();
    {
        TScopeGuard onError([&] { EndSilent(); });
        PutObject(Index, reinterpret_cast<TObject *>(value));
        onError.Dismiss();
    }
    EndSilent();
}

void TSyntaxEditorStrings::Changed()
{
    if (FSilent > 0)
        return;
    TWideStringList::Changed();
    if (UpdateCount() == 0)
        FEditor->LinesChanged();
}
