#pragma once
// Pictures drawn with a raster operation (the copy mode a picture object carries): the fifteen
// named operations combine the picture (source), the ground already drawn (destination) and the
// brush (pattern) bit by bit. Screens and images draw them with QPainter's raster-operation
// composition modes; a page description (PDF, a printer's spool file) has no destination to read
// back, so there the picture is combined with white paper first and the result drawn as it is.
#include <QColor>
#include <QRect>
#include <cstdint>
#include <functional>

class QPainter;

// BLACKNESS ... WHITENESS, as picture objects store them.
namespace ZvRop {
constexpr uint32_t Blackness = 0x00000042u;
constexpr uint32_t NotSrcErase = 0x001100A6u;
constexpr uint32_t NotSrcCopy = 0x00330008u;
constexpr uint32_t SrcErase = 0x00440328u;
constexpr uint32_t DstInvert = 0x00550009u;
constexpr uint32_t PatInvert = 0x005A0049u;
constexpr uint32_t SrcInvert = 0x00660046u;
constexpr uint32_t SrcAnd = 0x008800C6u;
constexpr uint32_t MergePaint = 0x00BB0226u;
constexpr uint32_t MergeCopy = 0x00C000CAu;
constexpr uint32_t SrcCopy = 0x00CC0020u;
constexpr uint32_t SrcPaint = 0x00EE0086u;
constexpr uint32_t PatCopy = 0x00F00021u;
constexpr uint32_t PatPaint = 0x00FB0A09u;
constexpr uint32_t Whiteness = 0x00FF0062u;
} // namespace ZvRop

// Whether CopyMode is one of the fifteen named raster operations.
bool IsNamedCopyMode(uint32_t CopyMode);

// Draws a picture into Target with CopyMode (any other value than a named one copies). Draw
// paints the picture stretched into the rectangle it is given, on the painter it is given.
// Pattern is the brush colour the pattern operations use.
void ZvDrawWithCopyMode(QPainter &Painter, const QRect &Target, uint32_t CopyMode, const QColor &Pattern,
                        const std::function<void(QPainter &, const QRect &)> &Draw);
