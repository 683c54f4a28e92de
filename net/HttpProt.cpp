#include "net/HttpProt.h"
#include "platform/GuardedApplication.h"
#include "platform/SysUtils.h"
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

int WebFetchTimeLimitMs = 60000;

namespace {

// "60 s" for whole seconds, else "1500 ms".
AnsiString DurationText(int Ms)
{
    return Ms % 1000 == 0 ? IntToStr(Ms / 1000) + " s" : IntToStr(Ms) + " ms";
}

bool StartsWith(const AnsiString &S, const char *Prefix)
{
    return S.rfind(Prefix, 0) == 0;
}

// The scheme of an absolute URL ("" when V has none), in lower case.
AnsiString SchemeOf(const AnsiString &V)
{
    const size_t P = V.find("://");
    if (P == AnsiString::npos || P == 0)
        return AnsiString();
    for (size_t I = 0; I < P; ++I) {
        const char C = V[I];
        if (!std::isalnum(static_cast<unsigned char>(C)) && C != '+' && C != '-' && C != '.')
            return AnsiString();
    }
    return LowerCase(V.substr(0, P));
}

// Body bytes are received in blocks of this size: one receive call each, as a fast peer fills them.
constexpr int kBodyBlock = 65536;

// The request path up to and including its last "/" or ":" before any "?".
AnsiString PathBase(const AnsiString &Path)
{
    const AnsiString Head = Path.substr(0, Path.find('?'));
    const size_t P = Head.find_last_of("/:");
    return P == AnsiString::npos ? AnsiString() : Head.substr(0, P + 1);
}

} // namespace

THttpCli::THttpCli()
    : FWindow(std::make_unique<QObject>()), FCtrlSocket(std::make_unique<TWSocket>()),
      FIdleTimer(std::make_unique<QTimer>()), FTotalTimer(std::make_unique<QTimer>())
{
    FIdleTimer->setSingleShot(true);
    QObject::connect(FIdleTimer.get(), &QTimer::timeout, FWindow.get(), GuardedSlot([this]() {
        EndRequest(WSAETIMEDOUT, SocketErrorText(WSAETIMEDOUT) + " (Error #" + IntToStr(WSAETIMEDOUT) + ")");
    }));
    FTotalTimer->setSingleShot(true);
    QObject::connect(FTotalTimer.get(), &QTimer::timeout, FWindow.get(), GuardedSlot([this]() {
        EndRequest(WSAETIMEDOUT, "Request timed out after " + DurationText(TotalTimeoutMs));
    }));
    TWSocket &S = *FCtrlSocket;
    S.OnSessionClosed = [this](TCustomWSocket *, uint16_t E) {
        Touch();
        if (FFollowOnClose)
            FollowLocation(E);
        else
            HandleSessionClosed(E);
    };
    S.OnDataAvailable = [this](TCustomWSocket *, uint16_t E) {
        Touch();
        HandleSocketData(E);
    };
    S.OnSessionConnected = [this](TCustomWSocket *, uint16_t E) {
        Touch();
        HandleSessionConnected(E);
    };
    S.OnDataSent = [this](TCustomWSocket *, uint16_t E) {
        Touch();
        HandleDataSent(E);
    };
    S.OnDnsLookupDone = [this](TCustomWSocket *, uint16_t E) { HandleDnsLookupDone(E); };
    S.OnSocksError = [this](TCustomWSocket *, int E, const AnsiString &Msg) {
        if (OnSocksError)
            OnSocksError(this, E, Msg);
        // The SOCKS failure is the request's failure.
        FRequestError = E;
        FStatusCode = 404;
        FReasonText = Msg + " (SOCKS error #" + IntToStr(E) + ")";
    };
    S.OnSocksConnected = [this](TCustomWSocket *, uint16_t E) {
        if (OnSocksConnected)
            OnSocksConnected(this, E);
    };
    S.OnSocksAuthState = [this](TCustomWSocket *, TSocksAuthState A) {
        if (OnSocksAuthState)
            OnSocksAuthState(this, A);
    };
    S.OnBgException = [this](TCustomWSocket *, const Exception &E, bool &CanClose) {
        // A protocol failure inside a data event (a line too long, a malformed number) ends the
        // request as a failure, never as a success with what was read so far.
        CanClose = true;
        FStatusCode = 404;
        FReasonText = E.Message();
        FRequestError = WSAECONNABORTED;
        if (dynamic_cast<const ESocketException *>(&E))
            ReportSocketError();
    };
}

THttpCli::~THttpCli()
{
    FCtrlSocket->OnSessionClosed = nullptr;
    FCtrlSocket->OnDnsLookupDone = nullptr;
    FCtrlSocket->OnDataAvailable = nullptr;
}

void THttpCli::SetMultiThreaded(bool Value)
{
    FMultiThreaded = Value;
    FCtrlSocket->SetMultiThreaded(Value);
}

void THttpCli::PostMessage(std::function<void()> Handler)
{
    QMetaObject::invokeMethod(FWindow.get(), std::move(Handler), Qt::QueuedConnection);
}

void THttpCli::Touch()
{
    if (TimeoutMs > 0 && FState != hcsReady)
        FIdleTimer->start(TimeoutMs);
}

void THttpCli::ChangeHttpState(THttpCliState NewState)
{
    if (NewState == FState)
        return;
    FState = NewState;
    Fire(OnStateChange);
    if (NewState == hcsReady) {
        FIdleTimer->stop();
        FTotalTimer->stop();
        PostRequestDone();
    }
}

void THttpCli::PostReady()
{
    PostMessage([this]() { ChangeHttpState(hcsReady); });
}

void THttpCli::PostRequestDone()
{
    PostMessage([this]() {
        if (OnRequestDone)
            OnRequestDone(this, FRequestKind, static_cast<uint16_t>(FRequestError));
    });
}

void THttpCli::ClearResponse()
{
    FAuthenticateHeaders.Clear();
    FRequestError = 0;
    FReasonText.clear();
    FReceivedBytes = FSentBytes = 0;
    FDocumentName.clear();
    FAllowedToSend = false;
    FLocation = URL;
    FHeaderFlag = FLocationFlag = false;
    ForgetResponseReading();
}

// What reading one response gathered: its header lines, body framing and status.
void THttpCli::ForgetResponseReading()
{
    FResponseHeader.Clear();
    FHeaderLineCount = FBodyLineCount = 0;
    FHeaderBytes = 0;
    FBodyDone = false;
    FContentLength = -1;
    FChunked = false;
    FChunkState = csSize;
    FChunkLeft = 0;
    FChunkLine.clear();
    FContentType.clear();
    FStatusCode = 0;
    FReceiveLen = 0;
    FBodyPhase = false;
}

void THttpCli::Get()
{
    RunRequest(hrqGet);
}
void THttpCli::Post()
{
    RunRequest(hrqPost);
}
void THttpCli::Head()
{
    RunRequest(hrqHead);
}
void THttpCli::GetASync()
{
    BeginRequest(hrqGet);
}
void THttpCli::PostASync()
{
    BeginRequest(hrqPost);
}
void THttpCli::HeadASync()
{
    BeginRequest(hrqHead);
}

void THttpCli::RunRequest(THttpRequest Request)
{
    BeginRequest(Request);
    if (WSocketWaitUntil([this]() { return FState == hcsReady; }, 0) != 0) {
        // The application is ending: the request ends with it.
        Abort();
        FState = hcsReady;
    }
    if (FStatusCode >= 400)
        throw EHttpException(FReasonText, FStatusCode);
}

void THttpCli::FailRequest(int Error, const AnsiString &Reason)
{
    FRequestError = Error;
    FStatusCode = 404;
    FReasonText = Reason;
}

void THttpCli::Abort()
{
    EndRequest(WSAEINTR, "Request aborted");
}

// The socket's errors end the request with their text; whoever listens is told of each.
void THttpCli::ReportSocketError()
{
    Fire(OnSocketError);
}

// Ends a running request from outside its events: a time limit or the caller's Abort.
void THttpCli::EndRequest(int Error, const AnsiString &Reason)
{
    if (FState == hcsReady)
        return;
    FailRequest(Error, Reason);
    ChangeHttpState(hcsAborting);
    FFollowOnClose = false;
    FCtrlSocket->CancelLookup();
    if (FCtrlSocket->State() != wsClosed)
        FCtrlSocket->Abort();
    else
        HandleSessionClosed(0);
}

void THttpCli::BeginRequest(THttpRequest Request)
{
    if (FState != hcsReady)
        throw EHttpException("HTTP component is busy", 1);
    if (Request == hrqPost && !SendStream)
        throw EHttpException("HTTP component has nothing to post", 2);
    FFollowOnClose = false;
    ChangeHttpState(hcsStarting);
    FRequestKind = Request;
    FRelocations = 0;
    const AnsiString OldPath = FPath;
    ClearResponse();
    Touch();
    if (TotalTimeoutMs > 0)
        FTotalTimer->start(TotalTimeoutMs);

    AnsiString Proto, User, Pass, Host, Port, Path = OldPath;
    SplitUrl(URL, Proto, User, Pass, Host, Port, Path);
    FTargetHost = Host;
    if (!User.empty())
        Username = User;
    if (!Pass.empty())
        Password = Pass;
    if (!Proto.empty() && Proto != "http") {
        // Only http is spoken here (no https): the request ends with an error status.
        FPath = Path;
        FDocumentName = Path;
        DeriveDocumentName();
        FailRequest(WSAEINVAL, "Protocol not supported: " + Proto);
        ChangeHttpState(hcsReady);
        return;
    }
    if (Proxy.empty()) {
        FPath = Path;
        FDocumentName = Path;
        FHostName = Host;
        FPort = Port.empty() ? AnsiString("80") : Port;
    } else {
        FDocumentName = Path;
        FPath = (Proto.empty() ? AnsiString("http") : Proto) + "://" + Host + (Port.empty() ? "" : ":" + Port) + Path;
        AnsiString PProto, PUser, PPass, PHost, PPort, PPath;
        SplitUrl(Proxy, PProto, PUser, PPass, PHost, PPort, PPath);
        FHostName = PHost;
        FPort = PPort.empty() ? ProxyPort : PPort;
    }
    if (FPath.empty())
        FPath = "/";
    DeriveDocumentName();
    StartLookup();
}

void THttpCli::DeriveDocumentName()
{
    AnsiString Name = FDocumentName.substr(0, FDocumentName.find('?'));
    if (Name.empty() || Name.back() == '/') {
        FDocumentName = "document.htm";
        return;
    }
    const size_t Slash = Name.rfind('/');
    if (Slash != AnsiString::npos)
        Name = Name.substr(Slash + 1);
    Name = Name.substr(0, 255);
    FDocumentName = Name.substr(0, Name.find('?'));
    if (FDocumentName.empty())
        FDocumentName = "document.htm";
}

void THttpCli::StartLookup()
{
    FResolvedAddr.clear();
    ChangeHttpState(hcsResolving);
    if (!SocksServer.empty() && SocksLevel != "4") {
        // SOCKS 4A and 5 servers resolve the name themselves: it is not looked up here.
        FRemoteName = true;
        PostMessage([this]() { HandleDnsLookupDone(0); });
        return;
    }
    FRemoteName = false;
    try {
        FCtrlSocket->SetLocalAddr(LocalAddr);
        FCtrlSocket->DnsLookup(FHostName);
    } catch (const Exception &E) {
        FStatusCode = 404;
        FReasonText = E.Message();
        if (FRequestError == 0)
            FRequestError = WSAEINVAL;
        FConnected = false;
        if (dynamic_cast<const ESocketException *>(&E))
            ReportSocketError();
        ChangeHttpState(hcsReady);
    }
}

void THttpCli::HandleDnsLookupDone(uint16_t Error)
{
    if (FState != hcsResolving)
        return;
    if (Error != 0) {
        FailRequest(Error, "can't resolve hostname to IP address");
        HandleSessionClosed(Error);
        return;
    }
    FResolvedAddr = FRemoteName ? FHostName : FCtrlSocket->DnsResult();
    ChangeHttpState(hcsConnecting);
    TWSocket &S = *FCtrlSocket;
    try {
        S.SetAddr(FResolvedAddr);
        S.SetLocalAddr(LocalAddr);
        S.SetPort(FPort);
        S.SetProto("tcp");
        // Every connection gets the SOCKS settings again (a close forgets them).
        if (!SocksServer.empty()) {
            S.SetSocksServer(SocksServer);
            S.SetSocksPort(SocksPort);
            S.SetSocksLevel(SocksLevel);
            S.SocksUsercode = SocksUsercode;
            S.SocksPassword = SocksPassword;
            S.SocksAuthentication = SocksAuthentication;
        }
        S.Connect();
    } catch (const Exception &E) {
        int Err = S.LastError();
        if (Err == 0)
            Err = WSAEINVAL;
        FRequestError = Err;
        FStatusCode = 404;
        FReasonText = "can't connect: " + E.Message();
        if (dynamic_cast<const ESocketException *>(&E))
            ReportSocketError();
        S.Close();
        HandleSessionClosed(static_cast<uint16_t>(Err));
    }
}

void THttpCli::HandleSessionConnected(uint16_t Error)
{
    if (Error != 0) {
        if (FStatusCode == 0 || FRequestError != Error) {
            FRequestError = Error;
            FStatusCode = 404;
            if (Error < 20000 || FReasonText.empty())
                FReasonText = SocketErrorText(Error) + " (Error #" + IntToStr(Error) + ")";
        }
        // The socket closes itself after a failed connect and then reports the close.
        return;
    }
    FConnected = true;
    ChangeHttpState(hcsConnected);
    Fire(OnSessionConnected);
    FBodyPhase = false;
    ChangeHttpState(hcsWaitingHeader);
    try {
        switch (FRequestKind) {
        case hrqPost:
            SendRequest("POST", "1.0");
            Fire(OnSendBegin);
            FAllowedToSend = true;
            HandleDataSent(0);
            break;
        case hrqHead: SendRequest("HEAD", "1.0"); break;
        default: SendRequest("GET", "1.0"); break;
        }
    } catch (const Exception &E) {
        FailRequest(WSAECONNABORTED, E.Message());
        if (dynamic_cast<const ESocketException *>(&E))
            ReportSocketError();
        CloseConnection();
    }
}

void THttpCli::CloseConnection()
{
    FCtrlSocket->Close();
    FConnected = false;
}

void THttpCli::SendHeaderLine(AnsiString S)
{
    if (OnCommand)
        OnCommand(this, S);
    if (!S.empty())
        FReqStream.Write(S.data(), static_cast<int64_t>(S.size()));
    FReqStream.Write("\r\n", 2);
}

void THttpCli::SendRequest(const AnsiString &Method, const AnsiString &Version)
{
    FReqStream.Clear();
    Fire(OnRequestHeaderBegin);
    TStringList Lines;
    Lines.Add(Method + " " + FPath + " HTTP/" + Version);
    if (!Sender.empty())
        Lines.Add("From: " + Sender);
    if (!Accept.empty())
        Lines.Add("Accept: " + Accept);
    if (!Reference.empty())
        Lines.Add("Referer: " + Reference);
    if (!AcceptLanguage.empty())
        Lines.Add("Accept-Language: " + AcceptLanguage);
    if (FRequestKind == hrqPost && !ContentTypePost.empty())
        Lines.Add("Content-Type: " + ContentTypePost);
    if (!Agent.empty())
        Lines.Add("User-Agent: " + Agent);
    Lines.Add("Host: " + FTargetHost);
    if (NoCache)
        Lines.Add("Pragma: no-cache");
    if (FRequestKind == hrqPost) {
        // The body is sent from the stream's position on, so that is what the length counts.
        const int64_t Size = SendStream->GetSize() - SendStream->GetPosition();
        Lines.Add("Content-Length: " + IntToStr(std::max<int64_t>(Size, 0)));
    }
    if (ModifiedSince != 0)
        Lines.Add("If-Modified-Since: " + HttpDateText(LocalTimeToUniversal(ModifiedSince)) + " GMT");
    if (!Username.empty())
        Lines.Add("Authorization: Basic " + EncodeText(1, Username + ":" + Password));
    if (!Proxy.empty() && !ProxyUsername.empty())
        Lines.Add("Proxy-Authorization: Basic " + EncodeText(1, ProxyUsername + ":" + ProxyPassword));
    if (!Cookie.empty())
        Lines.Add("Cookie: " + Cookie);
    if (!ContentRangeBegin.empty() || !ContentRangeEnd.empty()) {
        Lines.Add("Range: bytes=" + ContentRangeBegin + "-" + ContentRangeEnd);
        ContentRangeBegin.clear();
        ContentRangeEnd.clear();
    }
    FAcceptRanges.clear();
    if (OnBeforeHeaderSend)
        OnBeforeHeaderSend(this, Method, Lines);
    for (int I = 0; I < Lines.Count(); ++I)
        SendHeaderLine(Lines[I]);
    Fire(OnRequestHeaderEnd);
    SendHeaderLine(AnsiString());
    FCtrlSocket->Send(FReqStream.Memory(), static_cast<int>(FReqStream.GetSize()));
    FReqStream.Clear();
}

void THttpCli::HandleDataSent(uint16_t)
{
    if (!FAllowedToSend || !SendStream)
        return;
    char Buf[8193];
    const int64_t Count = SendStream->Read(Buf, sizeof Buf);
    if (Count > 0) {
        FSentBytes += static_cast<int>(Count);
        if (OnSendData)
            OnSendData(this, Buf, static_cast<int>(Count));
        FCtrlSocket->Send(Buf, static_cast<int>(Count));
    } else {
        FAllowedToSend = false;
        Fire(OnSendEnd);
    }
}

void THttpCli::HandleSocketData(uint16_t)
{
    if (FState == hcsWaitingBody && FReceiveLen == 0 && FRequestKind != hrqNone) {
        // Body bytes go on as they come, a whole block per receive.
        if (!FBodyBuffer)
            FBodyBuffer = std::make_unique<char[]>(kBodyBlock);
        const int Len = FCtrlSocket->Receive(FBodyBuffer.get(), kBodyBlock);
        if (Len > 0 && !FBodyDone)
            ProcessBodyData(FBodyBuffer.get(), Len);
        return;
    }
    if (FReceiveLen >= 8192)
        throw EHttpException("HTTP line too long", 4);
    const int Len = FCtrlSocket->Receive(FReceiveBuffer + FReceiveLen, 8192 - FReceiveLen);
    if (FRequestKind == hrqNone || Len <= 0)
        return;
    FReceiveLen += Len;
    FReceiveBuffer[FReceiveLen] = 0;
    if (FState == hcsWaitingBody) {
        const int N = FReceiveLen;
        FReceiveLen = 0;
        ProcessBodyData(FReceiveBuffer, N);
        return;
    }
    while (FReceiveLen > 0) {
        const char *LF = static_cast<const char *>(std::memchr(FReceiveBuffer, '\n', static_cast<size_t>(FReceiveLen)));
        if (!LF)
            break;
        const int RawLen = static_cast<int>(LF - FReceiveBuffer) + 1;
        int LineLen = RawLen - 1;
        if (LineLen > 0 && FReceiveBuffer[LineLen - 1] == '\r')
            --LineLen;
        const AnsiString Line(FReceiveBuffer, static_cast<size_t>(LineLen));
        const AnsiString Raw(FReceiveBuffer, static_cast<size_t>(RawLen));
        std::memmove(FReceiveBuffer, FReceiveBuffer + RawLen, static_cast<size_t>(FReceiveLen - RawLen));
        FReceiveLen -= RawLen;
        FReceiveBuffer[FReceiveLen] = 0;
        if (FState == hcsWaitingHeader || FState == hcsWaitingBody) {
            if (FBodyPhase) {
                ProcessBodyData(Raw.data(), static_cast<int>(Raw.size()));
            } else {
                FRawLine = Raw;
                HandleHeaderLine(Line);
            }
        }
        if (FState != hcsWaitingHeader && FState != hcsWaitingBody)
            break;
        if (FState == hcsWaitingBody && FReceiveLen > 0) {
            // The rest of a document without header goes on as it came, line ends included.
            const int N = FReceiveLen;
            FReceiveLen = 0;
            ProcessBodyData(FReceiveBuffer, N);
            break;
        }
    }
}

void THttpCli::HandleHeaderLine(const AnsiString &Line)
{
    if (FHeaderLineCount == 0) {
        FHeaderFlag = true;
        Fire(OnHeaderBegin);
    }
    ++FHeaderLineCount;
    CountHeaderLine(FRawLine.size());
    const bool HeaderLess = UpperCase(Line.substr(0, 6)) == "<HTML>";
    // Anything else in place of the status line is not an answer to the request.
    if (FHeaderLineCount == 1 && !HeaderLess && !StartsWith(Line, "HTTP/"))
        throw EHttpException("Not an HTTP response", 4);
    if (HeaderLess) {
        if (FContentType.empty())
            FContentType = "text/html";
        ChangeHttpState(hcsWaitingBody);
        FBodyPhase = true;
        FHeaderFlag = false;
        Fire(OnHeaderEnd);
        // The document keeps its line ends.
        const AnsiString WithEnd = FRawLine.rfind(Line, 0) == 0 ? FRawLine : Line + "\r\n";
        ProcessBodyData(WithEnd.data(), static_cast<int>(WithEnd.size()));
        return;
    }
    if (!Line.empty()) {
        FResponseHeader.Add(Line);
        if (StartsWith(Line, "HTTP/1.0") || StartsWith(Line, "HTTP/1.1")) {
            FStatusCode = StrToInt(Line.substr(9, 3));
            FReasonText = Line.size() > 13 ? Line.substr(13) : AnsiString();
        } else {
            const size_t Colon = Line.find(':');
            if (Colon != AnsiString::npos) {
                const AnsiString Key = LowerCase(Line.substr(0, Colon));
                AnsiString Value = Line.substr(Colon + 1);
                Value.erase(0, Value.find_first_not_of(" \t"));
                if (Value.find_first_not_of(" \t") == AnsiString::npos)
                    Value.clear();
                if (Key == "location") {
                    FLocationFlag = true;
                    ComputeLocation(Value);
                } else if (Key == "content-length") {
                    FContentLength = StrToInt(Trim(Value));
                    if (FContentLength < 0)
                        throw EHttpException("HTTP Content-Length invalid", 4);
                } else if (Key == "content-range") {
                    const size_t Dash = Value.find('-');
                    const size_t SlashPos = Value.find('/');
                    if (Dash != AnsiString::npos && Value.size() > 6) {
                        ContentRangeBegin = Value.substr(6, Dash > 6 ? Dash - 6 : 0);
                        ContentRangeEnd = Value.substr(Dash + 1, SlashPos == AnsiString::npos ? AnsiString::npos
                                                                                              : SlashPos - Dash - 1);
                    }
                } else if (Key == "transfer-encoding") {
                    FChunked = LowerCase(Value).find("chunked") != AnsiString::npos;
                } else if (Key == "accept-ranges") {
                    FAcceptRanges = Value;
                } else if (Key == "content-type") {
                    FContentType = LowerCase(Value);
                } else if (Key == "www-authenticate") {
                    FAuthenticateHeaders.Add(Value);
                } else if (Key == "set-cookie") {
                    bool AcceptCookie = true;
                    if (OnCookie)
                        OnCookie(this, Value, AcceptCookie);
                }
            }
        }
        Fire(OnHeaderData);
        return;
    }

    // The blank line ends the header.
    if (FLocationFlag) {
        FHeaderFlag = false;
        Fire(OnHeaderEnd);
        FReceiveLen = 0;
        FHeaderLineCount = FBodyLineCount = 0;
        FFollowOnClose = true;
        FCtrlSocket->Close();
        return;
    }
    FHeaderFlag = false;
    // An answer to HEAD, and a 204 or 304, has no body whatever its Content-Length says.
    const bool NoBody = FRequestKind == hrqHead || FStatusCode == 204 || FStatusCode == 304;
    if (FContentLength != 0 && !NoBody) {
        const AnsiString Ext = LowerCase(ExtractFileExt(FDocumentName));
        if ((Ext == ".exe" || Ext.empty()) && FContentType == "text/html") {
            const size_t Dot = FDocumentName.rfind('.');
            FDocumentName = (Dot == AnsiString::npos ? FDocumentName : FDocumentName.substr(0, Dot)) + ".htm";
        }
        if (MaxDocumentBytes > 0 && FContentLength > MaxDocumentBytes && !FChunked && FStatusCode < 400)
            throw EHttpException("Document larger than " + IntToStr(MaxDocumentBytes) + " bytes", 4);
        ChangeHttpState(hcsWaitingBody);
        FBodyPhase = true;
        Fire(OnHeaderEnd);
        if (FReceiveLen > 0) {
            const int N = FReceiveLen;
            FReceiveLen = 0;
            ProcessBodyData(FReceiveBuffer, N);
        }
        if (FStatusCode >= 400)
            FCtrlSocket->Close();
        return;
    }
    Fire(OnHeaderEnd);
    // Nothing follows the header: the connection is closed, and its close ends the request.
    FReceiveLen = 0;
    if (FCtrlSocket->State() != wsClosed)
        FCtrlSocket->Close();
    else
        PostReady();
}

void THttpCli::ComputeLocation(const AnsiString &V)
{
    const AnsiString Scheme = SchemeOf(V);
    FBadLocation.clear();
    if (!Scheme.empty() && Scheme != "http") {
        // An absolute location in a protocol not spoken here ends the request when followed.
        FBadLocation = V;
        FLocation = V;
        return;
    }
    if (Proxy.empty()) {
        // The location names the port too when it is not the default one.
        const AnsiString HostPort = FHostName + (FPort == "80" ? AnsiString() : ":" + FPort);
        if (StartsWith(V, "/")) {
            FPath = V;
            FLocation = "http://" + HostPort + V;
        } else if (Scheme.empty()) {
            FPath = PathBase(FPath) + V;
            FLocation = "http://" + HostPort + (StartsWith(FPath, "/") ? "" : "/") + FPath;
        } else {
            AnsiString Proto, User, Pass, Host, Port, Path;
            SplitUrl(V, Proto, User, Pass, Host, Port, Path);
            FPort = Port.empty() ? AnsiString("80") : Port;
            if (!User.empty() && !Pass.empty()) {
                Username = User;
                Password = Pass;
            }
            FTargetHost = Host;
            FHostName = Host;
            const AnsiString HostPort = Host + (Port.empty() ? AnsiString() : ":" + Port);
            if (Path.empty()) {
                FPath = "/";
                FLocation = Proto + "://" + HostPort;
            } else {
                FPath = Path;
                FLocation = Proto + "://" + HostPort + Path;
            }
        }
        return;
    }
    if (StartsWith(V, "/")) {
        AnsiString Proto, User, Pass, Host, Port, Path;
        SplitUrl(FPath, Proto, User, Pass, Host, Port, Path);
        FLocation = (Proto.empty() ? AnsiString("http") : Proto) + "://" + Host + V;
        FPath = FLocation;
    } else if (Scheme.empty()) {
        FPath = PathBase(FPath) + V;
        FLocation = "http://" + FHostName + "/" + FPath;
    } else {
        AnsiString Proto, User, Pass, Host, Port, Path;
        SplitUrl(V, Proto, User, Pass, Host, Port, Path);
        if (!User.empty() && !Pass.empty()) {
            Username = User;
            Password = Pass;
        }
        FTargetHost = Host;
        FLocation = Proto + "://" + Host + (Port.empty() ? "" : ":" + Port) + Path;
        FPath = FLocation;
    }
}

void THttpCli::FollowLocation(uint16_t)
{
    FFollowOnClose = false;
    FConnected = false;
    FLocationFlag = false;
    if (!FBadLocation.empty()) {
        FailRequest(WSAEINVAL, "Protocol not supported in location: " + FBadLocation);
        FHeaderFlag = false;
        PostReady();
        return;
    }
    if (++FRelocations > MaxRelocations) {
        FailRequest(WSAEINVAL, "Too many relocations");
        FHeaderFlag = false;
        PostReady();
        return;
    }
    AnsiString Proto, User, Pass, Host, Port, Path;
    SplitUrl(FLocation.substr(0, FLocation.find('#')), Proto, User, Pass, Host, Port, Path);
    FDocumentName = Path;
    DeriveDocumentName();
    if (FRequestKind == hrqPost)
        FRequestKind = hrqGet;
    Fire(OnLocationChange);
    ForgetResponseReading();
    if (!Proxy.empty())
        FPort = ProxyPort;
    PostMessage([this]() { StartLookup(); });
}

void THttpCli::ProcessBodyData(const char *Data, int Len)
{
    if (FBodyDone)
        return;
    if (FChunked) {
        DecodeChunks(Data, Len);
    } else if (FContentLength >= 0) {
        // The body is the announced length: bytes after it are not part of the document.
        const int64_t Left = FContentLength - static_cast<int64_t>(FReceivedBytes);
        DeliverBody(Data, static_cast<int>(std::min<int64_t>(Len, Left)));
        if (static_cast<int64_t>(FReceivedBytes) >= FContentLength)
            BodyComplete();
    } else {
        DeliverBody(Data, Len);
    }
}

// The whole body is in: the connection has nothing more for us.
void THttpCli::BodyComplete()
{
    FBodyDone = true;
    if (FCtrlSocket->State() != wsClosed)
        FCtrlSocket->PostClose();
}

void THttpCli::CountHeaderLine(size_t Bytes)
{
    FHeaderBytes += static_cast<int64_t>(Bytes);
    if (MaxHeaderLines > 0 && FHeaderLineCount > MaxHeaderLines)
        throw EHttpException("HTTP header longer than " + IntToStr(MaxHeaderLines) + " lines", 4);
    if (MaxHeaderBytes > 0 && FHeaderBytes > MaxHeaderBytes)
        throw EHttpException("HTTP header longer than " + IntToStr(MaxHeaderBytes) + " bytes", 4);
}

void THttpCli::DeliverBody(const char *Data, int Len)
{
    if (Len <= 0)
        return;
    if (MaxDocumentBytes > 0 && static_cast<int64_t>(FReceivedBytes) + Len > MaxDocumentBytes)
        throw EHttpException("Document larger than " + IntToStr(MaxDocumentBytes) + " bytes", 4);
    if (FBodyLineCount == 0)
        Fire(OnDocBegin);
    ++FBodyLineCount;
    FReceivedBytes += Len;
    if (ReceiveStream)
        ReceiveStream->WriteBuffer(Data, Len);
    if (OnDocData)
        OnDocData(this, Data, Len);
}

void THttpCli::DecodeChunks(const char *Data, int Len)
{
    int I = 0;
    while (I < Len && FChunkState != csDone) {
        switch (FChunkState) {
        case csSize:
        case csDataEnd:
        case csTrailer: {
            // Collect one line (size line, the line end after data, or a trailer line).
            const char *LF = static_cast<const char *>(std::memchr(Data + I, '\n', static_cast<size_t>(Len - I)));
            const int Stop = LF ? static_cast<int>(LF - Data) : Len;
            FChunkLine.append(Data + I, static_cast<size_t>(Stop - I));
            if (FChunkLine.size() > 4096)
                throw EHttpException("HTTP chunk line too long", 4);
            I = LF ? Stop + 1 : Len;
            if (!LF)
                break;
            if (!FChunkLine.empty() && FChunkLine.back() == '\r')
                FChunkLine.pop_back();
            const AnsiString Line = FChunkLine;
            FChunkLine.clear();
            if (FChunkState == csDataEnd) {
                if (!Line.empty())
                    throw EHttpException("HTTP chunk not ended by a line end", 4);
                FChunkState = csSize;
            } else if (FChunkState == csTrailer) {
                if (Line.empty()) {
                    // The last chunk and its trailer are in: the document is complete.
                    FChunkState = csDone;
                    BodyComplete();
                } else {
                    // Trailer lines are header lines, and bounded as those are.
                    ++FHeaderLineCount;
                    CountHeaderLine(Line.size() + 2);
                }
            } else {
                int64_t Size = 0;
                size_t P = 0;
                for (; P < Line.size() && std::isxdigit(static_cast<unsigned char>(Line[P])); ++P) {
                    if (Size > (INT64_MAX >> 4))
                        throw EHttpException("HTTP chunk size too large", 4);
                    const char C = static_cast<char>(std::tolower(static_cast<unsigned char>(Line[P])));
                    Size = Size * 16 + (C <= '9' ? C - '0' : C - 'a' + 10);
                }
                if (P == 0)
                    throw EHttpException("HTTP chunk size invalid", 4);
                FChunkLeft = Size;
                FChunkState = Size == 0 ? csTrailer : csData;
            }
            break;
        }
        case csData: {
            const int N = static_cast<int>(std::min<int64_t>(FChunkLeft, Len - I));
            DeliverBody(Data + I, N);
            I += N;
            FChunkLeft -= N;
            if (FChunkLeft == 0)
                FChunkState = csDataEnd;
            break;
        }
        case csDone: break;
        }
    }
}

void THttpCli::HandleSessionClosed(uint16_t Error)
{
    if (Error != 0)
        FRequestError = Error;
    FConnected = false;
    const bool HeaderCut = FHeaderFlag;
    if (FHeaderFlag) {
        FHeaderFlag = false;
        Fire(OnHeaderEnd);
        if (FLocationFlag) {
            FollowLocation(Error);
            return;
        }
    } else if (FBodyLineCount > 0) {
        Fire(OnDocEnd);
    }
    // A response cut short is no success, though its status line said so. (A request that
    // failed already keeps its own reason.)
    if (FState != hcsAborting && FStatusCode > 0 && FStatusCode < 400) {
        const AnsiString Got = IntToStr(FReceivedBytes);
        const int Err = FRequestError != 0 ? FRequestError : WSAECONNABORTED;
        if (HeaderCut)
            FailRequest(Err, "Connection closed before the end of the header");
        else if (FBodyPhase && !FBodyDone && FChunked)
            FailRequest(Err, "Connection closed after " + Got + " bytes, before the last chunk");
        else if (FBodyPhase && !FBodyDone && FContentLength > 0)
            FailRequest(Err, "Connection closed after " + Got + " of " + IntToStr(FContentLength) + " bytes");
        else if (FBodyPhase && !FBodyDone && Error != 0)
            FailRequest(Err, SocketErrorText(Error) + " (Error #" + IntToStr(Error) + ")");
    }
    if (FStatusCode == 0 && FHeaderLineCount == 0 && FBodyLineCount == 0 && FRequestKind != hrqNone) {
        // The server closed without a single byte of answer: that is no success.
        FailRequest(FRequestError != 0 ? FRequestError : WSAECONNABORTED,
                    FRequestError != 0 ? SocketErrorText(FRequestError) + " (Error #" + IntToStr(FRequestError) + ")"
                                       : AnsiString("Connection closed without response"));
    }
    PostReady();
}
