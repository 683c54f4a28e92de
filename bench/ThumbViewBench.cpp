// Times the folder view over a folder of heavy metafiles (each 600,000 polygon points, so that its
// play ends at its budget): the longest paint of a page, and the longest time the window's event
// loop was held (a 1 ms heartbeat's longest gap) while the folder is read, and while it is scrolled
// page by page and the pictures come in. Argument: the number of files (40).
#include "images/MetafilePlay.h"
#include "images/ThumbView.h"
#include "tests/images/MetafileTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// 150 x 100 pixels: 20 polygons of 30,000 points each, zigzagging over the picture.
std::vector<uint8_t> HeavyWmf()
{
    mftest::TWmfWriter body;
    body.Record(0x020C, {100, 150}); // SETWINDOWEXT
    body.Record(0x02FC, {0, 0x00FF, 0x0000, 0}); // solid red brush (object 0)
    body.Record(0x012D, {0});
    const int points = 30000;
    for (int polygon = 0; polygon < 20; ++polygon) {
        body.W32(uint32_t(3 + 1 + 2 * points));
        body.W16(0x0324); // POLYGON
        body.W16(points);
        for (int i = 0; i < points; ++i) {
            body.W16((i * 7 + polygon) % 150);
            body.W16((i * 13) % 100);
        }
    }
    body.Record(0x0000, {});
    return mftest::PlaceableWmf(body, 150, 100, 1, 3 + 1 + 2 * points);
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 40;
    QTemporaryDir dir;
    const std::vector<uint8_t> wmf = HeavyWmf();
    for (int i = 0; i < files; ++i) {
        QFile f(dir.filePath(QString("heavy%1.wmf").arg(i, 3, 10, QChar('0'))));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write(reinterpret_cast<const char *>(wmf.data()), qint64(wmf.size()));
    }

    QElapsedTimer clock;
    clock.start();
    qint64 lastBeat = 0, longestHold = 0;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestHold = std::max(longestHold, now - lastBeat);
        lastBeat = now;
    });

    TTHumbview view;
    view.resize(800, 500);
    view.show();
    (void)view.grab();
    QApplication::processEvents();
    lastBeat = clock.elapsed();
    heartbeat.start();
    const qint64 scanStart = clock.elapsed();
    view.SetDirectory(dir.path().toStdString());
    const qint64 scan = clock.elapsed() - scanStart;
    const qint64 longestHoldReading = longestHold;
    longestHold = 0;

    qint64 longestPaint = 0;
    int pages = 0;
    QScrollBar *bar = view.horizontalScrollBar();
    for (;;) {
        // Wait for this page's pictures, the event loop running.
        QElapsedTimer waited;
        waited.start();
        bool pending = true;
        while (pending && waited.elapsed() < 60000) {
            QApplication::processEvents(QEventLoop::AllEvents, 10);
            pending = false;
            for (int i = 0; i < view.Count(); ++i)
                pending = pending || view.Thumb(i)->Image()->PlayPending();
        }
        ++pages;
        if (bar->value() >= bar->maximum())
            break;
        bar->setValue(bar->value() + bar->pageStep());
        QElapsedTimer paint;
        paint.start();
        (void)view.viewport()->grab();
        longestPaint = std::max(longestPaint, paint.elapsed());
    }
    heartbeat.stop();
    std::printf("%d metafiles of 600,000 points, %d pages: folder read in %lld ms, %lld plays\n", files, pages,
                static_cast<long long>(scan), static_cast<long long>(MetafilePlaysStarted()));
    std::printf("%-50s %8lld ms\n", "longest paint of a page", static_cast<long long>(longestPaint));
    std::printf("%-50s %8lld ms\n", "longest hold of the window, reading the folder",
                static_cast<long long>(longestHoldReading));
    std::printf("%-50s %8lld ms\n", "longest hold of the window, scrolling", static_cast<long long>(longestHold));
    return 0;
}
