#pragma once
// Dialogs that open centred on the window that opened them.
#include <QWidget>

inline void CenterOnParent(QWidget &Dialog)
{
    if (QWidget *parent = Dialog.parentWidget()) {
        const QRect p = parent->frameGeometry();
        Dialog.move(p.center() - QPoint(Dialog.width() / 2, Dialog.height() / 2));
    }
}
