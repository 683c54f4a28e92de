// The data side of the FTP client: the PORT/PASV step and the transfers that receive (RETR,
// LIST, NLST) or send (STOR, APPE) over the data socket.
#include "net/FtpCli.h"
#include "platform/SysUtils.h"
#include <arpa/inet.h>
#include <cstring>

namespace {

constexpr int kReceiveBlock = 65536;
constexpr int kSendBlock = 1460;

} // namespace

TStream *TCustomFtpCli::ActiveStream() const
{
    return FLocalStream ? FLocalStream : FOwnedStream.get();
}

void TCustomFtpCli::FreeOwnedStream()
{
    FOwnedStream.reset();
}

void TCustomFtpCli::ResetDataSocket()
{
    TWSocket &D = *FDataSocket;
    D.OnSessionAvailable = nullptr;
    D.OnSessionClosed = nullptr;
    D.OnDataAvailable = nullptr;
    D.OnDataSent = nullptr;
    D.OnSessionConnected = nullptr;
}

void TCustomFtpCli::CloseDataSocket()
{
    // Our own close of the data connection reports nothing to the transfer.
    ResetDataSocket();
    if (FDataSocket->State() != wsClosed)
        FDataSocket->Close();
}

void TCustomFtpCli::LocalFailure(int Code, const AnsiString &Msg)
{
    if (FLocalFailure == 0) {
        FLocalFailure = Code;
        FLocalFailureText = IntToStr(Code) + " " + Msg;
    }
}

void TCustomFtpCli::SendPortCommand()
{
    if (FDataSocket->State() != wsClosed)
        CloseDataSocket();
    ResetDataSocket();
    TWSocket &D = *FDataSocket;
    D.SetProto("tcp");
    D.SetAddr("0.0.0.0");
    D.SetPort("0");
    AnsiString Cmd;
    if (!FPassive) {
        const bool Sending = StepPending(fctPut) || StepPending(fctAppend);
        if (Sending)
            D.OnSessionAvailable = [this](TCustomWSocket *, uint16_t E) { DataSendAccept(E); };
        else
            D.OnSessionAvailable = [this](TCustomWSocket *, uint16_t E) { DataReceiveAccept(E); };
        D.SetLingerOnOff(wsLingerOn);
        D.SetLingerTimeout(10);
        D.Listen();
        const int DataPort = std::stoi(D.BoundPort());
        sockaddr_in Local{}, Peer{};
        FControlSocket->GetLocalAddress(Local);
        FControlSocket->GetPeerAddress(Peer);
        const uint32_t A = ntohl(Local.sin_addr.s_addr);
        if (ntohl(Peer.sin_addr.s_addr) == INADDR_LOOPBACK)
            Cmd = "PORT 127,0,0,1," + IntToStr(DataPort >> 8) + "," + IntToStr(DataPort & 0xFF);
        else
            Cmd = "PORT " + IntToStr(A >> 24) + "," + IntToStr((A >> 16) & 0xFF) + "," + IntToStr((A >> 8) & 0xFF) +
                  "," + IntToStr(A & 0xFF) + "," + IntToStr(DataPort >> 8) + "," + IntToStr(DataPort & 0xFF);
    } else {
        Cmd = "PASV";
    }
    // A server may connect to the listener before it answers PORT: from here on the data
    // connection belongs to the coming transfer.
    FTransferReplySeen = FDataClosed = FEndOfLocalData = FReply150Seen = FDataConnected = false;
    FStartTime = FStopTime = 0;
    FByteCount = 0;
    FLocalFailure = 0;
    FLocalFailureText.clear();
    SendCommand(ftpPortAsync, fctPort, Cmd, {200, 227});
}

bool TCustomFtpCli::ConnectPassive(bool Receive)
{
    // "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)"
    AnsiString Text = FPasvResponse;
    const size_t Open = Text.find('(');
    Text = Open == AnsiString::npos ? AnsiString() : Text.substr(Open + 1);
    int Fields[6] = {};
    size_t Pos = 0;
    for (int I = 0; I < 6; ++I) {
        const size_t Stop = Text.find(I < 5 ? ',' : ')', Pos);
        const AnsiString Field = Text.substr(Pos, Stop == AnsiString::npos ? AnsiString::npos : Stop - Pos);
        Fields[I] = StrToIntDef(Trim(Field), -1);
        Pos = Stop == AnsiString::npos ? Text.size() : Stop + 1;
    }
    const AnsiString Host =
        IntToStr(Fields[0]) + "." + IntToStr(Fields[1]) + "." + IntToStr(Fields[2]) + "." + IntToStr(Fields[3]);
    const int DataPort = ((Fields[4] & 0xFF) << 8) | (Fields[5] & 0xFF);
    TWSocket &D = *FDataSocket;
    try {
        bool Valid = true;
        for (int F : Fields)
            Valid = Valid && F >= 0 && F <= 255;
        if (!Valid)
            throw ESocketException("Invalid passive reply: " + FPasvResponse);
        D.SetAddr(Host);
        D.SetPort(IntToStr(DataPort));
        D.SetLocalAddr(LocalAddr);
        D.SetLingerOnOff(wsLingerOff);
        D.SetLingerTimeout(0);
        D.SetComponentOptions(wsoNoReceiveLoop);
        if (Receive)
            D.OnSessionConnected = [this](TCustomWSocket *, uint16_t E) { DataReceiveConnected(E); };
        else
            D.OnSessionConnected = [this](TCustomWSocket *, uint16_t E) { DataSendConnected(E); };
        ApplySocks(D);
        D.Connect();
    } catch (const Exception &E) {
        FLastResponse = AnsiString(Receive ? "550 " : "426 ") + "ESocketException: " + E.Message();
        FStatusCode = FStatus = Receive ? 550 : 426;
        FErrorMessage = FLastResponse;
        CloseDataSocket();
        FreeOwnedStream();
        ResumeAt = 0;
        RequestDone(static_cast<uint16_t>(FStatus));
        return false;
    }
    return true;
}

// ---- receiving --------------------------------------------------------------------------------

void TCustomFtpCli::StartDataReceive(TFtpRequest RqType, const AnsiString &Cmd)
{
    if (!FConnected) {
        HandleError(Cmd + ": not connected");
        return;
    }
    if (FLocalFileName.empty() && !DisplayFileFlag && !FLocalStream) {
        HandleError("LocalFileName empty");
        return;
    }
    FRequestStarted = true;
    FFctPrv = RqType == ftpGetAsync ? fctGet : RqType == ftpDirAsync ? fctDir : fctLs;
    if (!FHighLevelFlag)
        FRequestType = RqType;
    // The data connection may already be up (accepted before the PORT reply); only the reply
    // flags start over.
    FTransferReplySeen = FEndOfLocalData = FReply150Seen = false;
    FDataError = 0;
    FRequestDoneFlag = false;
    if (!FDataConnected)
        FDataSocket->OnSessionAvailable = [this](TCustomWSocket *, uint16_t E) { DataReceiveAccept(E); };

    if (!DisplayFileFlag) {
        FreeOwnedStream();
        try {
            if (FLocalStream) {
                if (ResumeAt > 0)
                    FLocalStream->Seek(ResumeAt, soBeginning);
            } else if (ResumeAt > 0) {
                FOwnedStream = std::make_unique<TFileStream>(FLocalFileName, fmOpenWrite | FShareMode);
                FOwnedStream->Seek(ResumeAt, soBeginning);
            } else {
                FOwnedStream = std::make_unique<TFileStream>(FLocalFileName, fmCreate);
                if (FShareMode != 0) {
                    FOwnedStream.reset();
                    FOwnedStream = std::make_unique<TFileStream>(FLocalFileName, fmOpenWrite | FShareMode);
                }
            }
        } catch (const Exception &) {
            FOwnedStream.reset();
            FLastResponse = "Unable to open local file " + FLocalFileName;
            FErrorMessage = "550 " + FLastResponse;
            FStatusCode = FStatus = 550;
            TriggerDisplay("! " + FLastResponse);
            CloseDataSocket();
            RequestDone(550);
            return;
        }
    }
    if (FPassive && !ConnectPassive(true))
        return;
    FNext = [this]() { ReceiveFirstReply(); };
    StateChange(ftpWaitingResponse);
    SendCommandText(HostFileName.empty() ? Cmd : Cmd + " " + HostFileName);
}

// The data connection could not be made: the request ends with 550, for a transfer either way.
void TCustomFtpCli::DataConnectFailed(uint16_t Error)
{
    FLastResponse = "550 Unable to establish data connection, error #" + IntToStr(Error);
    FErrorMessage = FLastResponse;
    FStatusCode = FStatus = 550;
    TriggerDisplay("! " + FLastResponse);
    FDataSocket->OnSessionClosed = nullptr;
    FreeOwnedStream();
    ResumeAt = 0;
    RequestDone(550);
}

void TCustomFtpCli::DataReceiveConnected(uint16_t Error)
{
    if (Error != 0) {
        DataConnectFailed(Error);
        return;
    }
    ReceiveOnDataSocket();
}

// The data connection is up for a download: its data goes to the download from now on.
void TCustomFtpCli::ReceiveOnDataSocket()
{
    TWSocket &D = *FDataSocket;
    D.OnDataAvailable = [this](TCustomWSocket *, uint16_t) { DataReceiveData(); };
    D.OnSessionClosed = [this](TCustomWSocket *, uint16_t E) { DataReceiveClosed(E); };
    FDataConnected = true;
    FStartTime = GetTickCount();
}

void TCustomFtpCli::DataReceiveAccept(uint16_t Error)
{
    if (Error != 0)
        return;
    TWSocket &D = *FDataSocket;
    const TSocketHandle Handle = D.Accept();
    if (Handle == INVALID_SOCKET)
        return;
    // The listener gives way to the accepted connection.
    D.OnSessionAvailable = nullptr;
    D.Dup(Handle);
    D.SetComponentOptions(D.ComponentOptions() | wsoNoReceiveLoop);
    ReceiveOnDataSocket();
}

void TCustomFtpCli::DataReceiveData()
{
    TWSocket &D = *FDataSocket;
    bool AbortRequested = false;
    TriggerProgress(FByteCount + ResumeAt, AbortRequested);
    if (AbortRequested) {
        TriggerDisplay("! Abort requested");
        LocalFailure(550, "Abort requested");
        D.Close();
        return;
    }
    char Buf[kReceiveBlock];
    const int Len = D.Receive(Buf, sizeof Buf);
    if (Len < 0) {
        const int Err = D.LastError();
        if (Err != WSAEWOULDBLOCK && D.State() == wsConnected) {
            TriggerDisplay("! Data: Receive error " + IntToStr(Err));
            LocalFailure(550, "Data: Receive error " + IntToStr(Err));
            D.Shutdown(2);
        }
        return;
    }
    if (Len == 0)
        return;
    FByteCount += Len;
    if (TStream *S = ActiveStream(); S && !DisplayFileFlag) {
        bool Written = false;
        try {
            Written = S->Write(Buf, Len) == Len;
        } catch (const Exception &) {
        }
        if (!Written) {
            TriggerDisplay("! Error writing local file");
            LocalFailure(550, "Error writing local file");
            D.Shutdown(2);
            return;
        }
    }
    if (DisplayFileFlag) {
        if (FDisplayMode == 1) {
            TriggerDisplayFile(AnsiString(Buf, static_cast<size_t>(Len)));
        } else {
            size_t Start = 0;
            for (size_t I = 0; I <= static_cast<size_t>(Len); ++I) {
                if (I == static_cast<size_t>(Len) || Buf[I] == '\r' || Buf[I] == '\n') {
                    if (I > Start)
                        TriggerDisplayFile(AnsiString(Buf + Start, I - Start));
                    Start = I + 1;
                }
            }
        }
    }
}

void TCustomFtpCli::DataReceiveClosed(uint16_t Error)
{
    FreeOwnedStream();
    FDataError = Error;
    FDataClosed = true;
    FStopTime = GetTickCount();
    if (FTransferReplySeen)
        FinishTransfer(true);
}

void TCustomFtpCli::ReceiveFirstReply()
{
    const AnsiString Line = FLastResponse;
    int Code;
    if (!TakeFinalReply(Code))
        return;
    if (Code == 125 || (Code >= 150 && Code <= 159)) {
        FReply150Seen = true;
        FNext = [this]() { ReceiveFinalReply(); };
        return;
    }
    CloseDataSocket();
    FreeOwnedStream();
    ResumeAt = 0;
    FStatus = Code;
    if (FErrorMessage.empty())
        FErrorMessage = Line;
    RequestDone(static_cast<uint16_t>(Code));
}

void TCustomFtpCli::ReceiveFinalReply()
{
    TransferFinalReply(true);
}

// The reply that ends a transfer: success waits for the data connection to close as well (a
// receive also takes a late 125 as success); anything else ends the request with the server's code,
// or with our own failure when the server only answers what that failure caused.
void TCustomFtpCli::TransferFinalReply(bool Receive)
{
    const AnsiString Line = FLastResponse;
    int Code;
    if (!TakeFinalReply(Code))
        return;
    if ((Receive && Code == 125) || Code == 226 || Code == 250) {
        FTransferReplySeen = true;
        if (FDataClosed)
            FinishTransfer(Receive);
        return;
    }
    CloseDataSocket();
    FreeOwnedStream();
    TriggerDisplay(Receive ? "! RETR/LIST/NLST Failed" : "! STOR Failed");
    if (FLocalFailure != 0) {
        // The server only answers what our own failure caused: report that failure.
        FErrorMessage = FLastResponse = FLocalFailureText;
        FStatusCode = FStatus = FLocalFailure;
        RequestDone(static_cast<uint16_t>(FLocalFailure));
        return;
    }
    FStatus = Code;
    if (FErrorMessage.empty())
        FErrorMessage = Line;
    RequestDone(static_cast<uint16_t>(Code));
}

void TCustomFtpCli::FinishTransfer(bool Receive)
{
    const uint32_t Ms = FStartTime == 0 ? 0 : (FStopTime ? FStopTime : GetTickCount()) - FStartTime;
    AnsiString Stats = "! " + IntToStr(FByteCount) + " bytes received/sent in " + IntToStr(Ms / 1000) + " seconds";
    if (Ms != 0)
        Stats += " (" + IntToStr(FByteCount * 1000 / static_cast<int64_t>(Ms)) + " Bytes/sec)";
    TriggerDisplay(Stats);
    ResumeAt = 0;
    FreeOwnedStream();
    if (FLocalFailure != 0) {
        // A local failure makes the transfer fail even when the server saw a clean end.
        FErrorMessage = FLocalFailureText;
        FLastResponse = FLocalFailureText;
        FStatusCode = FStatus = FLocalFailure;
        RequestDone(static_cast<uint16_t>(FLocalFailure));
        return;
    }
    (void)Receive;
    FStatus = FDataError;
    RequestDone(FDataError);
}

// ---- sending ----------------------------------------------------------------------------------

void TCustomFtpCli::StartDataSend(bool Append)
{
    if (!FConnected) {
        HandleError("STOR/APPE: not connected");
        return;
    }
    if (FLocalFileName.empty() && !FLocalStream) {
        HandleError("LocalFileName empty");
        return;
    }
    FRequestStarted = true;
    FFctPrv = Append ? fctAppend : fctPut;
    FAppend = Append;
    FTransferReplySeen = FEndOfLocalData = FReply150Seen = false;
    FDataError = 0;
    FRequestDoneFlag = false;
    bool Cancel = false;
    TriggerReadyToTransmit(Cancel);
    if (Cancel) {
        FErrorMessage = "426 Transmit cancelled by application";
        FLastResponse = FErrorMessage;
        FStatusCode = FStatus = 426;
        TriggerDisplay("! " + FErrorMessage);
        CloseDataSocket();
        RequestDone(426);
        return;
    }
    if (!FDataConnected)
        FDataSocket->OnSessionAvailable = [this](TCustomWSocket *, uint16_t E) { DataSendAccept(E); };
    FreeOwnedStream();
    try {
        if (!FLocalStream)
            FOwnedStream = std::make_unique<TFileStream>(FLocalFileName, fmOpenRead | FShareMode);
        if (ResumeAt > 0)
            ActiveStream()->Seek(ResumeAt, soBeginning);
    } catch (const Exception &) {
        FOwnedStream.reset();
        FErrorMessage = "426 Unable to open local file " + FLocalFileName;
        FLastResponse = FErrorMessage;
        FStatusCode = FStatus = 426;
        TriggerDisplay("! " + FErrorMessage);
        CloseDataSocket();
        RequestDone(426);
        return;
    }
    FNext = [this]() { SendFirstReply(); };
    if (FPassive) {
        ConnectPassive(false);
        return;
    }
    StateChange(ftpWaitingResponse);
    SendCommandText((Append ? "APPE " : "STOR ") + HostFileName);
}

void TCustomFtpCli::DataSendConnected(uint16_t Error)
{
    TWSocket &D = *FDataSocket;
    if (Error != 0) {
        DataConnectFailed(Error);
        return;
    }
    D.OnSessionClosed = [this](TCustomWSocket *, uint16_t E) { DataSendClosed(E); };
    D.OnDataAvailable = nullptr;
    D.OnDataSent = nullptr;
    FDataConnected = true;
    FStartTime = GetTickCount();
    StateChange(ftpWaitingResponse);
    SendCommandText((FAppend ? "APPE " : "STOR ") + HostFileName);
}

void TCustomFtpCli::DataSendAccept(uint16_t Error)
{
    if (Error != 0)
        return;
    TWSocket &D = *FDataSocket;
    const TSocketHandle Handle = D.Accept();
    if (Handle == INVALID_SOCKET)
        return;
    D.OnSessionAvailable = nullptr;
    D.SetLingerOnOff(wsLingerOff);
    D.SetLingerTimeout(10);
    D.Dup(Handle);
    D.OnDataAvailable = [](TCustomWSocket *S, uint16_t) {
        char Junk[2048];
        S->Receive(Junk, sizeof Junk);
    };
    D.OnDataSent = [this](TCustomWSocket *, uint16_t E) { SendNextBlock(E); };
    D.OnSessionClosed = [this](TCustomWSocket *, uint16_t E) { DataSendClosed(E); };
    D.SetComponentOptions(D.ComponentOptions() | wsoNoReceiveLoop);
    FDataConnected = true;
    if (FReply150Seen && FStartTime == 0)
        Post([this]() { StartSending(); });
}

void TCustomFtpCli::StartSending()
{
    if (!FDataConnected || FDataSocket->State() != wsConnected)
        return;
    FStartTime = GetTickCount();
    SendNextBlock(0);
}

void TCustomFtpCli::SendFirstReply()
{
    const AnsiString Line = FLastResponse;
    int Code;
    if (!TakeFinalReply(Code))
        return;
    if (Code == 150 || Code == 125) {
        FReply150Seen = true;
        FNext = [this]() { SendFinalReply(); };
        if (FPassive) {
            FDataSocket->OnDataSent = [this](TCustomWSocket *, uint16_t E) { SendNextBlock(E); };
            SendNextBlock(0);
        } else if (FDataConnected && FStartTime == 0) {
            Post([this]() { StartSending(); });
        }
        return;
    }
    CloseDataSocket();
    FreeOwnedStream();
    ResumeAt = 0;
    FStatus = Code;
    if (FErrorMessage.empty())
        FErrorMessage = Line;
    RequestDone(static_cast<uint16_t>(Code));
}

void TCustomFtpCli::SendNextBlock(uint16_t Error)
{
    TStream *S = ActiveStream();
    if (!S || FEndOfLocalData)
        return;
    TWSocket &D = *FDataSocket;
    bool AbortRequested = false;
    TriggerProgress(FByteCount + ResumeAt, AbortRequested);
    if (AbortRequested) {
        TriggerDisplay("! Abort requested");
        LocalFailure(426, "Abort requested");
        FEndOfLocalData = true;
        D.Close();
        return;
    }
    if (Error != 0) {
        TriggerDisplay("! Error #" + IntToStr(Error) + " sending data");
        LocalFailure(426, "Error #" + IntToStr(Error) + " sending data");
        FEndOfLocalData = true;
        D.Close();
        return;
    }
    if (!FReply150Seen || !FDataConnected || D.State() != wsConnected)
        return;
    char Buf[kSendBlock];
    int64_t Count;
    try {
        Count = S->Read(Buf, sizeof Buf);
    } catch (const Exception &) {
        Count = -1;
    }
    if (Count < 0) {
        TriggerDisplay("! Error reading file");
        LocalFailure(426, "Error reading file");
        FEndOfLocalData = true;
        D.Close();
        return;
    }
    if (Count == 0) {
        // Everything queued has gone out (this runs on the data-sent event): end the data.
        FEndOfLocalData = true;
        D.Close();
        return;
    }
    FByteCount += Count;
    D.Send(Buf, static_cast<int>(Count));
}

void TCustomFtpCli::DataSendClosed(uint16_t Error)
{
    FreeOwnedStream();
    FDataError = Error;
    FDataClosed = true;
    FStopTime = GetTickCount();
    if (!FEndOfLocalData && FLocalFailure == 0 && FReply150Seen)
        LocalFailure(426, "Data connection closed before the end of the data");
    if (FTransferReplySeen)
        FinishTransfer(false);
}

void TCustomFtpCli::SendFinalReply()
{
    TransferFinalReply(false);
}
