#include "ShownText.h"
#include "TreeTestUtil.h"
#include "controls/TreeNT.h"
#include "controls/TreeNTDelegate.h"
#include "controls/TreeNTModel.h"
#include <QScrollBar>
#include <QImage>
#include "platform/Classes.h"
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace treetest;

namespace {

struct TreeNTTest : ::testing::Test {
    TTreeNT Tree;
    void SetUp() override
    {
        Tree.resize(300, 400);
        Tree.show();
        QApplication::setActiveWindow(&Tree);
        Tree.setFocus();
    }
    QPoint Center(const char *Name)
    {
        const QRect R = Tree.NodeRect(Find(Tree, Name), true);
        return R.center();
    }
    void Click(const char *Name, Qt::KeyboardModifiers Mods = {})
    {
        QTest::mouseClick(Tree.viewport(), Qt::LeftButton, Mods, Center(Name));
    }
};

TEST_F(TreeNTTest, ClicksAndKeysDriveTheCore)
{
    Tree.SetOptions(Tree.GetOptions() | toMultiSelect);
    Build(Tree, "A(a1,a2),B,C");
    Tree.FullExpand();
    QApplication::processEvents();
    Click("a1");
    EXPECT_EQ(Tree.GetSelected(), Find(Tree, "a1"));
    EXPECT_EQ(Tree.Model()->NodeFromIndex(Tree.currentIndex()), Find(Tree, "a1"));
    Click("B", Qt::ControlModifier);
    EXPECT_EQ(SelectionText(Tree), "B,a1");
    Click("a2");
    EXPECT_EQ(SelectionText(Tree), "a2");
    QTest::keyClick(&Tree, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&Tree, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Tree.GetSelected(), Find(Tree, "C"));
    EXPECT_EQ(Tree.Items().GetSelectedCount(), 3);
    QTest::keyClick(&Tree, Qt::Key_Home);
    EXPECT_EQ(Tree.GetSelected(), Find(Tree, "A"));
    EXPECT_EQ(SelectionText(Tree), "A");
}

TEST_F(TreeNTTest, DeletingTheCaretNodeLeavesNoCaret)
{
    Build(Tree, "A(a1,a2,a3),B");
    Tree.FullExpand();
    Tree.SetSelected(Find(Tree, "a2"));
    int Changes = 0;
    Tree.OnChange = [&](TCustomTreeNT *, TTreeNTNode *) { ++Changes; };
    Find(Tree, "A")->DeleteChildren();
    EXPECT_EQ(Tree.GetSelected(), nullptr);
    EXPECT_FALSE(Tree.currentIndex().isValid());
    EXPECT_EQ(Changes, 0);
    Tree.SetSelected(Find(Tree, "B"));
    Find(Tree, "B")->Free();
    EXPECT_EQ(Tree.GetSelected(), nullptr);
    EXPECT_FALSE(Tree.currentIndex().isValid());
}

TEST_F(TreeNTTest, LabelEditsAskAndReport)
{
    Build(Tree, "A,B");
    Tree.SetOptions(Tree.GetOptions() & ~TTreeOptions(toReadOnly));
    Tree.OnEditing = [&](TTreeNT *, TTreeNTNode *N, bool &Allow) { Allow = N == Find(Tree, "A"); };
    Tree.OnEdited = [](TTreeNT *, TTreeNTNode *, WideString &S) { S += u"!"; };
    Tree.edit(Tree.Model()->IndexFromNode(Find(Tree, "B")));
    EXPECT_FALSE(Tree.IsEditing());
    const QModelIndex A = Tree.Model()->IndexFromNode(Find(Tree, "A"));
    Tree.edit(A);
    EXPECT_TRUE(Tree.IsEditing());
    // The editor's keys reach OnKeyDown first; a key it consumes never reaches the editor.
    std::vector<int> Keys;
    Tree.OnKeyDown = [&](TTreeNT *, int &Key, Qt::KeyboardModifiers) {
        Keys.push_back(Key);
        if (Key == 'Q')
            Key = 0;
    };
    QWidget *Editor = QApplication::focusWidget();
    ASSERT_NE(Editor, nullptr);
    ASSERT_NE(Editor, &Tree);
    QTest::keyClicks(Editor, "xq");
    EXPECT_EQ(Keys, (std::vector<int>{'X', 'Q'}));
    EXPECT_EQ(Editor->property("text").toString(), "x");
    Tree.OnKeyDown = nullptr;
    Tree.Model()->setData(A, QString("renamed"));
    EXPECT_EQ(Tree.Items().GetFirstNode()->GetText(), u"renamed!");
    // Read-only trees refuse edits.
    Tree.SetOptions(Tree.GetOptions() | toReadOnly);
    EXPECT_FALSE(Tree.Model()->flags(A) & Qt::ItemIsEditable);
}

TEST_F(TreeNTTest, NodesKnowWhereTheyAreShown)
{
    Build(Tree, "A(a1),B");
    QApplication::processEvents();
    TTreeNTNode *B = Find(Tree, "B");
    const TNodeRect Row = B->DisplayRect(false);
    const TNodeRect Label = B->DisplayRect(true);
    EXPECT_GT(Row.Bottom, Row.Top);
    EXPECT_GE(Label.Left, Row.Left);
    EXPECT_EQ(Tree.GetNodeAt((Label.Left + Label.Right) / 2, (Label.Top + Label.Bottom) / 2), B);
    EXPECT_EQ(Find(Tree, "a1")->DisplayRect(false), TNodeRect()); // hidden under a collapsed parent
    EXPECT_EQ(Tree.Items().GetNodeFromItem(B->GetItemId()), B);
    EXPECT_EQ(Tree.Items().GetNodeFromItem(0), nullptr);

    // Hit tests along B's row, with an image in front of the label.
    QPixmap Image(16, 16);
    Image.fill(Qt::red);
    Tree.SetImages({QIcon(Image)});
    B->SetImageIndex(0);
    QApplication::processEvents();
    const QRect Item = Tree.visualRect(Tree.Model()->IndexFromNode(B));
    const QRect Text = Tree.NodeRect(B, true);
    const int Y = Item.center().y();
    struct HitCase {
        int X;
        uint16_t Bits;
    };
    for (const HitCase &C : {HitCase{Item.left() - 2, 1u << 6},
                             HitCase{Item.left() + Tree.Delegate()->LabelOffset() / 2, (1u << 3) | (1u << 5)},
                             HitCase{Text.center().x(), (1u << 3) | (1u << 7)}, HitCase{Text.right() + 20, 1u << 8}})
        EXPECT_EQ(Tree.GetHitTestInfoAt(C.X, Y), C.Bits) << C.X;
    // The whole row is the node's: with full-row selection a click right of its label selects it.
    EXPECT_EQ(Tree.GetNodeAt(Text.right() + 20, Y), B);
    Tree.SetOptions(Tree.GetOptions() | toFullRowSelect);
    QTest::mouseClick(Tree.viewport(), Qt::LeftButton, {}, QPoint(Text.right() + 20, Y));
    EXPECT_EQ(Tree.GetSelected(), B);
}

TEST_F(TreeNTTest, StateGlyphClickTogglesOnRelease)
{
    Tree.SetOptions(Tree.GetOptions() | toCheckSupport);
    Tree.Items().SetRootCheckType(ctCheckBox);
    Build(Tree, "A,B");
    QApplication::processEvents();
    TTreeNTNode *B = Find(Tree, "B");
    const QRect Item = Tree.visualRect(Tree.Model()->IndexFromNode(B));
    const QPoint Glyph = Tree.Delegate()->GlyphRect(Item).center();
    EXPECT_TRUE(Tree.GetHitTestInfoAt(Glyph.x(), Glyph.y()) & (1u << 9));
    QTest::mousePress(Tree.viewport(), Qt::LeftButton, {}, Glyph);
    EXPECT_EQ(B->GetStateIndex(), cgUncheckedDisabled); // pressed look
    EXPECT_EQ(B->GetCheckState(), csUnchecked);
    QTest::mouseRelease(Tree.viewport(), Qt::LeftButton, {}, Glyph);
    EXPECT_EQ(B->GetCheckState(), csChecked);
    EXPECT_EQ(B->GetStateIndex(), cgChecked);
    // The glyph click does not move the caret.
    EXPECT_EQ(Tree.GetSelected(), nullptr);
    // A refused change leaves the glyph as it was before the press.
    Tree.OnChecking = [](TCustomTreeNT *, TTreeNTNode *, bool &Allow) { Allow = false; };
    QTest::mousePress(Tree.viewport(), Qt::LeftButton, {}, Glyph);
    EXPECT_EQ(B->GetStateIndex(), cgCheckedDisabled);
    QTest::mouseRelease(Tree.viewport(), Qt::LeftButton, {}, Glyph);
    EXPECT_EQ(B->GetCheckState(), csChecked);
    EXPECT_EQ(B->GetStateIndex(), cgChecked);
}

TEST_F(TreeNTTest, ViewExpansionAsksTheCoreAndFillsLazily)
{
    Build(Tree, "Dir,Locked(x)");
    TTreeNTNode *Dir = Find(Tree, "Dir");
    Dir->SetHasChildren(true);
    Tree.OnExpanding = [&](TCustomTreeNT *, TTreeNTNode *Node, bool &Allow) {
        if (Narrow(Node->GetText()) == "Locked") {
            Allow = false;
            return;
        }
        Tree.Items().BeginUpdate();
        Node->DeleteChildren();
        Tree.Items().AddChild(Node, u"file1");
        Tree.Items().AddChild(Node, u"file2");
        Tree.Items().EndUpdate();
    };
    Tree.expand(Tree.Model()->IndexFromNode(Dir));
    QApplication::processEvents();
    EXPECT_EQ(Outline(Tree), "Dir(file1,file2),Locked(x)");
    EXPECT_TRUE(Dir->GetExpanded());
    EXPECT_TRUE(Tree.isExpanded(Tree.Model()->IndexFromNode(Dir)));
    TTreeNTNode *Locked = Find(Tree, "Locked");
    Tree.expand(Tree.Model()->IndexFromNode(Locked));
    EXPECT_FALSE(Locked->GetExpanded());
    EXPECT_FALSE(Tree.isExpanded(Tree.Model()->IndexFromNode(Locked)));
    // Expanding by code reaches the view.
    Tree.OnExpanding = nullptr;
    Locked->Expand(false);
    EXPECT_TRUE(Tree.isExpanded(Tree.Model()->IndexFromNode(Locked)));
}

TEST_F(TreeNTTest, SnapshotRestoreKeepsViewState)
{
    Build(Tree, "A(a1(x),a2),B(b1)");
    Find(Tree, "A")->Expand(false);
    Find(Tree, "a1")->Expand(false);
    Tree.SetSelected(Find(Tree, "x"));
    const TTreeNTSnapshot Snap = Tree.Items().Snapshot();
    Tree.Items().Clear();
    Build(Tree, "other");
    Tree.Items().Restore(Snap);
    QApplication::processEvents();
    EXPECT_TRUE(Tree.isExpanded(Tree.Model()->IndexFromNode(Find(Tree, "A"))));
    EXPECT_TRUE(Tree.isExpanded(Tree.Model()->IndexFromNode(Find(Tree, "a1"))));
    EXPECT_FALSE(Tree.isExpanded(Tree.Model()->IndexFromNode(Find(Tree, "B"))));
    EXPECT_EQ(Tree.Model()->NodeFromIndex(Tree.currentIndex()), Find(Tree, "x"));
}

TEST_F(TreeNTTest, RubberBandSelectsWhatItMeets)
{
    Tree.SetOptions(Tree.GetOptions() | toMultiSelect);
    Build(Tree, "A,B,C,D");
    QApplication::processEvents();
    const QRect RA = Tree.NodeRect(Find(Tree, "A"), true);
    const QRect RC = Tree.NodeRect(Find(Tree, "C"), true);
    // From right of A's label down to C.
    QTest::mousePress(Tree.viewport(), Qt::LeftButton, {}, QPoint(RA.right() + 40, RA.center().y()));
    EXPECT_TRUE(Tree.BandActive());
    QTest::mouseMove(Tree.viewport(), QPoint(RC.left() + 2, RC.center().y()));
    EXPECT_EQ(SelectionText(Tree), "A,B,C");
    // Shrinking the band gives C back.
    QTest::mouseMove(Tree.viewport(), QPoint(RA.left() + 2, RA.bottom() + 2));
    EXPECT_EQ(SelectionText(Tree), "A,B");
    QTest::mouseRelease(Tree.viewport(), Qt::LeftButton, {}, QPoint(RA.left() + 2, RA.bottom() + 2));
    EXPECT_FALSE(Tree.BandActive());
    // With Ctrl the band toggles.
    Tree.BandStart(QPoint(RA.right() + 40, RA.center().y()), true);
    Tree.BandMoveTo(QPoint(RC.left() + 2, RC.center().y()));
    Tree.BandEnd();
    EXPECT_EQ(SelectionText(Tree), "C");
}

TEST_F(TreeNTTest, ItemBackgroundFollowsTheColourRules)
{
    Build(Tree, "Own,Plain,Sel");
    Tree.SetColor(RGBToColor(0, 0, 200));
    Tree.SetColorSelected(RGBToColor(0, 200, 0));
    Tree.SetColorUnfocusedSelected(RGBToColor(200, 200, 0));
    Find(Tree, "Own")->SetColor(RGBToColor(200, 0, 0));
    Tree.SetSelected(Find(Tree, "Sel"));
    std::vector<TTreeNTNode *> Painted;
    uint16_t SelStates = 0;
    Tree.OnBeforeItemPaint = [&](TTreeNT *, TTreeNTNode *N, const QRect &, uint16_t States, bool &) {
        Painted.push_back(N);
        if (N == Find(Tree, "Sel"))
            SelStates = States;
    };
    auto Pixel = [&](const char *Name) {
        const QRect R = Tree.NodeRect(Find(Tree, Name), true);
        const QImage Image = Tree.viewport()->grab().toImage();
        return QColor(Image.pixel(R.left() + 1, R.center().y()));
    };
    Tree.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(Tree.hasFocus());
    {
        EXPECT_EQ(Pixel("Sel"), QColor(0, 200, 0));
        EXPECT_TRUE(SelStates & nsSelected);
        EXPECT_TRUE(SelStates & nsFocused);
    }
    EXPECT_EQ(Pixel("Own"), QColor(200, 0, 0));
    EXPECT_FALSE(Painted.empty());
    // Unfocused, the selection keeps its own colour only without toHideSelection.
    Tree.clearFocus();
    Tree.SetOptions(Tree.GetOptions() & ~TTreeOptions(toHideSelection));
    QApplication::processEvents();
    EXPECT_EQ(Pixel("Sel"), QColor(200, 200, 0));
    Tree.SetOptions(Tree.GetOptions() | toHideSelection);
    EXPECT_NE(Pixel("Sel"), QColor(200, 200, 0));
    // A drop target during a drag shows the selected colour.
    Tree.DragStart(Find(Tree, "Plain"));
    Tree.SetDropTarget(Find(Tree, "Plain"));
    EXPECT_EQ(Pixel("Plain"), QColor(0, 200, 0));
    Tree.DragFinish(false);
}

TEST_F(TreeNTTest, TooltipsFollowTheOptions)
{
    Build(Tree, "short");
    TTreeNTNode *Long = Tree.Items().Add(nullptr, WideString(100, u'x'));
    const QModelIndex Index = Tree.Model()->IndexFromNode(Long);
    auto Tip = [&] { return Tree.Model()->data(Index, Qt::ToolTipRole).toString(); };
    EXPECT_TRUE(Tip().isEmpty());
    Tree.SetOptions(Tree.GetOptions() | toToolTips);
    EXPECT_EQ(Tip(), QString(76, 'x') + "...");
    Tree.SetOptions(Tree.GetOptions() | toInfoTip);
    Tree.OnHint = [](TTreeNT *, TTreeNTNode *, WideString &Text) { Text = u"hint"; };
    EXPECT_EQ(Tip(), "hint");
    // A tip carrying data that looks like markup shows it as it stands.
    for (const char16_t *Data : {u"http://127.0.0.1/a?q=<b>x</b>", u"<i>draft.html"}) {
        Tree.OnHint = [Data](TTreeNT *, TTreeNTNode *, WideString &Text) { Text = Data; };
        EXPECT_EQ(shown::ShownToolTip(Tip()).toStdString(), QString::fromUtf16(Data).toStdString());
    }
}

TEST_F(TreeNTTest, DragAutoExpandsAndDrops)
{
    Build(Tree, "Src,Folder(f1)");
    QApplication::processEvents();
    TTreeNTNode *Source = nullptr, *Target = nullptr;
    Tree.OnDragDrop = [&](TTreeNT *, TTreeNTNode *S, TTreeNTNode *T) {
        Source = S;
        Target = T;
    };
    Tree.DragStart(Find(Tree, "Src"));
    Tree.DragMoveTo(Center("Folder"));
    EXPECT_EQ(Tree.GetDropTarget(), Find(Tree, "Folder"));
    EXPECT_TRUE(Find(Tree, "Folder")->GetDropTarget());
    Tree.AutoExpandTimerFired();
    EXPECT_TRUE(Find(Tree, "Folder")->GetExpanded());
    Tree.DragFinish(true);
    EXPECT_EQ(Source, Find(Tree, "Src"));
    EXPECT_EQ(Target, Find(Tree, "Folder"));
    EXPECT_EQ(Tree.GetDropTarget(), nullptr);
}

TEST_F(TreeNTTest, NodesDeletedMidGestureAreForgotten)
{
    Tree.SetOptions(Tree.GetOptions() | toCheckSupport);
    Tree.Items().SetRootCheckType(ctCheckBox);
    Build(Tree, "A,B,C");
    QApplication::processEvents();
    int Checked = 0;
    Tree.OnChecked = [&](TCustomTreeNT *, TTreeNTNode *) { ++Checked; };
    TTreeNTNode *Source = Find(Tree, "A"), *Target = Find(Tree, "A");
    Tree.OnDragDrop = [&](TTreeNT *, TTreeNTNode *S, TTreeNTNode *T) {
        Source = S;
        Target = T;
    };
    // A glyph pressed, then its node deleted before the button comes up.
    const QPoint Glyph =
        Tree.Delegate()->GlyphRect(Tree.visualRect(Tree.Model()->IndexFromNode(Find(Tree, "B")))).center();
    QTest::mousePress(Tree.viewport(), Qt::LeftButton, {}, Glyph);
    Find(Tree, "B")->Free();
    QTest::mouseRelease(Tree.viewport(), Qt::LeftButton, {}, Glyph);
    EXPECT_EQ(Checked, 0);
    // A dragged node deleted before the drop; then the whole tree cleared under a drag.
    for (const bool ClearAll : {false, true}) {
        Tree.DragStart(Find(Tree, "A"));
        Tree.DragMoveTo(Center("C"));
        if (ClearAll)
            Tree.Items().Clear();
        else
            Find(Tree, "A")->Free();
        Tree.DragFinish(true);
        EXPECT_EQ(Source, nullptr) << ClearAll;
        EXPECT_EQ(Target, ClearAll ? nullptr : Find(Tree, "C")) << ClearAll;
        if (!ClearAll)
            Tree.Items().Add(nullptr, u"A");
    }
}

TEST_F(TreeNTTest, AutoScrollRunsNearTheEdgeAndSpeedsUp)
{
    for (int I = 0; I < 200; ++I)
        Tree.Items().Add(nullptr, u"line");
    QApplication::processEvents();
    Tree.ScrollAt(10, Tree.viewport()->height() - 1);
    ASSERT_TRUE(Tree.AutoScrollActive());
    EXPECT_EQ(Tree.AutoScroll().Interval(), 300);
    const int Before = Tree.verticalScrollBar()->value();
    Tree.AutoScrollTimerFired();
    EXPECT_GT(Tree.verticalScrollBar()->value(), Before);
    EXPECT_EQ(Tree.AutoScroll().Interval(), 37);
    Tree.ScrollAt(10, Tree.viewport()->height() / 2);
    EXPECT_FALSE(Tree.AutoScrollActive());

    // The interval sequence, and pages once it is below 2 ms; the timer keeps 10 ms at least.
    TTreeAutoScroll Scroll;
    Scroll.Start();
    std::vector<int> Intervals;
    std::vector<bool> Pages;
    for (int I = 0; I < 13; ++I) {
        Pages.push_back(Scroll.Tick());
        Intervals.push_back(Scroll.Interval());
    }
    EXPECT_EQ(Intervals, (std::vector<int>{37, 27, 20, 15, 11, 8, 6, 4, 3, 2, 1, 1, 1}));
    EXPECT_EQ(Pages, (std::vector<bool>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(Scroll.TimerInterval(), 10);
}

TEST_F(TreeNTTest, ChangeDelayReportsOnlyTheLast)
{
    Build(Tree, "A,B,C");
    std::vector<TTreeNTNode *> Changes;
    Tree.OnChange = [&](TCustomTreeNT *, TTreeNTNode *N) { Changes.push_back(N); };
    Tree.SetChangeDelay(300);
    Tree.SetSelected(Find(Tree, "A"));
    Tree.SetSelected(Find(Tree, "B"));
    Tree.SetSelected(Find(Tree, "C"));
    EXPECT_TRUE(Changes.empty());
    QTest::qWait(450);
    EXPECT_EQ(Changes, (std::vector<TTreeNTNode *>{Find(Tree, "C")}));
}

TEST(TreeNTTipTest, LongTextsAreCut)
{
    EXPECT_EQ(TreeNTTipText(WideString(100, u'x')), WideString(76, u'x') + u"...");
    EXPECT_EQ(TreeNTTipText(WideString(80, u'x')), WideString(76, u'x') + u"...");
    EXPECT_EQ(TreeNTTipText(WideString(79, u'x')), WideString(79, u'x'));
}

TEST(TreeNTOptionsTest, PropertyRules)
{
    TTreeNT Tree;
    EXPECT_EQ(Tree.GetOptions(), 0x3A053u);
    Tree.SetOptions(Tree.GetOptions() | toFullRowSelect);
    EXPECT_FALSE(Tree.HasOption(toShowLines));
    EXPECT_EQ(Tree.GetScrollTime(), 0);
    Tree.SetScrollTime(0);
    EXPECT_EQ(Tree.GetScrollTime(), 0);
    Tree.SetScrollTime(50);
    EXPECT_EQ(Tree.GetScrollTime(), 100);
    // Turning multi-selection off clears the selection.
    Tree.SetOptions(Tree.GetOptions() | toMultiSelect);
    Build(Tree, "A,B");
    Tree.Items().Select(Find(Tree, "A"), 0);
    Tree.Items().Select(Find(Tree, "B"), 0);
    Tree.SetOptions(Tree.GetOptions() & ~TTreeOptions(toMultiSelect));
    EXPECT_EQ(Tree.Items().GetSelectedCount(), 0);
}

} // namespace
