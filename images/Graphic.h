#pragma once
// The picture layer: TGraphic is any picture the program can show (bitmap, icon, metafile,
// JPEG, PNG, GIF); TPicture holds one and picks the graphic class by file extension from a
// registry that each picture format fills. Pictures draw through QPainter.
#include "platform/Classes.h"
#include "platform/Exception.h"
#include "platform/Graphics.h"

#include <QRect>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

class QByteArray;
class QPainter;
class QImage;

// Picture errors. EImageRangeError is the one the image dialog reports as a damaged file.
QUILLMAR_EXCEPTION(EInvalidGraphic, Exception);
QUILLMAR_EXCEPTION(EInvalidGraphicOperation, Exception);
QUILLMAR_EXCEPTION(EImageRangeError, Exception);

// One budget bounds every picture a file may ask for, whatever its format: width x height
// at most kMaxImagePixels, each side at most kMaxImageSide.
constexpr int64_t kMaxImagePixels = 64LL * 1024 * 1024;
constexpr int kMaxImageSide = 65535;
// Throws EInvalidGraphic "Image too large (W x H pixels, at most 67108864)" past the budget,
// and EImageRangeError for a negative size.
void CheckImageSize(int64_t Width, int64_t Height);
// The same budget for a picture made of several parts (the frames of an animation and the
// surfaces it is composed on): Pixels counts them all, before any of them is allocated.
void CheckPictureBudget(int64_t Pixels);
// Runs a reader so that running out of memory becomes the reader's error (EInvalidGraphic
// "Not enough memory to read the picture") instead of leaving it as std::bad_alloc.
void GuardPictureMemory(const std::function<void()> &Read);

// Pixel memory: rows of bitmaps and frames. Allocated zeroed by the system (pages of a large
// picture cost nothing until written), and counted, so a reader's allocation can be measured.
struct TPixelMemory {
    static int64_t Live();
    // The most that was live at one time since the last ResetPeak.
    static int64_t Peak();
    static void ResetPeak();
    static uint8_t *Allocate(size_t Bytes);
    static void Release(uint8_t *Block, size_t Bytes);
};
// The bytes of a picture's pixels, in pixel memory: sized, they read as zero.
class TPixelBytes {
public:
    TPixelBytes() = default;
    explicit TPixelBytes(size_t Size) : FData(Size ? TPixelMemory::Allocate(Size) : nullptr), FSize(Size) {}
    TPixelBytes(std::initializer_list<uint8_t> Values) : TPixelBytes(Values.size())
    {
        std::copy(Values.begin(), Values.end(), FData);
    }
    TPixelBytes(const TPixelBytes &Other) : TPixelBytes(Other.FSize)
    {
        std::copy(Other.begin(), Other.end(), FData);
    }
    TPixelBytes(TPixelBytes &&Other) noexcept
        : FData(std::exchange(Other.FData, nullptr)), FSize(std::exchange(Other.FSize, 0))
    {
    }
    TPixelBytes &operator=(TPixelBytes Other) noexcept
    {
        std::swap(FData, Other.FData);
        std::swap(FSize, Other.FSize);
        return *this;
    }
    ~TPixelBytes() { clear(); }

    uint8_t *data() { return FData; }
    const uint8_t *data() const { return FData; }
    size_t size() const { return FSize; }
    bool empty() const { return FSize == 0; }
    uint8_t *begin() { return FData; }
    uint8_t *end() { return FData + FSize; }
    const uint8_t *begin() const { return FData; }
    const uint8_t *end() const { return FData + FSize; }
    uint8_t &operator[](size_t I) { return FData[I]; }
    const uint8_t &operator[](size_t I) const { return FData[I]; }
    void assign(size_t Size, uint8_t Value)
    {
        *this = TPixelBytes(Size);
        std::fill(begin(), end(), Value);
    }
    void clear()
    {
        if (FData)
            TPixelMemory::Release(FData, FSize);
        FData = nullptr;
        FSize = 0;
    }
    void shrink_to_fit() {}
    bool operator==(const TPixelBytes &Other) const { return std::equal(begin(), end(), Other.begin(), Other.end()); }
    bool operator==(const std::vector<uint8_t> &Other) const
    {
        return std::equal(begin(), end(), Other.begin(), Other.end());
    }

private:
    uint8_t *FData = nullptr;
    size_t FSize = 0;
};
// What is left of a stream from its position on, read whole (pictures Qt's readers decode).
QByteArray ReadRestOfStream(TStream &Stream);

struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
    bool operator==(const TPaletteEntry &) const = default;
};
// A logical palette. An empty vector stands for "no palette".
using TPalette = std::vector<TPaletteEntry>;
constexpr uint8_t PC_NOCOLLAPSE = 4;

enum TProgressStage { psStarting, psRunning, psEnding };

class TGraphic {
public:
    TGraphic() = default;
    TGraphic(const TGraphic &) = default;
    TGraphic(TGraphic &&) noexcept = default;
    TGraphic &operator=(const TGraphic &) = default;
    TGraphic &operator=(TGraphic &&) noexcept = default;
    virtual ~TGraphic() = default;

    virtual const char *ClassName() const = 0;
    virtual bool GetEmpty() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual void SetWidth(int Value);
    virtual void SetHeight(int Value);
    // Draws the picture stretched into Rect.
    virtual void Draw(QPainter &Painter, const QRect &Rect) = 0;
    virtual void LoadFromStream(TStream &Stream) = 0;
    // Default: EInvalidGraphicOperation "Saving is not supported for this picture".
    virtual void SaveToStream(TStream &Stream);
    // The picture at its own size as a 32-bit image (transparent parts have alpha 0).
    virtual QImage ToImage() const = 0;
    // A deep copy of the same class.
    virtual std::unique_ptr<TGraphic> Clone() const = 0;
    virtual TPalette GetPalette() const { return {}; }
    // Animated pictures stop animating (a hidden view calls this); the next draw starts again.
    virtual void StopAnimation() {}

    void LoadFromFile(const AnsiString &FileName);
    void SaveToFile(const AnsiString &FileName);

    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value) { FTransparent = Value; }

    // Callbacks. Progress of long operations (stage, percent 0..100, whether a redraw is
    // worth it, the rectangle that changed, a text such as "Loading..."); warnings of
    // readers that go on after a damaged part (severity, text); any change of the picture.
    std::function<void(TGraphic &Sender, TProgressStage Stage, uint8_t PercentDone, bool RedrawNow, const QRect &R,
                       const AnsiString &Msg)>
        OnProgress;
    std::function<void(TGraphic &Sender, uint8_t Severity, const AnsiString &Message)> OnWarning;
    std::function<void(TGraphic &Sender)> OnChange;

    void Progress(TProgressStage Stage, uint8_t PercentDone, bool RedrawNow, const QRect &R, const AnsiString &Msg);
    void Changed();

    // Runs Assign (which may overwrite the whole object, callbacks included) and gives the
    // callbacks this graphic had before back to it.
    template <typename F>
    void KeepingCallbacks(F &&Assign)
    {
        auto onProgress = OnProgress;
        auto onWarning = OnWarning;
        auto onChange = OnChange;
        Assign();
        OnProgress = std::move(onProgress);
        OnWarning = std::move(onWarning);
        OnChange = std::move(onChange);
    }

protected:
    bool FTransparent = false;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// Holds one graphic (or none) and loads files through the extension registry.
class TPicture {
public:
    TPicture() = default;
    TPicture(const TPicture &) = delete;
    TPicture &operator=(const TPicture &) = delete;

    TGraphic *Graphic() const { return FGraphic.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> Value);
    // Replaces the graphic by a new empty TBitmap and answers it.
    class TBitmap &NewBitmap();
    // The graphic as a bitmap; an empty picture or another class is replaced by an empty bitmap.
    class TBitmap &Bitmap();
    int Width() const { return FGraphic ? FGraphic->GetWidth() : 0; }
    int Height() const { return FGraphic ? FGraphic->GetHeight() : 0; }

    // Chooses the class by the file's extension (case-insensitive); an unknown one raises
    // EInvalidGraphic "Unknown picture file extension (.xyz)". On failure the picture keeps
    // what it held before.
    void LoadFromFile(const AnsiString &FileName);
    void SaveToFile(const AnsiString &FileName);

    // Handlers given to every graphic the picture receives.
    std::function<void(TGraphic &, TProgressStage, uint8_t, bool, const QRect &, const AnsiString &)> OnProgress;
    std::function<void(TGraphic &, uint8_t, const AnsiString &)> OnWarning;
    std::function<void()> OnChange;

    // The registry: Extension without dot, any case ("GIF"). A later registration of the same
    // extension replaces the earlier one.
    static void RegisterFileFormat(const AnsiString &Extension, const AnsiString &Description, TGraphicFactory Factory);
    static void UnregisterFileFormat(const AnsiString &Extension);
    struct TFileFormat {
        AnsiString Extension; // upper case
        AnsiString Description;
        TGraphicFactory Factory;
    };
    static std::vector<TFileFormat> FileFormats();
    // The graphic registered for FileName's extension, nullptr when none.
    static std::unique_ptr<TGraphic> CreateForFile(const AnsiString &FileName);

private:
    void Hook(TGraphic &G);
    std::unique_ptr<TGraphic> FGraphic;
};

// Formats registered with TPicture before its first use: BMP, ICO, JPG/JPEG, WMF, EMF,
// and whatever the picture-format units of this library add.
void RegisterStandardPictureFormats();
