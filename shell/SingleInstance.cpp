#include "shell/SingleInstance.h"
#include "platform/GuardedApplication.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {

// What a hand-over carries: a format word, then the path (empty for none).
constexpr quint32 kHandOverMagic = 0x514D4831;

} // namespace

TSingleInstance::TSingleInstance(QString Name, QObject *Parent) : QObject(Parent), FName(std::move(Name))
{
}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::DefaultName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QString display = QString::fromLocal8Bit(qgetenv("WAYLAND_DISPLAY"));
    if (display.isEmpty())
        display = QString::fromLocal8Bit(qgetenv("DISPLAY"));
    if (display.isEmpty())
        display = QGuiApplication::platformName();
    for (QChar &c : display)
        if (!c.isLetterOrNumber())
            c = QLatin1Char('_');
    return QDir(folder).filePath(QStringLiteral("quillmar-%1-%2.sock").arg(::getuid()).arg(display));
}

bool TSingleInstance::HandOver(const QString &Name, const QStringList &Args, int TimeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(Name);
    if (!socket.waitForConnected(TimeoutMs))
        return false;
    QByteArray block;
    {
        QDataStream out(&block, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        // The whole absolute path: the first copy runs in another folder.
        const QString path = Args.isEmpty() ? QString() : QFileInfo(Args.first()).absoluteFilePath();
        out << kHandOverMagic << path;
    }
    socket.write(block);
    if (!socket.waitForBytesWritten(TimeoutMs))
        return false;
    // Wait until the first copy has handled it (or has gone).
    socket.waitForReadyRead(TimeoutMs * 6);
    return true;
}

bool TSingleInstance::Listen()
{
    // A copy that answers on the socket is the first copy; a socket file nobody answers on was
    // left by a copy that died and goes.
    {
        QLocalSocket probe;
        probe.connectToServer(FName);
        if (probe.waitForConnected(500))
            return false;
    }
    QLocalServer::removeServer(FName);
    FServer = new QLocalServer(this);
    FServer->setSocketOptions(QLocalServer::UserAccessOption);
    if (!FServer->listen(FName))
        return false;
    connect(FServer, &QLocalServer::newConnection, this, GuardedSlot([this] {
        while (QLocalSocket *client = FServer->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            connect(client, &QLocalSocket::readyRead, this, GuardedSlot([this, client] {
                QDataStream in(client);
                in.setVersion(QDataStream::Qt_6_0);
                in.startTransaction();
                quint32 magic = 0;
                QString path;
                in >> magic >> path;
                if (!in.commitTransaction())
                    return; // the rest has not arrived yet
                if (magic == kHandOverMagic) {
                    if (OnActivate)
                        OnActivate();
                    if (OnOpen && !path.isEmpty())
                        OnOpen(path);
                }
                client->write("1");
                client->flush();
                client->disconnectFromServer();
            }));
        }
    }));
    return true;
}
