#include "net/WSocket.h"
#include "platform/GuardedApplication.h"
#include "platform/SysUtils.h"
#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

// Delivers a look-up result from a worker thread to the socket that asked, as long as the
// socket lives.
struct TLookupChannel {
    std::mutex Mutex;
    QObject *Target = nullptr;
    std::function<void(uint64_t Handle, int Error, std::vector<AnsiString> Results)> Deliver;
};

namespace {

std::atomic<int> LiveSocketCount{0};
std::atomic<uint64_t> NextLookupHandle{1};

int SetLastErrorFromErrno()
{
    const int Error = SocketErrorFromErrno(errno);
    WSocketSetLastError(Error);
    return Error;
}

void StartLookup(const std::shared_ptr<TLookupChannel> &Channel, uint64_t Handle, AnsiString Name, bool Reverse)
{
    // The resolver is taken here, on the socket's thread, so a test that replaces it for a while
    // decides the answer of every look-up started meanwhile.
    QThreadPool::globalInstance()->start([Channel, Handle, Name = std::move(Name), Reverse,
                                          Resolver = CurrentHostResolver()]() {
        std::vector<AnsiString> Results;
        int Error = 0;
        if (!Reverse) {
            std::vector<uint32_t> Addresses;
            Error = WSocketLookupHost(Resolver, Name, Addresses);
            for (uint32_t A : Addresses)
                Results.push_back(WSocketAddrText(A));
        } else {
            sockaddr_in Sin{};
            Sin.sin_family = AF_INET;
            Sin.sin_addr.s_addr = WSocketInetAddr(Name);
            char Host[NI_MAXHOST] = {};
            const int Rc = getnameinfo(reinterpret_cast<const sockaddr *>(&Sin), sizeof Sin, Host, sizeof Host, nullptr,
                                       0, NI_NAMEREQD);
            if (Rc != 0)
                Error = SocketErrorFromResolver(Rc, errno);
            else
                Results.emplace_back(Host);
        }
        std::lock_guard<std::mutex> Lock(Channel->Mutex);
        if (Channel->Target) {
            auto Deliver = Channel->Deliver;
            QMetaObject::invokeMethod(
                Channel->Target, GuardedSlot([Deliver, Handle, Error, Results]() { Deliver(Handle, Error, Results); }),
                Qt::QueuedConnection);
        }
    });
}

} // namespace

int WSocketWaitUntil(const std::function<bool()> &Done, int TimeoutMs)
{
    if (Done())
        return 0;
    if (!QCoreApplication::instance() || QCoreApplication::closingDown())
        return WSocketWaitTimeout;
    QEventLoop Loop;
    QTimer Deadline;
    Deadline.setSingleShot(true);
    if (TimeoutMs > 0) {
        QObject::connect(&Deadline, &QTimer::timeout, &Loop, GuardedSlot([&Loop]() { Loop.quit(); }));
        Deadline.start(TimeoutMs);
    }
    // The loop sleeps in the dispatcher; every time it is about to sleep the condition is
    // checked again, so the wait costs no processor time and ends right after the event that
    // satisfied it.
    QMetaObject::Connection Check;
    if (QAbstractEventDispatcher *Dispatcher = QAbstractEventDispatcher::instance())
        Check = QObject::connect(Dispatcher, &QAbstractEventDispatcher::aboutToBlock, &Loop, GuardedSlot([&]() {
            if (Done())
                Loop.quit();
        }));
    QTimer::singleShot(0, &Loop, GuardedSlot([&]() {
        if (Done())
            Loop.quit();
    }));
    Loop.exec();
    QObject::disconnect(Check);
    return Done() ? 0 : WSocketWaitTimeout;
}

TCustomWSocket::TCustomWSocket()
    : FWindow(std::make_unique<QObject>()), FLookupChannel(std::make_shared<TLookupChannel>())
{
    FLookupChannel->Target = FWindow.get();
    FLookupChannel->Deliver = [this](uint64_t Handle, int Error, std::vector<AnsiString> Results) {
        Guarded([&]() { LookupDone(Handle, Error, std::move(Results)); });
    };
    ResetDefaults();
    ++LiveSocketCount;
}

TCustomWSocket::~TCustomWSocket()
{
    FDestroying = true;
    // Whoever listened may be gone already: a socket being destroyed reports nothing.
    OnSessionAvailable = OnSessionConnected = OnSessionClosed = OnDataAvailable = OnDataSent = OnDnsLookupDone =
        nullptr;
    OnChangeState = nullptr;
    OnSendData = nullptr;
    OnError = nullptr;
    OnBgException = nullptr;
    {
        std::lock_guard<std::mutex> Lock(FLookupChannel->Mutex);
        FLookupChannel->Target = nullptr;
    }
    FDnsLookupHandle = 0;
    if (FState != wsClosed || FHSocket != INVALID_SOCKET) {
        try {
            CloseSocket(true, 0);
        } catch (...) {
        }
    }
    DestroyNotifiers();
    if (FHSocket != INVALID_SOCKET)
        ::close(FHSocket);
    --LiveSocketCount;
}

int TCustomWSocket::LiveSockets()
{
    return LiveSocketCount.load();
}

void TCustomWSocket::ResetDefaults()
{
    FAddrAssigned = FAddrResolved = false;
    FPortAssigned = FPortResolved = false;
    FLocalPortResolved = false;
    FProtoStr = "tcp";
    FProto = IPPROTO_TCP;
    FType = SOCK_STREAM;
    FProtoAssigned = true;
    FProtoResolved = false;
    FLocalPortStr = "0";
    FLocalAddr = "0.0.0.0";
    FLingerOnOff = wsLingerOn;
    FLingerTimeout = 0;
    FHSocket = INVALID_SOCKET;
    FSelectEvent = 0;
    FState = wsClosed;
    FAllSent = true;
    FPaused = false;
    FReadCount = 0;
    FCloseInvoked = false;
    FFlushTimeout = 60;
    FSin = sockaddr_in{};
    FSin.sin_family = AF_INET;
}

// ---- properties -------------------------------------------------------------------------------

void TCustomWSocket::SetAddr(const AnsiString &Value)
{
    if (Value == FAddrStr && FAddrAssigned)
        return;
    if (FState != wsClosed) {
        SignalError("Cannot change Addr if not closed");
        return;
    }
    FAddrStr = Trim(Value);
    FAddrAssigned = !FAddrStr.empty();
    FAddrResolved = false;
}

void TCustomWSocket::SetPort(const AnsiString &Value)
{
    if (Value == FPortStr && FPortAssigned)
        return;
    if (FState != wsClosed) {
        SignalError("Cannot change Port if not closed");
        return;
    }
    FPortStr = Trim(Value);
    FPortAssigned = !FPortStr.empty();
    FPortResolved = false;
}

void TCustomWSocket::SetProto(const AnsiString &Value)
{
    if (Value == FProtoStr && FProtoAssigned)
        return;
    if (FState != wsClosed) {
        SignalError("Cannot change Proto if not closed");
        return;
    }
    FProtoStr = Trim(Value);
    FProtoAssigned = !FProtoStr.empty();
    FProtoResolved = false;
}

void TCustomWSocket::SetLocalPort(const AnsiString &Value)
{
    if (FState != wsClosed) {
        SignalError("Cannot change LocalPort if not closed");
        return;
    }
    FLocalPortStr = Value;
    FLocalPortResolved = false;
}

void TCustomWSocket::SetLocalAddr(const AnsiString &Value)
{
    if (FState != wsClosed) {
        SignalError("Cannot change LocalAddr if not closed");
        return;
    }
    FLocalAddr = Value.empty() ? AnsiString("0.0.0.0") : Value;
}

TSocketSendFlags TCustomWSocket::SendFlags() const
{
    if (FSendFlags == 0)
        return wsSendNormal;
    if (FSendFlags == MSG_OOB)
        return wsSendUrgent;
    throw ESocketException("Invalid internal SendFlags");
}

void TCustomWSocket::SetSendFlags(int Value)
{
    if (Value == wsSendNormal)
        FSendFlags = 0;
    else if (Value == wsSendUrgent)
        FSendFlags = MSG_OOB;
    else
        SignalError("Invalid SendFlags");
}

// ---- errors -----------------------------------------------------------------------------------

void TCustomWSocket::SignalError(const AnsiString &Msg)
{
    if (OnError) {
        FireError();
        return;
    }
    throw ESocketException(Msg);
}

void TCustomWSocket::ReportSocketError(const AnsiString &FuncName)
{
    const int E = WSocketLastError();
    const AnsiString Msg = "Error " + IntToStr(E) + " in function " + FuncName + "\r\n" + SocketErrorText(E);
    if (E == WSAECONNRESET || E == WSAENOTCONN) {
        DestroyNotifiers();
        if (FHSocket != INVALID_SOCKET)
            ::close(FHSocket);
        FHSocket = INVALID_SOCKET;
        if (FState != wsClosed && !FCloseInvoked) {
            FCloseInvoked = true;
            FireSessionClosed(static_cast<uint16_t>(E));
        }
        ChangeState(wsClosed);
    }
    FLastError = E;
    SignalError(Msg);
}

void TCustomWSocket::HandleBgException(const Exception &E)
{
    bool CanClose = true;
    // A failure of the user's handler, or of the abort, is shown by the program's error boundary:
    // it must not unwind into the event loop, nor vanish.
    if (OnBgException)
        RunGuarded([&] { OnBgException(this, E, CanClose); });
    if (CanClose)
        RunGuarded([&] { Abort(); });
}

void TCustomWSocket::Guarded(const std::function<void()> &Handler)
{
    try {
        Handler();
    } catch (const Exception &E) {
        HandleBgException(E);
    } catch (const std::exception &E) {
        HandleBgException(Exception(E.what()));
    } catch (...) {
        ShowCurrentException();
    }
}

void TCustomWSocket::Post(std::function<void()> Handler)
{
    QMetaObject::invokeMethod(
        FWindow.get(), GuardedSlot([this, Handler = std::move(Handler)]() { Guarded(Handler); }), Qt::QueuedConnection);
}

// ---- events -----------------------------------------------------------------------------------

bool TCustomWSocket::FireDataAvailable(uint16_t Error)
{
    if (!OnDataAvailable)
        return false;
    OnDataAvailable(this, Error);
    return true;
}

void TCustomWSocket::FireSessionAvailable(uint16_t Error)
{
    if (OnSessionAvailable)
        OnSessionAvailable(this, Error);
}

void TCustomWSocket::FireSessionConnected(uint16_t Error)
{
    if (OnSessionConnected)
        OnSessionConnected(this, Error);
}

void TCustomWSocket::FireSessionClosed(uint16_t Error)
{
    if (OnSessionClosed)
        OnSessionClosed(this, Error);
}

void TCustomWSocket::FireDataSent(uint16_t Error)
{
    if (OnDataSent)
        OnDataSent(this, Error);
}

void TCustomWSocket::FireChangeState(TSocketState OldState, TSocketState NewState)
{
    if (OnChangeState)
        OnChangeState(this, OldState, NewState);
}

void TCustomWSocket::FireDnsLookupDone(uint16_t Error)
{
    if (OnDnsLookupDone)
        OnDnsLookupDone(this, Error);
}

void TCustomWSocket::FireError()
{
    if (OnError)
        OnError(this);
}

void TCustomWSocket::FireSendData(int BytesSent)
{
    if (OnSendData)
        OnSendData(this, BytesSent);
}

void TCustomWSocket::ChangeState(TSocketState NewState)
{
    const TSocketState Old = FState;
    FState = NewState;
    FireChangeState(Old, NewState);
}

// ---- readiness --------------------------------------------------------------------------------

void TCustomWSocket::CreateNotifiers()
{
    DestroyNotifiers();
    FReadNotifier = std::make_unique<QSocketNotifier>(FHSocket, QSocketNotifier::Read);
    FWriteNotifier = std::make_unique<QSocketNotifier>(FHSocket, QSocketNotifier::Write);
    FReadNotifier->setEnabled(false);
    FWriteNotifier->setEnabled(false);
    QObject::connect(FReadNotifier.get(), &QSocketNotifier::activated, FWindow.get(),
                     GuardedSlot([this]() { OnReadReady(); }));
    QObject::connect(FWriteNotifier.get(), &QSocketNotifier::activated, FWindow.get(),
                     GuardedSlot([this]() { OnWriteReady(); }));
    FReadArmed = false;
    FWriteWanted = false;
}

void TCustomWSocket::DestroyNotifiers()
{
    // A notifier must go before its descriptor is closed.
    FReadNotifier.reset();
    FWriteNotifier.reset();
}

void TCustomWSocket::UpdateNotifiers()
{
    if (!FReadNotifier)
        return;
    const bool Read = FReadArmed && !FPaused && (FSelectEvent & (FD_READ | FD_ACCEPT | FD_CLOSE)) != 0;
    const bool Write = FWriteWanted && !FPaused && (FSelectEvent & (FD_WRITE | FD_CONNECT)) != 0;
    if (FReadNotifier->isEnabled() != Read)
        FReadNotifier->setEnabled(Read);
    if (FWriteNotifier->isEnabled() != Write)
        FWriteNotifier->setEnabled(Write);
}

void TCustomWSocket::SetSelect(unsigned Mask)
{
    FSelectEvent = Mask;
    if (!FReadNotifier)
        CreateNotifiers();
    UpdateNotifiers();
}

int TCustomWSocket::FionRead()
{
    int Count = 0;
    if (FHSocket == INVALID_SOCKET || ioctl(FHSocket, FIONREAD, &Count) < 0)
        return -1;
    return Count;
}

void TCustomWSocket::OnReadReady()
{
    if (FHSocket == INVALID_SOCKET)
        return;
    auto Deliver = [this](unsigned Events, uint16_t Error) {
        // As with the sockets library, the next read event waits until the socket is read
        // (or a connection accepted).
        FReadArmed = false;
        UpdateNotifiers();
        SocketEvent(Events, Error);
    };
    if (FState == wsListening && FType == SOCK_STREAM) {
        Deliver(FD_ACCEPT, 0);
        return;
    }
    if (FType != SOCK_STREAM || FionRead() > 0) {
        Deliver(FD_READ, 0);
        return;
    }
    char Probe;
    const ssize_t Rc = recv(FHSocket, &Probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (Rc > 0)
        Deliver(FD_READ, 0);
    else if (Rc == 0)
        Deliver(FD_CLOSE, 0);
    else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
        Deliver(FD_CLOSE, static_cast<uint16_t>(SocketErrorFromErrno(errno)));
}

void TCustomWSocket::OnWriteReady()
{
    if (FHSocket == INVALID_SOCKET)
        return;
    FWriteWanted = false;
    if (FState == wsConnecting) {
        int Err = 0;
        socklen_t Len = sizeof Err;
        if (getsockopt(FHSocket, SOL_SOCKET, SO_ERROR, &Err, &Len) < 0)
            Err = errno;
        if (Err == 0) {
            FReadArmed = true;
            UpdateNotifiers();
            SocketEvent(FD_CONNECT | FD_WRITE, 0);
        } else {
            UpdateNotifiers();
            SocketEvent(FD_CONNECT, static_cast<uint16_t>(SocketErrorFromErrno(Err)));
        }
        return;
    }
    UpdateNotifiers();
    SocketEvent(FD_WRITE, 0);
}

void TCustomWSocket::SocketEvent(unsigned Events, uint16_t Error)
{
    Guarded([&]() { HandleNetworkEvent(Events, Error); });
}

void TCustomWSocket::HandleNetworkEvent(unsigned Events, uint16_t Error)
{
    if (FPaused || FHSocket == INVALID_SOCKET)
        return;
    const TSocketHandle Handle = FHSocket;
    auto Live = [&]() { return FHSocket == Handle && FHSocket != INVALID_SOCKET; };
    if ((Events & FD_CONNECT) && FState != wsConnected) {
        ChangeState(wsConnected);
        FireSessionConnected(Error);
        if (Error != 0 && FState != wsClosed)
            Close();
    }
    if ((Events & FD_READ) && Live()) {
        if (FState != wsConnected) {
            ChangeState(wsConnected);
            FireSessionConnected(Error);
        }
        ReceiveLoop(Error, FComponentOptions);
    }
    if ((Events & FD_WRITE) && Live()) {
        TryToSend();
        if (FAllSent && Live())
            FireDataSent(Error);
    }
    if ((Events & FD_ACCEPT) && Live())
        FireSessionAvailable(Error);
    if ((Events & FD_CLOSE) && Live() && FState != wsConnecting) {
        ReceiveLoop(0, FComponentOptions & ~static_cast<unsigned>(wsoNoReceiveLoop));
        if (!FCloseInvoked) {
            FCloseInvoked = true;
            FireSessionClosed(Error);
        }
        if (FState != wsClosed)
            Close();
    }
}

void TCustomWSocket::ReceiveLoop(uint16_t Error, TWSocketOptions Options)
{
    const TSocketHandle Handle = FHSocket;
    for (;;) {
        const uint64_t CallsBefore = FRecvCalls;
        try {
            FLastError = 0;
            if (!FireDataAvailable(Error)) {
                char Junk[1024];
                if (Receive(Junk, sizeof Junk) < 0 && FLastError == WSAEWOULDBLOCK) {
                    FLastError = 0;
                    break;
                }
            }
        } catch (const Exception &E) {
            HandleBgException(E);
            break;
        } catch (const std::exception &E) {
            HandleBgException(Exception(E.what()));
            break;
        }
        if (Options & wsoNoReceiveLoop)
            break;
        if (FHSocket != Handle || FHSocket == INVALID_SOCKET || FLastError != 0)
            break;
        // A handler that read nothing would be offered the same bytes for ever.
        if (FRecvCalls == CallsBefore)
            break;
        // A stream read that got less than it asked for emptied the socket: the next bytes raise
        // a new event, so only a read that filled its buffer asks whether more waits (a handler
        // is never offered an empty socket).
        if (FType == SOCK_STREAM && !FLastReadFull)
            break;
        const int Waiting = FionRead();
        if (Waiting <= 0) {
            if (Waiting < 0)
                FLastError = SocketErrorFromErrno(errno);
            break;
        }
    }
}

// ---- reading ----------------------------------------------------------------------------------

int TCustomWSocket::RawReadData(void *Buffer, int Len)
{
    if (FHSocket == INVALID_SOCKET) {
        WSocketSetLastError(WSAENOTSOCK);
        return -1;
    }
    NoteRead();
    const ssize_t Rc = recv(FHSocket, Buffer, static_cast<size_t>(std::max(Len, 0)), 0);
    FLastReadFull = Rc > 0 && Rc == Len;
    if (Rc < 0) {
        SetLastErrorFromErrno();
        return -1;
    }
    return static_cast<int>(Rc);
}

int TCustomWSocket::ReadData(void *Buffer, int Len)
{
    return RawReadData(Buffer, Len);
}

void TCustomWSocket::NoteRead()
{
    ++FRecvCalls;
    FReadArmed = true;
    UpdateNotifiers();
}

int TCustomWSocket::Receive(void *Buffer, int Len)
{
    const int Count = ReadData(Buffer, Len);
    if (Count < 0)
        FLastError = WSocketLastError();
    else
        FReadCount += Count;
    return Count;
}

AnsiString TCustomWSocket::ReceiveText()
{
    int Count = RcvdCount();
    if (Count < 0)
        return AnsiString();
    if (Count == 0)
        Count = 255;
    AnsiString Text(static_cast<size_t>(Count), '\0');
    const int Got = Receive(Text.data(), Count);
    Text.resize(Got > 0 ? static_cast<size_t>(Got) : 0);
    return Text;
}

int TCustomWSocket::ReceiveFrom(void *Buffer, int Len, sockaddr_in &From)
{
    if (FHSocket == INVALID_SOCKET) {
        FLastError = WSAENOTSOCK;
        return -1;
    }
    NoteRead();
    socklen_t FromLen = sizeof From;
    const ssize_t Rc = recvfrom(FHSocket, Buffer, static_cast<size_t>(std::max(Len, 0)), 0,
                                reinterpret_cast<sockaddr *>(&From), &FromLen);
    if (Rc < 0) {
        FLastError = SetLastErrorFromErrno();
        return -1;
    }
    FReadCount += static_cast<int32_t>(Rc);
    return static_cast<int>(Rc);
}

int TCustomWSocket::BaseRcvdCount()
{
    const int Count = FionRead();
    if (Count < 0 && FHSocket != INVALID_SOCKET) {
        SetLastErrorFromErrno();
        ReportSocketError("ioctlSocket");
        return -1;
    }
    return Count < 0 ? -1 : Count;
}

int TCustomWSocket::RcvdCount()
{
    return BaseRcvdCount();
}

// ---- sending ----------------------------------------------------------------------------------

void TCustomWSocket::DeleteBufferedData()
{
    FBufList.clear();
}

void TCustomWSocket::PutDataInSendBuffer(const void *Data, int Len)
{
    const auto *P = static_cast<const uint8_t *>(Data);
    int Left = Len;
    if (!FBufList.empty()) {
        const int Written = FBufList.back()->Write(P, Left);
        P += Written;
        Left -= Written;
    }
    while (Left > 0) {
        FBufList.push_back(std::make_unique<TBuffer>(FBufSize));
        const int Written = FBufList.back()->Write(P, Left);
        P += Written;
        Left -= Written;
    }
}

int TCustomWSocket::Send(const void *Data, int Len)
{
    if (FState != wsConnected) {
        WSocketSetLastError(WSAENOTCONN);
        FLastError = WSAENOTCONN;
        ReportSocketError("Send");
        return -1;
    }
    FAllSent = false;
    if (Len <= 0)
        return 0;
    PutDataInSendBuffer(Data, Len);
    TryToSend();
    if (FAllSent && FHSocket != INVALID_SOCKET) {
        // OnDataSent comes through the normal event path, after the caller returned.
        const TSocketHandle Handle = FHSocket;
        Post([this, Handle]() {
            if (FHSocket == Handle)
                HandleNetworkEvent(FD_WRITE, 0);
        });
    }
    return Len;
}

int TCustomWSocket::SendText(const AnsiString &S)
{
    if (S.empty())
        return 0;
    return Send(S.data(), static_cast<int>(S.size()));
}

int TCustomWSocket::SendTo(const sockaddr_in &Dest, const void *Data, int Len)
{
    if (FHSocket == INVALID_SOCKET)
        return -1;
    const ssize_t Rc = sendto(FHSocket, Data, static_cast<size_t>(std::max(Len, 0)), FSendFlags | MSG_NOSIGNAL,
                              reinterpret_cast<const sockaddr *>(&Dest), sizeof Dest);
    if (Rc < 0) {
        FLastError = SetLastErrorFromErrno();
        return -1;
    }
    if (Rc > 0)
        FireSendData(static_cast<int>(Rc));
    return static_cast<int>(Rc);
}

int TCustomWSocket::SendNow(const void *Data, int Len)
{
    ssize_t Rc;
    if (FType == SOCK_DGRAM)
        Rc = sendto(FHSocket, Data, static_cast<size_t>(Len), FSendFlags | MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr *>(&FSin), sizeof FSin);
    else
        Rc = send(FHSocket, Data, static_cast<size_t>(Len), FSendFlags | MSG_NOSIGNAL);
    if (Rc < 0) {
        SetLastErrorFromErrno();
        return -1;
    }
    if (Rc > 0)
        FireSendData(static_cast<int>(Rc));
    return static_cast<int>(Rc);
}

void TCustomWSocket::TryToSend()
{
    if (FHSocket == INVALID_SOCKET || FBufList.empty())
        return;
    for (;;) {
        // Drop empty blocks but keep the last one for reuse.
        while (FBufList.size() > 1 && FBufList.front()->Empty())
            FBufList.pop_front();
        if (FBufList.front()->Empty()) {
            FAllSent = true;
            return;
        }
        int Count;
        if (FType == SOCK_STREAM && FSendFlags == 0 && FBufList.size() > 1) {
            // Several blocks go out in one call; the bytes on the wire are the same.
            iovec Vec[256];
            int N = 0;
            for (size_t I = 0; I < FBufList.size() && N < 256; ++I) {
                int32_t Len;
                const uint8_t *P = FBufList[I]->Peek(Len);
                if (Len > 0)
                    Vec[N++] = iovec{const_cast<uint8_t *>(P), static_cast<size_t>(Len)};
            }
            msghdr Msg{};
            Msg.msg_iov = Vec;
            Msg.msg_iovlen = static_cast<size_t>(N);
            const ssize_t Rc = sendmsg(FHSocket, &Msg, MSG_NOSIGNAL);
            if (Rc < 0) {
                SetLastErrorFromErrno();
                Count = -1;
            } else {
                Count = static_cast<int>(Rc);
                if (Count > 0)
                    FireSendData(Count);
            }
        } else {
            int32_t Len;
            const uint8_t *P = FBufList.front()->Peek(Len);
            Count = SendNow(P, Len);
        }
        if (FHSocket == INVALID_SOCKET)
            return;
        if (Count == 0)
            return;
        if (Count < 0) {
            const int Error = WSocketLastError();
            if (Error == WSAECONNRESET || Error == WSAENOTSOCK || Error == WSAENOTCONN || Error == WSAEINVAL ||
                Error == WSAECONNABORTED) {
                FCloseInvoked = true;
                Close();
                FireSessionClosed(static_cast<uint16_t>(Error));
            } else if (Error == WSAEWOULDBLOCK) {
                FWriteWanted = true;
                UpdateNotifiers();
            } else {
                ReportSocketError("TryToSend failed");
            }
            return;
        }
        int Left = Count;
        while (Left > 0 && !FBufList.empty()) {
            Left -= FBufList.front()->Remove(Left);
            if (Left > 0 && FBufList.size() > 1)
                FBufList.pop_front();
        }
    }
}

void TCustomWSocket::Flush()
{
    while (FHSocket != INVALID_SOCKET && !FAllSent) {
        TryToSend();
        if (FHSocket == INVALID_SOCKET || FAllSent)
            break;
        PumpMessages(true);
    }
}

void TCustomWSocket::DrainUntilClosed()
{
    while (FHSocket != INVALID_SOCKET && FState != wsClosed) {
        PumpMessages(false);
        const int Waiting = FionRead();
        if (Waiting < 0)
            break;
        if (Waiting > 0)
            FireDataAvailable(0);
        char Probe;
        if (FHSocket == INVALID_SOCKET)
            break;
        const ssize_t Rc = recv(FHSocket, &Probe, 0, MSG_DONTWAIT);
        if (Rc < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            break;
        PumpMessages(true);
    }
}

void TCustomWSocket::PumpMessages(bool Wait)
{
    QCoreApplication::processEvents(Wait ? QEventLoop::WaitForMoreEvents : QEventLoop::AllEvents);
}

// ---- connecting and listening -----------------------------------------------------------------

void TCustomWSocket::SetLingerOption()
{
    if (FLingerOnOff == wsLingerNoSet)
        return;
    if (FHSocket == INVALID_SOCKET) {
        SignalError("Cannot set linger option at this time");
        return;
    }
    linger L{};
    L.l_onoff = FLingerOnOff == wsLingerOn ? 1 : 0;
    L.l_linger = FLingerTimeout & 0xFFFF;
    if (setsockopt(FHSocket, SOL_SOCKET, SO_LINGER, &L, sizeof L) < 0) {
        SetLastErrorFromErrno();
        ReportSocketError("setsockopt(SO_LINGER)");
    }
}

void TCustomWSocket::BindLocal()
{
    sockaddr_in Local{};
    Local.sin_family = AF_INET;
    Local.sin_port = htons(FLocalPortNum);
    Local.sin_addr.s_addr = WSocketResolveHost(FLocalAddr);
    if (bind(FHSocket, reinterpret_cast<const sockaddr *>(&Local), sizeof Local) < 0) {
        const int Error = SetLastErrorFromErrno();
        SignalError("winsock.bind failed, error #" + IntToStr(Error));
        return;
    }
    socklen_t Len = sizeof Local;
    if (getsockname(FHSocket, reinterpret_cast<sockaddr *>(&Local), &Len) < 0) {
        const int Error = SetLastErrorFromErrno();
        SignalError("winsock.getsockname failed, error #" + IntToStr(Error));
        return;
    }
    FLocalPortNum = ntohs(Local.sin_port);
    FLocalPortStr = IntToStr(FLocalPortNum);
}

void TCustomWSocket::Connect()
{
    if (FHSocket != INVALID_SOCKET && FState != wsClosed) {
        SignalError("Connect: Socket already in use");
        return;
    }
    if (!FPortAssigned) {
        SignalError("Connect: No Port Specified");
        return;
    }
    if (!FAddrAssigned) {
        SignalError("Connect: No IP Address Specified");
        return;
    }
    if (!FProtoAssigned) {
        SignalError("Connect: No Protocol Specified");
        return;
    }
    try {
        if (!FProtoResolved) {
            FProto = WSocketResolveProto(FProtoStr);
            FType = FProto == IPPROTO_TCP ? SOCK_STREAM : FProto == IPPROTO_UDP ? SOCK_DGRAM : SOCK_RAW;
            FProtoResolved = true;
        }
        if (!FPortResolved) {
            FPortNum = WSocketResolvePort(FPortStr, FProtoStr);
            FSin.sin_port = htons(FPortNum);
            FPortResolved = true;
        }
        if (!FLocalPortResolved) {
            FLocalPortNum = WSocketResolvePort(FLocalPortStr, FProtoStr);
            FLocalPortResolved = true;
        }
        if (!FAddrResolved) {
            FSin.sin_addr.s_addr = WSocketResolveHost(FAddrStr);
            FAddrResolved = true;
        }
    } catch (const ESocketException &E) {
        SignalError("connect: " + E.Message());
        return;
    }

    DeleteBufferedData();
    FHSocket = ::socket(AF_INET, FType | SOCK_NONBLOCK | SOCK_CLOEXEC, FType == SOCK_RAW ? FProto : 0);
    if (FHSocket < 0) {
        FHSocket = INVALID_SOCKET;
        SetLastErrorFromErrno();
        ReportSocketError("Connect (socket)");
        return;
    }
    CreateNotifiers();
    ChangeState(wsOpened);
    if (FState != wsOpened) {
        WSocketSetLastError(WSAEINVAL);
        ReportSocketError("Connect (Invalid operation in OnChangeState)");
        return;
    }
    auto Option = [this](int Level, int Name, int Value, const char *Text) {
        if (setsockopt(FHSocket, Level, Name, &Value, sizeof Value) < 0) {
            SetLastErrorFromErrno();
            ReportSocketError(Text);
            return false;
        }
        return true;
    };
    if (FType == SOCK_DGRAM) {
        BindLocal();
        if (FMultiCast) {
            if (FMultiCastIpTTL != 1 &&
                !Option(IPPROTO_IP, IP_MULTICAST_TTL, FMultiCastIpTTL, "setsockopt(IP_MULTICAST_TTL)"))
                return;
            if (FLocalAddr != "0.0.0.0") {
                in_addr If{};
                If.s_addr = WSocketResolveHost(FLocalAddr);
                if (setsockopt(FHSocket, IPPROTO_IP, IP_MULTICAST_IF, &If, sizeof If) < 0) {
                    SetLastErrorFromErrno();
                    ReportSocketError("setsockopt(IP_MULTICAST_IF)");
                    return;
                }
            }
        }
        if (FSin.sin_addr.s_addr == INADDR_BROADCAST &&
            !Option(SOL_SOCKET, SO_BROADCAST, 1, "setsockopt(SO_BROADCAST)"))
            return;
    } else {
        if (!Option(SOL_SOCKET, SO_REUSEADDR, 1, "setsockopt(SO_REUSEADDR)"))
            return;
        if ((FComponentOptions & wsoTcpNoDelay) &&
            !Option(IPPROTO_TCP, TCP_NODELAY, 1, "setsockopt(IPPROTO_TCP, TCP_NODELAY)"))
            return;
        SetLingerOption();
        if (!Option(SOL_SOCKET, SO_KEEPALIVE, 1, "setsockopt(SO_KEEPALIVE)"))
            return;
        if (FLocalPortNum != 0 || FLocalAddr != "0.0.0.0")
            BindLocal();
    }
    SetSelect(FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE);
    if (FType == SOCK_DGRAM) {
        ChangeState(wsConnected);
        FReadArmed = true;
        UpdateNotifiers();
        FireSessionConnected(0);
        return;
    }
    if (::connect(FHSocket, reinterpret_cast<const sockaddr *>(&FSin), sizeof FSin) == 0 || errno == EINPROGRESS ||
        errno == EAGAIN) {
        ChangeState(wsConnecting);
        FWriteWanted = true;
        UpdateNotifiers();
        return;
    }
    const int Error = SetLastErrorFromErrno();
    if (Error == WSAECONNREFUSED || Error == 10051 || Error == 10065 || Error == WSAETIMEDOUT || Error == 10064 ||
        Error == 10050) {
        // The outcome of the attempt itself: reported through the connect event, as a
        // connect that completes later would report it.
        ChangeState(wsConnecting);
        const TSocketHandle Handle = FHSocket;
        Post([this, Handle, Error]() {
            if (FHSocket == Handle)
                HandleNetworkEvent(FD_CONNECT, static_cast<uint16_t>(Error));
        });
        return;
    }
    FLastError = Error;
    ReportSocketError("Connect");
}

void TCustomWSocket::Listen()
{
    if (!FPortAssigned) {
        WSocketSetLastError(WSAEINVAL);
        ReportSocketError("listen: port not assigned");
        return;
    }
    if (!FProtoAssigned) {
        WSocketSetLastError(WSAEINVAL);
        ReportSocketError("listen: protocol not assigned");
        return;
    }
    if (!FAddrAssigned) {
        WSocketSetLastError(WSAEINVAL);
        ReportSocketError("listen: address not assigned");
        return;
    }
    try {
        if (!FProtoResolved) {
            FProto = WSocketResolveProto(FProtoStr);
            FType = FProto == IPPROTO_UDP ? SOCK_DGRAM : SOCK_STREAM;
            FProtoResolved = true;
        }
        if (!FPortResolved) {
            FPortNum = WSocketResolvePort(FPortStr, FProtoStr);
            FSin.sin_port = htons(FPortNum);
            FPortResolved = true;
        }
        if (!FAddrResolved) {
            FSin.sin_addr.s_addr = WSocketResolveHost(FAddrStr);
            FAddrResolved = true;
        }
    } catch (const ESocketException &E) {
        SignalError("listen: " + E.Message());
        return;
    }
    DeleteBufferedData();
    FHSocket = ::socket(AF_INET, FType | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (FHSocket < 0) {
        FHSocket = INVALID_SOCKET;
        SetLastErrorFromErrno();
        ReportSocketError("socket");
        return;
    }
    if (FType == SOCK_DGRAM && FReuseAddr) {
        const int One = 1;
        setsockopt(FHSocket, SOL_SOCKET, SO_REUSEADDR, &One, sizeof One);
    }
    if (bind(FHSocket, reinterpret_cast<const sockaddr *>(&FSin), sizeof FSin) < 0) {
        // The descriptor is released before the error is reported, so a raised error leaks nothing.
        SetLastErrorFromErrno();
        const int Error = WSocketLastError();
        ::close(FHSocket);
        FHSocket = INVALID_SOCKET;
        ResetDefaults();
        WSocketSetLastError(Error);
        ReportSocketError("Bind");
        return;
    }
    CreateNotifiers();
    ChangeState(wsBound);
    if (FType == SOCK_DGRAM && FMultiCast) {
        ip_mreq Req{};
        Req.imr_multiaddr.s_addr = WSocketInetAddr(FMultiCastAddrStr);
        Req.imr_interface.s_addr = FSin.sin_addr.s_addr;
        if (setsockopt(FHSocket, IPPROTO_IP, IP_ADD_MEMBERSHIP, &Req, sizeof Req) < 0) {
            SetLastErrorFromErrno();
            ReportSocketError("setsockopt(IP MULTICAST)");
            return;
        }
    }
    if (FType == SOCK_STREAM) {
        if (::listen(FHSocket, 5) < 0) {
            SetLastErrorFromErrno();
            ReportSocketError("Listen");
            return;
        }
        ChangeState(wsListening);
    } else {
        ChangeState(wsListening);
        ChangeState(wsConnected);
        FireSessionConnected(0);
    }
    FReadArmed = true;
    SetSelect(FD_READ | FD_WRITE | FD_ACCEPT | FD_CLOSE);
}

TSocketHandle TCustomWSocket::Accept()
{
    if (FState != wsListening) {
        WSocketSetLastError(WSAEINVAL);
        ReportSocketError("not a listening socket");
        return INVALID_SOCKET;
    }
    socklen_t Len = sizeof FSin;
    FReadArmed = true;
    UpdateNotifiers();
    const int Handle = accept4(FHSocket, reinterpret_cast<sockaddr *>(&FSin), &Len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (Handle < 0) {
        SetLastErrorFromErrno();
        ReportSocketError("Accept");
        return INVALID_SOCKET;
    }
    FASocket = Handle;
    return Handle;
}

void TCustomWSocket::Dup(TSocketHandle NewHSocket)
{
    if (NewHSocket == 0 || NewHSocket == INVALID_SOCKET) {
        WSocketSetLastError(WSAEINVAL);
        ReportSocketError("Dup");
        return;
    }
    if (FState != wsClosed) {
        DestroyNotifiers();
        if (FHSocket != INVALID_SOCKET && ::close(FHSocket) < 0) {
            FHSocket = INVALID_SOCKET;
            SetLastErrorFromErrno();
            ReportSocketError("Dup (closesocket)");
            return;
        }
        FHSocket = INVALID_SOCKET;
        ChangeState(wsClosed);
    }
    FHSocket = NewHSocket;
    FCloseInvoked = false;
    CreateNotifiers();
    SetLingerOption();
    FReadArmed = true;
    SetSelect(FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE);
    ChangeState(wsConnected);
}

// ---- closing ----------------------------------------------------------------------------------

void TCustomWSocket::CloseSocket(bool DoShutdown, uint16_t Error)
{
    if (FHSocket != INVALID_SOCKET) {
        if (DoShutdown)
            ::shutdown(FHSocket, SHUT_WR);
        DestroyNotifiers();
        ::close(FHSocket);
        FHSocket = INVALID_SOCKET;
        DeleteBufferedData();
        if (FState != wsClosed)
            ChangeState(wsClosed);
        if (!FDestroying && !FCloseInvoked) {
            FCloseInvoked = true;
            FireSessionClosed(Error);
        }
        try {
            ResetDefaults();
        } catch (...) {
        }
    } else if (FState != wsClosed) {
        ChangeState(wsClosed);
        try {
            ResetDefaults();
        } catch (...) {
        }
    }
}

void TCustomWSocket::Close()
{
    CloseSocket(true, 0);
}

void TCustomWSocket::Abort()
{
    CancelLookup();
    DeleteBufferedData();
    if (FState == wsConnected && FProto == IPPROTO_TCP) {
        FLingerOnOff = wsLingerOff;
        if (FHSocket != INVALID_SOCKET)
            SetLingerOption();
    }
    CloseSocket(false, 0);
}

void TCustomWSocket::PostClose()
{
    Post([this]() { Close(); });
}

void TCustomWSocket::PostFree()
{
    Post([this]() { delete this; });
}

void TCustomWSocket::Shutdown(int How)
{
    if (FHSocket != INVALID_SOCKET)
        ::shutdown(FHSocket, How == 0 ? SHUT_RD : How == 1 ? SHUT_WR : SHUT_RDWR);
}

void TCustomWSocket::Pause()
{
    FPaused = true;
    UpdateNotifiers();
}

void TCustomWSocket::Resume()
{
    FPaused = false;
    UpdateNotifiers();
}

// ---- addresses --------------------------------------------------------------------------------

AnsiString TCustomWSocket::PeerAddr()
{
    if (FState != wsConnected)
        return "error";
    sockaddr_in Peer{};
    socklen_t Len = sizeof Peer;
    if (getpeername(FHSocket, reinterpret_cast<sockaddr *>(&Peer), &Len) < 0) {
        SetLastErrorFromErrno();
        ReportSocketError("GetPeerName");
        return "error";
    }
    return WSocketAddrText(Peer.sin_addr.s_addr);
}

AnsiString TCustomWSocket::PeerPort()
{
    if (FState != wsConnected)
        return "error";
    sockaddr_in Peer{};
    socklen_t Len = sizeof Peer;
    if (getpeername(FHSocket, reinterpret_cast<sockaddr *>(&Peer), &Len) < 0) {
        SetLastErrorFromErrno();
        ReportSocketError("GetPeerPort");
        return "error";
    }
    return IntToStr(ntohs(Peer.sin_port));
}

int TCustomWSocket::GetPeerAddress(sockaddr_in &Addr)
{
    if (FState != wsConnected)
        return -1;
    socklen_t Len = sizeof Addr;
    return getpeername(FHSocket, reinterpret_cast<sockaddr *>(&Addr), &Len) < 0 ? -1 : 0;
}

int TCustomWSocket::GetLocalAddress(sockaddr_in &Addr)
{
    socklen_t Len = sizeof Addr;
    if (FHSocket == INVALID_SOCKET)
        return -1;
    return getsockname(FHSocket, reinterpret_cast<sockaddr *>(&Addr), &Len) < 0 ? -1 : 0;
}

AnsiString TCustomWSocket::BoundPort()
{
    if (FState != wsBound && FState != wsConnected && FState != wsListening)
        return "error";
    sockaddr_in Local{};
    if (GetLocalAddress(Local) < 0)
        return "error";
    return IntToStr(ntohs(Local.sin_port));
}

AnsiString TCustomWSocket::BoundAddr()
{
    if (FState != wsBound && FState != wsConnected && FState != wsListening)
        return "error";
    sockaddr_in Local{};
    if (GetLocalAddress(Local) < 0)
        return "error";
    return WSocketAddrText(Local.sin_addr.s_addr);
}

// ---- name look-up -----------------------------------------------------------------------------

void TCustomWSocket::DnsLookup(const AnsiString &HostName)
{
    if (HostName.empty()) {
        SignalError("DNS lookup: invalid host name.");
        FireDnsLookupDone(WSAEINVAL);
        return;
    }
    // A look-up still running is forgotten without a done event for it.
    FDnsLookupHandle = 0;
    FDnsResult.clear();
    FDnsResultList.Clear();
    const uint32_t Addr = WSocketInetAddr(HostName);
    if (Addr != INADDR_NONE) {
        FDnsResult = WSocketAddrText(Addr);
        FDnsResultList.Add(FDnsResult);
        FireDnsLookupDone(0);
        return;
    }
    FDnsLookupHandle = NextLookupHandle++;
    StartLookup(FLookupChannel, FDnsLookupHandle, Trim(HostName), false);
}

void TCustomWSocket::ReverseDnsLookup(const AnsiString &HostAddr)
{
    if (HostAddr.empty() || HostAddr.size() > 256) {
        SignalError("ReverseDnsLookup: Invalid host name.");
        FireDnsLookupDone(WSAEINVAL);
        return;
    }
    FDnsLookupHandle = 0;
    FDnsResult.clear();
    FDnsResultList.Clear();
    FDnsLookupHandle = NextLookupHandle++;
    StartLookup(FLookupChannel, FDnsLookupHandle, Trim(HostAddr), true);
}

void TCustomWSocket::CancelLookup()
{
    if (FDnsLookupHandle == 0)
        return;
    FDnsLookupHandle = 0;
    if (!FDestroying)
        FireDnsLookupDone(WSAEINTR);
}

void TCustomWSocket::LookupDone(uint64_t Handle, int Error, std::vector<AnsiString> Results)
{
    if (Handle == 0 || Handle != FDnsLookupHandle)
        return;
    FDnsLookupHandle = 0;
    if (Error == 0) {
        for (const AnsiString &R : Results)
            FDnsResultList.Add(R);
        if (!Results.empty())
            FDnsResult = Results.front();
    }
    FireDnsLookupDone(static_cast<uint16_t>(Error));
}
