#pragma once
// Colour and font-style settings of one kind of token (comments, strings, ...). A highlighter
// owns one object per kind; the painter receives the resolved colours with each token.
// Colours stay integers here: 0x00BBGGRR, or a system colour with the top bit set.
#include "platform/Types.h"
#include <array>
#include <cstdint>
#include <functional>

using TColor = uint32_t;

// Font style bits, one byte.
enum THighlightFontStyle : uint8_t {
    hfsBold = 1,
    hfsItalic = 2,
    hfsUnderline = 4,
    hfsStrikeOut = 8,
};
using THighlightFontStyles = uint8_t;

// The two system colours the attributes start with.
constexpr TColor HighlightWindowColor = 0x80000005u; // window background
constexpr TColor HighlightWindowTextColor = 0x80000008u; // window text

// Turns a system colour (top bit set) into 0x00BBGGRR; plain colours pass unchanged. The
// default answers white for the window colour and black for every other system colour; the
// program installs a resolver that asks the palette.
using THighlightColorResolver = std::function<TColor(TColor)>;
void SetHighlightColorResolver(THighlightColorResolver Resolver);
TColor ResolveHighlightColor(TColor Color);

class THighlightAttributes {
public:
    explicit THighlightAttributes(AnsiString Name);
    virtual ~THighlightAttributes() = default;

    THighlightAttributes(const THighlightAttributes &) = delete;
    THighlightAttributes &operator=(const THighlightAttributes &) = delete;

    TColor Foreground() const { return FForeground; }
    TColor Background() const { return FBackground; }
    THighlightFontStyles Style() const { return FStyle; }
    const AnsiString &Name() const { return FName; }

    // Each setter stores a different value and fires OnChange; an equal value does nothing.
    void SetForeground(TColor Value);
    void SetBackground(TColor Value);
    void SetStyle(THighlightFontStyles Value);

    // Copies colours, style and name without firing OnChange.
    virtual void Assign(const THighlightAttributes &Source);

    // The stored form of one attribute: foreground and background as 4 little-endian bytes
    // each, the style byte and three zero bytes.
    using TStoredValue = std::array<uint8_t, 12>;
    TStoredValue SaveToValue() const;
    // Takes the bytes as they are, without OnChange.
    void LoadFromValue(const TStoredValue &Value);

    std::function<void(THighlightAttributes *Sender)> OnChange;

private:
    void Changed();

    TColor FForeground = HighlightWindowTextColor;
    TColor FBackground = HighlightWindowColor;
    THighlightFontStyles FStyle = 0;
    AnsiString FName;
};
