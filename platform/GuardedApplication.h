#pragma once
// The program's application object and its one error boundary. An exception that an event
// handler of any widget lets through never reaches the Qt event loop: notify() catches it and
// shows its message through the installed prompter as an error box, and the program goes on.
// Constructing the application also installs the user's locale rules for LocaleCompareText.
#include "platform/Types.h"
#include <QApplication>

class TGuardedApplication : public QApplication {
public:
    TGuardedApplication(int &argc, char **argv);
    ~TGuardedApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // The text the error box shows for the exception being handled (call inside a catch block).
    static WideString CurrentExceptionText();
};

// The user's locale comparison (case-insensitive collation of the system locale).
int QtLocaleCompareText(const WideString &S1, const WideString &S2);
