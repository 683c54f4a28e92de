#pragma once
// Targa (.tga) files: colour-mapped, true-colour and black-and-white images, uncompressed or
// run-length encoded, 1, 8, 16, 24 and 32 bits a pixel.
#include "images/Bitmap.h"

// Output depth: 0 as the file is (the program's setting), 1 reduced to 8 bits, 2 widened to 24.
extern int TgaColorDepth;

// Fills Bitmap with the image. A header that is no Targa header raises EInvalidGraphic
// "Not a valid Targa file"; sizes past the picture budget raise EInvalidGraphic, a colour map
// index past 255 EImageRangeError; a file that cannot be opened raises EFOpenError.
void TargaToBitmap(const AnsiString &FileName, TBitmap &Bitmap);
void TargaToBitmap(TStream &Stream, TBitmap &Bitmap, int ColorDepth = TgaColorDepth);
