// Navigation tree building: where nodes go, lookups by name, deletion with emptied groups, constructor
// marking and the lifetime of node records.
#include <gtest/gtest.h>

#include "tests/checker/CheckerTestSupport.h"

using namespace checktest;

TEST(NavTree, NodesGoUnderTheirGroupsAndRoots)
{
    TNavTreeMemory tree;
    TNavTreeBuilder b;
    b.ClearTree(&tree);
    b.AddRootNode("Javascript section#1", 4, nkSectionRoot);
    TNavNode f = b.AddFunctionNode("(a)", 5, nullptr, nkFunction, false); // anonymous
    b.AddVariableNode("x", 7, f, nkLocalVar, false, false);
    b.AddVariableNode("g", 3, nullptr, nkGlobalVar, false, false);
    b.AddNamedObjectNode("f1", 10, nkForm, 1);
    b.AddNamedObjectNode("field input", 11, nkNamedElement, 1);
    b.AddNamedObjectNode("pic img", 12, nkNamedElement, 0);
    b.AddRootNode("Include#1 lib.js", 20, nkIncludeRoot);
    b.AddFunctionNode("lib()", *TCheckLine::InInclude(1, 0), nullptr, nkFunction, true);
    b.AddVariableNode("libvar", *TCheckLine::InInclude(1, 1), nullptr, nkGlobalVar, true, false);
    b.AddEventNode("onclick go()", 30);
    b.AddDynamicHTMLName("dyn", 31);
    b.AddRootNode("Server-side inline", 40, nkSectionRoot);
    b.AddVariableNode("srv", 42, nullptr, nkGlobalVar, false, true);
    EXPECT_EQ(DumpTree(tree), "Global variables [4] 2\n"
                              "  g [5] 2\n"
                              "Javascript section#1 [3] 4\n"
                              "  function(a) [7] 5\n"
                              "    x [8] 6\n"
                              "HTML Named objects [10] 9\n"
                              "  f1 [11] 9\n"
                              "    field input [12] 10\n"
                              "  pic img [12] 11\n"
                              "Include#1 lib.js [2] 20\n"
                              "  lib() [7] i1:0\n"
                              "  Global variables [4] i1:0\n"
                              "    libvar [5] i1:0\n"
                              "Events [13] 29\n"
                              "  onclick go() [14] 29\n"
                              "Dynamic HTML Names [17] 30\n"
                              "  dyn [18] 30\n"
                              "Server-side inline [3] 40\n"
                              "  srv [5] 41\n");
}

TEST(NavTree, OptionsKeepNodesOut)
{
    struct Case {
        bool Globals, Locals;
        const char *Dump;
    } cases[] = {
        {true, true,
         "Global variables [4] 0\n  g [5] 0\nJavascript functions [3] 0\n  f() [7] 1\n    loc [8] 2\n    inner() [9] "
         "3\n"},
        {false, true, "Javascript functions [3] 0\n  f() [7] 1\n    loc [8] 2\n    inner() [9] 3\n"},
        {true, false, "Global variables [4] 0\n  g [5] 0\nJavascript functions [3] 0\n  f() [7] 1\n"},
    };
    for (const Case &c : cases) {
        TNavTreeMemory tree;
        TNavTreeBuilder b;
        b.SetOptions(c.Globals, c.Locals);
        b.ClearTree(&tree);
        b.AddRootNode("Javascript functions", 0, nkSectionRoot);
        b.AddVariableNode("g", 1, nullptr, nkGlobalVar, false, false);
        TNavNode f = b.AddFunctionNode("f()", 1, nullptr, nkFunction, false);
        b.AddVariableNode("loc", 3, nullptr, nkLocalVar, false, false);
        TNavNode inner = b.AddFunctionNode("inner()", 3, nullptr, nkNestedFunction, false);
        EXPECT_EQ(inner == nullptr, !c.Locals);
        EXPECT_NE(f, nullptr);
        EXPECT_EQ(DumpTree(tree), c.Dump) << c.Globals << c.Locals;
    }
}

TEST(NavTree, LookupsDeletionAndConstructors)
{
    TNavTreeMemory tree;
    TNavTreeBuilder b;
    b.ClearTree(&tree);
    b.AddRootNode("Javascript functions", 0, nkSectionRoot);
    b.AddVariableNode("only", 1, nullptr, nkGlobalVar, false, false);
    TNavNode init = b.AddFunctionNode("init(a,b)", 2, nullptr, nkFunction, false);
    // A local of the same name and line as a following function node is replaced by it.
    b.AddVariableNode("helper", 4, init, nkLocalVar, false, false);
    b.AddFunctionNode("helper()", 3, init, nkFunction, false);
    EXPECT_EQ(b.FindTreeNode("init", nkFunction), init);
    EXPECT_EQ(b.FindTreeNode("init", nkAnyKind), init);
    EXPECT_EQ(b.FindTreeNode("init", nkLocalVar), nullptr);
    EXPECT_EQ(b.FindTreeNode("init(a,b)", nkFunction), nullptr);

    // Deleting needs the full text; the emptied group goes with its last variable and comes back on use.
    b.DeleteTreeNode("init", nkFunction);
    EXPECT_NE(b.FindTreeNode("init", nkFunction), nullptr);
    b.DeleteTreeNode("only", nkGlobalVar);
    EXPECT_EQ(DumpTree(tree), "Javascript functions [3] 0\n  init(a,b) [7] 2\n    helper() [7] 3\n");
    b.AddVariableNode("again", 9, nullptr, nkGlobalVar, false, false);

    b.MarkConstructor("init");
    b.AddConstructorMember("this.x", 6, "init", nkLocalVar);
    b.AddConstructorMember("this.y", 6, "nobody", nkLocalVar);
    EXPECT_EQ(DumpTree(tree), "Global variables [4] 8\n"
                              "  again [5] 8\n"
                              "Javascript functions [3] 0\n"
                              "  Constructor-init(a,b) [19] 2\n"
                              "    helper() [7] 3\n"
                              "    this.x [8] 5\n");
    // Deleting the current function node forgets it: a nested function then has no parent to go to.
    b.DeleteTreeNode("helper()", nkFunction);
    EXPECT_EQ(b.CurrentFunctionNode(), nullptr);
}

TEST(NavTree, RecordsOfASavedTreeOutliveTheNextFilling)
{
    TNavTreeMemory first, second;
    TNavTreeBuilder b;
    b.ClearTree(&first);
    b.AddRootNode("Javascript functions", 0, nkSectionRoot);
    b.AddFunctionNode("kept()", 7, nullptr, nkFunction, false);
    std::shared_ptr<TNavRecArena> saved = b.Records(); // what a tab keeps with its tree
    EXPECT_EQ(saved->Count(), 2u);

    b.ClearTree(&second);
    b.AddRootNode("Javascript section#1", 1, nkSectionRoot);
    EXPECT_NE(b.Records(), saved);
    // The first tree's records are still readable.
    EXPECT_EQ(DumpTree(first), "Javascript functions [3] 0\n  kept() [7] 7\n");

    // Clearing a tree detaches its records before the nodes go.
    b.ClearTree(&first);
    EXPECT_EQ(first.GetCount(), 0);
    EXPECT_EQ(saved->Count(), 2u);
}

// A node's data is read as a record only when it is one this arena made: over several chunks of
// records, and never for an address inside a record, a slot not handed out yet or another arena's record.
TEST(NavTree, AnArenaKnowsExactlyTheRecordsItMade)
{
    TNavRecArena arena, other;
    std::vector<TNavNodeRec *> made;
    for (int i = 0; i < 2500; ++i) // past two chunks
        made.push_back(arena.New("n" + std::to_string(i), i, nkFunction));
    TNavNodeRec *foreign = other.New("foreign", 1, nkFunction);
    for (size_t i = 0; i < made.size(); ++i) {
        ASSERT_EQ(arena.Find(made[i]), made[i]) << i;
        ASSERT_EQ(arena.Find(reinterpret_cast<const char *>(made[i]) + 1), nullptr) << i;
    }
    EXPECT_EQ(made[1234]->Name, "n1234");
    EXPECT_EQ(made[1234]->Line, TCheckLine(1234));
    const int local = 0;
    for (const void *none : {static_cast<const void *>(nullptr), static_cast<const void *>(foreign),
                             static_cast<const void *>(made.back() + 1), static_cast<const void *>(&local)})
        EXPECT_EQ(arena.Find(none), nullptr);
    EXPECT_EQ(other.Find(made[0]), nullptr);
    EXPECT_EQ(other.Find(foreign), foreign);
    EXPECT_EQ(arena.Count(), 2500u);
}
