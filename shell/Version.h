#pragma once
// The program's version, named once: the title bar, the about box, the splash, the new-file
// skeleton's GENERATOR tag, the print footer (through the title) and the newer-version check all
// read it from here, so they can never disagree.
#include <QString>

// As the web site writes it: digits and full stops.
inline constexpr const char *QuillmarVersion = "1.16";

// "V1.16", as the program shows it beside its name.
inline QString QuillmarVersionTag()
{
    return QStringLiteral("V") + QString::fromLatin1(QuillmarVersion);
}
