// The findings tooltip: a finding line that starts with its code in parentheses explains itself
// when the mouse rests on it.
#include "shell/MainWindow.h"

#include "controls/TextListBox.h"
#include "platform/QtConvert.h"

#include <QHelpEvent>
#include <QToolTip>

extern const char *const FindingExplanations[192];

QString TfrmQuillmarMain::FindingHint(const QString &Line)
{
    // "(012) Warning on line ...": characters 2 to 4 are the code.
    if (Line.size() < 4)
        return {};
    bool ok = false;
    const int code = Line.mid(1, 3).toInt(&ok);
    if (!ok || code < 1 || code > 192)
        return {};
    return QString::fromLatin1(FindingExplanations[code - 1]);
}

void TfrmQuillmarMain::ShowFindingHint(QEvent *Event)
{
    auto *help = static_cast<QHelpEvent *>(Event);
    const int height = std::max(1, ErrorList->ItemHeight());
    const int row = help->pos().y() / height + ErrorList->TopIndex();
    const QString hint = row >= 0 && row < ErrorList->Items().Count()
                             ? FindingHint(AnsiToQString(ErrorList->Items().Strings(row)))
                             : QString();
    if (hint.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    // Just under the row, a little to the right of the mouse.
    const QPoint at(help->pos().x() + 8, (row - ErrorList->TopIndex() + 1) * height);
    QToolTip::showText(ErrorList->viewport()->mapToGlobal(at), hint, ErrorList->viewport(), QRect(), 100 * 50);
}
