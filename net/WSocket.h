#pragma once
// The event-driven socket: one IPv4 socket in non-blocking mode whose readiness is watched on
// the Qt event loop. Network events (connect, read, write, accept, close) and name look-ups
// arrive on the thread that created the socket and are reported through On... events.
// Class chain: TCustomWSocket -> TCustomSocksWSocket (SOCKS 4/4A/5) -> TCustomLineWSocket
// (line mode) -> TCustomSyncWSocket (waiting) -> TWSocket.
#include "net/SocketErrors.h"
#include "net/WSockBuf.h"
#include "platform/StringList.h"
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <netinet/in.h>

class QObject;
class QSocketNotifier;
struct TLookupChannel;

enum TSocketState { wsInvalidState, wsOpened, wsBound, wsConnecting, wsConnected, wsAccepting, wsListening, wsClosed };
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };
enum TWSocketOption : unsigned { wsoNoReceiveLoop = 1, wsoTcpNoDelay = 2 };
using TWSocketOptions = unsigned;

// Network event bits, as the event handler receives them.
enum : unsigned { FD_READ = 1, FD_WRITE = 2, FD_OOB = 4, FD_ACCEPT = 8, FD_CONNECT = 16, FD_CLOSE = 32 };

using TSocketHandle = int;
constexpr TSocketHandle INVALID_SOCKET = -1;

// Error number of a synchronous wait that ended by its time limit or by the application's end.
constexpr int WSocketWaitTimeout = 12001;

class TCustomWSocket {
public:
    using TErrorEvent = std::function<void(TCustomWSocket *Sender, uint16_t Error)>;
    using TNotifyEvent = std::function<void(TCustomWSocket *Sender)>;

    TCustomWSocket();
    virtual ~TCustomWSocket();
    TCustomWSocket(const TCustomWSocket &) = delete;
    TCustomWSocket &operator=(const TCustomWSocket &) = delete;

    // Number of live socket components in the process.
    static int LiveSockets();

    // Properties.
    const AnsiString &Addr() const { return FAddrStr; }
    void SetAddr(const AnsiString &Value);
    const AnsiString &Port() const { return FPortStr; }
    virtual void SetPort(const AnsiString &Value);
    const AnsiString &Proto() const { return FProtoStr; }
    virtual void SetProto(const AnsiString &Value);
    const AnsiString &LocalAddr() const { return FLocalAddr; }
    void SetLocalAddr(const AnsiString &Value);
    const AnsiString &LocalPort() const { return FLocalPortStr; }
    void SetLocalPort(const AnsiString &Value);
    TSocketSendFlags SendFlags() const;
    void SetSendFlags(int Value);
    TSocketLingerOnOff LingerOnOff() const { return FLingerOnOff; }
    void SetLingerOnOff(TSocketLingerOnOff Value) { FLingerOnOff = Value; }
    int32_t LingerTimeout() const { return FLingerTimeout; }
    void SetLingerTimeout(int32_t Value) { FLingerTimeout = Value; }
    TWSocketOptions ComponentOptions() const { return FComponentOptions; }
    void SetComponentOptions(TWSocketOptions Value) { FComponentOptions = Value; }
    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool Value) { FMultiThreaded = Value; }
    bool MultiCast() const { return FMultiCast; }
    void SetMultiCast(bool Value) { FMultiCast = Value; }
    const AnsiString &MultiCastAddrStr() const { return FMultiCastAddrStr; }
    void SetMultiCastAddrStr(const AnsiString &Value) { FMultiCastAddrStr = Value; }
    int32_t MultiCastIpTTL() const { return FMultiCastIpTTL; }
    void SetMultiCastIpTTL(int32_t Value) { FMultiCastIpTTL = Value; }
    bool ReuseAddr() const { return FReuseAddr; }
    void SetReuseAddr(bool Value) { FReuseAddr = Value; }
    int32_t FlushTimeout() const { return FFlushTimeout; }
    void SetFlushTimeout(int32_t Value) { FFlushTimeout = Value; }
    int32_t BufSize() const { return FBufSize; }
    void SetBufSize(int32_t Value) { FBufSize = Value <= 0 ? 1460 : Value; }

    TSocketState State() const { return FState; }
    TSocketHandle HSocket() const { return FHSocket; }
    int32_t ReadCount() const { return FReadCount; }
    int32_t LastError() const { return FLastError; }
    virtual int RcvdCount();
    bool AllSent() const { return FAllSent; }
    const AnsiString &DnsResult() const { return FDnsResult; }
    const TStringList &DnsResultList() const { return FDnsResultList; }
    AnsiString PeerAddr();
    AnsiString PeerPort();
    int GetPeerAddress(sockaddr_in &Addr);
    AnsiString BoundPort();
    AnsiString BoundAddr();
    int GetLocalAddress(sockaddr_in &Addr);
    TSocketHandle LastAcceptedHandle() const { return FASocket; }

    // Operations.
    virtual void Connect();
    virtual void Listen();
    virtual TSocketHandle Accept();
    virtual void Close();
    virtual void Abort();
    virtual void Flush();
    virtual void DrainUntilClosed();
    virtual void PostClose();
    virtual void PostFree();
    virtual int Send(const void *Data, int Len);
    virtual int SendText(const AnsiString &S);
    virtual int SendTo(const sockaddr_in &Dest, const void *Data, int Len);
    virtual int Receive(void *Buffer, int Len);
    virtual AnsiString ReceiveText();
    virtual int ReceiveFrom(void *Buffer, int Len, sockaddr_in &From);
    virtual void DnsLookup(const AnsiString &HostName);
    virtual void ReverseDnsLookup(const AnsiString &HostAddr);
    virtual void CancelLookup();
    virtual void Dup(TSocketHandle NewHSocket);
    virtual void Shutdown(int How);
    virtual void Pause();
    virtual void Resume();
    // Runs the application's pending events once (the socket's own loop with MultiThreaded);
    // with Wait, sleeps until at least one event came.
    virtual void PumpMessages(bool Wait = false);

    // Events.
    TErrorEvent OnSessionAvailable;
    TErrorEvent OnSessionConnected;
    TErrorEvent OnSessionClosed;
    std::function<void(TCustomWSocket *Sender, TSocketState OldState, TSocketState NewState)> OnChangeState;
    TErrorEvent OnDataAvailable;
    TErrorEvent OnDataSent;
    std::function<void(TCustomWSocket *Sender, int BytesSent)> OnSendData;
    TErrorEvent OnDnsLookupDone;
    TNotifyEvent OnError;
    std::function<void(TCustomWSocket *Sender, const Exception &E, bool &CanClose)> OnBgException;

protected:
    virtual void ResetDefaults();
    virtual void CloseSocket(bool DoShutdown, uint16_t Error);
    virtual void BindLocal();
    virtual int SendNow(const void *Data, int Len);
    void SignalError(const AnsiString &Msg);
    void ReportSocketError(const AnsiString &FuncName);
    virtual void HandleBgException(const Exception &E);
    virtual bool FireDataAvailable(uint16_t Error);
    virtual void FireSessionAvailable(uint16_t Error);
    virtual void FireSessionConnected(uint16_t Error);
    virtual void FireSessionClosed(uint16_t Error);
    virtual void FireDataSent(uint16_t Error);
    virtual void FireChangeState(TSocketState OldState, TSocketState NewState);
    virtual void FireDnsLookupDone(uint16_t Error);
    virtual void FireError();
    void FireSendData(int BytesSent);
    virtual int ReadData(void *Buffer, int Len);
    // Base read that bypasses every override (used by the derived layers).
    int RawReadData(void *Buffer, int Len);
    virtual int BaseRcvdCount();
    void ChangeState(TSocketState NewState);
    void SetLingerOption();
    void TryToSend();
    void DeleteBufferedData();
    // Runs Handler on this socket's event loop later (after the current handler returns); an
    // exception it raises goes to HandleBgException.
    void Post(std::function<void()> Handler);
    // Runs Handler now under the background-exception rule.
    void Guarded(const std::function<void()> &Handler);
    // The network event path: bits and error as the sockets library would post them.
    virtual void HandleNetworkEvent(unsigned Events, uint16_t Error);
    bool Destroying() const { return FDestroying; }
    // A read happened (from the socket or from bytes a layer holds): the next read event may come.
    void NoteRead();
    void SetDestroying() { FDestroying = true; }

    // Fields the derived layers use.
    sockaddr_in FSin{};
    uint16_t FPortNum = 0;
    bool FAddrAssigned = false;
    bool FAddrResolved = false;
    bool FPortAssigned = false;
    bool FPortResolved = false;
    bool FProtoAssigned = false;
    bool FProtoResolved = false;
    int FProto = 6;
    int FType = 1;
    AnsiString FAddrStr, FPortStr, FProtoStr = "tcp";
    int32_t FLastError = 0;
    TSocketState FState = wsClosed;
    bool FCloseInvoked = false;
    int32_t FReadCount = 0;

private:
    void SocketEvent(unsigned Events, uint16_t Error);
    void ReceiveLoop(uint16_t Error, TWSocketOptions Options);
    void PutDataInSendBuffer(const void *Data, int Len);
    void OnReadReady();
    void OnWriteReady();
    void CreateNotifiers();
    void DestroyNotifiers();
    void UpdateNotifiers();
    void SetSelect(unsigned Mask);
    void LookupDone(uint64_t Handle, int Error, std::vector<AnsiString> Results);
    int FionRead();

    std::unique_ptr<QObject> FWindow;
    std::unique_ptr<QSocketNotifier> FReadNotifier;
    std::unique_ptr<QSocketNotifier> FWriteNotifier;
    std::shared_ptr<TLookupChannel> FLookupChannel;
    TSocketHandle FHSocket = INVALID_SOCKET;
    TSocketHandle FASocket = INVALID_SOCKET;
    std::deque<std::unique_ptr<TBuffer>> FBufList;
    int32_t FBufSize = 1460;
    int FSendFlags = 0;
    AnsiString FDnsResult;
    TStringList FDnsResultList;
    uint64_t FDnsLookupHandle = 0;
    AnsiString FLocalPortStr = "0";
    bool FLocalPortResolved = false;
    uint16_t FLocalPortNum = 0;
    AnsiString FLocalAddr = "0.0.0.0";
    TSocketLingerOnOff FLingerOnOff = wsLingerOn;
    int32_t FLingerTimeout = 0;
    bool FMultiThreaded = false;
    bool FMultiCast = false;
    AnsiString FMultiCastAddrStr;
    int32_t FMultiCastIpTTL = 1;
    bool FReuseAddr = false;
    bool FPaused = false;
    bool FAllSent = true;
    bool FDestroying = false;
    TWSocketOptions FComponentOptions = 0;
    unsigned FSelectEvent = 0;
    int32_t FFlushTimeout = 60;
    // The readiness waits that are armed: read (data, close, accept) and write (connect, send).
    bool FReadArmed = false;
    bool FWriteWanted = false;
    uint64_t FRecvCalls = 0;
    bool FLastReadFull = false; // the last recv filled all it was given: more may wait
};

// SOCKS 4, 4A and 5 (with user-code/password authentication) in front of a stream connect.
enum TSocksPhase : uint8_t { spNone, spGreeting, spAuthenticating, spRequesting };
enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };
enum TSocksAuthState { sasStarted, sasSucceeded, sasFailed, sasNotRequired };

class TCustomSocksWSocket : public TCustomWSocket {
public:
    TCustomSocksWSocket();

    const AnsiString &SocksServer() const { return FSocksServer; }
    virtual void SetSocksServer(const AnsiString &Value);
    const AnsiString &SocksPort() const { return FSocksPort; }
    virtual void SetSocksPort(const AnsiString &Value);
    const AnsiString &SocksLevel() const { return FSocksLevel; }
    void SetSocksLevel(const AnsiString &Value);
    AnsiString SocksUsercode;
    AnsiString SocksPassword;
    TSocksAuthentication SocksAuthentication = socksNoAuthentication;
    const AnsiString &SocksReplyAddr() const { return FSocksReplyAddr; }
    const AnsiString &SocksReplyPort() const { return FSocksReplyPort; }
    TSocksPhase SocksPhase() const { return FSocksPhase; }

    void Connect() override;
    void Listen() override;
    int RcvdCount() override;

    std::function<void(TCustomWSocket *Sender, int Error, const AnsiString &Msg)> OnSocksError;
    TErrorEvent OnSocksConnected;
    std::function<void(TCustomWSocket *Sender, TSocksAuthState AuthState)> OnSocksAuthState;

protected:
    void ResetDefaults() override;
    bool FireDataAvailable(uint16_t Error) override;
    void FireSessionConnected(uint16_t Error) override;
    void FireSessionClosed(uint16_t Error) override;
    int ReadData(void *Buffer, int Len) override;
    virtual void FireSocksConnected(uint16_t Error);
    virtual void FireSocksError(int Error, const AnsiString &Msg);

private:
    void SocksDoConnect();
    void SocksDoAuthenticate();
    void SocksError(int Error, const AnsiString &Msg);
    void SendRequest(const uint8_t *Data, int Len);

    TSocksPhase FSocksPhase = spNone;
    AnsiString FSocksServer, FSocksLevel = "5", FSocksPort;
    bool FSocksPortAssigned = false;
    bool FSocksServerAssigned = false;
    uint8_t FSocksAuthMethod = 0;
    AnsiString FSocksReplyAddr, FSocksReplyPort;
    // Room for the longest level-5 reply (a 255-byte name) and bytes that follow it.
    uint8_t FRcvBuf[512] = {};
    int32_t FRcvCnt = 0;
    int32_t FSocksRcvdCnt = 0;
    int32_t FSocksRcvdPtr = 0;
    uint16_t FSocksDestPort = 0;
};

// Line mode: received bytes are collected and offered one line (LineEnd included) per data event.
class TCustomLineWSocket : public TCustomSocksWSocket {
public:
    TCustomLineWSocket() = default;
    ~TCustomLineWSocket() override;

    bool LineMode() const { return FLineMode; }
    virtual void SetLineMode(bool Value);
    AnsiString LineEnd = "\r\n";
    int32_t LineLimit = 65536;
    bool LineEcho = false;
    bool LineEdit = false;
    int32_t LineLength() const { return FLineLength; }
    int RcvdCount() override;

    std::function<void(TCustomWSocket *Sender, int RcvdLength, bool &ClearData)> OnLineLimitExceeded;

protected:
    int ReadData(void *Buffer, int Len) override;
    bool FireDataAvailable(uint16_t Error) override;
    void FireSessionClosed(uint16_t Error) override;
    virtual void FireLineLimitExceeded(int Count, bool &ClearData);
    virtual void EditLine(int &Count);

private:
    void OfferLines(size_t SearchFrom);
    void ReofferBuffered();

    std::vector<uint8_t> FRcvdPtr;
    int32_t FRcvdCnt = 0;
    bool FLineMode = false;
    int32_t FLineLength = 0;
    bool FLineClearData = false;
    bool FInLineLimit = false;
};

// A wait that runs the event loop until a flag is set (or a time limit / the application's end).
class TCustomSyncWSocket : public TCustomLineWSocket {
public:
    // Milliseconds; 0 waits without limit.
    int32_t WaitTime = 0;

    // 0 once Done is not 0; WSocketWaitTimeout on time-out or application end.
    virtual int WaitForDone(const int &Done);
    virtual int RunAndWait(const std::function<void()> &Proc, int &Done);
};

class TWSocket : public TCustomSyncWSocket {};

// Runs the event loop of the calling thread until Done() holds. TimeoutMs > 0 bounds the wait.
// Returns 0 when Done() held, WSocketWaitTimeout on time-out or when the application quits.
// The wait sleeps between events; it never spins.
int WSocketWaitUntil(const std::function<bool()> &Done, int TimeoutMs);
