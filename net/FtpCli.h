#pragma once
// FTP client component: a control connection and one data connection per transfer, both
// event-driven sockets. Single commands run one by one inside an open session; a whole request
// (connect, log in, change directory, transfer, quit) runs through a step sequencer. The end of
// every request is announced once by OnRequestDone, posted after the handler that ended it.
// TFtpClient adds a time-out and waiting variants of the requests.
#include "net/WSocket.h"
#include "platform/Classes.h"
#include <cstdint>
#include <functional>
#include <memory>

class QObject;

QUILLMAR_EXCEPTION(FtpException, Exception);

enum TFtpShareMode {
    ftpShareCompat = 0,
    ftpShareExclusive = 0x10,
    ftpShareDenyWrite = 0x20,
    ftpShareDenyRead = 0x30,
    ftpShareDenyNone = 0x40
};
enum TFtpOption : unsigned { ftpAcceptLF = 1, ftpNoAutoResumeAt = 2 };
using TFtpOptions = unsigned;
enum TFtpConnectionType : uint8_t { ftpDirect, ftpProxy, ftpSocks4, ftpSocks4A, ftpSocks5 };

// The client's state byte.
enum TFtpState : uint8_t {
    ftpNotConnected = 0,
    ftpReady = 1,
    ftpInternalReady = 2,
    ftpDnsLookup = 3,
    ftpConnected = 4,
    ftpAbort = 5,
    ftpWaitingBanner = 7,
    ftpWaitingResponse = 8,
    ftpPasvReady = 9
};

// Request codes reported by OnRequestDone.
enum TFtpRequest : uint8_t {
    ftpNone = 0,
    ftpOpenAsync = 1,
    ftpUserAsync = 2,
    ftpPassAsync = 3,
    ftpCwdAsync = 4,
    ftpConnectAsync = 5,
    ftpReceiveAsync = 6,
    ftpDirAsync = 7,
    ftpLsAsync = 8,
    ftpPortAsync = 9,
    ftpGetAsync = 10,
    ftpDirectoryAsync = 11,
    ftpListAsync = 12,
    ftpSystemAsync = 13,
    ftpSystAsync = 14,
    ftpQuitAsync = 15,
    ftpAbortXferAsync = 16,
    ftpSizeAsync = 17,
    ftpPutAsync = 18,
    ftpAppendAsync = 19,
    ftpFileSizeAsync = 20,
    ftpRqAbort = 21,
    ftpMkdAsync = 22,
    ftpRmdAsync = 23,
    ftpRenameAsync = 24,
    ftpDeleAsync = 25,
    ftpRenAsync = 26,
    ftpRenToAsync = 27,
    ftpRenFromAsync = 28,
    ftpDeleteAsync = 29,
    ftpMkdirAsync = 30,
    ftpRmdirAsync = 31,
    ftpPwdAsync = 32,
    ftpQuoteAsync = 33,
    ftpCDupAsync = 34,
    ftpDoQuoteAsync = 35,
    ftpTransmitAsync = 36,
    ftpTypeSetAsync = 37,
    ftpRestAsync = 38,
    ftpRestGetAsync = 39,
    ftpRestartGetAsync = 40,
    ftpRestPutAsync = 41,
    ftpRestartPutAsync = 42
};

class TCustomFtpCli {
public:
    TCustomFtpCli();
    virtual ~TCustomFtpCli();
    TCustomFtpCli(const TCustomFtpCli &) = delete;
    TCustomFtpCli &operator=(const TCustomFtpCli &) = delete;

    // Configuration.
    AnsiString HostName;
    AnsiString Port = "ftp";
    AnsiString LocalAddr = "0.0.0.0";
    AnsiString UserName;
    AnsiString PassWord;
    AnsiString HostDirName;
    AnsiString HostFileName;
    bool DisplayFileFlag = false;
    TFtpOptions Options = ftpAcceptLF;
    AnsiString ProxyServer;
    AnsiString ProxyPort = "ftp";
    int32_t ResumeAt = 0;
    // SOCKS settings, given to both sockets before every connection.
    AnsiString SocksServer, SocksPort, SocksUserCode, SocksPassword;

    const AnsiString &LocalFileName() const { return FLocalFileName; }
    void SetLocalFileName(const AnsiString &Value);
    TStream *LocalStream() const { return FLocalStream; }
    void SetLocalStream(TStream *Value);
    bool Binary() const { return FType == 'I'; }
    void SetBinary(bool Value) { FType = Value ? 'I' : 'A'; }
    TFtpShareMode ShareMode() const;
    void SetShareMode(int Value);
    TFtpConnectionType ConnectionType() const { return FConnectionType; }
    void SetConnectionType(int Value);
    bool Passive() const { return FPassive; }
    // Direct connections choose active (PORT) or passive (PASV) data connections; the proxy and
    // SOCKS types always use passive ones. Ignored while connected.
    void SetPassive(bool Value)
    {
        if (!FConnected)
            FPassive = Value || FConnectionType != ftpDirect;
    }

    // Results.
    const AnsiString &ErrorMessage() const { return FErrorMessage; }
    int StatusCode() const { return FStatusCode; }
    const AnsiString &LastResponse() const { return FLastResponse; }
    int32_t SizeResult() const { return FSizeResult; }
    const AnsiString &DirResult() const { return FDirResult; }
    bool Connected() const { return FConnected; }
    TFtpState State() const { return FState; }
    TFtpRequest RequestType() const { return FRequestType; }
    int64_t ByteCount() const { return FByteCount; }
    TWSocket &ControlSocket() { return *FControlSocket; }
    TWSocket &DataSocket() { return *FDataSocket; }

    // Single steps.
    void OpenControl();
    void SendUser();
    void SendPass();
    void SendCwd();
    void SendSize();
    void SendMkd();
    void SendRmd();
    void SendRnfr();
    void SendRnto();
    void SendQuit();
    void SendSyst();
    void SendDele();
    void SendPwd();
    void SendQuote();
    void SendType();
    void SendTypeBinary();
    void SendTypeAscii();
    void SendRest();
    void SendCdup();
    void SendPortCommand();
    void SendAbor();
    void TransferRetr();
    void TransferList();
    void TransferNlst();
    void TransferStor();
    void TransferAppe();

    // High-level requests.
    void OpenSession();
    void ReceiveFile();
    void ResumeReceiveFile();
    void TransmitFile();
    void ResumeTransmitFile();
    void AppendToFile();
    void ListDirectory();
    void ListNames();
    void QuerySystem();
    void MakeDirectory();
    void RemoveDirectory();
    void DeleteFile();
    void SendQuoteCommand();
    void RenameFile();
    void QueryFileSize();
    void RetrieveData();
    void ResumeRetrieveData();
    void StoreData();
    void ResumeStoreData();
    void AppendToData();
    void ListData();
    void NameListData();
    void RenameOnly();

    virtual void Abort();

    // Events.
    std::function<void(TCustomFtpCli *Sender, const AnsiString &Msg)> OnDisplay;
    std::function<void(TCustomFtpCli *Sender, const AnsiString &Msg)> OnDisplayFile;
    std::function<void(TCustomFtpCli *Sender, AnsiString &Cmd)> OnCommand;
    std::function<void(TCustomFtpCli *Sender)> OnResponse;
    std::function<void(TCustomFtpCli *Sender, uint16_t Error)> OnSessionConnected;
    std::function<void(TCustomFtpCli *Sender, uint16_t Error)> OnSessionClosed;
    std::function<void(TCustomFtpCli *Sender)> OnStateChange;
    std::function<void(TCustomFtpCli *Sender, TFtpRequest RqType, uint16_t Error)> OnRequestDone;
    std::function<void(TCustomFtpCli *Sender, int64_t Count, bool &Abort)> OnProgress;
    std::function<void(TCustomFtpCli *Sender, bool &Cancel)> OnReadyToTransmit;
    std::function<void(TCustomFtpCli *Sender, const Exception &E, bool &CanClose)> OnBgException;
    std::function<void(TCustomFtpCli *Sender, const AnsiString &Msg)> OnError;

protected:
    virtual void TriggerDisplay(const AnsiString &Msg);
    virtual void TriggerDisplayFile(const AnsiString &Msg);
    virtual void TriggerProgress(int64_t Count, bool &Abort);
    virtual void TriggerReadyToTransmit(bool &Cancel);
    virtual void TriggerRequestDoneEvent(TFtpRequest RqType, uint16_t Error);
    void HandleError(const AnsiString &Msg);
    void StateChange(TFtpState NewState);
    // Ends the current command (once); see the sequencer.
    void RequestDone(uint16_t Error);
    // Number of requests ended so far and the error of the last one.
    uint64_t RequestsDone() const { return FRequestsDone; }
    int LastRequestError() const { return FLastRequestError; }
    bool RequestStarted() const { return FRequestStarted; }
    void ClearRequestStarted() { FRequestStarted = false; }
    // Marks the last request as failed with Code and Msg (time-outs of the waiting client).
    void SetFailure(int Code, const AnsiString &Msg);

private:
    using THandler = std::function<void()>;
    enum TFtpFct : uint8_t {
        fctNone = 0,
        fctOpen = 1,
        fctUser,
        fctPass,
        fctCwd,
        fctSize,
        fctMkd,
        fctRmd,
        fctRenFrom,
        fctRenTo,
        fctGet = 10,
        fctDir,
        fctQuit,
        fctSyst,
        fctDele,
        fctPwd,
        fctQuote,
        fctPut,
        fctTypeSet,
        fctRest,
        fctCDup = 20,
        fctLs,
        fctAppend,
        fctPort,
        fctAbortXfer
    };

    void SendCommand(TFtpRequest RqType, TFtpFct Fct, const AnsiString &Cmd, std::initializer_list<int> OkResponses,
                     THandler DoneAsync = nullptr);
    void SendCommandText(const AnsiString &Cmd);
    void CheckReply();
    void TakeResults(const AnsiString &Line);
    void StartSteps(TFtpRequest RqType, uint32_t Steps);
    void RunNextStep();
    bool StepPending(TFtpFct Fct) const { return (FFctSet >> Fct) & 1u; }
    void Post(std::function<void()> Handler);
    void ApplySocks(TWSocket &S);

    // Control connection.
    void ControlDnsLookupDone(uint16_t Error);
    void ControlSessionConnected(uint16_t Error);
    void ControlSessionClosed(uint16_t Error);
    void ReadControlReply();
    void HandleReplyLine();
    void ProtocolError(const AnsiString &Reason);
    void BeginLocalStep(TFtpRequest RqType, TFtpFct Fct);

    // Data connections (FtpData.cpp).
    void ResetDataSocket();
    void CloseDataSocket();
    void StartDataReceive(TFtpRequest RqType, const AnsiString &Cmd);
    void StartDataSend(bool Append);
    bool ConnectPassive(bool Receive);
    void DataReceiveAccept(uint16_t Error);
    void DataConnectFailed(uint16_t Error);
    bool TakeFinalReply(int &Code);
    void DataReceiveConnected(uint16_t Error);
    void ReceiveOnDataSocket();
    void DataReceiveData();
    void DataReceiveClosed(uint16_t Error);
    void ReceiveFirstReply();
    void ReceiveFinalReply();
    void TransferFinalReply(bool Receive);
    void DataSendAccept(uint16_t Error);
    void DataSendConnected(uint16_t Error);
    void DataSendClosed(uint16_t Error);
    void SendFirstReply();
    void SendFinalReply();
    void SendNextBlock(uint16_t Error);
    void StartSending();
    void FinishTransfer(bool Receive);
    void LocalFailure(int Code, const AnsiString &Msg);
    void FreeOwnedStream();
    TStream *ActiveStream() const;
    bool ParseReplyCode(const AnsiString &Line, int &Code, bool &Continued) const;

    std::unique_ptr<QObject> FWindow;
    std::unique_ptr<TWSocket> FControlSocket;
    std::unique_ptr<TWSocket> FDataSocket;
    AnsiString FLocalFileName;
    TStream *FLocalStream = nullptr;
    std::unique_ptr<TStream> FOwnedStream;
    char FType = 'I';
    uint16_t FShareMode = ftpShareExclusive;
    uint8_t FDisplayMode = 0;
    TFtpConnectionType FConnectionType = ftpDirect;
    bool FAppend = false;
    uint32_t FStartTime = 0, FStopTime = 0;
    TFtpState FState = ftpReady;
    int FStatus = 0;
    uint32_t FFctSet = 0;
    TFtpFct FFctPrv = fctNone;
    int FRequestResult = 0;
    bool FHighLevelFlag = false;
    TFtpRequest FRequestType = ftpNone;
    bool FRequestDoneFlag = true;
    char FReceiveBuffer[4096] = {};
    int FReceiveLen = 0;
    AnsiString FSavedLastResponse;
    int FSavedStatusCode = -1;
    AnsiString FPasvResponse;
    uint16_t FDataError = 0;
    int64_t FByteCount = 0;
    int FOkResponses[16] = {};
    THandler FNext, FDoneAsync, FHighLevelCallBack;
    bool FTransferReplySeen = false, FDataClosed = false, FEndOfLocalData = false, FReply150Seen = false,
         FDataConnected = false;
    bool FPassive = false;
    bool FConnected = false;
    bool FQuitSent = false;
    bool FInMultiLine = false; // a reply's "xyz-" line came and its last line not yet
    int FLocalFailure = 0;
    AnsiString FLocalFailureText;
    AnsiString FErrorMessage, FLastResponse, FDirResult;
    int FStatusCode = 0;
    int32_t FSizeResult = 0;
    uint64_t FRequestsDone = 0;
    int FLastRequestError = 0;
    bool FRequestStarted = false;
};

// The waiting client: each call runs a request and pumps events until it ends, the time-out
// passes or the application quits.
class TFtpClient : public TCustomFtpCli {
public:
    // Seconds without progress after which a request is aborted; 0 or less: none.
    int Timeout = 15;
    bool MultiThreaded = false;

    bool Quit();
    bool Receive();
    bool Transmit();
    bool Open();
    bool RunAndWait(const std::function<void()> &Operation);
    bool WaitForDone();

protected:
    void TriggerProgress(int64_t Count, bool &Abort) override;

private:
    bool WaitSince(uint64_t Before);
    uint32_t FTimeStop = 0;
};
