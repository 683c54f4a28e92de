#pragma once
// The editor's undo history: one record per change of text or caret, replayed backward by
// Undo and forward by Redo. The list also remembers which position in the history matches
// the text as last saved, so undoing or redoing can tell whether the text differs from it.
#include "editor/EditorTypes.h"
#include <memory>
#include <cstdint>
#include <deque>

enum TBlankChange : uint8_t { bcNone, bcTrimmed, bcPadded };

struct TUndoRecord {
    TUndoKind Kind = ukNone;
    WideString BeforeText;
    TTextPoint CaretBefore;
    TTextPoint BlockBeginBefore;
    TTextPoint BlockEndBefore;
    WideString AfterText;
    TTextPoint CaretAfter;
    TTextPoint BlockBeginAfter;
    TTextPoint BlockEndAfter;
    bool Flag = false; // undoing a deletion leaves no selection
    // Blanks the editor took out of a line or put into it on its own: trailing blanks of a
    // line the caret left (BeforeText), or blanks that filled the space up to a position past
    // a line's end (AfterText), at character index BlanksAt.X of line BlanksAt.Y. Replaying
    // such a record touches only that text.
    TBlankChange Blanks = bcNone;
    TTextPoint BlanksAt;
    // Undone and redone together with the record before it (the edit that left the line),
    // or with the record after it (the edit that needed the filling blanks).
    bool Joined = false;
    bool JoinedNext = false;
    // Where the change of text began, as a character index (X) of line Y, at its first and at
    // its last line change ((-1, -1): none seen). Columns cannot tell the place between the two
    // halves of a surrogate pair, which an edit makes when it joins halves that stood apart (or
    // parts them): replay puts the text at these indexes where the recorded column is theirs.
    TTextPoint EditAt{-1, -1};
    TTextPoint EditAtLast{-1, -1};
};

class TUndoList {
public:
    static constexpr int MaxCountLimit = 32767;
    // SavedIndex value when the saved state can no longer be reached.
    static constexpr int SavedUnreachable = -2;

    TUndoList() = default;

    int Count() const { return static_cast<int>(FItems.size()); }
    int Index() const { return FIndex; }
    int MaxCount() const { return FMaxCount; }
    void SetMaxCount(int n);

    // Appends a record, dropping the redo records and, when the list is full, the oldest one.
    void Add(const TUndoRecord &record);
    void Clear();

    TUndoRecord *PopUndo(); // the record to undo, Index moves back; nullptr when none
    TUndoRecord *NextRedo(); // the record to redo, Index moves on; nullptr when none
    // Kinds of the next records to undo and redo; a record joined to the one before it
    // answers with that one's kind.
    TUndoKind PeekUndoKind() const;
    TUndoKind PeekRedoKind() const;
    bool CanUndo() const { return FIndex >= 0; }
    bool CanRedo() const { return FIndex < Count() - 1; }
    const TUndoRecord &Item(int i) const { return *FItems.at(static_cast<size_t>(i)); }
    // Whether the next record to redo is joined to the one before it, and whether the next
    // record to undo is joined to the one after it.
    bool RedoJoined() const { return CanRedo() && FItems[static_cast<size_t>(FIndex) + 1]->Joined; }
    bool UndoJoinedNext() const { return CanUndo() && FItems[static_cast<size_t>(FIndex)]->JoinedNext; }
    // A record waiting for the record after it that never came stands alone.
    void UnchainLast()
    {
        if (!FItems.empty())
            FItems.back()->JoinedNext = false;
    }
    // Counts every Add, so a caller can tell whether an operation added a record.
    uint64_t AddCount() const { return FAddCount; }

    // The saved state is the one reached with Index == SavedIndex.
    void MarkSaved() { FSavedIndex = FIndex; }
    int SavedIndex() const { return FSavedIndex; }
    bool SavedStateReachable() const { return FSavedIndex != SavedUnreachable; }
    // True when the text at the current Index differs from the saved text: the saved
    // state is gone, or a record that changed text lies between the two positions.
    bool DiffersFromSaved() const;

private:
    void DeleteOldest();

    std::deque<std::unique_ptr<TUndoRecord>> FItems;
    int FIndex = -1;
    int FMaxCount = 10;
    int FSavedIndex = -1;
    uint64_t FAddCount = 0;
};
