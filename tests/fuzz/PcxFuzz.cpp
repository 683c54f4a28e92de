// libFuzzer target for the PCX reader. The first byte picks the output depth (0 as stored,
// 1 reduced to 8 bits, 2 widened to 24 bits); the rest is the file.
#include "images/Pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size < 13)
        return 0;
    // Huge pictures are valid but only slow the search down.
    const int w = (Data[9] | (Data[10] << 8)) - (Data[5] | (Data[6] << 8));
    const int h = (Data[11] | (Data[12] << 8)) - (Data[7] | (Data[8] << 8));
    if (int64_t(w + 1) * (h + 1) > 4'000'000)
        return 0;
    TMemoryStream input;
    input.WriteBuffer(Data + 1, int64_t(Size - 1));
    input.SetPosition(0);
    TBitmap bitmap;
    try {
        PcxToBitmap(input, bitmap, Data[0] % 3);
        (void)bitmap.ToImage();
    } catch (const Exception &) {
    }
    return 0;
}
