#pragma once
// A server program started by a test on 127.0.0.1 and stopped when the object goes.
#include "NetTestSupport.h"
#include <QProcess>
#include <QStringList>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {

inline bool PortAccepts(int Port)
{
    const int Fd = ConnectLoopback(Port);
    if (Fd >= 0)
        ::close(Fd);
    return Fd >= 0;
}

class ServerProcess {
public:
    // Starts Program with Args and waits until Port accepts connections (up to 15 s).
    ServerProcess(const QString &Program, const QStringList &Args, int Port) : FPort(Port)
    {
        FProcess.setProgram(Program);
        FProcess.setArguments(Args);
        FProcess.setStandardErrorFile(QProcess::nullDevice());
        FProcess.setStandardOutputFile(QProcess::nullDevice());
        FProcess.start();
        FProcess.waitForStarted(5000);
        for (int I = 0; I < 750 && !PortAccepts(Port); ++I) {
            if (FProcess.state() == QProcess::NotRunning)
                break;
            ::usleep(20000);
        }
        // A server that could not bind its port has ended: whatever answers there is not ours.
        FReady = PortAccepts(Port) && FProcess.state() == QProcess::Running;
    }
    ~ServerProcess()
    {
        FProcess.terminate();
        if (!FProcess.waitForFinished(3000)) {
            FProcess.kill();
            FProcess.waitForFinished(3000);
        }
    }
    bool Ready() const { return FReady; }
    int Port() const { return FPort; }

private:
    QProcess FProcess;
    int FPort;
    bool FReady = false;
};

} // namespace nettest
