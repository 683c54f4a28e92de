#pragma once
// HTTP/1.0 client component: one GET, POST or HEAD at a time over its own socket, directly,
// through an HTTP proxy or through a SOCKS server; relocations are followed. Everything runs on
// the event loop; Get waits for the end of the request and raises EHttpException for an error
// status. Only http is spoken.
#include "net/HttpUrl.h"
#include "net/WSocket.h"
#include "platform/Classes.h"
#include <functional>
#include <memory>

class QObject;
class QTimer;

class EHttpException : public Exception {
public:
    EHttpException(const AnsiString &Msg, int Code) : Exception(Msg), ErrorCode(Code) {}
    int ErrorCode;
};

// The longest a fetch the user waits on may take as a whole (an include fetched during Check
// syntax, the newer-version check), in milliseconds: 60 s. A server that drips its answer a byte
// at a time keeps the idle time-out from ending the request, so the whole is bounded. A variable
// so that tests can lower it.
extern int WebFetchTimeLimitMs;

enum THttpRequest { hrqNone, hrqGet, hrqPost, hrqHead };
enum THttpCliState : uint8_t {
    hcsReady,
    hcsStarting,
    hcsConnected,
    hcsResolving,
    hcsConnecting,
    hcsWaitingHeader,
    hcsWaitingBody,
    hcsAborting
};

class THttpCli {
public:
    using TNotify = std::function<void(THttpCli *Sender)>;
    using TData = std::function<void(THttpCli *Sender, const void *Buffer, int Len)>;

    THttpCli();
    virtual ~THttpCli();
    THttpCli(const THttpCli &) = delete;
    THttpCli &operator=(const THttpCli &) = delete;

    // Configuration.
    AnsiString URL;
    AnsiString LocalAddr = "0.0.0.0";
    AnsiString Proxy;
    AnsiString ProxyPort = "80";
    AnsiString Username, Password, ProxyUsername, ProxyPassword;
    AnsiString Sender, Reference, Agent = "Mozilla/3.0 (compatible)";
    AnsiString Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    AnsiString AcceptLanguage;
    AnsiString ContentTypePost = "application/x-www-form-urlencoded";
    AnsiString Cookie;
    AnsiString ContentRangeBegin, ContentRangeEnd;
    TDateTime ModifiedSince = 0; // local time; 0 = not sent
    bool NoCache = false;
    TStream *ReceiveStream = nullptr; // not owned
    TStream *SendStream = nullptr; // not owned: the POST body
    // SOCKS settings, applied to the socket before every connection.
    AnsiString SocksServer, SocksPort, SocksLevel = "5", SocksUsercode, SocksPassword;
    TSocksAuthentication SocksAuthentication = socksNoAuthentication;
    // Connect and idle time-out in milliseconds (0: none) and the most relocations in a row.
    int TimeoutMs = 30000;
    int MaxRelocations = 10;
    // Bounds of one request, each ending it with a reason that names it: the time of the whole
    // request in milliseconds (0: none; "Request timed out after 60 s" when it runs out), the
    // lines and bytes of a response header, and the body bytes taken (0: no bound; a caller that
    // keeps the document in memory sets one).
    int TotalTimeoutMs = 300000;
    int MaxHeaderLines = 1000;
    int MaxHeaderBytes = 256 * 1024;
    int64_t MaxDocumentBytes = 0;
    bool MultiThreaded() const { return FMultiThreaded; }
    void SetMultiThreaded(bool Value);

    // Results.
    THttpCliState State() const { return FState; }
    int StatusCode() const { return FStatusCode; }
    const AnsiString &ReasonText() const { return FReasonText; }
    const AnsiString &DocumentName() const { return FDocumentName; }
    const AnsiString &Location() const { return FLocation; }
    bool Connected() const { return FConnected; }
    const AnsiString &ResolvedAddr() const { return FResolvedAddr; }
    int ContentLength() const { return FContentLength; }
    const AnsiString &ContentType() const { return FContentType; }
    const AnsiString &AcceptRanges() const { return FAcceptRanges; }
    const TStringList &AuthenticateHeaders() const { return FAuthenticateHeaders; }
    const TStringList &ResponseHeader() const { return FResponseHeader; }
    int ReceivedBytes() const { return FReceivedBytes; }
    int SentBytes() const { return FSentBytes; }
    int RequestError() const { return FRequestError; }
    THttpRequest RequestKind() const { return FRequestKind; }
    TWSocket &CtrlSocket() { return *FCtrlSocket; }

    // Requests: the synchronous ones wait and raise EHttpException for a status of 400 or more.
    void Get();
    void Post();
    void Head();
    void GetASync();
    void PostASync();
    void HeadASync();
    // Ends a running request at once (status 404, "Request aborted").
    void Abort();

    // Events.
    TNotify OnStateChange, OnSessionConnected, OnRequestHeaderBegin, OnRequestHeaderEnd, OnHeaderBegin, OnHeaderEnd,
        OnHeaderData, OnDocBegin, OnDocEnd, OnSendBegin, OnSendEnd, OnLocationChange;
    TData OnDocData, OnSendData;
    std::function<void(THttpCli *Sender, AnsiString &S)> OnCommand;
    std::function<void(THttpCli *Sender, const AnsiString &Data, bool &Accept)> OnCookie;
    std::function<void(THttpCli *Sender, THttpRequest RqType, uint16_t Error)> OnRequestDone;
    std::function<void(THttpCli *Sender, const AnsiString &Method, TStrings &Headers)> OnBeforeHeaderSend;
    std::function<void(THttpCli *Sender, int Error, const AnsiString &Msg)> OnSocksError;
    std::function<void(THttpCli *Sender, uint16_t Error)> OnSocksConnected;
    std::function<void(THttpCli *Sender, TSocksAuthState State)> OnSocksAuthState;
    TNotify OnSocketError;

protected:
    virtual void HandleHeaderLine(const AnsiString &Line);
    virtual void ProcessBodyData(const char *Data, int Len);
    virtual void SendHeaderLine(AnsiString S);
    virtual void StartLookup();
    virtual void CloseConnection();
    virtual void ClearResponse();
    void ForgetResponseReading();
    virtual void HandleDnsLookupDone(uint16_t Error);
    virtual void HandleSessionClosed(uint16_t Error);
    virtual void HandleSessionConnected(uint16_t Error);
    virtual void HandleDataSent(uint16_t Error);
    virtual void HandleSocketData(uint16_t Error);
    virtual void FollowLocation(uint16_t Error);
    virtual void BeginRequest(THttpRequest Request);
    virtual void RunRequest(THttpRequest Request);
    void ChangeHttpState(THttpCliState NewState);
    void PostReady();
    void PostRequestDone();
    void DeriveDocumentName();

private:
    void SendRequest(const AnsiString &Method, const AnsiString &Version);
    void ComputeLocation(const AnsiString &Value);
    void FailRequest(int Error, const AnsiString &Reason);
    void Fire(const TNotify &E)
    {
        if (E)
            E(this);
    }
    void PostMessage(std::function<void()> Handler);
    void Touch();
    void EndRequest(int Error, const AnsiString &Reason);
    void CountHeaderLine(size_t Bytes);
    void BodyComplete();
    void ReportSocketError();

    std::unique_ptr<QObject> FWindow;
    std::unique_ptr<TWSocket> FCtrlSocket;
    std::unique_ptr<QTimer> FIdleTimer, FTotalTimer;
    bool FMultiThreaded = false;
    THttpCliState FState = hcsReady;
    AnsiString FHostName, FTargetHost, FPort;
    AnsiString FLocation, FResolvedAddr;
    bool FConnected = false;
    THttpRequest FRequestKind = hrqNone;
    char FReceiveBuffer[8193] = {};
    int FReceiveLen = 0;
    std::unique_ptr<char[]> FBodyBuffer; // body bytes are received in blocks of kBodyBlock
    int FHeaderLineCount = 0, FBodyLineCount = 0;
    int64_t FHeaderBytes = 0;
    bool FBodyDone = false; // the body's announced end came: later bytes are not part of it
    bool FAllowedToSend = false;
    AnsiString FPath, FDocumentName;
    int FStatusCode = 0;
    AnsiString FReasonText;
    int FContentLength = -1;
    AnsiString FContentType, FAcceptRanges;
    TStringList FAuthenticateHeaders, FResponseHeader;
    bool FLocationFlag = false, FHeaderFlag = false;
    int FReceivedBytes = 0, FSentBytes = 0;
    TMemoryStream FReqStream;
    int FRequestError = 0;
    int FRelocations = 0;
    bool FBodyPhase = false; // line processor: false = header lines, true = body data
    bool FFollowOnClose = false;
    AnsiString FBadLocation;
    bool FRemoteName = false; // the SOCKS server resolves the host name
    // A body sent in chunks (a server that answers the 1.0 request so anyway) is unframed.
    enum TChunkState { csSize, csData, csDataEnd, csTrailer, csDone };
    void DeliverBody(const char *Data, int Len);
    void DecodeChunks(const char *Data, int Len);
    bool FChunked = false;
    TChunkState FChunkState = csSize;
    int64_t FChunkLeft = 0;
    AnsiString FChunkLine;
    AnsiString FRawLine; // the header line being handled, with its line end
};
