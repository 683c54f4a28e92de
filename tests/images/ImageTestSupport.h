#pragma once
// What the picture tests share: temporary files, byte builders for Targa and PCX files, running
// the reference decoders, and reading a bitmap back as RGB bytes.
#include "images/Bitmap.h"

#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace imgtest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes &B, unsigned V)
{
    B.push_back(uint8_t(V));
    B.push_back(uint8_t(V >> 8));
}

inline void WriteFile(const std::string &Path, const Bytes &Data)
{
    std::ofstream f(Path, std::ios::binary);
    f.write(reinterpret_cast<const char *>(Data.data()), std::streamsize(Data.size()));
}

inline std::string ToolPath(const char *Name)
{
    const std::string usr = std::string("/usr/bin/") + Name;
    if (QFile::exists(QString::fromStdString(usr)))
        return usr;
    return Name;
}

// Runs a program and answers its standard output; fails the test when it does not succeed.
inline QByteArray RunTool(const std::string &Program, const QStringList &Args, int *ExitCode = nullptr)
{
    QProcess p;
    p.start(QString::fromStdString(ToolPath(Program.c_str())), Args);
    p.waitForFinished(120000);
    if (ExitCode)
        *ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

// ImageMagick's decoding of a file as 8-bit RGB triplets, row by row from the top.
inline Bytes ConvertToRGB(const std::string &Path, int *ExitCode = nullptr)
{
    const QByteArray out =
        RunTool("convert", {QString::fromStdString(Path), "-auto-orient", "-depth", "8", "rgb:-"}, ExitCode);
    return Bytes(out.begin(), out.end());
}

// Our bitmap as RGB triplets, row by row from the top.
inline Bytes BitmapRGB(const TBitmap &B)
{
    Bytes out;
    out.reserve(size_t(B.GetWidth()) * size_t(B.GetHeight()) * 3);
    for (int y = 0; y < B.GetHeight(); ++y)
        for (int x = 0; x < B.GetWidth(); ++x) {
            const TColor c = B.GetPixel(x, y);
            out.push_back(uint8_t(c));
            out.push_back(uint8_t(c >> 8));
            out.push_back(uint8_t(c >> 16));
        }
    return out;
}

// The 18-byte header of a Targa file without ID field or colour map.
inline Bytes TgaHeader(uint8_t Type, uint8_t Depth, int W, int H, uint8_t Descriptor)
{
    Bytes f = {0, 0, Type, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Put16(f, unsigned(W));
    Put16(f, unsigned(H));
    f.push_back(Depth);
    f.push_back(Descriptor);
    return f;
}

// Deterministic pseudo-random bytes.
inline Bytes Noise(size_t N, uint32_t Seed)
{
    Bytes b(N);
    uint32_t s = Seed * 2654435761u + 1;
    for (auto &v : b) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        v = uint8_t(s);
    }
    return b;
}

} // namespace imgtest
