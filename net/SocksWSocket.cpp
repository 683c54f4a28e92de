#include "net/WSocket.h"
#include "platform/SysUtils.h"
#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <typeinfo>
#include <vector>

namespace {

constexpr int kSocksRequestTooLong = 20014;

bool LevelIs4(const AnsiString &Level)
{
    return !Level.empty() && Level[0] == '4';
}

} // namespace

TCustomSocksWSocket::TCustomSocksWSocket() = default;

void TCustomSocksWSocket::ResetDefaults()
{
    TCustomWSocket::ResetDefaults();
    FSocksPhase = spNone;
    FSocksServer.clear();
    FSocksPort.clear();
    FSocksServerAssigned = FSocksPortAssigned = false;
    FSocksLevel = "5";
    FSocksRcvdCnt = 0;
    FSocksRcvdPtr = 0;
    FRcvCnt = 0;
}

void TCustomSocksWSocket::SetSocksServer(const AnsiString &Value)
{
    if (FState != wsClosed) {
        SignalError("Can't change socks server if not closed");
        return;
    }
    FSocksServer = Trim(Value);
    FSocksServerAssigned = !FSocksServer.empty();
}

void TCustomSocksWSocket::SetSocksPort(const AnsiString &Value)
{
    if (FState != wsClosed) {
        SignalError("Can't change socks port if not closed");
        return;
    }
    FSocksPort = Trim(Value);
    FSocksPortAssigned = !FSocksPort.empty();
}

void TCustomSocksWSocket::SetSocksLevel(const AnsiString &Value)
{
    if (FState != wsClosed) {
        SignalError("Can't change socks level if not closed");
        return;
    }
    if (Value != "4" && Value != "5" && Value != "4A" && Value != "4a") {
        SignalError("Invalid socks level. Must be 4, 4A or 5.");
        return;
    }
    FSocksLevel = UpperCase(Value);
}

void TCustomSocksWSocket::Listen()
{
    if (FSocksServerAssigned) {
        SignalError("Listening is not supported thru socks server");
        return;
    }
    TCustomWSocket::Listen();
}

void TCustomSocksWSocket::Connect()
{
    if (!FSocksServerAssigned) {
        TCustomWSocket::Connect();
        return;
    }
    if (LowerCase(FProtoStr) != "tcp") {
        SignalError("tcp is the only protocol supported thru socks server");
        return;
    }
    try {
        if (!FPortResolved) {
            FSocksDestPort = WSocketResolvePort(FPortStr, FProtoStr);
            FPortNum = WSocketResolvePort(FSocksPort.empty() ? AnsiString("1080") : FSocksPort, FProtoStr);
            FSin.sin_port = htons(FPortNum);
            FPortResolved = true;
        }
        if (!FAddrResolved) {
            FSin.sin_addr.s_addr = WSocketResolveHost(FSocksServer);
            FAddrResolved = true;
        }
    } catch (const ESocketException &E) {
        SignalError("connect: " + E.Message());
        return;
    }
    FSocksPhase = spGreeting;
    FRcvCnt = 0;
    FSocksRcvdCnt = 0;
    FSocksRcvdPtr = 0;
    TCustomWSocket::Connect();
}

void TCustomSocksWSocket::FireSocksConnected(uint16_t Error)
{
    if (OnSocksConnected)
        OnSocksConnected(this, Error);
}

void TCustomSocksWSocket::FireSocksError(int Error, const AnsiString &Msg)
{
    if (OnSocksError)
        OnSocksError(this, Error, Msg);
}

void TCustomSocksWSocket::SendRequest(const uint8_t *Data, int Len)
{
    try {
        Send(Data, Len);
    } catch (const Exception &) {
    }
}

void TCustomSocksWSocket::SocksError(int Error, const AnsiString &Msg)
{
    FireSocksError(Error, Msg);
    FSocksPhase = spNone;
    TCustomWSocket::FireSessionConnected(static_cast<uint16_t>(Error));
    CloseSocket(true, static_cast<uint16_t>(Error));
}

void TCustomSocksWSocket::FireSessionConnected(uint16_t Error)
{
    if (FSocksPhase == spGreeting) {
        FireSocksConnected(Error);
        if (Error == 0) {
            if (LevelIs4(FSocksLevel)) {
                SocksDoConnect();
            } else {
                FSocksAuthMethod = SocksAuthentication == socksNoAuthentication ? 0 : 2;
                const uint8_t Greeting[3] = {5, 1, FSocksAuthMethod};
                SendRequest(Greeting, 3);
            }
            return;
        }
    }
    TCustomWSocket::FireSessionConnected(Error);
}

void TCustomSocksWSocket::FireSessionClosed(uint16_t Error)
{
    if (FSocksPhase == spAuthenticating && OnSocksAuthState)
        OnSocksAuthState(this, sasFailed);
    TCustomWSocket::FireSessionClosed(Error);
}

void TCustomSocksWSocket::SocksDoConnect()
{
    FSocksPhase = spRequesting;
    std::vector<uint8_t> Req;
    if (LevelIs4(FSocksLevel)) {
        const bool Level4A = FSocksLevel == "4A";
        if (SocksUsercode.size() > 255 || (Level4A && FAddrStr.size() > 255)) {
            SocksError(kSocksRequestTooLong, "socks request too long");
            return;
        }
        uint32_t Dest = htonl(1); // 0.0.0.1: the server resolves the name (level 4A)
        if (!Level4A) {
            try {
                Dest = WSocketResolveHost(FAddrStr);
            } catch (const Exception &E) {
                FireSocksError(20017, AnsiString("ESocketException ") + E.Message());
                FSocksPhase = spNone;
                CloseSocket(true, 20017);
                return;
            }
        }
        Req = {4, 1, static_cast<uint8_t>(FSocksDestPort >> 8), static_cast<uint8_t>(FSocksDestPort & 0xFF)};
        const auto *D = reinterpret_cast<const uint8_t *>(&Dest);
        Req.insert(Req.end(), D, D + 4);
        Req.insert(Req.end(), SocksUsercode.begin(), SocksUsercode.end());
        Req.push_back(0);
        if (Level4A) {
            Req.insert(Req.end(), FAddrStr.begin(), FAddrStr.end());
            Req.push_back(0);
        }
    } else {
        if (FAddrStr.size() > 255) {
            SocksError(kSocksRequestTooLong, "socks request too long");
            return;
        }
        Req = {5, 1, 0, 3, static_cast<uint8_t>(FAddrStr.size())};
        Req.insert(Req.end(), FAddrStr.begin(), FAddrStr.end());
        Req.push_back(static_cast<uint8_t>(FSocksDestPort >> 8));
        Req.push_back(static_cast<uint8_t>(FSocksDestPort & 0xFF));
    }
    SendRequest(Req.data(), static_cast<int>(Req.size()));
}

void TCustomSocksWSocket::SocksDoAuthenticate()
{
    if (SocksUsercode.size() > 255 || SocksPassword.size() > 255) {
        SocksError(kSocksRequestTooLong, "socks request too long");
        return;
    }
    FSocksPhase = spAuthenticating;
    if (OnSocksAuthState)
        OnSocksAuthState(this, sasStarted);
    if (FState == wsClosed)
        return;
    std::vector<uint8_t> Req{1, static_cast<uint8_t>(SocksUsercode.size())};
    Req.insert(Req.end(), SocksUsercode.begin(), SocksUsercode.end());
    Req.push_back(static_cast<uint8_t>(SocksPassword.size()));
    Req.insert(Req.end(), SocksPassword.begin(), SocksPassword.end());
    SendRequest(Req.data(), static_cast<int>(Req.size()));
}

bool TCustomSocksWSocket::FireDataAvailable(uint16_t Error)
{
    if (FSocksPhase == spNone)
        return TCustomWSocket::FireDataAvailable(Error);
    if (Error != 0) {
        SocksError(Error, "data receive error");
        return true;
    }
    const bool Level4 = LevelIs4(FSocksLevel);
    // The level-4 reply is exactly 8 bytes; nothing beyond it is read here.
    const int Limit = (FSocksPhase == spRequesting && Level4) ? 8 : static_cast<int>(sizeof FRcvBuf) - 1;
    if (FRcvCnt < Limit) {
        const int Got = RawReadData(FRcvBuf + FRcvCnt, Limit - FRcvCnt);
        if (Got <= 0)
            return true;
        FReadCount += Got;
        FRcvCnt += Got;
    }

    switch (FSocksPhase) {
    case spGreeting:
        if (Level4) {
            SocksError(20001, "TWSocket logic error");
            return true;
        }
        if (FRcvCnt < 2)
            return true;
        FRcvCnt = 0;
        if (FRcvBuf[0] != 5) {
            SocksError(20002, "socks version error");
        } else if (FRcvBuf[1] == 0) {
            if (FSocksAuthMethod == 2 && OnSocksAuthState)
                OnSocksAuthState(this, sasNotRequired);
            SocksDoConnect();
        } else if (FRcvBuf[1] == 2) {
            SocksDoAuthenticate();
        } else {
            SocksError(20003, "authentification method not acceptable");
        }
        return true;
    case spAuthenticating:
        if (FRcvCnt >= 1 && FRcvBuf[0] != 1) {
            SocksError(20002, "socks version error");
        } else if (FRcvCnt == 2) {
            if (FRcvBuf[1] != 0) {
                SocksError(20015, "socks authentication failed");
            } else {
                FRcvCnt = 0;
                if (OnSocksAuthState)
                    OnSocksAuthState(this, sasSucceeded);
                SocksDoConnect();
            }
        } else if (FRcvCnt > 2) {
            SocksError(20001, "too much data availaible");
        }
        return true;
    case spRequesting:
        if (Level4) {
            if (FRcvCnt < 8)
                return true;
            FRcvCnt = 0;
            if (FRcvBuf[0] != 0) {
                SocksError(20002, "socks version error");
                return true;
            }
            switch (FRcvBuf[1]) {
            case 90:
                FSocksPhase = spNone;
                TCustomWSocket::FireSessionConnected(0);
                FireDataAvailable(0);
                break;
            case 91: SocksError(20016, "request rejected or failed"); break;
            case 92: SocksError(20008, "connection refused"); break;
            case 93: SocksError(20015, "authentification failed"); break;
            default: SocksError(20012, "unassigned error #" + IntToStr(FRcvBuf[1])); break;
            }
            return true;
        }
        if (FRcvCnt >= 1 && FRcvBuf[0] != 5) {
            SocksError(20002, "socks version error");
            return true;
        }
        if (FRcvCnt >= 2 && FRcvBuf[1] != 0) {
            static const char *const kTexts[] = {"general SOCKS server failure", "connection not allowed by ruleset",
                                                 "network unreachable",          "host unreachable",
                                                 "connection refused",           "time to live expired",
                                                 "command not supported",        "address type not supported"};
            const int Code = FRcvBuf[1];
            if (Code >= 1 && Code <= 8)
                SocksError(20003 + Code, kTexts[Code - 1]);
            else
                SocksError(20012, "unassigned error #" + IntToStr(Code));
            return true;
        }
        if (FRcvCnt > 4) {
            int Len;
            if (FRcvBuf[3] == 1) {
                Len = 10;
            } else if (FRcvBuf[3] == 3) {
                Len = FRcvBuf[4] + 7;
            } else {
                SocksError(20011, "address type not supported");
                return true;
            }
            if (FRcvCnt < Len)
                return true;
            if (FRcvBuf[3] == 1) {
                uint32_t A;
                std::memcpy(&A, FRcvBuf + 4, 4);
                FSocksReplyAddr = WSocketAddrText(A);
            } else {
                FSocksReplyAddr.assign(reinterpret_cast<const char *>(FRcvBuf + 5), FRcvBuf[4]);
            }
            FSocksReplyPort = IntToStr((FRcvBuf[Len - 2] << 8) | FRcvBuf[Len - 1]);
            FSocksPhase = spNone;
            FSocksRcvdPtr = Len;
            FSocksRcvdCnt = FRcvCnt - Len;
            FRcvCnt = 0;
            TCustomWSocket::FireSessionConnected(0);
            FireDataAvailable(0);
        }
        return true;
    default: SocksError(20013, "internal error"); return true;
    }
}

int TCustomSocksWSocket::ReadData(void *Buffer, int Len)
{
    if (FSocksRcvdCnt <= 0)
        return TCustomWSocket::ReadData(Buffer, Len);
    const int Count = std::min(std::max(Len, 0), FSocksRcvdCnt);
    std::memcpy(Buffer, FRcvBuf + FSocksRcvdPtr, static_cast<size_t>(Count));
    FSocksRcvdPtr += Count;
    FSocksRcvdCnt -= Count;
    NoteRead();
    return Count;
}

int TCustomSocksWSocket::RcvdCount()
{
    if (FSocksRcvdCnt > 0)
        return FSocksRcvdCnt;
    return TCustomWSocket::RcvdCount();
}
