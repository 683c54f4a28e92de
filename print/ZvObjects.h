#pragma once
// The drawing objects pages are made of: texts, text boxes, pictures, lines and shapes, with
// bounds in 1/100 mm. Each draws itself on a screen surface at a resolution in pixels per inch,
// prints itself through the printer canvas in inches, and reads and writes itself in the
// object stream.
#include "images/Graphic.h"
#include "print/ZvTypes.h"
#include <QImage>
#include <QRectF>
#include <memory>
#include <optional>

class QPainter;
class QRegion;
class TStream;
class TZvPrinter;

// Object kinds.
enum : int32_t {
    zvkText = 1,
    zvkLine = 2,
    zvkEllipse = 3,
    zvkRectangle = 4,
    zvkRoundRect = 5,
    zvkTextBox = 6,
    zvkGraphic = 9,
    zvkArc = 10,
    zvkChord = 11,
    zvkPie = 12
};

class TZvBaseObject {
public:
    virtual ~TZvBaseObject() = default;
    TZvBaseObject(const TZvBaseObject &) = delete;
    TZvBaseObject &operator=(const TZvBaseObject &) = delete;

    int32_t Kind = 0;
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    int32_t PageNumber = 0;
    bool Visible = true;
    bool Clip = false;
    int32_t ClipRect[4] = {0, 0, 0, 0}; // left, top, right, bottom
    TZvBrushRecord Brush;
    TZvFontRecord Font;
    TZvPenRecord Pen;
    TZvNotify OnChange;

    // A new object of this object's own class.
    virtual std::unique_ptr<TZvBaseObject> Create() const = 0;
    // Copies everything but the page number and the change handler.
    virtual void Assign(const TZvBaseObject &Source);
    // Region: the page's clip in pixels, or null. Objects draw whether visible or not.
    virtual void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region) = 0;
    void OffsetBy(Extended dxInches, Extended dyInches);
    // PageClip: the page's clip in inches, or none. Invisible objects print nothing.
    virtual void Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) = 0;

    virtual void SaveToStream(TStream &Stream) const;
    virtual void LoadFromStream(TStream &Stream, Extended Version);

    void Changed()
    {
        if (OnChange)
            OnChange();
    }

protected:
    explicit TZvBaseObject(int32_t AKind) : Kind(AKind) {}
    // Sets the canvas clip to the object's clip within the page region (or the page region).
    void ClipStep(QPainter &Canvas, int32_t Resolution, const QRegion *Region) const;
    void PrintClipStep(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) const;
    QRect PixelBounds(int32_t Resolution) const;
    QRectF InchBounds() const;
};

std::unique_ptr<TZvBaseObject> CloneObject(const TZvBaseObject &Source);
// A new, empty object of a kind; null for an unknown kind.
std::unique_ptr<TZvBaseObject> CreateObjectOfKind(int32_t Kind);

class TZvTextObject : public TZvBaseObject {
public:
    TZvTextObject() : TZvBaseObject(zvkText) {}
    uint8_t Alignment = 0; // 0 starts at x, 1 ends at x, 2 centred on x
    WideString Text;
    void SetAngle(Extended Degrees);

    std::unique_ptr<TZvBaseObject> Create() const override { return std::make_unique<TZvTextObject>(); }
    void Assign(const TZvBaseObject &Source) override;
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region) override;
    void Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) override;
    void SaveToStream(TStream &Stream) const override;
    void LoadFromStream(TStream &Stream, Extended Version) override;

protected:
    explicit TZvTextObject(int32_t AKind) : TZvBaseObject(AKind) {}
};

class TZvTextBoxObject : public TZvTextObject {
public:
    TZvTextBoxObject() : TZvTextObject(zvkTextBox) {}
    int32_t BoxAlignment = 0; // 0 left, 1 right, 2 centre
    int32_t VertLayout = 0; // 0 top, 1 centre, 2 bottom
    bool WordWrap = true;

    std::unique_ptr<TZvBaseObject> Create() const override { return std::make_unique<TZvTextBoxObject>(); }
    void Assign(const TZvBaseObject &Source) override;
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region) override;
    void Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) override;
    void SaveToStream(TStream &Stream) const override;
    void LoadFromStream(TStream &Stream, Extended Version) override;
};

// Picture type codes of the stream; 4 is a picture of another registered format, stored with
// its file extension.
enum : int32_t { zvpMetafile = 0, zvpBitmap = 1, zvpJpeg = 2, zvpIcon = 3, zvpRegistered = 4 };

class TZvGraphicObject : public TZvBaseObject {
public:
    TZvGraphicObject() : TZvBaseObject(zvkGraphic) {}
    ~TZvGraphicObject() override;
    uint32_t CopyMode = 0x00CC0020u;
    bool MetafileAsBitmap = false;
    bool SecondFlag = false;

    // The picture (owned); null for none.
    TGraphic *Picture() const { return FPicture.get(); }
    void SetPicture(std::unique_ptr<TGraphic> Picture);
    // A bitmap picture made from the image.
    void SetBitmap(const QImage &Image);
    // The stream's type code of the picture.
    int32_t PictureType() const;

    std::unique_ptr<TZvBaseObject> Create() const override { return std::make_unique<TZvGraphicObject>(); }
    void Assign(const TZvBaseObject &Source) override;
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region) override;
    void Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) override;
    void SaveToStream(TStream &Stream) const override;
    void LoadFromStream(TStream &Stream, Extended Version) override;

private:
    std::unique_ptr<TGraphic> FPicture;
};

class TZvLineObject : public TZvBaseObject {
public:
    TZvLineObject() : TZvBaseObject(zvkLine) {}
    int32_t LineValue = 0;

    std::unique_ptr<TZvBaseObject> Create() const override { return std::make_unique<TZvLineObject>(); }
    void Assign(const TZvBaseObject &Source) override;
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region) override;
    void Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) override;
    void SaveToStream(TStream &Stream) const override;
    void LoadFromStream(TStream &Stream, Extended Version) override;
};

class TZvSimpleShape : public TZvBaseObject {
public:
    void SaveToStream(TStream &Stream) const override;
    void LoadFromStream(TStream &Stream, Extended Version) override;

protected:
    using TZvBaseObject::TZvBaseObject;
};

class TZvEllipseShape : public TZvSimpleShape {
public:
    TZvEllipseShape() : TZvSimpleShape(zvkEllipse) {}
    std::unique_ptr<TZvBaseObject> Create() const override { return std::make_unique<TZvEllipseShape>(); }
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region) override;
    void Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) override;
};

class TZvRectangleShape : public TZvSimpleShape {
public:
    TZvRectangleShape() : TZvSimpleShape(zvkRectangle) {}
    uint8_t Style = 0; // 0 outlined and filled, 1 filled only, 2 three-dimensional frame
    std::unique_ptr<TZvBaseObject> Create() const override { return std::make_unique<TZvRectangleShape>(); }
    void Assign(const TZvBaseObject &Source) override;
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region) override;
    void Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) override;
};

class TZvRoundRectShape : public TZvSimpleShape {
public:
    TZvRoundRectShape() : TZvSimpleShape(zvkRoundRect) {}
    int32_t CornerWidth = 0, CornerHeight = 0;
    std::unique_ptr<TZvBaseObject> Create() const override { return std::make_unique<TZvRoundRectShape>(); }
    void Assign(const TZvBaseObject &Source) override;
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region) override;
    void Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) override;
    void SaveToStream(TStream &Stream) const override;
    void LoadFromStream(TStream &Stream, Extended Version) override;
};

// Arc (kind 10), chord (11) and pie (12).
class TZvComplexShape : public TZvSimpleShape {
public:
    explicit TZvComplexShape(int32_t AKind) : TZvSimpleShape(AKind) {}
    int32_t StartX = 0, StartY = 0, EndX = 0, EndY = 0;
    std::unique_ptr<TZvBaseObject> Create() const override { return std::make_unique<TZvComplexShape>(Kind); }
    void Assign(const TZvBaseObject &Source) override;
    void Draw(QPainter &Canvas, int32_t Resolution, const QRegion *Region) override;
    void Print(TZvPrinter &Printer, const std::optional<QRectF> &PageClip) override;
    void SaveToStream(TStream &Stream) const override;
    void LoadFromStream(TStream &Stream, Extended Version) override;
};

class TZvArcShape : public TZvComplexShape {
public:
    TZvArcShape() : TZvComplexShape(zvkArc) {}
};
class TZvChordShape : public TZvComplexShape {
public:
    TZvChordShape() : TZvComplexShape(zvkChord) {}
};
class TZvPieShape : public TZvComplexShape {
public:
    TZvPieShape() : TZvComplexShape(zvkPie) {}
};
