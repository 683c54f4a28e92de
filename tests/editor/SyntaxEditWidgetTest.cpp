// The editor widget on the offscreen platform: mouse selection, bookmarks, line comments,
// the clipboard, dragging text inside an editor, keys, and painting with a highlighter.
#include "EditorTestUtil.h"
#include "editor/HTMLHighlighter.h"
#include "editor/SyntaxEdit.h"
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QElapsedTimer>
#include "editor/JavaScriptHighlighter.h"
#include <gtest/gtest.h>
#include <random>
#include <cstring>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

struct Widget {
    std::unique_ptr<TSyntaxEdit> E = std::make_unique<TSyntaxEdit>();
    explicit Widget(const std::string &lines, int w = 480, int h = 320)
    {
        E->resize(w, h);
        E->show();
        Fill(*E, lines);
        E->setFocus();
        QApplication::processEvents();
    }
    // Centre of the cell (column, line) in text window coordinates.
    QPoint Cell(int x, int y) const
    {
        return QPoint(E->GutterRight() + 1 + E->LeftOffset() + x * E->CharWidth() + E->CharWidth() / 4,
                      (y + E->TopOffset()) * E->LineHeight() + E->LineHeight() / 2);
    }
    QWidget *W() const { return E->TextWindow(); }
};

void Press(QWidget *w, QPoint p, Qt::KeyboardModifiers m = {}, ulong time = 0)
{
    QMouseEvent e(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, m);
    e.setTimestamp(time);
    QApplication::sendEvent(w, &e);
}
void Release(QWidget *w, QPoint p, Qt::KeyboardModifiers m = {})
{
    QMouseEvent e(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, m);
    QApplication::sendEvent(w, &e);
}
void Move(QWidget *w, QPoint p, Qt::MouseButtons b = Qt::LeftButton)
{
    QMouseEvent e(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, b, {});
    QApplication::sendEvent(w, &e);
}
void DoubleClick(QWidget *w, QPoint p, ulong time)
{
    Press(w, p, {}, time);
    Release(w, p);
    QMouseEvent e(QEvent::MouseButtonDblClick, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, {});
    e.setTimestamp(time + 50);
    QApplication::sendEvent(w, &e);
    Release(w, p);
}
void KeyClick(QWidget *w, int key, Qt::KeyboardModifiers m = {}, const QString &text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, m, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, m, text);
    QApplication::sendEvent(w, &release);
}
void KeyClicks(QWidget *w, const QString &text)
{
    for (QChar c : text)
        KeyClick(w, c.isLetter() ? Qt::Key_A + (c.toUpper().unicode() - 'A') : 0, {}, QString(c));
}
void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}
std::string Sel(const TSyntaxEditCore &e)
{
    return e.SelAvail() ? Pt(e.BlockBegin()) + "-" + Pt(e.BlockEnd()) : "";
}

TEST(EditorWidget, ClicksSelectCaretWordAndLine)
{
    Widget w("foo bar baz|second line");
    Press(w.W(), w.Cell(5, 0));
    Release(w.W(), w.Cell(5, 0));
    EXPECT_EQ(Pt(w.E->GetCaretXY()), "(5,0)");
    EXPECT_EQ(Sel(*w.E), "");
    // Shift+click extends from the anchor.
    Press(w.W(), w.Cell(3, 1), Qt::ShiftModifier);
    Release(w.W(), w.Cell(3, 1), Qt::ShiftModifier);
    EXPECT_EQ(Sel(*w.E), "(5,0)-(3,1)");
    // A click in the gutter changes nothing.
    Press(w.W(), QPoint(5, 5));
    Release(w.W(), QPoint(5, 5));
    EXPECT_EQ(Sel(*w.E), "(5,0)-(3,1)");
    // Double click: the word; a third click soon after: the line.
    DoubleClick(w.W(), w.Cell(5, 0), 1000);
    EXPECT_EQ(Sel(*w.E), "(4,0)-(7,0)");
    EXPECT_EQ(U8(w.E->GetSelText()), "bar");
    Press(w.W(), w.Cell(5, 0), {}, 1200);
    Release(w.W(), w.Cell(5, 0));
    EXPECT_EQ(Sel(*w.E), "(0,0)-(0,1)");
    EXPECT_EQ(U8(w.E->GetSelText()), "foo bar baz\r\n");
    // Much later it is a plain click again.
    Press(w.W(), w.Cell(2, 1), {}, 9000);
    Release(w.W(), w.Cell(2, 1));
    EXPECT_EQ(Sel(*w.E), "");
    // Each click is one caret-move record.
    EXPECT_EQ(w.E->PeekUndoKind(), ukCaret);
}

TEST(EditorWidget, DragSelectAutoScrollsBelowTheWindow)
{
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += (i ? "|" : "") + std::string("line ") + std::to_string(i);
    Widget w(text);
    Press(w.W(), w.Cell(2, 1));
    Move(w.W(), w.Cell(4, 3));
    EXPECT_EQ(Sel(*w.E), "(2,1)-(4,3)");
    const int top = w.E->GetTopLine();
    // Held below the window, the selection grows with every tick of the timer.
    Move(w.W(), QPoint(w.Cell(4, 0).x(), w.W()->height() + 30));
    Wait(150);
    Release(w.W(), QPoint(w.Cell(4, 0).x(), w.W()->height() + 30));
    EXPECT_GT(w.E->GetTopLine(), top + 2);
    EXPECT_EQ(Pt(w.E->BlockBegin()), "(2,1)");
    EXPECT_EQ(w.E->BlockEnd().Y, w.E->CaretY());
    EXPECT_GT(w.E->CaretY(), 20);
}

TEST(EditorWidget, BookmarksByKeysAndGlyphs)
{
    Widget w("a|b|c|d");
    w.E->SetCaretXY({0, 2});
    KeyClick(w.E.get(), Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(w.E->Bookmark(3).IsSet);
    EXPECT_EQ(w.E->Bookmark(3).Y, 2);
    w.E->SetCaretXY({0, 0});
    KeyClick(w.E.get(), Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(Pt(w.E->GetCaretXY()), "(0,2)");
    // The glyph is drawn in the gutter on its line.
    QImage img = w.W()->grab().toImage();
    const int y = 2 * w.E->LineHeight() + w.E->LineHeight() / 2;
    bool glyph = false;
    for (int x = 2; x < 14; ++x)
        if (img.pixelColor(x, y) == QColor(0x30, 0x78, 0xD0))
            glyph = true;
    EXPECT_TRUE(glyph);
    KeyClick(w.E.get(), Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(w.E->Bookmark(3).IsSet);
    // The keyboard reports the digit's shifted symbol: it is still the digit key.
    KeyClick(w.E.get(), Qt::Key_NumberSign, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(w.E->Bookmark(3).IsSet);
}

// Collects the regions the text window paints.
class PaintedRegions : public QObject {
public:
    QRegion Painted;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            Painted += static_cast<QPaintEvent *>(e)->region();
        return false;
    }
};

// Hiding, showing or moving the bookmark glyphs repaints the gutter of the editor on screen: the
// glyph goes away, comes back, and moves, without anything else making the window repaint.
TEST(EditorWidget, BookmarkOptionsRepaintTheGutter)
{
    Widget w("a|b|c|d");
    w.E->SetBookmark(3, 0, 2);
    QApplication::processEvents();
    const int lh = w.E->LineHeight();
    const QColor glyphColor(0x30, 0x78, 0xD0);
    auto glyphAt = [&](int x0, int x1) {
        const QImage img = w.W()->grab().toImage();
        for (int x = x0; x < x1; ++x)
            if (img.pixelColor(x, 2 * lh + lh / 2) == glyphColor)
                return true;
        return false;
    };
    ASSERT_TRUE(glyphAt(2, 14));
    const QRect glyphRow(2, 2 * lh, 11, lh);
    PaintedRegions paints;
    w.W()->installEventFilter(&paints);
    struct Step {
        const char *Name;
        std::function<void()> Change;
        QRect Gutter; // the part of the gutter that must be painted again
        bool Glyph; // a glyph is seen there afterwards
    } steps[] = {
        {"hidden", [&] { w.E->BookMarkOptions().SetGlyphsVisible(false); }, glyphRow, false},
        {"shown", [&] { w.E->BookMarkOptions().SetGlyphsVisible(true); }, glyphRow, true},
        {"moved right", [&] { w.E->BookMarkOptions().SetLeftMargin(16); }, glyphRow.translated(14, 0), true},
    };
    for (const Step &s : steps) {
        paints.Painted = QRegion();
        s.Change();
        QApplication::processEvents();
        EXPECT_TRUE(paints.Painted.contains(s.Gutter)) << s.Name;
        EXPECT_EQ(glyphAt(s.Gutter.left(), s.Gutter.right() + 1), s.Glyph) << s.Name;
    }
    EXPECT_FALSE(glyphAt(2, 14));
    w.W()->removeEventFilter(&paints);
}

TEST(EditorWidget, CopyCutPasteKeepNonLatinText)
{
    Widget w("\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\x96\xE7\x95\x8C|next");
    w.E->SelectAll();
    KeyClick(w.E.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\x96\xE7\x95\x8C\r\nnext");
    KeyClick(w.E.get(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(Joined(*w.E), "");
    KeyClick(w.E.get(), Qt::Key_V, Qt::ControlModifier);
    KeyClick(w.E.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(
        Joined(*w.E),
        "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 "
        "\xE4\xB8\x96\xE7\x95\x8C|next\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\x96\xE7\x95\x8C|next");
    w.E->SetOptions(w.E->Options() & ~eoGroupUndo);
    KeyClick(w.E.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Joined(*w.E), "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\x96\xE7\x95\x8C|next");
    KeyClick(w.E.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Joined(*w.E), "");
    KeyClick(w.E.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Joined(*w.E), "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE4\xB8\x96\xE7\x95\x8C|next");
}

TEST(EditorWidget, LineCommentsByMenuCallsUndo)
{
    Widget w("a = 1;|b = 2;|c = 3;");
    w.E->SetOptions(w.E->Options() & ~eoGroupUndo);
    w.E->SetBlockBegin({0, 0});
    w.E->SetBlockEnd({0, 2});
    w.E->CommentSelectedLines();
    EXPECT_EQ(Joined(*w.E), "//a = 1;|//b = 2;|c = 3;");
    w.E->UncommentSelectedLines();
    EXPECT_EQ(Joined(*w.E), "a = 1;|b = 2;|c = 3;");
    w.E->Undo();
    EXPECT_EQ(Joined(*w.E), "//a = 1;|//b = 2;|c = 3;");
    w.E->Undo();
    EXPECT_EQ(Joined(*w.E), "a = 1;|b = 2;|c = 3;");
}

// Drops the editor's selection at a cell as a drag inside the editor would.
void DropAt(Widget &w, TSyntaxEdit *source, QPoint at, Qt::KeyboardModifiers m)
{
    auto *data = new TEditorDragData;
    data->Source = source;
    data->setText(QString::fromStdU16String(source->GetSelText()));
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, m);
    QApplication::sendEvent(w.W(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, m);
    QApplication::sendEvent(w.W(), &move);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, m);
    QApplication::sendEvent(w.W(), &drop);
    delete data;
}

TEST(EditorWidget, DragMoveAndCopyInsideAnEditor)
{
    struct Case {
        std::string name;
        std::string lines;
        TTextPoint a, b; // selection
        TTextPoint drop;
        Qt::KeyboardModifiers mods;
        std::string text;
        std::string selection;
        int kind;
    } cases[] = {
        {"move later on the same line",
         "abc def ghi",
         {0, 0},
         {4, 0},
         {8, 0},
         {},
         "def abc ghi",
         "(4,0)-(8,0)",
         ukMove},
        {"the text lands where the mouse showed",
         "abc def ghi",
         {0, 0},
         {4, 0},
         {9, 0},
         {},
         "def gabc hi",
         "(5,0)-(9,0)",
         ukMove},
        {"move to an earlier line",
         "one|two three",
         {4, 1},
         {9, 1},
         {0, 0},
         {},
         "threeone|two ",
         "(0,0)-(5,0)",
         ukMove},
        {"move to a later line", "xx yy|zz", {0, 0}, {3, 0}, {1, 1}, {}, "yy|zxx z", "(1,1)-(4,1)", ukMove},
        {"copy with Ctrl",
         "abc def",
         {0, 0},
         {3, 0},
         {7, 0},
         Qt::ControlModifier,
         "abc defabc",
         "(7,0)-(10,0)",
         ukCopy},
    };
    for (const Case &c : cases) {
        Widget w(c.lines);
        w.E->SetOptions(w.E->Options() | eoKeepTrailingBlanks);
        w.E->SetCaretXY(c.b);
        w.E->SetBlockBegin(c.a);
        w.E->SetBlockEnd(c.b);
        w.E->DoStartDrag();
        DropAt(w, w.E.get(), w.Cell(c.drop.X, c.drop.Y), c.mods);
        EXPECT_EQ(Joined(*w.E), c.text) << c.name;
        EXPECT_EQ(Sel(*w.E), c.selection) << c.name;
        EXPECT_EQ(w.E->PeekUndoKind(), c.kind) << c.name;
        w.E->Undo();
        EXPECT_EQ(Joined(*w.E), c.lines) << c.name;
        w.E->Redo();
        EXPECT_EQ(Joined(*w.E), c.text) << c.name;
    }
}

TEST(EditorWidget, DropOntoItsOwnSelectionIsRefusedAndPressWithoutDragCollapses)
{
    Widget w("abc def");
    w.E->SetCaretXY({7, 0});
    w.E->SetBlockBegin({4, 0});
    w.E->SetBlockEnd({7, 0});
    DropAt(w, w.E.get(), w.Cell(5, 0), {});
    EXPECT_EQ(Joined(*w.E), "abc def");
    // A press inside the selection released without moving collapses it there.
    Press(w.W(), w.Cell(5, 0));
    Release(w.W(), w.Cell(5, 0));
    EXPECT_EQ(Sel(*w.E), "");
    EXPECT_EQ(Pt(w.E->GetCaretXY()), "(5,0)");
}

TEST(EditorWidget, DragBetweenEditorsMovesOrCopies)
{
    Widget a("source text");
    Widget b("target");
    b.E->SetOptions(b.E->Options() & ~eoGroupUndo);
    a.E->SetCaretXY({6, 0});
    a.E->SetBlockBegin({0, 0});
    a.E->SetBlockEnd({6, 0});
    ASSERT_TRUE(a.E->SelAvail());
    DropAt(b, a.E.get(), b.Cell(6, 0), Qt::ShiftModifier); // Shift: move
    EXPECT_EQ(Joined(*b.E), "targetsource");
    EXPECT_EQ(Joined(*a.E), " text");
    EXPECT_EQ(b.E->PeekUndoKind(), ukInsert);
    EXPECT_EQ(a.E->PeekUndoKind(), ukDelete);
    a.E->SetBlockBegin({1, 0});
    a.E->SetBlockEnd({5, 0});
    DropAt(b, a.E.get(), b.Cell(0, 0), {}); // plain: copy between editors
    EXPECT_EQ(Joined(*b.E), "texttargetsource");
    EXPECT_EQ(Joined(*a.E), " text");
    b.E->Undo();
    EXPECT_EQ(Joined(*b.E), "targetsource");
}

TEST(EditorWidget, KeysTypeAndRunCommands)
{
    Widget w("ab");
    w.E->SetCaretXY({2, 0});
    KeyClicks(w.E.get(), "cd");
    KeyClick(w.E.get(), Qt::Key_Return, {}, QStringLiteral("\r"));
    KeyClicks(w.E.get(), "x");
    EXPECT_EQ(Joined(*w.E), "abcd|x");
    // An unbound Alt or Ctrl combination types nothing; Ctrl+Alt (a third-level key) types.
    KeyClick(w.E.get(), Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"));
    KeyClick(w.E.get(), Qt::Key_Q, Qt::ControlModifier, QStringLiteral("\x11"));
    EXPECT_EQ(Joined(*w.E), "abcd|x");
    KeyClick(w.E.get(), Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier, QStringLiteral("@"));
    EXPECT_EQ(Joined(*w.E), "abcd|x@");
    KeyClick(w.E.get(), Qt::Key_Backspace);
    KeyClick(w.E.get(), Qt::Key_Backspace);
    KeyClick(w.E.get(), Qt::Key_Up);
    KeyClick(w.E.get(), Qt::Key_Home);
    KeyClick(w.E.get(), Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(U8(w.E->GetSelText()), "abcd");
    KeyClick(w.E.get(), Qt::Key_Tab, {}, QStringLiteral("\t"));
    // A Tab over a selection (smart tabs, nothing above to align with) types into the text.
    EXPECT_EQ(Joined(*w.E), "abcd|");
    w.E->SetBlockBegin(w.E->GetCaretXY());
    w.E->SetCaretXY({0, 1});
    w.E->SetBlockBegin({0, 1});
    KeyClick(w.E.get(), Qt::Key_Tab, {}, QStringLiteral("\t"));
    EXPECT_EQ(Joined(*w.E), "abcd|    ");
    EXPECT_TRUE(w.E->hasFocus()); // Tab stays in the editor
}

TEST(EditorWidget, PaintsHighlightedTextSelectionAndGutter)
{
    THTMLHighlighter html;
    html.CommentAttributes().SetForeground(0x0000FF);
    html.KeyAttributes().SetForeground(0xFF0000);
    html.SymbolAttributes().SetForeground(0xFF0000);
    Widget w("<html>|<!-- a comment|still comment -->|<p>text</p>", 480, 200);
    w.E->SetOptions(w.E->Options() | eoLineNumbers);
    w.E->SetHighLighter(&html);
    w.E->SetCaretXY({2, 3});
    w.E->SetBlockBegin({0, 3});
    w.E->SetBlockEnd({2, 3});
    QImage img = w.W()->grab().toImage();
    const int lh = w.E->LineHeight(), cw = w.E->CharWidth(), left = w.E->GutterRight() + 1;
    auto colorsIn = [&](int line, int col0, int col1) {
        QSet<QRgb> set;
        for (int x = left + col0 * cw; x < left + col1 * cw; ++x)
            for (int y = line * lh; y < (line + 1) * lh; ++y)
                set.insert(img.pixel(x, y));
        return set;
    };
    // The selected cells carry the selection colour.
    const QColor selBg = ColorToQColor(clHighlight, w.E->palette());
    EXPECT_TRUE(colorsIn(3, 0, 2).contains(selBg.rgb()));
    // A line inside an open comment keeps the comment colour, and the tags do not have it.
    const QRgb red = qRgb(255, 0, 0);
    EXPECT_TRUE(colorsIn(1, 5, 12).contains(red));
    EXPECT_TRUE(colorsIn(2, 0, 7).contains(red));
    EXPECT_FALSE(colorsIn(0, 0, 6).contains(red));
    // The gutter shows numbers: dark pixels in the number column of line 1.
    bool number = false;
    for (int x = 0; x < w.E->GutterRight() - 5; ++x)
        for (int y = 0; y < lh; ++y)
            if (qGray(img.pixel(x, y)) < 80)
                number = true;
    EXPECT_TRUE(number);
    w.E->SetHighLighter(nullptr);
}

TEST(EditorWidget, ScrollBarsFollowTheModel)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += (i ? "|" : "") + std::string("x");
    Widget w(text);
    QScrollBar *v = w.E->verticalScrollBar();
    EXPECT_TRUE(v->isEnabled());
    v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(w.E->GetTopLine(), 2);
    EXPECT_EQ(v->value(), 1);
    v->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(w.E->GetTopLine(), 300 - w.E->VisibleLineCount() + 1);
    EXPECT_EQ(v->value(), v->maximum());
    Widget small("a|b");
    EXPECT_FALSE(small.E->verticalScrollBar()->isEnabled());
}

} // namespace

namespace {
TEST(EditorRanges, EditsLowerTheValidRangeAndRescansMatchAFreshScan)
{
    THTMLHighlighter html;
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += (i ? "|" : "") + std::string(i % 7 == 3 ? "<p class=\"x\">text</p>" : "plain <b>words</b>");
    TSyntaxEditCore e;
    Fill(e, text);
    e.SetHighLighter(&html);
    e.PrepareRanges(99);
    EXPECT_EQ(e.ValidRangeLine(), 99);
    e.Lines().Put(50, u"changed");
    e.Lines().Put(5, u"<!-- an open comment");
    EXPECT_LE(e.ValidRangeLine(), 5);
    e.PrepareRanges(99);
    // The stored ranges are those a scan of the same text from scratch gives.
    TSyntaxEditCore fresh;
    fresh.SetHighLighter(&html);
    fresh.SetLines(e.Lines());
    fresh.PrepareRanges(99);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(e.Lines().Range(i), fresh.Lines().Range(i)) << "line " << i;
    EXPECT_EQ(e.Lines().Range(6), hsComment); // the line after the opened comment is inside it
    e.SetHighLighter(nullptr);
    fresh.SetHighLighter(nullptr);
}

// Random edits between partial rescans: a rescan that stops where it meets a stored range
// leaves every line's range as a scan from scratch gives it.
TEST(EditorRanges, RescansStoppingEarlyMatchAFreshScan)
{
    THTMLHighlighter html;
    TJavaScriptHighlighter js;
    html.SetJavaScriptHighLighter(&js);
    const WideString pieces[] = {
        u"plain <b>words</b>", u"<!-- open", u"closed -->",   u"<script type=\"x\">", u"var a = 1; /* open",
        u"end */ b();",        u"</script>", u"<p class=\"x", u"y\">t</p>",           u""};
    std::mt19937 rng(7);
    TSyntaxEditCore e;
    e.SetHighLighter(&html);
    for (int i = 0; i < 60; ++i)
        e.Lines().Add(pieces[rng() % std::size(pieces)]);
    for (int step = 0; step < 400; ++step) {
        const int count = e.LineCount();
        const int at = static_cast<int>(rng() % static_cast<unsigned>(count));
        switch (rng() % 4) {
        case 0: e.Lines().Put(at, pieces[rng() % std::size(pieces)]); break;
        case 1: e.Lines().Insert(at, pieces[rng() % std::size(pieces)]); break;
        case 2:
            if (count > 2)
                e.Lines().Delete(at);
            break;
        default: e.PrepareRanges(static_cast<int>(rng() % static_cast<unsigned>(e.LineCount()))); break;
        }
        if (step % 5 != 4)
            continue;
        const int upTo = static_cast<int>(rng() % static_cast<unsigned>(e.LineCount()));
        e.PrepareRanges(upTo);
        TSyntaxEditCore fresh;
        fresh.SetHighLighter(&html);
        fresh.SetLines(e.Lines());
        fresh.PrepareRanges(upTo);
        for (int i = 0; i <= upTo; ++i)
            ASSERT_EQ(e.Lines().Range(i), fresh.Lines().Range(i)) << "step " << step << " line " << i;
        fresh.SetHighLighter(nullptr);
    }
    e.SetHighLighter(nullptr);
}

TEST(EditorRanges, PaintingOnlyTheLastLineKeepsTheCommentColour)
{
    THTMLHighlighter html;
    html.CommentAttributes().SetForeground(0x0000FF);
    Widget w("<p>|<!-- open|still|inside -->", 400, 200);
    w.E->SetHighLighter(&html);
    const int lh = w.E->LineHeight();
    QImage img(w.W()->size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::black);
    {
        QPainter p(&img);
        w.E->PaintTo(p, QRect(0, 3 * lh, w.W()->width(), lh));
    }
    bool red = false;
    for (int x = w.E->GutterRight() + 1; x < w.W()->width(); ++x)
        for (int y = 3 * lh; y < 4 * lh; ++y)
            if (img.pixel(x, y) == qRgb(255, 0, 0))
                red = true;
    EXPECT_TRUE(red);
    w.E->SetHighLighter(nullptr);
}
} // namespace

namespace {
bool HasColor(const QImage &img, const QRect &r, QRgb c)
{
    for (int x = r.left(); x <= r.right(); ++x)
        for (int y = r.top(); y <= r.bottom(); ++y)
            if (img.pixel(x, y) == c)
                return true;
    return false;
}

// A long line whose end lies off screen opens a comment: the lines below keep the comment
// colour whether the painter scanned the long line to its end or stopped after the visible part
// (because the next line's state was known), and after an edit at the long line's start.
TEST(EditorRanges, LongLinesPaintAlikeWhetherScannedWholeOrNot)
{
    TJavaScriptHighlighter js;
    js.CommentAttributes().SetForeground(0x0000FF);
    js.StringAttributes().SetForeground(0x00FF00);
    const std::string text = "var s = 'x'; " + std::string(3000, 'a') + " /* open|still in it|*/ b = 'y';";
    auto picture = [&](bool rangesFirst, bool edit) {
        Widget w(text, 400, 200);
        w.E->SetHighLighter(&js);
        if (edit) {
            w.E->SetCaretXY({0, 0});
            w.E->RunEditorCommand(ecChar, u'q', nullptr);
        }
        if (rangesFirst)
            w.E->PrepareRanges(w.E->LineCount() - 1);
        QImage img(w.W()->size(), QImage::Format_ARGB32_Premultiplied);
        {
            QPainter p(&img);
            w.E->PaintTo(p, img.rect());
        }
        w.E->SetHighLighter(nullptr);
        return img;
    };
    for (bool edit : {false, true}) {
        const QImage whole = picture(false, edit);
        EXPECT_TRUE(HasColor(whole, whole.rect(), qRgb(255, 0, 0))) << edit; // the comment below
        EXPECT_TRUE(whole == picture(true, edit)) << edit;
    }
}

// Typing into a long line, whose paints go on from highlighter checkpoints, paints the same
// picture as a fresh editor holding the same text, wherever the view stands on the line; the
// lines after it, which start in the state the long line ends in, too.
TEST(EditorRanges, LongLineEditsPaintAsAFreshEditor)
{
    THTMLHighlighter html;
    TJavaScriptHighlighter js;
    html.SetJavaScriptHighLighter(&js);
    js.CommentAttributes().SetForeground(0x0000FF);
    js.StringAttributes().SetForeground(0x00FF00);
    html.CommentAttributes().SetForeground(0x0000FF);
    html.StringAttributes().SetForeground(0x00FF00);
    struct Setup {
        TSyntaxHighlighter *H;
        const char *Piece;
        const char *Before; // lines before the long one
    };
    const Setup setups[] = {
        {&js, "function(a,b){var c=a.length/2;if(c>b){return \"x\"+a[c]}else{b=/[a-z]+/g.exec(a)}}", ""},
        {&html, "<div class=\"row\"><a href='y.htm'>link</a> &amp; <!-- c --> <b>t</b></div>", ""},
        // A minified script inside a page: the script highlighter colours the long line.
        {&html, "if(a<b){document.write(\"<p>\"+c)}/* x */s='</b>';", "<p>page</p>|<script type=\"x\">|"},
    };
    struct Edit {
        double At;
        const char *Typed;
    };
    const Edit edits[] = {{0.0, "/*"}, {0.5, "\""}, {1.0, "*/"},       {0.0, "<!--"},
                          {0.5, "x'"}, {1.0, "/"},  {0.5, "</script>"}};
    auto picture = [](TSyntaxEdit &e, int column) {
        e.SetLeftOffset(-column * e.CharWidth());
        QImage img(e.TextWindow()->size(), QImage::Format_ARGB32_Premultiplied);
        QPainter p(&img);
        e.PaintTo(p, img.rect());
        return img;
    };
    for (const Setup &setup : setups)
        for (const char *after : {"", "|after /* c */ 'y' <b>z</b> -->|more */ text"}) {
            std::string line;
            while (line.size() < 20000)
                line += setup.Piece;
            TSyntaxEdit e;
            e.resize(500, 160);
            Fill(e, setup.Before + line + after);
            const int y = static_cast<int>(std::count(setup.Before, setup.Before + std::strlen(setup.Before), '|'));
            e.SetHighLighter(setup.H);
            picture(e, static_cast<int>(line.size()) - 40); // leaves checkpoints along the line
            for (const Edit &edit : edits) {
                const int length = static_cast<int>(e.Lines().Get(y).size());
                const int at = static_cast<int>(edit.At * length);
                e.SetCaretXY({at, y});
                for (const char *c = edit.Typed; *c; ++c)
                    e.RunEditorCommand(ecChar, static_cast<WideChar>(*c), nullptr);
                TSyntaxEdit fresh;
                fresh.resize(500, 160);
                fresh.SetLines(e.Lines());
                fresh.SetHighLighter(setup.H);
                const int newLength = static_cast<int>(e.Lines().Get(y).size());
                for (int column : {0, std::max(0, at - 20), newLength / 2, newLength - 40}) {
                    const QImage ours = picture(e, column);
                    EXPECT_TRUE(ours == picture(fresh, column))
                        << setup.Piece << " typed " << edit.Typed << " at " << at << ", view at column " << column;
                }
                fresh.SetHighLighter(nullptr);
            }
            EXPECT_GT(e.ScanCheckpoints().LineCount(), size_t(0));
            e.SetHighLighter(nullptr);
        }
}

TEST(EditorWidget, SelectionMarkLineAndControlCharacters)
{
    Widget w("a\tb c|second|third", 400, 200);
    const int lh = w.E->LineHeight(), cw = w.E->CharWidth(), left = w.E->GutterRight() + 1;
    const QRgb sel = ColorToQColor(clHighlight, w.E->palette()).rgb();
    w.E->SetBlockBegin({0, 1});
    w.E->SetBlockEnd({3, 1});
    const QRect line1(left, lh, 3 * cw, lh);
    struct Case {
        const char *name;
        TSyntaxEditOptions add, remove;
        bool focused;
        bool shown;
    } cases[] = {
        {"focused", 0, 0, true, true},
        {"unfocused with hide selection", 0, 0, false, false},
        {"unfocused without hide selection", 0, eoHideSelection, false, true},
        {"read-only", eoReadOnly, 0, true, false},
        {"read-only with read-only selection", eoReadOnly | eoReadOnlySelection, 0, true, true},
    };
    const TSyntaxEditOptions base = w.E->Options();
    for (const Case &c : cases) {
        w.E->SetOptions((base | c.add) & ~c.remove);
        if (c.focused)
            w.E->setFocus();
        else
            w.E->clearFocus();
        QApplication::processEvents();
        const QImage img = w.W()->grab().toImage();
        EXPECT_EQ(HasColor(img, line1, sel), c.shown) << c.name;
    }
    w.E->SetOptions(base);
    // The marked line is painted in the mark colours.
    w.E->MarkColor().SetBackground(0x00FF00);
    w.E->SetMarkLine(2);
    QImage img = w.W()->grab().toImage();
    EXPECT_TRUE(HasColor(img, QRect(left, 2 * lh, 5 * cw, lh), qRgb(0, 255, 0)));
    EXPECT_FALSE(HasColor(img, QRect(left, 0, 5 * cw, lh), qRgb(0, 255, 0)));
    // Control characters: a tab shows an arrow, blanks show dots; nothing changes the text.
    w.E->SetMarkLine(-1);
    const QImage plain = w.W()->grab().toImage().copy(left, 0, 10 * cw, lh);
    w.E->SetOptions(w.E->Options() | eoShowControlChars);
    const QImage marks = w.W()->grab().toImage().copy(left, 0, 10 * cw, lh);
    EXPECT_NE(plain, marks);
    EXPECT_EQ(Joined(*w.E), "a\tb c|second|third");
}

TEST(EditorWidget, WheelInputMethodAndScrollHint)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += (i ? "|" : "") + std::string("line");
    Widget w(text);
    QWheelEvent wheel(QPointF(50, 50), w.W()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.W(), &wheel);
    EXPECT_EQ(w.E->GetTopLine(), 1 + QApplication::wheelScrollLines());
    // A touchpad's parts of a notch add up: three thirds scroll as one notch.
    for (int i = 0; i < 3; ++i) {
        QWheelEvent part(QPointF(50, 50), w.W()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -40), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w.W(), &part);
    }
    EXPECT_EQ(w.E->GetTopLine(), 1 + 2 * QApplication::wheelScrollLines());

    w.E->SetCaretXY({4, 0});
    w.E->SetBlockBegin({0, 0});
    w.E->SetBlockEnd({4, 0});
    QInputMethodEvent ime;
    ime.setCommitString(QString::fromUtf8("\xE6\x96\x87\xE5\xAD\x97"));
    QApplication::sendEvent(w.E.get(), &ime);
    EXPECT_EQ(U8(w.E->Lines().Get(0)), "\xE6\x96\x87\xE5\xAD\x97");
    w.E->Undo();
    EXPECT_EQ(U8(w.E->Lines().Get(0)), "line");

    w.E->SetOptions(w.E->Options() | eoShowScrollHint);
    QScrollBar *v = w.E->verticalScrollBar();
    v->setSliderPosition(100);
    v->triggerAction(QAbstractSlider::SliderMove);
    EXPECT_EQ(w.E->GetTopLine(), 101);
    auto *hint = w.E->findChild<QLabel *>(QStringLiteral("Scroll"));
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), QStringLiteral("101"));
}
} // namespace

namespace {
TEST(EditorWidget, ClickIntoAnUnfocusedEditorWithASelectionOnlyFocusesIt)
{
    Widget w("abc def");
    w.E->SetBlockBegin({0, 0});
    w.E->SetBlockEnd({3, 0});
    w.E->clearFocus();
    QApplication::processEvents();
    ASSERT_FALSE(w.E->hasFocus());
    Press(w.W(), w.Cell(5, 0));
    Release(w.W(), w.Cell(5, 0));
    EXPECT_EQ(Sel(*w.E), "(0,0)-(3,0)");
    Press(w.W(), w.Cell(5, 0));
    Release(w.W(), w.Cell(5, 0));
    EXPECT_EQ(Sel(*w.E), "");
    EXPECT_EQ(Pt(w.E->GetCaretXY()), "(5,0)");
}
} // namespace

namespace {
// Chinese and Japanese characters take two cells each: clicks land on their edges, the arrow
// keys step over them, and the text after them is painted on its own columns. A vertical tab or
// form feed stays in its line and shows a mark.
TEST(EditorWidget, WideCharactersTakeTwoCellsAndInLineBreaksShowAMark)
{
    Widget w("");
    w.E->Lines().SetTextStr(u"\u4E2D\u6587ab\u3042\r\n\u3042x\vy\fz\r\nx y z");
    ASSERT_EQ(w.E->LineCount(), 3);
    const int cw = w.E->CharWidth();
    auto click = [&](int pixelX, int line) {
        const QPoint p(w.E->GutterRight() + 1 + pixelX, (line + w.E->TopOffset()) * w.E->LineHeight() + 2);
        Press(w.W(), p);
        Release(w.W(), p);
        return Pt(w.E->GetCaretXY());
    };
    // Each wide character's left half puts the caret before it, its right half after it.
    struct Hit {
        int x;
        const char *caret;
    } hits[] = {{cw / 4, "(0,0)"},     {cw * 3 / 4, "(0,0)"},     {cw + cw / 4, "(2,0)"},
                {cw * 2 + cw / 4, "(2,0)"}, {cw * 3 + cw * 3 / 4, "(4,0)"}, {cw * 4 + cw / 4, "(4,0)"},
                {cw * 5 + cw * 3 / 4, "(6,0)"}, {cw * 7 + cw / 4, "(8,0)"}};
    for (const Hit &h : hits)
        EXPECT_EQ(click(h.x, 0), h.caret) << "pixel " << h.x;
    // The arrow keys step over a wide character whole; up and down never stop inside one.
    click(0, 0);
    std::string walk;
    for (int i = 0; i < 5; ++i) {
        KeyClick(w.E.get(), Qt::Key_Right);
        walk += Pt(w.E->GetCaretXY());
    }
    EXPECT_EQ(walk, "(2,0)(4,0)(5,0)(6,0)(8,0)");
    KeyClick(w.E.get(), Qt::Key_Left);
    KeyClick(w.E.get(), Qt::Key_Left);
    EXPECT_EQ(Pt(w.E->GetCaretXY()), "(5,0)");
    click(cw, 2);
    KeyClick(w.E.get(), Qt::Key_Up); // column 1 lies inside あ and then inside 中
    EXPECT_EQ(Pt(w.E->GetCaretXY()), "(0,1)");
    KeyClick(w.E.get(), Qt::Key_Up);
    EXPECT_EQ(Pt(w.E->GetCaretXY()), "(0,0)");
    w.E->SetCaretXY({1, 1});
    EXPECT_EQ(Pt(w.E->GetCaretXY()), "(0,1)"); // a column inside あ goes to its start
    // Typing after a wide character goes after it.
    w.E->SetCaretXY({4, 0});
    KeyClicks(w.E.get(), "q");
    EXPECT_EQ(U8(WideString(w.E->Lines()[0])), "\u4E2D\u6587qab\u3042");

    // "ab" after two wide characters is painted where "ab" after four blanks is.
    const int left = w.E->GutterRight() + 1, lh = w.E->LineHeight();
    w.E->SetCaretXY({0, 2});
    QApplication::processEvents();
    Widget ref("    qab|    x y z");
    ref.E->SetCaretXY({0, 1});
    QApplication::processEvents();
    const QRect afterWide(left + 4 * cw, 0, 3 * cw, lh);
    EXPECT_EQ(w.W()->grab().toImage().copy(afterWide), ref.W()->grab().toImage().copy(afterWide));
    // The vertical tab and the form feed show marks where blanks would show nothing.
    const QImage marks = w.W()->grab().toImage().copy(left + 3 * cw, lh, 3 * cw, lh);
    const QImage blanks = w.W()->grab().toImage().copy(left + 1 * cw, 2 * lh, 3 * cw, lh);
    EXPECT_NE(marks, blanks);
    EXPECT_EQ(U8(WideString(w.E->Lines()[1])), "\u3042x\vy\fz");
}

// Delete and Backspace that join two lone halves into a pair of two cells: the caret is drawn
// before the pair (no place lies between its halves), and undo and redo by keys give back each
// text exactly.
TEST(EditorWidget, JoiningHalvesKeepsTheCaretBeforeThePairAndUndoesExactly)
{
    struct Case {
        const char *Name;
        WideString Text;
        std::vector<int> Keys; // the last one joins
        const char *Joined;
    } cases[] = {
        {"Delete at a line end", u"\xD83D\r\n\xDE00x", {Qt::Key_End, Qt::Key_Delete}, "\U0001F600x"},
        {"Backspace at a line start", u"\xD83D\r\n\xDE00x", {Qt::Key_Down, Qt::Key_Home, Qt::Key_Backspace},
         "\U0001F600x"},
        {"Delete of a tab between them", u"\xD83D\t\xDE00;", {Qt::Key_Right, Qt::Key_Delete}, "\U0001F600;"},
    };
    for (const Case &c : cases) {
        Widget w("");
        w.E->Lines().SetTextStr(c.Text);
        const WideString original = w.E->Lines().GetTextStr();
        for (int key : c.Keys)
            KeyClick(w.E.get(), key);
        QApplication::processEvents();
        EXPECT_EQ(Joined(*w.E), c.Joined) << c.Name;
        EXPECT_EQ(Pt(w.E->GetCaretXY()), "(0,0)") << c.Name;
        const QRect drawn = w.E->CaretRect();
        KeyClick(w.E.get(), Qt::Key_Home);
        QApplication::processEvents();
        EXPECT_EQ(drawn, w.E->CaretRect()) << c.Name;
        KeyClick(w.E.get(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(w.E->Lines().GetTextStr() == original) << c.Name << ": " << Joined(*w.E);
        KeyClick(w.E.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(Joined(*w.E), c.Joined) << c.Name;
    }
}
} // namespace
