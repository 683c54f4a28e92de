// libFuzzer target for the PNG reader: the input is the file. Whatever loads is written again
// and must read back.
#include "images/PNGImage.h"
#include "images/PNGZLib.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    TMemoryStream input;
    if (Size > 0)
        input.WriteBuffer(Data, int64_t(Size));
    input.SetPosition(0);
    TPNGImage image;
    try {
        image.LoadFromStream(input);
    } catch (const Exception &) {
        return 0;
    }
    if (image.GetWidth() * int64_t(image.GetHeight()) > 1'000'000)
        return 0;
    TMemoryStream output;
    image.SaveToStream(output);
    output.SetPosition(0);
    TPNGImage back;
    back.LoadFromStream(output);
    if (back.GetWidth() != image.GetWidth() || back.GetHeight() != image.GetHeight())
        std::abort();
    return 0;
}
