#pragma once
// TGIFImage: the picture class of GIF files. It owns the header with the global colour table,
// the frames, and the painters that animate it. Animation runs on timers of the event loop
// (through TAnimationClock), never on threads of its own.
#include "images/GIFSubImage.h"
#include "images/GIFTypes.h"

#include <QImage>
#include <functional>

class QClipboard;
class QMimeData;

// The clipboard format of GIF data (the file's bytes).
constexpr const char *GIFClipboardFormat = "image/gif";

class TGIFPainter;

enum TGIFPaintOption : uint16_t {
    gpThreaded = 1 << 0,
    gpTransparent = 1 << 1,
    gpAnimate = 1 << 2,
    gpLoop = 1 << 3,
    gpLoopForever = 1 << 4,
    gpCheckCanvas = 1 << 5,
    gpDirectDraw = 1 << 6,
    gpClearOnLoop = 1 << 7,
    gpTile = 1 << 8,
    gpDither = 1 << 9,
    gpDitherOnPalette = 1 << 10,
};

enum TGIFOptimizeOption : uint8_t {
    opTrimFrames = 1 << 0,
    opBlankRepeats = 1 << 1,
    opTidy = 1 << 2,
    opSortColors = 1 << 3,
    opReduce = 1 << 4,
};

constexpr TColor clNone = 0x1FFFFFFF;
// Milliseconds per unit of a frame's delay, and the delay limits in units.
constexpr int FrameDelayScale = 12;
constexpr int DefaultFrameDelay = 10;
constexpr int MinFrameDelay = 3;
constexpr int MaxFrameDelay = 1000;

// True when the screen shows at most 256 colours (never on the displays Qt drives here).
extern bool PaletteDisplay;
// Render each frame right after it is read.
extern bool RenderOnLoad;

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;
    TGIFImage(const TGIFImage &) = delete;
    TGIFImage &operator=(const TGIFImage &) = delete;

    const char *ClassName() const override { return "TGIFImage"; }
    bool GetEmpty() const override { return FImages.empty(); }
    int GetWidth() const override { return Header.Width; }
    int GetHeight() const override { return Header.Height; }
    // "Image width too small for contained frames" / "... height ..." when a frame would not fit.
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    void Draw(QPainter &Painter, const QRect &Rect) override;
    void LoadFromStream(TStream &Stream) override;
    void SaveToStream(TStream &Stream) override;
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> Clone() const override;
    TPalette GetPalette() const override;
    void StopAnimation() override { StopPainters(); }

    void Clear();
    // Shrinks the file: sorts colour tables by use, drops needless extensions and transparency,
    // blanks pixels that repeat the frame below, trims transparent borders. Reduction 9 without
    // opTidy raises "Invalid reduction method"; no reduction is done otherwise.
    void Optimize(uint8_t Options, int Reduction, int Bits, const TPalette &Palette);
    void Assign(const TGIFImage &Source);
    // A bitmap becomes the only frame.
    void AssignBitmap(const TBitmap &Source);

    // The clipboard carries the whole file as GIFClipboardFormat data, beside the first frame at
    // the logical screen's size as a plain image for programs that take no GIF. An empty image
    // stores nothing; "Failed to store GIF on clipboard" when the clipboard does not keep it.
    void SaveToClipboardFormat(QClipboard &Clipboard);
    // Takes the GIF data when the clipboard has it, else its image as the only frame;
    // "Unsupported clipboard format" for anything else.
    void LoadFromClipboardFormat(const QClipboard &Clipboard);
    void LoadFromClipboardFormat(const QMimeData *Data);

    int Count() const { return int(FImages.size()); }
    TGIFSubImage &Frame(int Index) const { return *FImages[size_t(Index)]; }
    int Add(std::unique_ptr<TGIFSubImage> Frame);
    void Delete(int Index);

    TColor BackgroundColor() { return Header.BackgroundColor(); }
    TGIFVersion RequiredVersion() const;
    int MaxColorResolution() const;
    int MaxBitsPerPixel() const;
    bool UseDither() const;
    void Warning(const void *Sender, uint8_t Severity, const AnsiString &Message);

    uint16_t PaintOptions() const { return FPaintOptions; }
    void SetPaintOptions(uint16_t Value);
    // Drops the renderings and palettes of the image and its frames.
    void DropRenderings();
    // Frame 0 at the logical screen's size.
    const QImage &Bitmap();
    void FreeBitmap();

    // Painters: Draw starts one for an animated picture; these stop it or all of them.
    void StopDraw();
    void StopPainters();
    TGIFPainter *DrawPainter() const { return FDrawPainter; }
    void PainterEnded(TGIFPainter *Painter);
    // Starts a painter over Rect (the caller's destination) with Options; nullptr for an empty
    // image or rectangle.
    TGIFPainter *StartPainter(uint16_t Options, const QRect &Rect);
    // While a file is read: a frame of Width x Height at (Left, Top) is about to get its pixels.
    // All frames read so far and the surfaces an animation is composed on (two of the logical
    // screen's size once there is a second frame) must fit the picture budget together.
    void ChargeFrame(int Left, int Top, int Width, int Height);

    TGIFHeader Header;
    uint8_t ReductionMethod = 6;
    int ReductionBitCount = 8;
    uint8_t DitherMethod = 0;
    uint8_t CompressionMethod = 0;
    int PlaySpeed = 100;
    TColor PaintBackground = clNone;
    bool PaletteModified = false;
    std::function<void(TGIFPainter &)> OnPaintStart, OnFramePaint, OnFramePainted, OnPaintLoop, OnPaintEnd;

private:
    std::vector<std::unique_ptr<TGIFSubImage>> FImages;
    uint16_t FPaintOptions = gpThreaded | gpTransparent | gpAnimate | gpLoop | gpDither | gpDitherOnPalette;
    QImage FBitmap;
    bool FHasBitmap = false;
    bool FIsDrawing = false;
    std::vector<std::unique_ptr<TGIFPainter>> FPainters;
    TGIFPainter *FDrawPainter = nullptr;
    QRect FDrawRect;
    int64_t FLoadPixels = 0;
    int FLoadFrames = 0;
};

void RegisterGIFFormat();
