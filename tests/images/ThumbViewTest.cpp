// The folder view over a temporary folder of pictures: listing order, grid layout, keys and mouse.
#include "ImageTestSupport.h"
#include "images/ThumbView.h"
#include "platform/SysUtils.h"

#include <QApplication>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace imgtest;

namespace {

void WritePicture(const QString &Path, int W, int H, const char *Format)
{
    QImage img(W, H, QImage::Format_RGB32);
    img.fill(QColor(40, 120, 200));
    ASSERT_TRUE(img.save(Path, Format));
}

TEST(ThumbView, ListingOrder)
{
    QTemporaryDir dir;
    WritePicture(dir.filePath("a.bmp.tmp"), 8, 8, "BMP");
    RunTool("convert", {"bmp:" + dir.filePath("a.bmp.tmp"), dir.filePath("a.gif")});
    QFile::remove(dir.filePath("a.bmp.tmp"));
    WritePicture(dir.filePath("b.bmp"), 8, 8, "BMP");
    WritePicture(dir.filePath("c.PNG"), 8, 8, "PNG");
    WritePicture(dir.filePath("notes.txt"), 8, 8, "BMP");
    std::vector<AnsiString> unsorted, sorted;
    TTHumbview::ListFiles(dir.path().toStdString(), unsorted, sorted);
    ASSERT_EQ(unsorted.size(), 3u);
    EXPECT_EQ(ExtractFileName(unsorted[0]), "b.bmp");
    EXPECT_EQ(ExtractFileName(unsorted[1]), "a.gif");
    EXPECT_EQ(ExtractFileName(unsorted[2]), "c.PNG");
    EXPECT_EQ(ExtractFileName(sorted[0]), "a.gif");
    TTHumbview::ListFiles(dir.filePath("missing").toStdString(), unsorted, sorted);
    EXPECT_TRUE(unsorted.empty());
}

TEST(ThumbView, ScansOnFirstPaintAndLaysOutTheGrid)
{
    QTemporaryDir dir;
    for (int i = 0; i < 10; ++i)
        WritePicture(dir.filePath(QString("p%1.bmp").arg(i)), 300 + i, 150, "BMP");
    TTHumbview view;
    view.resize(600, 480);
    int started = 0, stopped = 0;
    view.OnStartScanning = [&](TTHumbview &, int N) { started = N; };
    view.OnStopScanning = [&](TTHumbview &) { ++stopped; };
    view.SetDirectory(dir.path().toStdString());
    EXPECT_EQ(view.Count(), 0); // nothing before the first paint
    view.show();
    QApplication::processEvents();
    (void)view.grab();
    QApplication::processEvents();
    ASSERT_EQ(view.Count(), 10);
    EXPECT_EQ(started, 10);
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(view.Selected(), 0);
    // The picture is shrunk to the cell; its size as loaded is kept.
    EXPECT_EQ(view.Thumb(3)->ImageWidth(), 303);
    EXPECT_LE(view.Thumb(3)->Image()->Picture().Width(), 200);

    // SMboth with 10 thumbnails: 4 a row, the tenth is the second cell of the third row.
    view.SetScrollMode(SMboth);
    EXPECT_EQ(view.CalcLines(), 4);
    const int w = view.CellWidth(), h = view.CellHeight(), g = view.ThumbGap();
    EXPECT_EQ(view.CellLeft(10), 1 * w + g * 2);
    EXPECT_EQ(view.CellTop(10), 2 * h + g * 3);
    EXPECT_EQ(view.Thumb(9)->geometry().topLeft(), QPoint(view.CellLeft(10), view.CellTop(10)));
    // SMHorizontal fills columns from the top.
    view.SetScrollMode(SMHorizontal);
    const int k = view.CalcLines();
    EXPECT_EQ(k, (view.viewport()->height() - 20) / (g + h));
    EXPECT_EQ(view.CellLeft(k + 1), w + 2 * g);
    EXPECT_EQ(view.CellTop(k + 1), g);
    if (const char *out = std::getenv("QUILLMAR_SCREENSHOT_DIR"))
        view.grab().save(QString("%1/thumbview.png").arg(out));
    // Size scales the cells.
    view.SetSize(50);
    EXPECT_EQ(view.CellWidth(), 100);
}

TEST(ThumbView, KeysAndMouse)
{
    QTemporaryDir dir;
    for (int i = 0; i < 12; ++i)
        WritePicture(dir.filePath(QString("p%1.bmp").arg(i, 2, 10, QChar('0'))), 40, 30, "BMP");
    TTHumbview view;
    view.resize(500, 300);
    view.SetScrollMode(SMVertical);
    view.show();
    (void)view.grab();
    QApplication::processEvents();
    view.SetDirectory(dir.path().toStdString());
    ASSERT_EQ(view.Count(), 12);
    const int k = view.CalcLines();
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.Selected(), 1);
    QTest::keyClick(&view, Qt::Key_Down);
    EXPECT_EQ(view.Selected(), 1 + k);
    QTest::keyClick(&view, Qt::Key_End);
    EXPECT_EQ(view.Selected(), 11);
    QTest::keyClick(&view, Qt::Key_Right); // past the last: kept
    EXPECT_EQ(view.Selected(), 11);
    QTest::keyClick(&view, Qt::Key_Home);
    EXPECT_EQ(view.Selected(), 0);
    const int top = view.verticalScrollBar()->value();
    EXPECT_LE(top, view.ThumbGap());
    QTest::keyClick(&view, Qt::Key_PageDown); // scrolls, shows no message box
    EXPECT_GT(view.verticalScrollBar()->value(), top + 100);
    QTest::keyClick(&view, Qt::Key_PageUp);
    EXPECT_EQ(view.verticalScrollBar()->value(), top);
    // A press on a thumbnail selects it; one between cells selects nothing.
    const QRect r = view.Thumb(2)->geometry();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(view.Selected(), 2);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(1, 1));
    EXPECT_EQ(view.Selected(), -1);
    EXPECT_EQ(view.SelectedFile(), "");
    view.SetSelectedFile(dir.filePath("p05.bmp").toStdString());
    EXPECT_EQ(view.Selected(), 5);
    // Unsorted: the file list order (one mask here, so the same); an empty folder clears.
    view.SetSorted(false);
    EXPECT_EQ(view.Count(), 12);
    view.SetDirectory("");
    EXPECT_EQ(view.Count(), 0);
}

TEST(ThumbView, ASecondFileIsShrunkLikeTheFirst)
{
    QTemporaryDir dir;
    WritePicture(dir.filePath("one.bmp"), 500, 400, "BMP");
    WritePicture(dir.filePath("two.bmp"), 400, 500, "BMP");
    Tthumbnail t;
    t.SetFilename(dir.filePath("one.bmp").toStdString());
    EXPECT_LE(t.Image()->Picture().Width(), 120);
    EXPECT_EQ(t.Title(), "one.bmp");
    t.SetFilename(dir.filePath("two.bmp").toStdString());
    EXPECT_LE(t.Image()->Picture().Height(), 120);
    EXPECT_EQ(t.Title(), "two.bmp"); // a title that was the old name follows the file
    EXPECT_EQ(t.ImageWidth(), 400);
    t.SetTitle("mine");
    t.SetFilename(dir.filePath("one.bmp").toStdString());
    EXPECT_EQ(t.Title(), "mine");
}

TEST(ThumbView, TitleStripFileTimesAndTheWholePictureOnDemand)
{
    QTemporaryDir dir;
    WritePicture(dir.filePath("big.bmp"), 500, 400, "BMP");
    Tthumbnail t;
    t.resize(120, 120);
    t.SetFilename(dir.filePath("big.bmp").toStdString());
    EXPECT_LE(t.Image()->Picture().Width(), 120);
    EXPECT_NE(t.FileAccessed(), "Unknown");
    EXPECT_FALSE(t.FileAccessed().isEmpty());
    EXPECT_FALSE(t.FileChanged().isEmpty());
    EXPECT_FALSE(t.FIleCreated().isEmpty()); // a date, or "Unknown" where the file system keeps none

    // Switching the memory saving off loads the whole picture again; on shrinks it again.
    t.SetMinimizeMemory(false);
    EXPECT_EQ(t.Image()->Picture().Width(), 500);
    EXPECT_EQ(t.Image()->Picture().Height(), 400);
    t.SetMinimizeMemory(true);
    EXPECT_LE(t.Image()->Picture().Width(), 120);

    // Without its strip the picture is centred in the whole thumbnail.
    const int withTitle = t.Image()->geometry().center().y();
    t.SetShowTitle(false);
    EXPECT_FALSE(t.TitleStrip()->isVisibleTo(&t));
    EXPECT_LT(t.Image()->geometry().center().y(), withTitle);
    EXPECT_NEAR(t.Image()->geometry().center().y(), t.height() / 2, 1);
    t.SetShowTitle(true);
    EXPECT_TRUE(t.TitleStrip()->isVisibleTo(&t));

    QFont bold = t.TitleFont();
    bold.setBold(true);
    bold.setPointSize(14);
    t.SetTitleFont(bold);
    EXPECT_TRUE(t.TitleStrip()->font().bold());
    EXPECT_EQ(t.TitleStrip()->font().pointSize(), 14);
}

TEST(ThumbView, AButtonThumbnailComesUpWhenReleased)
{
    QTemporaryDir dir;
    for (const char *n : {"a.bmp", "b.bmp"})
        WritePicture(dir.filePath(n), 40, 30, "BMP");
    TTHumbview view;
    view.AsButtons = true;
    view.resize(500, 300);
    view.show();
    (void)view.grab();
    QApplication::processEvents();
    view.SetDirectory(dir.path().toStdString());
    ASSERT_EQ(view.Count(), 2);
    Tthumbnail &t = *view.Thumb(0);
    const QPoint inside = t.rect().center();
    QTest::mousePress(&t, Qt::LeftButton, {}, inside);
    EXPECT_EQ(t.frameShadow(), QFrame::Sunken);
    EXPECT_EQ(t.TitleStrip()->frameShadow(), QFrame::Raised);
    QTest::mouseRelease(&t, Qt::LeftButton, {}, inside);
    EXPECT_EQ(t.frameShadow(), QFrame::Raised) << "stays pushed in after a click";
    EXPECT_EQ(t.TitleStrip()->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(view.Selected(), 0);

    // Dragged outside while pressed it shows raised, back inside pushed in.
    QTest::mousePress(&t, Qt::LeftButton, {}, inside);
    QMouseEvent out(QEvent::MouseMove, QPointF(t.width() + 30, inside.y()), t.mapToGlobal(QPointF(t.width() + 30, inside.y())),
                    Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&t, &out);
    EXPECT_EQ(t.frameShadow(), QFrame::Raised);
    QMouseEvent back(QEvent::MouseMove, QPointF(inside), t.mapToGlobal(QPointF(inside)), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&t, &back);
    EXPECT_EQ(t.frameShadow(), QFrame::Sunken);
    QTest::mouseRelease(&t, Qt::LeftButton, {}, inside);
    EXPECT_EQ(t.frameShadow(), QFrame::Raised);
}

// ---- Clicks, keys and scans that let other events run

// A shown view of DirPath, scanned to the end.
void ShowThumbViewOf(TTHumbview &View, const QString &DirPath)
{
    View.resize(500, 300);
    View.show();
    (void)View.grab();
    QApplication::processEvents();
    View.SetDirectory(DirPath.toStdString());
}

// The file names the view shows, in its order, each with a loaded picture; "!" marks one without.
std::vector<std::string> ThumbViewNames(const TTHumbview &View)
{
    std::vector<std::string> names;
    for (int i = 0; i < View.Count(); ++i) {
        const Tthumbnail *t = View.Thumb(i);
        names.push_back(ExtractFileName(t->Filename()) + (t->ImageReady() && t->isVisibleTo(&View) ? "" : "!"));
    }
    return names;
}

// The thumbnails whose title shows the highlight of a selection.
std::vector<int> ThumbViewHighlighted(const TTHumbview &View)
{
    std::vector<int> on;
    for (int i = 0; i < View.Count(); ++i)
        if (View.Thumb(i)->TitleStrip()->palette().color(QPalette::Window) == View.palette().color(QPalette::Highlight))
            on.push_back(i);
    return on;
}

// Thumbnails on show in the view, old ones of an earlier scan included.
int ThumbViewVisible(const TTHumbview &View)
{
    int n = 0;
    for (QFrame *f : View.widget()->findChildren<QFrame *>())
        n += dynamic_cast<Tthumbnail *>(f) && f->isVisibleTo(&View);
    return n;
}

TEST(ThumbView, ClicksComeFromTheViewOrTheThumbnailUnderThePointer)
{
    QTemporaryDir dir;
    for (const char *n : {"a.bmp", "b.bmp", "c.bmp"})
        WritePicture(dir.filePath(n), 60, 40, "BMP");
    TTHumbview view;
    std::vector<std::string> events;
    auto name = [&](QWidget &Sender) -> std::string {
        if (&Sender == &view)
            return "view";
        if (auto *t = dynamic_cast<Tthumbnail *>(&Sender))
            return ExtractFileName(t->Filename());
        return "other";
    };
    view.OnClick = [&](QWidget &Sender) { events.push_back("click " + name(Sender)); };
    view.OnDblClick = [&](QWidget &Sender) { events.push_back("double " + name(Sender)); };
    ShowThumbViewOf(view, dir.path());
    ASSERT_EQ(view.Count(), 3);
    Tthumbnail &b = *view.Thumb(1);
    ASSERT_GT(b.Image()->width(), 0);

    struct Target {
        const char *Name;
        QWidget *Widget;
        QPoint At;
        std::string Sender;
        int Selected;
    };
    const Target targets[] = {
        {"thumbnail frame", &b, QPoint(2, b.height() - 3), "b.bmp", 1},
        {"picture", b.Image(), b.Image()->rect().center(), "b.bmp", 1},
        {"title", b.TitleStrip(), b.TitleStrip()->rect().center(), "b.bmp", 1},
        {"between thumbnails", view.viewport(), QPoint(1, 1), "view", -1},
    };
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    for (const Target &t : targets) {
        view.SetSelected(2);
        view.clearFocus();
        events.clear();
        QTest::mouseClick(t.Widget, Qt::LeftButton, {}, t.At);
        EXPECT_EQ(events, std::vector<std::string>{"click " + t.Sender}) << t.Name;
        EXPECT_EQ(view.Selected(), t.Selected) << t.Name;
        EXPECT_TRUE(view.hasFocus()) << t.Name;

        // A double click: press and release (a click), the second press comes as a double click.
        view.SetSelected(2);
        events.clear();
        QTest::mouseClick(t.Widget, Qt::LeftButton, {}, t.At);
        QTest::mouseDClick(t.Widget, Qt::LeftButton, {}, t.At);
        QTest::mouseRelease(t.Widget, Qt::LeftButton, {}, t.At);
        EXPECT_EQ(events, (std::vector<std::string>{"click " + t.Sender, "double " + t.Sender})) << t.Name;
        EXPECT_EQ(view.Selected(), t.Selected) << t.Name;

        // The right button clicks nothing; a press that is released elsewhere is no click.
        events.clear();
        QTest::mouseClick(t.Widget, Qt::RightButton, {}, t.At);
        QTest::mousePress(t.Widget, Qt::LeftButton, {}, t.At);
        QTest::mouseRelease(t.Widget, Qt::LeftButton, {}, QPoint(-400, -400));
        EXPECT_TRUE(events.empty()) << t.Name << ": " << (events.empty() ? "" : events[0]);
    }

    // A picture on its own (as in the image dialog) is its own sender.
    tThumbimage alone;
    alone.resize(50, 50);
    alone.Picture().LoadFromFile(dir.filePath("a.bmp").toStdString());
    alone.show();
    int clicks = 0, doubles = 0;
    alone.OnClick = [&](QWidget &Sender) { clicks += &Sender == &alone; };
    alone.OnDblClick = [&](QWidget &Sender) { doubles += &Sender == &alone; };
    QTest::mouseClick(&alone, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseDClick(&alone, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&alone, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubles, 1);
}

TEST(ThumbView, ClickHandlerThatOpensAnotherFolder)
{
    // Double-clicking a thumbnail opens another folder from inside the thumbnail's own event; the
    // thumbnail that was clicked is taken away without harm and the new folder shows whole.
    QTemporaryDir dir, other;
    for (const char *n : {"a.bmp", "b.bmp"})
        WritePicture(dir.filePath(n), 30, 30, "BMP");
    for (const char *n : {"x.bmp", "y.bmp", "z.bmp"})
        WritePicture(other.filePath(n), 30, 30, "BMP");
    TTHumbview view;
    view.OnDblClick = [&](QWidget &) { view.SetDirectory(other.path().toStdString()); };
    ShowThumbViewOf(view, dir.path());
    ASSERT_EQ(view.Count(), 2);
    QPointer<QWidget> picture = view.Thumb(0)->Image();
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseDClick(picture, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(picture) << "kept until the event loop has it again";
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(ThumbViewNames(view), (std::vector<std::string>{"x.bmp", "y.bmp", "z.bmp"}));
    EXPECT_EQ(ThumbViewVisible(view), 3);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(picture);
}

TEST(ThumbView, KeyEventsReachTheHandlersBeforeTheView)
{
    QTemporaryDir dir;
    for (int i = 0; i < 6; ++i)
        WritePicture(dir.filePath(QString("p%1.bmp").arg(i)), 30, 30, "BMP");
    TTHumbview view;
    view.SetScrollMode(SMVertical);
    std::vector<std::string> events;
    bool swallowRight = false;
    view.OnKeyDown = [&](TTHumbview &Sender, int &Key, Qt::KeyboardModifiers Shift) {
        EXPECT_EQ(&Sender, &view);
        if (Key == Qt::Key_Shift)
            return;
        events.push_back("down " + QKeySequence(Key | Shift.toInt()).toString().toStdString());
        if (swallowRight && Key == Qt::Key_Right)
            Key = 0;
    };
    view.OnKeyUp = [&](TTHumbview &, int &Key, Qt::KeyboardModifiers) {
        if (Key != Qt::Key_Shift)
            events.push_back("up " + QKeySequence(Key).toString().toStdString());
    };
    QString typed;
    view.OnKeyPress = [&](TTHumbview &, QChar &Key) { typed += Key; };
    ShowThumbViewOf(view, dir.path());
    ASSERT_EQ(view.Count(), 6);
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    view.setFocus();
    QWidget *focus = QApplication::focusWidget();
    ASSERT_EQ(focus, &view);

    // Navigation keys: the handler sees each, the view moves the selection after it.
    QTest::keyClick(focus, Qt::Key_Right);
    EXPECT_EQ(view.Selected(), 1);
    QTest::keyClick(focus, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(view.Selected(), 5);
    EXPECT_EQ(events, (std::vector<std::string>{"down Right", "up Right", "down Shift+End", "up End"}));
    EXPECT_TRUE(typed.isEmpty()) << "navigation keys type nothing";

    // A key the handler sets to 0 is not the view's.
    swallowRight = true;
    QTest::keyClick(focus, Qt::Key_Home);
    QTest::keyClick(focus, Qt::Key_Right);
    EXPECT_EQ(view.Selected(), 0);

    // Typed characters, also from outside the Latin range and beyond one UTF-16 unit.
    const QString text = QString::fromUtf8("a\xC3\xA9\xED\x95\x9C\xF0\x9F\x98\x80");
    QTest::keyClick(focus, Qt::Key_A, {}, -1);
    QTest::sendKeyEvent(QTest::Click, focus, Qt::Key_unknown, text.mid(1), {});
    EXPECT_EQ(typed, text);

    // Without the view's own key handling, or with no thumbnails, the handlers still run.
    view.AutoHandleKeyb = false;
    events.clear();
    QTest::keyClick(focus, Qt::Key_Down);
    EXPECT_EQ(view.Selected(), 0);
    view.SetDirectory("");
    QTest::keyClick(focus, Qt::Key_Up);
    EXPECT_EQ(events, (std::vector<std::string>{"down Down", "up Down", "down Up", "up Up"}));
}

// How a change of folder reaches a running scan.
enum class ScanTrigger {
    TimerWhileAdding,  // a timer set before the scan, which fires while the thumbnails are added
    TimerWhileLoading, // a timer the progress handler sets, which fires while pictures load
    KeyEvent,          // a key press posted to the view, whose handler makes the change
    ProgressHandler,   // the progress handler itself
};

TEST(ThumbView, ScanLetsEventsRunAndEndsCleanlyWhenTheFolderChanges)
{
    QTemporaryDir big, small;
    std::vector<std::string> bigNames, smallNames;
    for (int i = 0; i < 60; ++i) {
        // Some PNG files among the BMP files: unsorted, each kind comes as a group.
        const QString n = QString("pic%1.%2").arg(i, 2, 10, QChar('0')).arg(i % 3 ? "bmp" : "png");
        WritePicture(big.filePath(n), 24 + i % 7, 20, i % 3 ? "BMP" : "PNG");
        bigNames.push_back(n.toStdString());
    }
    for (const char *n : {"d.bmp", "e.bmp", "f.bmp", "g.bmp", "h.bmp"}) {
        WritePicture(small.filePath(n), 30, 30, "BMP");
        smallNames.push_back(n);
    }
    const std::string bigPath = big.path().toStdString(), smallPath = small.path().toStdString();

    struct Case {
        const char *Name;
        ScanTrigger Trigger;
        std::function<void(TTHumbview &)> Change;
        std::vector<std::string> Expected;
        std::string Directory;
        std::string SelectedFile; // "" : the first thumbnail, "-" : none
    };
    const Case cases[] = {
        {"another folder from a timer while adding", ScanTrigger::TimerWhileAdding,
         [&](TTHumbview &V) { V.SetDirectory(smallPath); }, smallNames, smallPath, ""},
        {"another folder from a timer while loading", ScanTrigger::TimerWhileLoading,
         [&](TTHumbview &V) { V.SetDirectory(smallPath); }, smallNames, smallPath, ""},
        {"another folder from a key", ScanTrigger::KeyEvent, [&](TTHumbview &V) { V.SetDirectory(smallPath); },
         smallNames, smallPath, ""},
        {"another folder from the progress handler", ScanTrigger::ProgressHandler,
         [&](TTHumbview &V) { V.SetDirectory(smallPath); }, smallNames, smallPath, ""},
        {"clear from a timer while adding", ScanTrigger::TimerWhileAdding, [](TTHumbview &V) { V.SetDirectory(""); },
         {}, "", "-"},
        {"clear from a timer while loading", ScanTrigger::TimerWhileLoading,
         [](TTHumbview &V) { V.SetDirectory(""); }, {}, "", "-"},
        {"clear from a key", ScanTrigger::KeyEvent, [](TTHumbview &V) { V.SetDirectory(""); }, {}, "", "-"},
        {"the same folder again", ScanTrigger::TimerWhileLoading, [&](TTHumbview &V) { V.SetDirectory(bigPath); },
         bigNames, bigPath, ""},
        {"a file of another folder", ScanTrigger::TimerWhileLoading,
         [&](TTHumbview &V) { V.SetSelectedFile(small.filePath("g.bmp").toStdString()); }, smallNames, smallPath,
         "g.bmp"},
        {"unsorted", ScanTrigger::KeyEvent, [](TTHumbview &V) { V.SetSorted(false); }, bigNames, bigPath,
         "pic00.png"},
    };
    for (const Case &c : cases) {
        TTHumbview view;
        view.resize(500, 300);
        view.show();
        (void)view.grab();
        QApplication::processEvents();
        std::vector<std::string> log;
        int changesDuringScan = 0;
        bool triggered = false;
        auto change = [&] {
            changesDuringScan += view.Scanning();
            c.Change(view);
        };
        view.OnStartScanning = [&](TTHumbview &, int N) { log.push_back("start " + std::to_string(N)); };
        view.OnStopScanning = [&](TTHumbview &) { log.push_back("stop"); };
        view.OnScanProgress = [&](TTHumbview &V, int Position, bool &) {
            if (Position != 20 || triggered)
                return;
            triggered = true;
            if (c.Trigger == ScanTrigger::TimerWhileLoading)
                QTimer::singleShot(0, &V, change);
            else if (c.Trigger == ScanTrigger::ProgressHandler)
                change();
            else if (c.Trigger == ScanTrigger::KeyEvent)
                QCoreApplication::postEvent(&V, new QKeyEvent(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier));
        };
        int keysDuringScan = 0;
        view.OnKeyDown = [&](TTHumbview &V, int &Key, Qt::KeyboardModifiers) {
            keysDuringScan += V.Scanning();
            if (Key == Qt::Key_F5)
                change();
        };
        if (c.Trigger == ScanTrigger::TimerWhileAdding)
            QTimer::singleShot(0, &view, change);
        view.SetDirectory(bigPath);

        SCOPED_TRACE(c.Name);
        EXPECT_EQ(changesDuringScan, 1);
        EXPECT_FALSE(view.Scanning());
        EXPECT_EQ(view.Directory(), c.Directory);
        std::vector<std::string> expected = c.Expected;
        if (std::string(c.Name) == "unsorted") {
            std::vector<AnsiString> unsorted, sorted;
            TTHumbview::ListFiles(bigPath, unsorted, sorted);
            expected.clear();
            for (const AnsiString &f : unsorted)
                expected.push_back(ExtractFileName(f));
        }
        EXPECT_EQ(ThumbViewNames(view), expected);
        EXPECT_EQ(ThumbViewVisible(view), int(expected.size())) << "old thumbnails are gone from sight";
        if (c.SelectedFile == "-")
            EXPECT_EQ(view.Selected(), -1);
        else
            EXPECT_EQ(ExtractFileName(view.SelectedFile()), c.SelectedFile.empty() ? expected[0] : c.SelectedFile);
        // The selected thumbnail, and it alone, shows a highlighted title.
        EXPECT_EQ(ThumbViewHighlighted(view), view.Selected() < 0 ? std::vector<int>{} : std::vector<int>{view.Selected()});
        // Every scan that started also stopped.
        const auto starts = std::count_if(log.begin(), log.end(), [](const std::string &e) { return e != "stop"; });
        EXPECT_EQ(starts, std::count(log.begin(), log.end(), "stop"));
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.front(), "start 60");
        // The view is usable afterwards: keys move the selection.
        if (view.Count() > 1) {
            view.SetSelected(0);
            QTest::keyClick(&view, Qt::Key_Down);
            EXPECT_EQ(view.Selected(), 1);
        }
        if (c.Trigger == ScanTrigger::KeyEvent) {
            EXPECT_EQ(keysDuringScan, 1);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST(ThumbView, ViewDeletedDuringItsScan)
{
    // An event that runs during a scan deletes the view: the scan stops at once and touches nothing.
    QTemporaryDir dir;
    for (int i = 0; i < 20; ++i)
        WritePicture(dir.filePath(QString("p%1.bmp").arg(i)), 30, 30, "BMP");
    for (int at : {0, 1, 5}) {
        QPointer<TTHumbview> view = new TTHumbview;
        view->resize(400, 300);
        view->show();
        (void)view->grab();
        QApplication::processEvents();
        int progress = 0;
        view->OnScanProgress = [&](TTHumbview &V, int Position, bool &) {
            ++progress;
            if (Position == at)
                QTimer::singleShot(0, [&V] { delete &V; });
        };
        view->SetDirectory(dir.path().toStdString());
        EXPECT_FALSE(view) << at;
        EXPECT_EQ(progress, at + 1);
    }
}

} // namespace
