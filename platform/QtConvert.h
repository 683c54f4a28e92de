#pragma once
// Conversions at the widget boundary: logic classes speak WideString / AnsiString
// (Windows-1252), widgets speak QString.
#include "platform/CodePage.h"
#include <QString>

inline QString ToQString(const WideString &s)
{
    return QString(reinterpret_cast<const QChar *>(s.data()), static_cast<qsizetype>(s.size()));
}

inline WideString ToWideString(const QString &s)
{
    return WideString(reinterpret_cast<const char16_t *>(s.utf16()), static_cast<size_t>(s.size()));
}

inline QString AnsiToQString(const AnsiString &s)
{
    return ToQString(AnsiToWide(s));
}

inline AnsiString QStringToAnsi(const QString &s)
{
    return WideToAnsi(ToWideString(s));
}

// File names travel as UTF-8 in AnsiString paths handed to POSIX calls.
inline AnsiString ToLocalPath(const QString &s)
{
    return s.toStdString();
}

inline QString FromLocalPath(const AnsiString &s)
{
    return QString::fromStdString(s);
}
