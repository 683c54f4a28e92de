// Reading an animated GIF of 100 frames against giflib (DGifSlurp decoding every frame), both in
// this process, paired and interleaved. The frames are the wallpaper photo turned a little further
// each time, made by ImageMagick. Prints the median ratio ours / giflib with its range.
#include "bench/PicturePairs.h"
#include "images/GIFImage.h"

#include <gif_lib.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!QFile::exists(bench::kWallpaper)) {
        std::printf("GIFBench: %s is missing (make bench installs it)\n", bench::kWallpaper);
        return 1;
    }
    const std::string anim = dir.filePath("anim.gif").toStdString();
    if (!bench::Convert({bench::kWallpaper, "-alpha", "off", "-resize", "640x360", "-duplicate", "99", "-distort",
                         "SRT", "%[fx:t*3.6]", "+dither", "-colors", "256", "-set", "delay", "4", "-loop", "0",
                         anim})) {
        std::printf("GIFBench: convert could not make the animation\n");
        return 1;
    }
    const int pairs = 15;
    const auto ours = [&] {
        TGIFImage g;
        g.LoadFromFile(anim);
        if (g.Count() != 100)
            std::printf("  ours read %d frames\n", g.Count());
    };
    const auto theirs = [&] {
        int error = 0;
        GifFileType *g = DGifOpenFileName(anim.c_str(), &error);
        if (!g || DGifSlurp(g) != GIF_OK || g->ImageCount != 100)
            std::printf("  giflib failed\n");
        DGifCloseFile(g, &error);
    };
    std::printf("GIF reading against giflib in-process:\n");
    bench::PrintPicturePair("GIF 100 frames 640x360", "giflib", bench::PairedInProcess(ours, theirs, pairs), pairs);
    return 0;
}
