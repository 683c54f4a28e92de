#include "controls/WebColors.h"
#include "platform/QtConvert.h"
#include "platform/SysUtils.h"
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>

const TNamedWebColor WebNamedColors[140] = {
    {u"AliceBlue", "$F0F8FF"},
    {u"AntiqueWhite", "$FAEBD7"},
    {u"Aqua", "$00FFFF"},
    {u"Aquamarine", "$7FFFD4"},
    {u"Azure", "$F0FFFF"},
    {u"Beige", "$F5F5DC"},
    {u"Bisque", "$FFE4C4"},
    {u"Black", "$000000"},
    {u"BlanchedAlmond", "$FFEBCD"},
    {u"Blue", "$0000FF"},
    {u"BlueViolet", "$8A2BE2"},
    {u"Brown", "$A52A2A"},
    {u"Burlywood", "$DEB887"},
    {u"CadetBlue", "$5F9EA0"},
    {u"Chartreuse", "$7FFF00"},
    {u"Chocolate", "$D2691E"},
    {u"Coral", "$FF7F50"},
    {u"CornflowerBlue", "$6495ED"},
    {u"Cornsilk", "$FFF8DC"},
    {u"Crimson", "$DC143C"},
    {u"Cyan", "$00FFFF"},
    {u"DarkBlue", "$00008B"},
    {u"DarkCyan", "$008B8B"},
    {u"DarkGoldenrod", "$B8860B"},
    {u"DarkGray", "$A9A9A9"},
    {u"DarkGreen", "$006400"},
    {u"DarkKhaki", "$BDB76B"},
    {u"DarkMagenta", "$8B008B"},
    {u"DarkOliveGreen", "$556B2F"},
    {u"DarkOrange", "$FF8C00"},
    {u"DarkOrchid", "$9932CC"},
    {u"DarkRed", "$8B0000"},
    {u"DarkSalmon", "$E9967A"},
    {u"DarkSeaGreen", "$8FBC8F"},
    {u"DarkSlateBlue", "$483D8B"},
    {u"DarkSlateGray", "$2F4F4F"},
    {u"DarkTurquoise", "$00CED1"},
    {u"DarkViolet", "$9400D3"},
    {u"DeepPink", "$FF1493"},
    {u"DeepSkyBlue", "$00BFFF"},
    {u"DimGray", "$696969"},
    {u"DodgerBlue", "$1E90FF"},
    {u"Firebrick", "$B22222"},
    {u"FloralWhite", "$FFFAF0"},
    {u"ForestGreen", "$228B22"},
    {u"Fuchsia", "$FF00FF"},
    {u"Gainsboro", "$DCDCDC"},
    {u"GhostWhite", "$F8F8FF"},
    {u"Gold", "$FFD700"},
    {u"Goldenrod", "$DAA520"},
    {u"Gray", "$BEBEBE"},
    {u"Green", "$008000"},
    {u"GreenYellow", "$ADFF2F"},
    {u"Honeydew", "$F0FFF0"},
    {u"Hotpink", "$FF69B4"},
    {u"IndianRed", "$CD5C5C"},
    {u"Indigo", "$4B0082"},
    {u"Ivory", "$FFFFF0"},
    {u"Khaki", "$F0D58C"},
    {u"Lavender", "$E6E6FA"},
    {u"LavenderBlush", "$FFF0F5"},
    {u"LawnGreen", "$7CFC00"},
    {u"LemonChiffon", "$FFFACD"},
    {u"LightBlue", "$ADD8E6"},
    {u"LightCoral", "$F08080"},
    {u"LightCyan", "$E0FFFF"},
    {u"LightGoldenrodYellow", "$FAFAD2"},
    {u"LightGreen", "$90EE90"},
    {u"LightGrey", "$D3D3D3"},
    {u"LightPink", "$FFB6C1"},
    {u"LightSalmon", "$FFA07A"},
    {u"LightSeaGreen", "$20B2AA"},
    {u"LightSkyBlue", "$87CEFA"},
    {u"LightSlateGray", "$778899"},
    {u"LightSteelBlue", "$B0C4DE"},
    {u"LightYellow", "$FFFFE0"},
    {u"Lime", "$00FF00"},
    {u"LimeGreen", "$32CD32"},
    {u"Linen", "$FAF0E6"},
    {u"Magenta", "$FF00FF"},
    {u"Maroon", "$800000"},
    {u"MediumAquamarine", "$66CDAA"},
    {u"MediumBlue", "$0000CD"},
    {u"MediumOrchid", "$BA55D3"},
    {u"MediumPurple", "$9370DB"},
    {u"MediumSeaGreen", "$3CB371"},
    {u"MediumSlateBlue", "$7B68EE"},
    {u"MediumSpringGreen", "$00FA9A"},
    {u"MediumTurquoise", "$48D1CC"},
    {u"MediumVioletRed", "$C71585"},
    {u"MidnightBlue", "$191970"},
    {u"MintCream", "$F5FFFA"},
    {u"MistyRose", "$FFE4E1"},
    {u"Moccasin", "$FFE4B5"},
    {u"NavajoWhite", "$FFDEAD"},
    {u"Navy", "$000080"},
    {u"Oldlace", "$FDF5E6"},
    {u"Olive", "$808000"},
    {u"OliveDrab", "$6B8E23"},
    {u"Orange", "$FFA500"},
    {u"OrangeRed", "$FF4500"},
    {u"Orchid", "$DA70D6"},
    {u"PaleGoldenrod", "$EEE8AA"},
    {u"PaleGreen", "$98FB98"},
    {u"PaleTurquoise", "$AFEEEE"},
    {u"PaleVioletRed", "$DB7093"},
    {u"PapayaWhip", "$FFEFD5"},
    {u"PeachPuff", "$FFDAB9"},
    {u"Peru", "$CD853F"},
    {u"Pink", "$FFC0CB"},
    {u"Plum", "$DDA0DD"},
    {u"PowderBlue", "$B0E0E6"},
    {u"Purple", "$800080"},
    {u"Red", "$FF0000"},
    {u"RosyBrown", "$BC8F8F"},
    {u"RoyalBlue", "$4169E1"},
    {u"SaddleBrown", "$8B4513"},
    {u"Salmon", "$FA8072"},
    {u"SandyBrown", "$F4A460"},
    {u"SeaGreen", "$2E8B57"},
    {u"Seashell", "$FFF5EE"},
    {u"Sienna", "$A0522D"},
    {u"Silver", "$C0C0C0"},
    {u"SkyBlue", "$87CEEB"},
    {u"SlateBlue", "$6A5ACD"},
    {u"SlateGray", "$708090"},
    {u"Snow", "$FFFAFA"},
    {u"SpringGreen", "$00FF7F"},
    {u"SteelBlue", "$4682B4"},
    {u"Tan", "$D2B48C"},
    {u"Teal", "$008080"},
    {u"Thistle", "$D8BFD8"},
    {u"Tomato", "$FF6347"},
    {u"Turquoise", "$40E0D0"},
    {u"Violet", "$EE82EE"},
    {u"Wheat", "$F5DEB3"},
    {u"White", "$FFFFFF"},
    {u"WhiteSmoke", "$F5F5F5"},
    {u"Yellow", "$FFFF00"},
    {u"YellowGreen", "$9ACD32"},
};

const TNamedWebColor Std16Colors[16] = {
    {u"black", "$000000"},  {u"silver", "$C0C0C0"}, {u"gray", "$808080"},   {u"white", "$FFFFFF"},
    {u"maroon", "$800000"}, {u"red", "$FF0000"},    {u"purple", "$800080"}, {u"fuchsia", "$FF00FF"},
    {u"green", "$008000"},  {u"lime", "$00FF00"},   {u"olive", "$808000"},  {u"yellow", "$FFFF00"},
    {u"navy", "$000080"},   {u"blue", "$0000FF"},   {u"teal", "$008080"},   {u"aqua", "$00FFFF"},
};

namespace {

constexpr int WhiteNames[] = {7,  9,  10, 11, 19, 21, 25, 27, 28, 30,  31,  34,  35,  37,  42,  44,  51,  56, 80,
                              82, 84, 85, 86, 89, 90, 95, 97, 98, 112, 115, 116, 119, 121, 124, 125, 128, 130};
constexpr int WhiteStd16[] = {0, 4, 6, 12, 13};

const TWebGridLayout Layouts[] = {
    {194, 398, 216, 36, 32, 11},
    {542, 450, 140, 28, 108, 16},
    {218, 146, 16, 8, 108, 18},
};

const TNamedWebColor *NamedTable(TWebGrid Grid)
{
    return Grid == TWebGrid::WebNames ? WebNamedColors : Grid == TWebGrid::Std16 ? Std16Colors : nullptr;
}

} // namespace

bool WebNameIsWhiteText(int Index)
{
    return std::find(std::begin(WhiteNames), std::end(WhiteNames), Index) != std::end(WhiteNames);
}

bool Std16IsWhiteText(int Index)
{
    return std::find(std::begin(WhiteStd16), std::end(WhiteStd16), Index) != std::end(WhiteStd16);
}

WideString ColorToWebText(TColor Color)
{
    static const char16_t Digits[] = u"0123456789ABCDEF";
    const uint8_t Channels[3] = {uint8_t(Color), uint8_t(Color >> 8), uint8_t(Color >> 16)};
    WideString Text = u"#";
    for (uint8_t C : Channels) {
        Text += Digits[C >> 4];
        Text += Digits[C & 15];
    }
    return Text;
}

std::optional<TColor> WebTextToColor(const WideString &Text)
{
    if (Text.size() != 7 || (Text[0] != '#' && Text[0] != '$'))
        return std::nullopt;
    int Channel[3];
    for (int I = 0; I < 3; ++I) {
        const int Hi = HexDigitOf(Text[1 + 2 * I]), Lo = HexDigitOf(Text[2 + 2 * I]);
        if (Hi < 0 || Lo < 0)
            return std::nullopt;
        Channel[I] = Hi * 16 + Lo;
    }
    return RGBToColor(uint8_t(Channel[0]), uint8_t(Channel[1]), uint8_t(Channel[2]));
}

TColor StoredValueToColor(const char *Value)
{
    WideString Text;
    for (const char *P = Value; *P; ++P)
        Text += char16_t(*P);
    return WebTextToColor(Text).value_or(0);
}

const TWebGridLayout &GridLayout(TWebGrid Grid)
{
    return Layouts[int(Grid)];
}

TWebPick GridSwatch(TWebGrid Grid, int I)
{
    TWebPick Pick;
    Pick.Index = I;
    if (const TNamedWebColor *Table = NamedTable(Grid)) {
        Pick.Color = StoredValueToColor(Table[I].Value);
        Pick.Name = Table[I].Name;
    } else {
        // Column c, row r: red by the column, green by the block of six rows, blue within it.
        const int C = I / 36, R = I % 36;
        Pick.Color = RGBToColor(uint8_t(51 * C), uint8_t(51 * (R / 6)), uint8_t(51 * (R % 6)));
    }
    Pick.Text = ColorToWebText(Pick.Color);
    return Pick;
}

void GridSwatchRect(TWebGrid Grid, int I, int &Left, int &Top, int &Right, int &Bottom)
{
    const TWebGridLayout &L = GridLayout(Grid);
    const int C = I / L.Rows, R = I % L.Rows;
    Left = L.CellWidth * C + 2;
    Top = L.CellHeight * R + 2;
    Right = L.CellWidth * C + L.CellWidth;
    Bottom = L.CellHeight * R + L.CellHeight;
}

std::optional<TWebPick> GridColorAt(TWebGrid Grid, int X, int Y)
{
    const TWebGridLayout &L = GridLayout(Grid);
    if (X < 0 || Y < 0 || X >= L.Width || Y >= L.Height)
        return std::nullopt;
    const int Columns = (L.Count + L.Rows - 1) / L.Rows;
    const int Column = std::min(X / L.CellWidth, Columns - 1);
    const int Row = std::min(Y / L.CellHeight, L.Rows - 1);
    if (Grid == TWebGrid::WebSafe) {
        // The hit test reads the web-safe grid as six swatches per row of 11 pixels: red from
        // the column, green from the block of six rows, blue from the row within the block,
        // the same colour the drawing puts there.
        const int Index = Row * 6 + Column;
        const int Q = Index / 36, M = Index % 36;
        TWebPick Pick;
        Pick.Index = Index;
        Pick.Color = RGBToColor(uint8_t(51 * (M % 6)), uint8_t(51 * Q), uint8_t(51 * (M / 6)));
        Pick.Text = ColorToWebText(Pick.Color);
        return Pick;
    }
    return GridSwatch(Grid, std::min(Column * L.Rows + Row, L.Count - 1));
}

QImage RenderWebGrid(TWebGrid Grid)
{
    const TWebGridLayout &L = GridLayout(Grid);
    QImage Image(L.Width, L.Height, QImage::Format_RGB32);
    Image.fill(Qt::white);
    QPainter Painter(&Image);
    const TNamedWebColor *Table = NamedTable(Grid);
    for (int I = 0; I < L.Count; ++I) {
        int Left, Top, Right, Bottom;
        GridSwatchRect(Grid, I, Left, Top, Right, Bottom);
        const TWebPick Pick = GridSwatch(Grid, I);
        const QRect Rect(Left, Top, Right - Left, Bottom - Top);
        Painter.fillRect(Rect,
                         QColor(int(Pick.Color & 0xFF), int((Pick.Color >> 8) & 0xFF), int((Pick.Color >> 16) & 0xFF)));
        if (!Table)
            continue;
        const bool White = Grid == TWebGrid::WebNames ? WebNameIsWhiteText(I) : Std16IsWhiteText(I);
        Painter.setPen(White ? Qt::white : Qt::black);
        Painter.save();
        Painter.setClipRect(Rect);
        Painter.drawText(Rect, Qt::AlignLeft | Qt::AlignTop, ToQString(Pick.Name));
        Painter.restore();
    }
    return Image;
}
