#include "images/GIFExtensions.h"

#include "images/GIFImage.h"
#include "images/GIFSubImage.h"

#include <cstring>
#include <mutex>

// ---- registries

namespace {
struct TRegistry {
    std::mutex Lock;
    std::vector<std::pair<uint8_t, TGIFExtensionFactory>> Labels;
    std::vector<std::pair<TGIFIdentifier, TGIFExtensionFactory>> Apps;
};

TGIFIdentifier Id(const char *Text)
{
    TGIFIdentifier id{};
    std::memcpy(id.data(), Text, 11);
    return id;
}

template <class T>
TGIFExtensionFactory Make()
{
    return [](TGIFSubImage *S) { return std::make_unique<T>(S); };
}

TRegistry &Registry()
{
    static TRegistry *r = [] {
        auto *reg = new TRegistry;
        reg->Labels.push_back({0x01, Make<TGIFTextExtension>()});
        reg->Labels.push_back({0xF9, Make<TGIFGraphicControlExtension>()});
        reg->Labels.push_back({0xFE, Make<TGIFCommentExtension>()});
        reg->Labels.push_back({0xFF, nullptr}); // resolved by the block's size and identifier
        reg->Apps.push_back({Id("NETSCAPE2.0"), Make<TGIFAppExtNSLoop>()});
        reg->Apps.push_back({Id("ANIMEXTS1.0"), Make<TGIFAppExtNSLoop>()});
        return reg;
    }();
    return *r;
}
} // namespace

void RegisterExtensionClass(uint8_t Label, TGIFExtensionFactory Factory)
{
    TRegistry &r = Registry();
    std::lock_guard lock(r.Lock);
    r.Labels.push_back({Label, std::move(Factory)});
}

void RegisterAppExtensionClass(const TGIFIdentifier &Identifier, TGIFExtensionFactory Factory)
{
    TRegistry &r = Registry();
    std::lock_guard lock(r.Lock);
    r.Apps.push_back({Identifier, std::move(Factory)});
}

TGIFExtensionFactory FindExtensionClass(TStream &Stream)
{
    const int64_t start = Stream.GetPosition();
    struct TRestore {
        TStream &S;
        int64_t P;
        ~TRestore() { S.SetPosition(P); }
    } restore{Stream, start};
    uint8_t label = 0;
    if (!TryReadByte(Stream, label))
        return nullptr;
    TRegistry &r = Registry();
    std::lock_guard lock(r.Lock);
    const auto found =
        std::find_if(r.Labels.rbegin(), r.Labels.rend(), [&](const auto &e) { return e.first == label; });
    if (found == r.Labels.rend())
        return nullptr;
    if (label != 0xFF || found->second)
        return found->second;
    // Application extensions: by the block's size and identifier. Blocks of 10 bytes, of 12 or
    // more, and identifiers nobody registered are kept as raw data.
    uint8_t size = 0;
    if (!TryReadByte(Stream, size))
        return Make<TGIFUnknownAppExtension>();
    if (size == 11) {
        TGIFIdentifier id{};
        if (Stream.Read(id.data(), 11) == 11) {
            const auto app = std::find_if(r.Apps.rbegin(), r.Apps.rend(), [&](const auto &e) { return e.first == id; });
            if (app != r.Apps.rend())
                return app->second;
        }
    }
    return Make<TGIFUnknownAppExtension>();
}

// ---- TGIFExtension

TGIFExtension::TGIFExtension(TGIFSubImage *SubImage)
    : TGIFItem(SubImage ? SubImage->Image() : nullptr), FSubImage(SubImage)
{
}

void TGIFExtension::SaveToStream(TStream &Stream)
{
    const uint8_t head[2] = {0x21, ExtensionType()};
    Stream.WriteBuffer(head, 2);
}

uint8_t TGIFExtension::ReadLabel(TStream &Stream)
{
    uint8_t head[2];
    ReadCheck(Stream, head, 2);
    if (head[0] != 0x21)
        GIFError("Invalid extension introducer");
    return head[1];
}

void TGIFExtension::LoadFromStream(TStream &Stream)
{
    if (ReadLabel(Stream) != ExtensionType())
        GIFError("Internal error: Extension Instance does not match Extension Label");
}

// ---- graphic control

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage *SubImage) : TGIFExtension(SubImage)
{
    if (SubImage && !SubImage->GraphicControlExtension)
        SubImage->GraphicControlExtension = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension()
{
    if (!FSubImage)
        return;
    if (Transparent())
        FSubImage->Transparent = false;
    if (FSubImage->GraphicControlExtension == this)
        FSubImage->GraphicControlExtension = nullptr;
}

void TGIFGraphicControlExtension::SetTransparent(bool Value)
{
    Flags = uint8_t(Value ? Flags | 1 : Flags & ~1);
    if (FSubImage)
        FSubImage->Transparent = Value;
}

void TGIFGraphicControlExtension::SetTransparentColorIndex(uint8_t Value)
{
    if (FSubImage) {
        const int n = FSubImage->ActiveColorMap().Count();
        if (Value >= n && n > 0) {
            Warning(1, "Invalid color index");
            Value = 0;
        }
    }
    TransparentColorIndex = Value;
}

void TGIFGraphicControlExtension::SaveToStream(TStream &Stream)
{
    TGIFExtension::SaveToStream(Stream);
    const uint8_t d[6] = {BlockSize, Flags, uint8_t(Delay), uint8_t(Delay >> 8), TransparentColorIndex, Terminator};
    Stream.WriteBuffer(d, 6);
}

void TGIFGraphicControlExtension::LoadFromStream(TStream &Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    uint8_t d[6] = {BlockSize, Flags, uint8_t(Delay), uint8_t(Delay >> 8), TransparentColorIndex, Terminator};
    const int64_t got = Stream.Read(d, 6);
    BlockSize = d[0];
    Flags = d[1];
    Delay = uint16_t(d[2] | (d[3] << 8));
    TransparentColorIndex = d[4];
    Terminator = d[5];
    if (got < 6)
        Warning(1, "Premature end of data");
    else if ((Flags & 1) && FSubImage)
        FSubImage->Transparent = true;
}

// ---- text and comment

void TGIFTextExtension::SaveToStream(TStream &Stream)
{
    TGIFExtension::SaveToStream(Stream);
    Stream.WriteBuffer(Header, 13);
    WriteStrings(Stream, Text);
}

void TGIFTextExtension::LoadFromStream(TStream &Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    ReadCheck(Stream, Header, 13);
    ReadStrings(Stream, Text);
}

void TGIFCommentExtension::SaveToStream(TStream &Stream)
{
    TGIFExtension::SaveToStream(Stream);
    WriteStrings(Stream, Text);
}

void TGIFCommentExtension::LoadFromStream(TStream &Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    ReadStrings(Stream, Text);
}

// ---- application extensions

void TGIFApplicationExtension::SaveToStream(TStream &Stream)
{
    TGIFExtension::SaveToStream(Stream);
    WriteByte(Stream, 11);
    Stream.WriteBuffer(Identifier.data(), 11);
    SaveData(Stream);
}

void TGIFApplicationExtension::LoadFromStream(TStream &Stream)
{
    TGIFExtension::LoadFromStream(Stream);
    const uint8_t size = ReadByte(Stream);
    if (size < 10)
        GIFError("Unsupported Application Extension block size");
    Identifier.fill(0);
    ReadCheck(Stream, Identifier.data(), std::min<int>(size, 11));
    if (size > 11)
        Stream.Seek(size - 11, soCurrent);
    LoadData(Stream);
}

void TGIFUnknownAppExtension::LoadData(TStream &Stream)
{
    Blocks.clear();
    uint8_t size = 0;
    while (TryReadByte(Stream, size) && size != 0) {
        TGIFBlock b;
        b.Data.resize(size);
        ReadCheck(Stream, b.Data.data(), size);
        Blocks.push_back(std::move(b));
    }
}

void TGIFUnknownAppExtension::SaveData(TStream &Stream)
{
    for (const TGIFBlock &b : Blocks) {
        WriteByte(Stream, uint8_t(b.Data.size()));
        Stream.WriteBuffer(b.Data.data(), int64_t(b.Data.size()));
    }
    WriteByte(Stream, 0);
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage *SubImage) : TGIFApplicationExtension(SubImage)
{
    std::memcpy(Identifier.data(), "NETSCAPE2.0", 11);
}

void TGIFAppExtNSLoop::SaveData(TStream &Stream)
{
    const uint8_t loops[4] = {3, 1, uint8_t(Loops), uint8_t(Loops >> 8)};
    Stream.WriteBuffer(loops, 4);
    if (BufferSize != 0) {
        const uint8_t buf[6] = {
            5, 2, uint8_t(BufferSize), uint8_t(BufferSize >> 8), uint8_t(BufferSize >> 16), uint8_t(BufferSize >> 24)};
        Stream.WriteBuffer(buf, 6);
    }
    WriteByte(Stream, 0);
}

void TGIFAppExtNSLoop::LoadData(TStream &Stream)
{
    uint8_t size = 0;
    while (TryReadByte(Stream, size) && size != 0) {
        const uint8_t id = ReadByte(Stream);
        int remaining = size - 1;
        if ((id & 7) == 1) {
            if (remaining < 2)
                GIFError("Invalid GIF data");
            uint8_t v[2];
            ReadCheck(Stream, v, 2);
            Loops = uint16_t(v[0] | (v[1] << 8));
            remaining -= 2;
        } else if ((id & 7) == 2) {
            if (remaining < 4)
                GIFError("Invalid GIF data");
            uint8_t v[4];
            ReadCheck(Stream, v, 4);
            BufferSize = uint32_t(v[0] | (v[1] << 8) | (v[2] << 16) | (uint32_t(v[3]) << 24));
            remaining -= 4;
        }
        if (remaining > 0)
            Stream.Seek(remaining, soCurrent);
    }
}

// ---- the list

TGIFExtension *TGIFExtensionList::Add(std::unique_ptr<TGIFExtension> Extension)
{
    FItems.push_back(std::move(Extension));
    return FItems.back().get();
}

void TGIFExtensionList::Delete(int Index)
{
    FItems.erase(FItems.begin() + Index);
}

void TGIFExtensionList::Clear()
{
    while (!FItems.empty())
        FItems.pop_back();
}

void TGIFExtensionList::SaveToStream(TStream &Stream)
{
    for (auto &e : FItems)
        e->SaveToStream(Stream);
}

void TGIFExtensionList::LoadFromStream(TStream &Stream)
{
    uint8_t b = 0;
    if (!TryReadByte(Stream, b))
        return;
    while (b != ',' && b != ';') {
        if (b != '!') {
            FOwner->Warning(1, "Invalid extension introducer");
            break;
        }
        TGIFExtensionFactory factory = FindExtensionClass(Stream);
        if (!factory)
            GIFError("Unknown extension type");
        Stream.Seek(-1, soCurrent);
        std::unique_ptr<TGIFExtension> e = factory(FOwner);
        e->LoadFromStream(Stream);
        Add(std::move(e));
        if (!TryReadByte(Stream, b))
            return;
    }
    Stream.Seek(-1, soCurrent);
}

// ---- trailer

void TGIFTrailer::SaveToStream(TStream &Stream)
{
    WriteByte(Stream, ';');
}

void TGIFTrailer::LoadFromStream(TStream &Stream)
{
    uint8_t b = 0;
    if (TryReadByte(Stream, b) && b != ';')
        Warning(1, "Invalid Image trailer");
}
