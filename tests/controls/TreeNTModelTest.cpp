#include "TreeTestUtil.h"
#include "controls/TreeNTModel.h"
#include "platform/Classes.h"
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace treetest;

namespace {

struct TreeNTModelTest : ::testing::Test {
    TCustomTreeNT Tree;
    TTreeNTModel Model{Tree};
    std::unique_ptr<QAbstractItemModelTester> Tester;
    void SetUp() override
    {
        Tester =
            std::make_unique<QAbstractItemModelTester>(&Model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    // The model's rows mirror the core's children everywhere.
    void ExpectMirrors(const QModelIndex &Parent = {})
    {
        const TTreeNTNode *Node = Parent.isValid() ? Model.NodeFromIndex(Parent) : Tree.Items().GetRoot();
        ASSERT_EQ(Model.rowCount(Parent), Node->GetCount());
        for (int I = 0; I < Node->GetCount(); ++I) {
            const QModelIndex Child = Model.index(I, 0, Parent);
            ASSERT_EQ(Model.NodeFromIndex(Child), Node->GetItem(I));
            EXPECT_EQ(Model.data(Child).toString().toStdU16String(), Node->GetItem(I)->GetText());
            EXPECT_EQ(Model.parent(Child), Parent);
            ExpectMirrors(Child);
        }
    }
};

TEST_F(TreeNTModelTest, StaysConsistentThroughFillSortClearAndLoad)
{
    Build(Tree, "c(z,x,y),a,b(q)");
    ExpectMirrors();
    QPersistentModelIndex Kept = Model.IndexFromNode(Find(Tree, "x"));
    Tree.SetSortType(stText);
    ExpectMirrors();
    EXPECT_EQ(Outline(Tree), "a,b(q),c(x,y,z)");
    EXPECT_EQ(Model.NodeFromIndex(Kept), Find(Tree, "x"));
    EXPECT_EQ(Kept.row(), 0);
    Find(Tree, "x")->SetText(u"zz");
    ExpectMirrors();
    Find(Tree, "c")->Free();
    ExpectMirrors();
    Find(Tree, "b")->DeleteChildren();
    ExpectMirrors();
    Tree.Items().AddFirst(Find(Tree, "b"), u"first");
    Tree.Items().AddChild(Find(Tree, "b"), u"child");
    ExpectMirrors();
    Tree.Items().Clear();
    ExpectMirrors();

    TMemoryStream Stream;
    {
        TCustomTreeNT Source;
        Build(Source, "A(a1(x),a2),B");
        Source.SaveToStream(Stream, true);
    }
    Stream.SetPosition(0);
    Tree.LoadFromStream(Stream);
    ExpectMirrors();
    EXPECT_EQ(Outline(Tree), "A(a1(x),a2),B");
    const TTreeNTSnapshot Snap = Tree.Items().Snapshot();
    Tree.Items().Clear();
    Tree.Items().Restore(Snap);
    ExpectMirrors();
}

TEST_F(TreeNTModelTest, FillInsideAnUpdateBracketResetsOnce)
{
    QSignalSpy Inserted(&Model, &QAbstractItemModel::rowsInserted);
    QSignalSpy Reset(&Model, &QAbstractItemModel::modelReset);
    Tree.Items().BeginUpdate();
    TTreeNTNode *Group = nullptr;
    for (int I = 0; I < 5000; ++I) {
        if (I % 50 == 0)
            Group = Tree.Items().AddObject(nullptr, u"group", nullptr);
        else
            Tree.Items().AddChildObject(Group, u"item", nullptr);
    }
    Tree.Items().EndUpdate();
    EXPECT_EQ(Reset.count(), 1);
    EXPECT_EQ(Inserted.count(), 0);
    EXPECT_EQ(Model.rowCount(), 100);
    // Outside a bracket: row signals, no reset.
    Tree.Items().Add(nullptr, u"one more");
    EXPECT_EQ(Reset.count(), 1);
    EXPECT_EQ(Inserted.count(), 1);
    // A bracket without structural changes does not reset.
    Tree.Items().BeginUpdate();
    Tree.Items().GetFirstNode()->SetImageIndex(3);
    Tree.Items().EndUpdate();
    EXPECT_EQ(Reset.count(), 1);
}

TEST_F(TreeNTModelTest, ExpansionAndCaretAreForwarded)
{
    Build(Tree, "A(a1),B");
    QSignalSpy Expand(&Model, &TTreeNTModel::expandRequested);
    QSignalSpy Caret(&Model, &TTreeNTModel::caretChanged);
    Find(Tree, "A")->Expand(false);
    ASSERT_EQ(Expand.count(), 1);
    EXPECT_EQ(Model.NodeFromIndex(Expand[0][0].value<QModelIndex>()), Find(Tree, "A"));
    EXPECT_TRUE(Expand[0][1].toBool());
    Tree.SetSelected(Find(Tree, "a1"));
    ASSERT_EQ(Caret.count(), 1);
    EXPECT_EQ(Model.NodeFromIndex(Caret[0][0].value<QModelIndex>()), Find(Tree, "a1"));
}

} // namespace
