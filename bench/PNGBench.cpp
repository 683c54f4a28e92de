// PNG reading against libpng (png_read_image into rows), both in this process, paired and
// interleaved: the wallpaper photo as 24-bit RGB and the screenshot as a 256-colour palette
// picture, made by ImageMagick. Prints the median ratio ours / libpng with its range.
#include "bench/PicturePairs.h"
#include "images/PNGImage.h"

#include <csetjmp>
#include <png.h>

namespace {

// The rows as stored (palette indexes stay indexes), as an application reading into memory does.
bool LibpngRead(const std::string &Path)
{
    FILE *f = std::fopen(Path.c_str(), "rb");
    if (!f)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    std::vector<uint8_t> pixels;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    if (png_get_bit_depth(png, info) == 16)
        png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t h = png_get_image_height(png, info), stride = png_get_rowbytes(png, info);
    pixels.resize(h * stride);
    for (size_t y = 0; y < h; ++y)
        rows.push_back(pixels.data() + y * stride);
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!QFile::exists(bench::kWallpaper)) {
        std::printf("PNGBench: %s is missing (make bench installs it)\n", bench::kWallpaper);
        return 1;
    }
    const std::string photo = dir.filePath("photo.png").toStdString();
    const std::string shot = dir.filePath("screen.png").toStdString();
    const std::string palette = dir.filePath("screen8.png").toStdString();
    if (!bench::MakeScreenshot(shot) ||
        !bench::Convert({bench::kWallpaper, "-alpha", "off", "-type", "TrueColor", "PNG24:" + photo}) ||
        !bench::Convert({shot, "-alpha", "off", "+dither", "-colors", "256", "PNG8:" + palette})) {
        std::printf("PNGBench: convert could not make the pictures\n");
        return 1;
    }
    const int pairs = 15;
    std::printf("PNG reading against libpng in-process:\n");
    for (const auto &[label, file] : {std::pair<const char *, std::string>{"PNG photo 24-bit", photo},
                                      std::pair<const char *, std::string>{"PNG screenshot 256 colours", palette}}) {
        const auto ours = [&] {
            TPNGImage p;
            p.LoadFromFile(file);
        };
        const auto theirs = [&] {
            if (!LibpngRead(file))
                std::printf("  libpng failed on %s\n", file.c_str());
        };
        bench::PrintPicturePair(label, "libpng", bench::PairedInProcess(ours, theirs, pairs), pairs);
    }
    return 0;
}
