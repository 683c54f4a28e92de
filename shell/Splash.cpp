#include "shell/Splash.h"
#include "platform/GuardedApplication.h"
#include "shell/Version.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace {
constexpr int kBuildDay = 31, kBuildMonth = 5, kBuildYear = 2010;
} // namespace

TfrmSplash::TfrmSplash(QWidget *Parent) : QWidget(Parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    resize(420, 240);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

QString TfrmSplash::BuildDateText()
{
    return QStringLiteral("%1/%2/%3").arg(kBuildDay).arg(kBuildMonth).arg(kBuildYear);
}

void TfrmSplash::paintEvent(QPaintEvent *)
{
    RunGuarded([&] {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        // Background 0x00F0FFFF (blue, green, red bytes): a light ivory.
        p.fillRect(rect(), QColor(0xFF, 0xFF, 0xF0));
        // The raised edge.
        p.setPen(QColor(255, 255, 255));
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(QColor(128, 128, 128));
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);

        // Three pictures: a page, a check mark, a small tree.
        const QRect page(24, 28, 56, 72);
        p.setPen(QPen(QColor(0, 0, 128), 2));
        p.setBrush(Qt::white);
        p.drawRect(page);
        for (int y = page.top() + 14; y < page.bottom() - 6; y += 10)
            p.drawLine(page.left() + 8, y, page.right() - 8, y);
        QPainterPath tick;
        tick.moveTo(28, 150);
        tick.lineTo(44, 168);
        tick.lineTo(76, 124);
        p.setPen(QPen(QColor(0, 128, 0), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
        p.setPen(QPen(QColor(128, 0, 0), 2));
        p.drawLine(52, 192, 52, 224);
        p.drawLine(52, 204, 72, 204);
        p.drawLine(52, 220, 72, 220);
        p.setBrush(QColor(128, 0, 0));
        for (const QPoint &c : {QPoint(52, 192), QPoint(74, 204), QPoint(74, 220)})
            p.drawEllipse(c, 4, 4);

        QFont big = font();
        big.setPointSize(22);
        big.setBold(true);
        p.setFont(big);
        p.setPen(QColor(0, 0, 128));
        p.drawText(110, 70, QStringLiteral("Javascript"));
        p.drawText(110, 110, QStringLiteral("Authoring"));
        p.drawText(110, 150, QStringLiteral("Tool (") + QuillmarVersionTag() + QStringLiteral(")"));
        QFont small = font();
        small.setPointSize(9);
        p.setFont(small);
        p.setPen(Qt::black);
        p.drawText(110, 210, QStringLiteral("Build date:"));
        p.drawText(190, 210, BuildDateText());
    });
}
