// The reference windows as the user meets them from the main window.
#include "tests/shell/MainWindowSupport.h"

#include "controls/TreeNT.h"
#include "controls/TreeNTNode.h"
#include "shell/ReferenceData.h"
#include "shell/ReferenceWindows.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <map>

#include <gtest/gtest.h>

using namespace mwtest;

TEST(ReferenceData, AsciiRowsAndBuiltinRows)
{
    const auto ascii = AsciiReferenceRows();
    ASSERT_EQ(ascii.size(), 256u);
    EXPECT_EQ(ascii[65], (TReferenceRow{"      65", "41", "A"}));
    EXPECT_EQ(ascii[126][2], " ");
    EXPECT_EQ(ascii[32][2], "<space>");
    EXPECT_EQ(ascii[13][2], "<carriage return>");
    EXPECT_EQ(ascii[255], (TReferenceRow{"     255", "FF", " "}));

    const auto names = BuiltinReferenceRows();
    ASSERT_EQ(names.size(), 1u + 272u + 1u + 7u);
    EXPECT_EQ(names[0], (TReferenceRow{"*** First section", "is Case sensitive!", ""}));
    EXPECT_EQ(names[273], (TReferenceRow{"*** Second section", "is Case insensitive!", ""}));
    EXPECT_FALSE(names[272][1].empty());
    EXPECT_TRUE(names[272][2].empty()); // the last DOM row holds two names
    EXPECT_FALSE(names[280][0].empty());
    EXPECT_TRUE(names[280][1].empty()); // the last special row holds one
}

TEST(ReferenceWindows, CodeTreeCopyAndPasteFromTheWindow)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    const QString page = f.Put(QStringLiteral("a.js"), "var x = 1;\n");
    f.Window->OpenFile(W(page), true, false, WideString());

    TfrmCodeTree &tree = *f.Window->frmCodeTree;
    EXPECT_EQ(tree.TreeNTCode->Items().GetCount(), 295);
    EXPECT_FALSE(tree.ExpandAll1->isEnabled());
    tree.CollapseAll1Click();
    EXPECT_TRUE(tree.ExpandAll1->isEnabled());
    EXPECT_FALSE(tree.CollapseAll1->isEnabled());

    // Pasting a leaf replaces the editor's selection with its text, quotes included.
    TTreeNTNode *open = nullptr;
    for (int i = 0; i < tree.TreeNTCode->Items().GetCount(); ++i)
        if (tree.TreeNTCode->Items().GetNodeFromIndex(i)->GetText() == u"window.open(\"\",\"\")")
            open = tree.TreeNTCode->Items().GetNodeFromIndex(i);
    ASSERT_NE(open, nullptr);
    TSyntaxEdit &editor = f.Editor(0);
    editor.SetBlockBegin({4, 0});
    editor.SetBlockEnd({5, 0});
    tree.TreeNTCode->SetSelected(open);
    tree.PasteintoEditor1Click();
    EXPECT_EQ(Narrow(editor.LineText(0)), "var window.open(\"\",\"\") = 1;");

    // Copy from the ASCII table: the code without its padding.
    TfrmAsciRef &ascii = *f.Window->frmAsciRef;
    ascii.ListView->setCurrentItem(ascii.ListView->topLevelItem(9));
    ascii.CopyAscicode1Click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "9");
    ascii.CopyHexcode1Click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "09");

    // The reference windows open from the Tools menu without blocking the window.
    f.Window->Action(QStringLiteral("Ascicodereference1"))->trigger();
    EXPECT_TRUE(ascii.isVisible());
    EXPECT_EQ(f.Window->frmBuiltinRef->ListView->topLevelItemCount(), 281);
}

TEST(ReferenceWindows, EncodersPutTheirResultOnTheClipboard)
{
    TWindowFixture f;
    f.Window->Settings.CheckOpen = false;
    const QString page = f.Put(QStringLiteral("a.html"), "<b>x  y</b>\nz");
    f.Window->OpenFile(W(page), true, false, WideString());
    TSyntaxEdit &editor = f.Editor(0);
    editor.SelectAll();
    const WideString before = editor.GetSelText();
    f.Window->Action(QStringLiteral("EncHTMLEncAction"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "&lt;b&gt;x&nbsp; y&lt;/b&gt;<br>z");
    EXPECT_EQ(editor.GetSelText(), before); // the selection is not changed

    // A bad escape shows its message and leaves the clipboard alone.
    editor.SetSelText(u"%4");
    editor.SelectAll();
    f.Window->Action(QStringLiteral("EncURLDecAction"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "&lt;b&gt;x&nbsp; y&lt;/b&gt;<br>z");
    ASSERT_FALSE(f.PromptTexts().empty());
    EXPECT_EQ(f.PromptTexts().back(), "Invalid URL-encoded string passed to URLDecode.");
}

// The row the user clicks stays readable in both grids: its text stands out from the highlight.
TEST(ReferenceWindows, SelectedRowShowsItsText)
{
    TWindowFixture f;
    f.Window->show();
    const struct {
        const char *Action;
        QTreeWidget *List;
        int Row, Column;
    } grids[] = {
        {"Ascicodereference1", f.Window->frmAsciRef->ListView, 65, 2},
        {"BuiltinBrowserandDOMreference1", f.Window->frmBuiltinRef->ListView, 3, 0},
    };
    for (const auto &g : grids) {
        SCOPED_TRACE(g.Action);
        f.Window->Action(QString::fromLatin1(g.Action))->trigger();
        QTreeWidgetItem *item = g.List->topLevelItem(g.Row);
        g.List->scrollToItem(item);
        QTest::mouseClick(g.List->viewport(), Qt::LeftButton, {}, g.List->visualItemRect(item).center());
        ASSERT_TRUE(item->isSelected());
        const QRect cell = g.List->visualRect(g.List->model()->index(g.Row, g.Column)).adjusted(3, 3, -3, -3);
        if (const char *dir = std::getenv("QUILLMAR_SCREENSHOT_DIR"))
            g.List->window()->grab().save(QStringLiteral("%1/%2.png").arg(QString::fromLocal8Bit(dir), g.Action));
        const QImage shot = g.List->viewport()->grab().toImage().copy(cell);
        // The commonest colour is the highlight; the text is what differs clearly from it.
        std::map<QRgb, int> counts;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                ++counts[shot.pixel(x, y)];
        const QColor back(std::max_element(counts.begin(), counts.end(), [](const auto &A, const auto &B) {
                              return A.second < B.second;
                          })->first);
        int text = 0;
        for (const auto &[rgb, n] : counts)
            if (std::abs(QColor(rgb).lightness() - back.lightness()) > 80)
                text += n;
        EXPECT_GT(text, 10) << "the selected row's text is not visible";
    }
}
