#include "editor/HighlightAttributes.h"

#include <utility>

namespace {

THighlightColorResolver &Resolver()
{
    static THighlightColorResolver resolver;
    return resolver;
}

void PutColor(THighlightAttributes::TStoredValue &v, size_t at, TColor c)
{
    for (size_t i = 0; i < 4; ++i)
        v[at + i] = uint8_t(c >> (8 * i));
}

TColor GetColor(const THighlightAttributes::TStoredValue &v, size_t at)
{
    TColor c = 0;
    for (size_t i = 0; i < 4; ++i)
        c |= TColor(v[at + i]) << (8 * i);
    return c;
}

} // namespace

void SetHighlightColorResolver(THighlightColorResolver R)
{
    Resolver() = std::move(R);
}

TColor ResolveHighlightColor(TColor Color)
{
    if ((Color & 0x80000000u) == 0)
        return Color;
    if (Resolver())
        return Resolver()(Color) & 0x00FFFFFFu;
    return Color == HighlightWindowColor ? 0xFFFFFFu : 0x000000u;
}

THighlightAttributes::THighlightAttributes(AnsiString Name) : FName(std::move(Name))
{
}

void THighlightAttributes::Changed()
{
    if (OnChange)
        OnChange(this);
}

void THighlightAttributes::SetForeground(TColor Value)
{
    if (Value == FForeground)
        return;
    FForeground = Value;
    Changed();
}

void THighlightAttributes::SetBackground(TColor Value)
{
    if (Value == FBackground)
        return;
    FBackground = Value;
    Changed();
}

void THighlightAttributes::SetStyle(THighlightFontStyles Value)
{
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void THighlightAttributes::Assign(const THighlightAttributes &Source)
{
    if (&Source == this)
        return;
    FForeground = Source.FForeground;
    FBackground = Source.FBackground;
    FStyle = Source.FStyle;
    FName = Source.FName;
}

THighlightAttributes::TStoredValue THighlightAttributes::SaveToValue() const
{
    TStoredValue v{};
    PutColor(v, 0, FForeground);
    PutColor(v, 4, FBackground);
    v[8] = FStyle;
    return v;
}

void THighlightAttributes::LoadFromValue(const TStoredValue &Value)
{
    FForeground = GetColor(Value, 0);
    FBackground = GetColor(Value, 4);
    FStyle = Value[8];
}
