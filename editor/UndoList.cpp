#include "editor/UndoList.h"
#include <algorithm>

void TUndoList::DeleteOldest()
{
    if (FItems.empty())
        return;
    FItems.erase(FItems.begin());
    if (FIndex < 0) {
        // The dropped record was a redo record: states after it are gone, the current
        // one (before it) stays.
        if (FSavedIndex >= 0)
            FSavedIndex = SavedUnreachable;
        return;
    }
    --FIndex;
    // A saved state before the dropped record cannot be replayed back to any more.
    if (FSavedIndex == -1)
        FSavedIndex = SavedUnreachable;
    else if (FSavedIndex >= 0)
        --FSavedIndex;
}

void TUndoList::SetMaxCount(int n)
{
    if (n > MaxCountLimit)
        n = MaxCountLimit;
    if (n < 0)
        n = 0;
    if (n == FMaxCount)
        return;
    FMaxCount = n;
    // N + 1 records may stay until the next Add trims to N.
    while (Count() - 1 > n)
        DeleteOldest();
}

void TUndoList::Add(const TUndoRecord &record)
{
    if (FMaxCount < 1)
        return;
    if (Count() >= FMaxCount)
        while (Count() >= FMaxCount)
            DeleteOldest();
    while (FIndex < Count() - 1)
        FItems.pop_back();
    if (FSavedIndex > FIndex)
        FSavedIndex = SavedUnreachable;
    FItems.push_back(std::make_unique<TUndoRecord>(record));
    ++FIndex;
    ++FAddCount;
}

void TUndoList::Clear()
{
    // The saved state survives only when it is the current one.
    FSavedIndex = (FSavedIndex == FIndex) ? -1 : SavedUnreachable;
    FItems.clear();
    FIndex = -1;
}

TUndoRecord *TUndoList::PopUndo()
{
    if (FIndex < 0)
        return nullptr;
    TUndoRecord *r = FItems[static_cast<size_t>(FIndex)].get();
    --FIndex;
    return r;
}

TUndoRecord *TUndoList::NextRedo()
{
    if (FIndex >= Count() - 1)
        return nullptr;
    ++FIndex;
    return FItems[static_cast<size_t>(FIndex)].get();
}

TUndoKind TUndoList::PeekUndoKind() const
{
    int i = FIndex;
    while (i > 0 && FItems[static_cast<size_t>(i)]->Joined)
        --i;
    return i >= 0 ? FItems[static_cast<size_t>(i)]->Kind : ukNone;
}

TUndoKind TUndoList::PeekRedoKind() const
{
    int i = FIndex + 1;
    while (i < Count() - 1 && FItems[static_cast<size_t>(i)]->JoinedNext)
        ++i;
    return i < Count() ? FItems[static_cast<size_t>(i)]->Kind : ukNone;
}

bool TUndoList::DiffersFromSaved() const
{
    if (FSavedIndex == SavedUnreachable)
        return true;
    int lo = std::min(FSavedIndex, FIndex);
    int hi = std::max(FSavedIndex, FIndex);
    for (int i = lo + 1; i <= hi; ++i) {
        TUndoKind k = FItems[static_cast<size_t>(i)]->Kind;
        if (k != ukCaret && k != ukNone)
            return true;
    }
    return false;
}
