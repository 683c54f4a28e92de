#pragma once
// The image-insert dialog: the user picks a picture file, sees it in a preview and reads its
// width and height; the caller builds the image tag from TagData() after OK.
#include "images/ThumbImage.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// What the dialog hands back for the tag: src, alt, and the picture's size as decimal text
// (empty when no picture could be read).
struct TImageTagData {
    QString Src;
    QString Alt;
    QString Width;
    QString Height;
};

class TfrmImage : public QDialog {
public:
    explicit TfrmImage(QWidget *Owner = nullptr);

    // Shows the dialog modally; true (and Data filled) when it closed with OK. The edits keep
    // their values from one showing to the next.
    bool Execute(TImageTagData &Data);
    TImageTagData TagData() const;

    // Browse: asks for a file (OnChooseFile when set, else the open dialog) and loads it.
    void OpenImgClick();
    void CheckBoxStretchClick();
    // Puts FileName into the src edit and previews it. A failure shows its text in the red error
    // line ("Range Error in image file (possibly bad crc)" for a damaged file), and clears the
    // preview and both sizes. Answers whether the picture loaded.
    bool LoadFile(const QString &FileName);

    // Replaces the open dialog (tests): answers the chosen file, empty when cancelled.
    std::function<QString()> OnChooseFile;

    void done(int Result) override;

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QLineEdit *Edit1, *Edit2, *EditWidth, *EditHeight;
    QPushButton *OpenImg, *BitBtn1, *BitBtn2;
    QGroupBox *GroupBox1;
    tThumbimage *tThumbimage1;
    QCheckBox *CheckBoxStretch;

protected:
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    // Loads the path in Src unless it is the one loaded last.
    void LoadTypedPath();
    QString FLoadedPath;
};
