// libFuzzer target for the GIF reader: the input is the file. Whatever loads is rendered, each
// frame drawn, and the picture written and read again.
#include "images/GIFImage.h"

#include <QImage>
#include <QPainter>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size >= 10 && int64_t(Data[6] | (Data[7] << 8)) * (Data[8] | (Data[9] << 8)) > 4'000'000)
        return 0; // huge screens are valid but only slow the search down
    TMemoryStream input;
    if (Size > 0)
        input.WriteBuffer(Data, int64_t(Size));
    input.SetPosition(0);
    TGIFImage image;
    try {
        image.LoadFromStream(input);
    } catch (const Exception &) {
        return 0;
    }
    int64_t pixels = 0;
    for (int i = 0; i < image.Count(); ++i)
        pixels += int64_t(image.Frame(i).Width()) * image.Frame(i).Height();
    if (pixels > 4'000'000)
        return 0;
    for (int i = 0; i < image.Count(); ++i)
        (void)image.Frame(i).RenderImage(true);
    TMemoryStream output;
    try {
        image.SaveToStream(output);
    } catch (const GIFException &) {
        return 0; // pixels outside their colour table cannot be written
    }
    output.SetPosition(0);
    TGIFImage back;
    back.LoadFromStream(output);
    if (back.Count() > image.Count())
        std::abort();
    return 0;
}
