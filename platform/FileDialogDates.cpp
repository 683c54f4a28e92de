#include "platform/FileDialogDates.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLocale>
#include <QStyle>
#include <QTreeView>

#include <algorithm>

void WidenDateColumn(QFileDialog &Dialog)
{
    auto *view = Dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    if (!view)
        return;
    // Qt sizes the column for a short American date; the locale's own format (day, month name,
    // year and seconds) is longer and was cut in the middle. The widest month of a date with
    // wide digits decides, plus the room of the cell's and the header's margins.
    const QFontMetrics metrics(view->font());
    int widest = 0;
    for (int month = 1; month <= 12; ++month) {
        const QDateTime sample(QDate(2000, month, 28), QTime(20, 58, 58));
        for (const QLocale &locale : {QLocale(), QLocale::system()})
            widest = std::max(widest, metrics.horizontalAdvance(locale.toString(sample, QLocale::ShortFormat)));
    }
    const int margins = 2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, view) +
                        2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1) + 12;
    constexpr int DateColumn = 3;
    QHeaderView *header = view->header();
    header->resizeSection(DateColumn, std::max(header->sectionSize(DateColumn), widest + margins));
}
