#include "TreeTestUtil.h"
#include <gtest/gtest.h>
#include <set>

using namespace treetest;

namespace {

TEST(TreeNTNodesTest, InsertionPlacesNodes)
{
    struct Case {
        const char *Name;
        std::function<void(TCustomTreeNT &)> Op;
        const char *Outline;
    };
    const std::vector<Case> Cases = {
        {"last top-level", [](TCustomTreeNT &T) { T.Items().AddObject(nullptr, u"x", nullptr); }, "A(a1,a2),B,x"},
        {"first top-level", [](TCustomTreeNT &T) { T.Items().AddFirstObject(nullptr, u"x", nullptr); }, "x,A(a1,a2),B"},
        {"last sibling", [](TCustomTreeNT &T) { T.Items().AddObject(Find(T, "a1"), u"x", nullptr); }, "A(a1,a2,x),B"},
        {"first sibling, not a child", [](TCustomTreeNT &T) { T.Items().AddFirstObject(Find(T, "a2"), u"x", nullptr); },
         "A(x,a1,a2),B"},
        {"last child", [](TCustomTreeNT &T) { T.Items().AddChildObject(Find(T, "A"), u"x", nullptr); }, "A(a1,a2,x),B"},
        {"child of a leaf", [](TCustomTreeNT &T) { T.Items().AddChildObject(Find(T, "B"), u"x", nullptr); },
         "A(a1,a2),B(x)"},
        {"child of none", [](TCustomTreeNT &T) { T.Items().AddChildObject(nullptr, u"x", nullptr); }, "A(a1,a2),B,x"},
        {"sibling of a top node", [](TCustomTreeNT &T) { T.Items().AddFirstObject(Find(T, "B"), u"x", nullptr); },
         "x,A(a1,a2),B"},
    };
    for (const Case &C : Cases) {
        TCustomTreeNT Tree;
        Build(Tree, "A(a1,a2),B");
        C.Op(Tree);
        EXPECT_EQ(Outline(Tree), C.Outline) << C.Name;
        EXPECT_EQ(Tree.Items().GetCount(), 5) << C.Name;
    }
}

TEST(TreeNTNodesTest, NodesAnswerTheCheckerQueries)
{
    TCustomTreeNT Tree;
    int Record = 0;
    TTreeNTNode *A = Tree.Items().AddObject(nullptr, "A", &Record);
    TTreeNTNode *A1 = Tree.Items().AddChildObject(A, "a1", nullptr);
    TTreeNTNode *A2 = Tree.Items().AddChildObject(A, "a2", nullptr);
    EXPECT_EQ(A->GetData(), &Record);
    EXPECT_EQ(A->GetParent(), nullptr);
    EXPECT_EQ(A1->GetParent(), A);
    EXPECT_EQ(A->GetLastChild(), A2);
    EXPECT_EQ(A2->GetLastChild(), nullptr);
    EXPECT_EQ(A->GetCount(), 2);
    EXPECT_TRUE(A->GetHasChildren());
    A->SetData(nullptr);
    EXPECT_EQ(A->GetData(), nullptr);
    A1->SetText("renamed");
    EXPECT_EQ(A1->GetText(), u"renamed");
    A2->Free();
    A1->Free();
    EXPECT_EQ(A->GetCount(), 0);
    EXPECT_FALSE(A->GetHasChildren());
    EXPECT_EQ(Tree.Items().GetCount(), 1);
}

TEST(TreeNTNodesTest, FlatIndexIsDepthFirstAndChecked)
{
    TCustomTreeNT Tree;
    Build(Tree, "A(a1(x,y),a2),B,C(c1)");
    const std::vector<std::string> Order = {"A", "a1", "x", "y", "a2", "B", "C", "c1"};
    ASSERT_EQ(Tree.Items().GetCount(), int(Order.size()));
    for (int I = 0; I < int(Order.size()); ++I) {
        TTreeNTNode *Node = Tree.Items().GetNodeFromIndex(I);
        EXPECT_EQ(Narrow(Node->GetText()), Order[I]);
        EXPECT_EQ(Node->GetAbsoluteIndex(), I);
        if (I + 1 < int(Order.size())) {
            EXPECT_EQ(Node->GetNext(), Tree.Items().GetNodeFromIndex(I + 1));
        }
        if (I > 0) {
            EXPECT_EQ(Node->GetPrev(), Tree.Items().GetNodeFromIndex(I - 1));
        }
    }
    for (int Bad : {-1, 8, 1000}) {
        try {
            Tree.Items().GetNodeFromIndex(Bad);
            ADD_FAILURE() << Bad;
        } catch (const ETreeNTError &E) {
            EXPECT_EQ(std::string(E.what()), "List index out of bounds (" + std::to_string(Bad) + ")");
        }
    }
    // A node's children by index: past the end is the tree's error, below 0 the list's,
    // on a leaf as on a parent.
    struct ItemCase {
        const char *Node;
        int Index;
        bool ListError;
    };
    for (const ItemCase &C :
         {ItemCase{"A", 2, false}, ItemCase{"A", -1, true}, ItemCase{"x", 0, false}, ItemCase{"x", -1, true}}) {
        try {
            Find(Tree, C.Node)->GetItem(C.Index);
            ADD_FAILURE() << C.Node << " " << C.Index;
        } catch (const ETreeNTError &E) {
            EXPECT_EQ(dynamic_cast<const ENodeListError *>(&E) != nullptr, C.ListError) << C.Node;
            EXPECT_EQ(std::string(E.what()), "List index out of bounds (" + std::to_string(C.Index) + ")");
        }
    }
    EXPECT_EQ(Narrow(Find(Tree, "A")->GetItem(1)->GetText()), "a2");
    // Changes drop the cached order.
    Find(Tree, "a1")->Free();
    Tree.Items().AddFirst(nullptr, u"Z");
    EXPECT_EQ(Narrow(Tree.Items().GetNodeFromIndex(0)->GetText()), "Z");
    EXPECT_EQ(Narrow(Tree.Items().GetNodeFromIndex(3)->GetText()), "B");
    EXPECT_EQ(Tree.Items().GetCount(), 6);
}

TEST(TreeNTNodesTest, DeleteAndClearReportEveryNodeOnce)
{
    struct Case {
        const char *Name;
        std::function<void(TCustomTreeNT &)> Op;
        const char *Outline;
        std::set<std::string> Deleted;
    };
    const std::vector<Case> Cases = {
        {"delete subtree", [](TCustomTreeNT &T) { T.Items().Delete(Find(T, "A")); }, "B", {"A", "a1", "a2", "x"}},
        {"delete leaf", [](TCustomTreeNT &T) { T.Items().Delete(Find(T, "x")); }, "A(a1,a2),B", {"x"}},
        {"free", [](TCustomTreeNT &T) { Find(T, "a1")->Free(); }, "A(a2),B", {"a1", "x"}},
        {"delete children", [](TCustomTreeNT &T) { Find(T, "A")->DeleteChildren(); }, "A,B", {"a1", "a2", "x"}},
        {"clear", [](TCustomTreeNT &T) { T.Items().Clear(); }, "", {"A", "a1", "a2", "x", "B"}},
        {"delete none", [](TCustomTreeNT &T) { T.Items().Delete(nullptr); }, "A(a1(x),a2),B", {}},
    };
    for (const Case &C : Cases) {
        TCustomTreeNT Tree;
        Build(Tree, "A(a1(x),a2),B");
        Tree.Items().Select(Find(Tree, "x"), 0);
        Tree.SetSelected(Find(Tree, "a2"));
        std::multiset<std::string> Deleted;
        Tree.OnDeletion = [&](TCustomTreeNT *, TTreeNTNode *N) {
            Deleted.insert(Narrow(N->GetText()));
            EXPECT_TRUE(N->IsDeleting());
        };
        C.Op(Tree);
        EXPECT_EQ(Outline(Tree), C.Outline) << C.Name;
        EXPECT_EQ(std::set<std::string>(Deleted.begin(), Deleted.end()), C.Deleted) << C.Name;
        EXPECT_EQ(Deleted.size(), C.Deleted.size()) << C.Name << ": reported twice";
        EXPECT_EQ(Tree.Items().GetCount(), int(Tree.Items().FlatOrder().Count())) << C.Name;
        // No dangling selection or caret.
        for (TTreeNTNode *N : Tree.Items().GetSelectionList())
            EXPECT_FALSE(C.Deleted.count(Narrow(N->GetText()))) << C.Name;
        if (C.Deleted.count("a2")) {
            EXPECT_EQ(Tree.GetSelected(), nullptr) << C.Name;
        }
    }
}

TEST(TreeNTNodesTest, VeryDeepTreesAreWalkedAndFreedWithoutRecursion)
{
    TCustomTreeNT Tree;
    int Deleted = 0;
    Tree.OnDeletion = [&](TCustomTreeNT *, TTreeNTNode *) { ++Deleted; };
    Tree.Items().BeginUpdate();
    TTreeNTNode *Node = nullptr;
    for (int I = 0; I < 200000; ++I)
        Node = Tree.Items().AddChild(Node, u"n");
    Tree.Items().EndUpdate();
    EXPECT_EQ(Tree.Items().GetNodeFromIndex(199999), Node);
    Tree.FullExpand();
    EXPECT_TRUE(Node->IsVisible());
    Tree.Items().GetFirstNode()->GetFirstChild()->Free();
    EXPECT_EQ(Deleted, 199999);
    EXPECT_EQ(Tree.Items().GetCount(), 1);
    Tree.Items().AddChild(Tree.Items().GetFirstNode(), u"again");
    Tree.Items().Clear();
    EXPECT_EQ(Deleted, 200001);
}

TEST(TreeNTNodesTest, EveryInsertionReportsAChange)
{
    TCustomTreeNT Tree;
    std::vector<std::string> Changes;
    Tree.OnChange = [&](TCustomTreeNT *, TTreeNTNode *N) { Changes.push_back(N ? Narrow(N->GetText()) : "-"); };
    Build(Tree, "A(a1),B");
    EXPECT_EQ(Changes, (std::vector<std::string>{"A", "a1", "B"}));
    // With a change delay only the last one arrives, when the timer fires.
    Changes.clear();
    Tree.SetChangeDelay(300);
    Tree.Items().Add(nullptr, u"C");
    Tree.Items().Add(nullptr, u"D");
    EXPECT_TRUE(Changes.empty());
    EXPECT_TRUE(Tree.IsChangePending());
    Tree.ChangeTimerFired();
    EXPECT_EQ(Changes, (std::vector<std::string>{"D"}));
    // A pending change for a node that is deleted is dropped with the node.
    Changes.clear();
    Tree.Items().Add(nullptr, u"E")->Free();
    Tree.ChangeTimerFired();
    EXPECT_TRUE(Changes.empty());
}

TEST(TreeNTNodesTest, UpdateBracketNests)
{
    TCustomTreeNT Tree;
    Tree.Items().BeginUpdate();
    Tree.Items().BeginUpdate();
    Tree.Items().EndUpdate();
    EXPECT_TRUE(Tree.Items().IsUpdating());
    Tree.Items().EndUpdate();
    EXPECT_FALSE(Tree.Items().IsUpdating());
    Tree.Items().EndUpdate();
    EXPECT_EQ(Tree.Items().GetUpdateCount(), 0);
}

// ---- selection ----

struct TreeNTSelectionTest : ::testing::Test {
    TCustomTreeNT Tree;
    std::vector<std::string> Changes;
    void SetUp() override
    {
        Tree.SetOptions(Tree.GetOptions() | toMultiSelect);
        Build(Tree, "A(a1,a2(x),a3),B,C");
        Find(Tree, "A")->Expand(false);
        Tree.OnChange = [&](TCustomTreeNT *, TTreeNTNode *N) { Changes.push_back(N ? Narrow(N->GetText()) : "-"); };
    }
    TTreeNTNode *N(const char *Name) { return Find(Tree, Name); }
};

TEST_F(TreeNTSelectionTest, SelectModes)
{
    Tree.Items().Select(N("B"), 0);
    Tree.Items().Select(N("a1"), 2);
    Tree.Items().Select(N("B"), 2);
    Tree.Items().Select(N("C"), 0);
    Tree.Items().Select(N("C"), 0);
    Tree.Items().Select(N("a1"), 1);
    Tree.Items().Select(N("A"), 1);
    EXPECT_EQ(SelectionText(Tree), "C");
    EXPECT_EQ(Changes, (std::vector<std::string>{"B", "a1", "B", "C", "C", "a1", "A"}));
    EXPECT_TRUE(N("C")->GetSelected());
    EXPECT_EQ(N("C")->GetNextSelected(), nullptr);
    // A refusal of OnChanging leaves the node alone.
    Tree.OnChanging = [](TCustomTreeNT *, TTreeNTNode *, bool &Allow) { Allow = false; };
    Tree.Items().Select(N("B"), 0);
    EXPECT_EQ(SelectionText(Tree), "C");
}

TEST_F(TreeNTSelectionTest, RangesOverVisibleNodes)
{
    struct Case {
        const char *Name;
        std::function<void(TTreeNTNodes &, TreeNTSelectionTest &)> Op;
        const char *Selection;
        std::vector<std::string> Changes;
    };
    const std::vector<Case> Cases = {
        // x is hidden (a2 collapsed) and so not part of any range.
        {"range down",
         [](TTreeNTNodes &I, TreeNTSelectionTest &F) { I.SelectRange(F.N("a1"), F.N("B"), false); },
         "a1,a2,a3,B",
         {"B"}},
        {"range up drops the rest",
         [](TTreeNTNodes &I, TreeNTSelectionTest &F) {
             I.Select(F.N("C"), 0);
             I.SelectRange(F.N("a3"), F.N("A"), false);
         },
         "A,a1,a2,a3",
         {"C", "a3"}},
        {"additive range keeps the rest",
         [](TTreeNTNodes &I, TreeNTSelectionTest &F) {
             I.Select(F.N("C"), 0);
             I.SelectRange(F.N("a2"), F.N("a3"), true);
         },
         "C,a2,a3",
         {"C", "a3"}},
        {"toggle range excludes both ends",
         [](TTreeNTNodes &I, TreeNTSelectionTest &F) {
             I.Select(F.N("a2"), 0);
             I.ToggleRange(F.N("A"), F.N("B"));
         },
         "a1,a3",
         {"a2", "B"}},
        {"toggle range between neighbours",
         [](TTreeNTNodes &I, TreeNTSelectionTest &F) { I.ToggleRange(F.N("B"), F.N("C")); },
         "",
         {"C"}},
        {"toggle range backwards",
         [](TTreeNTNodes &I, TreeNTSelectionTest &F) { I.ToggleRange(F.N("C"), F.N("a2")); },
         "B,a3",
         {"a2"}},
    };
    for (const Case &C : Cases) {
        Tree.ClearSelection();
        Changes.clear();
        C.Op(Tree.Items(), *this);
        std::set<std::string> Got, Want;
        for (TTreeNTNode *Node : Tree.Items().GetSelectionList())
            Got.insert(Narrow(Node->GetText()));
        std::string W = C.Selection;
        for (size_t P = 0; !W.empty();) {
            const size_t Comma = W.find(',', P);
            Want.insert(W.substr(P, Comma - P));
            if (Comma == std::string::npos)
                break;
            P = Comma + 1;
        }
        EXPECT_EQ(Got, Want) << C.Name;
        EXPECT_EQ(Changes, C.Changes) << C.Name;
    }
}

TEST_F(TreeNTSelectionTest, LevelConstraintKeepsOneLevel)
{
    Tree.SetOptions(Tree.GetOptions() | toLevelSelectConstraint);
    Tree.ClickSelect(N("a1"), false, false);
    Tree.ClickSelect(N("B"), false, true);
    Tree.ClickSelect(N("a3"), false, true);
    EXPECT_EQ(SelectionText(Tree), "a1,a3");
}

TEST_F(TreeNTSelectionTest, ClicksWithModifiers)
{
    struct Click {
        const char *Node;
        bool Shift, Ctrl;
    };
    struct Case {
        const char *Name;
        std::vector<Click> Clicks;
        std::set<std::string> Selected;
    };
    const std::vector<Case> Cases = {
        {"plain click selects only the node", {{"a1", 0, 0}, {"B", 0, 0}}, {"B"}},
        {"ctrl click adds and toggles", {{"a1", 0, 0}, {"B", 0, 1}, {"C", 0, 1}, {"B", 0, 1}}, {"a1", "C"}},
        {"shift click from the anchor", {{"a1", 0, 0}, {"C", 0, 1}, {"a3", 1, 0}}, {"a1", "a2", "a3"}},
        {"ctrl shift click adds the range", {{"C", 0, 0}, {"a1", 0, 1}, {"a3", 1, 1}}, {"C", "a1", "a2", "a3"}},
        {"click on nothing clears", {{"a1", 0, 0}, {nullptr, 0, 0}}, {}},
    };
    for (const Case &C : Cases) {
        Tree.ClearSelection();
        Tree.SetAnchor(nullptr);
        for (const Click &K : C.Clicks)
            Tree.ClickSelect(K.Node ? N(K.Node) : nullptr, K.Shift, K.Ctrl);
        std::set<std::string> Got;
        for (TTreeNTNode *Node : Tree.Items().GetSelectionList()) {
            Got.insert(Narrow(Node->GetText()));
            EXPECT_TRUE(Node->GetStateSelected()) << C.Name;
        }
        EXPECT_EQ(Got, C.Selected) << C.Name;
    }
}

TEST_F(TreeNTSelectionTest, KeysMoveAndExtend)
{
    struct Key {
        int Code;
        bool Shift;
    };
    struct Case {
        const char *Name;
        const char *Start;
        std::vector<Key> Keys;
        const char *Caret;
        std::set<std::string> Selected;
    };
    const std::vector<Case> Cases = {
        {"down moves", "a1", {{tkDown, false}}, "a2", {"a2"}},
        {"shift down extends", "a1", {{tkDown, true}, {tkDown, true}}, "a3", {"a1", "a2", "a3"}},
        {"shift down then up shrinks", "a1", {{tkDown, true}, {tkDown, true}, {tkUp, true}}, "a2", {"a1", "a2"}},
        {"shift end selects to the end", "a3", {{tkEnd, true}}, "C", {"a3", "B", "C"}},
        {"home without shift", "B", {{tkDown, true}, {tkHome, false}}, "A", {"A"}},
    };
    for (const Case &C : Cases) {
        Tree.ClearSelection();
        Tree.SetAnchor(nullptr);
        Tree.ClickSelect(N(C.Start), false, false);
        for (const Key &K : C.Keys)
            Tree.KeyDown(K.Code, K.Shift, false);
        EXPECT_EQ(Narrow(Tree.GetSelected()->GetText()), C.Caret) << C.Name;
        std::set<std::string> Got;
        for (TTreeNTNode *Node : Tree.Items().GetSelectionList())
            Got.insert(Narrow(Node->GetText()));
        EXPECT_EQ(Got, C.Selected) << C.Name;
    }
}

TEST_F(TreeNTSelectionTest, SpaceTogglesTheCheckMark)
{
    Tree.SetOptions(Tree.GetOptions() | toCheckSupport);
    Tree.Items().SetRootCheckType(ctCheckBox);
    Tree.ClickSelect(N("B"), false, false);
    EXPECT_TRUE(Tree.KeyDown(tkSpace, false, false));
    EXPECT_EQ(N("B")->GetCheckState(), csChecked);
    EXPECT_EQ(N("B")->GetStateIndex(), cgChecked);
    Tree.KeyDown(tkSpace, false, false);
    EXPECT_EQ(N("B")->GetCheckState(), csUnchecked);
}

} // namespace
