#pragma once
// What a label or a tool tip puts on screen from its text. Qt reads a text as markup when told so,
// or when left to guess (Qt::AutoText, always for tool tips) and Qt::mightBeRichText says it looks
// like markup; markup shows as the plain text of the document it makes.
#include <QLabel>
#include <QString>
#include <QTextDocument>

namespace shown {

inline QString ShownText(const QString &Text, Qt::TextFormat Format)
{
    const bool markup = Format == Qt::RichText || (Format == Qt::AutoText && Qt::mightBeRichText(Text));
    if (!markup)
        return Text;
    QTextDocument document;
    document.setHtml(Text);
    return document.toPlainText();
}

inline QString ShownText(const QLabel &Label)
{
    return ShownText(Label.text(), Label.textFormat());
}

inline QString ShownToolTip(const QString &Text)
{
    return ShownText(Text, Qt::AutoText);
}

} // namespace shown
