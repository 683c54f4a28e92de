#pragma once
// GIF extension blocks: graphic control, plain text, comment and application extensions (the
// animation loop extension understood, other application data kept as it is), the registries
// that find their classes, a frame's extension list and the trailer.
#include "images/GIFTypes.h"

#include <functional>

enum TGIFDisposalMethod : uint8_t { diUnspecified = 0, diKeep = 1, diRestoreBackground = 2, diRestorePrevious = 3 };

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage *SubImage);
    virtual uint8_t ExtensionType() const = 0;
    TGIFVersion GetVersion() const override { return gv89a; }
    // "!" and the label.
    void SaveToStream(TStream &Stream) override;
    // Checks "!" and the label ("Invalid extension introducer", "Internal error: Extension
    // Instance does not match Extension Label").
    void LoadFromStream(TStream &Stream) override;
    TGIFSubImage *SubImage() const { return FSubImage; }

protected:
    uint8_t ReadLabel(TStream &Stream);
    TGIFSubImage *FSubImage;
};

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    explicit TGIFGraphicControlExtension(TGIFSubImage *SubImage);
    ~TGIFGraphicControlExtension() override;
    uint8_t ExtensionType() const override { return 0xF9; }
    void SaveToStream(TStream &Stream) override;
    void LoadFromStream(TStream &Stream) override;

    bool Transparent() const { return Flags & 1; }
    void SetTransparent(bool Value);
    bool UserInput() const { return Flags & 2; }
    void SetUserInput(bool Value) { Flags = uint8_t(Value ? Flags | 2 : Flags & ~2); }
    uint8_t Disposal() const { return (Flags >> 2) & 7; }
    void SetDisposal(uint8_t Value) { Flags = uint8_t((Flags & 0xE3) | ((Value << 2) & 0x1C)); }
    // An index outside the frame's active colour table warns "Invalid color index" and stores 0.
    void SetTransparentColorIndex(uint8_t Value);

    uint8_t BlockSize = 4;
    uint8_t Flags = 0;
    uint16_t Delay = 0;
    uint8_t TransparentColorIndex = 0;
    uint8_t Terminator = 0;
};

class TGIFTextExtension : public TGIFExtension {
public:
    explicit TGIFTextExtension(TGIFSubImage *SubImage) : TGIFExtension(SubImage) {}
    uint8_t ExtensionType() const override { return 0x01; }
    void SaveToStream(TStream &Stream) override;
    void LoadFromStream(TStream &Stream) override;
    std::vector<AnsiString> Text;
    uint8_t Header[13] = {12}; // block size, then left, top, grid width and height, cells, colours
};

class TGIFCommentExtension : public TGIFExtension {
public:
    explicit TGIFCommentExtension(TGIFSubImage *SubImage) : TGIFExtension(SubImage) {}
    uint8_t ExtensionType() const override { return 0xFE; }
    void SaveToStream(TStream &Stream) override;
    void LoadFromStream(TStream &Stream) override;
    std::vector<AnsiString> Text;
};

using TGIFIdentifier = std::array<uint8_t, 11>;

class TGIFApplicationExtension : public TGIFExtension {
public:
    explicit TGIFApplicationExtension(TGIFSubImage *SubImage) : TGIFExtension(SubImage) {}
    uint8_t ExtensionType() const override { return 0xFF; }
    void SaveToStream(TStream &Stream) override;
    // "Unsupported Application Extension block size" below 10.
    void LoadFromStream(TStream &Stream) override;
    virtual void SaveData(TStream &Stream) = 0;
    virtual void LoadData(TStream &Stream) = 0;
    TGIFIdentifier Identifier{};
};

struct TGIFBlock {
    std::vector<uint8_t> Data; // 1 to 255 bytes
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    explicit TGIFUnknownAppExtension(TGIFSubImage *SubImage) : TGIFApplicationExtension(SubImage) {}
    void SaveData(TStream &Stream) override;
    void LoadData(TStream &Stream) override;
    std::vector<TGIFBlock> Blocks;
};

class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage *SubImage);
    void SaveData(TStream &Stream) override;
    // "Invalid GIF data" for a sub-block too short for its value.
    void LoadData(TStream &Stream) override;
    uint16_t Loops = 0; // 0: for ever
    uint32_t BufferSize = 0;
};

using TGIFExtensionFactory = std::function<std::unique_ptr<TGIFExtension>(TGIFSubImage *)>;

// Registries: by label, and application extensions by their 11-byte identifier. A later
// registration wins.
void RegisterExtensionClass(uint8_t Label, TGIFExtensionFactory Factory);
void RegisterAppExtensionClass(const TGIFIdentifier &Identifier, TGIFExtensionFactory Factory);
// With the stream just after "!": the factory for the block that follows (the position is kept);
// none for an unregistered label.
TGIFExtensionFactory FindExtensionClass(TStream &Stream);

class TGIFExtensionList {
public:
    explicit TGIFExtensionList(TGIFSubImage &Owner) : FOwner(&Owner) {}
    // Reads the extension blocks before a frame's image descriptor.
    void LoadFromStream(TStream &Stream);
    void SaveToStream(TStream &Stream);
    int Count() const { return int(FItems.size()); }
    TGIFExtension &operator[](int Index) const { return *FItems[size_t(Index)]; }
    TGIFExtension *Add(std::unique_ptr<TGIFExtension> Extension);
    void Delete(int Index);
    void Clear();

private:
    TGIFSubImage *FOwner;
    std::vector<std::unique_ptr<TGIFExtension>> FItems;
};

class TGIFTrailer : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    void SaveToStream(TStream &Stream) override;
    // A byte other than ";" warns "Invalid Image trailer".
    void LoadFromStream(TStream &Stream) override;
};
