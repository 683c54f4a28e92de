#include "platform/GuardedApplication.h"

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/LocaleCompare.h"
#include "platform/Prompter.h"

#include <QCollator>
#include <QLocale>
#include <QString>

#include <exception>
#include <new>

TGuardedApplication::TGuardedApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    SetLocaleCompareText(&QtLocaleCompareText);
}

TGuardedApplication::~TGuardedApplication()
{
    SetLocaleCompareText(nullptr);
}

WideString TGuardedApplication::CurrentExceptionText()
{
    try {
        throw;
    } catch (const Exception &e) {
        return AnsiToWide(e.Message());
    } catch (const std::bad_alloc &) {
        return u"Out of memory.";
    } catch (const std::exception &e) {
        // Standard library messages are plain ASCII or UTF-8.
        const QString text = QString::fromUtf8(e.what());
        return WideString(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    } catch (...) {
        return u"An unknown error occurred.";
    }
}

bool TGuardedApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        WideString text;
        try {
            text = CurrentExceptionText();
        } catch (...) {
            text = u"An unknown error occurred.";
        }
        try {
            ShowError(text);
        } catch (...) {
            // The error box itself failed (out of memory): there is nothing left to tell the user with.
        }
        return false;
    }
}

int QtLocaleCompareText(const WideString &S1, const WideString &S2)
{
    // One collator per thread (QCollator is not safe to share between threads), set up on first use.
    thread_local const QCollator collator = [] {
        QCollator c(QLocale::system());
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const QString a = QString::fromUtf16(S1.data(), qsizetype(S1.size()));
    const QString b = QString::fromUtf16(S2.data(), qsizetype(S2.size()));
    return collator.compare(a, b);
}
