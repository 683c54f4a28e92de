#include "platform/MessageBoxPrompter.h"
#include "platform/QtConvert.h"

#include <QMessageBox>
#include <QPushButton>

int TMessageBoxPrompter::Ask(const TPrompt &prompt)
{
    QMessageBox box(FParent);
    switch (prompt.Kind) {
    case TMsgDlgType::mtWarning: box.setIcon(QMessageBox::Warning); break;
    case TMsgDlgType::mtError: box.setIcon(QMessageBox::Critical); break;
    case TMsgDlgType::mtInformation: box.setIcon(QMessageBox::Information); break;
    case TMsgDlgType::mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case TMsgDlgType::mtCustom: box.setIcon(QMessageBox::NoIcon); break;
    }
    box.setWindowTitle(prompt.Caption.empty() ? FTitle : ToQString(prompt.Caption));
    // Texts carry file names, URLs and findings: shown as they stand, never taken as markup.
    box.setTextFormat(Qt::PlainText);
    // A text may break its lines with CR alone ("Help file not found\r" + path): shown as breaks.
    QString text = ToQString(prompt.Text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(text);

    struct Choice {
        TMsgDlgButtons Bit;
        int Result;
        QMessageBox::StandardButton Button;
    };
    static const Choice choices[] = {
        {mbYes, mrYes, QMessageBox::Yes},
        {mbNo, mrNo, QMessageBox::No},
        {mbOK, mrOk, QMessageBox::Ok},
        {mbCancel, mrCancel, QMessageBox::Cancel},
        {mbAbort, mrAbort, QMessageBox::Abort},
        {mbRetry, mrRetry, QMessageBox::Retry},
        {mbIgnore, mrIgnore, QMessageBox::Ignore},
        {mbAll, mrAll, QMessageBox::YesToAll},
        {mbNoToAll, mrNoToAll, QMessageBox::NoToAll},
        {mbYesToAll, mrYesToAll, QMessageBox::YesToAll},
    };
    const TMsgDlgButtons buttons = prompt.Buttons ? prompt.Buttons : mbOK;
    const int wanted = prompt.DefaultResult != mrNone ? prompt.DefaultResult : FirstResultOf(buttons);
    std::vector<std::pair<QAbstractButton *, int>> added;
    for (const Choice &c : choices) {
        if (!(buttons & c.Bit))
            continue;
        // "All" and "Yes to all" share the standard button; the box gets a plain one for "All".
        QAbstractButton *b = c.Bit == mbAll ? box.addButton(QObject::tr("&All"), QMessageBox::AcceptRole)
                                            : static_cast<QAbstractButton *>(box.addButton(c.Button));
        added.emplace_back(b, c.Result);
        if (c.Result == wanted)
            box.setDefaultButton(qobject_cast<QPushButton *>(b));
    }
    box.exec();
    QAbstractButton *clicked = box.clickedButton();
    for (const auto &[b, result] : added)
        if (b == clicked)
            return result;
    return (buttons & mbCancel) ? mrCancel : (buttons & mbNo) ? mrNo : mrCancel;
}
