// libFuzzer target for the Targa reader. The first byte picks the output depth (0 as stored,
// 1 reduced to 8 bits, 2 widened to 24 bits); the rest is the file.
#include "images/Targa.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size < 19)
        return 0;
    // Huge pictures are valid but only slow the search down.
    const int w = Data[13] | (Data[14] << 8), h = Data[15] | (Data[16] << 8);
    if (int64_t(w) * h > 4'000'000)
        return 0;
    TMemoryStream input;
    input.WriteBuffer(Data + 1, int64_t(Size - 1));
    input.SetPosition(0);
    TBitmap bitmap;
    try {
        TargaToBitmap(input, bitmap, Data[0] % 3);
        (void)bitmap.ToImage();
    } catch (const Exception &) {
    }
    return 0;
}
