#include "print/ZvCopyMode.h"
#include <QImage>
#include <QPaintEngine>
#include <QPainter>

bool IsNamedCopyMode(uint32_t CopyMode)
{
    using namespace ZvRop;
    switch (CopyMode) {
    case Blackness:
    case NotSrcErase:
    case NotSrcCopy:
    case SrcErase:
    case DstInvert:
    case PatInvert:
    case SrcInvert:
    case SrcAnd:
    case MergePaint:
    case MergeCopy:
    case SrcCopy:
    case SrcPaint:
    case PatCopy:
    case PatPaint:
    case Whiteness: return true;
    default: return false;
    }
}

namespace {

// The picture at the target's size, opaque on white: raster operations work on whole pixels.
QImage SourceImage(const QSize &Size, const std::function<void(QPainter &, const QRect &)> &Draw)
{
    QImage source(Size, QImage::Format_RGB32);
    source.fill(Qt::white);
    QPainter p(&source);
    Draw(p, QRect(QPoint(0, 0), Size));
    return source;
}

// Combines source, destination and pattern on a raster surface.
void Combine(QPainter &P, const QRect &T, uint32_t Mode, const QColor &Pattern, const QImage &Source)
{
    using namespace ZvRop;
    auto draw = [&](QPainter::CompositionMode m) {
        P.setCompositionMode(m);
        P.drawImage(T, Source);
    };
    auto fill = [&](QPainter::CompositionMode m, const QColor &c) {
        P.setCompositionMode(m);
        P.fillRect(T, c);
    };
    switch (Mode) {
    case Blackness: fill(QPainter::CompositionMode_Source, Qt::black); break;
    case Whiteness: fill(QPainter::CompositionMode_Source, Qt::white); break;
    case PatCopy: fill(QPainter::CompositionMode_Source, Pattern); break;
    case DstInvert: fill(QPainter::RasterOp_NotDestination, Qt::black); break;
    case PatInvert: fill(QPainter::RasterOp_SourceXorDestination, Pattern); break;
    case NotSrcCopy: draw(QPainter::RasterOp_NotSource); break;
    case SrcPaint: draw(QPainter::RasterOp_SourceOrDestination); break;
    case SrcAnd: draw(QPainter::RasterOp_SourceAndDestination); break;
    case SrcInvert: draw(QPainter::RasterOp_SourceXorDestination); break;
    case SrcErase: draw(QPainter::RasterOp_SourceAndNotDestination); break;
    case NotSrcErase: draw(QPainter::RasterOp_NotSourceAndNotDestination); break;
    case MergePaint: draw(QPainter::RasterOp_NotSourceOrDestination); break;
    case MergeCopy: { // pattern AND source, copied
        QImage masked = Source;
        QPainter m(&masked);
        m.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        m.fillRect(masked.rect(), Pattern);
        m.end();
        P.setCompositionMode(QPainter::CompositionMode_Source);
        P.drawImage(T, masked);
        break;
    }
    case PatPaint: // pattern OR NOT source OR destination
        draw(QPainter::RasterOp_NotSourceOrDestination);
        fill(QPainter::RasterOp_SourceOrDestination, Pattern);
        break;
    default: draw(QPainter::CompositionMode_SourceOver); break;
    }
}

} // namespace

void ZvDrawWithCopyMode(QPainter &Painter, const QRect &Target, uint32_t CopyMode, const QColor &Pattern,
                        const std::function<void(QPainter &, const QRect &)> &Draw)
{
    const uint32_t mode = IsNamedCopyMode(CopyMode) ? CopyMode : ZvRop::SrcCopy;
    if (mode == ZvRop::SrcCopy) {
        Draw(Painter, Target);
        return;
    }
    if (Target.width() <= 0 || Target.height() <= 0)
        return;
    const bool noSource = mode == ZvRop::Blackness || mode == ZvRop::Whiteness || mode == ZvRop::PatCopy ||
                          mode == ZvRop::DstInvert || mode == ZvRop::PatInvert;
    const QImage source = noSource ? QImage() : SourceImage(Target.size(), Draw);
    Painter.save();
    const QPaintEngine *engine = Painter.paintEngine();
    if (engine && engine->type() == QPaintEngine::Raster) {
        Combine(Painter, Target, mode, Pattern, source);
    } else {
        // No destination to read back: the operation meets white paper, and its result is drawn.
        QImage paper(Target.size(), QImage::Format_RGB32);
        paper.fill(Qt::white);
        QPainter p(&paper);
        Combine(p, paper.rect(), mode, Pattern, source);
        p.end();
        Painter.drawImage(Target, paper);
    }
    Painter.restore();
}
