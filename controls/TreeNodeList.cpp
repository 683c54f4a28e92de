#include "controls/TreeNodeList.h"
#include <algorithm>
#include <cstring>
#include <string>

namespace {

[[noreturn]] void ListError(const char *Format, int Value)
{
    std::string Text(Format);
    const auto At = Text.find("%d");
    Text.replace(At, 2, std::to_string(Value));
    throw ENodeListError(Text);
}

} // namespace

void TTreeNodeList::Grow()
{
    int Delta;
    if (FCapacity > 64)
        Delta = FCapacity / 4;
    else if (FCapacity > 8)
        Delta = 16;
    else
        Delta = 4;
    // A full list at the largest size must raise the capacity error, not write past its end.
    const int Wanted = std::min(MaxListSize, FCapacity + Delta);
    SetCapacity(Wanted > FCapacity ? Wanted : FCapacity + Delta);
}

int TTreeNodeList::Add(TTreeNTNode *Item)
{
    if (FCount == FCapacity)
        Grow();
    FItems[FCount] = Item;
    return FCount++;
}

void TTreeNodeList::Insert(int Index, TTreeNTNode *Item)
{
    if (Index < 0 || Index > FCount)
        ListError("List index out of bounds (%d)", Index);
    if (FCount == FCapacity)
        Grow();
    std::memmove(&FItems[Index + 1], &FItems[Index], sizeof(TTreeNTNode *) * (FCount - Index));
    FItems[Index] = Item;
    ++FCount;
}

void TTreeNodeList::Delete(int Index)
{
    if (Index < 0 || Index >= FCount)
        ListError("List index out of bounds (%d)", Index);
    --FCount;
    std::memmove(&FItems[Index], &FItems[Index + 1], sizeof(TTreeNTNode *) * (FCount - Index));
}

int TTreeNodeList::Remove(TTreeNTNode *Item)
{
    const int Index = IndexOf(Item);
    if (Index >= 0)
        Delete(Index);
    return Index;
}

int TTreeNodeList::IndexOf(const TTreeNTNode *Item) const
{
    for (int I = 0; I < FCount; ++I)
        if (FItems[I] == Item)
            return I;
    return -1;
}

TTreeNTNode *TTreeNodeList::Get(int Index) const
{
    if (Index < 0 || Index >= FCount)
        ListError("List index out of bounds (%d)", Index);
    return FItems[Index];
}

void TTreeNodeList::Put(int Index, TTreeNTNode *Item)
{
    if (Index < 0 || Index >= FCount)
        ListError("List index out of bounds (%d)", Index);
    FItems[Index] = Item;
}

void TTreeNodeList::Pack()
{
    int To = 0;
    for (int I = 0; I < FCount; ++I)
        if (FItems[I])
            FItems[To++] = FItems[I];
    FCount = To;
}

void TTreeNodeList::SetCount(int NewCount)
{
    if (NewCount < 0 || NewCount > MaxListSize)
        ListError("List count out of bounds (%d)", NewCount);
    if (NewCount > FCapacity)
        SetCapacity(NewCount);
    for (int I = FCount; I < NewCount; ++I)
        FItems[I] = nullptr;
    FCount = NewCount;
}

void TTreeNodeList::SetCapacity(int NewCapacity)
{
    if (NewCapacity < FCount || NewCapacity > MaxListSize)
        ListError("List capacity out of bounds (%d)", NewCapacity);
    if (NewCapacity == FCapacity)
        return;
    std::unique_ptr<TTreeNTNode *[]> Items;
    if (NewCapacity > 0) {
        Items = std::make_unique<TTreeNTNode *[]>(NewCapacity);
        if (FCount > 0)
            std::memcpy(Items.get(), FItems.get(), sizeof(TTreeNTNode *) * FCount);
    }
    FItems = std::move(Items);
    FCapacity = NewCapacity;
}

void TTreeNodeList::Clear()
{
    FItems.reset();
    FCount = 0;
    FCapacity = 0;
}

void TTreeNodeList::Sort(const TTreeNodeListCompare &Compare, intptr_t Data)
{
    if (FCount > 1 && Compare)
        QuickSort(0, FCount - 1, Compare, Data);
}

// Partitioning around the middle element. The smaller part is sorted by recursion and the
// larger one by the loop, so the stack depth stays logarithmic whatever the comparison
// answers; the partitions (and so the resulting order) do not depend on which side goes first.
// The scans are bounded so that an inconsistent comparison cannot leave the range.
void TTreeNodeList::QuickSort(int L, int R, const TTreeNodeListCompare &Compare, intptr_t Data)
{
    while (L < R) {
        int I = L;
        int J = R;
        TTreeNTNode *const Pivot = FItems[L + (R - L) / 2];
        do {
            while (I < R && Compare(FItems[I], Pivot, Data) < 0)
                ++I;
            while (J > L && Compare(FItems[J], Pivot, Data) > 0)
                --J;
            if (I <= J) {
                std::swap(FItems[I], FItems[J]);
                ++I;
                --J;
            }
        } while (I <= J);
        // Left part [L, J], right part [I, R].
        if (J - L < R - I) {
            if (L < J)
                QuickSort(L, J, Compare, Data);
            L = I;
        } else {
            if (I < R)
                QuickSort(I, R, Compare, Data);
            R = J;
        }
    }
}
