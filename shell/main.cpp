// Quillmar start-up. A copy already running for this user and display gets the file argument
// and this process ends. Otherwise the main window is made (it reads its settings), the splash
// shows while the program starts, a file named on the command line (other than "log") is opened,
// and the message loop runs until the window closes.
#include "platform/GuardedApplication.h"
#include "platform/MessageBoxPrompter.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/MainWindow.h"
#include "shell/SingleInstance.h"
#include "shell/Splash.h"

#include <QElapsedTimer>
#include <QThread>

#include <memory>

int main(int argc, char **argv)
{
    TGuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmar"));
    const QStringList args = QApplication::arguments().mid(1);

    const QString instanceName = TSingleInstance::DefaultName();
    if (TSingleInstance::HandOver(instanceName, args))
        return 0;
    QElapsedTimer started;
    started.start();

    TMessageBoxPrompter prompter(QStringLiteral("Quillmar"));
    TPrompterScope prompterScope(prompter);
    TfrmQuillmarMain window;
    prompter.SetParent(&window);

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
    return app.exec();
}
