#include "controls/TextListBox.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextLayout>
#include <climits>
#include <cmath>
#include <string>
#include <gtest/gtest.h>

namespace {

QFont monoFont(int px)
{
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setStyleHint(QFont::Monospace);
    f.setPixelSize(px);
    return f;
}

// Width of a line as the list must measure it: the text and an "x" as the painter lays it
// out, with tabs at every multiple of Stop when Stop > 0.
int expectedWidth(const QFont &Font, const QString &Text, int Stop)
{
    const QString s = Text + QLatin1Char('x');
    if (Stop <= 0 || !s.contains(QLatin1Char('\t')))
        return QFontMetrics(Font).horizontalAdvance(s);
    QTextLayout layout(s, Font);
    QTextOption to;
    to.setWrapMode(QTextOption::NoWrap);
    to.setTabStopDistance(Stop);
    layout.setTextOption(to);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    return static_cast<int>(std::ceil(line.naturalTextWidth()));
}

int widestExpected(const TTextListBox &Box, int Stop)
{
    int w = 0;
    for (int i = 0; i < Box.Items().Count(); ++i)
        w = std::max(w, expectedWidth(Box.font(), QString::fromLatin1(Box.Items()[i].c_str()), Stop));
    return w;
}

} // namespace

TEST(TextListBox, TabStopRoundsHalvesToEven)
{
    struct Case {
        int zero, tabWidth, expected;
    };
    for (const Case &c :
         {Case{7, 8, 14}, Case{6, 1, 2}, Case{2, 5, 2}, Case{10, 3, 8}, Case{7, 3, 5}, Case{5, 1, 1}, Case{0, 8, 0},
          Case{7, 0, 0}, Case{7, -4, 0}, Case{1 << 20, 1 << 12, 1 << 30}, Case{INT_MAX, 8, INT_MAX}})
        EXPECT_EQ(TabStopPixels(c.zero, c.tabWidth), c.expected) << c.zero << " x " << c.tabWidth;
}

TEST(TextListBox, ExtentFollowsWidestLineThroughEveryChange)
{
    TTextListBox box;
    box.setFont(monoFont(12));
    box.resize(120, 100);
    box.show();
    QApplication::processEvents();
    QScrollBar *bar = box.horizontalScrollBar();

    auto check = [&](const char *step) {
        const int widest = widestExpected(box, 0);
        EXPECT_EQ(box.MaxWidth(), widest) << step;
        EXPECT_EQ(box.HorizontalExtent(), widest) << step;
        QApplication::processEvents();
        EXPECT_EQ(bar->maximum(), std::max(0, widest - box.viewport()->width())) << step;
        // Rows are as wide as the widest line, so a click at its end still hits a row.
        if (box.Items().Count() > 0) {
            EXPECT_GE(box.visualRect(box.model()->index(0, 0)).width(), widest) << step;
        }
    };

    TStrings &items = box.Items();
    items.Add("short");
    check("add short");
    items.Add("a noticeably longer findings line that needs scrolling");
    check("add long");
    items.Insert(0, "a middle-sized line of text");
    check("insert");
    items.Add("tiny");
    check("add tiny");

    bar->setValue(bar->maximum());
    items.Delete(3); // narrower than the widest: extent and position stay
    check("delete narrow");
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_GT(bar->value(), 0);

    items.Delete(2); // the widest: back to the left edge, extent shrinks to the next widest
    check("delete widest");
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(box.MaxWidth(), expectedWidth(box.font(), "a middle-sized line of text", 0));

    const int before = box.MaxWidth();
    box.setFont(monoFont(20));
    check("font change");
    EXPECT_GT(box.MaxWidth(), before);

    items.Put(0, "replaced by a line that is very much wider than the others were");
    check("put");

    // A batch (a check writes its findings so) reaches the view as one change, with the same extent.
    items.BeginUpdate();
    items.Clear();
    for (int i = 0; i < 50; ++i)
        items.Add(std::string(size_t(i % 7) + 1, 'w') + " line " + std::to_string(i));
    items.Insert(3, "the widest line of the batch, inserted between others");
    items.Delete(10);
    items.EndUpdate();
    check("batch");
    EXPECT_EQ(box.model()->rowCount(), 50);
    EXPECT_EQ(box.model()->index(3, 0).data().toString(), QStringLiteral("the widest line of the batch, inserted between others"));
    EXPECT_TRUE(box.visualRect(box.model()->index(49, 0)).isValid());

    items.Clear();
    check("clear");
    EXPECT_EQ(box.MaxWidth(), 0);
    EXPECT_EQ(bar->maximum(), 0);
}

// Lines are measured word by word with a cache of word widths: the sum must be what the
// painter lays out for the whole line, in proportional fonts with kerning pairs inside words
// and next to spaces, for repeated words in another font size, and for text past Latin.
TEST(TextListBox, WordByWordWidthsEqualWholeLineWidths)
{
    const char *const lines[] = {
        "(012) Warning on line 17, 'AVATAR' is not declared with var",
        "(102) Hint on line 3, To Yvonne: Wave at LTA, AV, T. Y. W. \"quoted\"",
        "  leading and  double  spaces and trailing ",
        "A V A T A Y W. y, r. f) {",
        "\xe9t\xe9 \xc0 la fa\xe7on",
        "\x80 10, \x93quoted\x94 \x85 AV", // characters past Latin: the whole line at once
        "",
    };
    for (const char *family : {"DejaVu Sans", "DejaVu Serif", "DejaVu Sans Mono"}) {
        for (int px : {11, 13, 17}) {
            TTextListBox box;
            QFont font{QString::fromLatin1(family)};
            font.setPixelSize(px);
            box.setFont(font);
            for (const char *l : lines)
                box.Items().Add(l);
            box.Items().Add(AnsiString(lines[0]) + " again");
            for (int i = 0; i < box.Items().Count(); ++i)
                EXPECT_EQ(box.ItemWidth(i), expectedWidth(font, AnsiToQString(box.Items()[i]), 0))
                    << family << " " << px << ": " << box.Items()[i];
            box.SetTabWidth(8);
            box.Items().Add("(012)\tAV To\tWa Ty");
            const int last = box.Items().Count() - 1;
            const int stop = TabStopPixels(QFontMetrics(font).horizontalAdvance(QLatin1Char('0')), 8);
            EXPECT_NEAR(box.ItemWidth(last), expectedWidth(font, QStringLiteral("(012)\tAV To\tWa Ty"), stop), 1)
                << family << " " << px;
        }
    }
}

TEST(TextListBox, TabbedLinesUseTheFullTabStops)
{
    TTextListBox box;
    box.setFont(monoFont(12));
    const int zero = QFontMetrics(box.font()).horizontalAdvance(QLatin1Char('0'));
    const QString lines[] = {"a\tbc", "abcdefghij\tk", "\t\t", "no tabs here", QString(6000, QLatin1Char('\t'))};
    for (const QString &l : lines)
        box.Items().Add(l.toStdString());

    for (int tabWidth : {0, 8, 5, 40}) {
        box.SetTabWidth(tabWidth);
        const int stop = TabStopPixels(zero, tabWidth);
        for (int i = 0; i < box.Items().Count(); ++i) {
            if (stop > 0 || !lines[i].contains(QLatin1Char('\t'))) {
                EXPECT_NEAR(box.ItemWidth(i), expectedWidth(box.font(), lines[i], stop), 1)
                    << "tab width " << tabWidth << " line " << i;
            }
        }
        EXPECT_EQ(box.MaxWidth(),
                  [&] {
                      int w = 0;
                      for (int i = 0; i < box.Items().Count(); ++i)
                          w = std::max(w, box.ItemWidth(i));
                      return w;
                  }())
            << "tab width " << tabWidth;
    }
    // 6000 tabs at 8 quarters of "0" each: far beyond 16 bits, and kept whole.
    box.SetTabWidth(8);
    EXPECT_GE(box.MaxWidth(), 6000 * TabStopPixels(zero, 8));
    EXPECT_GT(box.MaxWidth(), 65535);
}

TEST(TextListBox, ItemsBehaveAsStringList)
{
    TTextListBox box;
    TStrings &items = box.Items();
    int tag = 0;
    items.AddObject("one", &tag);
    items.Add("two");
    items.Insert(1, "caf\xe9"); // Windows-1252 text
    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items[1], "caf\xe9");
    EXPECT_EQ(box.model()->index(1, 0).data().toString(), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(items.Objects(0), &tag);
    EXPECT_EQ(items.IndexOf("TWO"), 2);
    EXPECT_EQ(items.Text(), "one\r\ncaf\xe9\r\ntwo\r\n");

    for (int bad : {-1, 3})
        EXPECT_THROW(items.Delete(bad), EStringListError) << bad;
    EXPECT_THROW(items.Get(3), EStringListError);
    EXPECT_THROW(items.Insert(5, "x"), EStringListError);

    TStringList copy;
    copy.Assign(items);
    EXPECT_EQ(copy.Text(), items.Text());
    items.SetText("a\r\nb");
    EXPECT_EQ(items.Count(), 2);

    box.SetSorted(true);
    items.Clear();
    for (const char *w : {"delta", "Alpha", "charlie", "bravo"})
        items.Add(w);
    EXPECT_EQ(items.Text(), "Alpha\r\nbravo\r\ncharlie\r\ndelta\r\n");
}

TEST(TextListBox, ClicksAndKeysReportTheSelectedLine)
{
    TTextListBox box;
    box.resize(200, 120);
    box.show();
    for (int i = 0; i < 20; ++i)
        box.Items().Add("line " + std::to_string(i));
    QApplication::processEvents();

    std::vector<int> clicked;
    box.OnClick = [&](TTextListBox &b) { clicked.push_back(b.ItemIndex()); };
    int keys = 0;
    box.OnKeyDown = [&](TTextListBox &, QKeyEvent &e) {
        ++keys;
        if (e.key() == Qt::Key_Escape)
            e.accept(); // swallowed
    };

    const QPoint row2 = box.visualRect(box.model()->index(2, 0)).center();
    QMouseEvent press(QEvent::MouseButtonPress, row2, box.viewport()->mapToGlobal(row2), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, row2, box.viewport()->mapToGlobal(row2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &press);
    QApplication::sendEvent(box.viewport(), &release);
    ASSERT_EQ(clicked, std::vector<int>{2});

    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&box, &down);
    EXPECT_EQ(clicked, (std::vector<int>{2, 3}));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&box, &esc);
    EXPECT_EQ(keys, 2);
    EXPECT_EQ(clicked.size(), 2u);

    box.SetItemIndex(7);
    EXPECT_EQ(box.ItemIndex(), 7);
    EXPECT_EQ(clicked.size(), 2u); // set by program: no click
    box.SetItemIndex(99);
    EXPECT_EQ(box.ItemIndex(), -1);

    box.SetTopIndex(10);
    EXPECT_EQ(box.TopIndex(), 10);
    box.SetItemHeight(30);
    EXPECT_EQ(box.ItemHeight(), 30);
    QApplication::processEvents();
    EXPECT_EQ(box.visualRect(box.model()->index(11, 0)).height(), 30);
}

// A failing key or click handler of the findings list reaches the application's error box
// instead of vanishing or ending the program; the list goes on working.
TEST(TextListBox, HandlerFailuresReachTheErrorBox)
{
    TScriptedPrompter prompter;
    TPrompterScope scope(prompter);
    TTextListBox box;
    box.resize(200, 100);
    box.show();
    box.Items().Add("one");
    box.Items().Add("two");
    box.OnKeyDown = [](TTextListBox &, QKeyEvent &e) {
        if (e.key() == Qt::Key_F5)
            throw Exception("key handler failed");
    };
    int clicks = 0;
    box.OnClick = [&](TTextListBox &) {
        ++clicks;
        throw Exception("click handler failed");
    };
    QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
    QApplication::sendEvent(&box, &f5);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&box, &down);
    ASSERT_EQ(prompter.Asked().size(), 2u);
    EXPECT_EQ(prompter.Asked()[0].Text, u"key handler failed");
    EXPECT_EQ(prompter.Asked()[0].Kind, TMsgDlgType::mtError);
    EXPECT_EQ(prompter.Asked()[1].Text, u"click handler failed");
    EXPECT_EQ(clicks, 1);
    EXPECT_GE(box.ItemIndex(), 0);
}
