#pragma once
// Pictures read through Qt's image readers (icons, JPEG) and metafiles, whose size comes from
// their header and whose drawing is played within a bound of time and memory.
#include "images/Graphic.h"
#include "images/MetafilePlay.h"

#include <QImage>

// A picture held as a QImage, read by Qt's reader for one format.
class TQtImageGraphic : public TGraphic {
public:
    explicit TQtImageGraphic(const char *Format) : FFormat(Format) {}
    bool GetEmpty() const override { return FImage.isNull(); }
    int GetWidth() const override { return FImage.width(); }
    int GetHeight() const override { return FImage.height(); }
    void Draw(QPainter &Painter, const QRect &Rect) override;
    void LoadFromStream(TStream &Stream) override;
    void SaveToStream(TStream &Stream) override;
    QImage ToImage() const override { return FImage.convertToFormat(QImage::Format_ARGB32); }
    const QImage &Image() const { return FImage; }

protected:
    const char *FFormat;
    QImage FImage;
};

class TIcon : public TQtImageGraphic {
public:
    TIcon() : TQtImageGraphic("ico") {}
    const char *ClassName() const override { return "TIcon"; }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TIcon>(*this); }
};

class TJPEGImage : public TQtImageGraphic {
public:
    TJPEGImage() : TQtImageGraphic("jpeg") {}
    const char *ClassName() const override { return "TJPEGImage"; }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }
};

// Windows and enhanced metafiles. The size is read from the header (a placeable metafile's
// bounding box at its units per inch, an enhanced metafile's frame in 1/100 mm, both at 96 pixels
// per inch). Drawing plays the file at the size drawn at (PlayMetafile: WMF through libwmf, EMF
// through libemf2svg and Qt's SVG module); a file that cannot be shown (refused by the record
// check or the player, over its time or memory) draws as a framed placeholder naming its kind.
class TMetafile : public TGraphic {
public:
    const char *ClassName() const override { return "TMetafile"; }
    bool GetEmpty() const override { return FWidth == 0 && FHeight == 0 && FData->empty(); }
    int GetWidth() const override { return FWidth; }
    int GetHeight() const override { return FHeight; }
    bool Enhanced() const { return FEnhanced; }
    // How the last play went; Drawn before any play.
    TMetafilePlayOutcome LastPlay() const { return FLastPlay; }
    void Draw(QPainter &Painter, const QRect &Rect) override;
    // The file's bytes as loaded; a play in the background shares them while it waits.
    const std::shared_ptr<const std::vector<uint8_t>> &Data() const { return FData; }
    // Whether a Draw at Size shows what is known already (the picture played at that size, or the
    // placeholder of one that cannot be shown) without playing the file.
    bool Played(QSize Size) const;
    // Keeps what a play at Size answered (PlayMetafile's image and outcome), as Draw keeps its own.
    void TakePlay(QSize Size, QImage Image, TMetafilePlayOutcome Outcome);
    // EInvalidGraphic "Metafile is not valid" for anything but a placeable WMF or an EMF.
    void LoadFromStream(TStream &Stream) override;
    void SaveToStream(TStream &Stream) override;
    QImage ToImage() const override;
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TMetafile>(*this); }

private:
    int FWidth = 0;
    int FHeight = 0;
    bool FEnhanced = false;
    std::shared_ptr<const std::vector<uint8_t>> FData = std::make_shared<const std::vector<uint8_t>>();
    // The last drawing played into pixels, kept while the size drawn at stays the same.
    QImage FRendered;
    QSize FRenderedFor;
    // A play that failed is not tried again at the same size, and a refused file not at all:
    // every paint of the preview would wait on it again.
    QSize FFailedAt;
    bool FRefused = false;
    TMetafilePlayOutcome FLastPlay = TMetafilePlayOutcome::Drawn;
};
