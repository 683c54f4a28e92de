// The object stream: exact bytes of each kind, round trips, older versions and damaged input.
#include "images/Bitmap.h"
#include "images/GIFImage.h"
#include "images/QtPictures.h"
#include "print/ZvObjects.h"
#include "print/ZvStream.h"
#include <QBuffer>
#include <QPainter>
#include <typeinfo>
#include <gtest/gtest.h>

namespace {

std::string Hex(const std::vector<uint8_t> &Bytes)
{
    static const char *digits = "0123456789abcdef";
    std::string s;
    for (uint8_t b : Bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

std::vector<uint8_t> Unhex(const std::string &Hex)
{
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < Hex.size(); i += 2)
        bytes.push_back(uint8_t(std::stoi(Hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string Saved(const TZvBaseObject &Object)
{
    TMemoryStream s;
    ZvSaveObject(s, Object);
    return Hex(s.Bytes());
}

std::unique_ptr<TZvBaseObject> Loaded(const std::vector<uint8_t> &Bytes, Extended Version = ZvStreamVersion)
{
    TMemoryStream s;
    if (!Bytes.empty())
        s.WriteBuffer(Bytes.data(), int64_t(Bytes.size()));
    s.SetPosition(0);
    return ZvLoadObject(s, Version);
}

std::unique_ptr<TZvBaseObject> RoundTrip(const TZvBaseObject &Object)
{
    return Loaded(Unhex(Saved(Object)));
}

} // namespace

TEST(ObjectStream, GoldenBytesOfEachKind)
{
    TZvLineObject line;
    line.Left = 100, line.Top = 200, line.Right = 300, line.Bottom = 400, line.LineValue = 7;
    line.Pen = {0x0000FF, psDash, 3, pmCopy};

    TZvTextObject text;
    text.Left = 1000, text.Top = 2000, text.Text = u"Hi", text.Alignment = 2;
    text.Font.Name = u"Arial", text.Font.Size = 12, text.Font.Style = fsBold | fsUnderline;
    text.Brush = {0xFFFFFF, bsClear};

    TZvRectangleShape rect;
    rect.Left = 1, rect.Top = 2, rect.Right = 3, rect.Bottom = 4, rect.Style = 2;
    rect.Clip = true, rect.ClipRect[0] = 5, rect.ClipRect[1] = 6, rect.ClipRect[2] = 7, rect.ClipRect[3] = 8;
    rect.Brush = {0x00FF00, bsSolid};

    TZvTextBoxObject box;
    box.Text = u"B", box.Font.Name = u"A", box.BoxAlignment = 1, box.Right = 9, box.Bottom = 10;
    box.WordWrap = false, box.VertLayout = 2, box.Visible = false;

    TZvRoundRectShape round;
    round.CornerWidth = 11, round.CornerHeight = 12;

    TZvPieShape pie;
    pie.StartX = 1, pie.StartY = 2, pie.EndX = 3, pie.EndY = 4;

    struct Case {
        const char *Name;
        const TZvBaseObject *Object;
        std::string Bytes;
    } cases[] = {
        {"line", &line,
         "020000000a00000064000000c800000001002000000010000000ff0000000100000003000000040000002c010000900100000700000"
         "0"},
        {"text", &text,
         "010000000a000000e8030000d007000001003800000008000000ffffff000100000002000000486921000000000000000000000000000"
         "000000005000000417269616c0c00000002000000425502"},
        {"rectangle", &rect,
         "040000001a00000001000000020000000101050000000600000007000000080000002c0000000800000000ff000000000000100000000"
         "0000000000000000100000004000000030000000400000002000000"},
        {"text box", &box,
         "060000000a000000000000000000000000003100000008000000ffffff000000000001000000421b00000000000000000000000000000"
         "0000001000000410000000000000000002500000001000000090000000a00000010000000000000000000000001000000040000000002"
         "000000"},
        {"round rectangle", &round,
         "050000000a000000000000000000000001002800000008000000ffffff000000000010000000000000000000000001000000040000000"
         "000000000000000080000000b0000000c000000"},
        {"pie", &pie,
         "0c0000000a000000000000000000000001002800000008000000ffffff000000000010000000000000000000000001000000040000000"
         "0000000000000001000000001000000020000000300000004000000"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Saved(*c.Object), c.Bytes) << c.Name;
}

TEST(ObjectStream, EveryKindReadsBackAsItself)
{
    std::vector<std::unique_ptr<TZvBaseObject>> objects;
    for (int32_t kind :
         {zvkText, zvkLine, zvkEllipse, zvkRectangle, zvkRoundRect, zvkTextBox, zvkGraphic, zvkArc, zvkChord, zvkPie}) {
        auto o = CreateObjectOfKind(kind);
        o->Left = 10 * kind, o->Top = -20 * kind, o->Right = 30 * kind, o->Bottom = 40 * kind;
        o->Clip = (kind & 1) != 0;
        o->ClipRect[0] = kind, o->ClipRect[3] = -kind;
        o->Visible = (kind & 2) != 0;
        o->Brush = {TColor(0x123456 + kind), bsCross};
        o->Pen = {TColor(0x654321), psDashDot, 5, pmXor};
        o->Font = {Extended(kind) + 0.25L, TColor(0x0000FF), u"Liberation Sans \u00e9", 9, fsItalic | fsStrikeOut};
        if (auto *t = dynamic_cast<TZvTextObject *>(o.get()))
            t->Text = u"caf\u00e9 \u20ac", t->Alignment = 1;
        if (auto *b = dynamic_cast<TZvTextBoxObject *>(o.get()))
            b->BoxAlignment = 2, b->VertLayout = 1, b->WordWrap = false;
        if (auto *r = dynamic_cast<TZvRectangleShape *>(o.get()))
            r->Style = 1;
        if (auto *r = dynamic_cast<TZvRoundRectShape *>(o.get()))
            r->CornerWidth = 5, r->CornerHeight = 6;
        if (auto *c = dynamic_cast<TZvComplexShape *>(o.get()))
            c->StartX = 1, c->StartY = 2, c->EndX = 3, c->EndY = 4;
        if (auto *g = dynamic_cast<TZvGraphicObject *>(o.get())) {
            QImage image(5, 4, QImage::Format_RGB32);
            image.fill(QColor(10, 200, 30));
            g->SetBitmap(image);
            g->CopyMode = 0x00EE0086u;
            g->SecondFlag = true;
            g->MetafileAsBitmap = true;
        }
        objects.push_back(std::move(o));
    }
    for (const auto &o : objects) {
        SCOPED_TRACE(o->Kind);
        auto back = RoundTrip(*o);
        ASSERT_EQ(back->Kind, o->Kind);
        EXPECT_EQ(typeid(*back), typeid(*o));
        // Written again, the object gives the same bytes: nothing was lost on the way.
        EXPECT_EQ(Saved(*back), Saved(*o));
        EXPECT_EQ(back->Left, o->Left);
        EXPECT_EQ(back->Visible, o->Visible);
        EXPECT_EQ(back->Clip, o->Clip);
        if (o->Clip) {
            EXPECT_EQ(back->ClipRect[3], o->ClipRect[3]);
        }
    }
    auto *text = dynamic_cast<TZvTextObject *>(RoundTrip(*objects[0]).release());
    std::unique_ptr<TZvTextObject> owned(text);
    EXPECT_EQ(text->Text, u"caf\u00e9 \u20ac");
    EXPECT_EQ(text->Font, objects[0]->Font);
    auto graphic = RoundTrip(*objects[6]);
    auto &g = dynamic_cast<TZvGraphicObject &>(*graphic);
    EXPECT_EQ(g.PictureType(), zvpBitmap);
    ASSERT_NE(g.Picture(), nullptr);
    EXPECT_EQ(g.Picture()->ToImage().pixelColor(4, 3), QColor(10, 200, 30));
    EXPECT_EQ(g.CopyMode, 0x00EE0086u);
    EXPECT_TRUE(g.SecondFlag);
    auto box = RoundTrip(*objects[5]);
    EXPECT_EQ(dynamic_cast<TZvTextBoxObject &>(*box).VertLayout, 1);
    auto rect = RoundTrip(*objects[3]);
    EXPECT_EQ(dynamic_cast<TZvRectangleShape &>(*rect).Style, 1);
}

namespace {
// A picture class that cannot write itself.
class TUnsavable : public TGraphic {
public:
    const char *ClassName() const override { return "TUnsavable"; }
    bool GetEmpty() const override { return false; }
    int GetWidth() const override { return 4; }
    int GetHeight() const override { return 2; }
    void Draw(QPainter &, const QRect &) override {}
    void LoadFromStream(TStream &) override {}
    QImage ToImage() const override
    {
        QImage image(4, 2, QImage::Format_ARGB32);
        image.fill(Qt::green);
        return image;
    }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TUnsavable>(); }
};

std::unique_ptr<TGraphic> Decoded(std::unique_ptr<TGraphic> Picture, const QImage &Image, const char *Format)
{
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    Image.save(&b, Format);
    TMemoryStream s;
    s.WriteBuffer(bytes.constData(), bytes.size());
    s.SetPosition(0);
    Picture->LoadFromStream(s);
    return Picture;
}
} // namespace

TEST(ObjectStream, PicturesOfEveryTypeReadBackAsTheirOwnType)
{
    EnsurePictureFormats();
    QImage image(6, 3, QImage::Format_RGB32);
    image.fill(Qt::blue);
    struct Case {
        const char *Name;
        std::function<std::unique_ptr<TGraphic>()> Make;
        int32_t Type;
        const char *ReadClass;
    } cases[] = {
        {"bitmap",
         [&] {
             auto b = std::make_unique<TBitmap>();
             b->FromImage(image);
             return std::unique_ptr<TGraphic>(std::move(b));
         },
         zvpBitmap, "TBitmap"},
        {"jpeg", [&] { return Decoded(std::make_unique<TJPEGImage>(), image, "JPEG"); }, zvpJpeg, "TJPEGImage"},
        // A picture of a class the stream has no code for is stored with its file format and
        // reads back as the same class.
        {"png", [&] { return Decoded(TPicture::CreateForFile("a.png"), image, "PNG"); }, zvpRegistered, "TPNGImage"},
        // A picture that cannot write itself is stored as a bitmap of its pixels.
        {"unsavable", [] { return std::unique_ptr<TGraphic>(std::make_unique<TUnsavable>()); }, zvpBitmap, "TBitmap"},
        // So is a GIF its own writer refuses (a pixel past its colour table, as a damaged file may hold).
        {"unwritable gif",
         [] {
             TBitmap b;
             b.SetPixelFormat(pf1bit);
             b.SetPalette(MonochromePalette());
             b.SetSize(6, 3);
             auto gif = std::make_unique<TGIFImage>();
             gif->AssignBitmap(b);
             gif->Frame(0).Data[5] = 7;
             return std::unique_ptr<TGraphic>(std::move(gif));
         },
         zvpBitmap, "TBitmap"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TZvGraphicObject g;
        g.SetPicture(c.Make());
        auto back = RoundTrip(g);
        auto &r = dynamic_cast<TZvGraphicObject &>(*back);
        ASSERT_NE(r.Picture(), nullptr);
        EXPECT_EQ(r.PictureType(), c.Type);
        EXPECT_STREQ(r.Picture()->ClassName(), c.ReadClass);
        EXPECT_EQ(r.Picture()->GetWidth(), g.Picture()->GetWidth());
        EXPECT_EQ(r.Picture()->GetHeight(), g.Picture()->GetHeight());
    }
    // An empty picture, of a kind stored by its file format too, is stored as no picture: what
    // reads back from it writes the same bytes again.
    TZvGraphicObject none;
    for (const char *file : {"a.png", "a.gif", "a.bmp"}) {
        SCOPED_TRACE(file);
        TZvGraphicObject empty;
        empty.SetPicture(TPicture::CreateForFile(file));
        ASSERT_TRUE(empty.Picture()->GetEmpty());
        EXPECT_EQ(Saved(empty), Saved(none));
        EXPECT_EQ(Saved(*RoundTrip(empty)), Saved(empty));
    }
    // A picture's own reader refusing the data is a damaged stream.
    TZvGraphicObject g;
    g.SetBitmap(image);
    std::vector<uint8_t> bytes = Unhex(Saved(g));
    for (size_t i = 40; i < 60 && i < bytes.size(); ++i)
        bytes[i] = 0xEE;
    EXPECT_THROW(Loaded(bytes), EZvStreamError);
}

TEST(ObjectStream, OlderVersionsReadWhatTheyHad)
{
    // A version 2.5 text object: Left, Top only in its base block, no alignment; a later
    // field in the block is ignored.
    const std::string v25 = "01000000" // kind
                            "0c000000"
                            "0a000000"
                            "14000000"
                            "ffffffff" // base: left 10, top 20, an extra int
                            "38000000" // text block
                            "08000000ffffff0001000000" // brush
                            "020000004869" // "Hi"
                            "21000000"
                            "00000000000000000000"
                            "00000000"
                            "05000000417269616c"
                            "0c000000"
                            "020000005542" // font, "UB"
                            "02"; // alignment byte (not read before 2.6)
    auto o = Loaded(Unhex(v25), 2.5L);
    auto &t = dynamic_cast<TZvTextObject &>(*o);
    EXPECT_EQ(t.Left, 10);
    EXPECT_EQ(t.Top, 20);
    EXPECT_TRUE(t.Visible);
    EXPECT_FALSE(t.Clip);
    EXPECT_EQ(t.Alignment, 0);
    EXPECT_EQ(t.Text, u"Hi");
    EXPECT_EQ(t.Font.Style, fsBold | fsUnderline) << "style letters in any order";

    // A version 2.6 text box: no word-wrap byte (true) and no vertical layout (0); the block
    // with its int32 fields cut short reads the missing ones as 0.
    TZvTextBoxObject box;
    box.Right = 5, box.Bottom = 6, box.WordWrap = false, box.VertLayout = 2;
    TMemoryStream s;
    ZvSaveObject(s, box);
    s.SetPosition(0);
    auto old = ZvLoadObject(s, 2.6);
    auto &b = dynamic_cast<TZvTextBoxObject &>(*old);
    EXPECT_TRUE(b.WordWrap);
    EXPECT_EQ(b.VertLayout, 0);
    EXPECT_EQ(b.Bottom, 6);

    // A graphic before 2.32: copy mode SRCCOPY, no second flag.
    TZvGraphicObject g;
    g.CopyMode = 0x00EE0086u;
    g.SecondFlag = true;
    TMemoryStream gs;
    ZvSaveObject(gs, g);
    gs.SetPosition(0);
    auto og = ZvLoadObject(gs, 2.3L);
    EXPECT_EQ(dynamic_cast<TZvGraphicObject &>(*og).CopyMode, 0x00CC0020u);
    EXPECT_FALSE(dynamic_cast<TZvGraphicObject &>(*og).SecondFlag);

    // Int fields missing at the end of a block read as 0.
    const std::string shortLine = "02000000"
                                  "0a000000"
                                  "0100000002000000"
                                  "0100"
                                  "18000000"
                                  "10000000"
                                  "ff000000000000000100000004000000"
                                  "2c010000"
                                  "9001";
    auto l = Loaded(Unhex(shortLine));
    EXPECT_EQ(l->Right, 300);
    EXPECT_EQ(l->Bottom, 0);
    EXPECT_EQ(dynamic_cast<TZvLineObject &>(*l).LineValue, 0);
}

TEST(ObjectStream, DamagedInputGivesAFormatError)
{
    TZvTextObject text;
    text.Text = u"Hello";
    const std::vector<uint8_t> good = Unhex(Saved(text));
    struct Case {
        const char *Name;
        std::vector<uint8_t> Bytes;
    } cases[] = {
        {"empty", {}},
        {"kind only", Unhex("01000000")},
        {"unknown kind", Unhex("07000000"
                               "0a000000"
                               "00000000000000000100")},
        {"negative block length", Unhex("02000000"
                                        "f6ffffff")},
        {"block past the end", Unhex("02000000"
                                     "ff000000"
                                     "0000")},
        {"huge string length", Unhex("01000000"
                                     "0a000000"
                                     "00000000000000000100"
                                     "16000000"
                                     "08000000ffffff0001000000"
                                     "ffffff7f"
                                     "41424344")},
        {"cut in the middle", std::vector<uint8_t>(good.begin(), good.begin() + 30)},
    };
    for (const Case &c : cases)
        EXPECT_THROW(Loaded(c.Bytes), EZvStreamError) << c.Name;
    // Every prefix of a good record fails cleanly or reads.
    for (size_t n = 0; n < good.size(); ++n) {
        try {
            Loaded(std::vector<uint8_t>(good.begin(), good.begin() + long(n)));
        } catch (const EZvStreamError &) {
        }
    }
}
