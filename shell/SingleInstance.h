#pragma once
// One running copy per user and display. The first copy listens on a local socket in the user's
// runtime folder; a later start connects, hands over its file argument (as a full absolute path)
// and ends. A socket left behind by a copy that died is removed.
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;

class TSingleInstance : public QObject {
public:
    explicit TSingleInstance(QString Name, QObject *Parent = nullptr);
    ~TSingleInstance() override;

    // The socket of this user on this display.
    static QString DefaultName();

    // Hands Args (the program's arguments without the program itself) to a running first copy:
    // it comes to the front and opens the first argument, if any. True when a first copy took it
    // (waiting until it has handled the hand-over); false when none runs.
    static bool HandOver(const QString &Name, const QStringList &Args, int TimeoutMs = 5000);

    // Becomes the first copy. False when the socket cannot be made.
    bool Listen();
    const QString &Name() const { return FName; }

    // Called for each hand-over: the window comes to the front, then the path (empty for none)
    // is opened.
    std::function<void()> OnActivate;
    std::function<void(const QString &Path)> OnOpen;

private:
    QString FName;
    QLocalServer *FServer = nullptr;
};
