// The two persistent forms of a tree: the binary node records (pre-order, one record per
// node) and the tab-indented text form, one node per line. Both readers treat the stream as
// untrusted: record sizes and counts are checked against the bytes that are really there
// before anything is read or allocated, and nesting is walked with an explicit stack and a
// depth limit.
#include "controls/CustomTreeNT.h"
#include "platform/ScopeGuard.h"
#include "controls/TreeNTNodes.h"
#include "platform/Classes.h"
#include "platform/CodePage.h"
#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr int RecordFixedSize = 88; // Size of a record with empty text
constexpr int RecordMaxSize = RecordFixedSize + 255; // record buffer size
constexpr int MaxTextBytes = 255;
constexpr int MaxFontNameBytes = 31;
// Deeper trees are refused: nodes are destroyed recursively.
constexpr size_t MaxNodeDepth = 1000;
constexpr int64_t MaxTextStreamBytes = int64_t(512) << 20;

void PutInt32(uint8_t *P, int32_t V)
{
    const uint32_t U = uint32_t(V);
    P[0] = uint8_t(U);
    P[1] = uint8_t(U >> 8);
    P[2] = uint8_t(U >> 16);
    P[3] = uint8_t(U >> 24);
}

int32_t GetInt32(const uint8_t *P)
{
    return int32_t(uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24));
}

[[noreturn]] void Fail(const std::string &Text)
{
    throw ETreeNTError(Text);
}

// Reads a stream ahead in large blocks, so that the many small reads of the node records
// (two per node, each asking for the bytes left) cost memory copies instead of system calls
// on a file. Nothing may write to the source while it is wrapped. Release puts the source's
// position where the reader logically stopped, so that its next user continues there.
class TReadAheadStream final : public TStream {
public:
    explicit TReadAheadStream(TStream &Source) : FSource(Source), FBase(Source.GetPosition()), FSize(Source.GetSize())
    {
    }
    ~TReadAheadStream() override
    {
        // Only reached without Release when a read failed: the load is abandoned anyway.
        if (!FReleased) {
            try {
                Release();
            } catch (const std::exception &) {
            }
        }
    }
    TReadAheadStream(const TReadAheadStream &) = delete;
    TReadAheadStream &operator=(const TReadAheadStream &) = delete;

    int64_t Read(void *To, int64_t Count) override
    {
        uint8_t *Out = static_cast<uint8_t *>(To);
        int64_t Done = 0;
        while (Done < Count) {
            if (FPos == FBuffer.size() && !Fill())
                break;
            const size_t N = size_t(std::min<int64_t>(Count - Done, int64_t(FBuffer.size() - FPos)));
            std::memcpy(Out + Done, FBuffer.data() + FPos, N);
            FPos += N;
            Done += int64_t(N);
        }
        return Done;
    }
    int64_t Write(const void *, int64_t) override { return 0; }
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override
    {
        const int64_t Here = FBase + int64_t(FPos);
        const int64_t Target = Origin == soBeginning ? Offset : Origin == soCurrent ? Here + Offset : FSize + Offset;
        if (Target == Here)
            return Here;
        if (Target >= FBase && Target <= FBase + int64_t(FBuffer.size())) {
            FPos = size_t(Target - FBase);
            return Target;
        }
        FBase = FSource.Seek(Target, soBeginning);
        FBuffer.clear();
        FPos = 0;
        return FBase;
    }
    int64_t GetSize() override { return FSize; }

    void Release()
    {
        FReleased = true;
        FSource.Seek(FBase + int64_t(FPos), soBeginning);
    }

private:
    bool Fill()
    {
        FBase += int64_t(FBuffer.size());
        FBuffer.resize(BlockSize);
        FPos = 0;
        const int64_t Got = FSource.Read(FBuffer.data(), BlockSize);
        FBuffer.resize(size_t(std::max<int64_t>(Got, 0)));
        return !FBuffer.empty();
    }

    static constexpr int64_t BlockSize = 1 << 16;
    TStream &FSource;
    int64_t FBase; // source position of the buffer's first byte
    int64_t FSize;
    std::vector<uint8_t> FBuffer;
    size_t FPos = 0;
    bool FReleased = false;
};

// Runs Read on Stream read ahead, unless it already is.
template <class F>
void WithReadAhead(TStream &Stream, F &&Read)
{
    if (auto *Ahead = dynamic_cast<TReadAheadStream *>(&Stream)) {
        Read(*Ahead);
        return;
    }
    TReadAheadStream Ahead(Stream);
    Read(Ahead);
    Ahead.Release();
}

} // namespace

// ---- UTF-8 helpers ----

namespace TreeNTText {

std::string ToUtf8(const WideString &S)
{
    std::string Out;
    Out.reserve(S.size());
    for (size_t I = 0; I < S.size(); ++I) {
        uint32_t C = S[I];
        if (C >= 0xD800 && C <= 0xDBFF && I + 1 < S.size() && S[I + 1] >= 0xDC00 && S[I + 1] <= 0xDFFF) {
            C = 0x10000 + ((C - 0xD800) << 10) + (S[I + 1] - 0xDC00);
            ++I;
        } else if (C >= 0xD800 && C <= 0xDFFF) {
            C = 0xFFFD;
        }
        if (C < 0x80) {
            Out += char(C);
        } else if (C < 0x800) {
            Out += char(0xC0 | (C >> 6));
            Out += char(0x80 | (C & 0x3F));
        } else if (C < 0x10000) {
            Out += char(0xE0 | (C >> 12));
            Out += char(0x80 | ((C >> 6) & 0x3F));
            Out += char(0x80 | (C & 0x3F));
        } else {
            Out += char(0xF0 | (C >> 18));
            Out += char(0x80 | ((C >> 12) & 0x3F));
            Out += char(0x80 | ((C >> 6) & 0x3F));
            Out += char(0x80 | (C & 0x3F));
        }
    }
    return Out;
}

// Length of the longest prefix of at most Max bytes that ends on a character boundary.
size_t CutUtf8(const std::string &S, size_t Max)
{
    if (S.size() <= Max)
        return S.size();
    size_t Cut = Max;
    while (Cut > 0 && (uint8_t(S[Cut]) & 0xC0) == 0x80)
        --Cut;
    return Cut;
}

// Strict UTF-8 decoding; false for malformed input.
bool FromUtf8(const uint8_t *P, size_t N, WideString &Out)
{
    Out.clear();
    Out.reserve(N);
    size_t I = 0;
    while (I < N) {
        const uint8_t B = P[I];
        uint32_t C;
        size_t Len;
        if (B < 0x80) {
            C = B;
            Len = 1;
        } else if ((B & 0xE0) == 0xC0) {
            C = B & 0x1F;
            Len = 2;
        } else if ((B & 0xF0) == 0xE0) {
            C = B & 0x0F;
            Len = 3;
        } else if ((B & 0xF8) == 0xF0) {
            C = B & 0x07;
            Len = 4;
        } else
            return false;
        if (I + Len > N)
            return false;
        for (size_t K = 1; K < Len; ++K) {
            if ((P[I + K] & 0xC0) != 0x80)
                return false;
            C = (C << 6) | (P[I + K] & 0x3F);
        }
        if ((Len == 2 && C < 0x80) || (Len == 3 && C < 0x800) || (Len == 4 && C < 0x10000) || C > 0x10FFFF ||
            (C >= 0xD800 && C <= 0xDFFF))
            return false;
        if (C >= 0x10000) {
            C -= 0x10000;
            Out += char16_t(0xD800 + (C >> 10));
            Out += char16_t(0xDC00 + (C & 0x3FF));
        } else {
            Out += char16_t(C);
        }
        I += Len;
    }
    return true;
}

// Text bytes of a stream: UTF-8 when they are valid UTF-8, else Windows-1252 (older files).
WideString Decode(const uint8_t *P, size_t N)
{
    WideString Out;
    if (FromUtf8(P, N, Out))
        return Out;
    return AnsiToWide(reinterpret_cast<const char *>(P), N);
}

} // namespace TreeNTText

using namespace TreeNTText;

// ---- binary form, writing ----

int TTreeNTNode::FillRecord(uint8_t *R) const
{
    PutInt32(R + 0, FImageIndex);
    PutInt32(R + 4, FSelectedIndex);
    PutInt32(R + 8, FStateIndex);
    PutInt32(R + 12, FOverlayIndex);
    PutInt32(R + 16, GetIntegralHeight());
    R[20] = FCheckState;
    R[21] = FCheckType;
    R[22] = FEnabled ? 1 : 0;
    R[23] = FExpanded ? 1 : 0;
    R[24] = FInSelection ? 1 : 0;
    // The on-disk field is 32 bits wide: the low half of the pointer-sized value.
    PutInt32(R + 25, int32_t(uint32_t(reinterpret_cast<uintptr_t>(FData))));
    PutInt32(R + 29, GetCount());
    PutInt32(R + 33, int32_t(FColor));
    R[37] = FParentColor ? 1 : 0;
    R[38] = FParentFont ? 1 : 0;
    if (!FParentFont && FFont) {
        PutInt32(R + 43, FFont->GetHeight());
        R[47] = FFont->GetPitch();
        R[48] = FFont->GetStyle();
        const std::string Name = ToUtf8(FFont->GetName());
        const size_t NameLen = CutUtf8(Name, MaxFontNameBytes);
        R[50] = uint8_t(NameLen);
        std::memcpy(R + 51, Name.data(), NameLen);
        PutInt32(R + 83, int32_t(FFont->GetColor()));
    }
    const std::string Text = ToUtf8(FText);
    const size_t TextLen = CutUtf8(Text, MaxTextBytes);
    R[87] = uint8_t(TextLen);
    std::memcpy(R + 88, Text.data(), TextLen);
    return RecordFixedSize + int(TextLen);
}

void TTreeNTNode::WriteData(TStream &Stream, std::vector<uint8_t> &Buffer)
{
    if (Buffer.size() < size_t(RecordMaxSize))
        Buffer.resize(RecordMaxSize, 0);
    // Pre-order without recursion: a node's record, then its children's.
    std::vector<std::pair<const TTreeNTNode *, int>> Stack;
    const TTreeNTNode *Node = this;
    for (;;) {
        const int Size = Node->FillRecord(Buffer.data());
        uint8_t SizeBytes[4];
        PutInt32(SizeBytes, Size);
        Stream.WriteBuffer(SizeBytes, 4);
        Stream.WriteBuffer(Buffer.data(), Size);
        if (Node->GetCount() > 0)
            Stack.emplace_back(Node, 0);
        Node = nullptr;
        while (!Stack.empty() && !Node) {
            auto &[Parent, Next] = Stack.back();
            if (Next < Parent->GetCount())
                Node = Parent->FChildren->Get(Next++);
            else
                Stack.pop_back();
        }
        if (!Node)
            break;
    }
}

void TTreeNTNodes::WriteData(TStream &Stream)
{
    std::vector<uint8_t> Buffer(RecordMaxSize, 0);
    uint8_t Head[5];
    Head[0] = FRootCheckType;
    PutInt32(Head + 1, FRoot->GetCount());
    Stream.WriteBuffer(Head, 5);
    for (int I = 0; I < FRoot->GetCount(); ++I)
        FRoot->FChildren->Get(I)->WriteData(Stream, Buffer);
}

// ---- binary form, reading ----

class TTreeNTStreamReader {
public:
    TTreeNTStreamReader(TStream &S, std::vector<uint8_t> &B) : FStream(S), FBuffer(B)
    {
        if (FBuffer.size() < size_t(RecordMaxSize))
            FBuffer.resize(RecordMaxSize, 0);
    }

    int64_t Remaining() { return FStream.GetSize() - FStream.GetPosition(); }

    void ReadExact(void *To, int64_t Count)
    {
        if (Count < 0 || Remaining() < Count)
            Fail("Node stream is truncated");
        FStream.ReadBuffer(To, Count);
    }

    // Reads one record into the buffer; returns its size.
    int ReadRecord()
    {
        uint8_t SizeBytes[4];
        ReadExact(SizeBytes, 4);
        const int32_t Size = GetInt32(SizeBytes);
        if (Size < RecordFixedSize || Size > RecordMaxSize)
            Fail("Invalid node record size (" + std::to_string(Size) + ")");
        ReadExact(FBuffer.data(), Size);
        if (RecordFixedSize + int(FBuffer[87]) > Size)
            Fail("Invalid node record size (" + std::to_string(Size) + ")");
        return Size;
    }

    // A count of records that must still follow: each needs at least a minimal record.
    void CheckCount(int32_t Count)
    {
        if (Count < 0)
            Fail("Invalid node count (" + std::to_string(Count) + ")");
        if (int64_t(Count) * (RecordFixedSize + 4) > Remaining())
            Fail("Node stream is truncated");
    }

    // This node's record and its subtree.
    void ReadSubtree(TTreeNTNode *Top)
    {
        struct Frame {
            TTreeNTNode *Node;
            int32_t Left;
            bool Expanded;
        };
        TTreeNTNodes *Nodes = Top->GetOwner();
        const bool RestoreExpanded = !Nodes->GetOwner()->HasOption(toSingleExpand);
        std::vector<Frame> Stack;
        auto ReadInto = [&](TTreeNTNode *Node) {
            const int Size = ReadRecord();
            bool Selected = false, Expanded = false;
            int32_t ChildCount = 0;
            Node->ApplyRecord(FBuffer.data(), Size, Selected, Expanded, ChildCount);
            CheckCount(ChildCount);
            if (ChildCount > 0 && Stack.size() >= MaxNodeDepth)
                Fail("Node stream nests too deeply");
            Stack.push_back(Frame{Node, ChildCount, Expanded});
        };
        ReadInto(Top);
        while (!Stack.empty()) {
            Frame &F = Stack.back();
            if (F.Left == 0) {
                TTreeNTNode *Node = F.Node;
                const bool Expanded = F.Expanded;
                Stack.pop_back();
                if (RestoreExpanded)
                    Node->SetExpanded(Expanded);
                continue;
            }
            --F.Left;
            TTreeNTNode *Parent = F.Node;
            ReadInto(Nodes->AddChild(Parent, WideString()));
        }
    }

private:
    TStream &FStream;
    std::vector<uint8_t> &FBuffer;
};

void TTreeNTNode::ApplyRecord(const uint8_t *R, int Size, bool &Selected, bool &Expanded, int32_t &ChildCount)
{
    (void)Size;
    SetText(Decode(R + 88, R[87]));
    SetImageIndex(GetInt32(R + 0));
    SetSelectedIndex(GetInt32(R + 4));
    SetStateIndex(GetInt32(R + 8));
    SetCheckType(R[21]);
    SetCheckState(R[20]);
    SetEnabled(R[22] != 0);
    Selected = R[24] == 1;
    if (Selected)
        FOwner->Select(this, 0);
    SetOverlayIndex(GetInt32(R + 12));
    SetIntegralHeight(GetInt32(R + 16));
    // Sign-extended so that small integers stored as data survive.
    SetData(reinterpret_cast<void *>(intptr_t(GetInt32(R + 25))));
    SetParentColor(R[37] != 0);
    if (R[37] == 0)
        SetColor(TColor(uint32_t(GetInt32(R + 33))));
    if (R[38] == 0) {
        FFont.reset();
        TNodeFont &Font = GetFont();
        Font.SetHeight(GetInt32(R + 43));
        const int NameLen = std::min<int>(R[50], MaxFontNameBytes);
        Font.SetName(Decode(R + 51, size_t(NameLen)));
        Font.SetPitch(R[47]);
        Font.SetStyle(R[48]);
        Font.SetColor(TColor(uint32_t(GetInt32(R + 83))));
        FParentFont = false;
    } else {
        SetParentFont(true);
    }
    Expanded = R[23] != 0;
    ChildCount = GetInt32(R + 29);
}

void TTreeNTNode::ReadData(TStream &Stream, std::vector<uint8_t> &Buffer)
{
    WithReadAhead(Stream, [&](TStream &Ahead) {
        TTreeNTStreamReader Reader(Ahead, Buffer);
        Reader.ReadSubtree(this);
    });
}

void TTreeNTNodes::ReadData(TStream &Stream)
{
    Clear();
    BeginUpdate();
    TScopeGuard End([this] { EndUpdate(); });
    std::vector<uint8_t> Buffer(RecordMaxSize, 0);
    WithReadAhead(Stream, [&](TStream &Ahead) {
        TTreeNTStreamReader Reader(Ahead, Buffer);
        uint8_t Head[5];
        Reader.ReadExact(Head, 5);
        SetRootCheckType(Head[0]);
        const int32_t Count = GetInt32(Head + 1);
        Reader.CheckCount(Count);
        for (int32_t I = 0; I < Count; ++I)
            Add(nullptr, WideString())->ReadData(Ahead, Buffer);
    });
}

// ---- text form ----

void TTreeNTNode::WriteText(TStream &Stream, int Level)
{
    std::string Out;
    std::vector<std::pair<const TTreeNTNode *, int>> Stack; // node, its level
    Stack.emplace_back(this, Level);
    while (!Stack.empty()) {
        auto [Node, NodeLevel] = Stack.back();
        Stack.pop_back();
        Out.append(size_t(NodeLevel), '\t');
        // One node per line: line breaks inside a text would split it into more nodes.
        std::string Text = ToUtf8(Node->FText);
        for (char &C : Text)
            if (C == '\r' || C == '\n' || C == '\0')
                C = ' ';
        Out += Text;
        Out += "\r\n";
        for (int I = Node->GetCount() - 1; I >= 0; --I)
            Stack.emplace_back(Node->FChildren->Get(I), NodeLevel + 1);
        if (Out.size() > 65536) {
            Stream.WriteBuffer(Out.data(), int64_t(Out.size()));
            Out.clear();
        }
    }
    if (!Out.empty())
        Stream.WriteBuffer(Out.data(), int64_t(Out.size()));
}

void TTreeNTNodes::WriteText(TStream &Stream)
{
    for (int I = 0; I < FRoot->GetCount(); ++I)
        FRoot->FChildren->Get(I)->WriteText(Stream, 0);
}

void TTreeNTNodes::ReadText(TStream &Stream)
{
    const int64_t Rest = Stream.GetSize() - Stream.GetPosition();
    if (Rest <= 0)
        return;
    if (Rest > MaxTextStreamBytes)
        Fail("Node stream is too large");
    std::vector<uint8_t> Text(size_t(Rest) + 1, 0);
    Stream.ReadBuffer(Text.data(), Rest);
    ReadTextBuffer(Text.data(), size_t(Rest));
}

// One line per node; its leading tabs and spaces give its level (the first line's belong
// to its text). A line deeper by more than one level is an error unless the level-error
// handler lets it pass. Blank lines are skipped; a line holding only indentation is a node
// with empty text; the data ends at its end or at a zero byte.
void TTreeNTNodes::ReadTextBuffer(const uint8_t *Text, size_t Length)
{
    auto AtEnd = [&](size_t Pos) { return Pos >= Length || Text[Pos] == 0; };
    auto IsBreak = [&](size_t Pos) { return Pos < Length && (Text[Pos] == '\r' || Text[Pos] == '\n'); };
    size_t Pos = 0;
    while (IsBreak(Pos))
        ++Pos;
    int Line = 1;
    struct Frame {
        TTreeNTNode *Parent;
        int Level;
    };
    std::vector<Frame> Stack{Frame{FRoot.get(), 0}};
    while (!AtEnd(Pos)) {
        const size_t Start = Pos;
        while (!AtEnd(Pos) && !IsBreak(Pos))
            ++Pos;
        TTreeNTNode *Node = AddChild(Stack.back().Parent, Decode(Text + Start, Pos - Start));
        while (IsBreak(Pos))
            ++Pos;
        ++Line;
        if (AtEnd(Pos))
            break;
        int Next = 0;
        while (!AtEnd(Pos) && (Text[Pos] == '\t' || Text[Pos] == ' ')) {
            ++Next;
            ++Pos;
        }
        const int Level = Stack.back().Level;
        if (Next - Level > 1) {
            bool RaiseError = true;
            if (FOwner->OnLevelError)
                FOwner->OnLevelError(FOwner, Line, RaiseError);
            if (RaiseError)
                Fail("Invalid item level assignment");
        }
        if (Next > Level) {
            if (Stack.size() >= MaxNodeDepth)
                Fail("Node stream nests too deeply");
            Stack.push_back(Frame{Node, Next});
        } else {
            while (Stack.size() > 1 && Stack.back().Level > Next)
                Stack.pop_back();
        }
    }
}
