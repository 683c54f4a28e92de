// Quillmar start-up. A copy already running for this user and display gets the file argument
// and this process ends. Otherwise the main window is made (it reads its settings), the splash
// shows while the program starts, a file named on the command line (other than "log") is opened,
// and the message loop runs until the window closes.
#include "controls/DebugLog.h"
#include "platform/GuardedApplication.h"
#include "platform/ScopeGuard.h"
#include "platform/MessageBoxPrompter.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"
#include "shell/Splash.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The end of the session (SIGTERM) or an interrupt closes the window as the user would, so the
// settings are written and unsaved text is offered for saving. The handler only writes a byte.
int TermSignalFds[2] = {-1, -1};

void OnTermSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(TermSignalFds[0], &c, 1);
}

} // namespace

int main(int argc, char **argv)
{
    TGuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmar"));
    // The debug log's switch (/debug or -debug in any case) is no file to open or hand over.
    QStringList args;
    for (const QString &a : QApplication::arguments().mid(1))
        if (a.compare(QLatin1String("/debug"), Qt::CaseInsensitive) != 0 &&
            a.compare(QLatin1String("-debug"), Qt::CaseInsensitive) != 0)
            args << a;

    const QString instanceName = TSingleInstance::DefaultName();
    if (TSingleInstance::HandOver(instanceName, args))
        return 0;
    QElapsedTimer started;
    started.start();

    // The help system's debug log (on with /debug, -debug or a file debug.debug beside the
    // program); it ends after the window.
    DebugLogInit(TfrmQuillmarMain::DebugLogSystem(QApplication::arguments()));
    const TScopeGuard endLog([] { DebugLogDone(); });

    TMessageBoxPrompter prompter(QStringLiteral("Quillmar"));
    TPrompterScope prompterScope(prompter);
    TMainWindowSetup setup;
    // QUILLMAR_SETTINGS_FILE names another settings file (tests).
    setup.SettingsFile = ToLocalPath(qEnvironmentVariable("QUILLMAR_SETTINGS_FILE"));
    TfrmQuillmarMain window(setup);
    prompter.SetParent(&window);

    std::unique_ptr<QSocketNotifier> termNotifier;
    bool closeWhenShown = false;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, TermSignalFds) == 0) {
        termNotifier = std::make_unique<QSocketNotifier>(TermSignalFds[1], QSocketNotifier::Read);
        auto onTermSignal = [&window, &closeWhenShown] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(TermSignalFds[1], &c, 1);
            // A signal taken while the splash shows (before the window does) closes the window
            // once it is shown, instead of being lost.
            if (window.isVisible())
                window.close();
            else
                closeWhenShown = true;
        };
        QObject::connect(termNotifier.get(), &QSocketNotifier::activated, &window, GuardedSlot(onTermSignal));
        struct sigaction action {};
        action.sa_handler = OnTermSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
    }

    TSingleInstance instance(instanceName);
    instance.OnActivate = [&window] { window.ActivateInstance(); };
    instance.OnOpen = [&window](const QString &Path) { TfrmQuillmarMain::Guarded([&] { window.HandOverOpen(Path); }); };
    instance.Listen();

    const bool logOnly = args.size() == 1 && args[0].compare(QLatin1String("log"), Qt::CaseInsensitive) == 0;
    std::unique_ptr<TfrmSplash> splash;
    if (args.isEmpty() || logOnly) {
        splash = std::make_unique<TfrmSplash>();
        splash->show();
        splash->repaint();
        QApplication::processEvents();
    }
    if (!args.isEmpty() && !logOnly && args[0].compare(QLatin1String("log"), Qt::CaseInsensitive) != 0) {
        const QString path = args[0];
        TfrmQuillmarMain::Guarded([&] {
            try {
                window.OpenFile(ToWideString(path), true, false, WideString());
            } catch (const std::exception &e) {
                throw Exception("Error opening " + ToLocalPath(path) + " - " + e.what());
            }
        });
    }
    // The splash stays at least four seconds from the start; QUILLMAR_NO_SPLASH_WAIT (tests) skips it.
    if (qEnvironmentVariableIsEmpty("QUILLMAR_NO_SPLASH_WAIT")) {
        const qint64 left = 4000 - started.elapsed();
        if (left > 0)
            QThread::msleep(static_cast<unsigned long>(left));
    }
    splash.reset();
    window.show();
    if (closeWhenShown)
        QTimer::singleShot(0, &window, GuardedSlot([&window] { window.close(); }));
    else
        // The first idle moment after start-up: the tip of the day when it is wanted.
        QTimer::singleShot(0, &window, GuardedSlot([&window] { window.myIdle(); }));
    return app.exec();
}
