#include "controls/ColorPickers.h"
#include "platform/QtConvert.h"
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

std::string PickerText(const WideString &S)
{
    return std::string(S.begin(), S.end());
}

} // namespace

// The colour, text, index and name a point of each grid picks, with the points in the margins
// and off the grid.
TEST(WebColors, PointsPickTheirSwatches)
{
    struct Case {
        TWebGrid Grid;
        int X, Y;
        int Index; // -1: nothing
        const char *Text, *Name;
    };
    const Case Cases[] = {
        {TWebGrid::WebSafe, 0, 0, 0, "#000000", ""},
        {TWebGrid::WebSafe, 5 * 32 + 10, 35 * 11 + 5, 215, "#FFFFFF", ""},
        {TWebGrid::WebSafe, 2 * 32 + 3, 9 * 11 + 3, 56, "#663399", ""},
        {TWebGrid::WebSafe, 193, 397, 215, "#FFFFFF", ""}, // bottom-right margin: the last swatch
        {TWebGrid::WebSafe, 192, 9 * 11 + 3, 59, "#FF3399", ""}, // right margin stays in its row
        {TWebGrid::WebSafe, 40, 396, 211, "#33FFFF", ""}, // bottom margin stays in its column
        {TWebGrid::WebSafe, -1, 20, -1, "", ""},
        {TWebGrid::WebSafe, 20, -3, -1, "", ""},
        {TWebGrid::WebSafe, 194, 20, -1, "", ""},
        {TWebGrid::WebNames, 5, 5, 0, "#F0F8FF", "AliceBlue"},
        {TWebGrid::WebNames, 108 + 5, 16 * 22 + 5, 50, "#BEBEBE", "Gray"},
        {TWebGrid::WebNames, 2 * 108 + 5, 2 * 16 + 5, 58, "#F0D58C", "Khaki"},
        {TWebGrid::WebNames, 4 * 108 + 5, 27 * 16 + 5, 139, "#9ACD32", "YellowGreen"},
        {TWebGrid::WebNames, 541, 5, 112, "#800080", "Purple"}, // right margin: the last column
        {TWebGrid::WebNames, 5, 449, 27, "#8B008B", "DarkMagenta"}, // bottom margin: the last row
        {TWebGrid::WebNames, 542, 5, -1, "", ""},
        {TWebGrid::Std16, 5, 5, 0, "#000000", "black"},
        {TWebGrid::Std16, 108 + 5, 4 * 18 + 5, 12, "#000080", "navy"},
        {TWebGrid::Std16, 217, 145, 15, "#00FFFF", "aqua"},
        {TWebGrid::Std16, 5, 146, -1, "", ""},
    };
    for (const Case &C : Cases) {
        const auto Pick = GridColorAt(C.Grid, C.X, C.Y);
        if (C.Index < 0) {
            EXPECT_FALSE(Pick.has_value()) << C.X << "," << C.Y;
            continue;
        }
        ASSERT_TRUE(Pick.has_value()) << C.X << "," << C.Y;
        EXPECT_EQ(Pick->Index, C.Index) << C.X << "," << C.Y;
        EXPECT_EQ(PickerText(Pick->Text), C.Text) << C.X << "," << C.Y;
        EXPECT_EQ(PickerText(Pick->Name), C.Name) << C.X << "," << C.Y;
    }
}

// The tables as the pickers list them, with the spellings and values that differ from other
// colour lists, and the swatches whose names are written in white.
TEST(WebColors, NamedTables)
{
    struct Case {
        int Index;
        const char *Name, *Value;
        bool White;
    };
    for (const Case &C : {Case{12, "Burlywood", "$DEB887", false}, Case{42, "Firebrick", "$B22222", true},
                          Case{54, "Hotpink", "$FF69B4", false}, Case{96, "Oldlace", "$FDF5E6", false},
                          Case{68, "LightGrey", "$D3D3D3", false}, Case{50, "Gray", "$BEBEBE", false},
                          Case{58, "Khaki", "$F0D58C", false}, Case{130, "Teal", "$008080", true},
                          Case{7, "Black", "$000000", true}, Case{139, "YellowGreen", "$9ACD32", false}}) {
        EXPECT_EQ(PickerText(WebNamedColors[C.Index].Name), C.Name);
        EXPECT_STREQ(WebNamedColors[C.Index].Value, C.Value);
        EXPECT_EQ(WebNameIsWhiteText(C.Index), C.White) << C.Name;
    }
    int White = 0;
    for (int I = 0; I < 140; ++I)
        White += WebNameIsWhiteText(I);
    EXPECT_EQ(White, 37);
    for (int I = 0; I < 16; ++I)
        EXPECT_EQ(Std16IsWhiteText(I), I == 0 || I == 4 || I == 6 || I == 12 || I == 13) << I;
    EXPECT_EQ(PickerText(Std16Colors[12].Name), "navy");
    EXPECT_EQ(ColorToWebText(RGBToColor(0x12, 0xAB, 0xF0)), u"#12ABF0");
    EXPECT_EQ(WebTextToColor(u"#12abF0"), RGBToColor(0x12, 0xAB, 0xF0));
    EXPECT_FALSE(WebTextToColor(u"#12abG0").has_value());
}

// Drawing and hit test agree: the pixel at every swatch's centre (and at its corners) has the
// colour the hit test reports there, in the grid the window shows.
TEST(WebColors, GridPixelsAreTheColoursTheHitTestReports)
{
    TkivWebSafe Safe;
    TkivWebNames Names;
    TkivStd16Col Std;
    const std::pair<TWebGrid, QLabel *> Grids[] = {{TWebGrid::WebSafe, Safe.Form().Image1},
                                                   {TWebGrid::WebNames, Names.Form().Image1},
                                                   {TWebGrid::Std16, Std.Form().Image1}};
    for (const auto &[Grid, Label] : Grids) {
        const QImage Image = Label->pixmap().toImage();
        ASSERT_EQ(Image.size(), QSize(GridLayout(Grid).Width, GridLayout(Grid).Height));
        EXPECT_EQ(Label->size(), Image.size());
        for (int I = 0; I < GridLayout(Grid).Count; ++I) {
            int L, T, R, B;
            GridSwatchRect(Grid, I, L, T, R, B);
            // Named swatches carry their name from the top left: probe the bottom row and corners.
            const bool Named = Grid != TWebGrid::WebSafe;
            for (const QPoint P :
                 {QPoint(R - 1, B - 1), QPoint(L, B - 1), QPoint(Named ? L : R - 1, Named ? B - 1 : T)}) {
                const auto Pick = GridColorAt(Grid, P.x(), P.y());
                ASSERT_TRUE(Pick.has_value());
                // The web-safe hit test numbers its swatches by rows, the drawing by columns.
                if (Named) {
                    EXPECT_EQ(Pick->Index, I);
                }
                const QColor C = Image.pixelColor(P);
                EXPECT_EQ(RGBToColor(uint8_t(C.red()), uint8_t(C.green()), uint8_t(C.blue())), Pick->Color)
                    << int(Grid) << " swatch " << I;
            }
        }
        EXPECT_EQ(Image.pixelColor(0, 0), QColor(Qt::white)) << int(Grid);
    }
}

// Executing a picker: hovering previews, a click records, OK returns the recorded text (Hex
// or Name) and Cancel or closing changes nothing; the window keeps its state between runs.
TEST(WebColors, PickersReturnWhatWasClicked)
{
    TkivWebNames Names;
    TwebNamesF &F = Names.Form();
    auto Run = [](QDialog &Form, const std::function<void()> &Steps) {
        QTimer::singleShot(0, &Form, [&Form, Steps] {
            Steps();
            if (Form.isVisible())
                Form.reject();
        });
    };
    Run(F, [&] {
        QTest::mouseMove(F.Image1, QPoint(5, 5));
        EXPECT_EQ(F.Label2->text(), "#F0F8FF");
        EXPECT_EQ(F.lblWebName->text(), "AliceBlue");
        EXPECT_EQ(F.Shape4->BrushColor(), RGBToColor(0xF0, 0xF8, 0xFF));
        QTest::mouseClick(F.Image1, Qt::RightButton, {}, QPoint(5, 5));
        EXPECT_EQ(F.LabelWN->text(), "AliceBlue");
        F.OKBtn->click();
    });
    EXPECT_TRUE(Names.Execute());
    EXPECT_EQ(Names.ColorText, u"#F0F8FF");
    Run(F, [&] {
        F.RadioButtonName->setChecked(true);
        F.OKBtn->click();
    });
    EXPECT_TRUE(Names.Execute());
    EXPECT_EQ(Names.ColorText, u"AliceBlue");
    Run(F, [&] {
        QTest::mouseClick(F.Image1, Qt::LeftButton, {}, QPoint(108 + 5, 5));
        F.CancelBtn->click();
    });
    EXPECT_FALSE(Names.Execute());
    EXPECT_EQ(Names.ColorText, u"AliceBlue");
    Run(F, [] {}); // closed without a button
    EXPECT_FALSE(Names.Execute());

    TkivStd16Col Std;
    Run(Std.Form(), [&] {
        QTest::mouseClick(Std.Form().Image1, Qt::LeftButton, {}, QPoint(108 + 5, 4 * 18 + 5));
        Std.Form().RadioButtonName->setChecked(true);
        Std.Form().OKBtn->click();
    });
    EXPECT_TRUE(Std.Execute());
    EXPECT_EQ(Std.ColorText, u"navy");

    TkivWebSafe Safe;
    TwebsafeF &S = Safe.Form();
    Run(S, [&] { S.OKBtn->click(); });
    EXPECT_TRUE(Safe.Execute());
    EXPECT_EQ(Safe.ColorText, u"#000000"); // nothing clicked: what the first slot holds
    EXPECT_EQ(Safe.ColorValue, clWhite);
    Run(S, [&] {
        QTest::mouseMove(S.Image1, QPoint(2 * 32 + 3, 9 * 11 + 3));
        EXPECT_EQ(S.Label1->text(), "#663399");
        S.RadioButton[1]->setChecked(true);
        QTest::mouseClick(S.Image1, Qt::LeftButton, {}, QPoint(2 * 32 + 3, 9 * 11 + 3));
        S.RadioButton[2]->setChecked(true);
        QTest::mouseClick(S.Image1, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseClick(S.Image1, Qt::LeftButton, {}, QPoint(-4, 5)); // dragged off: nothing
        S.RadioButton[1]->setChecked(true);
        S.OKBtn->click();
    });
    EXPECT_TRUE(Safe.Execute());
    EXPECT_EQ(Safe.ColorText, u"#663399");
    EXPECT_EQ(Safe.ColorValue, RGBToColor(0x66, 0x33, 0x99));
    EXPECT_EQ(S.Edit[2]->text(), "#000000");
    EXPECT_EQ(S.Shape[2]->BrushColor(), clBlack);
}
