// Decoding a 200-frame animated GIF with our reader against giflib (giftext -r decoding every
// frame to raw indexes), and writing a 12-megapixel true-colour picture as GIF (octree palette,
// Floyd-Steinberg, LZW) against ImageMagick's convert, in the same run. Prints ratios (ours /
// theirs; below 1 means faster).
#include "bench/BenchSupport.h"
#include "images/GIFImage.h"

#include <QImage>
#include <QTemporaryDir>
#include <cstdio>

namespace {

std::string Tool(const char *Name)
{
    const std::string p = std::string("/usr/bin/") + Name;
    return QFile::exists(QString::fromStdString(p)) ? p : Name;
}

QImage MakePhoto(int W, int H, uint32_t Seed)
{
    QImage img(W, H, QImage::Format_RGB32);
    uint32_t s = Seed;
    for (int y = 0; y < H; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < W; ++x) {
            s = s * 1103515245u + 12345u;
            const int n = int((s >> 16) & 7);
            row[x] = qRgb((x * 255 / W + n + int(Seed)) & 255, (y * 255 / H + n) & 255, ((x + y) / 8 + n) & 255);
        }
    }
    return img;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    // 200 frames of 320 x 240.
    std::vector<std::string> args = {Tool("convert"), "-delay", "4"};
    for (int i = 0; i < 200; ++i) {
        const QString p = dir.filePath(QString("f%1.png").arg(i));
        MakePhoto(320, 240, uint32_t(i * 3)).save(p, "PNG");
        args.push_back(p.toStdString());
    }
    const std::string anim = dir.filePath("anim.gif").toStdString();
    args.push_back(anim);
    if (bench::RunProgram(args) != 0) {
        std::printf("convert could not write the animation\n");
        return 1;
    }
    const double ours = bench::BestSeconds([&] {
        TGIFImage g;
        g.LoadFromFile(anim);
    });
    const double giflib = bench::BestSeconds([&] { bench::RunProgram({Tool("giftext"), "-r", anim}, "/dev/null"); });
    std::printf("%-28s ours %7.1f ms  giflib (giftext -r) %7.1f ms  ratio %.2f\n", "GIF read 200 frames", ours * 1000,
                giflib * 1000, ours / giflib);

    const QString photo = dir.filePath("photo.png");
    MakePhoto(4000, 3000, 5).save(photo, "PNG");
    TBitmap bitmap;
    bitmap.FromImage(QImage(photo));
    const std::string out = dir.filePath("ours.gif").toStdString();
    const double write = bench::BestSeconds(
        [&] {
            TGIFImage g;
            g.ReductionMethod = 7;
            g.DitherMethod = 1;
            g.AssignBitmap(bitmap);
            g.SaveToFile(out);
        },
        1);
    const double convert = bench::BestSeconds(
        [&] {
            bench::RunProgram({Tool("convert"), photo.toStdString(), dir.filePath("im.gif").toStdString()});
        },
        1);
    std::printf("%-28s ours %7.1f ms  convert %7.1f ms  ratio %.2f\n", "GIF write 12 MP true colour", write * 1000,
                convert * 1000, write / convert);
    return 0;
}
