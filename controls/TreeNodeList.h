#pragma once
// Growable list of tree node pointers: the children of a node, the selection list, the
// flat-order cache and the rubber-band list of the tree control all use it.
#include "platform/Exception.h"
#include <cstdint>
#include <functional>
#include <memory>

// The tree control's own exception; every failure of the tree code derives from it.
QUILLMAR_EXCEPTION(ETreeNTError, Exception);
// Index, capacity and count errors of node lists.
QUILLMAR_EXCEPTION(ENodeListError, ETreeNTError);

class TTreeNTNode;

// Three-way comparison of two nodes with the caller's extra value.
using TTreeNodeListCompare = std::function<int(TTreeNTNode *, TTreeNTNode *, intptr_t)>;

class TTreeNodeList {
public:
    static constexpr int MaxListSize = 134217727;

    TTreeNodeList() = default;
    TTreeNodeList(const TTreeNodeList &) = delete;
    TTreeNodeList &operator=(const TTreeNodeList &) = delete;

    int Count() const { return FCount; }
    int Capacity() const { return FCapacity; }

    int Add(TTreeNTNode *Item);
    void Insert(int Index, TTreeNTNode *Item);
    void Delete(int Index);
    int Remove(TTreeNTNode *Item);
    int IndexOf(const TTreeNTNode *Item) const;
    TTreeNTNode *Get(int Index) const;
    void Put(int Index, TTreeNTNode *Item);
    TTreeNTNode *First() const { return FCount > 0 ? FItems[0] : nullptr; }
    TTreeNTNode *Last() const { return FCount > 0 ? FItems[FCount - 1] : nullptr; }
    void Pack();
    void SetCount(int NewCount);
    void SetCapacity(int NewCapacity);
    void Clear();
    // Unstable quicksort on the middle element.
    void Sort(const TTreeNodeListCompare &Compare, intptr_t Data);

    TTreeNTNode *const *begin() const { return FItems.get(); }
    TTreeNTNode *const *end() const { return FItems.get() + FCount; }

private:
    void Grow();
    void QuickSort(int L, int R, const TTreeNodeListCompare &Compare, intptr_t Data);

    std::unique_ptr<TTreeNTNode *[]> FItems;
    int FCount = 0;
    int FCapacity = 0;
};
