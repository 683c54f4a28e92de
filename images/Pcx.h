#pragma once
// PCX files: monochrome, 16-colour planar, 256-colour and 24-bit (three-plane) images.
#include "images/Bitmap.h"

// Output depth: 0 as the file is (the program's setting), 1 reduced to 8 bits, 2 widened to 24.
extern int PcxColorDepth;

// Fills Bitmap with the image. A rejected file raises EInvalidGraphic with "Not a PCX file, or
// header read error." or "Not a valid PCX file!"; an impossible window EImageRangeError; sizes past
// the picture budget EInvalidGraphic; a file that cannot be opened EFOpenError.
void PcxToBitmap(const AnsiString &FileName, TBitmap &Bitmap);
void PcxToBitmap(TStream &Stream, TBitmap &Bitmap, int ColorDepth = PcxColorDepth);
