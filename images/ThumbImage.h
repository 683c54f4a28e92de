#pragma once
// tThumbimage: an image control that loads any picture file the program reads (Targa and PCX
// through their readers, everything else through TPicture's registry), shows it stretched,
// centred or at the top left, and can turn it by quarter turns and shrink it into a box. In a
// thumbnail it plays a metafile without holding the window (SetPlayInBackground).
// TThumbTitle is the title strip of a thumbnail.
#include "images/Bitmap.h"
#include "images/MetafilePlayLater.h"

#include <QLabel>
#include <QWidget>
#include <functional>
#include <memory>

class TMetafile;

enum Tangle { AT0, AT90, AT180, AT270 };

// A click or double click, with the control it happened on.
using TThumbNotify = std::function<void(QWidget &Sender)>;

class tThumbimage : public QWidget {
public:
    explicit tThumbimage(QWidget *Parent = nullptr);

    TPicture &Picture() { return FPicture; }
    const TPicture &Picture() const { return FPicture; }

    // Loads the file; the last extension decides: ".PCX" and ".TGA" (any case) go to their
    // readers, others to TPicture. Angle becomes AT0 without turning; Modified stays.
    void LoadImage(const AnsiString &FileName);
    // Shrinks the picture to fit MaxWidth x MaxHeight as a 24-bit bitmap, unless it is smaller
    // than the box both ways. Sets Modified.
    void ShrinkToFit(int MaxWidth, int MaxHeight);

    Tangle Angle() const { return FAngle; }
    // Turns the picture by the clockwise difference. Nothing for an empty picture, a metafile
    // or an icon. A turn cancelled by OnRotate leaves the picture, Angle and Modified as they were.
    void SetAngle(Tangle Value);
    bool Modified() const { return FModified; }
    bool CanModify() const;

    // Progress of a turn (0..99) and a flag the handler sets to cancel it.
    std::function<void(tThumbimage &Sender, uint8_t Progress, bool &Cancel)> OnRotate;
    // Called after each quarter turn (a thumbnail re-arranges its image then).
    std::function<void()> OnTurned;
    // A left click (press and release on the picture) and a double click. Inside a thumbnail of the
    // folder view the mouse belongs to the thumbnail, whose own handlers run instead.
    TThumbNotify OnClick;
    TThumbNotify OnDblClick;

    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);

    // The turns themselves; each answers false when it was cancelled.
    bool RotateClockwise();
    bool RotateCounterClockwise();
    bool Rotate180();

    // On (a thumbnail's picture): a metafile is never played while the window waits. A paint that
    // finds it not yet played at the size shown asks for a play in the background
    // (TMetafilePlayLater) and shows an empty frame in its place; the picture is shown once the
    // play is over. A new picture, a hidden control or another size drops a play not yet over.
    void SetPlayInBackground(bool Value) { FPlayInBackground = Value; }
    bool PlayInBackground() const { return FPlayInBackground; }
    // Whether a play in the background is asked for and not yet over.
    bool PlayPending() const { return FPlay != nullptr; }
    // Shrinking a metafile played in the background: once played at the size shown (at once when
    // it is already), it is replaced by a 24-bit bitmap of those pixels, which lets the file's
    // records go, as ShrinkToFit does for the pictures it shrinks. Sets Modified then.
    void ShrinkWhenPlayed();

protected:
    void paintEvent(QPaintEvent *Event) override;
    void hideEvent(QHideEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;

private:
    bool Turn(int Kind);
    bool InThumbnail() const;
    // Where the picture is drawn in the control.
    QRect PictureRect() const;
    // The picture drawn into a 24-bit bitmap of Size replaces it.
    void ReplaceByDrawing(QSize Size);
    void PlayLater(const TMetafile &Metafile, QSize Size);
    void Played(QSize Size, QImage Image, TMetafilePlayOutcome Outcome);
    bool FPlayInBackground = false;
    bool FShrinkWhenPlayed = false;
    std::unique_ptr<TMetafilePlayLater> FPlay;
    bool FClickArmed = false;
    TPicture FPicture;
    Tangle FAngle = AT0;
    bool FModified = false;
    bool FStretch = false;
    bool FCenter = false;
};

class TThumbTitle : public QLabel {
public:
    explicit TThumbTitle(QWidget *Parent = nullptr);
};
