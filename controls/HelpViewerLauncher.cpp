// The default launcher of help viewer programs: found on PATH, started detached with an
// argument vector (never a command line a shell would read).
#include "controls/HHFuncs.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>

THelpViewerLauncher &HelpViewerLauncher()
{
    static THelpViewerLauncher launcher{
        [](const AnsiString &Name) {
            return QStandardPaths::findExecutable(QString::fromStdString(Name)).toStdString();
        },
        [](const AnsiString &Program, const std::vector<AnsiString> &Args, int &Error) {
            QStringList args;
            for (const AnsiString &a : Args)
                args << QString::fromStdString(a);
            QProcess process;
            process.setProgram(QString::fromStdString(Program));
            process.setArguments(args);
            if (process.startDetached())
                return true;
            Error = process.error() == QProcess::FailedToStart ? ENOENT : EIO;
            return false;
        }};
    return launcher;
}
