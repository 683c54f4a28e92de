#include "images/WmfRender.h"
#include "platform/ScopeGuard.h"

#include <libwmf/api.h>
#include <libwmf/gd.h>

// The gd picture the player draws into is the caller's to free (libwmf's own gd, linked
// statically; its header would bring gd's whole interface, one declaration is enough).
extern "C" void gdImageDestroy(void *Image);

#include <cmath>

namespace {

// Larger outputs are drawn at this many pixels and stretched by the painter: a metafile is
// a drawing, and a preview needs no more.
constexpr int64_t kMaxRenderPixels = 4096 * 4096;

QSize BoundedSize(QSize Size)
{
    const int64_t area = int64_t(Size.width()) * Size.height();
    if (area <= kMaxRenderPixels)
        return Size;
    const double f = std::sqrt(double(kMaxRenderPixels) / double(area));
    return QSize(std::max(1, int(Size.width() * f)), std::max(1, int(Size.height() * f)));
}

} // namespace

QImage RenderWmf(const std::vector<uint8_t> &Data, QSize Size)
{
    if (Data.empty() || Size.width() <= 0 || Size.height() <= 0)
        return QImage();
    Size = BoundedSize(Size);

    wmfAPI *api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_gd_function;
    // Quiet: a damaged metafile falls back to the placeholder instead of printing on stderr.
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return QImage();
    }
    // Everything the player allocates but the gd picture is freed with the API.
    TScopeGuard destroy([&] { wmf_api_destroy(api); });

    // The player only reads the buffer; its interface asks for a mutable pointer.
    auto *bytes = const_cast<unsigned char *>(Data.data());
    if (wmf_mem_open(api, bytes, long(Data.size())) != wmf_E_None)
        return QImage();
    TScopeGuard close([&] { wmf_mem_close(api); });
    wmfD_Rect bbox{};
    if (wmf_scan(api, 0, &bbox) != wmf_E_None)
        return QImage();

    wmf_gd_t *gd = WMF_GD_GetData(api);
    gd->type = wmf_gd_image;
    gd->bbox = bbox;
    gd->width = unsigned(Size.width());
    gd->height = unsigned(Size.height());
    if (wmf_play(api, 0, &bbox) != wmf_E_None || !gd->gd_image)
        return QImage();
    TScopeGuard freeImage([&] { gdImageDestroy(gd->gd_image); });
    const int *pixels = wmf_gd_image_pixels(gd->gd_image);
    if (!pixels)
        return QImage();

    // gd's true-colour pixels: 7 bits of transparency (0 opaque, 127 clear) over RGB.
    QImage image(Size, QImage::Format_ARGB32);
    for (int y = 0; y < Size.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < Size.width(); ++x) {
            const uint32_t p = uint32_t(*pixels++);
            const int alpha = 255 - int(((p >> 24) & 0x7F) * 255 / 127);
            row[x] = qRgba(int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF), alpha);
        }
    }
    return image;
}
