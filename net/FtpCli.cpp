#include "net/FtpCli.h"
#include "platform/GuardedApplication.h"
#include "platform/SysUtils.h"
#include <QCoreApplication>
#include <QObject>
#include <algorithm>
#include <cstring>
#include <sys/stat.h>

TCustomFtpCli::TCustomFtpCli()
    : FWindow(std::make_unique<QObject>()), FControlSocket(std::make_unique<TWSocket>()),
      FDataSocket(std::make_unique<TWSocket>())
{
    TWSocket &C = *FControlSocket;
    C.OnDnsLookupDone = [this](TCustomWSocket *, uint16_t E) { ControlDnsLookupDone(E); };
    C.OnSessionConnected = [this](TCustomWSocket *, uint16_t E) { ControlSessionConnected(E); };
    C.OnDataAvailable = [this](TCustomWSocket *, uint16_t) { ReadControlReply(); };
    C.OnSessionClosed = [this](TCustomWSocket *, uint16_t E) { ControlSessionClosed(E); };
    auto Bg = [this](TCustomWSocket *, const Exception &E, bool &CanClose) {
        if (OnBgException)
            OnBgException(this, E, CanClose);
    };
    C.OnBgException = Bg;
    FDataSocket->OnBgException = Bg;
}

TCustomFtpCli::~TCustomFtpCli()
{
    FControlSocket->OnSessionClosed = nullptr;
    FControlSocket->OnDnsLookupDone = nullptr;
    FDataSocket->OnSessionClosed = nullptr;
}

// ---- properties -------------------------------------------------------------------------------

void TCustomFtpCli::SetLocalFileName(const AnsiString &Value)
{
    FLocalFileName = Value;
    if (!Value.empty())
        FLocalStream = nullptr;
}

void TCustomFtpCli::SetLocalStream(TStream *Value)
{
    FLocalStream = Value;
    if (Value)
        FLocalFileName.clear();
}

TFtpShareMode TCustomFtpCli::ShareMode() const
{
    switch (FShareMode) {
    case ftpShareCompat:
    case ftpShareExclusive:
    case ftpShareDenyWrite:
    case ftpShareDenyRead:
    case ftpShareDenyNone: return static_cast<TFtpShareMode>(FShareMode);
    default: return ftpShareExclusive;
    }
}

void TCustomFtpCli::SetShareMode(int Value)
{
    switch (Value) {
    case ftpShareCompat:
    case ftpShareExclusive:
    case ftpShareDenyWrite:
    case ftpShareDenyRead:
    case ftpShareDenyNone: FShareMode = static_cast<uint16_t>(Value); break;
    default: FShareMode = ftpShareExclusive;
    }
}

void TCustomFtpCli::SetConnectionType(int Value)
{
    if (FConnected) {
        HandleError("FTP component connected");
        return;
    }
    if (Value < ftpDirect || Value > ftpSocks5)
        Value = ftpDirect;
    FConnectionType = static_cast<TFtpConnectionType>(Value);
    if (FConnectionType != ftpDirect)
        FPassive = true;
}

void TCustomFtpCli::ApplySocks(TWSocket &S)
{
    // A close forgets the socket's SOCKS settings: they are given again for every connection.
    if (FConnectionType < ftpSocks4 || SocksServer.empty())
        return;
    S.SetSocksServer(SocksServer);
    S.SetSocksPort(SocksPort);
    S.SetSocksLevel(FConnectionType == ftpSocks4 ? "4" : FConnectionType == ftpSocks4A ? "4A" : "5");
    S.SocksUsercode = SocksUserCode;
    S.SocksPassword = SocksPassword;
    S.SocksAuthentication = socksAuthenticateUsercode;
}

// ---- events -----------------------------------------------------------------------------------

void TCustomFtpCli::TriggerDisplay(const AnsiString &Msg)
{
    if (OnDisplay)
        OnDisplay(this, Msg);
}

void TCustomFtpCli::TriggerDisplayFile(const AnsiString &Msg)
{
    if (OnDisplayFile)
        OnDisplayFile(this, Msg);
}

void TCustomFtpCli::TriggerProgress(int64_t Count, bool &Abort)
{
    if (OnProgress)
        OnProgress(this, Count, Abort);
}

void TCustomFtpCli::TriggerReadyToTransmit(bool &Cancel)
{
    if (OnReadyToTransmit)
        OnReadyToTransmit(this, Cancel);
}

void TCustomFtpCli::TriggerRequestDoneEvent(TFtpRequest RqType, uint16_t Error)
{
    if (OnRequestDone)
        OnRequestDone(this, RqType, Error);
}

void TCustomFtpCli::HandleError(const AnsiString &Msg)
{
    if (OnError) {
        OnError(this, Msg);
        return;
    }
    throw FtpException(Msg);
}

void TCustomFtpCli::StateChange(TFtpState NewState)
{
    if (FState == NewState)
        return;
    FState = NewState;
    if (OnStateChange)
        OnStateChange(this);
}

void TCustomFtpCli::Post(std::function<void()> Handler)
{
    QMetaObject::invokeMethod(
        FWindow.get(),
        GuardedSlot([this, Handler = std::move(Handler)]() {
            try {
                Handler();
            } catch (const Exception &E) {
                bool CanClose = true;
                if (OnBgException)
                    OnBgException(this, E, CanClose);
            }
        }),
        Qt::QueuedConnection);
}

// ---- commands ---------------------------------------------------------------------------------

void TCustomFtpCli::SendCommandText(const AnsiString &Cmd)
{
    AnsiString Text = Cmd;
    if (OnCommand)
        OnCommand(this, Text);
    // The log never shows the password.
    TriggerDisplay(Text.compare(0, 5, "PASS ") == 0 ? AnsiString("> PASS ********") : "> " + Text);
    if (FControlSocket->State() == wsConnected)
        FControlSocket->SendText(Text + "\r\n");
}

void TCustomFtpCli::SendCommand(TFtpRequest RqType, TFtpFct Fct, const AnsiString &Cmd,
                                std::initializer_list<int> OkResponses, THandler DoneAsync)
{
    if (Cmd != "ABOR" && Cmd != "STAT" && Cmd != "QUIT") {
        if (FState != ftpReady && FState != ftpInternalReady) {
            HandleError("FTP component not ready");
            return;
        }
        if (!FConnected) {
            HandleError("FTP component not connected");
            return;
        }
    }
    FRequestStarted = true;
    FFctPrv = Fct;
    if (!FHighLevelFlag)
        FRequestType = RqType;
    size_t I = 0;
    for (int Code : OkResponses)
        if (I < 15)
            FOkResponses[I++] = Code;
    FOkResponses[I] = 0;
    FRequestDoneFlag = false;
    FNext = [this]() { CheckReply(); };
    FDoneAsync = std::move(DoneAsync);
    FErrorMessage.clear();
    FQuitSent = Cmd == "QUIT";
    FInMultiLine = false;
    StateChange(ftpWaitingResponse);
    SendCommandText(Cmd);
}

// A reply line begins with a code of three digits from 100 to 599, then a blank, a "-" (more
// lines follow) or the line's end.
bool TCustomFtpCli::ParseReplyCode(const AnsiString &Line, int &Code, bool &Continued) const
{
    if (Line.size() < 3 || Line[0] < '1' || Line[0] > '5' || !std::isdigit(static_cast<unsigned char>(Line[1])) ||
        !std::isdigit(static_cast<unsigned char>(Line[2])))
        return false;
    if (Line.size() > 3 && Line[3] != ' ' && Line[3] != '-')
        return false;
    Code = (Line[0] - '0') * 100 + (Line[1] - '0') * 10 + (Line[2] - '0');
    Continued = Line.size() > 3 && Line[3] == '-';
    return true;
}

void TCustomFtpCli::TakeResults(const AnsiString &Line)
{
    if (FFctPrv == fctSize) {
        size_t I = 3;
        while (I < Line.size() && Line[I] == ' ')
            ++I;
        int64_t Value = 0;
        while (I < Line.size() && std::isdigit(static_cast<unsigned char>(Line[I])) && Value < INT32_MAX)
            Value = Value * 10 + (Line[I++] - '0');
        FSizeResult = static_cast<int32_t>(std::min<int64_t>(Value, INT32_MAX));
    } else if (FFctPrv == fctCwd || FFctPrv == fctMkd || FFctPrv == fctPwd || FFctPrv == fctCDup) {
        size_t I = 3;
        while (I < Line.size() && (Line[I] == ' ' || Line[I] == '\t' || Line[I] == '\r' || Line[I] == '\n'))
            ++I;
        if (I < Line.size() && Line[I] == '"') {
            AnsiString Dir;
            for (++I; I < Line.size(); ++I) {
                if (Line[I] == '"') {
                    if (I + 1 < Line.size() && Line[I + 1] == '"') {
                        Dir += '"';
                        ++I;
                        continue;
                    }
                    break;
                }
                Dir += Line[I];
            }
            FDirResult = Dir;
        }
    }
}

// Shows the reply line just read; for the last line of a reply, reads its code into Code and the
// status, and returns true (continuation lines and lines without a code give false).
bool TCustomFtpCli::TakeFinalReply(int &Code)
{
    TriggerDisplay("< " + FLastResponse);
    bool Continued;
    if (!ParseReplyCode(FLastResponse, Code, Continued) || Continued)
        return false;
    FStatusCode = Code;
    return true;
}

void TCustomFtpCli::CheckReply()
{
    const AnsiString Line = FLastResponse;
    int Code;
    if (!TakeFinalReply(Code))
        return;
    bool Ok;
    if (FOkResponses[0] == 0) {
        Ok = Code < 500;
    } else {
        Ok = false;
        for (int I = 0; I < 16 && FOkResponses[I] != 0; ++I)
            if (FOkResponses[I] == Code)
                Ok = true;
    }
    if (Ok) {
        FStatus = 0;
    } else {
        FStatus = Code;
        if (FErrorMessage.empty())
            FErrorMessage = Line;
    }
    if (FPassive && Code == 227) {
        StateChange(ftpPasvReady);
        FPasvResponse = Line;
    }
    if (FStatus == 0)
        TakeResults(Line);
    if (FDoneAsync) {
        THandler Then = FDoneAsync;
        Then();
    } else {
        RequestDone(static_cast<uint16_t>(FStatus));
    }
}

void TCustomFtpCli::RequestDone(uint16_t Error)
{
    if (FRequestDoneFlag)
        return;
    FRequestDoneFlag = true;
    if (Error == 0 && FHighLevelCallBack) {
        if (FState != ftpAbort && FState != ftpPasvReady)
            StateChange(ftpInternalReady);
        THandler Next = FHighLevelCallBack;
        Next();
        return;
    }
    StateChange(ftpReady);
    if (FDataSocket->State() != wsClosed)
        CloseDataSocket();
    if (FHighLevelFlag && FSavedStatusCode >= 0) {
        FLastResponse = FSavedLastResponse;
        FStatusCode = FSavedStatusCode;
    }
    FHighLevelFlag = false;
    FHighLevelCallBack = nullptr;
    FNext = nullptr;
    FLastRequestError = Error;
    if (Error != 0 && FStatus == 0)
        FStatus = Error;
    ++FRequestsDone;
    const TFtpRequest RqType = FRequestType;
    Post([this, RqType, Error]() { TriggerRequestDoneEvent(RqType, Error); });
}

// ---- control connection -----------------------------------------------------------------------

// A step that starts without sending a command: it counts as a started request of its own.
void TCustomFtpCli::BeginLocalStep(TFtpRequest RqType, TFtpFct Fct)
{
    FRequestStarted = true;
    FFctPrv = Fct;
    if (!FHighLevelFlag)
        FRequestType = RqType;
    FRequestDoneFlag = false;
    FStatus = 0;
}

void TCustomFtpCli::OpenControl()
{
    if (FState != ftpReady && FState != ftpInternalReady) {
        HandleError("FTP component not ready");
        return;
    }
    if (FConnected) {
        HandleError("FTP component already connected");
        return;
    }
    BeginLocalStep(ftpOpenAsync, fctOpen);
    FReceiveLen = 0;
    FQuitSent = false;
    FInMultiLine = false;
    StateChange(ftpDnsLookup);
    try {
        FControlSocket->DnsLookup(FConnectionType == ftpProxy ? ProxyServer : HostName);
    } catch (const Exception &E) {
        FLastResponse = "500 " + E.Message();
        FStatusCode = FStatus = 500;
        FErrorMessage = FLastResponse;
        RequestDone(500);
    }
}

void TCustomFtpCli::ControlDnsLookupDone(uint16_t Error)
{
    if (FState != ftpDnsLookup)
        return;
    if (Error != 0) {
        FLastResponse = "500 " + SocketErrorText(Error) + " (Winsock error #" + IntToStr(Error) + ")";
        FStatusCode = FStatus = 500;
        FErrorMessage = FLastResponse;
        RequestDone(Error);
        return;
    }
    TWSocket &C = *FControlSocket;
    try {
        C.SetAddr(C.DnsResult());
        C.SetLocalAddr(LocalAddr);
        C.SetProto("tcp");
        C.SetPort(FConnectionType == ftpProxy && !ProxyPort.empty() ? ProxyPort : Port);
        StateChange(ftpWaitingBanner);
        ApplySocks(C);
        C.Connect();
    } catch (const Exception &E) {
        FLastResponse = "500 ESocketException: " + E.Message();
        FStatusCode = FStatus = 500;
        FErrorMessage = FLastResponse;
        RequestDone(500);
    }
}

void TCustomFtpCli::ControlSessionConnected(uint16_t Error)
{
    if (Error == 0) {
        FConnected = true;
        return;
    }
    FLastResponse = "500 " + SocketErrorText(Error) + " (Winsock error #" + IntToStr(Error) + ")";
    FStatusCode = FStatus = 500;
    FErrorMessage = FLastResponse;
    FHighLevelCallBack = nullptr;
    RequestDone(Error);
    if (FControlSocket->State() != wsClosed)
        FControlSocket->Close();
    StateChange(ftpReady);
}

void TCustomFtpCli::ControlSessionClosed(uint16_t Error)
{
    if (FConnected) {
        FConnected = false;
        if (FState != ftpAbort)
            StateChange(ftpNotConnected);
        if (OnSessionClosed)
            OnSessionClosed(this, Error);
        if (FState != ftpAbort)
            StateChange(ftpInternalReady);
    }
    if (Error != 0) {
        FLastResponse =
            "500 Control connection closed. " + SocketErrorText(Error) + " (Winsock error #" + IntToStr(Error) + ")";
        FStatusCode = FStatus = 500;
        FErrorMessage = FLastResponse;
    } else if (!FRequestDoneFlag && !FQuitSent && FStatus == 0) {
        // The server went away while a command waited for its reply: that is no success.
        FLastResponse = "500 Control connection closed.";
        FStatusCode = FStatus = 500;
        FErrorMessage = FLastResponse;
    }
    RequestDone(static_cast<uint16_t>(FStatus));
}

void TCustomFtpCli::ReadControlReply()
{
    TWSocket &C = *FControlSocket;
    const int Room = 4095 - FReceiveLen;
    const int Len = C.Receive(FReceiveBuffer + FReceiveLen, Room);
    if (Len == 0) {
        C.Close();
        return;
    }
    if (Len < 0)
        return;
    FReceiveLen += Len;
    FReceiveBuffer[FReceiveLen] = 0;
    while (FReceiveLen > 0) {
        int End = -1, Skip = 0;
        for (int I = 0; I < FReceiveLen; ++I) {
            if (FReceiveBuffer[I] == '\r' && I + 1 < FReceiveLen && FReceiveBuffer[I + 1] == '\n') {
                End = I;
                Skip = 2;
                break;
            }
            if (FReceiveBuffer[I] == '\n' && (Options & ftpAcceptLF)) {
                End = I;
                Skip = 1;
                break;
            }
        }
        if (End < 0) {
            if (FReceiveLen >= 4095) {
                // A reply line that does not fit the buffer ends the command and the session.
                FReceiveLen = 0;
                FLastResponse = "500 Reply line too long";
                FStatusCode = FStatus = 500;
                FErrorMessage = FLastResponse;
                TriggerDisplay("! Reply line too long");
                C.Close();
            }
            break;
        }
        AnsiString Line(FReceiveBuffer, static_cast<size_t>(End));
        while (!Line.empty() && (Line.back() == '\r' || Line.back() == '\n'))
            Line.pop_back();
        std::memmove(FReceiveBuffer, FReceiveBuffer + End + Skip, static_cast<size_t>(FReceiveLen - End - Skip));
        FReceiveLen -= End + Skip;
        FReceiveBuffer[FReceiveLen] = 0;
        FLastResponse = Line;
        if (OnResponse)
            OnResponse(this);
        HandleReplyLine();
        if (C.State() != wsConnected)
            break;
    }
}

// A line that cannot be part of a reply leaves the session in no known state: it ends the
// command and the connection, as an overlong line does.
void TCustomFtpCli::ProtocolError(const AnsiString &Reason)
{
    FReceiveLen = 0;
    FLastResponse = "500 " + Reason;
    FStatusCode = FStatus = 500;
    FErrorMessage = FLastResponse;
    TriggerDisplay("! " + Reason);
    FControlSocket->Close();
}

void TCustomFtpCli::HandleReplyLine()
{
    const AnsiString Line = FLastResponse;
    int Code;
    bool Continued;
    if (FState == ftpWaitingBanner || FState == ftpWaitingResponse) {
        if (!ParseReplyCode(Line, Code, Continued)) {
            // Text lines are allowed only between the first and the last line of a reply.
            TriggerDisplay("< " + Line);
            if (!FInMultiLine)
                ProtocolError("Protocol error, not a reply line: " + Line.substr(0, 80));
            return;
        }
        FInMultiLine = Continued;
    }
    if (FState == ftpWaitingBanner) {
        TriggerDisplay("< " + Line);
        if (!ParseReplyCode(Line, Code, Continued) || Continued)
            return;
        if (Code != 220) {
            if (FErrorMessage.empty())
                FErrorMessage = Line;
            FStatus = Code;
            FStatusCode = Code;
            FControlSocket->Close();
            return;
        }
        StateChange(ftpConnected);
        if (OnSessionConnected)
            OnSessionConnected(this, 0);
        FStatus = 0;
        RequestDone(0);
        return;
    }
    if (FState == ftpWaitingResponse && ParseReplyCode(Line, Code, Continued)) {
        if (Continued) {
            TriggerDisplay("< " + Line);
            return;
        }
        if (!FNext) {
            TriggerDisplay("< " + Line);
            HandleError("Program error: FNext is nil");
            return;
        }
        THandler Next = FNext;
        Next();
        return;
    }
    TriggerDisplay("< " + Line);
}

// ---- single steps -----------------------------------------------------------------------------

void TCustomFtpCli::SendUser()
{
    if (UserName.empty()) {
        HandleError("UserName emtpy");
        return;
    }
    AnsiString Cmd = "USER " + UserName;
    if (FConnectionType == ftpProxy) {
        Cmd += "@" + HostName;
        if (!SameText(Port, "ftp") && !SameText(Port, "21"))
            Cmd += ":" + Port;
    }
    SendCommand(ftpUserAsync, fctUser, Cmd, {331, 230});
}

void TCustomFtpCli::SendPass()
{
    if (PassWord.empty()) {
        HandleError("Password emtpy");
        return;
    }
    SendCommand(ftpPassAsync, fctPass, "PASS " + PassWord, {230});
}

void TCustomFtpCli::SendCwd()
{
    if (HostDirName.empty()) {
        HandleError("HostDirName emtpy");
        return;
    }
    SendCommand(ftpCwdAsync, fctCwd, "CWD " + HostDirName, {200, 250, 257});
}

void TCustomFtpCli::SendSize()
{
    SendCommand(ftpSizeAsync, fctSize, "SIZE " + HostFileName, {213});
}
void TCustomFtpCli::SendMkd()
{
    SendCommand(ftpMkdAsync, fctMkd, "MKD " + HostFileName, {250, 257});
}
void TCustomFtpCli::SendRmd()
{
    SendCommand(ftpRmdAsync, fctRmd, "RMD " + HostFileName, {250, 257});
}
void TCustomFtpCli::SendRnfr()
{
    SendCommand(ftpRenFromAsync, fctRenFrom, "RNFR " + HostFileName, {350});
}
void TCustomFtpCli::SendRnto()
{
    SendCommand(ftpRenToAsync, fctRenTo, "RNTO " + FLocalFileName, {200, 250, 257});
}
void TCustomFtpCli::SendSyst()
{
    SendCommand(ftpSystAsync, fctSyst, "SYST", {215});
}
void TCustomFtpCli::SendDele()
{
    SendCommand(ftpDeleAsync, fctDele, "DELE " + HostFileName, {250, 257});
}
void TCustomFtpCli::SendPwd()
{
    SendCommand(ftpPwdAsync, fctPwd, "PWD", {250, 257});
}
void TCustomFtpCli::SendQuote()
{
    SendCommand(ftpQuoteAsync, fctQuote, FLocalFileName, {});
}
void TCustomFtpCli::SendType()
{
    SendCommand(ftpTypeSetAsync, fctTypeSet, AnsiString("TYPE ") + FType, {200});
}
void TCustomFtpCli::SendCdup()
{
    SendCommand(ftpCDupAsync, fctCDup, "CDUP", {250, 257});
}
void TCustomFtpCli::SendAbor()
{
    SendCommand(ftpAbortXferAsync, fctAbortXfer, "ABOR", {});
}

void TCustomFtpCli::SendTypeBinary()
{
    SetBinary(true);
    SendType();
}

void TCustomFtpCli::SendTypeAscii()
{
    SetBinary(false);
    SendType();
}

void TCustomFtpCli::SendQuit()
{
    if (FControlSocket->State() != wsConnected && (FState == ftpReady || FState == ftpInternalReady)) {
        // The server has closed the session already: there is nothing to quit and no reply to
        // wait for.
        BeginLocalStep(ftpQuitAsync, fctQuit);
        FConnected = false;
        TriggerDisplay("! Control connection already closed");
        RequestDone(0);
        return;
    }
    SendCommand(ftpQuitAsync, fctQuit, "QUIT", {221}, [this]() {
        // Whatever the reply, the session ends here; the close completes the command.
        FControlSocket->Close();
        RequestDone(static_cast<uint16_t>(FStatus));
    });
}

void TCustomFtpCli::SendRest()
{
    if (FRequestType != ftpRestPutAsync && FRequestType != ftpRestartPutAsync && !(Options & ftpNoAutoResumeAt)) {
        struct stat St {};
        ResumeAt = (!FLocalFileName.empty() && ::stat(FLocalFileName.c_str(), &St) == 0)
                       ? static_cast<int32_t>(std::min<int64_t>(St.st_size, INT32_MAX))
                       : -1;
    }
    if (ResumeAt <= 0) {
        FFctPrv = fctRest;
        FRequestDoneFlag = false;
        FStatus = 0;
        RequestDone(0);
        return;
    }
    SendCommand(ftpRestAsync, fctRest, "REST " + IntToStr(ResumeAt), {});
}

void TCustomFtpCli::TransferRetr()
{
    StartDataReceive(ftpGetAsync, "RETR");
}
void TCustomFtpCli::TransferList()
{
    StartDataReceive(ftpDirAsync, "LIST");
}
void TCustomFtpCli::TransferNlst()
{
    StartDataReceive(ftpLsAsync, "NLST");
}

void TCustomFtpCli::TransferStor()
{
    FRequestType = ftpPutAsync;
    StartDataSend(false);
}

void TCustomFtpCli::TransferAppe()
{
    FRequestType = ftpAppendAsync;
    StartDataSend(true);
}

// ---- high-level requests ----------------------------------------------------------------------

namespace {
constexpr uint32_t Bit(int Fct)
{
    return 1u << Fct;
}
} // namespace

void TCustomFtpCli::StartSteps(TFtpRequest RqType, uint32_t Steps)
{
    if ((Steps & Bit(fctOpen)) && FConnected) {
        HandleError("FTP component already connected");
        return;
    }
    if (FState != ftpReady && FState != ftpInternalReady) {
        HandleError("FTP component not ready");
        return;
    }
    FRequestStarted = true;
    FSavedLastResponse = FLastResponse;
    FSavedStatusCode = -1;
    FRequestType = RqType;
    FFctSet = Steps;
    FFctPrv = fctNone;
    FStatus = 0;
    FRequestResult = 0;
    FHighLevelFlag = true;
    FLastResponse.clear();
    FErrorMessage.clear();
    FHighLevelCallBack = nullptr;
    RunNextStep();
}

void TCustomFtpCli::RunNextStep()
{
    if (FState == ftpAbort) {
        FFctSet = 0;
        FRequestResult = 426;
        FErrorMessage = "426 Operation aborted.";
    }
    FHighLevelCallBack = [this]() { RunNextStep(); };
    if (FStatus != 0) {
        FRequestResult = FStatus;
        FFctSet = (StepPending(fctQuit) && FFctPrv != fctQuit) ? Bit(fctQuit) : 0;
    }
    static const TFtpFct Order[] = {fctOpen,    fctUser,  fctPass,   fctCwd,  fctCDup, fctTypeSet,   fctPort,  fctRest,
                                    fctGet,     fctPut,   fctAppend, fctDir,  fctLs,   fctSyst,      fctMkd,   fctRmd,
                                    fctRenFrom, fctRenTo, fctSize,   fctDele, fctPwd,  fctAbortXfer, fctQuote, fctQuit};
    for (TFtpFct Fct : Order) {
        if (!StepPending(Fct))
            continue;
        FFctSet &= ~Bit(Fct);
        if (Fct == fctPass && FFctPrv == fctUser && FStatusCode != 331)
            continue;
        if (Fct == fctCwd && HostDirName.empty())
            continue;
        if (Fct == fctGet && !(FFctPrv == fctRest && FStatusCode == 350 && ResumeAt >= 0))
            ResumeAt = 0;
        if (Fct == fctQuit) {
            FSavedLastResponse = FLastResponse;
            FSavedStatusCode = FStatusCode;
        }
        try {
            switch (Fct) {
            case fctOpen: OpenControl(); break;
            case fctUser: SendUser(); break;
            case fctPass: SendPass(); break;
            case fctCwd: SendCwd(); break;
            case fctCDup: SendCdup(); break;
            case fctTypeSet: SendType(); break;
            case fctPort: SendPortCommand(); break;
            case fctRest: SendRest(); break;
            case fctGet: TransferRetr(); break;
            case fctPut: TransferStor(); break;
            case fctAppend: TransferAppe(); break;
            case fctDir: TransferList(); break;
            case fctLs: TransferNlst(); break;
            case fctSyst: SendSyst(); break;
            case fctMkd: SendMkd(); break;
            case fctRmd: SendRmd(); break;
            case fctRenFrom: SendRnfr(); break;
            case fctRenTo: SendRnto(); break;
            case fctSize: SendSize(); break;
            case fctDele: SendDele(); break;
            case fctPwd: SendPwd(); break;
            case fctAbortXfer: SendAbor(); break;
            case fctQuote: SendQuote(); break;
            case fctQuit: SendQuit(); break;
            default: break;
            }
        } catch (const Exception &E) {
            // A step that cannot start ends the request as a failure.
            FErrorMessage = "500 " + E.Message();
            FLastResponse = FErrorMessage;
            FStatusCode = FStatus = 500;
            FSavedStatusCode = -1;
            FHighLevelCallBack = nullptr;
            FRequestDoneFlag = false;
            RequestDone(500);
        }
        return;
    }
    FFctSet = 0;
    FHighLevelCallBack = nullptr;
    FRequestDoneFlag = false;
    RequestDone(static_cast<uint16_t>(FRequestResult));
}

void TCustomFtpCli::OpenSession()
{
    StartSteps(ftpConnectAsync, Bit(fctOpen) | Bit(fctUser) | Bit(fctPass));
}

#define FTP_LOGIN (Bit(fctOpen) | Bit(fctUser) | Bit(fctPass) | Bit(fctCwd))
void TCustomFtpCli::ReceiveFile()
{
    StartSteps(ftpReceiveAsync, FTP_LOGIN | Bit(fctTypeSet) | Bit(fctPort) | Bit(fctGet) | Bit(fctQuit));
}
void TCustomFtpCli::ResumeReceiveFile()
{
    StartSteps(ftpRestartGetAsync,
               FTP_LOGIN | Bit(fctTypeSet) | Bit(fctPort) | Bit(fctRest) | Bit(fctGet) | Bit(fctQuit));
}
void TCustomFtpCli::TransmitFile()
{
    StartSteps(ftpTransmitAsync, FTP_LOGIN | Bit(fctTypeSet) | Bit(fctPort) | Bit(fctPut) | Bit(fctQuit));
}
void TCustomFtpCli::ResumeTransmitFile()
{
    StartSteps(ftpRestartPutAsync,
               FTP_LOGIN | Bit(fctTypeSet) | Bit(fctPort) | Bit(fctRest) | Bit(fctPut) | Bit(fctQuit));
}
void TCustomFtpCli::AppendToFile()
{
    StartSteps(ftpTransmitAsync, FTP_LOGIN | Bit(fctTypeSet) | Bit(fctPort) | Bit(fctAppend) | Bit(fctQuit));
}
void TCustomFtpCli::ListDirectory()
{
    StartSteps(ftpDirectoryAsync, FTP_LOGIN | Bit(fctPort) | Bit(fctDir) | Bit(fctQuit));
}
void TCustomFtpCli::ListNames()
{
    StartSteps(ftpListAsync, FTP_LOGIN | Bit(fctPort) | Bit(fctLs) | Bit(fctQuit));
}
void TCustomFtpCli::QuerySystem()
{
    StartSteps(ftpSystemAsync, Bit(fctOpen) | Bit(fctUser) | Bit(fctPass) | Bit(fctSyst) | Bit(fctQuit));
}
void TCustomFtpCli::MakeDirectory()
{
    StartSteps(ftpMkdirAsync, FTP_LOGIN | Bit(fctMkd) | Bit(fctQuit));
}
void TCustomFtpCli::RemoveDirectory()
{
    StartSteps(ftpRmdirAsync, FTP_LOGIN | Bit(fctRmd) | Bit(fctQuit));
}
void TCustomFtpCli::DeleteFile()
{
    StartSteps(ftpDeleteAsync, FTP_LOGIN | Bit(fctDele) | Bit(fctQuit));
}
void TCustomFtpCli::SendQuoteCommand()
{
    StartSteps(ftpDoQuoteAsync, FTP_LOGIN | Bit(fctQuote) | Bit(fctQuit));
}
void TCustomFtpCli::RenameFile()
{
    StartSteps(ftpRenameAsync, FTP_LOGIN | Bit(fctRenFrom) | Bit(fctRenTo) | Bit(fctQuit));
}
void TCustomFtpCli::QueryFileSize()
{
    StartSteps(ftpSizeAsync, FTP_LOGIN | Bit(fctSize) | Bit(fctQuit));
}
void TCustomFtpCli::RetrieveData()
{
    StartSteps(ftpGetAsync, Bit(fctPort) | Bit(fctGet));
}
void TCustomFtpCli::ResumeRetrieveData()
{
    StartSteps(ftpRestGetAsync, Bit(fctPort) | Bit(fctRest) | Bit(fctGet));
}
void TCustomFtpCli::StoreData()
{
    StartSteps(ftpPutAsync, Bit(fctPort) | Bit(fctPut));
}
void TCustomFtpCli::ResumeStoreData()
{
    StartSteps(ftpRestPutAsync, Bit(fctPort) | Bit(fctRest) | Bit(fctPut));
}
void TCustomFtpCli::AppendToData()
{
    StartSteps(ftpAppendAsync, Bit(fctPort) | Bit(fctAppend));
}
void TCustomFtpCli::ListData()
{
    StartSteps(ftpDirAsync, Bit(fctPort) | Bit(fctDir));
}
void TCustomFtpCli::NameListData()
{
    StartSteps(ftpLsAsync, Bit(fctPort) | Bit(fctLs));
}
void TCustomFtpCli::RenameOnly()
{
    StartSteps(ftpRenAsync, Bit(fctRenFrom) | Bit(fctRenTo));
}
#undef FTP_LOGIN

void TCustomFtpCli::SetFailure(int Code, const AnsiString &Msg)
{
    FErrorMessage = Msg;
    FStatusCode = Code;
    FStatus = Code;
    FLastRequestError = Code;
}

void TCustomFtpCli::Abort()
{
    const TFtpState Old = FState;
    StateChange(ftpAbort);
    FreeOwnedStream();
    if (Old == ftpDnsLookup)
        FControlSocket->CancelLookup();
    if (FControlSocket->State() != wsClosed)
        FControlSocket->Close();
    if (FDataSocket->State() != wsClosed)
        CloseDataSocket();
    FConnected = false;
    StateChange(ftpReady);
}

// ---- the waiting client -----------------------------------------------------------------------

void TFtpClient::TriggerProgress(int64_t Count, bool &Abort)
{
    TCustomFtpCli::TriggerProgress(Count, Abort);
    if (Timeout > 0)
        FTimeStop = GetTickCount() + static_cast<uint32_t>(Timeout) * 1000u;
}

bool TFtpClient::WaitForDone()
{
    return WaitSince(RequestsDone());
}

bool TFtpClient::WaitSince(uint64_t Before)
{
    FTimeStop = GetTickCount() + static_cast<uint32_t>(std::max(Timeout, 0)) * 1000u;
    for (;;) {
        int Remaining = 0;
        if (Timeout > 0) {
            Remaining = static_cast<int32_t>(FTimeStop - GetTickCount());
            if (Remaining <= 0)
                break;
        }
        const uint32_t Started = GetTickCount();
        const uint32_t StopBefore = FTimeStop;
        const int Rc = WSocketWaitUntil([&]() { return RequestsDone() != Before; }, Remaining);
        if (Rc == 0) {
            // The done event itself is posted: let it arrive before the caller goes on.
            WSocketWaitUntil([] { return false; }, 1);
            return LastRequestError() == 0;
        }
        if (!QCoreApplication::instance() || QCoreApplication::closingDown() || Timeout <= 0)
            break;
        if (static_cast<int32_t>(FTimeStop - GetTickCount()) <= 0)
            break;
        // Ended well before its time without progress moving the deadline: the application quits.
        if (FTimeStop == StopBefore && GetTickCount() - Started + 5 < static_cast<uint32_t>(Remaining))
            break;
    }
    Abort();
    SetFailure(426, "426 Timeout");
    return false;
}

bool TFtpClient::RunAndWait(const std::function<void()> &Operation)
{
    ClearRequestStarted();
    const uint64_t Before = RequestsDone();
    try {
        Operation();
    } catch (const FtpException &) {
        return false;
    }
    if (!RequestStarted())
        return false;
    return WaitSince(Before);
}

bool TFtpClient::Quit()
{
    return RunAndWait([this]() { SendQuit(); });
}
bool TFtpClient::Receive()
{
    return RunAndWait([this]() { ReceiveFile(); });
}
bool TFtpClient::Transmit()
{
    return RunAndWait([this]() { TransmitFile(); });
}
bool TFtpClient::Open()
{
    return RunAndWait([this]() { OpenSession(); });
}
