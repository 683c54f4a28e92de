#include "print/ZvStream.h"
#include "platform/QtConvert.h"
#include "print/ZvObjects.h"
#include "images/Bitmap.h"
#include "images/Graphic.h"
#include "images/QtPictures.h"
#include "platform/CodePage.h"
#include "print/ZvPrinter.h"
#include <cfloat>
#include <cmath>
#include <cstring>

static_assert(LDBL_MANT_DIG == 64, "reals are stored as 80-bit extended values");

namespace {
constexpr const char *kMalformed = "The object stream is damaged: ";

void Need(TZvExtStream &S, int64_t Count, const char *What)
{
    if (Count < 0 || S.Remaining() < Count)
        throw EZvStreamError(std::string(kMalformed) + What + " runs past the end of its block.");
}

// Version checks compare decimal versions held in binary reals; a little slack keeps 2.6 given
// as a double equal to 2.6 given as an extended value.
constexpr Extended kVersionSlack = 1e-9L;
} // namespace

bool ZvVersionAtLeast(Extended Version, Extended Wanted)
{
    return Version >= Wanted - kVersionSlack;
}

void ZvWriteInt(TStream &S, int32_t Value)
{
    const uint32_t v = uint32_t(Value);
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    S.WriteBuffer(b, 4);
}

void ZvWriteByte(TStream &S, uint8_t Value)
{
    S.WriteBuffer(&Value, 1);
}

void ZvWriteReal(TStream &S, Extended Value)
{
    uint8_t b[sizeof(Extended)] = {};
    std::memcpy(b, &Value, sizeof(Extended));
    S.WriteBuffer(b, 10);
}

void ZvWriteBytes(TStream &S, const void *Data, int32_t Count)
{
    ZvWriteInt(S, Count);
    if (Count > 0)
        S.WriteBuffer(Data, Count);
}

void ZvWriteString(TStream &S, const WideString &Value)
{
    const QByteArray utf8 = ToQString(Value).toUtf8();
    ZvWriteBytes(S, utf8.constData(), int32_t(utf8.size()));
}

void ZvWriteBlock(TStream &Outer, const TZvExtStream &Block)
{
    const auto &bytes = Block.Bytes();
    ZvWriteInt(Outer, int32_t(bytes.size()));
    if (!bytes.empty())
        Outer.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

int32_t ZvReadInt(TZvExtStream &S)
{
    if (S.Remaining() < 4) {
        // A field the writer did not write (or a block cut inside it) reads as 0.
        S.Seek(0, soEnd);
        return 0;
    }
    uint8_t b[4];
    S.ReadBuffer(b, 4);
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

uint8_t ZvReadByteBounded(TZvExtStream &S)
{
    if (S.Remaining() < 1)
        return 0;
    uint8_t b;
    S.ReadBuffer(&b, 1);
    return b;
}

uint8_t ZvReadByte(TZvExtStream &S)
{
    Need(S, 1, "a byte");
    uint8_t b;
    S.ReadBuffer(&b, 1);
    return b;
}

Extended ZvReadReal(TZvExtStream &S)
{
    Need(S, 10, "a real number");
    uint8_t b[sizeof(Extended)] = {};
    S.ReadBuffer(b, 10);
    Extended v;
    std::memcpy(&v, b, sizeof(Extended));
    if (!std::isfinite(v))
        throw EZvStreamError(std::string(kMalformed) + "a real number is not finite.");
    return v;
}

std::string ZvReadBytes(TZvExtStream &S)
{
    Need(S, 4, "a length");
    const int32_t n = ZvReadInt(S);
    if (n <= 0)
        return {};
    Need(S, n, "a text or picture");
    std::string bytes(size_t(n), '\0');
    S.ReadBuffer(bytes.data(), n);
    return bytes;
}

WideString ZvReadString(TZvExtStream &S)
{
    const std::string bytes = ZvReadBytes(S);
    return ToWideString(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
}

void ZvReadBlock(TStream &Outer, TZvExtStream &Block)
{
    Block.Clear();
    uint8_t b[4];
    if (Outer.Read(b, 4) != 4)
        throw EZvStreamError(std::string(kMalformed) + "a block length is missing.");
    const int32_t n = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    const int64_t remaining = Outer.GetSize() - Outer.GetPosition();
    if (n < 0 || n > remaining)
        throw EZvStreamError(std::string(kMalformed) + "a block length is out of range.");
    if (n > 0)
        Block.CopyFrom(Outer, n);
    Block.SetPosition(0);
}

// ---- records

void ZvWriteBrush(TStream &S, const TZvBrushRecord &R)
{
    TZvExtStream b;
    ZvWriteInt(b, int32_t(R.Color));
    ZvWriteInt(b, int32_t(R.Style));
    ZvWriteBlock(S, b);
}

void ZvWritePen(TStream &S, const TZvPenRecord &R)
{
    TZvExtStream b;
    ZvWriteInt(b, int32_t(R.Color));
    ZvWriteInt(b, int32_t(R.Style));
    ZvWriteInt(b, R.Width);
    ZvWriteInt(b, int32_t(R.Mode));
    ZvWriteBlock(S, b);
}

void ZvWriteFont(TStream &S, const TZvFontRecord &R)
{
    TZvExtStream b;
    ZvWriteReal(b, R.Angle);
    ZvWriteInt(b, int32_t(R.Color));
    ZvWriteString(b, R.Name);
    ZvWriteInt(b, R.Size);
    WideString letters;
    if (R.Style & fsBold)
        letters += u'B';
    if (R.Style & fsItalic)
        letters += u'I';
    if (R.Style & fsUnderline)
        letters += u'U';
    if (R.Style & fsStrikeOut)
        letters += u'S';
    ZvWriteString(b, letters);
    ZvWriteBlock(S, b);
}

namespace {
template <typename E>
E Ordinal(int32_t v, E last)
{
    // Ordinals outside the enumeration come from damaged or newer data: the first value then.
    return v >= 0 && v <= int32_t(last) ? E(v) : E(0);
}
} // namespace

TZvBrushRecord ZvReadBrush(TZvExtStream &S)
{
    TZvExtStream b;
    ZvReadBlock(S, b);
    TZvBrushRecord r;
    r.Color = TColor(ZvReadInt(b));
    r.Style = Ordinal(ZvReadInt(b), bsDiagCross);
    return r;
}

TZvPenRecord ZvReadPen(TZvExtStream &S)
{
    TZvExtStream b;
    ZvReadBlock(S, b);
    TZvPenRecord r;
    r.Color = TColor(ZvReadInt(b));
    r.Style = Ordinal(ZvReadInt(b), psInsideFrame);
    r.Width = ZvReadInt(b);
    r.Mode = Ordinal(ZvReadInt(b), pmNotXor);
    return r;
}

TZvFontRecord ZvReadFont(TZvExtStream &S)
{
    TZvExtStream b;
    ZvReadBlock(S, b);
    TZvFontRecord r;
    r.Angle = ZvReadReal(b);
    r.Color = TColor(ZvReadInt(b));
    r.Name = ZvReadString(b);
    r.Size = ZvReadInt(b);
    const WideString letters = ZvReadString(b);
    r.Style = 0;
    if (letters.find(u'B') != WideString::npos)
        r.Style |= fsBold;
    if (letters.find(u'I') != WideString::npos)
        r.Style |= fsItalic;
    if (letters.find(u'U') != WideString::npos)
        r.Style |= fsUnderline;
    if (letters.find(u'S') != WideString::npos)
        r.Style |= fsStrikeOut;
    return r;
}

// ---- objects

void ZvSaveObject(TStream &S, const TZvBaseObject &Object)
{
    Object.SaveToStream(S);
}

std::unique_ptr<TZvBaseObject> ZvLoadObject(TStream &S, Extended Version)
{
    uint8_t b[4];
    if (S.Read(b, 4) != 4)
        throw EZvStreamError(std::string(kMalformed) + "an object kind is missing.");
    const int32_t kind = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    auto object = CreateObjectOfKind(kind);
    if (!object)
        throw EZvStreamError(std::string(kMalformed) + "unknown object kind " + std::to_string(kind) + ".");
    object->LoadFromStream(S, Version);
    return object;
}

void TZvBaseObject::SaveToStream(TStream &Stream) const
{
    ZvWriteInt(Stream, Kind);
    TZvExtStream b;
    ZvWriteInt(b, Left);
    ZvWriteInt(b, Top);
    ZvWriteByte(b, Visible ? 1 : 0);
    ZvWriteByte(b, Clip ? 1 : 0);
    if (Clip)
        for (int32_t e : ClipRect)
            ZvWriteInt(b, e);
    ZvWriteBlock(Stream, b);
}

void TZvBaseObject::LoadFromStream(TStream &Stream, Extended Version)
{
    TZvExtStream b;
    ZvReadBlock(Stream, b);
    Left = ZvReadInt(b);
    Top = ZvReadInt(b);
    if (ZvVersionAtLeast(Version, 2.6L)) {
        Visible = ZvReadByte(b) != 0;
        Clip = ZvReadByte(b) != 0;
        if (Clip)
            for (int32_t &e : ClipRect)
                e = ZvReadInt(b);
    }
}

void TZvTextObject::SaveToStream(TStream &Stream) const
{
    TZvBaseObject::SaveToStream(Stream);
    TZvExtStream b;
    ZvWriteBrush(b, Brush);
    ZvWriteString(b, Text);
    ZvWriteFont(b, Font);
    ZvWriteByte(b, Alignment);
    ZvWriteBlock(Stream, b);
}

void TZvTextObject::LoadFromStream(TStream &Stream, Extended Version)
{
    TZvBaseObject::LoadFromStream(Stream, Version);
    TZvExtStream b;
    ZvReadBlock(Stream, b);
    Brush = ZvReadBrush(b);
    Text = ZvReadString(b);
    Font = ZvReadFont(b);
    Alignment = ZvVersionAtLeast(Version, 2.6L) ? ZvReadByteBounded(b) : 0;
}

void TZvTextBoxObject::SaveToStream(TStream &Stream) const
{
    TZvTextObject::SaveToStream(Stream);
    TZvExtStream b;
    ZvWriteInt(b, BoxAlignment);
    ZvWriteInt(b, Right);
    ZvWriteInt(b, Bottom);
    ZvWritePen(b, Pen);
    ZvWriteByte(b, WordWrap ? 1 : 0);
    // Appended after the older fields, so older readers skip it and older data reads 0.
    ZvWriteInt(b, VertLayout);
    ZvWriteBlock(Stream, b);
}

void TZvTextBoxObject::LoadFromStream(TStream &Stream, Extended Version)
{
    TZvTextObject::LoadFromStream(Stream, Version);
    TZvExtStream b;
    ZvReadBlock(Stream, b);
    BoxAlignment = ZvReadInt(b);
    Right = ZvReadInt(b);
    Bottom = ZvReadInt(b);
    Pen = ZvReadPen(b);
    WordWrap = ZvVersionAtLeast(Version, 2.63L) ? ZvReadByte(b) != 0 : true;
    VertLayout = ZvVersionAtLeast(Version, 2.63L) ? ZvReadInt(b) : 0;
}

namespace {

// The registered extension of a picture's class ("PNG" for TPNGImage), empty when none.
AnsiString ExtensionOfClass(const TGraphic &Picture)
{
    EnsurePictureFormats();
    for (const auto &format : TPicture::FileFormats())
        if (format.Factory)
            if (auto probe = format.Factory(); probe && std::string(probe->ClassName()) == Picture.ClassName())
                return format.Extension;
    return {};
}

std::unique_ptr<TGraphic> PictureOfType(int32_t Type, const AnsiString &Extension)
{
    switch (Type) {
    case zvpMetafile: return std::make_unique<TMetafile>();
    case zvpBitmap: return std::make_unique<TBitmap>();
    case zvpJpeg: return std::make_unique<TJPEGImage>();
    case zvpIcon: return std::make_unique<TIcon>();
    case zvpRegistered: EnsurePictureFormats(); return TPicture::CreateForFile("picture." + Extension);
    default: return nullptr;
    }
}

} // namespace

void EnsurePictureFormats()
{
    static const bool registered = [] {
        RegisterStandardPictureFormats();
        return true;
    }();
    (void)registered;
}

void TZvGraphicObject::SaveToStream(TStream &Stream) const
{
    TZvBaseObject::SaveToStream(Stream);
    TZvExtStream b;
    ZvWriteInt(b, Right);
    ZvWriteInt(b, Bottom);
    ZvWriteByte(b, MetafileAsBitmap ? 1 : 0);
    // An empty picture is stored as no picture: its kind alone would read back as nothing and
    // write differently the next time.
    const bool hasPicture = FPicture && !FPicture->GetEmpty();
    int32_t type = hasPicture ? PictureType() : int32_t(zvpBitmap);
    AnsiString extension;
    TMemoryStream data;
    if (hasPicture) {
        if (type == zvpRegistered)
            extension = ExtensionOfClass(*FPicture);
        try {
            if (type == zvpRegistered && extension.empty())
                throw EInvalidGraphicOperation("no file format");
            FPicture->SaveToStream(data);
        } catch (const Exception &) {
            // A picture that cannot write itself, or whose writer refuses it (a GIF pixel past its
            // colour table, as a damaged file may hold), goes as a bitmap of its pixels.
            TBitmap bitmap;
            bitmap.FromImage(FPicture->ToImage());
            data.Clear();
            bitmap.SaveToStream(data);
            type = zvpBitmap;
        }
    }
    ZvWriteInt(b, type);
    if (type == zvpRegistered)
        ZvWriteString(b, AnsiToWide(extension));
    ZvWriteBytes(b, data.Memory(), int32_t(data.GetSize()));
    ZvWriteInt(b, int32_t(CopyMode));
    ZvWriteByte(b, SecondFlag ? 1 : 0);
    ZvWriteBlock(Stream, b);
}

void TZvGraphicObject::LoadFromStream(TStream &Stream, Extended Version)
{
    TZvBaseObject::LoadFromStream(Stream, Version);
    TZvExtStream b;
    ZvReadBlock(Stream, b);
    Right = ZvReadInt(b);
    Bottom = ZvReadInt(b);
    MetafileAsBitmap = ZvReadByte(b) != 0;
    const int32_t type = ZvReadInt(b);
    const AnsiString extension = type == zvpRegistered ? WideToAnsi(ZvReadString(b)) : AnsiString();
    const std::string data = ZvReadBytes(b);
    FPicture.reset();
    if (!data.empty()) {
        auto picture = PictureOfType(type, extension);
        if (!picture)
            throw EZvStreamError(std::string(kMalformed) + "unknown picture type " + std::to_string(type) + ".");
        TMemoryStream source;
        source.WriteBuffer(data.data(), int64_t(data.size()));
        source.SetPosition(0);
        try {
            picture->LoadFromStream(source);
        } catch (const Exception &e) {
            // The picture's own reader refused it: the object stream is damaged.
            throw EZvStreamError(std::string(kMalformed) + "a picture cannot be read (" + e.Message() + ").");
        }
        FPicture = std::move(picture);
    }
    CopyMode = ZvVersionAtLeast(Version, 2.32L) ? uint32_t(ZvReadInt(b)) : SRCCOPY;
    SecondFlag = ZvVersionAtLeast(Version, 2.42L) ? ZvReadByteBounded(b) != 0 : false;
}

void TZvLineObject::SaveToStream(TStream &Stream) const
{
    TZvBaseObject::SaveToStream(Stream);
    TZvExtStream b;
    ZvWritePen(b, Pen);
    ZvWriteInt(b, Right);
    ZvWriteInt(b, Bottom);
    ZvWriteInt(b, LineValue);
    ZvWriteBlock(Stream, b);
}

void TZvLineObject::LoadFromStream(TStream &Stream, Extended Version)
{
    TZvBaseObject::LoadFromStream(Stream, Version);
    TZvExtStream b;
    ZvReadBlock(Stream, b);
    Pen = ZvReadPen(b);
    Right = ZvReadInt(b);
    Bottom = ZvReadInt(b);
    LineValue = ZvReadInt(b);
}

void TZvSimpleShape::SaveToStream(TStream &Stream) const
{
    TZvBaseObject::SaveToStream(Stream);
    TZvExtStream b;
    ZvWriteBrush(b, Brush);
    ZvWritePen(b, Pen);
    ZvWriteInt(b, Right);
    ZvWriteInt(b, Bottom);
    if (auto *r = dynamic_cast<const TZvRectangleShape *>(this))
        ZvWriteInt(b, r->Style); // appended: older readers skip it, older data reads 0
    ZvWriteBlock(Stream, b);
}

void TZvSimpleShape::LoadFromStream(TStream &Stream, Extended Version)
{
    TZvBaseObject::LoadFromStream(Stream, Version);
    TZvExtStream b;
    ZvReadBlock(Stream, b);
    Brush = ZvReadBrush(b);
    Pen = ZvReadPen(b);
    Right = ZvReadInt(b);
    Bottom = ZvReadInt(b);
    if (auto *r = dynamic_cast<TZvRectangleShape *>(this)) {
        const int32_t style = ZvReadInt(b);
        r->Style = style >= 0 && style <= 2 ? uint8_t(style) : 0;
    }
}

void TZvRoundRectShape::SaveToStream(TStream &Stream) const
{
    TZvSimpleShape::SaveToStream(Stream);
    TZvExtStream b;
    ZvWriteInt(b, CornerWidth);
    ZvWriteInt(b, CornerHeight);
    ZvWriteBlock(Stream, b);
}

void TZvRoundRectShape::LoadFromStream(TStream &Stream, Extended Version)
{
    TZvSimpleShape::LoadFromStream(Stream, Version);
    TZvExtStream b;
    ZvReadBlock(Stream, b);
    CornerWidth = ZvReadInt(b);
    CornerHeight = ZvReadInt(b);
}

void TZvComplexShape::SaveToStream(TStream &Stream) const
{
    TZvSimpleShape::SaveToStream(Stream);
    TZvExtStream b;
    ZvWriteInt(b, StartX);
    ZvWriteInt(b, StartY);
    ZvWriteInt(b, EndX);
    ZvWriteInt(b, EndY);
    ZvWriteBlock(Stream, b);
}

void TZvComplexShape::LoadFromStream(TStream &Stream, Extended Version)
{
    TZvSimpleShape::LoadFromStream(Stream, Version);
    TZvExtStream b;
    ZvReadBlock(Stream, b);
    StartX = ZvReadInt(b);
    StartY = ZvReadInt(b);
    EndX = ZvReadInt(b);
    EndY = ZvReadInt(b);
}
