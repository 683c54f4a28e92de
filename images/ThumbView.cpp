#include "images/ThumbView.h"

#include "images/GIFImage.h"
#include "images/QtPictures.h"
#include "platform/GuardedApplication.h"
#include "platform/SysUtils.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <cmath>

// ---- Tthumbnail

Tthumbnail::Tthumbnail(QWidget *Parent, TTHumbview *Owner) : QFrame(Parent), FOwner(Owner)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(1);
    FImage = new tThumbimage(this);
    FImage->SetStretch(true);
    FImage->SetPlayInBackground(true);
    FTitle = new TThumbTitle(this);
    FTitle->setAutoFillBackground(true);
    SetTitleColors(palette().color(QPalette::Button), palette().color(QPalette::WindowText));
    if (FOwner)
        setGeometry(10, 10, FOwner->MaxWidth(), FOwner->MaxHeight());
    else
        setGeometry(10, 10, 120, 120);
    SetTitlePlacement(T_Up);
    FImage->OnTurned = [this] { ArrangeImage(); };
}

void Tthumbnail::SetTitleColors(const QColor &Background, const QColor &Text)
{
    QPalette p = FTitle->palette();
    p.setColor(QPalette::Window, Background);
    p.setColor(QPalette::WindowText, Text);
    FTitle->setPalette(p);
}

void Tthumbnail::SetTitlePlacement(TTitlePos Value)
{
    FTitlePlacement = Value;
    FTitle->setVisible(TitleShown());
    const int b = frameWidth();
    if (Value == T_Down)
        FTitle->setGeometry(b, height() - b - 15, width() - 2 * b, 15);
    else
        FTitle->setGeometry(b, b, width() - 2 * b, 15);
    ArrangeImage();
}

void Tthumbnail::SetShowTitle(bool Value)
{
    FShowTitle = Value;
    SetTitlePlacement(FTitlePlacement);
}

void Tthumbnail::resizeEvent(QResizeEvent *Event)
{
    RunGuarded([&] {
        QFrame::resizeEvent(Event);
        SetTitlePlacement(FTitlePlacement);
    });
}

void Tthumbnail::ArrangeImage()
{
    const int titleH = TitleShown() ? FTitle->height() : 0;
    const int clientH = height() - titleH - 8;
    const int clientW = width() - 2 * frameWidth() - 8;
    const int pw = FImage->Picture().Width(), ph = FImage->Picture().Height();
    double p = 100;
    if (pw > 0 && ph > 0 && (pw > clientW || ph > clientH))
        p = std::trunc(std::min(double(clientH) / ph * 100, double(clientW) / pw * 100));
    const int iw = int(std::trunc(pw / 100.0 * p)), ih = int(std::trunc(ph / 100.0 * p));
    int left = int(std::trunc(width() / 2.0 - iw / 2.0));
    int top = height() / 2 - ih / 2;
    if (TitleShown() && FTitlePlacement == T_Up)
        top += titleH / 2;
    else if (TitleShown() && FTitlePlacement == T_Down)
        top -= titleH / 2;
    FImage->setGeometry(left, top, std::max(iw, 0), std::max(ih, 0));
}

void Tthumbnail::ReadFileInfo()
{
    const QFileInfo info(QString::fromStdString(FFilename));
    if (!info.exists())
        return;
    FFileSize = info.size();
    auto text = [](const QDateTime &t) {
        return t.isValid() ? QLocale::system().toString(t.toLocalTime(), QLocale::ShortFormat) : QString("Unknown");
    };
    FFileAccessed = text(info.lastRead());
    FFileCreated = text(info.birthTime());
    FFileChanged = text(info.lastModified());
}

void Tthumbnail::ShrinkPicture()
{
    // A metafile is played, and so shrunk, once it comes into sight, without holding the window.
    if (dynamic_cast<const TMetafile *>(FImage->Picture().Graphic()))
        FImage->ShrinkWhenPlayed();
    else if (FOwner)
        FImage->ShrinkToFit(FOwner->MaxWidth(), FOwner->MaxHeight());
    else
        FImage->ShrinkToFit(width(), height());
}

void Tthumbnail::SetMinimizeMemory(bool Value)
{
    if (Value == FMinimizeMemory)
        return;
    FMinimizeMemory = Value;
    if (!FImageReady || FFilename.empty())
        return;
    if (Value)
        ShrinkPicture();
    else
        FImage->Picture().LoadFromFile(FFilename);
    ArrangeImage();
    FImage->update();
}

void Tthumbnail::SetFilename(const AnsiString &Value)
{
    const AnsiString old = FFilename;
    if (Value.empty()) {
        FFilename = Value;
        return;
    }
    if (Autoload) {
        FImage->LoadImage(Value);
        FImageWidth = FImage->Picture().Width();
        FImageHeight = FImage->Picture().Height();
        if (auto *gif = dynamic_cast<TGIFImage *>(FImage->Picture().Graphic()))
            gif->SetPaintOptions(uint16_t(gif->PaintOptions() & ~gpAnimate));
        FFilename = Value;
        ReadFileInfo();
        FImageReady = true;
        if (FMinimizeMemory)
            ShrinkPicture();
        ArrangeImage();
        FImage->show();
    }
    const QString current = Title();
    if (current.isEmpty() || current == QString::fromStdString(ExtractFileName(old)))
        SetTitle(QString::fromStdString(ExtractFileName(Value)));
    FFilename = Value;
}

// A press on the thumbnail, its picture or its title: the view selects in its own coordinates,
// and a button thumbnail goes down.
void Tthumbnail::PressAt(QMouseEvent *Event)
{
    if (FOwner)
        FOwner->PressAt(FOwner->viewport()->mapFromGlobal(Event->globalPosition().toPoint()));
    if (Asbutton && Event->button() == Qt::LeftButton) {
        FButtonDown = true;
        ShowPressed(true);
    }
}

void Tthumbnail::mousePressEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        FClickArmed = Event->button() == Qt::LeftButton;
        PressAt(Event);
        Event->accept(); // the release and the moves come here, so the button comes up again
    });
}

void Tthumbnail::mouseMoveEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        if (FButtonDown)
            ShowPressed(rect().contains(Event->position().toPoint()));
        QFrame::mouseMoveEvent(Event);
    });
}

void Tthumbnail::mouseReleaseEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        const bool left = Event->button() == Qt::LeftButton;
        if (FButtonDown && left) {
            FButtonDown = false;
            ShowPressed(false);
        }
        const bool click = FClickArmed && left && rect().contains(Event->position().toPoint());
        FClickArmed = false;
        Event->accept();
        // Last: the handler may well open another folder, which takes this thumbnail away (later).
        if (click && OnClick)
            OnClick(*this);
    });
}

void Tthumbnail::mouseDoubleClickEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        // The second press of a double click selects like the first; its release is no click.
        FClickArmed = false;
        Event->accept();
        if (Event->button() != Qt::LeftButton)
            return;
        PressAt(Event);
        if (OnDblClick)
            OnDblClick(*this);
    });
}

void Tthumbnail::ShowPressed(bool Pressed)
{
    setFrameShadow(Pressed ? QFrame::Sunken : QFrame::Raised);
    FTitle->setFrameShadow(Pressed ? QFrame::Raised : QFrame::Sunken);
}

// ---- TTHumbview

TTHumbview::TTHumbview(QWidget *Parent) : QScrollArea(Parent)
{
    FContent = new QWidget;
    FContent->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    setWidget(FContent);
    setWidgetResizable(false);
    setFocusPolicy(Qt::StrongFocus);
    resize(600, 480);
    CalcCellSize();
}

void TTHumbview::ListFiles(const AnsiString &Folder, std::vector<AnsiString> &Unsorted, std::vector<AnsiString> &Sorted)
{
    Unsorted.clear();
    Sorted.clear();
    QDir dir(QString::fromStdString(Folder));
    if (Folder.empty() || !dir.exists())
        return;
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    for (const char *ext : {"BMP", "JPG", "WMF", "EMF", "ICO", "GIF", "PCX", "TGA", "PNG"})
        for (const QFileInfo &f : files)
            if (f.suffix().compare(QLatin1String(ext), Qt::CaseInsensitive) == 0)
                Unsorted.push_back(f.absoluteFilePath().toStdString());
    Sorted = Unsorted;
    std::sort(Sorted.begin(), Sorted.end(),
              [](const AnsiString &A, const AnsiString &B) { return CompareText(A, B) < 0; });
}

void TTHumbview::CalcCellSize()
{
    FCellWidth = int(std::trunc(FMaxWidth / 100.0 * FSize));
    FCellHeight = int(std::trunc(FMaxHeight / 100.0 * FSize));
}

int TTHumbview::CalcLines() const
{
    int k = 1;
    switch (FScrollMode) {
    case SMHorizontal: k = (viewport()->height() - 20) / std::max(FThumbGap + FCellHeight, 1); break;
    case SMVertical: k = (viewport()->width() - 20) / std::max(FThumbGap + FCellWidth, 1); break;
    case SMboth: k = RoundUp(std::sqrt((long double)Count())); break;
    }
    return std::max(k, 1);
}

int TTHumbview::Gap() const
{
    const int k = CalcLines();
    if (FAlignView == VTFitToScreen) {
        if (FScrollMode == SMVertical)
            return std::max(0, (viewport()->width() - k * FCellWidth - 20) / (k + 1));
        if (FScrollMode == SMHorizontal)
            return std::max(0, (viewport()->height() - k * (FThumbGap + FCellHeight) - 20) / (k + 1));
    }
    return FThumbGap;
}

int TTHumbview::CenterShift() const
{
    if (FAlignView != VTCenter)
        return 0;
    const int k = CalcLines();
    if (FScrollMode == SMHorizontal)
        return (viewport()->height() - 20) / 2 - ((FThumbGap + FCellHeight) * k) / 2;
    return (viewport()->width() - 20) / 2 - ((FThumbGap + FCellWidth) * k) / 2;
}

int TTHumbview::CellLeft(int N) const
{
    if (N <= 0)
        return 0;
    const int k = CalcLines();
    const int l = RoundUp((long double)N / k), p = N - (l - 1) * k;
    if (FScrollMode == SMHorizontal)
        return (l - 1) * FCellWidth + FThumbGap * l;
    const int g = Gap();
    return (p - 1) * FCellWidth + g * p + CenterShift();
}

int TTHumbview::CellTop(int N) const
{
    if (N <= 0)
        return 0;
    const int k = CalcLines();
    const int l = RoundUp((long double)N / k), p = N - (l - 1) * k;
    if (FScrollMode == SMHorizontal) {
        const int g = Gap();
        return (p - 1) * FCellHeight + g * p + CenterShift();
    }
    return (l - 1) * FCellHeight + FThumbGap * l;
}

void TTHumbview::Relayout(int First)
{
    int right = 0, bottom = 0;
    for (int i = 0; i < Count(); ++i) {
        if (i >= First)
            FThumbs[size_t(i)]->setGeometry(CellLeft(i + 1), CellTop(i + 1), FCellWidth, FCellHeight);
        right = std::max(right, FThumbs[size_t(i)]->geometry().right() + FThumbGap + 1);
        bottom = std::max(bottom, FThumbs[size_t(i)]->geometry().bottom() + FThumbGap + 1);
    }
    FContent->resize(std::max(right, 1), std::max(bottom, 1));
}

void TTHumbview::ClearThumbs()
{
    // A click handler of a thumbnail may open another folder while Qt is still delivering the
    // thumbnail's event, so the old thumbnails are hidden now and deleted once the event loop
    // has them again (or with the view).
    for (Tthumbnail *t : FThumbs) {
        t->hide();
        t->deleteLater();
    }
    FThumbs.clear();
    FSelected = -1;
}

void TTHumbview::AddThumb(const AnsiString &Title)
{
    auto *t = new Tthumbnail(FContent, this);
    const int n = Count() + 1;
    t->setGeometry(CellLeft(n), CellTop(n), FCellWidth, FCellHeight);
    t->Asbutton = AsButtons;
    t->OnClick = OnClick;
    t->OnDblClick = OnDblClick;
    t->Image()->OnClick = OnClick;
    t->Image()->OnDblClick = OnDblClick;
    t->SetMinimizeMemory(MinMemory);
    t->SetTitlePlacement(TitlePlacement);
    t->SetTitle(QString::fromStdString(Title));
    FThumbs.push_back(t);
    t->show();
}

void TTHumbview::SetDirectory(const AnsiString &Value)
{
    FSelected = -1;
    FDirectory = Value;
    if (!FPainted)
        return;
    if (FScanning) {
        // The running scan ends at its next step and starts over with this folder (or clears).
        FScanRestart = true;
        FSelectAfterScan.clear();
        return;
    }
    if (Value.empty()) {
        ClearThumbs();
        Relayout();
        return;
    }
    Scan();
}

void TTHumbview::Scan()
{
    if (FScanning) {
        FScanRestart = true;
        return;
    }
    const QPointer<TTHumbview> self(this);
    struct TDone {
        const QPointer<TTHumbview> &View;
        ~TDone()
        {
            if (View) {
                View->FScanning = false;
                View->FScanRestart = false;
            }
        }
    } done{self};
    FScanning = true;
    do {
        FScanRestart = false;
        if (!ScanFolder())
            return; // the view was deleted by an event that ran during the scan
    } while (FScanRestart);
    FScanning = false;
    if (FResortAfterScan) {
        FResortAfterScan = false;
        SortThumbs();
    }
    if (!FSelectAfterScan.empty()) {
        const AnsiString file = FSelectAfterScan;
        FSelectAfterScan.clear();
        SelectFile(file);
    }
}

// One pass over FDirectory. Between files the window's other events run; one of them may ask for
// another folder (the pass then ends where it is) or delete the view (the answer is then false).
bool TTHumbview::ScanFolder()
{
    const QPointer<TTHumbview> self(this);
    auto goOn = [&] {
        QCoreApplication::processEvents();
        return self && !FScanRestart;
    };
    ClearThumbs();
    FTotalSize = 0;
    if (FDirectory.empty()) {
        Relayout();
        return true;
    }
    ListFiles(FDirectory, FUnsorted, FSortedList);
    const std::vector<AnsiString> files = FSorted ? FSortedList : FUnsorted;
    if (!files.empty()) {
        if (OnStartScanning) {
            OnStartScanning(*this, int(files.size()));
            if (!self)
                return false;
        }
        std::vector<QPointer<Tthumbnail>> thumbs;
        bool added = !FScanRestart;
        for (size_t i = 0; added && i < files.size(); ++i) {
            AddThumb(ExtractFileName(files[i]));
            thumbs.push_back(FThumbs.back());
            added = goOn();
            if (!self)
                return false;
        }
        if (added) {
            CalcCellSize();
            Relayout();
        }
        for (size_t i = 0; added && i < files.size(); ++i) {
            bool stop = false;
            if (OnScanProgress) {
                OnScanProgress(*this, int(i), stop);
                if (!self)
                    return false;
            }
            if (stop || FScanRestart)
                break;
            Tthumbnail *t = thumbs[i];
            if (!t)
                continue;
            try {
                t->SetFilename(files[i]);
            } catch (const std::exception &) {
                // A file that cannot be read keeps an empty thumbnail with its name.
            }
            if (OnGetTitle) {
                QString title = t->Title();
                OnGetTitle(*t, files[i], title);
                if (!self)
                    return false;
                if (thumbs[i])
                    t->SetTitle(title);
            }
            if (thumbs[i])
                FTotalSize += t->FileSize();
            if (!goOn())
                break;
        }
        if (!self)
            return false;
    }
    if (OnStopScanning) {
        OnStopScanning(*this);
        if (!self)
            return false;
    }
    if (!FScanRestart && Count() > 0 && FSelected < 0)
        SetSelected(0);
    return true;
}

void TTHumbview::SetSorted(bool Value)
{
    if (Value == FSorted)
        return;
    FSorted = Value;
    if (!FPainted)
        return;
    if (FScanning) {
        // The scan lays the thumbnails out in the order it started with; they are put in the new
        // order when it ends.
        FResortAfterScan = true;
        return;
    }
    SortThumbs();
}

void TTHumbview::SortThumbs()
{
    // The thumbnails are put in the order of the file list chosen; the selected one stays selected.
    Tthumbnail *selected = FSelected >= 0 && FSelected < Count() ? FThumbs[size_t(FSelected)] : nullptr;
    const std::vector<AnsiString> &order = FSorted ? FSortedList : FUnsorted;
    std::vector<Tthumbnail *> sorted;
    if (FDirectory.empty() || order.size() != FThumbs.size()) {
        sorted = FThumbs;
        std::sort(sorted.begin(), sorted.end(), [](Tthumbnail *A, Tthumbnail *B) {
            return QString::compare(A->Title(), B->Title(), Qt::CaseInsensitive) < 0;
        });
    } else {
        for (const AnsiString &f : order)
            for (Tthumbnail *t : FThumbs)
                if (t->Filename() == f)
                    sorted.push_back(t);
    }
    if (sorted.size() == FThumbs.size())
        FThumbs = sorted;
    if (selected)
        FSelected = int(std::find(FThumbs.begin(), FThumbs.end(), selected) - FThumbs.begin());
    CalcCellSize();
    Relayout();
}

void TTHumbview::SetSelected(int Value)
{
    if (FThumbs.empty())
        return;
    if (FSelected >= 0 && FSelected < Count())
        FThumbs[size_t(FSelected)]->SetTitleColors(palette().color(QPalette::Button),
                                                   palette().color(QPalette::WindowText));
    FSelected = Value;
    if (Value < 0 || Value >= Count())
        return;
    Tthumbnail *t = FThumbs[size_t(Value)];
    t->SetTitleColors(palette().color(QPalette::Highlight), palette().color(QPalette::HighlightedText));
    if (AutoScrolling)
        ScrollInView(Value);
}

AnsiString TTHumbview::SelectedFile() const
{
    return FSelected >= 0 && FSelected < Count() ? FThumbs[size_t(FSelected)]->Filename() : AnsiString();
}

void TTHumbview::SetSelectedFile(const AnsiString &Value)
{
    AnsiString folder = ExtractFilePath(Value);
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    SetDirectory(folder);
    if (FScanning)
        FSelectAfterScan = Value; // asked for during a scan: the new folder's scan selects it
    else
        SelectFile(Value);
}

void TTHumbview::SelectFile(const AnsiString &FileName)
{
    for (int i = 0; i < Count(); ++i)
        if (FThumbs[size_t(i)]->Filename() == FileName) {
            SetSelected(i);
            if (!AutoScrolling)
                ScrollInView(i);
        }
}

void TTHumbview::ScrollInView(int Index)
{
    if (Index < 0 || Index >= Count())
        return;
    const QRect r = FThumbs[size_t(Index)]->geometry();
    if (FScrollMode != SMVertical) {
        QScrollBar *h = horizontalScrollBar();
        if (r.left() < h->value())
            h->setValue(r.left());
        else if (r.right() > h->value() + viewport()->width())
            h->setValue(r.right() - viewport()->width() + 1);
    }
    if (FScrollMode != SMHorizontal) {
        QScrollBar *v = verticalScrollBar();
        if (r.top() < v->value())
            v->setValue(r.top());
        else if (r.bottom() > v->value() + viewport()->height())
            v->setValue(r.bottom() - viewport()->height() + 1);
    }
}

void TTHumbview::SetMaxWidth(int Value)
{
    if (Value == FMaxWidth)
        return;
    FMaxWidth = Value;
    CalcCellSize();
    Relayout();
}

void TTHumbview::SetMaxHeight(int Value)
{
    if (Value <= FMaxHeight)
        return;
    FMaxHeight = Value;
    CalcCellSize();
    Relayout();
}

void TTHumbview::SetSize(int Value)
{
    if (Value == FSize)
        return;
    FSize = Value;
    CalcCellSize();
    Relayout();
}

void TTHumbview::SetThumbGap(int Value)
{
    FThumbGap = Value;
    if (FAlignView == VTFitToScreen)
        return;
    CalcCellSize();
    Relayout();
}

void TTHumbview::SetScrollMode(TScrollMode Value)
{
    if (Value == FScrollMode)
        return;
    FScrollMode = Value;
    CalcCellSize();
    Relayout();
    ScrollInView(FSelected);
}

void TTHumbview::SetAlignView(TViewType Value)
{
    FAlignView = Value;
    Relayout();
}

int TTHumbview::IndexAt(const QPoint &ViewportPoint) const
{
    const QPoint p = ViewportPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    for (int i = 0; i < Count(); ++i)
        if (FThumbs[size_t(i)]->geometry().contains(p))
            return i;
    return -1;
}

void TTHumbview::keyPressEvent(QKeyEvent *Event)
{
    RunGuarded([&] {
        int key = Event->key();
        if (OnKeyDown)
            OnKeyDown(*this, key, Event->modifiers());
        if (key != 0)
            NavigateKey(key, Event);
        else
            Event->accept();
        if (OnKeyPress)
            for (QChar c : Event->text()) {
                QChar typed = c;
                OnKeyPress(*this, typed);
            }
    });
}

void TTHumbview::NavigateKey(int Key, QKeyEvent *Event)
{
    if (!AutoHandleKeyb || FThumbs.empty()) {
        QScrollArea::keyPressEvent(Event);
        return;
    }
    const int k = CalcLines();
    int next = FSelected;
    const bool horizontal = FScrollMode == SMHorizontal;
    switch (Key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        // A page of the scrolling direction.
        QScrollArea::keyPressEvent(Event);
        if (horizontal) {
            QScrollBar *h = horizontalScrollBar();
            h->setValue(h->value() + (Key == Qt::Key_PageDown ? 1 : -1) * h->pageStep());
        }
        return;
    case Qt::Key_End: next = Count() - 1; break;
    case Qt::Key_Home: next = 0; break;
    case Qt::Key_Left: next -= horizontal ? k : 1; break;
    case Qt::Key_Right: next += horizontal ? k : 1; break;
    case Qt::Key_Up: next -= horizontal ? 1 : k; break;
    case Qt::Key_Down: next += horizontal ? 1 : k; break;
    default: QScrollArea::keyPressEvent(Event); return;
    }
    Event->accept();
    if (next >= 0 && next < Count())
        SetSelected(next);
    ScrollInView(FSelected);
}

void TTHumbview::keyReleaseEvent(QKeyEvent *Event)
{
    RunGuarded([&] {
        if (!Event->isAutoRepeat() && OnKeyUp) {
            int key = Event->key();
            OnKeyUp(*this, key, Event->modifiers());
            if (key == 0) {
                Event->accept();
                return;
            }
        }
        QScrollArea::keyReleaseEvent(Event);
    });
}

// A press on the view or passed on by a thumbnail: focus, and select what lies under the point.
void TTHumbview::PressAt(const QPoint &ViewportPoint)
{
    setFocus();
    if (!FThumbs.empty())
        SetSelected(IndexAt(ViewportPoint));
}

void TTHumbview::mousePressEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        FClickArmed = Event->button() == Qt::LeftButton;
        PressAt(Event->position().toPoint());
        Event->accept();
    });
}

void TTHumbview::mouseReleaseEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        const bool click = FClickArmed && Event->button() == Qt::LeftButton &&
                           viewport()->rect().contains(Event->position().toPoint());
        FClickArmed = false;
        Event->accept();
        if (click && OnClick)
            OnClick(*this);
    });
}

void TTHumbview::mouseDoubleClickEvent(QMouseEvent *Event)
{
    RunGuarded([&] {
        FClickArmed = false;
        Event->accept();
        if (Event->button() != Qt::LeftButton)
            return;
        PressAt(Event->position().toPoint());
        if (OnDblClick)
            OnDblClick(*this);
    });
}

bool TTHumbview::viewportEvent(QEvent *Event)
{
    // Mouse events on the viewport (between the thumbnails) are the view's, in viewport coordinates.
    switch (Event->type()) {
    case QEvent::MouseButtonPress: mousePressEvent(static_cast<QMouseEvent *>(Event)); return true;
    case QEvent::MouseButtonRelease: mouseReleaseEvent(static_cast<QMouseEvent *>(Event)); return true;
    case QEvent::MouseButtonDblClick: mouseDoubleClickEvent(static_cast<QMouseEvent *>(Event)); return true;
    default: return QScrollArea::viewportEvent(Event);
    }
}

void TTHumbview::resizeEvent(QResizeEvent *Event)
{
    RunGuarded([&] {
        QScrollArea::resizeEvent(Event);
        Relayout();
    });
}

void TTHumbview::paintEvent(QPaintEvent *Event)
{
    RunGuarded([&] {
        QScrollArea::paintEvent(Event);
        if (!FPainted) {
            FPainted = true;
            if (!FDirectory.empty())
                QTimer::singleShot(0, this, GuardedSlot([this] {
                    // A folder set since is being scanned, or was, already.
                    if (!FScanning && !FDirectory.empty() && Count() == 0)
                        Scan();
                }));
        }
    });
}
