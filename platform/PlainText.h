#pragma once
// Texts that must show as they stand. Qt guesses markup in a tool tip (Qt::mightBeRichText) with no
// way to turn the guess off, so a tip carrying a file name, a URL or a finding goes in escaped.
// Labels and message boxes need no helper: they are told Qt::PlainText.
#include <QString>

// The tool tip text that shows `Text` literally, its line breaks and runs of blanks kept: `Text`
// itself when Qt would take it as plain, else `Text` escaped as markup.
QString PlainToolTip(const QString &Text);
