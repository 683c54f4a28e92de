// The side panel's width and the findings list's height as the settings file gives them, in the shown
// main window: bounded to the window so that the editors stay usable, and saved at exit as shown.
#include "tests/shell/MainWindowSupport.h"

#include <QApplication>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

// What a pane of the shown window measures: the size asked for, the key's default (or the smallest the pane
// goes, where that is larger), the smallest the pane goes, or the largest that leaves the editors their room.
enum class TPaneWant { Asked, Default, Least, Most };

struct TPaneShown {
    int Nav = 0;
    int Error = 0;
};

TPaneShown ShownPanes(const TfrmQuillmarMain &Window)
{
    return {Window.PageControlNav->width(), Window.PageControl2->height()};
}

int PaneTestExpected(TPaneWant Want, int Asked, int Default, int Least, int Most)
{
    switch (Want) {
    case TPaneWant::Asked: return Asked;
    case TPaneWant::Default: return std::max(Default, Least);
    case TPaneWant::Least: return Least;
    case TPaneWant::Most: return Most;
    }
    return 0;
}

} // namespace

TEST(MainWindowPanes, StoredSizesAreBoundedToTheWindowAndSavedAsShown)
{
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect bounds(avail.left() + 10, avail.top() + 10, avail.width() * 7 / 8, avail.height() * 7 / 8);
    const TSettings defaults;
    const struct {
        const char *Name;
        std::string Keys; // [Window] lines besides the bounds
        TPaneWant Nav;
        int NavAsked;
        TPaneWant Error;
        int ErrorAsked;
    } cases[] = {
        {"as asked", "NavWidth=200\nErrorHeight=100\n", TPaneWant::Asked, 200, TPaneWant::Asked, 100},
        {"missing keys", "", TPaneWant::Default, 0, TPaneWant::Default, 0},
        {"99999", "NavWidth=99999\nErrorHeight=99999\n", TPaneWant::Most, 0, TPaneWant::Most, 0},
        {"the window's own size",
         "NavWidth=" + std::to_string(bounds.width()) + "\nErrorHeight=" + std::to_string(bounds.height()) + "\n",
         TPaneWant::Most, 0, TPaneWant::Most, 0},
        {"negative", "NavWidth=-5\nErrorHeight=-99999\n", TPaneWant::Default, 0, TPaneWant::Default, 0},
        {"zero", "NavWidth=0\nErrorHeight=0\n", TPaneWant::Least, 0, TPaneWant::Least, 0},
        {"one pixel", "NavWidth=1\nErrorHeight=1\n", TPaneWant::Least, 0, TPaneWant::Least, 0},
        {"one too large, one negative", "NavWidth=-1\nErrorHeight=5000\n", TPaneWant::Default, 0, TPaneWant::Most, 0},
        {"maximised from small restore bounds",
         "WState=Max\nrsLeft=20\nrsTop=20\nrsWidth=300\nrsHeight=200\nNavWidth=99999\nErrorHeight=99999\n",
         TPaneWant::Most, 0, TPaneWant::Most, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string ini = "[Window]\nShowTOD=0\nLeft=" + std::to_string(bounds.left()) +
                                "\nTop=" + std::to_string(bounds.top()) + "\nWidth=" + std::to_string(bounds.width()) +
                                "\nHeight=" + std::to_string(bounds.height()) + "\n" + c.Keys;
        TWindowFixture f(ini);
        TfrmQuillmarMain &w = *f.Window;
        w.show();
        QApplication::processEvents();
        ASSERT_EQ(w.TabCount(), 1);

        // The editor shows a usable piece of text whatever the panes asked for.
        const TSyntaxEdit &editor = f.Editor(0);
        EXPECT_GE(editor.VisibleColumns(), 30) << editor.width() << " x " << editor.height();
        EXPECT_GE(editor.VisibleLineCount(), 6) << editor.width() << " x " << editor.height();

        const auto *across = qobject_cast<QSplitter *>(w.PageControlNav->parentWidget());
        const auto *down = qobject_cast<QSplitter *>(w.centralWidget());
        ASSERT_TRUE(across && down);
        // At most, the editors keep exactly their room.
        const TPaneRoom editors;
        const int navLeast = w.PageControlNav->minimumSizeHint().width();
        const int errorLeast = std::max(50, w.PageControl2->minimumSizeHint().height());
        const int navMost = down->width() - across->handleWidth() - editors.EditorWidth;
        const int errorMost = down->height() - down->handleWidth() - editors.EditorHeight;
        const TPaneShown shown = ShownPanes(w);
        EXPECT_EQ(shown.Nav, PaneTestExpected(c.Nav, c.NavAsked, defaults.NavWidth, navLeast, navMost));
        EXPECT_EQ(shown.Error, PaneTestExpected(c.Error, c.ErrorAsked, defaults.ErrorHeight, errorLeast, errorMost));

        // What was shown is saved, and the next start shows it again.
        EXPECT_TRUE(w.close());
        f.Window.reset();
        TSettings saved;
        saved.Load(ToLocalPath(f.SettingsPath));
        EXPECT_EQ(saved.NavWidth, shown.Nav);
        EXPECT_EQ(saved.ErrorHeight, shown.Error);
        f.Make();
        f.Window->show();
        QApplication::processEvents();
        const TPaneShown again = ShownPanes(*f.Window);
        EXPECT_EQ(again.Nav, shown.Nav);
        EXPECT_EQ(again.Error, shown.Error);
    }
}

// Where the window cannot hold a pane's minimum and the editors' room, the pane keeps only its minimum.
TEST(MainWindowPanes, FitPaneSizesGivesTheEditorsTheirRoomFirst)
{
    const TSettings defaults;
    const struct {
        const char *Name;
        int NavWidth, ErrorHeight;
        int RoomWidth, RoomHeight;
        TPaneSizes Expected;
    } cases[] = {
        {"room for all", 200, 100, 900, 600, {200, 100}},
        {"too large", 99999, 99999, 900, 600, {900 - 320, 600 - 160}},
        {"negative", -1, -300, 900, 600, {defaults.NavWidth, defaults.ErrorHeight}},
        {"below the minimum", 0, 10, 900, 600, {100, 50}},
        {"room for the editors only", 200, 100, 400, 180, {100, 50}},
        {"no room at all", 200, 100, 0, 0, {100, 50}},
    };
    for (const auto &c : cases) {
        TSettings s;
        s.NavWidth = c.NavWidth;
        s.ErrorHeight = c.ErrorHeight;
        TPaneRoom room;
        room.Width = c.RoomWidth;
        room.Height = c.RoomHeight;
        room.NavMinimum = 100;
        const TPaneSizes fitted = FitPaneSizes(s, room);
        EXPECT_EQ(fitted.NavWidth, c.Expected.NavWidth) << c.Name;
        EXPECT_EQ(fitted.ErrorHeight, c.Expected.ErrorHeight) << c.Name;
    }
}
