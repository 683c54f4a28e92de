// The main window's part of start-up: hand-overs from later starts and the trace log at exit.
#include "shell/MainWindow.h"

#include "platform/GuardedApplication.h"
#include "platform/Prompter.h"
#include "platform/QtConvert.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include <utility>

void TfrmQuillmarMain::SaveTraceLog()
{
    SaveTraceLog(QCoreApplication::arguments());
}

void TfrmQuillmarMain::SaveTraceLog(const QStringList &Arguments)
{
    bool log = false;
    for (const QString &arg : Arguments.mid(1))
        log = log || arg.compare(QLatin1String("log"), Qt::CaseInsensitive) == 0;
    if (!FRunsFromNetwork && log && !TraceLines.isEmpty()) {
        const QString path = QFileInfo(FromLocalPath(FSettingsFile)).absolutePath() + QStringLiteral("/Quillmar.log");
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            QTextStream out(&file);
            for (const QString &line : TraceLines)
                out << line << '\n';
            out.flush();
        }
        if (file.error() != QFileDevice::NoError)
            ShowError(u"Error writing to log file, " + ToWideString(path) + u" " + ToWideString(file.errorString()));
    }
    TraceLines.clear();
}

void TfrmQuillmarMain::ActivateInstance()
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

bool TfrmQuillmarMain::UserIsAsked() const
{
    return FCheckedTab || FFileWalks > 0 || OpenPromptCount() > 0 || QApplication::activeModalWidget();
}

void TfrmQuillmarMain::RunWhenNotAsked()
{
    if (!FWhenNotAsked) {
        FWhenNotAsked = new QTimer(this);
        FWhenNotAsked->setInterval(50);
        connect(FWhenNotAsked, &QTimer::timeout, this, GuardedSlot([this] {
            if (UserIsAsked() || FDestroying)
                return;
            FWhenNotAsked->stop();
            const QStringList paths = std::exchange(FPendingHandOvers, {});
            for (const QString &path : paths)
                Guarded([&] { HandOverOpen(path); });
            if (RecheckDisk)
                ScheduleRefresh();
        }));
    }
    if (!FWhenNotAsked->isActive())
        FWhenNotAsked->start();
}

void TfrmQuillmarMain::HandOverOpen(const QString &Path)
{
    if (UserIsAsked()) {
        // A new tab now would become the active one behind the question: it opens afterwards.
        FPendingHandOvers << Path;
        RunWhenNotAsked();
        return;
    }
    const WideString path = ToWideString(Path);
    const int open = FileName2Tab(path);
    if (open >= 0) {
        // As a click on its tab: its results come back too.
        PageControl1->setCurrentIndex(open);
        return;
    }
    try {
        OpenFile(path, true, false, WideString());
    } catch (const std::exception &e) {
        throw Exception("Error opening " + ToLocalPath(Path) + " - " + e.what());
    }
}
