#include "images/ThumbImage.h"

#include "images/Pcx.h"
#include "images/QtPictures.h"
#include "platform/GuardedApplication.h"
#include "images/Targa.h"
#include "images/ThumbMisc.h"
#include "images/ThumbView.h"
#include "platform/SysUtils.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

tThumbimage::tThumbimage(QWidget *Parent) : QWidget(Parent)
{
    FPicture.OnChange = [this] {
        FPlay.reset();
        FShrinkWhenPlayed = false;
        update();
    };
}

void tThumbimage::LoadImage(const AnsiString &FileName)
{
    const AnsiString ext = UpperCase(ExtractFileExt(FileName));
    if (ext == ".PCX") {
        TBitmap &b = FPicture.NewBitmap();
        PcxToBitmap(FileName, b);
    } else if (ext == ".TGA") {
        TBitmap &b = FPicture.NewBitmap();
        TargaToBitmap(FileName, b);
    } else {
        FPicture.LoadFromFile(FileName);
    }
    FAngle = AT0;
    update();
}

bool tThumbimage::CanModify() const
{
    const TGraphic *g = FPicture.Graphic();
    return g && !g->GetEmpty() && !dynamic_cast<const TMetafile *>(g) && !dynamic_cast<const TIcon *>(g);
}

void tThumbimage::ShrinkToFit(int MaxWidth, int MaxHeight)
{
    TGraphic *g = FPicture.Graphic();
    if (!g || g->GetEmpty())
        return;
    const QPoint f = ScaleToFit(QPoint(g->GetWidth(), g->GetHeight()), QPoint(MaxWidth, MaxHeight));
    if (g->GetWidth() < f.x() && g->GetHeight() < f.y())
        return;
    ReplaceByDrawing(QSize(f.x(), f.y()));
}

void tThumbimage::ReplaceByDrawing(QSize Size)
{
    QImage target(std::max(Size.width(), 0), std::max(Size.height(), 0), QImage::Format_RGB32);
    target.fill(Qt::white);
    if (!target.isNull()) {
        QPainter p(&target);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        FPicture.Graphic()->Draw(p, target.rect());
    }
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->FromImage(target);
    bitmap->SetPixelFormat(pf24bit);
    FPicture.SetGraphic(std::move(bitmap));
    FModified = true;
    update();
}

void tThumbimage::ShrinkWhenPlayed()
{
    const auto *metafile = dynamic_cast<const TMetafile *>(FPicture.Graphic());
    if (!metafile)
        return;
    FShrinkWhenPlayed = true;
    const QSize shown = PictureRect().size();
    if (!shown.isEmpty() && metafile->Played(shown))
        ReplaceByDrawing(shown);
}

void tThumbimage::PlayLater(const TMetafile &Metafile, QSize Size)
{
    if (FPlay && FPlay->Size() == Size) {
        FPlay->Hurry();
        return;
    }
    FPlay.reset();
    FPlay = std::make_unique<TMetafilePlayLater>(
        Metafile.Data(), Metafile.Enhanced(), Size,
        [this, Size](QImage Image, TMetafilePlayOutcome Outcome) { Played(Size, std::move(Image), Outcome); });
}

// A play asked for by a paint is over (a new picture would have dropped it: the metafile is the
// one it played).
void tThumbimage::Played(QSize Size, QImage Image, TMetafilePlayOutcome Outcome)
{
    RunGuarded([&] {
        FPlay.reset();
        auto *metafile = dynamic_cast<TMetafile *>(FPicture.Graphic());
        if (!metafile)
            return;
        metafile->TakePlay(Size, std::move(Image), Outcome);
        if (FShrinkWhenPlayed && Size == PictureRect().size())
            ReplaceByDrawing(Size);
        update();
    });
}

void tThumbimage::SetAngle(Tangle Value)
{
    const TGraphic *g = FPicture.Graphic();
    if (!g || !CanModify() || Value == FAngle)
        return;
    const int turn = (int(Value) - int(FAngle) + 4) % 4;
    bool done = true;
    if (turn == 1)
        done = RotateClockwise();
    else if (turn == 2)
        done = Rotate180();
    else if (turn == 3)
        done = RotateCounterClockwise();
    if (!done)
        return;
    FAngle = Value;
    FModified = Value != AT0;
}

bool tThumbimage::RotateClockwise()
{
    const bool done = Turn(1);
    if (done && OnTurned)
        OnTurned();
    return done;
}

bool tThumbimage::RotateCounterClockwise()
{
    const bool done = Turn(3);
    if (done && OnTurned)
        OnTurned();
    return done;
}

bool tThumbimage::Rotate180()
{
    return Turn(2);
}

// Kind 1 clockwise, 2 half turn, 3 counter-clockwise.
bool tThumbimage::Turn(int Kind)
{
    const TGraphic *g = FPicture.Graphic();
    if (!g || !CanModify())
        return true;
    const bool hourglass = !OnRotate;
    if (hourglass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TRestore {
        bool On;
        ~TRestore()
        {
            if (On)
                QApplication::restoreOverrideCursor();
        }
    } restore{hourglass};

    TBitmap source;
    source.AssignGraphic(*g);
    const int w = source.GetWidth(), h = source.GetHeight();
    TBitmap target(source);
    if (Kind == 2)
        target.SetSize(w, h);
    else {
        target.Clear();
        target.SetSize(h, w);
    }
    const double area = double(w) * double(h);
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y) {
            if (OnRotate) {
                bool cancel = false;
                OnRotate(*this, uint8_t(std::trunc(double(x) * y / area * 100)), cancel);
                if (cancel)
                    return false;
            }
            const uint32_t v = source.GetPixelValue(x, y);
            if (Kind == 3)
                target.SetPixelValue(y, w - 1 - x, v);
            else if (Kind == 1)
                target.SetPixelValue(h - 1 - y, x, v);
            else
                target.SetPixelValue(w - 1 - x, h - 1 - y, v);
        }
    target.OnChange = nullptr;
    target.OnProgress = nullptr;
    target.OnWarning = nullptr;
    FPicture.SetGraphic(std::make_unique<TBitmap>(std::move(target)));
    update();
    return true;
}

void tThumbimage::SetStretch(bool Value)
{
    if (Value != FStretch) {
        FStretch = Value;
        update();
    }
}

void tThumbimage::SetCenter(bool Value)
{
    if (Value != FCenter) {
        FCenter = Value;
        update();
    }
}

QRect tThumbimage::PictureRect() const
{
    const TGraphic *g = FPicture.Graphic();
    if (!g)
        return QRect();
    QRect r(0, 0, g->GetWidth(), g->GetHeight());
    if (FStretch)
        r = rect();
    else if (FCenter)
        r.moveTo((width() - r.width()) / 2, (height() - r.height()) / 2);
    return r;
}

void tThumbimage::paintEvent(QPaintEvent *)
{
    RunGuarded([&] {
        TGraphic *g = FPicture.Graphic();
        if (!g || g->GetEmpty())
            return;
        QPainter p(this);
        const QRect r = PictureRect();
        auto *metafile = FPlayInBackground ? dynamic_cast<TMetafile *>(g) : nullptr;
        if (metafile && !metafile->Played(r.size())) {
            PlayLater(*metafile, r.size());
            // The picture's place until its play is over.
            p.fillRect(r, QColor(255, 255, 255));
            p.setPen(QColor(192, 192, 192));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            return;
        }
        g->Draw(p, r);
    });
}

void tThumbimage::hideEvent(QHideEvent *Event)
{
    RunGuarded([&] {
        if (TGraphic *g = FPicture.Graphic())
            g->StopAnimation();
        // Hidden by the program (a folder given up, say), not by the window's being minimised.
        if (!Event->spontaneous())
            FPlay.reset();
        QWidget::hideEvent(Event);
    });
}

bool tThumbimage::InThumbnail() const
{
    return dynamic_cast<const Tthumbnail *>(parentWidget()) != nullptr;
}

// Inside a thumbnail the events are left unhandled, so Qt hands them on to the thumbnail in its
// coordinates; a picture on its own takes the press when someone listens for its clicks.
void tThumbimage::mousePressEvent(QMouseEvent *Event)
{
    FClickArmed = false;
    if (InThumbnail() || (!OnClick && !OnDblClick)) {
        Event->ignore();
        return;
    }
    FClickArmed = Event->button() == Qt::LeftButton;
    Event->accept();
}

void tThumbimage::mouseReleaseEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        const bool click = FClickArmed && Event->button() == Qt::LeftButton && !InThumbnail() &&
                           rect().contains(Event->position().toPoint());
        FClickArmed = false;
        if (!click) {
            Event->ignore();
            return;
        }
        Event->accept();
        if (OnClick)
            OnClick(*this);
    });
}

void tThumbimage::mouseDoubleClickEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        // The release after a double click is no click.
        FClickArmed = false;
        if (InThumbnail() || Event->button() != Qt::LeftButton || (!OnClick && !OnDblClick)) {
            Event->ignore();
            return;
        }
        Event->accept();
        if (OnDblClick)
            OnDblClick(*this);
    });
}

TThumbTitle::TThumbTitle(QWidget *Parent) : QLabel(Parent)
{
    setTextFormat(Qt::PlainText); // a file name, shown as it stands
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
}
