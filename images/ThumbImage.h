#pragma once
// tThumbimage: an image control that loads any picture file the program reads (Targa and PCX
// through their readers, everything else through TPicture's registry), shows it stretched,
// centred or at the top left, and can turn it by quarter turns and shrink it into a box.
// TThumbTitle is the title strip of a thumbnail.
#include "images/Bitmap.h"

#include <QLabel>
#include <QWidget>
#include <functional>

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

protected:
    void paintEvent(QPaintEvent *Event) override;
    void hideEvent(QHideEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;

private:
    bool Turn(int Kind);
    bool InThumbnail() const;
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
