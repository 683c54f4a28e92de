// The image data chunk: inflating, unfiltering and converting the rows of a PNG file into the
// bitmap, and filtering and deflating the bitmap's rows when it is written.
#include "images/PNGImage.h"
#include "images/PNGZLib.h"

#include <algorithm>
#include <cstring>

namespace {
const int kPassStartRow[7] = {0, 0, 4, 0, 2, 0, 1};
const int kPassStartCol[7] = {0, 4, 0, 2, 0, 1, 0};
const int kPassRowStep[7] = {8, 8, 8, 4, 4, 2, 2};
const int kPassColStep[7] = {8, 8, 4, 4, 2, 2, 1};

// The chunk's data read in place, without a copy into a stream of its own.
class TBorrowedStream : public TStream {
public:
    TBorrowedStream(const uint8_t *Data, int64_t Size) : FData(Data), FSize(Size) {}
    int64_t Read(void *Buffer, int64_t Count) override
    {
        const int64_t n = std::clamp<int64_t>(FSize - FPos, 0, std::max<int64_t>(Count, 0));
        if (n > 0)
            std::memcpy(Buffer, FData + FPos, size_t(n));
        FPos += n;
        return n;
    }
    int64_t Write(const void *, int64_t) override { return 0; }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override
    {
        const int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPos : FSize;
        FPos = std::clamp<int64_t>(base + Offset, 0, FSize);
        return FPos;
    }
    int64_t GetSize() override { return FSize; }

private:
    const uint8_t *FData;
    int64_t FSize;
    int64_t FPos = 0;
};

int MulDiv(int A, int B, int C)
{
    const int64_t p = int64_t(A) * B;
    return int((p + (p >= 0 ? C / 2 : -C / 2)) / C);
}
} // namespace

int64_t TChunkIDAT::RowBytes(int64_t W) const
{
    const TChunkIHDR *h = Header();
    const int d = h->BitDepth();
    switch (h->ColorType()) {
    case 0:
    case 3: return (d * W + 7) / 8;
    case 2: return W * 3 * d / 8;
    case 4: return W * 2 * d / 8;
    case 6: return W * 4 * d / 8;
    default: RaisePNGError(kPNGUnknownColorType);
    }
}

int TChunkIDAT::FilterDistance() const
{
    const TChunkIHDR *h = Header();
    const int d = h->BitDepth();
    switch (h->ColorType()) {
    case 3: return 1;
    case 0: return d <= 8 ? 1 : 2;
    case 2: return 3 * d / 8;
    case 4: return 2 * d / 8;
    case 6: return d / 2;
    default: RaisePNGError(kPNGUnknownColorType);
    }
}

uint8_t TChunkIDAT::PaethPredictor(int A, int B, int C)
{
    const int p = A + B - C;
    const int pa = std::abs(p - A), pb = std::abs(p - B), pc = std::abs(p - C);
    if (pa <= pb && pa <= pc)
        return uint8_t(A);
    if (pb <= pc)
        return uint8_t(B);
    return uint8_t(C);
}

void TChunkIDAT::Unfilter(uint8_t F, uint8_t *X, const uint8_t *P, int64_t Size, int D)
{
    switch (F) {
    case 0: break;
    case 1:
        for (int64_t i = D; i < Size; ++i)
            X[i] = uint8_t(X[i] + X[i - D]);
        break;
    case 2:
        for (int64_t i = 0; i < Size; ++i)
            X[i] = uint8_t(X[i] + P[i]);
        break;
    case 3:
        for (int64_t i = 0; i < std::min<int64_t>(D, Size); ++i)
            X[i] = uint8_t(X[i] + P[i] / 2);
        for (int64_t i = D; i < Size; ++i)
            X[i] = uint8_t(X[i] + (X[i - D] + P[i]) / 2);
        break;
    case 4:
        for (int64_t i = 0; i < std::min<int64_t>(D, Size); ++i)
            X[i] = uint8_t(X[i] + P[i]); // predictor of (0, up, 0) is up
        for (int64_t i = D; i < Size; ++i) {
            // PaethPredictor, kept in the loop so that it is compiled into it.
            const int a = X[i - D], b = P[i], c = P[i - D];
            const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
            X[i] = uint8_t(X[i] + ((pa <= pb && pa <= pc) ? a : pb <= pc ? b : c));
        }
        break;
    default: RaisePNGError(kPNGUnknownFilter);
    }
}

void TChunkIDAT::PrepareBitmap()
{
    TPNGImage &img = Image();
    const TChunkIHDR *h = Header();
    const int d = h->BitDepth(), t = h->ColorType();
    TChunkGAMA *gamma = GammaChunk();
    const bool g = gamma && gamma->HasTables();
    img.Clear();
    TPalette pal;
    if (t == 0 || t == 4) {
        img.SetPixelFormat(d == 1 ? pf1bit : d <= 4 ? pf4bit : pf8bit);
        const int n = d == 16 ? 256 : 1 << d;
        for (int i = 0; i < n; ++i) {
            uint8_t v = uint8_t(MulDiv(i, 255, n - 1));
            if (g)
                v = gamma->GammaTable[v];
            pal.push_back({v, v, v, PC_NOCOLLAPSE});
        }
        if (d == 2)
            for (int k = 4; k < 16; ++k)
                pal.push_back(pal[size_t(k % 4)]);
    } else if (t == 3) {
        img.SetPixelFormat(d == 1 ? pf1bit : d <= 4 ? pf4bit : pf8bit);
        TChunkPLTE *plte = Owner().Find<TChunkPLTE>();
        if (!plte)
            RaisePNGError(kPNGNoPalette);
        pal = plte->GetPalette();
    } else {
        img.SetPixelFormat(pf24bit);
    }
    img.SetPalette(pal);
    img.SetSize(int(h->Width()), int(h->Height()));
}

// Converts a row of Pixels samples into bitmap row Y, pixel k going to column StartCol + k * ColStep.
void TChunkIDAT::ConvertRow(const uint8_t *Row, int Y, int64_t StartCol, int64_t ColStep, int64_t Pixels)
{
    TPNGImage &img = Image();
    const TChunkIHDR *h = Header();
    const int d = h->BitDepth(), t = h->ColorType();
    uint8_t *dest = img.ScanLine(Y);
    TChunkGAMA *gamma = GammaChunk();
    const uint8_t *gt = gamma && gamma->HasTables() ? gamma->GammaTable : nullptr;
    if (t == 0 || t == 3) {
        if (d == 8) {
            if (ColStep == 1)
                std::memcpy(dest + StartCol, Row, size_t(Pixels));
            else
                for (int64_t k = 0; k < Pixels; ++k)
                    dest[StartCol + k * ColStep] = Row[k];
        } else if (d == 16) {
            for (int64_t k = 0; k < Pixels; ++k)
                dest[StartCol + k * ColStep] = Row[k * 2];
        } else if ((d == 1 || d == 4) && ColStep == 1 && StartCol == 0) {
            std::memcpy(dest, Row, size_t((Pixels * d + 7) / 8));
        } else {
            // Packed samples: 2-bit values widen to the 4-bit pixels (0, 5, 10, 15).
            const int bits = d == 2 ? 4 : d;
            for (int64_t k = 0; k < Pixels; ++k) {
                const int64_t bitPos = k * d;
                unsigned v = (Row[bitPos >> 3] >> (8 - d - (bitPos & 7))) & ((1u << d) - 1);
                if (d == 2)
                    v = v * 15 / 3;
                const int64_t col = StartCol + k * ColStep;
                const int64_t pos = col * bits;
                const int shift = int(8 - bits - (pos & 7));
                uint8_t &byte = dest[pos >> 3];
                byte = uint8_t((byte & ~(((1u << bits) - 1) << shift)) | (v << shift));
            }
        }
        return;
    }
    if (t == 4) {
        const int step = d == 16 ? 4 : 2;
        for (int64_t k = 0; k < Pixels; ++k)
            dest[StartCol + k * ColStep] = Row[k * step];
        return;
    }
    // RGB and RGB with alpha: blue, green, red of the (high) bytes.
    const int channels = t == 6 ? 4 : 3;
    const int bytes = d / 8;
    const int64_t stride = int64_t(channels) * bytes;
    if (t == 2 && d == 8 && !gt && ColStep == 1) {
        uint8_t *p = dest + StartCol * 3;
        for (int64_t k = 0; k < Pixels; ++k, p += 3, Row += 3) {
            p[0] = Row[2];
            p[1] = Row[1];
            p[2] = Row[0];
        }
        return;
    }
    for (int64_t k = 0; k < Pixels; ++k) {
        const uint8_t *s = Row + k * stride;
        uint8_t *p = dest + (StartCol + k * ColStep) * 3;
        const uint8_t r = s[0], gr = s[bytes], b = s[2 * bytes];
        if (gt) {
            p[0] = gt[b];
            p[1] = gt[gr];
            p[2] = gt[r];
        } else {
            p[0] = b;
            p[1] = gr;
            p[2] = r;
        }
    }
}

void TChunkIDAT::DecodeImage()
{
    TPNGImage &img = Image();
    const TChunkIHDR *h = Header();
    if (!h)
        RaisePNGError(kPNGNoIHDR);
    TBorrowedStream data(Data.data(), int64_t(Data.size()));
    TZDecompressionStream z(data);
    const bool progress = bool(img.OnProgress);
    const int interlace = h->InterlaceMethod();
    if (interlace > 1)
        RaisePNGError(kPNGUnknownInterlace);
    const int64_t R = RowBytes(h->Width());
    const int D = FilterDistance();
    PrepareBitmap();
    const int W = img.GetWidth(), H = img.GetHeight();
    std::vector<uint8_t> cur(size_t(R) + 1), prev(size_t(R) + 1);
    // Reads one filtered row; false when the data ended (the rest of the picture stays black).
    const auto readRow = [&](int64_t Size) {
        const int64_t got = z.Read(cur.data(), Size + 1);
        if (got < Size + 1)
            std::memset(cur.data() + std::max<int64_t>(got, 0), 0, size_t(Size + 1 - std::max<int64_t>(got, 0)));
        Unfilter(cur[0], cur.data() + 1, prev.data() + 1, Size, D);
        return got == Size + 1;
    };
    bool more = true;
    if (interlace == 1) {
        for (int pass = 0; pass < 7 && more; ++pass) {
            const int64_t pw = (W - kPassStartCol[pass] + kPassColStep[pass] - 1) / kPassColStep[pass];
            if (pw <= 0)
                continue;
            const int64_t pr = RowBytes(pw);
            std::fill(prev.begin(), prev.end(), 0);
            for (int y = kPassStartRow[pass]; y < H && more; y += kPassRowStep[pass]) {
                more = readRow(pr);
                ConvertRow(cur.data() + 1, y, kPassStartCol[pass], kPassColStep[pass], pw);
                std::swap(cur, prev);
            }
            if (progress)
                img.Progress(psRunning, uint8_t(MulDiv(100, pass, 6)), true, QRect(0, 0, W, H), "Drawing...");
        }
    } else {
        for (int y = 0; y < H && more; ++y) {
            more = readRow(R);
            ConvertRow(cur.data() + 1, y, 0, 1, W);
            std::swap(cur, prev);
            if (progress)
                img.Progress(psRunning, uint8_t(MulDiv(y, 100, H)), true, QRect(0, y - 1, W, 1), "Drawing...");
        }
    }
}

void TChunkIDAT::EncodeImage()
{
    TPNGImage &img = Image();
    Data.clear();
    TMemoryStream out;
    {
        TZCompressionStream z(out, 2);
        const int64_t R = RowBytes(img.GetWidth());
        const int D = FilterDistance();
        img.Interlaced = false;
        TChunkGAMA *gamma = GammaChunk();
        const uint8_t *inv = gamma && gamma->HasTables() ? gamma->InverseTable : nullptr;
        const uint8_t filters = img.Filters();
        std::vector<uint8_t> row(static_cast<size_t>(R)), prev(static_cast<size_t>(R), 0);
        std::vector<uint8_t> cand[5];
        for (auto &c : cand)
            c.resize(size_t(R) + 1);
        const bool rgb = img.PixelFormat() == pf24bit;
        for (int y = 0; y < img.GetHeight(); ++y) {
            const uint8_t *s = img.ScanLine(y);
            if (rgb) {
                for (int64_t x = 0; x < R / 3; ++x) {
                    row[size_t(x * 3)] = inv ? inv[s[x * 3 + 2]] : s[x * 3 + 2];
                    row[size_t(x * 3 + 1)] = inv ? inv[s[x * 3 + 1]] : s[x * 3 + 1];
                    row[size_t(x * 3 + 2)] = inv ? inv[s[x * 3]] : s[x * 3];
                }
            } else {
                std::memcpy(row.data(), s, size_t(R));
            }
            // Candidates of the allowed filters; the one with the most runs of five equal bytes wins.
            int best = 0, bestCount = -1;
            for (int f = 0; f < 5; ++f) {
                if (!(filters & (1 << f)))
                    continue;
                uint8_t *c = cand[f].data();
                c[0] = uint8_t(f);
                for (int64_t i = 0; i < R; ++i) {
                    const int left = i >= D ? row[size_t(i - D)] : 0;
                    const int up = prev[size_t(i)];
                    const int upLeft = i >= D ? prev[size_t(i - D)] : 0;
                    int pred = 0;
                    switch (f) {
                    case 1: pred = left; break;
                    case 2: pred = up; break;
                    case 3: pred = (left + up) / 2; break;
                    case 4: pred = PaethPredictor(left, up, upLeft); break;
                    default: break;
                    }
                    c[i + 1] = uint8_t(row[size_t(i)] - pred);
                }
                if (filters == 1)
                    break;
                int count = 0;
                for (int64_t j = 4; j < R; ++j)
                    if (c[j - 3] == c[j + 1] && c[j - 2] == c[j + 1] && c[j - 1] == c[j + 1] && c[j] == c[j + 1])
                        ++count;
                if (count > bestCount) {
                    bestCount = count;
                    best = f;
                }
            }
            if (bestCount <= 0)
                best = 0;
            if (best == 0 && !(filters & 1))
                best = 0;
            if (best == 0) {
                cand[0][0] = 0;
                std::memcpy(cand[0].data() + 1, row.data(), size_t(R));
            }
            z.Write(cand[best].data(), R + 1);
            std::swap(row, prev);
        }
        z.Finish();
    }
    Data = out.Bytes();
}

void TChunkIDAT::SaveToStream(TStream &Stream)
{
    EncodeImage();
    WriteChunk(Stream);
}
