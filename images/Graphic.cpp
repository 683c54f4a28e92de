#include "images/Graphic.h"

#include "images/Bitmap.h"
#include "images/QtPictures.h"
#include "platform/AtomicSave.h"
#include "platform/SysUtils.h"

#include <QByteArray>
#include <QImage>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <new>
#include <stdexcept>

void CheckImageSize(int64_t Width, int64_t Height)
{
    if (Width < 0 || Height < 0)
        throw EImageRangeError("Range check error");
    if (Width > kMaxImageSide || Height > kMaxImageSide || Width * Height > kMaxImagePixels)
        throw EInvalidGraphic("Image too large (" + IntToStr(Width) + " x " + IntToStr(Height) + " pixels, at most " +
                              IntToStr(kMaxImagePixels) + ")");
}

void CheckPictureBudget(int64_t Pixels)
{
    if (Pixels < 0)
        throw EImageRangeError("Range check error");
    if (Pixels > kMaxImagePixels)
        throw EInvalidGraphic("Image too large (" + IntToStr(Pixels) + " pixels in all, at most " +
                              IntToStr(kMaxImagePixels) + ")");
}

void GuardPictureMemory(const std::function<void()> &Read)
{
    try {
        Read();
    } catch (const std::bad_alloc &) {
        throw EInvalidGraphic("Not enough memory to read the picture");
    } catch (const std::length_error &) {
        throw EInvalidGraphic("Not enough memory to read the picture");
    }
}

namespace {
std::atomic<int64_t> gPixelLive{0};
std::atomic<int64_t> gPixelPeak{0};
} // namespace

int64_t TPixelMemory::Live()
{
    return gPixelLive.load();
}

int64_t TPixelMemory::Peak()
{
    return gPixelPeak.load();
}

void TPixelMemory::ResetPeak()
{
    gPixelPeak.store(gPixelLive.load());
}

uint8_t *TPixelMemory::Allocate(size_t Bytes)
{
    // calloc leaves large blocks to the system's zeroed pages instead of writing them.
    void *p = std::calloc(std::max<size_t>(Bytes, 1), 1);
    if (!p)
        throw std::bad_alloc();
    const int64_t live = gPixelLive.fetch_add(int64_t(Bytes)) + int64_t(Bytes);
    int64_t peak = gPixelPeak.load();
    while (live > peak && !gPixelPeak.compare_exchange_weak(peak, live)) {
    }
    return static_cast<uint8_t *>(p);
}

void TPixelMemory::Release(uint8_t *Block, size_t Bytes)
{
    std::free(Block);
    gPixelLive.fetch_sub(int64_t(Bytes));
}

void TGraphic::SetWidth(int)
{
    throw EInvalidGraphicOperation("The size of this picture cannot be changed");
}

void TGraphic::SetHeight(int)
{
    throw EInvalidGraphicOperation("The size of this picture cannot be changed");
}

void TGraphic::SaveToStream(TStream &)
{
    throw EInvalidGraphicOperation("Saving is not supported for this picture");
}

void TGraphic::LoadFromFile(const AnsiString &FileName)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const AnsiString &FileName)
{
    // A failing writer leaves the old file as it was.
    TAtomicSave::SaveFile(FileName, [this](TStream &File) { SaveToStream(File); });
}

void TGraphic::Progress(TProgressStage Stage, uint8_t PercentDone, bool RedrawNow, const QRect &R,
                        const AnsiString &Msg)
{
    if (OnProgress)
        OnProgress(*this, Stage, PercentDone, RedrawNow, R, Msg);
}

void TGraphic::Changed()
{
    if (OnChange)
        OnChange(*this);
}

// ---- registry

namespace {
std::mutex gFormatsLock;
std::vector<TPicture::TFileFormat> &Formats()
{
    static std::vector<TPicture::TFileFormat> formats;
    return formats;
}
void EnsureStandardFormats()
{
    static std::once_flag once;
    std::call_once(once, [] { RegisterStandardPictureFormats(); });
}
} // namespace

void TPicture::RegisterFileFormat(const AnsiString &Extension, const AnsiString &Description, TGraphicFactory Factory)
{
    std::lock_guard lock(gFormatsLock);
    const AnsiString ext = UpperCase(Extension);
    auto &formats = Formats();
    std::erase_if(formats, [&](const TFileFormat &f) { return f.Extension == ext; });
    formats.push_back({ext, Description, std::move(Factory)});
}

void TPicture::UnregisterFileFormat(const AnsiString &Extension)
{
    std::lock_guard lock(gFormatsLock);
    const AnsiString ext = UpperCase(Extension);
    std::erase_if(Formats(), [&](const TFileFormat &f) { return f.Extension == ext; });
}

std::vector<TPicture::TFileFormat> TPicture::FileFormats()
{
    EnsureStandardFormats();
    std::lock_guard lock(gFormatsLock);
    return Formats();
}

std::unique_ptr<TGraphic> TPicture::CreateForFile(const AnsiString &FileName)
{
    EnsureStandardFormats();
    AnsiString ext = UpperCase(ExtractFileExt(FileName));
    if (!ext.empty() && ext[0] == '.')
        ext.erase(0, 1);
    TGraphicFactory factory;
    {
        std::lock_guard lock(gFormatsLock);
        for (const TFileFormat &f : Formats())
            if (f.Extension == ext)
                factory = f.Factory;
    }
    return factory ? factory() : nullptr;
}

void TPicture::Hook(TGraphic &G)
{
    G.OnProgress = [this](TGraphic &S, TProgressStage St, uint8_t P, bool Rd, const QRect &R, const AnsiString &M) {
        if (OnProgress)
            OnProgress(S, St, P, Rd, R, M);
    };
    G.OnWarning = [this](TGraphic &S, uint8_t Sev, const AnsiString &M) {
        if (OnWarning)
            OnWarning(S, Sev, M);
    };
    G.OnChange = [this](TGraphic &) {
        if (OnChange)
            OnChange();
    };
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> Value)
{
    FGraphic = std::move(Value);
    if (FGraphic)
        Hook(*FGraphic);
    if (OnChange)
        OnChange();
}

TBitmap &TPicture::NewBitmap()
{
    SetGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap &>(*FGraphic);
}

TBitmap &TPicture::Bitmap()
{
    if (auto *b = dynamic_cast<TBitmap *>(FGraphic.get()))
        return *b;
    return NewBitmap();
}

void TPicture::LoadFromFile(const AnsiString &FileName)
{
    std::unique_ptr<TGraphic> g = CreateForFile(FileName);
    if (!g) {
        AnsiString ext = ExtractFileExt(FileName);
        throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
    }
    Hook(*g);
    g->LoadFromFile(FileName);
    SetGraphic(std::move(g));
}

void TPicture::SaveToFile(const AnsiString &FileName)
{
    if (FGraphic)
        FGraphic->SaveToFile(FileName);
}

QByteArray ReadRestOfStream(TStream &Stream)
{
    const int64_t size = Stream.GetSize() - Stream.GetPosition();
    QByteArray data;
    if (size > 0) {
        data.resize(qsizetype(size));
        data.resize(qsizetype(Stream.Read(data.data(), size)));
    }
    return data;
}
