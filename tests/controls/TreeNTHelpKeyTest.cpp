// F1 on the tree control: with OnGetHelpContext the caret node and then its ancestors are asked,
// then the control and its parents; without the event the tree leaves the key to the window.
#include "controls/TreeNT.h"
#include "platform/HelpContext.h"
#include "platform/HtmlHelp.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <vector>

TEST(TreeNTHelpKey, NodeThenAncestorsThenControl)
{
    QWidget panel;
    SetHelpContext(&panel, 77);
    TTreeNT tree(&panel);
    TTreeNTNode *root = tree.Items().Add(nullptr, u"root");
    TTreeNTNode *group = tree.Items().AddChild(root, u"group");
    TTreeNTNode *leaf = tree.Items().AddChild(group, u"leaf");
    TTreeNTNode *other = tree.Items().Add(nullptr, u"other");

    std::map<const TTreeNTNode *, int> contexts{{group, 300}};
    std::vector<const TTreeNTNode *> asked;
    tree.OnGetHelpContext = [&](TCustomTreeNT *, TTreeNTNode *Node, int &Context) {
        asked.push_back(Node);
        if (auto it = contexts.find(Node); it != contexts.end())
            Context = it->second;
    };
    std::vector<int> shown;
    const THelpEvent before = SetApplicationOnHelp([&](uint16_t Command, intptr_t Data, bool &CallHelp) {
        if (Command == HELP_CONTEXT)
            shown.push_back(int(Data));
        CallHelp = false;
        return true;
    });

    tree.SetSelected(leaf);
    QTest::keyClick(&tree, Qt::Key_F1);
    EXPECT_EQ(asked, (std::vector<const TTreeNTNode *>{leaf, group}));
    tree.SetSelected(other);
    QTest::keyClick(&tree, Qt::Key_F1); // no node has one: the control's parent has
    SetHelpContext(&tree, 55);
    EXPECT_TRUE(HelpKeyPressed(&tree)); // the window's F1 goes through the same rule
    EXPECT_EQ(shown, (std::vector<int>{300, 77, 55}));

    // An OnHelp of the tree's own takes the request instead of the application.
    int own = 0;
    tree.OnHelp = [&](int Context) { own = Context; };
    tree.SetSelected(leaf);
    QTest::keyClick(&tree, Qt::Key_F1);
    EXPECT_EQ(own, 300);
    EXPECT_EQ(shown.size(), 3u);

    // Without the event the tree has no rule: the window's F1 asks for the control's context.
    tree.OnGetHelpContext = nullptr;
    QTest::keyClick(&tree, Qt::Key_F1);
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_TRUE(HelpKeyPressed(&tree));
    EXPECT_EQ(shown.back(), 55);
    SetHelpContext(&tree, 0);
    SetHelpContext(&panel, 0);
    EXPECT_FALSE(HelpKeyPressed(&tree));
    SetApplicationOnHelp(before);
}
