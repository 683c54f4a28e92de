// One expansion state for the nodes and the view: whatever the user or the program does, each
// node's Expanded, IsVisible and the caret agree with what the view shows.
#include "TreeTestUtil.h"
#include "controls/TreeNT.h"
#include "controls/TreeNTDelegate.h"
#include "controls/TreeNTModel.h"
#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

using namespace treetest;

namespace {

struct Expansion : ::testing::Test {
    TTreeNT Tree;
    std::vector<std::string> Events;
    int LeavesAsked = 0; // expansions or collapses asked of nodes without children

    void SetUp() override
    {
        Tree.resize(260, 300);
        Tree.show();
        QApplication::setActiveWindow(&Tree);
        Tree.setFocus();
        Tree.OnExpanding = [this](TCustomTreeNT *, TTreeNTNode *N, bool &Allow) {
            Events.push_back("expanding " + Narrow(N->GetText()));
            LeavesAsked += N->GetCount() == 0 && !N->GetHasChildren();
            Allow = Narrow(N->GetText()).rfind("locked", 0) != 0;
            // Lazy nodes fill themselves on their first expansion ("lazyEmpty" finds nothing).
            if (Narrow(N->GetText()) == "lazy" && N->GetCount() == 0) {
                Tree.Items().BeginUpdate();
                Tree.Items().AddChild(N, u"lz1");
                Tree.Items().AddChild(N, u"lz2");
                Tree.Items().EndUpdate();
            }
        };
        Tree.OnCollapsing = [this](TCustomTreeNT *, TTreeNTNode *N, bool &) {
            Events.push_back("collapsing " + Narrow(N->GetText()));
            LeavesAsked += N->GetCount() == 0 && !N->GetHasChildren();
        };
        Tree.OnExpanded = [this](TCustomTreeNT *, TTreeNTNode *N) {
            Events.push_back("expanded " + Narrow(N->GetText()));
        };
        Tree.OnCollapsed = [this](TCustomTreeNT *, TTreeNTNode *N) {
            Events.push_back("collapsed " + Narrow(N->GetText()));
        };
    }

    QModelIndex Index(TTreeNTNode *N) { return Tree.Model()->IndexFromNode(N); }

    // Where the node's expand button is drawn.
    QPoint ButtonOf(TTreeNTNode *N)
    {
        const QRect R = Tree.visualRect(Index(N));
        return QPoint(R.left() - Tree.indentation() / 2, R.center().y());
    }

    // Each node's Expanded against the view, the visible rows in order, and the caret.
    std::string Disagreement()
    {
        std::ostringstream Out;
        std::vector<TTreeNTNode *> Shown;
        for (QModelIndex I = Tree.model()->index(0, 0); I.isValid(); I = Tree.indexBelow(I))
            Shown.push_back(Tree.Model()->NodeFromIndex(I));
        std::vector<TTreeNTNode *> Visible;
        for (TTreeNTNode *N = Tree.Items().GetFirstNode(); N; N = N->GetNextVisible())
            Visible.push_back(N);
        if (Shown != Visible)
            Out << "visible rows differ (" << Shown.size() << " shown, " << Visible.size() << " visible); ";
        for (TTreeNTNode *N : Tree.Items().FlatOrder()) {
            if (Tree.isExpanded(Index(N)) != N->GetExpanded())
                Out << Narrow(N->GetText()) << " expanded " << N->GetExpanded() << " in the node; ";
            if (N->IsVisible() != (std::find(Shown.begin(), Shown.end(), N) != Shown.end()))
                Out << Narrow(N->GetText()) << " IsVisible " << N->IsVisible() << "; ";
        }
        if (Tree.Model()->NodeFromIndex(Tree.currentIndex()) != Tree.TCustomTreeNT::GetSelected())
            Out << "caret differs; ";
        return Out.str();
    }
};

// A plain random walk over everything that expands, collapses, moves the caret or changes
// the nodes: keys, clicks on buttons and labels, double clicks, code, insertions, deletions
// and update brackets. Nodes named "locked..." refuse to expand.
TEST_F(Expansion, RandomOperationsKeepNodesAndViewInAgreement)
{
    for (unsigned Seed = 1; Seed <= 6; ++Seed) {
        Tree.Items().Clear();
        Build(Tree, "A(a1(x1,x2),a2,locked(l1)),B(b1(y1(z1))),C,D(d1,d2,d3),lazy,lazyEmpty");
        Find(Tree, "lazy")->SetHasChildren(true);
        Find(Tree, "lazyEmpty")->SetHasChildren(true);
        Tree.SetOptions(Seed % 2 ? Tree.GetOptions() | toWantReturn : Tree.GetOptions() & ~TTreeOptions(toWantReturn));
        std::mt19937 Rng(Seed);
        int Made = 0;
        auto Pick = [&]() -> TTreeNTNode * {
            const int Count = Tree.Items().GetCount();
            return Count ? Tree.Items().GetNodeFromIndex(int(Rng() % unsigned(Count))) : nullptr;
        };
        auto PickShown = [&]() -> TTreeNTNode * {
            std::vector<TTreeNTNode *> Shown;
            for (TTreeNTNode *N = Tree.Items().GetFirstNode(); N; N = N->GetNextVisible())
                Shown.push_back(N);
            return Shown.empty() ? nullptr : Shown[Rng() % Shown.size()];
        };
        static const Qt::Key Keys[] = {Qt::Key_Up,     Qt::Key_Down,     Qt::Key_Left, Qt::Key_Right, Qt::Key_Plus,
                                       Qt::Key_Minus,  Qt::Key_Asterisk, Qt::Key_Home, Qt::Key_End,   Qt::Key_Backspace,
                                       Qt::Key_Return, Qt::Key_PageDown, Qt::Key_A,    Qt::Key_X};
        for (int Step = 0; Step < 400; ++Step) {
            std::string Op;
            TTreeNTNode *N = nullptr;
            switch (Rng() % 12) {
            case 0:
            case 1: {
                const Qt::Key K = Keys[Rng() % std::size(Keys)];
                Op = "key " + std::to_string(int(K));
                QTest::keyClick(&Tree, K);
                break;
            }
            case 2:
                if ((N = PickShown()) && (N->GetCount() > 0)) {
                    Op = "button " + Narrow(N->GetText());
                    QTest::mouseClick(Tree.viewport(), Qt::LeftButton, {}, ButtonOf(N));
                }
                break;
            case 3:
                if ((N = PickShown())) {
                    Op = "click " + Narrow(N->GetText());
                    QTest::mouseClick(Tree.viewport(), Qt::LeftButton, {}, Tree.NodeRect(N, true).center());
                }
                break;
            case 4:
                if ((N = PickShown())) {
                    Op = "double click " + Narrow(N->GetText());
                    QTest::mouseDClick(Tree.viewport(), Qt::LeftButton, {}, Tree.NodeRect(N, true).center());
                }
                break;
            case 5:
                if ((N = Pick())) {
                    Op = "select " + Narrow(N->GetText());
                    Tree.SetSelected(N);
                }
                break;
            case 6:
                if ((N = Pick())) {
                    const bool Recursive = Rng() % 3 == 0;
                    const bool Expand = Rng() % 2;
                    Op = std::string(Expand ? "expand " : "collapse ") + Narrow(N->GetText());
                    Expand ? N->Expand(Recursive) : N->Collapse(Recursive);
                }
                break;
            case 7:
            case 8: {
                N = Rng() % 4 ? Pick() : nullptr;
                const std::string Name = "n" + std::to_string(++Made);
                Op = "add " + Name;
                if (Rng() % 2)
                    Tree.Items().AddChild(N, Wide(Name));
                else
                    Tree.Items().Add(N, Wide(Name));
                break;
            }
            case 9:
                if ((N = Pick()) && Tree.Items().GetCount() > 6) {
                    Op = "delete " + Narrow(N->GetText());
                    if (Rng() % 3 == 0)
                        N->DeleteChildren();
                    else
                        Tree.Items().Delete(N);
                }
                break;
            case 10: {
                Op = "bracket";
                Tree.Items().BeginUpdate();
                if ((N = Pick()))
                    Tree.Items().AddChild(N, Wide("n" + std::to_string(++Made)));
                if ((N = Pick()))
                    N->SetExpanded(!N->GetExpanded());
                Tree.Items().EndUpdate();
                break;
            }
            default:
                Op = Rng() % 2 ? "full expand" : "full collapse";
                Op == "full expand" ? Tree.FullExpand() : Tree.FullCollapse();
                break;
            }
            const std::string Wrong = Disagreement();
            ASSERT_EQ(Wrong, "") << "seed " << Seed << " step " << Step << " after " << Op << "\n" << Outline(Tree);
        }
    }
    EXPECT_EQ(LeavesAsked, 0);
}

// What each kind of user action and code does to a branch, with the events it fires.
TEST_F(Expansion, EveryWayToExpandGoesThroughTheNode)
{
    Build(Tree, "A(a1(x),a2),B,locked(l)");
    TTreeNTNode *A = Find(Tree, "A");
    auto Run = [&](const std::function<void()> &Action) {
        Events.clear();
        Action();
        std::string Out;
        for (const std::string &E : Events)
            Out += (Out.empty() ? "" : ",") + E;
        EXPECT_EQ(Disagreement(), "");
        return Out;
    };
    Tree.SetSelected(A);
    EXPECT_EQ(Run([&] { QTest::keyClick(&Tree, Qt::Key_Plus); }), "expanding A,expanded A");
    EXPECT_EQ(Run([&] { QTest::keyClick(&Tree, Qt::Key_Minus); }), "collapsing A,collapsed A");
    EXPECT_EQ(Run([&] { QTest::keyClick(&Tree, Qt::Key_Right); }), "expanding A,expanded A");
    EXPECT_EQ(Run([&] { QTest::keyClick(&Tree, Qt::Key_Right); }), "");
    EXPECT_EQ(Tree.GetSelected(), Find(Tree, "a1"));
    EXPECT_EQ(Run([&] { QTest::keyClick(&Tree, Qt::Key_Left); }), "");
    EXPECT_EQ(Tree.GetSelected(), A);
    EXPECT_EQ(Run([&] { QTest::keyClick(&Tree, Qt::Key_Left); }), "collapsing A,collapsed A");
    // "*" expands the whole branch but asks no leaf; "+" and "-" leave a leaf alone.
    EXPECT_EQ(Run([&] { QTest::keyClick(&Tree, Qt::Key_Asterisk); }),
              "expanding A,expanded A,expanding a1,expanded a1");
    Tree.SetSelected(Find(Tree, "x"));
    EXPECT_EQ(Run([&] {
                  QTest::keyClick(&Tree, Qt::Key_Plus);
                  QTest::keyClick(&Tree, Qt::Key_Asterisk);
                  QTest::keyClick(&Tree, Qt::Key_Minus);
                  QTest::keyClick(&Tree, Qt::Key_Right);
              }),
              "");
    // Collapsing the branch holding the caret moves the caret to the collapsed node.
    int Changes = 0;
    Tree.OnChange = [&](TCustomTreeNT *, TTreeNTNode *N) { Changes += N == A; };
    EXPECT_EQ(Run([&] { QTest::mouseClick(Tree.viewport(), Qt::LeftButton, {}, ButtonOf(A)); }),
              "collapsing A,collapsed A");
    EXPECT_EQ(Tree.GetSelected(), A);
    EXPECT_EQ(Changes, 1);
    // Selecting a hidden node shows it through its ancestors' expansion.
    Find(Tree, "a1")->Collapse(false);
    EXPECT_EQ(Run([&] { Tree.SetSelected(Find(Tree, "x")); }), "expanding A,expanded A,expanding a1,expanded a1");
    // A refused expansion leaves the branch closed in the view as well.
    Tree.SetSelected(Find(Tree, "locked"));
    EXPECT_EQ(Run([&] { QTest::keyClick(&Tree, Qt::Key_Right); }), "expanding locked");
    EXPECT_FALSE(Tree.isExpanded(Index(Find(Tree, "locked"))));
    EXPECT_EQ(Run([&] {
                  QTest::mouseDClick(Tree.viewport(), Qt::LeftButton, {},
                                     Tree.NodeRect(Find(Tree, "B"), true).center());
              }),
              "");
    // Enter with toWantReturn moves to the next node in flat order, showing it.
    Tree.SetOptions(Tree.GetOptions() | toWantReturn);
    Tree.SetSelected(A);
    A->Collapse(true);
    EXPECT_EQ(Run([&] { QTest::keyClick(&Tree, Qt::Key_Return); }), "expanding A,expanded A");
    EXPECT_EQ(Tree.GetSelected(), Find(Tree, "a1"));
}

// Deleting the last child collapses the parent on screen and clears its child flag; a child
// added later stays hidden until the parent is expanded again.
TEST_F(Expansion, DeletingTheLastChildCollapsesTheParent)
{
    Build(Tree, "A(a1),B");
    TTreeNTNode *A = Find(Tree, "A");
    A->Expand(false);
    ASSERT_TRUE(Tree.isExpanded(Index(A)));
    Find(Tree, "a1")->Free();
    EXPECT_FALSE(A->GetExpanded());
    EXPECT_FALSE(A->GetHasChildren());
    EXPECT_FALSE(Tree.isExpanded(Index(A)));
    TTreeNTNode *Late = Tree.Items().AddChild(A, u"late");
    EXPECT_FALSE(Late->IsVisible());
    EXPECT_EQ(Disagreement(), "");
    EXPECT_EQ(Tree.indexBelow(Index(A)), Index(Find(Tree, "B")));
}

// Typed characters search the visible nodes; the text grows while keys follow each other
// within the pause and starts again after it; repeating one letter steps through its nodes.
TEST_F(Expansion, IncrementalSearch)
{
    Build(Tree, "Alpha,beta(bold),Bravo,Berlin,Charlie");
    int64_t Now = 10000;
    Tree.SetSearchClock([&] { return Now; });
    struct Step {
        const char *Typed;
        int64_t Pause;
        const char *Caret;
        const char *Search;
    };
    const Step Steps[] = {
        {"b", 0, "beta", "b"},
        {"r", 100, "Bravo", "br"}, // the caret's own node no longer matches: on to the next
        {"a", 999, "Bravo", "bra"}, // still matches: stays
        {"c", 1001, "Charlie", "c"}, // after the pause a new search
        {"b", 2000, "beta", "b"},
        {"b", 10, "Bravo", "bb"}, // the same letter again steps on; hidden "bold" is skipped
        {"b", 10, "Berlin", "bbb"},
        {"b", 10, "beta", "bbbb"}, // and wraps
        {"z", 10, "beta", "bbbbz"}, // nothing matches: the caret stays
    };
    for (const Step &S : Steps) {
        Now += S.Pause;
        QTest::keyClicks(&Tree, S.Typed);
        EXPECT_EQ(Tree.GetSelected(), Find(Tree, S.Caret)) << S.Typed << " after " << S.Pause;
        EXPECT_EQ(Narrow(Tree.GetSearchString()), S.Search) << S.Typed;
    }
    Now += TreeSearchTimeout + 1;
    EXPECT_EQ(Tree.GetSearchString(), u"");
}

} // namespace

namespace {

struct Drawing : ::testing::Test {
    TTreeNT Tree;
    void SetUp() override
    {
        Tree.resize(260, 300);
        Tree.setIndentation(19);
        Tree.show();
        Build(Tree, "A(a1(x),a2,a3),B(b1),C");
        Find(Tree, "A")->Expand(false);
    }
    QImage Shot() { return Tree.viewport()->grab().toImage(); }
    QRect Item(const char *Name) { return Tree.visualRect(Tree.Model()->IndexFromNode(Find(Tree, Name))); }
    // Pixels of a rectangle of Image whose colour is near Colour.
    static int Count(const QImage &Image, const QRect &R, const QColor &Colour)
    {
        int N = 0;
        for (int Y = R.top(); Y <= R.bottom(); ++Y)
            for (int X = R.left(); X <= R.right(); ++X) {
                const QColor C = Image.pixelColor(X, Y);
                N += std::abs(C.red() - Colour.red()) + std::abs(C.green() - Colour.green()) +
                         std::abs(C.blue() - Colour.blue()) <
                     40;
            }
        return N;
    }
};

} // namespace

// Lines and buttons are drawn by the tree itself as the three options ask: a button with
// "+" or "-" for a node with children, dotted lines joining siblings, and for top-level nodes
// only with toShowRoot.
TEST_F(Drawing, LinesAndButtonsFollowTheOptions)
{
    const QColor Line = Tree.palette().color(QPalette::Disabled, QPalette::Text);
    const QColor Frame = Tree.palette().color(QPalette::Dark);
    const QColor Sign = Tree.palette().color(QPalette::Text);
    struct Case {
        TTreeOptions On;
        bool TopButtons, ChildButtons, ChildLines, TopLines;
    };
    const Case Cases[] = {
        {toShowButtons | toShowLines | toShowRoot, true, true, true, true},
        {toShowButtons | toShowLines, false, true, true, false},
        {toShowButtons | toShowRoot, true, true, false, false},
        {toShowLines | toShowRoot, false, false, true, true},
        {0, false, false, false, false},
    };
    for (const Case &C : Cases) {
        Tree.SetOptions((Tree.GetOptions() & ~TTreeOptions(toShowButtons | toShowLines | toShowRoot)) | C.On);
        QApplication::processEvents();
        const QImage Image = Shot();
        const QRect A = Item("A"), A1 = Item("a1"), A2 = Item("a2"), B = Item("B");
        // Button squares: the collapsed B shows "+", the expanded A "-", a1 (collapsed) "+".
        auto ButtonAt = [&](const QRect &R) {
            return QRect(R.left() - Tree.indentation() + Tree.indentation() / 2 - 4, R.center().y() - 4, 9, 9);
        };
        const bool TopHasColumn = C.On & toShowRoot;
        if (TopHasColumn) {
            EXPECT_EQ(Count(Image, ButtonAt(B), Frame) >= 16, C.TopButtons) << C.On;
            const QRect BButton = ButtonAt(B);
            EXPECT_EQ(Image.pixelColor(BButton.center().x(), BButton.top() + 3) == Sign, C.TopButtons) << C.On;
            const QRect AButton = ButtonAt(A);
            EXPECT_NE(Image.pixelColor(AButton.center().x(), AButton.top() + 3), Sign) << C.On; // "-" only
        } else {
            EXPECT_EQ(A.left(), 0) << C.On;
        }
        EXPECT_EQ(Count(Image, ButtonAt(A1), Frame) >= 16, C.ChildButtons) << C.On;
        // a2 is a leaf between siblings: a vertical line through its column and one to its label.
        const int X = A2.left() - Tree.indentation() / 2;
        const QRect Vertical(X, A2.top(), 1, A2.height());
        const QRect Horizontal(X + 3, A2.top() + A2.height() / 2, Tree.indentation() / 2 - 3, 1);
        EXPECT_EQ(Count(Image, Vertical, Line) >= A2.height() / 3, C.ChildLines) << C.On;
        EXPECT_EQ(Count(Image, Horizontal, Line) >= 2, C.ChildLines) << C.On;
        // The top level's column joins A and B through A's children rows.
        if (TopHasColumn) {
            const QRect TopLine(A.left() - Tree.indentation() / 2, A1.top(), 1, A1.height());
            EXPECT_EQ(Count(Image, TopLine, Line) >= A1.height() / 3, C.TopLines) << C.On;
        }
    }
    // Clicks on a button's column expand only where a button is drawn.
    Tree.SetOptions(Tree.GetOptions() | toShowButtons | toShowRoot);
    const QRect B = Item("B");
    EXPECT_TRUE(Tree.GetHitTestInfoAt(B.left() - 3, B.center().y()) & (1u << 4));
    Tree.SetOptions(Tree.GetOptions() & ~TTreeOptions(toShowButtons));
    EXPECT_FALSE(Tree.GetHitTestInfoAt(B.left() - 3, B.center().y()) & (1u << 4));
    QTest::mouseClick(Tree.viewport(), Qt::LeftButton, {}, QPoint(B.left() - 3, B.center().y()));
    EXPECT_FALSE(Find(Tree, "B")->GetExpanded());
}

// The hot-track look, own state images, the insert mark in its colour and the border.
TEST_F(Drawing, HotTrackStateImagesInsertMarkAndBorder)
{
    Tree.SetOptions(Tree.GetOptions() | toHotTrack);
    const QRect B = Tree.NodeRect(Find(Tree, "B"), true);
    QTest::mouseMove(Tree.viewport(), B.center());
    EXPECT_EQ(Tree.GetHotNode(), Find(Tree, "B"));
    const QColor Link = Tree.palette().color(QPalette::Link);
    EXPECT_GT(Count(Shot(), B, Link), 5);
    Tree.SetOptions(Tree.GetOptions() & ~TTreeOptions(toHotTrack));
    EXPECT_EQ(Tree.GetHotNode(), nullptr);
    EXPECT_EQ(Count(Shot(), B, Link), 0);

    QPixmap Red(16, 16), Green(16, 16);
    Red.fill(Qt::red);
    Green.fill(Qt::green);
    Tree.SetStateImages({QIcon(), QIcon(Red), QIcon(Green)});
    Find(Tree, "B")->SetStateIndex(2);
    Find(Tree, "C")->SetStateIndex(0);
    QApplication::processEvents();
    QImage Image = Shot();
    const QRect BGlyph = Tree.Delegate()->GlyphRect(Item("B"));
    EXPECT_GT(Count(Image, BGlyph, Qt::green), 200);
    EXPECT_EQ(Count(Image, Tree.Delegate()->GlyphRect(Item("C")), Qt::green) +
                  Count(Image, Tree.Delegate()->GlyphRect(Item("C")), Qt::red),
              0);
    EXPECT_TRUE(Tree.GetHitTestInfoAt(BGlyph.center().x(), BGlyph.center().y()) & (1u << 9));

    Tree.SetInsertMarkColor(RGBToColor(0, 0, 255));
    Tree.SetInsertMark(Find(Tree, "C"), false);
    Image = Shot();
    const QRect C = Item("C");
    EXPECT_GT(Count(Image, QRect(0, C.top() - 1, Tree.viewport()->width(), 2), Qt::blue), 60);
    Tree.SetInsertMark(Find(Tree, "C"), true);
    Image = Shot();
    EXPECT_EQ(Count(Image, QRect(0, C.top() - 1, Tree.viewport()->width(), 1), Qt::blue), 0);
    EXPECT_GT(Count(Image, QRect(0, C.bottom() - 1, Tree.viewport()->width(), 2), Qt::blue), 60);
    Find(Tree, "C")->Free();
    EXPECT_EQ(Tree.GetInsertMark(), nullptr);

    EXPECT_GT(Tree.frameWidth(), 0);
    Tree.SetBorderStyle(bsNone);
    EXPECT_EQ(Tree.frameWidth(), 0);
    Tree.SetBorderStyle(bsSingle);
    EXPECT_GT(Tree.frameWidth(), 0);
}

// The drag image is the dragged node's picture with its hot spot under the mouse.
TEST_F(Drawing, DragImageFollowsTheMouseByItsHotSpot)
{
    Tree.setDragEnabled(true);
    const QRect B = Tree.NodeRect(Find(Tree, "B"), true);
    QTest::mousePress(Tree.viewport(), Qt::LeftButton, {}, B.center());
    QTest::mouseMove(Tree.viewport(), B.center() + QPoint(0, 30));
    QTest::mouseMove(Tree.viewport(), B.center() + QPoint(5, 40));
    ASSERT_TRUE(Tree.IsDragging());
    ASSERT_NE(Tree.DragImageWidget(), nullptr);
    EXPECT_TRUE(Tree.DragImageWidget()->isVisible());
    EXPECT_EQ(Tree.DragImageWidget()->pos(), B.center() + QPoint(5, 40) - QPoint(2, 2));
    EXPECT_FALSE(Tree.GetDragImage().isNull());
    EXPECT_GE(Tree.GetDragImage().width(), B.width());
    QTest::mouseRelease(Tree.viewport(), Qt::LeftButton, {}, B.center() + QPoint(5, 40));
    EXPECT_FALSE(Tree.DragImageWidget()->isVisible());
}

// With a scroll time, bringing a node into view glides there over that time.
TEST_F(Drawing, ScrollTimeGlides)
{
    Tree.Items().BeginUpdate();
    for (int I = 0; I < 200; ++I)
        Tree.Items().Add(nullptr, Wide("n" + std::to_string(I)));
    Tree.Items().EndUpdate();
    QApplication::processEvents();
    Tree.SetSelected(Find(Tree, "n199"));
    const int Far = Tree.verticalScrollBar()->value();
    EXPECT_GT(Far, 0);
    EXPECT_FALSE(Tree.IsScrollAnimating());
    Tree.SetScrollTime(50);
    EXPECT_EQ(Tree.GetScrollTime(), 100);
    Tree.SetSelected(Find(Tree, "A"));
    EXPECT_TRUE(Tree.IsScrollAnimating());
    EXPECT_EQ(Tree.verticalScrollBar()->value(), Far);
    QTRY_VERIFY(!Tree.IsScrollAnimating());
    EXPECT_EQ(Tree.verticalScrollBar()->value(), 0);
}
