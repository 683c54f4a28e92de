// Drawing objects on the screen and the page canvas that records them.
#include "print/ZvCanvas.h"
#include "print/ZvPages.h"
#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <gtest/gtest.h>

namespace {

QImage White(int w = 400, int h = 200)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QRect Ink(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                box |= QRect(x, y, 1, 1);
    return box;
}

std::unique_ptr<TZvTextObject> Text(const WideString &s, int32_t Left, int32_t Top, uint8_t Alignment)
{
    auto t = std::make_unique<TZvTextObject>();
    t->Text = s;
    t->Left = Left;
    t->Top = Top;
    t->Alignment = Alignment;
    t->Font.Name = u"Liberation Sans";
    t->Font.Size = 20;
    t->Brush.Style = bsClear;
    return t;
}

} // namespace

TEST(ZvObjects, TextAlignmentPlacesTheTextAgainstX)
{
    // x = 2540 hundredths = 1 inch = 100 pixels at 100 pixels per inch.
    struct Case {
        uint8_t Alignment;
        int Edge; // 0 left edge of ink at x, 1 right edge at x, 2 centred on x
    } cases[] = {{0, 0}, {1, 1}, {2, 2}};
    for (const Case &c : cases) {
        QImage image = White();
        QPainter p(&image);
        Text(u"HIH", 2 * 2540, 2540 / 2, c.Alignment)->Draw(p, 100, nullptr);
        p.end();
        const QRect ink = Ink(image);
        ASSERT_FALSE(ink.isEmpty());
        if (c.Edge == 0)
            EXPECT_NEAR(ink.left(), 200, 3);
        else if (c.Edge == 1)
            EXPECT_NEAR(ink.right() + 1, 200, 3);
        else
            EXPECT_NEAR((ink.left() + ink.right() + 1) / 2.0, 200, 2);
    }
    // The advance of the text (not only its ink) ends at x within one pixel.
    QImage image = White();
    QPainter p(&image);
    auto t = Text(u"H", 2 * 2540, 2540 / 2, 1);
    t->Brush.Style = bsSolid;
    t->Brush.Color = clBlack;
    t->Draw(p, 100, nullptr);
    p.end();
    EXPECT_NEAR(Ink(image).right() + 1, 200, 1);
}

TEST(ZvObjects, OffsetAssignAndClone)
{
    TZvTextBoxObject box;
    box.Left = 100, box.Top = 200, box.Right = 300, box.Bottom = 400;
    box.OffsetBy(1, 0);
    EXPECT_EQ(box.Left, 2640);
    EXPECT_EQ(box.Right, 2840);
    EXPECT_EQ(box.Top, 200);
    EXPECT_EQ(box.Bottom, 400);
    box.OffsetBy(0, -0.5L);
    EXPECT_EQ(box.Top, 200 - 1270);

    box.Text = u"boxed";
    box.BoxAlignment = 2;
    box.VertLayout = 1;
    box.WordWrap = false;
    box.Clip = true;
    box.ClipRect[2] = 77;
    box.PageNumber = 4;
    box.Visible = false;
    box.Pen.Width = 5;
    box.Font.Angle = 45;
    auto clone = CloneObject(box);
    auto *copy = dynamic_cast<TZvTextBoxObject *>(clone.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Kind, zvkTextBox);
    EXPECT_EQ(copy->Text, u"boxed");
    EXPECT_EQ(copy->Left, box.Left);
    EXPECT_EQ(copy->Bottom, box.Bottom);
    EXPECT_EQ(copy->BoxAlignment, 2);
    EXPECT_EQ(copy->VertLayout, 1);
    EXPECT_FALSE(copy->WordWrap);
    EXPECT_TRUE(copy->Clip);
    EXPECT_EQ(copy->ClipRect[2], 77);
    EXPECT_EQ(copy->PageNumber, 4);
    EXPECT_FALSE(copy->Visible);
    EXPECT_EQ(copy->Pen.Width, 5);
    EXPECT_EQ(copy->Font.Angle, 45);

    TZvGraphicObject g;
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    g.SetBitmap(picture);
    g.CopyMode = 0x00EE0086u;
    g.Right = 10;
    auto gc = CloneObject(g);
    auto *gcopy = dynamic_cast<TZvGraphicObject *>(gc.get());
    ASSERT_NE(gcopy, nullptr);
    ASSERT_NE(gcopy->Picture(), nullptr);
    EXPECT_NE(gcopy->Picture(), g.Picture()) << "the copy has a picture of its own";
    EXPECT_EQ(gcopy->Picture()->ToImage().size(), picture.size());
    EXPECT_EQ(gcopy->Picture()->ToImage().pixelColor(2, 1), QColor(Qt::red));
    EXPECT_EQ(gcopy->CopyMode, 0x00EE0086u);

    TZvComplexShape pie(zvkPie);
    pie.StartX = 9;
    pie.EndY = 8;
    auto pc = CloneObject(pie);
    EXPECT_EQ(pc->Kind, zvkPie);
    EXPECT_EQ(dynamic_cast<TZvComplexShape &>(*pc).StartX, 9);
    EXPECT_EQ(dynamic_cast<TZvComplexShape &>(*pc).EndY, 8);
}

TEST(ZvObjects, ClipsApplyToEachObjectAloneAndDrawsAreRangeChecked)
{
    // One pixel per 1/100 inch: 2540 hundredths of a mm = 100 pixels.
    auto rect = [](int32_t l, int32_t t, int32_t r, int32_t b) {
        auto o = std::make_unique<TZvRectangleShape>();
        o->Left = l, o->Top = t, o->Right = r, o->Bottom = b;
        o->Brush.Color = clBlack;
        o->Style = 1;
        return o;
    };
    QImage image = White();
    QPainter p(&image);
    const QRegion page(0, 0, 400, 200);
    auto clipped = rect(0, 0, 2540, 2540);
    clipped->Clip = true;
    clipped->ClipRect[0] = 5080, clipped->ClipRect[1] = 0, clipped->ClipRect[2] = 7620, clipped->ClipRect[3] = 2540;
    clipped->Draw(p, 100, &page);
    EXPECT_TRUE(Ink(image).isEmpty()) << "a clip outside the object leaves nothing";
    // The next object is not held in the first one's clip.
    rect(2540, 0, 5080, 2540)->Draw(p, 100, &page);
    p.end();
    EXPECT_EQ(Ink(image), QRect(100, 0, 100, 100));

    TZvLineObject far;
    far.Right = 2000000000;
    QImage other = White();
    QPainter q(&other);
    EXPECT_THROW(far.Draw(q, 10000, nullptr), ERangeError);
}

TEST(ZvCanvas, TextOutRecordsATextObjectAndMovesThePen)
{
    TZvPageList pages;
    TZvPage &page = pages.AddPage();
    TZvCanvas canvas;
    canvas.SetPage(&page);
    int changes = 0;
    canvas.OnChange = [&] { ++changes; };
    canvas.TextOut(10, 20, u"abc", zvuMillimetres);
    ASSERT_EQ(page.Count(), 1);
    auto *t = dynamic_cast<TZvTextObject *>(page.Objects(0));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Left, 1000);
    EXPECT_EQ(t->Top, 2000);
    EXPECT_EQ(t->Text, u"abc");
    EXPECT_EQ(t->Alignment, 0);
    EXPECT_EQ(t->PageNumber, 1);
    EXPECT_EQ(t->Font.Name, u"Arial");
    EXPECT_EQ(t->Font.Size, 12);
    EXPECT_EQ(t->Brush.Style, bsClear);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(canvas.LastObject(), t);
    const int32_t width = canvas.TextWidth(u"abc").Value();
    EXPECT_GT(width, 0);
    EXPECT_EQ(canvas.PenX(), 1000 + width);
    EXPECT_EQ(canvas.PenY(), 2000);

    // The origin moves what is written; the clip settings go with every object.
    canvas.SetOrigin(20 / 25.4L, 20 / 25.4L);
    canvas.Clip = true;
    canvas.ClipRect[3] = 55;
    canvas.TextOutAngle(0, 0, u"turned", zvuMillimetres, 90);
    auto *u = dynamic_cast<TZvTextObject *>(page.Objects(1));
    EXPECT_EQ(u->Left, 2000);
    EXPECT_EQ(u->Top, 2000);
    EXPECT_EQ(u->Font.Angle, 90);
    EXPECT_TRUE(u->Clip);
    EXPECT_EQ(u->ClipRect[3], 55);

    TZvValue &a = canvas.TextWidth(u"i");
    TZvValue &b = canvas.TextWidth(u"WWWWWW");
    EXPECT_EQ(&a, &b);
    EXPECT_GT(b.Value(), width);

    EXPECT_THROW(canvas.TextOut(1e12L, 0, u"far", zvuMillimetres), ERangeError);
    EXPECT_EQ(page.Count(), 2) << "nothing is recorded for a position out of range";
}

TEST(ZvCanvas, RichTextRangesPerPage)
{
    TZvRtfInformation info;
    info.Ranges.push_back({1, 0, 10, {}});
    info.Ranges.push_back({2, 11, 20, {}});
    info.Ranges.push_back({1, 21, 30, {}});
    ASSERT_NE(info.FindPage(1), nullptr);
    EXPECT_EQ(info.FindPage(1)->FirstChar, 21) << "the last range of the page";
    EXPECT_EQ(info.FindPage(3), nullptr);
    int cleared = 0;
    info.OnClear = [&] { ++cleared; };
    info.Clear();
    EXPECT_TRUE(info.Ranges.empty());
    EXPECT_EQ(cleared, 1);

    // A range renders inside the page's margins only.
    QTextDocument document;
    document.setPlainText(QString("first part ").repeated(20) + QString("WWWWWWWW ").repeated(40));
    QImage page(400, 400, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    const Extended margins[4] = {1, 0.5L, 1, 0.5L}; // inches at 100 pixels per inch
    RenderRichRange(p, 100, document, 220, 4, 4, margins, 400);
    p.end();
    const QRect ink = Ink(page);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.left(), 100);
    EXPECT_GE(ink.top(), 50);
    EXPECT_LE(ink.right(), 300);
    EXPECT_LE(ink.bottom(), 350);
}
