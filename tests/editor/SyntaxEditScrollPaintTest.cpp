// What a person sees after scrolling by the arrow keys: the screen, painted piece by piece while
// the view scrolls, must equal a fresh paint of the whole window (no stale caret images).
#include "EditorTestUtil.h"
#include "editor/SyntaxEdit.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

void Settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void Key(QWidget *w, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, {});
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, {});
    QApplication::sendEvent(w, &release);
    // Each step is painted before the next, as on a screen.
    QApplication::processEvents();
}

// The window as the screen shows it (the backing store, not a new paint).
QImage Screen(QWidget &w)
{
    return w.screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(EditorScrollPaint, ArrowScrollingLeavesNoStaleCaret)
{
    const int flash = QApplication::cursorFlashTime();
    QApplication::setCursorFlashTime(100000000); // no blinking between the two pictures
    std::string text;
    for (int i = 0; i < 80; ++i)
        text += (i ? "|" : "") + std::string(static_cast<size_t>(i % 13) * 9 + 5, static_cast<char>('a' + i % 26)) +
                " end of line " + std::to_string(i);
    for (TSyntaxEditOptions extra : {TSyntaxEditOptions(0), TSyntaxEditOptions(eoScrollPastEOL)}) {
        for (bool overwrite : {false, true}) {
            TSyntaxEdit e;
            e.SetOptions((e.Options() & ~eoScrollPastEOL) | extra);
            if (overwrite)
                e.SetOptions(e.Options() & ~eoInserting); // a block caret
            e.resize(320, 200);
            Fill(e, text);
            e.show();
            e.activateWindow();
            e.setFocus();
            Settle();
            QWidget *w = e.TextWindow();
            for (int i = 0; i < 25; ++i)
                Key(w, Qt::Key_Down);
            for (int i = 0; i < 60; ++i)
                Key(w, Qt::Key_Right);
            for (int i = 0; i < 20; ++i)
                Key(w, Qt::Key_Up);
            for (int i = 0; i < 45; ++i)
                Key(w, Qt::Key_Left);
            Settle();
            ASSERT_GT(e.GetTopLine(), 1);
            const QImage seen = Screen(e);
            w->repaint();
            Settle();
            const QImage fresh = Screen(e);
            ASSERT_FALSE(seen.isNull());
            if (const char *dir = std::getenv("EDITOR_SCROLL_PICTURES")) {
                seen.save(QString::fromLocal8Bit(dir) + QStringLiteral("/seen.png"));
                fresh.save(QString::fromLocal8Bit(dir) + QStringLiteral("/fresh.png"));
            }
            EXPECT_TRUE(seen == fresh) << "scroll past line ends " << (extra != 0) << ", block caret " << overwrite;
        }
    }
    QApplication::setCursorFlashTime(flash);
}

} // namespace
