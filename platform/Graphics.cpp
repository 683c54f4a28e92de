#include "platform/Graphics.h"
#include <QColor>
#include <QPalette>

QColor ColorToQColor(TColor C, const QPalette &Palette)
{
    if (!IsSystemColor(C))
        return QColor(int(C & 0xFF), int((C >> 8) & 0xFF), int((C >> 16) & 0xFF));
    switch (C & 0xFF) {
    case 0x05: return Palette.color(QPalette::Base);
    case 0x0C: return Palette.color(QPalette::Mid); // application workspace
    case 0x08: return Palette.color(QPalette::Text);
    case 0x0D: return Palette.color(QPalette::Highlight);
    case 0x0E: return Palette.color(QPalette::HighlightedText);
    case 0x0F: return Palette.color(QPalette::Button);
    case 0x10: return Palette.color(QPalette::Dark);
    case 0x14: return Palette.color(QPalette::Light);
    case 0x15: return Palette.color(QPalette::Shadow);
    case 0x16: return Palette.color(QPalette::Midlight);
    case 0x12: return Palette.color(QPalette::ButtonText);
    case 0x11: return Palette.color(QPalette::PlaceholderText);
    case 0x18: return Palette.color(QPalette::ToolTipBase);
    case 0x17: return Palette.color(QPalette::ToolTipText);
    case 0x01: return Palette.color(QPalette::Window);
    default: break;
    }
    return QColor(0, 0, 0);
}

TColor QColorToColor(const QColor &C)
{
    return RGBToColor(uint8_t(C.red()), uint8_t(C.green()), uint8_t(C.blue()));
}
