#include "controls/ColorButtonPalette.h"
#include "platform/GuardedApplication.h"
#include "platform/QtConvert.h"
#include "platform/ScopeGuard.h"
#include <QColorDialog>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>
#include <cstdio>
#include <string>

// ---- colour array ----

TColorArrayClass::TColorArrayClass(int XSize, int YSize)
    : FXSize(std::max(0, XSize)), FYSize(std::max(0, YSize)), FColors(size_t(FXSize) * size_t(FYSize), 0)
{
}

void TColorArrayClass::SetXSize(int Value)
{
    if (Value == FXSize)
        return;
    FXSize = std::max(0, Value);
    FColors.assign(size_t(FXSize) * size_t(FYSize), 0);
}

void TColorArrayClass::SetYSize(int Value)
{
    if (Value == FYSize)
        return;
    FYSize = std::max(0, Value);
    FColors.assign(size_t(FXSize) * size_t(FYSize), 0);
}

size_t TColorArrayClass::Offset(int X, int Y) const
{
    if (X < 1 || X > FXSize || Y < 1 || Y > FYSize)
        throw EColorArrayIndexError("Array index out of bounds");
    return size_t(Y - 1) * size_t(FXSize) + size_t(X - 1);
}

TColor TColorArrayClass::Cell(int X, int Y) const
{
    return FColors[Offset(X, Y)];
}
void TColorArrayClass::SetCell(int X, int Y, TColor Value)
{
    FColors[Offset(X, Y)] = Value;
}

TColor TColorArrayClass::CellByIndex(int I) const
{
    if (I < 1 || I > Count())
        throw EColorArrayIndexError("Array index out of bounds");
    return FColors[size_t(I - 1)];
}

void TColorArrayClass::SetCellByIndex(int I, TColor Value)
{
    if (I < 1 || I > Count())
        throw EColorArrayIndexError("Array index out of bounds");
    FColors[size_t(I - 1)] = Value;
}

void TColorArrayClass::Assign(const TColorArrayClass &Source)
{
    FXSize = Source.FXSize;
    FYSize = Source.FYSize;
    FColors = Source.FColors;
}

bool TColorArrayClass::IsEqual(const TColorArrayClass *Other) const
{
    if (Other == this)
        return true;
    return Other && Other->FXSize == FXSize && Other->FYSize == FYSize && Other->FColors == FColors;
}

void FillDefaultPalette(TColorArrayClass &Palette)
{
    static const uint8_t Rgb[5][4][3] = {
        {{255, 255, 255}, {0, 0, 0}, {191, 191, 191}, {127, 127, 127}},
        {{255, 0, 0}, {127, 0, 0}, {255, 255, 0}, {127, 127, 0}},
        {{0, 255, 0}, {0, 127, 0}, {0, 255, 255}, {0, 127, 127}},
        {{0, 0, 255}, {0, 0, 127}, {255, 0, 255}, {127, 0, 127}},
        {{191, 215, 191}, {159, 191, 239}, {255, 247, 239}, {159, 159, 159}},
    };
    for (int Y = 1; Y <= 5; ++Y)
        for (int X = 1; X <= 4; ++X)
            Palette.SetCell(X, Y, RGBToColor(Rgb[Y - 1][X - 1][0], Rgb[Y - 1][X - 1][1], Rgb[Y - 1][X - 1][2]));
}

// ---- palette rules ----

bool IsValidCell(TPaletteCell Cell)
{
    return Cell.Y == 0 || (Cell.X >= 1 && Cell.X <= 4 && Cell.Y >= 1 && Cell.Y <= 5);
}

QRect PaletteCellRect(TPaletteCell Cell)
{
    if (Cell.Y == 0)
        return QRect(PaletteClientWidth - 19, PaletteOtherTop + (21 - 16) / 2 - 1, 18, 18);
    return QRect((Cell.X - 1) * PaletteCellSize, (Cell.Y - 1) * PaletteCellSize, PaletteCellSize, PaletteCellSize);
}

TPaletteCell PaletteCellAt(QPoint P)
{
    if (P.x() >= PaletteClientWidth - 19 && P.x() <= PaletteClientWidth - 1 && P.y() >= 96 && P.y() <= 113)
        return {0, 0};
    if (P.x() < 0 || P.y() < 0)
        return {};
    const TPaletteCell Cell{P.x() / PaletteCellSize + 1, P.y() / PaletteCellSize + 1};
    return IsValidCell(Cell) ? Cell : TPaletteCell{};
}

TPaletteCell PaletteKeyMove(TPaletteCell Cell, int QtKey)
{
    if (!IsValidCell(Cell))
        return {1, 1};
    switch (QtKey) {
    case Qt::Key_Left:
        if (Cell.Y != 0)
            Cell.X = Cell.X <= 1 ? 4 : Cell.X - 1;
        break;
    case Qt::Key_Right:
        if (Cell.Y != 0)
            Cell.X = Cell.X >= 4 ? 1 : Cell.X + 1;
        break;
    case Qt::Key_Up: Cell.Y = Cell.Y <= 0 ? 5 : Cell.Y - 1; break;
    case Qt::Key_Down: Cell.Y = Cell.Y >= 5 ? 0 : Cell.Y + 1; break;
    default: break;
    }
    return Cell;
}

QPoint PalettePlacement(QPoint Below, QPoint Above, QSize Size, const QRect &WorkArea)
{
    const int Bottom = WorkArea.y() + WorkArea.height(); // exclusive edges
    const int Right = WorkArea.x() + WorkArea.width();
    QPoint P = Below;
    if (Size.height() + P.y() > Bottom)
        P = Above;
    if (P.x() < WorkArea.x())
        P.setX(WorkArea.x());
    else if (P.x() + Size.width() > Right)
        P.setX(Right - 78);
    return P;
}

WideString PaletteHintText(TColor RGB)
{
    char Text[40];
    std::snprintf(Text, sizeof Text, "RGB = %.3d %.3d %.3d", int(RGB & 0xFF), int((RGB >> 8) & 0xFF),
                  int((RGB >> 16) & 0xFF));
    return WideString(Text, Text + std::char_traits<char>::length(Text));
}

AnsiString CustomColorsText(const TColorArrayClass &Custom)
{
    AnsiString Text;
    char Entry[16];
    for (int X = 1; X <= Custom.XSize(); ++X)
        for (int Y = 1; Y <= Custom.YSize(); ++Y) {
            std::snprintf(Entry, sizeof Entry, "$%08X", unsigned(Custom.Cell(X, Y)));
            if (!Text.empty())
                Text += ',';
            Text += Entry;
        }
    return Text;
}

void ReadCustomColorsText(const AnsiString &Text, TColorArrayClass &Custom)
{
    if (Text.empty())
        return;
    size_t Start = 0;
    for (int X = 1; X <= Custom.XSize(); ++X)
        for (int Y = 1; Y <= Custom.YSize(); ++Y) {
            TColor Value = 0xFFFFFF;
            if (Start <= Text.size()) {
                size_t End = Text.find(',', Start);
                if (End == AnsiString::npos)
                    End = Text.size();
                const AnsiString Piece = Text.substr(Start, End - Start);
                Start = End + 1;
                // "$" and up to eight hexadecimal digits.
                if (Piece.size() >= 2 && Piece.size() <= 9 && Piece[0] == '$' &&
                    Piece.find_first_not_of("0123456789abcdefABCDEF", 1) == AnsiString::npos)
                    Value = TColor(std::stoul(Piece.substr(1), nullptr, 16));
            }
            Custom.SetCell(X, Y, Value);
        }
}

// ---- palette window ----

TRUVColorButtonPalette::TRUVColorButtonPalette(QWidget *Owner) : QWidget(Owner, Qt::Popup | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // The click that closes the palette outside it must not reach the button again.
    setAttribute(Qt::WA_NoMouseReplay);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    FillDefaultPalette(FPalette);
    for (int I = 1; I <= FCustom.Count(); ++I)
        FCustom.SetCellByIndex(I, clWhite);
    btnOther = new QPushButton(QStringLiteral("&Other"), this);
    btnOther->setFocusPolicy(Qt::NoFocus);
    btnOther->setGeometry(1, PaletteOtherTop, PaletteClientWidth - 22, 21);
    connect(btnOther, &QPushButton::clicked, this, GuardedSlot([this] { OtherClick(); }));
    setFixedSize(PaletteClientWidth, PaletteOtherTop + 21 + 2);
}

TRUVColorButtonPalette::~TRUVColorButtonPalette() = default;

TColor TRUVColorButtonPalette::CellColor(TPaletteCell P) const
{
    return P.Y == 0 ? FOtherColor : FPalette.Cell(P.X, P.Y);
}

void TRUVColorButtonPalette::SetSelectedColor(TColor V)
{
    const TColor Wanted = QColorToColor(ColorToQColor(V, palette()));
    for (int X = 1; X <= 4; ++X)
        for (int Y = 1; Y <= 5; ++Y)
            if (QColorToColor(ColorToQColor(FPalette.Cell(X, Y), palette())) == Wanted) {
                FCurrent = {X, Y};
                update();
                return;
            }
    FOtherColor = V;
    update();
}

void TRUVColorButtonPalette::SelectCell(TPaletteCell P)
{
    if (P == FCurrent || !IsValidCell(P))
        return;
    FCurrent = P;
    update();
}

WideString TRUVColorButtonPalette::GetHintText(TColor Colour, int X, int Y)
{
    WideString Text = PaletteHintText(QColorToColor(ColorToQColor(Colour, palette())));
    if (OnGetColorHintText)
        OnGetColorHintText(parentWidget(), Colour, X, Y, Text);
    return Text;
}

void TRUVColorButtonPalette::DrawCell(QPainter &Painter, TPaletteCell Cell, bool Selected)
{
    QRect R = PaletteCellRect(Cell);
    const QPalette &Pal = palette();
    auto Frame = [&](const QColor &TopLeft, const QColor &BottomRight) {
        Painter.setPen(TopLeft);
        Painter.drawLine(R.left(), R.top(), R.right(), R.top());
        Painter.drawLine(R.left(), R.top(), R.left(), R.bottom());
        Painter.setPen(BottomRight);
        Painter.drawLine(R.left(), R.bottom(), R.right(), R.bottom());
        Painter.drawLine(R.right(), R.top(), R.right(), R.bottom());
        R.adjust(1, 1, -1, -1);
    };
    if (Selected) {
        Frame(Pal.color(QPalette::Shadow), Pal.color(QPalette::Shadow));
        Frame(Pal.color(QPalette::Light), Pal.color(QPalette::Light));
        Frame(Pal.color(QPalette::Shadow), Pal.color(QPalette::Shadow));
    } else {
        Frame(Pal.color(QPalette::Window), Pal.color(QPalette::Window));
        Frame(Pal.color(QPalette::Dark), Pal.color(QPalette::Light));
        Frame(Pal.color(QPalette::Shadow), Pal.color(QPalette::Midlight));
    }
    Painter.fillRect(R, ColorToQColor(CellColor(Cell), Pal));
}

void TRUVColorButtonPalette::paintEvent(QPaintEvent *)
{
    RunGuarded([&] {
        QPainter Painter(this);
        Painter.fillRect(rect(), palette().color(QPalette::Window));
        for (int Y = 1; Y <= 5; ++Y)
            for (int X = 1; X <= 4; ++X)
                DrawCell(Painter, {X, Y}, false);
        Painter.setPen(palette().color(QPalette::Dark));
        Painter.drawLine(2, 93, width() - 2, 93);
        Painter.setPen(palette().color(QPalette::Light));
        Painter.drawLine(2, 94, width() - 2, 94);
        DrawCell(Painter, {0, 0}, false);
        if (IsValidCell(FCurrent))
            DrawCell(Painter, FCurrent, true);
    });
}

void TRUVColorButtonPalette::mouseMoveEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        FMouse = Event->position().toPoint();
        SelectCell(PaletteCellAt(FMouse));
    });
}

void TRUVColorButtonPalette::Choose(TPaletteCell Cell)
{
    if (OnColorSelected && IsValidCell(Cell))
        OnColorSelected(this, Cell.Y == 0, CellColor(Cell));
}

void TRUVColorButtonPalette::mouseReleaseEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        FMouse = Event->position().toPoint();
        if (!rect().contains(FMouse)) {
            close();
            return;
        }
        Choose(PaletteCellAt(FMouse));
        close();
    });
}

void TRUVColorButtonPalette::keyPressEvent(QKeyEvent *Event)
{
    RunGuarded([&] {
        switch (Event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down: SelectCell(PaletteKeyMove(FCurrent, Event->key())); return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Choose(FCurrent);
            FClosedByKey = true;
            close();
            return;
        case Qt::Key_Escape:
            FClosedByKey = true;
            close();
            return;
        default: QWidget::keyPressEvent(Event);
        }
    });
}

void TRUVColorButtonPalette::closeEvent(QCloseEvent *Event)
{
    RunGuarded([&] {
        if (FOtherDialogOpen) {
            Event->ignore();
            return;
        }
        QWidget::closeEvent(Event);
        if (!FClosing) {
            FClosing = true;
            if (OnPaletteClose)
                OnPaletteClose(this);
        }
    });
}

bool TRUVColorButtonPalette::event(QEvent *Event)
{
    if (Event->type() == QEvent::ToolTip) {
        RunGuarded([&] {
            auto *Help = static_cast<QHelpEvent *>(Event);
            const TPaletteCell Cell = PaletteCellAt(Help->pos());
            const WideString Text =
                FShowHints && IsValidCell(Cell) ? GetHintText(CellColor(Cell), Cell.X, Cell.Y) : WideString();
            if (Text.empty())
                QToolTip::hideText();
            else
                QToolTip::showText(Help->globalPos(), ToQString(Text), this, PaletteCellRect(Cell));
        });
        return true;
    }
    return QWidget::event(Event);
}

void TRUVColorButtonPalette::OtherClick()
{
    TColor Colour = FOtherColor;
    TColorArrayClass Custom(8, 2);
    Custom.Assign(FCustom);
    bool Ok = false;
    FOtherDialogOpen = true;
    {
        // The palette stays open while the dialog runs, whatever happens in it.
        TScopeGuard ResetFlag([this] { FOtherDialogOpen = false; });
        if (OnRunColorDialog) {
            Ok = OnRunColorDialog(Colour, Custom);
        } else {
            for (int N = 1; N <= 16; ++N)
                QColorDialog::setCustomColor(N - 1,
                                             ColorToQColor(Custom.Cell((N - 1) % 8 + 1, (N - 1) / 8 + 1), palette()));
            const QColor Chosen = QColorDialog::getColor(ColorToQColor(Colour, palette()), this);
            Ok = Chosen.isValid();
            if (Ok) {
                Colour = QColorToColor(Chosen);
                for (int N = 1; N <= 16; ++N)
                    Custom.SetCell((N - 1) % 8 + 1, (N - 1) / 8 + 1, QColorToColor(QColorDialog::customColor(N - 1)));
            }
        }
    }
    if (!Ok)
        return;
    FOtherColor = Colour;
    FCustom.Assign(Custom);
    if (OnColorSelected)
        OnColorSelected(this, true, Colour);
    close();
}
