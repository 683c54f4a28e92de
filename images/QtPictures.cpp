#include "images/QtPictures.h"
#include "images/LittleEndian.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <cmath>

void TQtImageGraphic::Draw(QPainter &Painter, const QRect &Rect)
{
    if (!FImage.isNull())
        Painter.drawImage(Rect, FImage);
}

void TQtImageGraphic::LoadFromStream(TStream &Stream)
{
    QByteArray data = ReadRestOfStream(Stream);
    QBuffer buffer(&data);
    QImageReader reader(&buffer, FFormat);
    const QSize size = reader.size();
    if (size.isValid())
        CheckImageSize(size.width(), size.height());
    QImage img;
    if (!reader.read(&img))
        throw EInvalidGraphic(AnsiString(ClassName() + 1) + " image is not valid");
    CheckImageSize(img.width(), img.height());
    FImage = img;
    Changed();
}

void TQtImageGraphic::SaveToStream(TStream &Stream)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, FFormat);
    if (!writer.write(FImage))
        throw EInvalidGraphicOperation("Picture could not be written");
    Stream.WriteBuffer(data.constData(), data.size());
}

// ---- metafiles


void TMetafile::LoadFromStream(TStream &Stream)
{
    const QByteArray data = ReadRestOfStream(Stream);
    const auto *p = reinterpret_cast<const uint8_t *>(data.constData());
    int w = 0, h = 0;
    bool enhanced = false;
    if (data.size() >= 22 && LeU32(p) == 0x9AC6CDD7u) {
        const int left = int16_t(LeU16(p + 6)), top = int16_t(LeU16(p + 8));
        const int right = int16_t(LeU16(p + 10)), bottom = int16_t(LeU16(p + 12));
        const int inch = LeU16(p + 14);
        if (inch == 0)
            throw EInvalidGraphic("Metafile is not valid");
        w = int(std::lround(double(std::abs(right - left)) * 96 / inch));
        h = int(std::lround(double(std::abs(bottom - top)) * 96 / inch));
    } else if (data.size() >= 88 && LeU32(p) == 1 && LeU32(p + 40) == 0x464D4520u) {
        enhanced = true;
        const auto frame = [&](int off) { return int32_t(LeU32(p + off)); };
        const int64_t fw = int64_t(frame(32)) - frame(24), fh = int64_t(frame(36)) - frame(28);
        w = int(std::llround(double(std::llabs(fw)) * 96 / 2540));
        h = int(std::llround(double(std::llabs(fh)) * 96 / 2540));
    } else {
        throw EInvalidGraphic("Metafile is not valid");
    }
    CheckImageSize(w, h);
    FWidth = w;
    FHeight = h;
    FEnhanced = enhanced;
    FData = std::make_shared<const std::vector<uint8_t>>(p, p + data.size());
    FRendered = QImage();
    FRenderedFor = QSize();
    FFailedAt = QSize();
    FRefused = false;
    FLastPlay = TMetafilePlayOutcome::Drawn;
    Changed();
}

void TMetafile::SaveToStream(TStream &Stream)
{
    Stream.WriteBuffer(FData->data(), int64_t(FData->size()));
}

bool TMetafile::Played(QSize Size) const
{
    return Size.width() <= 0 || Size.height() <= 0 || FRefused || FRenderedFor == Size || FFailedAt == Size;
}

void TMetafile::TakePlay(QSize Size, QImage Image, TMetafilePlayOutcome Outcome)
{
    FLastPlay = Outcome;
    FRendered = std::move(Image);
    FRenderedFor = FRendered.isNull() ? QSize() : Size;
    if (FRendered.isNull()) {
        FFailedAt = Size;
        FRefused = Outcome == TMetafilePlayOutcome::Refused;
    }
}

void TMetafile::Draw(QPainter &Painter, const QRect &Rect)
{
    if (!Played(Rect.size())) {
        TMetafilePlayOutcome outcome = TMetafilePlayOutcome::Failed;
        QImage image = PlayMetafile(*FData, FEnhanced, Rect.size(), &outcome);
        TakePlay(Rect.size(), std::move(image), outcome);
    }
    if (Rect.width() > 0 && Rect.height() > 0 && !FRendered.isNull() && FRenderedFor == Rect.size()) {
        Painter.drawImage(Rect, FRendered);
        return;
    }
    // A metafile that cannot be shown.
    Painter.save();
    Painter.fillRect(Rect, QColor(255, 255, 255));
    Painter.setPen(QPen(QColor(128, 128, 128), 1, Qt::DashLine));
    Painter.drawRect(Rect.adjusted(0, 0, -1, -1));
    Painter.drawLine(Rect.topLeft(), Rect.bottomRight());
    Painter.drawLine(Rect.topRight(), Rect.bottomLeft());
    Painter.setPen(QColor(64, 64, 64));
    Painter.drawText(Rect, Qt::AlignCenter, FEnhanced ? QStringLiteral("EMF") : QStringLiteral("WMF"));
    Painter.restore();
}

QImage TMetafile::ToImage() const
{
    if (FWidth <= 0 || FHeight <= 0)
        return QImage();
    QImage img(FWidth, FHeight, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    const_cast<TMetafile *>(this)->Draw(p, img.rect());
    return img;
}
