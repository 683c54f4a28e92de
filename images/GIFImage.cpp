#include "images/GIFImage.h"

#include "images/DIB.h"
#include "images/GIFPainter.h"

#include <QPainter>

bool PaletteDisplay = false;
bool RenderOnLoad = false;

namespace {
uint8_t Percent(int64_t Part, int64_t Whole)
{
    if (Whole <= 0)
        return 0;
    return uint8_t(std::clamp<int64_t>((Part * 100 + Whole / 2) / Whole, 0, 100));
}
} // namespace

TGIFImage::TGIFImage() : Header(this)
{
}

TGIFImage::~TGIFImage()
{
    StopPainters();
    FImages.clear();
}

void TGIFImage::Clear()
{
    StopPainters();
    FreeBitmap();
    FImages.clear();
    Header.ColorMap.Clear();
    Header.Width = Header.Height = 0;
    Header.Prepare();
}

int TGIFImage::Add(std::unique_ptr<TGIFSubImage> Frame)
{
    FImages.push_back(std::move(Frame));
    FreeBitmap();
    Changed();
    return Count() - 1;
}

void TGIFImage::Delete(int Index)
{
    StopPainters();
    FImages.erase(FImages.begin() + Index);
    FreeBitmap();
}

void TGIFImage::SetWidth(int Value)
{
    for (const auto &f : FImages)
        if (f->Left() + f->Width() > Value)
            GIFError("Image width too small for contained frames");
    if (Value < 0 || Value > 65535)
        throw EImageRangeError("Range check error");
    if (Value != Header.Width) {
        Header.Width = uint16_t(Value);
        FreeBitmap();
        Changed();
    }
}

void TGIFImage::SetHeight(int Value)
{
    for (const auto &f : FImages)
        if (f->Top() + f->Height() > Value)
            GIFError("Image height too small for contained frames");
    if (Value < 0 || Value > 65535)
        throw EImageRangeError("Range check error");
    if (Value != Header.Height) {
        Header.Height = uint16_t(Value);
        FreeBitmap();
        Changed();
    }
}

TGIFVersion TGIFImage::RequiredVersion() const
{
    TGIFVersion v = gv87a;
    for (const auto &f : FImages) {
        v = std::max(v, f->GetVersion());
        if (v == gv89a)
            break;
    }
    return std::max(v, Header.GetVersion());
}

int TGIFImage::MaxColorResolution() const
{
    int r = Header.ColorResolution();
    for (const auto &f : FImages)
        r = std::max(r, f->BitsPerPixel() - 1);
    return r;
}

int TGIFImage::MaxBitsPerPixel() const
{
    int b = Header.BitsPerPixel();
    for (const auto &f : FImages)
        b = std::max(b, f->BitsPerPixel());
    return b;
}

bool TGIFImage::UseDither() const
{
    return (FPaintOptions & gpDither) && (!(FPaintOptions & gpDitherOnPalette) || PaletteDisplay);
}

void TGIFImage::Warning(const void *, uint8_t Severity, const AnsiString &Message)
{
    if (OnWarning)
        OnWarning(*this, Severity, Message);
}

void TGIFImage::SetPaintOptions(uint16_t Value)
{
    if (Value == FPaintOptions)
        return;
    if (FDrawPainter)
        FDrawPainter->Stop();
    FPaintOptions = Value;
    DropRenderings();
    Changed();
}

void TGIFImage::DropRenderings()
{
    FreeBitmap();
    for (auto &f : FImages) {
        f->FreeBitmap();
        f->SetPalette({});
    }
    if (Header.ColorMap.Count() == 0 && FImages.size() == 1) {
        Header.ColorMap.Assign(FImages[0]->ColorMap);
        FImages[0]->ColorMap.Clear();
        FImages[0]->ColorMapChanged();
    }
}

TPalette TGIFImage::GetPalette() const
{
    auto *self = const_cast<TGIFImage *>(this);
    if (UseDither())
        return CreateSafePalette();
    if (Header.ColorMap.Count() > 0)
        return Header.ColorMap.ExportPalette();
    if (!FImages.empty() && FImages[0]->ColorMap.Count() > 0)
        return FImages[0]->ColorMap.ExportPalette();
    (void)self;
    return {};
}

const QImage &TGIFImage::Bitmap()
{
    if (!FHasBitmap && !FImages.empty()) {
        CheckImageSize(GetWidth(), GetHeight());
        FBitmap = QImage(std::max(GetWidth(), 1), std::max(GetHeight(), 1), QImage::Format_ARGB32_Premultiplied);
        FBitmap.fill(Qt::transparent);
        QPainter p(&FBitmap);
        FImages[0]->Draw(p, FBitmap.rect(), false, (FPaintOptions & gpTransparent) != 0);
        FHasBitmap = true;
    }
    return FBitmap;
}

void TGIFImage::FreeBitmap()
{
    StopDraw();
    FBitmap = QImage();
    FHasBitmap = false;
}

QImage TGIFImage::ToImage() const
{
    auto *self = const_cast<TGIFImage *>(this);
    if (FImages.empty())
        return QImage();
    if (FDrawPainter && !FDrawPainter->Surface().isNull())
        return FDrawPainter->Surface().convertToFormat(QImage::Format_ARGB32);
    return self->Bitmap().convertToFormat(QImage::Format_ARGB32);
}

std::unique_ptr<TGraphic> TGIFImage::Clone() const
{
    auto copy = std::make_unique<TGIFImage>();
    copy->Assign(*this);
    return copy;
}

void TGIFImage::Assign(const TGIFImage &Source)
{
    if (&Source == this)
        return;
    Clear();
    OnProgress = Source.OnProgress;
    OnWarning = Source.OnWarning;
    struct TDrop {
        TGIFImage *I;
        ~TDrop()
        {
            I->OnProgress = nullptr;
            I->OnWarning = nullptr;
        }
    } drop{this};
    Progress(psStarting, 0, false, QRect(), "Copying...");
    Header.Assign(Source.Header);
    PaintBackground = Source.PaintBackground;
    FPaintOptions = Source.FPaintOptions;
    ReductionMethod = Source.ReductionMethod;
    DitherMethod = Source.DitherMethod;
    for (int i = 0; i < Source.Count(); ++i) {
        auto f = std::make_unique<TGIFSubImage>(this);
        f->Assign(Source.Frame(i));
        FImages.push_back(std::move(f));
        Progress(psRunning, Percent(i + 1, Source.Count()), false, QRect(), "Copying...");
    }
    Progress(psEnding, 100, true, QRect(), "Copying...");
    Changed();
}

void TGIFImage::AssignBitmap(const TBitmap &Source)
{
    Clear();
    auto f = std::make_unique<TGIFSubImage>(this);
    f->AssignBitmap(Source);
    FImages.push_back(std::move(f));
    Changed();
}

// ---- reading and writing

void TGIFImage::ChargeFrame(int Left, int Top, int Width, int Height)
{
    const int64_t screenW = std::max<int64_t>(Header.Width, int64_t(Left) + Width);
    const int64_t screenH = std::max<int64_t>(Header.Height, int64_t(Top) + Height);
    const int64_t frames = FLoadPixels + int64_t(Width) * Height;
    GIFCheckBudget([&] {
        CheckImageSize(std::min<int64_t>(screenW, 65535), std::min<int64_t>(screenH, 65535));
        CheckPictureBudget(frames + (FLoadFrames >= 1 ? 2 * screenW * screenH : 0));
    });
    FLoadPixels = frames;
    ++FLoadFrames;
}

void TGIFImage::LoadFromStream(TStream &Stream)
{
    Progress(psStarting, 0, false, QRect(), "Loading...");
    bool ok = false;
    struct TEnd {
        TGIFImage *I;
        bool &Ok;
        ~TEnd() { I->Progress(psEnding, Ok ? 100 : 0, true, QRect(), "Loading..."); }
    } end{this, ok};
    Clear();
    FLoadPixels = 0;
    FLoadFrames = 0;
    const int64_t start = Stream.GetPosition();
    // The decoder takes the data in small pieces (a byte, a sub-block): it reads from memory, and
    // the caller's stream is read once, whole.
    TMemoryStream copy;
    auto *memory = dynamic_cast<TMemoryStream *>(&Stream);
    TStream &in = memory ? Stream : static_cast<TStream &>(copy);
    try {
        GuardPictureMemory([&] {
            if (!memory) {
                const int64_t rest = std::max<int64_t>(Stream.GetSize() - start, 0);
                copy.SetSize(rest);
                copy.SetSize(Stream.Read(copy.Memory(), rest));
                copy.SetPosition(0);
            }
            Header.LoadFromStream(in);
            // The block loop: frames with the extensions before them, up to the trailer.
            const int64_t size = in.GetSize();
            uint8_t b = 0;
            auto skipZeros = [&] {
                while (TryReadByte(in, b))
                    if (b != 0)
                        return true;
                return false;
            };
            bool more = skipZeros();
            while (more && b != ';') {
                in.Seek(-1, soCurrent);
                if (b != '!' && b != ',') {
                    Warning(this, 1, "Unknown GIF block type");
                    break;
                }
                auto frame = std::make_unique<TGIFSubImage>(this);
                frame->LoadFromStream(in);
                // A frame of no pixels and no extensions holds nothing, and writing it leaves nothing:
                // kept, the picture would not be the one its own file reads back to.
                if (!frame->Empty() || frame->Extensions.Count() > 0)
                    FImages.push_back(std::move(frame));
                Progress(psRunning, Percent(in.GetPosition(), size), RenderOnLoad, QRect(), "Loading...");
                more = skipZeros();
            }
            if (more) {
                in.Seek(-1, soCurrent);
                TGIFTrailer(this).LoadFromStream(in);
            }
        });
    } catch (...) {
        Stream.SetPosition(start);
        throw;
    }
    if (!memory)
        Stream.SetPosition(start + copy.GetPosition());
    ok = true;
    Changed();
}

void TGIFImage::SaveToStream(TStream &Stream)
{
    Progress(psStarting, 0, false, QRect(), "Saving...");
    bool ok = false;
    struct TEnd {
        TGIFImage *I;
        bool &Ok;
        ~TEnd() { I->Progress(psEnding, Ok ? 100 : 0, true, QRect(), "Saving..."); }
    } end{this, ok};
    Header.SaveToStream(Stream);
    for (int i = 0; i < Count(); ++i) {
        FImages[size_t(i)]->SaveToStream(Stream);
        Progress(psRunning, Percent(i + 1, Count()), false, QRect(), "Saving...");
    }
    TGIFTrailer(this).SaveToStream(Stream);
    ok = true;
}

// ---- drawing and painters

void TGIFImage::Draw(QPainter &Painter, const QRect &Rect)
{
    if (FIsDrawing || FImages.empty())
        return;
    FIsDrawing = true;
    struct TDone {
        bool &F;
        ~TDone() { F = false; }
    } done{FIsDrawing};
    const bool transparent = FPaintOptions & gpTransparent;
    if (FImages.size() == 1 || !(FPaintOptions & gpAnimate)) {
        FImages[0]->Draw(Painter, Rect, FPaintOptions & gpTile, transparent);
        return;
    }
    if (!FDrawPainter || FDrawRect != Rect) {
        StopDraw();
        FDrawRect = Rect;
        if (!StartPainter(FPaintOptions, Rect))
            return;
    }
    const QImage &surface = FDrawPainter ? FDrawPainter->Surface() : Bitmap();
    if (FPaintOptions & gpTile) {
        for (int y = Rect.top(); y <= Rect.bottom(); y += std::max(GetHeight(), 1))
            for (int x = Rect.left(); x <= Rect.right(); x += std::max(GetWidth(), 1))
                Painter.drawImage(x, y, surface);
    } else {
        Painter.drawImage(Rect, surface);
    }
}

TGIFPainter *TGIFImage::StartPainter(uint16_t Options, const QRect &Rect)
{
    if (FImages.empty() || Rect.isEmpty())
        return nullptr;
    if (FImages.size() == 1)
        Options &= uint16_t(~(gpThreaded | gpAnimate));
    CheckImageSize(GetWidth(), GetHeight());
    auto painter = std::make_unique<TGIFPainter>(*this, Options, Rect);
    painter->OnPaintStart = OnPaintStart;
    painter->OnFramePaint = OnFramePaint;
    painter->OnFramePainted = OnFramePainted;
    painter->OnPaintLoop = OnPaintLoop;
    painter->OnPaintEnd = OnPaintEnd;
    TGIFPainter *p = painter.get();
    FPainters.push_back(std::move(painter));
    FDrawPainter = p;
    p->Start();
    return p;
}

void TGIFImage::PainterEnded(TGIFPainter *)
{
    // The painter keeps its last picture; it is freed when drawing stops or the image changes.
}

void TGIFImage::StopDraw()
{
    if (FDrawPainter) {
        TGIFPainter *p = FDrawPainter;
        FDrawPainter = nullptr;
        p->Stop();
        std::erase_if(FPainters, [p](const auto &Q) { return Q.get() == p; });
    }
}

void TGIFImage::StopPainters()
{
    FDrawPainter = nullptr;
    for (auto &p : FPainters)
        p->Stop();
    FPainters.clear();
}

void RegisterGIFFormat()
{
    TPicture::RegisterFileFormat("GIF", "GIF Image", [] { return std::make_unique<TGIFImage>(); });
}
