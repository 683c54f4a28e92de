#include "controls/ColorButton.h"
#include <QApplication>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

std::string HintText(const WideString &S)
{
    return std::string(S.begin(), S.end());
}

} // namespace

TEST(ColorArray, IndexesSizesAndCopies)
{
    TColorArrayClass A(4, 5);
    EXPECT_EQ(A.Count(), 20);
    for (int I = 1; I <= 20; ++I)
        EXPECT_EQ(A.CellByIndex(I), 0u) << "a new array is zeroed";
    A.SetCell(2, 3, 0x123456);
    EXPECT_EQ(A.CellByIndex((3 - 1) * 4 + 2), 0x123456u); // rows of XSize elements
    for (auto Bad : {std::pair{0, 1}, std::pair{5, 1}, std::pair{1, 0}, std::pair{1, 6}}) {
        try {
            (void)A.Cell(Bad.first, Bad.second);
            ADD_FAILURE() << Bad.first << "," << Bad.second;
        } catch (const EColorArrayIndexError &E) {
            EXPECT_EQ(E.Message(), "Array index out of bounds");
        }
    }
    EXPECT_THROW(A.SetCellByIndex(21, 0), EColorArrayIndexError);
    EXPECT_THROW((void)A.CellByIndex(0), EColorArrayIndexError);
    TColorArrayClass B(1, 1);
    EXPECT_FALSE(A.IsEqual(&B));
    EXPECT_FALSE(A.IsEqual(nullptr));
    B.Assign(A);
    EXPECT_TRUE(A.IsEqual(&B));
    B.SetCell(4, 5, 1);
    EXPECT_FALSE(A.IsEqual(&B));
    B.SetXSize(3);
    EXPECT_EQ(B.Count(), 15);
    EXPECT_EQ(B.Cell(3, 5), 0u);
}

// Palette cells by point and by arrow key, and where the palette drops near screen edges.
TEST(ColorPalette, CellsKeysAndPlacement)
{
    struct At {
        int X, Y;
        TPaletteCell Cell;
    };
    for (const At &C : {At{0, 0, {1, 1}}, At{17, 17, {1, 1}}, At{18, 0, {2, 1}}, At{71, 89, {4, 5}}, At{53, 96, {0, 0}},
                        At{71, 113, {0, 0}}, At{52, 100, {}}, At{10, 91, {}}, At{-3, 5, {}}, At{5, -1, {}},
                        At{72, 5, {}}, At{60, 114, {}}})
        EXPECT_EQ(PaletteCellAt({C.X, C.Y}), C.Cell) << C.X << "," << C.Y;
    EXPECT_EQ(PaletteCellRect({0, 0}), QRect(53, 99, 18, 18));
    EXPECT_EQ(PaletteCellRect({2, 3}), QRect(18, 36, 18, 18));

    struct Move {
        TPaletteCell From;
        int Key;
        TPaletteCell To;
    };
    for (const Move &M :
         {Move{{}, Qt::Key_A, {1, 1}}, Move{{1, 1}, Qt::Key_Left, {4, 1}}, Move{{4, 2}, Qt::Key_Right, {1, 2}},
          Move{{2, 1}, Qt::Key_Up, {2, 0}}, Move{{2, 0}, Qt::Key_Down, {2, 1}}, Move{{2, 0}, Qt::Key_Up, {2, 5}},
          Move{{3, 5}, Qt::Key_Down, {3, 0}}, Move{{2, 0}, Qt::Key_Left, {2, 0}}, Move{{2, 0}, Qt::Key_Right, {2, 0}},
          Move{{3, 3}, Qt::Key_Home, {3, 3}}})
        EXPECT_EQ(PaletteKeyMove(M.From, M.Key), M.To) << M.From.X << "," << M.From.Y << " key " << M.Key;

    const QRect Work(0, 0, 1024, 740);
    const QSize Size(72, 121);
    struct Place {
        QPoint Below, Above, Result;
    };
    for (const Place &P : {Place{{100, 200}, {100, 57}, {100, 200}}, // room below
                           Place{{100, 650}, {100, 507}, {100, 507}}, // too low: above the button
                           Place{{100, 619}, {100, 476}, {100, 619}}, // exactly fits
                           Place{{980, 200}, {980, 57}, {1024 - 78, 200}}, // too far right
                           Place{{-20, 200}, {-20, 57}, {0, 200}}}) // too far left
        EXPECT_EQ(PalettePlacement(P.Below, P.Above, Size, Work), P.Result) << P.Below.x() << "," << P.Below.y();

    TColorArrayClass Palette(4, 5);
    FillDefaultPalette(Palette);
    EXPECT_EQ(HintText(PaletteHintText(Palette.Cell(2, 2))), "RGB = 127 000 000");
    EXPECT_EQ(HintText(PaletteHintText(Palette.Cell(2, 5))), "RGB = 159 191 239");
}

// The custom colours text: sixteen "$" entries by X then Y; read back split on its commas, so
// entries of any width are read, and missing or unreadable ones become white.
TEST(ColorPalette, CustomColoursText)
{
    TColorArrayClass Custom(8, 2);
    for (int I = 1; I <= 16; ++I)
        Custom.SetCellByIndex(I, TColor(I * 0x10101));
    const AnsiString Text = CustomColorsText(Custom);
    EXPECT_EQ(Text.size(), 159u);
    EXPECT_EQ(Text.substr(0, 20), "$00010101,$00090909,"); // (1,1) then (1,2)
    TColorArrayClass Back(8, 2);
    ReadCustomColorsText(Text, Back);
    EXPECT_TRUE(Back.IsEqual(&Custom));
    ReadCustomColorsText("$FF,$ABCDEF,junk,,$0000000A", Back);
    EXPECT_EQ(Back.Cell(1, 1), 0xFFu);
    EXPECT_EQ(Back.Cell(1, 2), 0xABCDEFu);
    EXPECT_EQ(Back.Cell(2, 1), 0xFFFFFFu);
    EXPECT_EQ(Back.Cell(2, 2), 0xFFFFFFu);
    EXPECT_EQ(Back.Cell(3, 1), 0xAu);
    EXPECT_EQ(Back.Cell(8, 2), 0xFFFFFFu);
}

namespace {

struct ColorButtonTest : ::testing::Test {
    QWidget Form;
    TruvColorButton *Button = nullptr;
    int Changes = 0;
    void SetUp() override
    {
        Form.resize(200, 100);
        Button = new TruvColorButton(&Form);
        Button->move(20, 20);
        Button->OnColorChange = [this](TruvColorButton *) { ++Changes; };
        Form.show();
    }
    void ClickAt(int X) { QTest::mouseClick(Button, Qt::LeftButton, {}, QPoint(X, 10)); }
};

} // namespace

// With CycleColors a click left of the arrow steps through the palette in linear order, then
// the other colour, then around again; setting the same colour reports nothing.
TEST_F(ColorButtonTest, CyclingAndColourIndex)
{
    Button->SetCycleColors(true);
    Button->SetOtherColor(0x010203);
    Button->SetColor(Button->PaletteColors().Cell(4, 1));
    EXPECT_EQ(Button->GetColorIndex(), 4);
    EXPECT_EQ(Changes, 1);
    Button->SetColor(Button->GetColor());
    EXPECT_EQ(Changes, 1);
    ClickAt(5);
    EXPECT_EQ(Button->GetColor(), Button->PaletteColors().Cell(1, 2));
    EXPECT_EQ(Button->GetColorIndex(), 5);
    for (int I = 6; I <= 20; ++I)
        ClickAt(5);
    EXPECT_EQ(Button->GetColorIndex(), 20);
    ClickAt(5);
    EXPECT_EQ(Button->GetColorIndex(), 0);
    EXPECT_EQ(Button->GetColor(), 0x010203u);
    ClickAt(5);
    EXPECT_EQ(Button->GetColorIndex(), 1);
    EXPECT_EQ(Changes, 1 + 18);
    EXPECT_FALSE(Button->IsDroppedDown());
    Button->SetColor(0x445566);
    EXPECT_EQ(Button->GetColorIndex(), 0);
    Button->SetColorIndex(21);
    Button->SetColorIndex(-1);
    EXPECT_EQ(Button->GetColor(), 0x445566u);
}

// The arrow drops the palette down on the button's colour; keys and clicks choose, Enter on
// the other cell chooses the other colour, a click on the button while it is open only
// closes it, and "&Other" brings back the dialog's colour and custom colours.
TEST_F(ColorButtonTest, PaletteChoosesColours)
{
    Button->SetCycleColors(true);
    Button->SetColor(Button->PaletteColors().Cell(3, 2));
    ClickAt(Button->width() - 4);
    ASSERT_TRUE(Button->IsDroppedDown());
    TRUVColorButtonPalette *P = Button->Palette();
    EXPECT_EQ(P->CurrentCell(), (TPaletteCell{3, 2}));
    EXPECT_EQ(P->pos(), Button->mapToGlobal(QPoint(0, Button->height())));
    QTest::keyClick(P, Qt::Key_Down);
    QTest::keyClick(P, Qt::Key_Right);
    EXPECT_EQ(P->CurrentCell(), (TPaletteCell{4, 3}));
    QTest::keyClick(P, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_FALSE(Button->IsDroppedDown());
    EXPECT_EQ(Button->GetColor(), Button->PaletteColors().Cell(4, 3));

    ClickAt(Button->width() - 4);
    P = Button->Palette();
    ASSERT_NE(P, nullptr);
    P->SetOtherColor(0x00AA55);
    QTest::keyClick(P, Qt::Key_Up);
    QTest::keyClick(P, Qt::Key_Up);
    QTest::keyClick(P, Qt::Key_Up);
    EXPECT_EQ(P->CurrentCell(), (TPaletteCell{4, 0}));
    QTest::keyClick(P, Qt::Key_Enter);
    QApplication::processEvents();
    EXPECT_EQ(Button->GetColor(), 0x00AA55u);
    EXPECT_EQ(Button->GetOtherColor(), 0x00AA55u);
    EXPECT_EQ(Button->GetColorIndex(), 0);

    ClickAt(Button->width() - 4);
    ASSERT_TRUE(Button->IsDroppedDown());
    ClickAt(Button->width() - 4);
    QApplication::processEvents();
    EXPECT_FALSE(Button->IsDroppedDown());

    ClickAt(Button->width() - 4);
    P = Button->Palette();
    QTest::mouseMove(P, PaletteCellRect({2, 5}).center());
    EXPECT_EQ(P->CurrentCell(), (TPaletteCell{2, 5}));
    QTest::mouseClick(P, Qt::LeftButton, {}, PaletteCellRect({2, 5}).center());
    QApplication::processEvents();
    EXPECT_EQ(Button->GetColor(), Button->PaletteColors().Cell(2, 5));

    ClickAt(Button->width() - 4);
    P = Button->Palette();
    QTest::keyClick(P, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(Button->IsDroppedDown());
    EXPECT_EQ(Button->GetColor(), Button->PaletteColors().Cell(2, 5));

    Button->OnRunColorDialog = [](TColor &Colour, TColorArrayClass &Custom) {
        EXPECT_EQ(Custom.Cell(8, 2), clWhite);
        Colour = 0x336699;
        Custom.SetCell(8, 2, 0x111111);
        return true;
    };
    ClickAt(Button->width() - 4);
    Button->Palette()->btnOther->click();
    QApplication::processEvents();
    EXPECT_FALSE(Button->IsDroppedDown());
    EXPECT_EQ(Button->GetColor(), 0x336699u);
    EXPECT_EQ(Button->GetOtherColor(), 0x336699u);
    EXPECT_EQ(Button->CustomColors().Cell(8, 2), 0x111111u);
}

// The swatch shows the colour, and the arrow sits right of it.
TEST_F(ColorButtonTest, SwatchShowsTheColour)
{
    Button->resize(60, 24);
    Button->SetColor(RGBToColor(200, 10, 30));
    QImage Image = Button->grab().toImage();
    EXPECT_EQ(Image.pixelColor(12, 12), QColor(200, 10, 30));
    EXPECT_EQ(Image.pixelColor(Button->width() - 8, 12), QColor(Qt::black)); // the arrow's tip row
    Button->setEnabled(false);
    Image = Button->grab().toImage();
    EXPECT_NE(Image.pixelColor(12, 12), QColor(200, 10, 30));
}
