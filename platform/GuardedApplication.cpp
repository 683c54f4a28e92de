#include "platform/GuardedApplication.h"

#include "platform/CodePage.h"
#include "platform/Exception.h"
#include "platform/LocaleCompare.h"
#include "platform/Prompter.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <QStringDecoder>

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

WideString ExceptionMessageText(std::string_view Message)
{
    const QByteArrayView bytes(Message.data(), qsizetype(Message.size()));
    // Stateless: a sequence cut off at the end is an error too, not input still to come.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return AnsiToWide(Message.data(), Message.size());
    return WideString(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
}

WideString TGuardedApplication::CurrentExceptionText()
{
    try {
        throw;
    } catch (const std::bad_alloc &) {
        return u"Out of memory.";
    } catch (const Exception &e) {
        return ExceptionMessageText(e.Message());
    } catch (const std::exception &e) {
        return ExceptionMessageText(e.what());
    } catch (...) {
        return u"An unknown error occurred.";
    }
}

void ShowCurrentException() noexcept
{
    WideString text;
    try {
        text = TGuardedApplication::CurrentExceptionText();
    } catch (...) {
        text = u"An unknown error occurred.";
    }
    try {
        ShowError(text);
    } catch (...) {
        // The error box itself failed (out of memory): there is nothing left to tell the user with.
    }
}

void RunGuarded(const std::function<void()> &Handler) noexcept
{
    try {
        Handler();
    } catch (...) {
        ShowCurrentException();
    }
}

bool TGuardedApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException();
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
