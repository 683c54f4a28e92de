#include "platform/PlainText.h"

#include <QTextDocument>

QString PlainToolTip(const QString &Text)
{
    return Qt::mightBeRichText(Text) ? Qt::convertFromPlainText(Text, Qt::WhiteSpacePre) : Text;
}
