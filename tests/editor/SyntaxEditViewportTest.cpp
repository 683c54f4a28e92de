// Viewport arithmetic of the editor model: top line, left offset, keeping the caret in view,
// scroll-bar settings and the mapping of pixels to text positions.
#include "EditorTestUtil.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

// An editor of `lines` lines of `width` letters, 8 x 16 pixel cells, client 400 x 320
// (20 whole rows, (400 - 29 + 1) / 8 = 46 whole columns right of the gutter).
void MakeView(TSyntaxEditCore &e, int lines, int width = 3)
{
    std::vector<WideString> text(static_cast<size_t>(lines), WideString(static_cast<size_t>(width), u'x'));
    e.Lines().BeginUpdate();
    for (const WideString &s : text)
        e.Lines().Add(s);
    e.Lines().EndUpdate();
    e.SetFontMetrics(8, 16);
    e.Resize(400, 320);
}

TEST(EditorViewport, ArithmeticTable)
{
    struct Case {
        std::string name;
        int lines, width;
        std::function<void(TSyntaxEditCore &)> act;
        int topLine, leftOffset;
    } cases[] = {
        {"top line below 1", 100, 3, [](TSyntaxEditCore &e) { e.SetTopLine(0); }, 1, 0},
        {"top line past the end keeps a full page", 100, 3, [](TSyntaxEditCore &e) { e.SetTopLine(500); }, 81, 0},
        {"caret below the page becomes the last whole line", 100, 3,
         [](TSyntaxEditCore &e) {
             e.SetCaretXY({0, 50});
         },
         32, 0},
        {"caret above the page becomes the top line", 100, 3,
         [](TSyntaxEditCore &e) {
             e.SetTopLine(60);
             e.SetCaretXY({0, 10});
         },
         11, 0},
        {"caret right of the page", 10, 200,
         [](TSyntaxEditCore &e) {
             e.SetCaretXY({100, 0});
         },
         1, -(100 - 46 + 1) * 8},
        {"caret left of the page", 10, 200,
         [](TSyntaxEditCore &e) {
             e.SetCaretXY({100, 0});
             e.SetCaretXY({5, 0});
         },
         1, -40},
        {"line left at the left edge does nothing", 10, 3, [](TSyntaxEditCore &e) { e.HScroll(scLineUp, 0); }, 1, 0},
        {"right end with MaxRightChar", 10, 3, [](TSyntaxEditCore &e) { e.HScroll(scBottom, 0); }, 1,
         -(129 * 8 + 29 - 400)},
        {"right end reaches a line longer than MaxRightChar", 10, 300,
         [](TSyntaxEditCore &e) { e.HScroll(scBottom, 0); }, 1, -(301 * 8 + 29 - 400)},
        {"thumb track keeps whole columns", 10, 300, [](TSyntaxEditCore &e) { e.HScroll(scThumbTrack, 100); }, 1, -96},
        {"line down", 100, 3, [](TSyntaxEditCore &e) { e.VScroll(scLineDown, 0); }, 2, 0},
        {"page down then line up", 100, 3,
         [](TSyntaxEditCore &e) {
             e.VScroll(scPageDown, 0);
             e.VScroll(scLineUp, 0);
         },
         20, 0},
        {"bottom", 100, 3, [](TSyntaxEditCore &e) { e.VScroll(scBottom, 0); }, 81, 0},
        {"all lines visible: line down changes nothing", 10, 3, [](TSyntaxEditCore &e) { e.VScroll(scLineDown, 0); }, 1,
         0},
        {"enlarging at the end scrolls back", 100, 3,
         [](TSyntaxEditCore &e) {
             e.Resize(400, 160);
             e.SetTopLine(91);
             e.Resize(400, 320);
         },
         81, 0},
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        MakeView(e, c.lines, c.width);
        c.act(e);
        EXPECT_EQ(e.GetTopLine(), c.topLine) << c.name;
        EXPECT_EQ(e.LeftOffset(), c.leftOffset) << c.name;
    }
}

TEST(EditorViewport, ThumbForAHundredThousandLines)
{
    TSyntaxEditCore e;
    MakeView(e, 100000);
    TScrollBarInfo v = e.VertScrollInfo();
    EXPECT_EQ(v.Max, 65000);
    EXPECT_FLOAT_EQ(e.ThumbScale(), 100000.0f / 65000.0f);
    EXPECT_EQ(v.Pos, 0);
    // The thumb dragged to its end shows the last page.
    const int last = v.Max - v.Page + 1;
    e.VScroll(scThumbTrack, last);
    EXPECT_EQ(e.GetTopLine(), 100000 - 20 + 1);
    EXPECT_EQ(e.VertScrollInfo().Pos, last);
    // The hint sits at the bottom of its track then.
    const TPixelRect hint = e.ScrollHintRect(last, 50, 18, 16);
    EXPECT_EQ(hint.Right, 398);
    EXPECT_EQ(hint.Left, 348);
    EXPECT_NEAR(hint.Top, 12 + (320 - 18 - 24), 2);

    e.VScroll(scThumbTrack, 32500);
    EXPECT_NEAR(e.GetTopLine(), 50001, 1);

    TSyntaxEditCore small;
    MakeView(small, 10);
    EXPECT_EQ(small.VertScrollInfo().Max, 0); // all lines fit: the bar is disabled
    EXPECT_EQ(small.VertScrollInfo().Page, 0);
    TSyntaxEditCore mid;
    MakeView(mid, 1000);
    mid.SetTopLine(101);
    EXPECT_EQ(mid.VertScrollInfo().Max, 1000);
    EXPECT_EQ(mid.VertScrollInfo().Page, 21);
    EXPECT_EQ(mid.VertScrollInfo().Pos, 100);
    mid.SetCaretXY({0, 0});
    EXPECT_EQ(mid.HorzScrollInfo().Max, 129 * 8);
    EXPECT_EQ(mid.HorzScrollInfo().Page, 372);
}

TEST(EditorViewport, PixelsToTextPositions)
{
    struct Case {
        int x, y, left, top;
        TTextPoint expected;
    } cases[] = {
        {30, 0, 0, 0, {0, 0}}, // first pixel of the text area
        {30 + 24 + 3, 35, 0, 0, {3, 2}}, // 3.375 cells rounds down
        {30 + 28, 0, 0, 0, {4, 0}}, // 3.5 rounds to even
        {30 + 20, 0, 0, 0, {2, 0}}, // 2.5 rounds to even
        {30, 40, -80, -5, {10, 7}}, // scrolled view
        {30, -1, 0, -5, {0, 4}}, // above the client area: the line above the top
    };
    for (const Case &c : cases) {
        TSyntaxEditCore e;
        MakeView(e, 100, 300);
        e.SetLeftOffset(c.left);
        e.SetTopOffset(c.top);
        EXPECT_EQ(Pt(e.PixelsToTextPos(c.x, c.y)), Pt(c.expected)) << c.x << "," << c.y;
    }
}

TEST(EditorViewport, AutoScrollFollowsTheMouseBelowTheWindow)
{
    TSyntaxEditCore e;
    MakeView(e, 100);
    e.SetCaretXY({0, 5});
    e.SetBlockBegin({0, 5});
    for (int tick = 0; tick < 3; ++tick)
        e.AutoScrollStep(40, 330, false);
    // Two lines a tick for a pointer 26 pixels below, and the caret kept in view.
    EXPECT_EQ(e.GetTopLine(), 10);
    EXPECT_EQ(Pt(e.BlockBegin()), "(0,5)");
    EXPECT_EQ(e.BlockEnd().Y, e.CaretY());
    EXPECT_EQ(e.CaretY(), 28);
    // While dragging text the caret follows without selecting.
    e.SetBlockBegin(e.GetCaretXY());
    e.AutoScrollStep(40, 100, true);
    EXPECT_FALSE(e.SelAvail());
    EXPECT_EQ(e.CaretY(), 9 + 6);
}

TEST(EditorViewport, CaretPixelPosition)
{
    TSyntaxEditCore e;
    MakeView(e, 100, 100);
    e.SetCaretXY({2, 3});
    int x = 0, y = 0;
    EXPECT_TRUE(e.CaretPixelPos(x, y));
    EXPECT_EQ(x, 2 * 8 + 29 + 1);
    EXPECT_EQ(y, 48);
    e.SetTopLine(10);
    EXPECT_FALSE(e.CaretPixelPos(x, y));
}

} // namespace
