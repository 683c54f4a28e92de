#pragma once
// Small helpers of the thumbnail classes: the picture file types and two pieces of arithmetic.
#include <QPoint>

enum TGRF_type { GR_BMP, GR_JPG, GR_WMF, GR_EMF, GR_ICO, GR_GIF, GR_PNG };

// Rounds away from zero: 2.1 gives 3, -2.1 gives -3, 2.0 gives 2. A result outside the integer
// range raises EImageRangeError.
int RoundUp(long double X);

// Size scaled by one factor so that it fits Box (X width, Y height) as closely as possible;
// a zero side of Size makes its factor 0.
QPoint ScaleToFit(QPoint Size, QPoint Box);
