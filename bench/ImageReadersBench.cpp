// Targa and PCX reading against SDL2_image (IMG_Load into a surface of pixels), both in this
// process, paired and interleaved: the wallpaper photo as plain and run-length Targa and as
// 24-bit PCX, and a screenshot as 256-colour PCX. Prints the median ratio ours / SDL2_image with
// its range (below 1 means faster).
#include "bench/PicturePairs.h"
#include "images/Pcx.h"
#include "images/Targa.h"

#if __has_include(<SDL2/SDL_image.h>)
#include <SDL2/SDL_image.h>
#define QUILLMAR_HAVE_SDL_IMAGE 1
#endif

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
#ifndef QUILLMAR_HAVE_SDL_IMAGE
    std::printf("ImageReadersBench: SDL2_image is not installed (make bench installs it)\n");
    return 0;
#else
    QTemporaryDir dir;
    const auto path = [&](const char *Name) { return dir.filePath(Name).toStdString(); };
    if (!QFile::exists(bench::kWallpaper)) {
        std::printf("ImageReadersBench: %s is missing (make bench installs it)\n", bench::kWallpaper);
        return 1;
    }
    const std::string shot = path("screen.png");
    if (!bench::MakeScreenshot(shot) ||
        !bench::Convert({bench::kWallpaper, "-alpha", "off", "-compress", "None", path("photo.tga")}) ||
        !bench::Convert({bench::kWallpaper, "-alpha", "off", "-compress", "RLE", path("photo_rle.tga")}) ||
        !bench::Convert({bench::kWallpaper, "-alpha", "off", "-type", "TrueColor", path("photo.pcx")}) ||
        !bench::Convert({shot, "-alpha", "off", "+dither", "-colors", "256", "-type", "Palette", path("screen.pcx")})) {
        std::printf("ImageReadersBench: convert could not make the pictures\n");
        return 1;
    }
    struct Case {
        const char *Label;
        std::string File;
        bool Targa;
    };
    const Case cases[] = {
        {"Targa photo 24-bit", path("photo.tga"), true},
        {"Targa photo 24-bit run-length", path("photo_rle.tga"), true},
        {"PCX photo 24-bit", path("photo.pcx"), false},
        {"PCX screenshot 256 colours", path("screen.pcx"), false},
    };
    const int pairs = 15;
    std::printf("Picture readers against SDL2_image in-process:\n");
    for (const Case &c : cases) {
        const auto ours = [&] {
            TBitmap b;
            if (c.Targa)
                TargaToBitmap(c.File, b);
            else
                PcxToBitmap(c.File, b);
        };
        const auto theirs = [&] {
            SDL_Surface *s = IMG_Load(c.File.c_str());
            if (!s)
                std::printf("  SDL2_image failed on %s\n", c.File.c_str());
            SDL_FreeSurface(s);
        };
        bench::PrintPicturePair(c.Label, "SDL2_image", bench::PairedInProcess(ours, theirs, pairs), pairs);
    }
    return 0;
#endif
}
