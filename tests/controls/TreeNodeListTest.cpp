#include "controls/TreeNodeList.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <vector>

namespace {

TTreeNTNode *P(intptr_t V)
{
    return reinterpret_cast<TTreeNTNode *>(V);
}
intptr_t V(TTreeNTNode *N)
{
    return reinterpret_cast<intptr_t>(N);
}

TEST(TreeNodeListTest, CapacityGrowsBy4Then16ThenAQuarter)
{
    TTreeNodeList List;
    std::vector<int> Capacities;
    for (int I = 1; I <= 100; ++I) {
        List.Add(P(I));
        if (Capacities.empty() || Capacities.back() != List.Capacity())
            Capacities.push_back(List.Capacity());
    }
    EXPECT_EQ(Capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
    EXPECT_EQ(List.Count(), 100);
    EXPECT_EQ(V(List.Get(99)), 100);
}

TEST(TreeNodeListTest, BoundsErrorsNameTheValue)
{
    struct Case {
        const char *Name;
        std::function<void(TTreeNodeList &)> Op;
        const char *Message;
    };
    const std::vector<Case> Cases = {
        {"get past end", [](TTreeNodeList &L) { L.Get(3); }, "List index out of bounds (3)"},
        {"get negative", [](TTreeNodeList &L) { L.Get(-1); }, "List index out of bounds (-1)"},
        {"put past end", [](TTreeNodeList &L) { L.Put(5, nullptr); }, "List index out of bounds (5)"},
        {"insert past count", [](TTreeNodeList &L) { L.Insert(4, nullptr); }, "List index out of bounds (4)"},
        {"delete at count", [](TTreeNodeList &L) { L.Delete(3); }, "List index out of bounds (3)"},
        {"capacity below count", [](TTreeNodeList &L) { L.SetCapacity(2); }, "List capacity out of bounds (2)"},
        {"capacity too big", [](TTreeNodeList &L) { L.SetCapacity(134217728); },
         "List capacity out of bounds (134217728)"},
        {"count negative", [](TTreeNodeList &L) { L.SetCount(-1); }, "List count out of bounds (-1)"},
        {"count too big", [](TTreeNodeList &L) { L.SetCount(134217728); }, "List count out of bounds (134217728)"},
    };
    for (const Case &C : Cases) {
        TTreeNodeList List;
        for (int I = 1; I <= 3; ++I)
            List.Add(P(I));
        try {
            C.Op(List);
            ADD_FAILURE() << C.Name << ": no error";
        } catch (const ENodeListError &E) {
            EXPECT_STREQ(E.what(), C.Message) << C.Name;
        }
        EXPECT_EQ(List.Count(), 3) << C.Name;
    }
}

TEST(TreeNodeListTest, EditingOperations)
{
    TTreeNodeList List;
    List.Add(P(1));
    List.Add(P(3));
    List.Insert(1, P(2));
    List.Insert(0, P(0));
    EXPECT_EQ(List.IndexOf(P(2)), 2);
    EXPECT_EQ(List.Remove(P(0)), 0);
    EXPECT_EQ(List.Remove(P(9)), -1);
    List.SetCount(5);
    EXPECT_EQ(List.Get(4), nullptr);
    List.Pack();
    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(V(List.Get(0)), 1);
    EXPECT_EQ(V(List.Get(2)), 3);
    List.Clear();
    EXPECT_EQ(List.Count(), 0);
    EXPECT_EQ(List.Capacity(), 0);
}

TEST(TreeNodeListTest, SortOrdersAnyInputAndSurvivesABrokenComparison)
{
    std::mt19937 Random(7);
    const std::vector<std::vector<int>> Inputs = {
        {}, {1}, {2, 1}, {5, 5, 5, 5}, {1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2, 1}};
    auto Ascending = [](TTreeNTNode *A, TTreeNTNode *B, intptr_t) { return V(A) < V(B) ? -1 : V(A) > V(B) ? 1 : 0; };
    std::vector<std::vector<int>> All = Inputs;
    std::vector<int> Big(5000);
    for (int &X : Big)
        X = int(Random() % 50);
    All.push_back(Big);
    std::vector<int> Sorted(20000);
    for (int I = 0; I < 20000; ++I)
        Sorted[I] = I;
    All.push_back(Sorted);
    for (const auto &Input : All) {
        TTreeNodeList List;
        for (int X : Input)
            List.Add(P(X + 1));
        List.Sort(Ascending, 0);
        std::vector<int> Got;
        for (TTreeNTNode *N : List)
            Got.push_back(int(V(N)) - 1);
        std::vector<int> Want = Input;
        std::sort(Want.begin(), Want.end());
        EXPECT_EQ(Got, Want);
    }
    // A comparison that answers at random must neither crash nor lose items.
    TTreeNodeList List;
    for (int I = 1; I <= 1000; ++I)
        List.Add(P(I));
    List.Sort([&](TTreeNTNode *, TTreeNTNode *, intptr_t) { return int(Random() % 3) - 1; }, 0);
    std::vector<intptr_t> Items;
    for (TTreeNTNode *N : List)
        Items.push_back(V(N));
    std::sort(Items.begin(), Items.end());
    for (int I = 0; I < 1000; ++I)
        ASSERT_EQ(Items[I], I + 1);
}

} // namespace
