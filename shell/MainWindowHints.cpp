// The findings tooltip: a finding explains itself by its code when the mouse rests on its line.
#include "shell/MainWindow.h"

#include "checker/FindingRecord.h"
#include "checker/MessageSink.h"
#include "controls/TextListBox.h"
#include "platform/PlainText.h"
#include "platform/QtConvert.h"

#include <QHelpEvent>
#include <QToolTip>

extern const char *const FindingExplanations[192];

QString TfrmQuillmarMain::FindingHint(int Code)
{
    if (Code < 1 || Code > 192)
        return {};
    return QString::fromLatin1(FindingExplanations[Code - 1]);
}

void TfrmQuillmarMain::ShowFindingHint(QEvent *Event)
{
    auto *help = static_cast<QHelpEvent *>(Event);
    const int height = std::max(1, ErrorList->ItemHeight());
    const int row = help->pos().y() / height + ErrorList->TopIndex();
    // The code comes from the line's record: a line without one explains nothing.
    const auto *finding = std::any_cast<TFindingRecord>(&ErrorList->ItemData(row));
    const QString hint = finding && finding->Severity != sevPlain ? FindingHint(finding->Code) : QString();
    if (hint.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    // Just under the row, a little to the right of the mouse.
    const QPoint at(help->pos().x() + 8, (row - ErrorList->TopIndex() + 1) * height);
    // Explanations speak of tags ("a <script> tag"): shown as written.
    QToolTip::showText(ErrorList->viewport()->mapToGlobal(at), PlainToolTip(hint), ErrorList->viewport(), QRect(), 100 * 50);
}
