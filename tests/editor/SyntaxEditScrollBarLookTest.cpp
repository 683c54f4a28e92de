// The scroll-bar modes as a user sees them: the style's own bars, flat bars, and raised (3-D)
// bars whose thumb sinks while it is pressed; both bars follow the mode and keep their size.
#include "EditorTestUtil.h"
#include "editor/SyntaxEdit.h"
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <gtest/gtest.h>
#include <string>

namespace {

// Where the style puts a scroll bar's thumb.
QRect ThumbRectOf(const QScrollBar *bar)
{
    QStyleOptionSlider o;
    o.initFrom(bar);
    o.subControls = QStyle::SC_All;
    o.orientation = bar->orientation();
    if (o.orientation == Qt::Horizontal)
        o.state |= QStyle::State_Horizontal;
    o.minimum = bar->minimum();
    o.maximum = bar->maximum();
    o.sliderPosition = bar->sliderPosition();
    o.sliderValue = bar->value();
    o.singleStep = bar->singleStep();
    o.pageStep = bar->pageStep();
    o.upsideDown = bar->invertedAppearance();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &o, QStyle::SC_ScrollBarSlider, bar);
}

void SendBarMouse(QScrollBar *bar, QEvent::Type type, QPoint at)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent e(type, at, bar->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(bar, &e);
}

TEST(EditorScrollBarLook, EachModeDrawsBothBarsItsWay)
{
    TSyntaxEdit e;
    e.resize(320, 220);
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += (i ? "|" : "") + std::string(static_cast<size_t>(i * 3), 'x');
    Fill(e, text);
    e.show();
    QApplication::processEvents();
    ASSERT_EQ(e.ScrollBarMode(), sbmRegular);
    QScrollBar *const bars[] = {e.verticalScrollBar(), e.horizontalScrollBar()};
    for (QScrollBar *bar : bars)
        ASSERT_TRUE(bar->isEnabled() && !ThumbRectOf(bar).isEmpty());
    const QSize textArea = e.TextWindow()->size();
    const int columns = e.VisibleColumns(), rows = e.VisibleLineCount();
    const QImage regular[] = {bars[0]->grab().toImage(), bars[1]->grab().toImage()};

    const QPalette pal = bars[0]->palette();
    const QRgb light = pal.color(QPalette::Light).rgb(), dark = pal.color(QPalette::Dark).rgb(),
               mid = pal.color(QPalette::Mid).rgb(), button = pal.color(QPalette::Button).rgb();
    for (const TScrollBarMode mode : {sbmFlat, sbm3D, sbmFlat, sbmRegular}) {
        e.SetScrollBarMode(mode);
        QApplication::processEvents();
        EXPECT_EQ(e.ScrollBarMode(), mode);
        // The look changes, not the room the text has.
        EXPECT_EQ(e.TextWindow()->size(), textArea) << mode;
        EXPECT_EQ(e.VisibleColumns(), columns) << mode;
        EXPECT_EQ(e.VisibleLineCount(), rows) << mode;
        for (int b = 0; b < 2; ++b) {
            QScrollBar *bar = bars[b];
            const std::string what = std::to_string(mode) + (b ? " horizontal" : " vertical");
            const QImage look = bar->grab().toImage();
            const QRect thumb = ThumbRectOf(bar);
            switch (mode) {
            case sbmRegular: EXPECT_EQ(look, regular[b]) << what; break;
            case sbmFlat:
                EXPECT_NE(look, regular[b]) << what;
                // One thin edge all round, no bevel, the thumb filled plainly.
                EXPECT_EQ(look.pixel(thumb.topLeft()), mid) << what;
                EXPECT_EQ(look.pixel(thumb.bottomRight()), mid) << what;
                EXPECT_EQ(look.pixel(thumb.center()), button) << what;
                break;
            case sbm3D: {
                EXPECT_NE(look, regular[b]) << what;
                // Raised: light above and left, dark below and right; sunk while pressed.
                EXPECT_EQ(look.pixel(thumb.topLeft()), light) << what;
                EXPECT_EQ(look.pixel(thumb.bottomRight()), dark) << what;
                SendBarMouse(bar, QEvent::MouseButtonPress, thumb.center());
                const QImage pressed = bar->grab().toImage();
                SendBarMouse(bar, QEvent::MouseButtonRelease, thumb.center());
                const QRect held = ThumbRectOf(bar);
                EXPECT_EQ(pressed.pixel(held.topLeft()), dark) << what;
                EXPECT_EQ(pressed.pixel(held.bottomRight()), light) << what;
                break;
            }
            }
        }
    }
}

} // namespace
