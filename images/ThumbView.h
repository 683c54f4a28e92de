#pragma once
// The folder view: TTHumbview scans a folder and shows one Tthumbnail per picture file in a grid
// that scrolls horizontally, vertically or both. A thumbnail holds the picture (a tThumbimage,
// shrunk to the cell to save memory) and a title strip with the file's name.
#include "images/ThumbImage.h"
#include "images/ThumbMisc.h"

#include <QFont>
#include <QFrame>
#include <QScrollArea>
#include <functional>

enum TScrollMode { SMHorizontal, SMVertical, SMboth };
enum TViewType { VTNormal, VTCenter, VTFitToScreen };
enum TTitlePos { T_Up, T_Down, T_None };

class TTHumbview;

class Tthumbnail : public QFrame {
public:
    explicit Tthumbnail(QWidget *Parent = nullptr, TTHumbview *Owner = nullptr);

    const AnsiString &Filename() const { return FFilename; }
    // Loads the file (with Autoload), reads its size and file times, arranges the image and, with
    // MinimizeMemory, shrinks the picture to the owner view's cell (or to the thumbnail); a metafile
    // is shrunk to the size shown once it has been played in sight (tThumbimage::ShrinkWhenPlayed).
    void SetFilename(const AnsiString &Value);
    QString Title() const { return FTitle->text(); }
    void SetTitle(const QString &Value) { FTitle->setText(Value); }
    TTitlePos TitlePlacement() const { return FTitlePlacement; }
    void SetTitlePlacement(TTitlePos Value);
    void SetTitleColors(const QColor &Background, const QColor &Text);
    bool ImageReady() const { return FImageReady; }
    int ImageWidth() const { return FImageWidth; }
    int ImageHeight() const { return FImageHeight; }
    int64_t FileSize() const { return FFileSize; }
    // The file's times in the system's short date and time format, "Unknown" where the file
    // system does not tell (a creation time, on many).
    const QString &FileAccessed() const { return FFileAccessed; }
    const QString &FIleCreated() const { return FFileCreated; }
    const QString &FileChanged() const { return FFileChanged; }
    // The title strip's font (the strip gets a copy).
    QFont TitleFont() const { return FTitle->font(); }
    void SetTitleFont(const QFont &Font) { FTitle->setFont(Font); }
    bool ShowTitle() const { return FShowTitle; }
    // Shows or hides the title strip; the picture takes the room of a hidden one.
    void SetShowTitle(bool Value);
    TGRF_type StreamFileType = GR_BMP;
    bool Autoload = true;
    // The extension that stands for the picture's type where a file name has none.
    AnsiString DefaultExtension;
    bool MinimizeMemory() const { return FMinimizeMemory; }
    // With a picture loaded: on shrinks it to the cell, off loads the whole picture again.
    void SetMinimizeMemory(bool Value);
    // A left press shows the thumbnail pushed in until the button is released (and raised
    // while the pointer is outside it).
    bool Asbutton = false;
    // A left click and a double click on the thumbnail, its picture or its title; the sender is
    // the thumbnail. The folder view gives each thumbnail its own handlers when it adds it.
    TThumbNotify OnClick;
    TThumbNotify OnDblClick;
    tThumbimage *Image() const { return FImage; }
    TThumbTitle *TitleStrip() const { return FTitle; }
    // Places and sizes the image inside the thumbnail below or above the title.
    void ArrangeImage();

protected:
    void resizeEvent(QResizeEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;

private:
    void PressAt(QMouseEvent *Event);
    void ReadFileInfo();
    void ShrinkPicture();
    void ShowPressed(bool Pressed);
    bool TitleShown() const { return FShowTitle && FTitlePlacement != T_None; }
    TTHumbview *FOwner;
    tThumbimage *FImage;
    TThumbTitle *FTitle;
    AnsiString FFilename;
    TTitlePos FTitlePlacement = T_Up;
    bool FImageReady = false;
    int FImageWidth = 0, FImageHeight = 0;
    int64_t FFileSize = 0;
    QString FFileAccessed, FFileCreated, FFileChanged;
    bool FShowTitle = true;
    bool FMinimizeMemory = true;
    bool FButtonDown = false;
    bool FClickArmed = false;
};

class TTHumbview : public QScrollArea {
public:
    explicit TTHumbview(QWidget *Parent = nullptr);

    // Before the view was first painted the folder is only stored; the first paint scans it.
    void SetDirectory(const AnsiString &Value);
    const AnsiString &Directory() const { return FDirectory; }
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    int Selected() const { return FSelected; }
    void SetSelected(int Value);
    AnsiString SelectedFile() const;
    void SetSelectedFile(const AnsiString &Value);
    int Count() const { return int(FThumbs.size()); }
    Tthumbnail *Thumb(int Index) const { return FThumbs[size_t(Index)]; }

    int MaxWidth() const { return FMaxWidth; }
    void SetMaxWidth(int Value);
    int MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int Value);
    int Size() const { return FSize; }
    void SetSize(int Value);
    int ThumbGap() const { return FThumbGap; }
    void SetThumbGap(int Value);
    TScrollMode ScrollMode() const { return FScrollMode; }
    void SetScrollMode(TScrollMode Value);
    TViewType AlignView() const { return FAlignView; }
    void SetAlignView(TViewType Value);
    bool AutoScrolling = true;
    bool AutoHandleKeyb = true;
    bool MinMemory = true;
    bool AsButtons = false;
    TTitlePos TitlePlacement = T_Up;

    std::function<void(TTHumbview &, int Count)> OnStartScanning;
    std::function<void(TTHumbview &)> OnStopScanning;
    std::function<void(TTHumbview &, int Position, bool &Stop)> OnScanProgress;
    std::function<void(Tthumbnail &, const AnsiString &FileName, QString &Title)> OnGetTitle;
    // Clicks: on a thumbnail (or its picture or title) the thumbnail's handlers run with the
    // thumbnail as sender; they are copies the view hands each thumbnail as it adds it. On the
    // view between thumbnails these run with the view as sender.
    TThumbNotify OnClick;
    TThumbNotify OnDblClick;
    // Keys, before the view's own handling: a handler that sets Key to 0 keeps the view from
    // moving the selection. OnKeyPress gets each character typed (UTF-16 units); setting it to
    // 0 drops it. OnKeyUp comes once a key is released (not for auto-repeat).
    std::function<void(TTHumbview &, int &Key, Qt::KeyboardModifiers Shift)> OnKeyDown;
    std::function<void(TTHumbview &, int &Key, Qt::KeyboardModifiers Shift)> OnKeyUp;
    std::function<void(TTHumbview &, QChar &Key)> OnKeyPress;
    // True while a folder is being scanned (the scan lets other events run between files).
    bool Scanning() const { return FScanning; }

    // The picture files of Folder: by mask in the order BMP, JPG, WMF, EMF, ICO, GIF, PCX, TGA, PNG
    // (unsorted) or by full name (sorted).
    static void ListFiles(const AnsiString &Folder, std::vector<AnsiString> &Unsorted, std::vector<AnsiString> &Sorted);
    // The grid: cell size, cells per line K and the place of cell N (from 1).
    void CalcCellSize();
    int CalcLines() const;
    int CellLeft(int N) const;
    int CellTop(int N) const;
    int CellWidth() const { return FCellWidth; }
    int CellHeight() const { return FCellHeight; }
    void Relayout(int First = 0);
    void ScrollInView(int Index);
    // The thumbnail under a point of the viewport, -1 when none.
    int IndexAt(const QPoint &ViewportPoint) const;

protected:
    void keyPressEvent(QKeyEvent *Event) override;
    void keyReleaseEvent(QKeyEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void paintEvent(QPaintEvent *Event) override;
    bool viewportEvent(QEvent *Event) override;

private:
    friend class Tthumbnail;
    void PressAt(const QPoint &ViewportPoint);
    void NavigateKey(int Key, QKeyEvent *Event);
    void Scan();
    bool ScanFolder();
    void SortThumbs();
    void SelectFile(const AnsiString &FileName);
    void ClearThumbs();
    void AddThumb(const AnsiString &Title);
    int Gap() const;
    int CenterShift() const;

    QWidget *FContent;
    std::vector<Tthumbnail *> FThumbs;
    std::vector<AnsiString> FUnsorted, FSortedList;
    AnsiString FDirectory;
    bool FSorted = true;
    int FSelected = -1;
    int FMaxWidth = 200, FMaxHeight = 200, FSize = 100, FThumbGap = 4;
    TScrollMode FScrollMode = SMHorizontal;
    TViewType FAlignView = VTNormal;
    int FCellWidth = 200, FCellHeight = 200;
    bool FPainted = false;
    bool FScanning = false;
    // Set during a scan: a new folder (or none) was asked for, so the running scan ends at its
    // next step and the scan starts over with the new folder.
    bool FScanRestart = false;
    // Set during a scan: a change of Sorted or a file to select waits for the scan's end.
    bool FResortAfterScan = false;
    AnsiString FSelectAfterScan;
    bool FClickArmed = false;
    int64_t FTotalSize = 0;
};
