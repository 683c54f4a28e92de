#include "controls/ColorButton.h"
#include "platform/CodePage.h"
#include "platform/GuardedApplication.h"
#include "platform/IniFile.h"
#include "platform/QtConvert.h"
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStandardPaths>
#include <QStyleOptionButton>
#include <exception>

namespace {

constexpr int ArrowZone = 13; // pixels at the right edge that always drop the palette

} // namespace

TruvColorButton::TruvColorButton(QWidget *Parent) : QPushButton(Parent)
{
    InitColors();
    resize(45, 22);
    connect(this, &QPushButton::clicked, this, GuardedSlot([this] { Click(); }));
}

TruvColorButton::~TruvColorButton()
{
    if (FPalette) {
        FPalette->OnPaletteClose = nullptr;
        FPalette->OnColorSelected = nullptr;
    }
    // Nothing may leave a destructor: a store that cannot be written keeps the old colours.
    try {
        SaveCustomColors();
    } catch (const std::exception &) {
    }
}

void TruvColorButton::InitColors()
{
    FillDefaultPalette(FPaletteColors);
    for (int I = 1; I <= FCustomColors.Count(); ++I)
        FCustomColors.SetCellByIndex(I, clWhite);
    FOtherColor = clBtnFace;
}

void TruvColorButton::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    FColorIndex = 0;
    for (int I = 1; I <= FPaletteColors.Count(); ++I)
        if (FPaletteColors.CellByIndex(I) == Value) {
            FColorIndex = I;
            break;
        }
    update();
    ColorChanged();
}

void TruvColorButton::SetColorIndex(int I)
{
    if (I == FColorIndex || I < 0 || I > FPaletteColors.Count())
        return;
    FColorIndex = I;
    FColor = I == 0 ? FOtherColor : FPaletteColors.CellByIndex(I);
    update();
    ColorChanged();
}

void TruvColorButton::SetFlat(bool Value)
{
    if (Value != FFlat) {
        FFlat = Value;
        update();
    }
}

void TruvColorButton::ColorChanged()
{
    if (OnColorChange)
        OnColorChange(this);
}

WideString TruvColorButton::GetColorsValueName() const
{
    const WideString Name = ToWideString(objectName());
    return parentWidget() ? ToWideString(parentWidget()->objectName()) + u"." + Name : Name;
}

// The custom colours live in a small settings file per key under the user's configuration
// folder, section "Colors", one value per button.
QString TruvColorButton::StoreFile() const
{
    QString Key = ToQString(FCustomColorsKey);
    Key.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/colors/") + Key +
           QStringLiteral(".ini");
}

void TruvColorButton::SaveCustomColors()
{
    if (FCustomColorsKey.empty() || FValueName.empty())
        return;
    QDir().mkpath(QFileInfo(StoreFile()).path());
    TIniFile Ini(StoreFile().toStdString());
    Ini.WriteString(u"Colors", FValueName, AnsiToWide(CustomColorsText(FCustomColors)));
    Ini.UpdateFile();
}

void TruvColorButton::LoadCustomColors()
{
    FValueName = GetColorsValueName();
    FCustomLoaded = true;
    if (FCustomColorsKey.empty() || FValueName.empty())
        return;
    TIniFile Ini(StoreFile().toStdString());
    ReadCustomColorsText(WideToAnsi(Ini.ReadString(u"Colors", FValueName, u"")), FCustomColors);
}

// ---- clicks and the palette ----

void TruvColorButton::mousePressEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        FClickX = Event->position().toPoint().x();
        QPushButton::mousePressEvent(Event);
    });
}

void TruvColorButton::mouseReleaseEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        FClickX = Event->position().toPoint().x();
        QPushButton::mouseReleaseEvent(Event);
    });
}

void TruvColorButton::keyPressEvent(QKeyEvent *Event)
{
    RunGuarded([&] {
        // Keys click where no mouse is: that drops the palette down.
        FClickX = width();
        QPushButton::keyPressEvent(Event);
    });
}

void TruvColorButton::enterEvent(QEnterEvent *Event)
{
    RunGuarded([&] {
        FMouseInside = true;
        if (FFlat)
            update();
        QPushButton::enterEvent(Event);
    });
}

void TruvColorButton::leaveEvent(QEvent *Event)
{
    RunGuarded([&] {
        FMouseInside = false;
        if (FFlat)
            update();
        QPushButton::leaveEvent(Event);
    });
}

void TruvColorButton::Click()
{
    if (!FCustomLoaded)
        LoadCustomColors();
    if (FPalette) {
        // A click while the palette is open only closes it.
        FPalette->close();
        return;
    }
    const bool Arrow = FClickX > width() - ArrowZone;
    if (FCycleColors && !Arrow) {
        const int I = FColorIndex + 1;
        SetColorIndex(I > FPaletteColors.Count() ? 0 : I);
        return;
    }
    auto *Palette = new TRUVColorButtonPalette(this);
    const QPoint Below = mapToGlobal(QPoint(0, height()));
    const QPoint Above = mapToGlobal(QPoint(0, -PaletteClientHeight));
    const QRect Work = screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768);
    Palette->move(PalettePlacement(Below, Above, Palette->size(), Work));
    Palette->SetShowHints(FShowColorHints);
    Palette->btnOther->setText(ToQString(FOtherBtnCaption));
    Palette->SetOtherColor(FOtherColor);
    Palette->OnColorSelected = [this](TRUVColorButtonPalette *, bool IsOther, TColor Value) {
        PaletteColorSelected(IsOther, Value);
    };
    Palette->OnPaletteClose = [this](TRUVColorButtonPalette *) { PaletteClosed(); };
    Palette->PaletteColors().Assign(FPaletteColors);
    Palette->CustomColors().Assign(FCustomColors);
    Palette->SetSelectedColor(FColor);
    Palette->OnGetColorHintText = OnGetColorHintText;
    Palette->OnRunColorDialog = OnRunColorDialog;
    FPalette = Palette;
    update();
    Palette->show();
    Palette->setFocus();
}

void TruvColorButton::PaletteColorSelected(bool IsOther, TColor Value)
{
    SetColor(Value);
    if (IsOther)
        FOtherColor = Value;
}

void TruvColorButton::PaletteClosed()
{
    if (FPalette)
        FCustomColors.Assign(FPalette->CustomColors());
    FPalette = nullptr;
    update();
}

// ---- drawing ----

void TruvColorButton::paintEvent(QPaintEvent *)
{
    RunGuarded([&] {
        QPainter Painter(this);
        const QPalette &Pal = palette();
        const bool Down = isDown() || FPalette;
        const bool Enabled = isEnabled();
        QStyleOptionButton Option;
        Option.initFrom(this);
        Option.state |= Down ? QStyle::State_Sunken : QStyle::State_Raised;
        if (FFlat && !FMouseInside && !hasFocus() && !Down)
            Painter.fillRect(rect(), Pal.color(QPalette::Button));
        else
            style()->drawControl(QStyle::CE_PushButtonBevel, &Option, &Painter, this);
        QRect R = rect();
        if (Down)
            R.translate(1, 1);
        R.adjust(3, 3, -3, -3);
        if (hasFocus()) {
            QStyleOptionFocusRect Focus;
            Focus.initFrom(this);
            Focus.rect = R;
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &Focus, &Painter, this);
        }
        R.adjust(1, 1, -1, -1);
        R.adjust(2, 1, -2, -1);
        R.setRight(R.right() - 10);
        const QRect Swatch = R;
        Painter.setPen(Qt::black);
        Painter.drawRect(Swatch.adjusted(0, 0, -1, -1));
        const QRect Inside = Swatch.adjusted(1, 1, -1, -1);
        if (Enabled)
            Painter.fillRect(Inside, ColorToQColor(FColor, Pal));
        else
            Painter.fillRect(Inside, QBrush(Pal.color(QPalette::Dark), Qt::BDiagPattern));
        const int SepX = Swatch.right() + 3;
        Painter.setPen(Pal.color(QPalette::Dark));
        Painter.drawLine(SepX, Swatch.top(), SepX, Swatch.bottom());
        Painter.setPen(Pal.color(QPalette::Light));
        Painter.drawLine(SepX + 1, Swatch.top(), SepX + 1, Swatch.bottom());
        // The arrow: rows of 5, 3 and 1 pixels.
        const int Left = SepX + 2, Top = Swatch.top() + Swatch.height() / 2 - 5 / 2;
        Painter.setPen(Enabled ? Qt::black : Pal.color(QPalette::Dark));
        for (int Row = 0; Row < 3; ++Row)
            Painter.drawLine(Left + 1 + Row, Top + 1 + Row, Left + 5 - Row, Top + 1 + Row);
    });
}
