#include "net/WSocket.h"
#include <algorithm>
#include <cstring>

TCustomLineWSocket::~TCustomLineWSocket() = default;

void TCustomLineWSocket::SetLineMode(bool Value)
{
    if (Value == FLineMode)
        return;
    FLineMode = Value;
    if (FRcvdCnt > 0 || FLineLength > 0)
        Post([this]() { ReofferBuffered(); });
}

void TCustomLineWSocket::ReofferBuffered()
{
    if (FLineMode) {
        // Switched on: the bytes held are split into lines at once, without waiting for more.
        FLineLength = 0;
        OfferLines(0);
        return;
    }
    // Switched off: the held bytes are offered as plain data until the handler stops reading.
    FLineLength = 0;
    while (FRcvdCnt > 0 && !FLineMode) {
        const int32_t Before = FRcvdCnt;
        if (!TCustomSocksWSocket::FireDataAvailable(0) || FRcvdCnt == Before)
            break;
    }
}

int TCustomLineWSocket::RcvdCount()
{
    if (FLineMode)
        return FLineLength;
    if (FRcvdCnt > 0)
        return FRcvdCnt;
    return TCustomSocksWSocket::RcvdCount();
}

int TCustomLineWSocket::ReadData(void *Buffer, int Len)
{
    int32_t Avail = 0;
    if (FLineMode && FLineLength > 0)
        Avail = FLineLength;
    else if (!FLineMode && FRcvdCnt > 0)
        Avail = FRcvdCnt;
    if (Avail == 0)
        return TCustomSocksWSocket::ReadData(Buffer, Len);
    const int32_t Count = std::min(std::max(Len, 0), Avail);
    std::memcpy(Buffer, FRcvdPtr.data(), static_cast<size_t>(Count));
    std::memmove(FRcvdPtr.data(), FRcvdPtr.data() + Count, static_cast<size_t>(FRcvdCnt - Count));
    FRcvdCnt -= Count;
    if (FLineMode)
        FLineLength -= Count;
    NoteRead();
    return Count;
}

void TCustomLineWSocket::FireLineLimitExceeded(int Count, bool &ClearData)
{
    if (OnLineLimitExceeded)
        OnLineLimitExceeded(this, Count, ClearData);
}

bool TCustomLineWSocket::FireDataAvailable(uint16_t Error)
{
    if (!FLineMode || LineEnd.empty() || SocksPhase() != spNone)
        return TCustomSocksWSocket::FireDataAvailable(Error);

    int Waiting = TCustomSocksWSocket::RcvdCount();
    if (Waiting < 0)
        return true;
    if (Waiting == 0)
        Waiting = 255;
    if (FRcvdPtr.size() < static_cast<size_t>(FRcvdCnt) + static_cast<size_t>(Waiting) + 1)
        FRcvdPtr.resize(static_cast<size_t>(FRcvdCnt) + static_cast<size_t>(Waiting) + 1);
    int Count = TCustomSocksWSocket::ReadData(FRcvdPtr.data() + FRcvdCnt, Waiting);
    if (Count <= 0) {
        if (Count < 0)
            FLastError = WSocketLastError();
        return true;
    }
    FReadCount += Count;
    FRcvdPtr[static_cast<size_t>(FRcvdCnt + Count)] = 0;

    if (LineEdit)
        EditLine(Count);
    else if (LineEcho)
        Send(FRcvdPtr.data() + FRcvdCnt, Count);

    const size_t From = static_cast<size_t>(std::max<int32_t>(0, FRcvdCnt - static_cast<int32_t>(LineEnd.size())));
    FRcvdCnt += Count;
    OfferLines(From);
    return true;
}

void TCustomLineWSocket::OfferLines(size_t SearchFrom)
{
    while (FLineMode && FRcvdCnt > 0) {
        const auto Begin = FRcvdPtr.begin();
        const auto End = Begin + FRcvdCnt;
        const auto Found = std::search(Begin + static_cast<std::ptrdiff_t>(std::min<size_t>(SearchFrom, FRcvdCnt)), End,
                                       LineEnd.begin(), LineEnd.end());
        if (Found == End)
            break;
        FLineLength = static_cast<int32_t>(Found - Begin) + static_cast<int32_t>(LineEnd.size());
        while (FLineMode && FLineLength > 0) {
            const int32_t Before = FLineLength;
            if (!TCustomSocksWSocket::FireDataAvailable(0) || FLineLength == Before) {
                // No handler, or a handler that left the line alone: the line is dropped so
                // the same line is never offered again and again.
                const int32_t Drop = std::min(FLineLength, FRcvdCnt);
                std::memmove(FRcvdPtr.data(), FRcvdPtr.data() + Drop, static_cast<size_t>(FRcvdCnt - Drop));
                FRcvdCnt -= Drop;
                FLineLength = 0;
            }
        }
        if (!FLineMode)
            FLineLength = 0;
        SearchFrom = 0;
    }
    if (FLineMode && LineLimit > 0 && FRcvdCnt > LineLimit) {
        bool ClearData = true;
        FInLineLimit = true;
        FireLineLimitExceeded(FRcvdCnt, ClearData);
        FInLineLimit = false;
        if (ClearData) {
            FRcvdCnt = 0;
            FLineLength = 0;
        }
    }
}

void TCustomLineWSocket::EditLine(int &Count)
{
    std::vector<uint8_t> Text(FRcvdPtr.begin(), FRcvdPtr.begin() + FRcvdCnt);
    size_t FirstChanged = static_cast<size_t>(FRcvdCnt);
    bool Changed = false;
    const uint8_t *New = FRcvdPtr.data() + FRcvdCnt;
    std::vector<uint8_t> NewBytes(New, New + Count);
    for (uint8_t B : NewBytes) {
        if (B == 8) {
            Changed = true;
            if (!Text.empty()) {
                Text.pop_back();
                FirstChanged = std::min(FirstChanged, Text.size());
                if (LineEcho)
                    Send("\b \b", 3);
            }
        } else if (B == 9) {
            Changed = true;
            FirstChanged = std::min(FirstChanged, Text.size());
            do {
                Text.push_back(' ');
                if (LineEcho)
                    Send(" ", 1);
            } while (Text.size() % 8 != 0);
        } else {
            Text.push_back(B);
            if (LineEcho)
                Send(&B, 1);
        }
    }
    if (!Changed)
        return;
    if (FRcvdPtr.size() < Text.size() + 1)
        FRcvdPtr.resize(Text.size() + 1);
    std::copy(Text.begin() + static_cast<std::ptrdiff_t>(FirstChanged), Text.end(),
              FRcvdPtr.begin() + static_cast<std::ptrdiff_t>(FirstChanged));
    FRcvdPtr[Text.size()] = 0;
    FRcvdCnt = static_cast<int32_t>(FirstChanged);
    Count = static_cast<int>(Text.size() - FirstChanged);
}

void TCustomLineWSocket::FireSessionClosed(uint16_t Error)
{
    if (FLineMode && FRcvdCnt > 0 && !FInLineLimit) {
        // The bytes after the last line end make a last line of their own.
        FLineLength = FRcvdCnt;
        while (FLineMode && FLineLength > 0) {
            const int32_t Before = FLineLength;
            if (!TCustomSocksWSocket::FireDataAvailable(0) || FLineLength == Before)
                break;
        }
        FLineLength = 0;
        FRcvdCnt = 0;
    }
    if (!FInLineLimit) {
        FRcvdPtr.clear();
        FRcvdPtr.shrink_to_fit();
        FRcvdCnt = 0;
    }
    TCustomSocksWSocket::FireSessionClosed(Error);
}

int TCustomSyncWSocket::WaitForDone(const int &Done)
{
    return WSocketWaitUntil([&Done]() { return Done != 0; }, WaitTime);
}

int TCustomSyncWSocket::RunAndWait(const std::function<void()> &Proc, int &Done)
{
    Done = 0;
    if (Proc)
        Proc();
    return WaitForDone(Done);
}
