#include "TreeTestUtil.h"
#include <gtest/gtest.h>

using namespace treetest;

namespace {

// Glyphs and states of a parent's children as "state/glyph" pairs.
std::string Marks(TTreeNTNode *Parent)
{
    std::string Out;
    for (int I = 0; I < Parent->GetCount(); ++I) {
        if (I > 0)
            Out += ' ';
        Out += std::to_string(Parent->GetItem(I)->GetCheckState()) + "/" +
               std::to_string(Parent->GetItem(I)->GetStateIndex());
    }
    return Out;
}

struct TreeNTCheckTest : ::testing::Test {
    TCustomTreeNT Tree;
    TTreeNTNode *G = nullptr;
    void SetUp() override
    {
        Tree.SetOptions(Tree.GetOptions() | toCheckSupport);
        Build(Tree, "G(a(a1,a2),b,c)");
        G = Find(Tree, "G");
    }
    TTreeNTNode *N(const char *Name) { return Find(Tree, Name); }
};

TEST_F(TreeNTCheckTest, CheckTypeSetsTheChildrenGlyphs)
{
    struct Case {
        uint8_t Type;
        const char *Marks;
    };
    N("b")->SetEnabled(false);
    // b disabled; a checked beforehand under a check-box parent.
    const std::vector<Case> Cases = {
        {ctCheckBox, "1/2 0/3 0/1"},
        {ctThreeState, "1/1 0/3 0/1"},
        {ctRadioButton, "1/6 0/7 0/5"},
        {ctNone, "0/0 0/0 0/0"},
    };
    for (const Case &C : Cases) {
        G->SetCheckType(ctCheckBox);
        N("a")->SetCheckState(csChecked);
        G->SetCheckType(C.Type);
        EXPECT_EQ(Marks(G), C.Marks) << int(C.Type);
        G->SetCheckType(ctNone);
    }
}

TEST_F(TreeNTCheckTest, CheckStateRulesPerKind)
{
    struct Case {
        const char *Name;
        uint8_t Kind;
        std::vector<std::pair<const char *, uint8_t>> Sets;
        const char *Marks;
    };
    const std::vector<Case> Cases = {
        {"check box takes 3 as checked", ctCheckBox, {{"a", 3}, {"c", 1}, {"c", 0}}, "1/2 0/1 0/1"},
        {"radio checks one and clears the others", ctRadioButton, {{"b", 1}, {"c", 3}}, "0/5 0/5 1/6"},
        {"radio ignores unchecking", ctRadioButton, {{"b", 1}, {"b", 0}}, "0/5 1/6 0/5"},
        {"three state keeps the state", ctThreeState, {{"a", 3}, {"b", 1}}, "3/4 1/2 0/1"},
        {"none changes nothing", ctNone, {{"a", 1}}, "0/0 0/0 0/0"},
    };
    for (const Case &C : Cases) {
        TCustomTreeNT T;
        T.SetOptions(T.GetOptions() | toCheckSupport);
        Build(T, "G(a,b,c)");
        TTreeNTNode *Parent = Find(T, "G");
        Parent->SetCheckType(C.Kind);
        int Checked = 0;
        T.OnChecked = [&](TCustomTreeNT *, TTreeNTNode *) { ++Checked; };
        for (auto [Name, State] : C.Sets)
            Find(T, Name)->SetCheckState(State);
        EXPECT_EQ(Marks(Parent), C.Marks) << C.Name;
        EXPECT_EQ(Checked, int(C.Sets.size())) << C.Name;
    }
}

TEST_F(TreeNTCheckTest, ThreeStateGroupsFollowTheirChildren)
{
    Tree.Items().SetRootCheckType(ctThreeState);
    G->SetCheckType(ctThreeState);
    N("a")->SetCheckType(ctThreeState);
    // Checking a node checks its children.
    N("a")->SetCheckState(csChecked);
    EXPECT_EQ(Marks(N("a")), "1/2 1/2");
    EXPECT_EQ(G->GetCheckState(), csPartly);
    EXPECT_EQ(G->GetStateIndex(), cgCheckedDisabled);
    // A child unchecked: its parent shows partly checked, up the chain.
    N("a2")->SetCheckState(csUnchecked);
    EXPECT_EQ(N("a")->GetCheckState(), csPartly);
    EXPECT_EQ(N("a")->GetStateIndex(), cgCheckedDisabled);
    N("b")->SetCheckState(csChecked);
    N("c")->SetCheckState(csChecked);
    N("a2")->SetCheckState(csChecked);
    EXPECT_EQ(N("a")->GetCheckState(), csChecked);
    EXPECT_EQ(G->GetCheckState(), csChecked);
    EXPECT_EQ(G->GetStateIndex(), cgChecked);
    N("a")->SetCheckState(csUnchecked);
    EXPECT_EQ(Marks(N("a")), "0/1 0/1");
    EXPECT_EQ(G->GetCheckState(), csPartly);
}

TEST_F(TreeNTCheckTest, ToggleAndEnable)
{
    struct Case {
        uint8_t Kind;
        std::vector<uint8_t> States; // after each toggle of b
    };
    const std::vector<Case> Cases = {
        {ctCheckBox, {1, 0, 1}},
        {ctThreeState, {3, 1, 0, 3}},
        {ctRadioButton, {1, 1}},
    };
    for (const Case &C : Cases) {
        G->SetCheckType(ctNone);
        G->SetCheckType(C.Kind);
        N("b")->SetCheckState(csUnchecked);
        for (uint8_t Want : C.States) {
            N("b")->ToggleCheck();
            EXPECT_EQ(N("b")->GetCheckState(), Want) << int(C.Kind);
        }
    }
    // Disabled: no toggle, the glyph goes back to the one of its state.
    G->SetCheckType(ctNone);
    G->SetCheckType(ctCheckBox);
    N("b")->SetCheckState(csChecked);
    N("b")->SetEnabled(false);
    EXPECT_EQ(N("b")->GetStateIndex(), cgCheckedDisabled);
    N("b")->SetStateIndex(cgUncheckedDisabled); // the pressed look
    N("b")->ToggleCheck();
    EXPECT_EQ(N("b")->GetCheckState(), csChecked);
    EXPECT_EQ(N("b")->GetStateIndex(), cgChecked);
    N("b")->SetStateIndex(cgCheckedDisabled);
    N("b")->SetEnabled(true);
    EXPECT_EQ(N("b")->GetStateIndex(), cgChecked);
    // OnChecking can refuse.
    Tree.OnChecking = [](TCustomTreeNT *, TTreeNTNode *, bool &Allow) { Allow = false; };
    N("b")->ToggleCheck();
    EXPECT_EQ(N("b")->GetCheckState(), csChecked);
}

TEST(TreeNTNodeTest, GlyphsNeedCheckSupport)
{
    TCustomTreeNT Tree;
    Build(Tree, "G(a,b)");
    Find(Tree, "G")->SetCheckType(ctRadioButton);
    EXPECT_EQ(Find(Tree, "a")->GetStateIndex(), -1);
    EXPECT_EQ(Find(Tree, "a")->GetCheckState(), csChecked);
}

TEST(TreeNTNodeTest, VisibleNeighbours)
{
    TCustomTreeNT Tree;
    Build(Tree, "A(a1(x),a2),B(b1)");
    Find(Tree, "A")->Expand(false);
    struct Case {
        const char *Node, *Next, *Prev;
    };
    const std::vector<Case> Cases = {
        {"A", "a1", ""}, {"a1", "a2", "A"}, {"a2", "B", "a1"}, {"B", "", "a2"}, {"x", "a2", "a1"}, {"b1", "", "B"},
    };
    auto Name = [](TTreeNTNode *N) { return N ? Narrow(N->GetText()) : std::string(); };
    for (const Case &C : Cases) {
        TTreeNTNode *Node = Find(Tree, C.Node);
        EXPECT_EQ(Name(Node->GetNextVisible()), C.Next) << C.Node;
        EXPECT_EQ(Name(Node->GetPrevVisible()), C.Prev) << C.Node;
    }
    EXPECT_TRUE(Find(Tree, "a1")->IsVisible());
    EXPECT_FALSE(Find(Tree, "x")->IsVisible());
    EXPECT_EQ(Find(Tree, "x")->GetLevel(), 2);
    EXPECT_EQ(Find(Tree, "B")->GetLevel(), 0);
}

TEST(TreeNTNodeTest, ExpandAndCollapseAskFirst)
{
    TCustomTreeNT Tree;
    Build(Tree, "A(a1(x)),B");
    std::vector<std::string> Events;
    Tree.OnExpanding = [&](TCustomTreeNT *, TTreeNTNode *N, bool &Allow) { Allow = Narrow(N->GetText()) != "a1"; };
    Tree.OnExpanded = [&](TCustomTreeNT *, TTreeNTNode *N) { Events.push_back("+" + Narrow(N->GetText())); };
    Tree.OnCollapsed = [&](TCustomTreeNT *, TTreeNTNode *N) { Events.push_back("-" + Narrow(N->GetText())); };
    Tree.FullExpand();
    EXPECT_EQ(Events, (std::vector<std::string>{"+A"}));
    EXPECT_FALSE(Find(Tree, "a1")->GetExpanded());
    Tree.FullCollapse();
    EXPECT_EQ(Events, (std::vector<std::string>{"+A", "-A", "-a1"}));
    EXPECT_FALSE(Find(Tree, "A")->GetExpanded());
}

TEST(TreeNTNodeTest, SortingRules)
{
    struct Case {
        const char *Name;
        TSortType Sort;
        bool WithCompare;
        const char *Outline;
    };
    // Data: b=3, B=1, a=2, c=-5
    const std::vector<Case> Cases = {
        {"text ignores case", stText, false, "a,b,B,c(y,z)"},
        {"data is signed", stData, false, "c(z,y),B,a,b"},
        {"both: text then data", stBoth, false, "a,B,b,c(y,z)"},
        {"OnCompare decides", stText, true, "c(z,y),b,a,B"},
    };
    for (const Case &C : Cases) {
        TCustomTreeNT Tree;
        auto Add = [&](TTreeNTNode *P, const char16_t *S, intptr_t D) {
            return Tree.Items().AddChildObject(P, WideString(S), reinterpret_cast<void *>(D));
        };
        Add(nullptr, u"b", 3);
        Add(nullptr, u"B", 1);
        Add(nullptr, u"a", 2);
        TTreeNTNode *Cn = Add(nullptr, u"c", -5);
        Add(Cn, u"z", 1);
        Add(Cn, u"y", 2);
        if (C.WithCompare)
            Tree.OnCompare = [](TCustomTreeNT *, TTreeNTNode *A, TTreeNTNode *B, intptr_t, int &R) {
                R = B->GetText() < A->GetText() ? -1 : B->GetText() > A->GetText() ? 1 : 0;
            };
        Tree.SetSortType(C.Sort);
        const std::string Got = Outline(Tree);
        // b and B compare equal as text; the sort is not stable, so either order is right.
        if (C.Sort == stText && !C.WithCompare)
            EXPECT_TRUE(Got == "a,b,B,c(y,z)" || Got == "a,B,b,c(y,z)") << Got;
        else
            EXPECT_EQ(Got, C.Outline) << C.Name;
    }
}

TEST(TreeNTNodeTest, RenamingResortsOnlyTheSiblings)
{
    TCustomTreeNT Tree;
    Build(Tree, "B(b2,b1),A");
    Tree.SetSortType(stText);
    EXPECT_EQ(Outline(Tree), "A,B(b1,b2)");
    Find(Tree, "b1")->SetText(u"b3");
    EXPECT_EQ(Outline(Tree), "A,B(b2,b3)");
    Find(Tree, "A")->SetText(u"C");
    EXPECT_EQ(Outline(Tree), "B(b2,b3),C");
    // Under stData without OnCompare a data change keeps the order.
    Tree.SetSortType(stData);
    const std::string Before = Outline(Tree);
    Find(Tree, "B")->SetData(reinterpret_cast<void *>(intptr_t(100)));
    EXPECT_EQ(Outline(Tree), Before);
}

TEST(TreeNTNodeTest, AssignCopiesAttributesNotChildren)
{
    TCustomTreeNT Tree;
    Build(Tree, "S(s1),T");
    TTreeNTNode *S = Find(Tree, "S");
    S->SetImageIndex(4);
    S->SetColor(0x123456);
    S->GetFont().SetStyle(TNodeFont::fsBold);
    EXPECT_FALSE(S->GetParentFont());
    TTreeNTNode *T = Find(Tree, "T");
    T->Assign(*S);
    EXPECT_EQ(T->GetText(), u"S");
    EXPECT_EQ(T->GetImageIndex(), 4);
    EXPECT_EQ(T->GetColor(), 0x123456u);
    EXPECT_FALSE(T->GetParentColor());
    EXPECT_FALSE(T->GetParentFont());
    EXPECT_EQ(T->GetFont().GetStyle(), TNodeFont::fsBold);
    EXPECT_EQ(T->GetCount(), 0);
}

} // namespace
