// The directory page over a temporary folder: what is listed and in which order, folders read only
// when expanded, files refused or opened on a double click.
#include "tests/shell/MainWindowSupport.h"

#include "controls/TreeNT.h"
#include "shell/DirectoryTab.h"

#include <QApplication>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

std::vector<std::string> ChildTexts(TTreeNTNode *Node)
{
    std::vector<std::string> out;
    for (TTreeNTNode *n = Node->GetFirstChild(); n; n = n->GetNextSibling())
        out.push_back(Narrow(n->GetText()));
    return out;
}

TTreeNTNode *Child(TTreeNTNode *Node, const char *Text)
{
    for (TTreeNTNode *n = Node->GetFirstChild(); n; n = n->GetNextSibling())
        if (Narrow(n->GetText()) == Text)
            return n;
    return nullptr;
}

} // namespace

TEST(DirectoryTab, ListsFoldersFirstReadsThemWhenExpandedAndOpensTextFiles)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    QDir base(f.Dir.path());
    for (const char *d : {"tree/.hidden", "tree/a", "tree/B/deeper", "tree/Zeta"})
        ASSERT_TRUE(base.mkpath(QString::fromLatin1(d)));
    for (const char *file : {"tree/.dot.txt", "tree/B/Inner.TXT", "tree/b.txt", "tree/c.TXT", "tree/photo.PDF",
                             "tree/readme", "tree/page.html", "tree/Zeta/.only-hidden"})
        WriteBytes(f.File(QString::fromLatin1(file)), "text\n");
    const QString root = QDir(f.File(QStringLiteral("tree"))).canonicalPath();

    TDirectoryTab &page = *f.Window->TabSheetFiles;
    TTreeNT &tree = *page.TreeNTFiles;
    EXPECT_EQ(Narrow(tree.Items().GetFirstNode()->GetText()), "Select a root directory");
    // Cancelling the folder dialog changes nothing.
    page.BrowseForFolder = [] { return QString(); };
    page.ButtonSelRoot->click();
    EXPECT_EQ(Narrow(tree.Items().GetFirstNode()->GetText()), "Select a root directory");
    page.BrowseForFolder = [&] { return root + QLatin1Char('/'); };
    page.ButtonSelRoot->click();

    TTreeNTNode *top = tree.Items().GetFirstNode();
    EXPECT_EQ(ToQString(top->GetText()), root + QLatin1Char('/'));
    EXPECT_EQ(page.RootPath(), root);
    EXPECT_TRUE(top->GetExpanded());
    // Folders first, then files, each without regard to case; dot names left out.
    EXPECT_EQ(ChildTexts(top),
              (std::vector<std::string>{"a", "B", "Zeta", "b.txt", "c.TXT", "page.html", "photo.PDF", "readme"}));
    // Only a folder holding a visible entry shows an expand button, and nothing is read yet.
    TTreeNTNode *a = Child(top, "a"), *b = Child(top, "B"), *zeta = Child(top, "Zeta");
    EXPECT_FALSE(a->GetHasChildren());
    EXPECT_FALSE(zeta->GetHasChildren());
    EXPECT_TRUE(b->GetHasChildren());
    EXPECT_EQ(b->GetCount(), 0);
    EXPECT_EQ(a->GetImageIndex(), TDirectoryTab::ImageFolder);
    EXPECT_EQ(a->GetSelectedIndex(), TDirectoryTab::ImageFolderOpen);
    EXPECT_EQ(Child(top, "readme")->GetImageIndex(), TDirectoryTab::ImageDocument);
    // One image for each extension, whatever its case.
    EXPECT_EQ(Child(top, "b.txt")->GetImageIndex(), Child(top, "c.TXT")->GetImageIndex());

    b->Expand(false);
    EXPECT_EQ(ChildTexts(b), (std::vector<std::string>{"deeper", "Inner.TXT"}));
    EXPECT_FALSE(Child(b, "deeper")->GetHasChildren());
    EXPECT_EQ(page.DirNodePath(Child(b, "Inner.TXT")), root + QStringLiteral("/B/Inner.TXT"));
    // A file added meanwhile shows at the next expansion; collapsing frees what was read.
    b->Collapse(false);
    EXPECT_EQ(b->GetCount(), 0);
    EXPECT_TRUE(b->GetHasChildren());
    WriteBytes(f.File(QStringLiteral("tree/B/added.txt")), "x");
    b->Expand(false);
    EXPECT_EQ(ChildTexts(b), (std::vector<std::string>{"deeper", "added.txt", "Inner.TXT"}));

    // Double clicks: a folder does nothing, a refused extension (any case) is refused, a file
    // without extension opens, and a second time it is reported as open.
    f.Prompts->Clear();
    page.TreeNTFilesDblClick(a);
    page.TreeNTFilesDblClick(Child(top, "photo.PDF"));
    EXPECT_EQ(f.PromptTexts(), std::vector<std::string>{"Can only edit files that are plain text"});
    EXPECT_EQ(f.Window->TabCount(), 0);
    tree.SetSelected(Child(top, "readme"));
    ASSERT_TRUE(tree.OnDblClick);
    tree.OnDblClick(&tree, nullptr);
    ASSERT_EQ(f.Window->TabCount(), 1);
    EXPECT_EQ(ToQString(f.Window->Tab(0)->Editor->FileName()), root + QStringLiteral("/readme"));
    page.TreeNTFilesDblClick(Child(top, "readme"));
    EXPECT_EQ(f.Window->TabCount(), 1);
    EXPECT_NE(f.PromptTexts().back().find("is already open"), std::string::npos);

    // A root that vanished fills nothing.
    page.SelectRoot(f.File(QStringLiteral("gone")));
    EXPECT_EQ(tree.Items().GetFirstNode()->GetCount(), 0);
}

TEST(DirectoryTab, RefusedExtensions)
{
    for (const char *name : {"a.exe", "b.PDF", "/x/y.Zip", "c.tar.gz", "d.jpg", "e.avi", "f.chm"})
        EXPECT_TRUE(IsRefusedExtension(QString::fromLatin1(name))) << name;
    for (const char *name : {"a.txt", "readme", "g.html", "h.jpeg", "/dir.exe/plain", "i.gzip"})
        EXPECT_FALSE(IsRefusedExtension(QString::fromLatin1(name))) << name;
}

TEST(DirectoryTab, MouseOpensFoldersAndFilesAsTheUserClicks)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    ASSERT_TRUE(QDir(f.Dir.path()).mkpath(QStringLiteral("root/inner")));
    WriteBytes(f.File(QStringLiteral("root/inner/note.txt")), "note\n");
    const QString root = QDir(f.File(QStringLiteral("root"))).canonicalPath();
    f.Window->resize(900, 600);
    f.Window->show();
    const int tabs = f.Window->TabCount(); // the first showing may open a new file
    TDirectoryTab &page = *f.Window->TabSheetFiles;
    f.Window->PageControlNav->setCurrentWidget(&page);
    page.SelectRoot(root);
    TTreeNT &tree = *page.TreeNTFiles;
    QApplication::processEvents();
    TTreeNTNode *inner = tree.Items().GetFirstNode()->GetFirstChild();
    ASSERT_NE(inner, nullptr);
    // A double click on a folder expands it (reading it), and opens nothing.
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, tree.NodeRect(inner, true).center());
    QApplication::processEvents();
    ASSERT_EQ(ChildTexts(inner), std::vector<std::string>{"note.txt"});
    EXPECT_EQ(f.Window->TabCount(), tabs);
    TTreeNTNode *note = inner->GetFirstChild();
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, {}, tree.NodeRect(note, true).center());
    ASSERT_EQ(f.Window->TabCount(), tabs + 1);
    EXPECT_EQ(ToQString(f.Window->ActiveEditor()->FileName()), root + QStringLiteral("/inner/note.txt"));
    EXPECT_TRUE(f.PromptTexts().empty());
}
