// Quillmar start-up: the main window reads its settings and builds itself; a file named on the
// command line (other than "log") is opened before the window first shows.
#include "platform/GuardedApplication.h"
#include "platform/MessageBoxPrompter.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"
#include "shell/MainWindow.h"

int main(int argc, char **argv)
{
    TGuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmar"));
    TMessageBoxPrompter prompter(QStringLiteral("Quillmar"));
    TPrompterScope prompterScope(prompter);

    TfrmQuillmarMain window;
    prompter.SetParent(&window);
    const QStringList args = QApplication::arguments();
    if (args.size() > 1 && args[1].compare(QLatin1String("log"), Qt::CaseInsensitive) != 0) {
        const QString path = args[1];
        TfrmQuillmarMain::Guarded([&] {
            try {
                window.OpenFile(ToWideString(path), true, false, WideString());
            } catch (const std::exception &e) {
                throw Exception("Error opening " + ToLocalPath(path) + " - " + e.what());
            }
        });
    }
    window.show();
    return app.exec();
}
