// The reference windows as the user meets them from the main window.
#include "tests/shell/MainWindowSupport.h"

#include "controls/TreeNT.h"
#include "controls/TreeNTNode.h"
#include "shell/ReferenceData.h"
#include "shell/ReferenceWindows.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <functional>
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

    // The reference windows open from their actions without blocking the window.
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

// The reference windows are where the tips of the day send the user: the View menu and the editor's
// pop-up menu, each right after "Show editor commands"; each item opens its window. No Tools menu
// is left.
TEST(ReferenceWindows, ViewMenuAndEditorPopupOpenEachWindow)
{
    TWindowFixture f;
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.CheckOpen = false;
    w.show();
    QApplication::setActiveWindow(&w);
    w.OpenFile(W(f.Put(QStringLiteral("a.js"), "var x = 1;\n")), true, false, WideString());
    w.RefreshActionStates();
    TSyntaxEdit &editor = *w.ActiveEditor();

    QStringList bar;
    for (const QAction *top : w.menuBar()->actions())
        bar << top->text().remove(QLatin1Char('&'));
    EXPECT_FALSE(bar.contains(QStringLiteral("Tools"))) << bar.join(QLatin1Char(',')).toStdString();

    const QStringList expected = {QStringLiteral("Show editor commands"), QStringLiteral("Ascii code reference"),
                                  QStringLiteral("Builtin, Browser and DOM reference"),
                                  QStringLiteral("Show Javascript Code Tree")};
    const struct {
        const char *Caption;
        QWidget *Window;
    } windows[] = {
        {"Ascii code reference", w.frmAsciRef},
        {"Builtin, Browser and DOM reference", w.frmBuiltinRef},
        {"Show Javascript Code Tree", w.frmCodeTree},
    };
    // The View menu as the menu bar opens it, and the pop-up menu as a right click in the editor opens it.
    const struct {
        const char *Where;
        std::function<QMenu *()> Open;
    } menus[] = {
        {"View menu",
         [&]() -> QMenu * {
             for (QAction *top : w.menuBar()->actions())
                 if (top->text().remove(QLatin1Char('&')) == QLatin1String("View"))
                     return top->menu();
             return nullptr;
         }},
        {"editor pop-up menu",
         [&]() -> QMenu * {
             const QPoint at = editor.viewport()->rect().center();
             QContextMenuEvent right(QContextMenuEvent::Mouse, at, editor.mapToGlobal(at));
             QApplication::sendEvent(editor.viewport(), &right);
             QApplication::processEvents();
             auto *popup = qobject_cast<QMenu *>(QApplication::activePopupWidget());
             if (popup)
                 popup->hide();
             return popup;
         }},
    };
    for (const auto &m : menus) {
        SCOPED_TRACE(m.Where);
        QMenu *menu = m.Open();
        ASSERT_NE(menu, nullptr);
        QStringList items;
        for (const QAction *a : menu->actions())
            items << a->text().remove(QLatin1Char('&'));
        const qsizetype at = items.indexOf(expected.first());
        ASSERT_GE(at, 0) << items.join(QLatin1Char(',')).toStdString();
        EXPECT_EQ(items.mid(at, expected.size()), expected) << items.join(QLatin1Char(',')).toStdString();
        for (const auto &r : windows) {
            SCOPED_TRACE(r.Caption);
            for (const auto &other : windows)
                other.Window->hide();
            QAction *item = menu->actions().value(items.indexOf(QString::fromLatin1(r.Caption)));
            ASSERT_NE(item, nullptr);
            EXPECT_TRUE(item->isEnabled());
            item->trigger();
            EXPECT_TRUE(r.Window->isVisible());
            for (const auto &other : windows) {
                if (other.Window != r.Window) {
                    EXPECT_FALSE(other.Window->isVisible()) << other.Caption;
                }
            }
        }
    }
    for (const auto &r : windows)
        r.Window->hide();
    w.hide();
}
