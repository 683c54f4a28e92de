#pragma once
// What the metafile tests share: Windows metafiles written record by record, and the child
// processes a play may have left behind.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace mftest {

struct TWmfWriter {
    std::vector<uint8_t> Bytes;
    void W16(int v)
    {
        Bytes.push_back(uint8_t(v & 0xFF));
        Bytes.push_back(uint8_t((v >> 8) & 0xFF));
    }
    void W32(uint32_t v)
    {
        W16(int(v & 0xFFFF));
        W16(int(v >> 16));
    }
    // A record of function Fn with 16-bit parameters.
    void Record(int Fn, std::initializer_list<int> Params)
    {
        W32(uint32_t(3 + Params.size()));
        W16(Fn);
        for (int p : Params)
            W16(p);
    }
};

// A placeable WMF of Body's records, W x H units at 96 units an inch (W x H pixels). The standard
// header's object count and largest record are as given (a file may lie about them).
inline std::vector<uint8_t> PlaceableWmf(const TWmfWriter &Body, int W, int H, int Objects, uint32_t MaxRecord)
{
    TWmfWriter f;
    // Placeable header: key, handle, bounds, units an inch, reserved, checksum.
    f.W32(0x9AC6CDD7u);
    f.W16(0);
    for (int v : {0, 0, W, H})
        f.W16(v);
    f.W16(96);
    f.W32(0);
    uint16_t sum = 0;
    for (size_t i = 0; i < 20; i += 2)
        sum ^= uint16_t(f.Bytes[i] | (f.Bytes[i + 1] << 8));
    f.W16(sum);
    // Standard header: type, header words, version, size in words, objects, largest record, 0.
    f.W16(1);
    f.W16(9);
    f.W16(0x0300);
    f.W32(uint32_t((18 + Body.Bytes.size()) / 2));
    f.W16(Objects);
    f.W32(MaxRecord);
    f.W16(0);
    f.Bytes.insert(f.Bytes.end(), Body.Bytes.begin(), Body.Bytes.end());
    return f.Bytes;
}

// The records of a red rectangle over the left half of a white one, on a 100 x 50 window.
inline TWmfWriter TwoColourRecords()
{
    TWmfWriter body;
    body.Record(0x020B, {0, 0});   // SETWINDOWORG y, x
    body.Record(0x020C, {50, 100}); // SETWINDOWEXT y, x
    body.Record(0x02FA, {5, 0, 0, 0, 0}); // CREATEPENINDIRECT: null pen (object 0)
    body.Record(0x012D, {0});             // SELECTOBJECT 0
    body.Record(0x02FC, {0, 0xFFFF, 0x00FF, 0}); // CREATEBRUSHINDIRECT solid white (object 1)
    body.Record(0x012D, {1});
    body.Record(0x041B, {50, 100, 0, 0}); // RECTANGLE bottom, right, top, left
    body.Record(0x01F0, {1});             // DELETEOBJECT 1
    body.Record(0x02FC, {0, 0x00FF, 0x0000, 0}); // solid red (COLORREF 0x000000FF)
    body.Record(0x012D, {1});
    body.Record(0x041B, {50, 50, 0, 0});
    return body;
}

// Placeable WMF, 100 x 50 units at 96 units an inch: 100 x 50 pixels.
inline std::vector<uint8_t> TwoColourWmf()
{
    TWmfWriter body = TwoColourRecords();
    body.Record(0x0000, {}); // EOF
    return PlaceableWmf(body, 100, 50, 2, 7);
}

// The children of this process, from every thread's list: a play must leave none behind.
inline QStringList MetafileChildProcesses()
{
    QStringList children;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(task) + QStringLiteral("/children"));
        if (f.open(QIODevice::ReadOnly))
            children += QString::fromLatin1(f.readAll()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return children;
}

} // namespace mftest
