// Decoding a 12-megapixel Targa (plain and run-length encoded) and PCX picture with our readers,
// timed against ImageMagick's convert decoding the same files to raw RGB in the same run.
// Prints one ratio per case (ours / convert; below 1 means faster).
#include "bench/BenchSupport.h"
#include "images/Pcx.h"
#include "images/Targa.h"

#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

QImage MakePhoto(int W, int H)
{
    // Smooth gradients with flat areas and fine detail, like a photograph with sky and texture.
    QImage img(W, H, QImage::Format_RGB32);
    uint32_t s = 12345;
    for (int y = 0; y < H; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < W; ++x) {
            s = s * 1103515245u + 12345u;
            const int n = (y < H / 3) ? 0 : int((s >> 16) & 15);
            row[x] = qRgb((x * 255 / W + n) & 255, (y * 255 / H + n) & 255, ((x + y) / 16 + n) & 255);
        }
    }
    return img;
}

std::string ConvertPath()
{
    return QFile::exists("/usr/bin/convert") ? "/usr/bin/convert" : "convert";
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString bmp = dir.filePath("photo.bmp");
    MakePhoto(4000, 3000).save(bmp, "BMP");
    struct Case {
        const char *Name;
        const char *File;
        std::vector<std::string> Options;
        std::function<void(const std::string &)> Ours;
    };
    const auto tga = [](const std::string &P) {
        TBitmap b;
        TargaToBitmap(P, b);
    };
    const auto pcx = [](const std::string &P) {
        TBitmap b;
        PcxToBitmap(P, b);
    };
    const Case cases[] = {
        {"Targa 24-bit", "photo.tga", {"-compress", "None"}, tga},
        {"Targa 24-bit run-length", "photo_rle.tga", {"-compress", "RLE"}, tga},
        {"PCX 24-bit", "photo.pcx", {}, pcx},
    };
    for (const Case &c : cases) {
        const std::string file = dir.filePath(c.File).toStdString();
        std::vector<std::string> args = {ConvertPath(), bmp.toStdString()};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        args.push_back(file);
        if (bench::RunProgram(args) != 0) {
            std::printf("%s: convert could not write the file\n", c.Name);
            return 1;
        }
        const double ours = bench::BestSeconds([&] { c.Ours(file); });
        const double theirs = bench::BestSeconds([&] {
            bench::RunProgram({ConvertPath(), file, "-depth", "8", "rgb:-"}, "/dev/null");
        });
        std::printf("%-26s ours %7.1f ms  convert %7.1f ms  ratio %.2f\n", c.Name, ours * 1000, theirs * 1000,
                    ours / theirs);
    }
    return 0;
}
