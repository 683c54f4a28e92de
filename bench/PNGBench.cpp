// Decoding a 12-megapixel PNG (RGB, and the same picture as a 256-colour palette image) with our
// reader, timed against libpng through netpbm's pngtopam (writing to /dev/null) in the same run;
// and our writer against ImageMagick writing the same picture as PNG. Prints ratios (ours / theirs; below 1 means
// faster).
#include "bench/BenchSupport.h"
#include "images/PNGImage.h"

#include <QImage>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QImage MakePhoto(int W, int H)
{
    QImage img(W, H, QImage::Format_RGB32);
    uint32_t s = 777;
    for (int y = 0; y < H; ++y) {
        QRgb *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < W; ++x) {
            s = s * 1103515245u + 12345u;
            const int n = (y < H / 3) ? 0 : int((s >> 16) & 7);
            row[x] = qRgb((x * 255 / W + n) & 255, (y * 255 / H + n) & 255, ((x + y) / 16 + n) & 255);
        }
    }
    return img;
}

std::string Tool(const char *Name)
{
    const std::string p = std::string("/usr/bin/") + Name;
    return QFile::exists(QString::fromStdString(p)) ? p : Name;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QImage photo = MakePhoto(4000, 3000);
    const std::string rgb = dir.filePath("rgb.png").toStdString();
    const std::string pal = dir.filePath("pal.png").toStdString();
    photo.save(QString::fromStdString(rgb), "PNG");
    photo.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither).save(QString::fromStdString(pal), "PNG");
    for (const auto &[name, file] : {std::pair{"PNG RGB 12 MP", rgb}, std::pair{"PNG palette 12 MP", pal}}) {
        const double ours = bench::BestSeconds([&] {
            TPNGImage img;
            img.LoadFromFile(file);
        });
        const double theirs = bench::BestSeconds([&] { bench::RunProgram({Tool("pngtopam"), file}, "/dev/null"); });
        std::printf("%-22s ours %7.1f ms  libpng (pngtopam) %7.1f ms  ratio %.2f\n", name, ours * 1000, theirs * 1000,
                    ours / theirs);
    }
    TPNGImage img;
    img.LoadFromFile(rgb);
    const std::string out = dir.filePath("ours.png").toStdString();
    const double ours = bench::BestSeconds([&] { img.SaveToFile(out); }, 2);
    const double theirs = bench::BestSeconds(
        [&] {
            bench::RunProgram({Tool("convert"), rgb, dir.filePath("im.png").toStdString()});
        },
        2);
    std::printf("%-22s ours %7.1f ms  convert %7.1f ms  ratio %.2f\n", "PNG write 12 MP", ours * 1000, theirs * 1000,
                ours / theirs);
    return 0;
}
