#include "TreeTestUtil.h"
#include "platform/Classes.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <unistd.h>

using namespace treetest;

namespace {

std::vector<uint8_t> Hex(const std::string &Text)
{
    std::vector<uint8_t> Out;
    std::istringstream In(Text);
    std::string Word;
    while (In >> Word)
        for (size_t I = 0; I + 1 < Word.size() + 1 && I < Word.size(); I += 2)
            Out.push_back(uint8_t(std::stoi(Word.substr(I, 2), nullptr, 16)));
    return Out;
}

std::vector<uint8_t> Bytes(TMemoryStream &S)
{
    std::vector<uint8_t> Out(size_t(S.GetSize()));
    S.SetPosition(0);
    if (!Out.empty())
        S.ReadBuffer(Out.data(), int64_t(Out.size()));
    return Out;
}

void Put(TMemoryStream &S, const std::vector<uint8_t> &B)
{
    S.SetSize(0);
    if (!B.empty())
        S.WriteBuffer(B.data(), int64_t(B.size()));
    S.SetPosition(0);
}

void Put(TMemoryStream &S, const std::string &B)
{
    Put(S, std::vector<uint8_t>(B.begin(), B.end()));
}

// Tree "A(b),Zhe" where Zhe is U+0416: A has image 1, data 0x12345678 and is expanded.
void BuildSmall(TCustomTreeNT &Tree)
{
    TTreeNTNode *A = Tree.Items().AddObject(nullptr, u"A", reinterpret_cast<void *>(intptr_t(0x12345678)));
    A->SetImageIndex(1);
    Tree.Items().AddChild(A, u"b");
    Tree.Items().Add(nullptr, u"\u0416");
    A->Expand(false);
}

// Hand-laid records: Size, 5 indexes, check state/type, enabled, expanded, selected, data,
// child count, colour, parent colour/font, 44 bytes of font block and reserved, text.
const char *const SmallBinary =
    "0D544E540D" // signature
    "00 02000000" // root check type, two top-level nodes
    // A
    "59000000 01000000 FFFFFFFF FFFFFFFF FFFFFFFF 01000000 00 00 01 01 00 78563412 01000000"
    "00000000 01 01 00000000 00000000 00 00 00 0000000000000000000000000000000000000000000000000000000000000000"
    "00 00000000 01 41"
    // b
    "59000000 FFFFFFFF FFFFFFFF FFFFFFFF FFFFFFFF 01000000 00 00 01 00 00 00000000 00000000"
    "00000000 01 01 00000000 00000000 00 00 00 0000000000000000000000000000000000000000000000000000000000000000"
    "00 00000000 01 62"
    // U+0416 in UTF-8
    "5A000000 FFFFFFFF FFFFFFFF FFFFFFFF FFFFFFFF 01000000 00 00 01 00 00 00000000 00000000"
    "00000000 01 01 00000000 00000000 00 00 00 0000000000000000000000000000000000000000000000000000000000000000"
    "00 00000000 02 D096";

TEST(TreeNTStreamTest, BinaryFormMatchesTheGoldenBytes)
{
    TCustomTreeNT Tree;
    BuildSmall(Tree);
    TMemoryStream Stream;
    Tree.SaveToStream(Stream, true);
    EXPECT_EQ(Bytes(Stream), Hex(SmallBinary));

    TCustomTreeNT Loaded;
    Put(Stream, Hex(SmallBinary));
    Loaded.LoadFromStream(Stream);
    EXPECT_EQ(Outline(Loaded), "A(b),?");
    TTreeNTNode *A = Loaded.Items().GetFirstNode();
    EXPECT_EQ(A->GetData(), reinterpret_cast<void *>(intptr_t(0x12345678)));
    EXPECT_EQ(A->GetImageIndex(), 1);
    EXPECT_TRUE(A->GetExpanded());
    EXPECT_EQ(Loaded.Items().GetNodeFromIndex(2)->GetText(), u"\u0416");
    TMemoryStream Again;
    Loaded.SaveToStream(Again, true);
    EXPECT_EQ(Bytes(Again), Hex(SmallBinary));
}

TEST(TreeNTStreamTest, TextFormMatchesTheGoldenText)
{
    TCustomTreeNT Tree;
    BuildSmall(Tree);
    TMemoryStream Stream;
    Tree.SaveToStream(Stream, false);
    const std::string Golden = "A\r\n\tb\r\n\xD0\x96\r\n";
    const std::vector<uint8_t> Got = Bytes(Stream);
    EXPECT_EQ(std::string(Got.begin(), Got.end()), Golden);
    TCustomTreeNT Loaded;
    Put(Stream, Golden);
    Loaded.LoadFromStream(Stream);
    EXPECT_EQ(Outline(Loaded), "A(b),?");
    EXPECT_EQ(Loaded.Items().GetNodeFromIndex(2)->GetText(), u"\u0416");
}

TEST(TreeNTStreamTest, RecordsCarryEveryAttribute)
{
    TCustomTreeNT Tree;
    Tree.SetOptions(Tree.GetOptions() | toCheckSupport | toMultiSelect);
    Build(Tree, "G(a,b(c)),H");
    TTreeNTNode *G = Find(Tree, "G");
    G->SetCheckType(ctCheckBox);
    Find(Tree, "a")->SetCheckState(csChecked);
    Find(Tree, "b")->SetEnabled(false);
    Find(Tree, "b")->SetOverlayIndex(2);
    Find(Tree, "b")->SetSelectedIndex(7);
    Find(Tree, "b")->SetColor(0x00FF00);
    TNodeFont &Font = Find(Tree, "c")->GetFont();
    Font.SetName(u"Mono");
    Font.SetHeight(-13);
    Font.SetPitch(2);
    Font.SetStyle(TNodeFont::fsItalic | TNodeFont::fsUnderline);
    Font.SetColor(0x0000FF);
    Tree.Items().Select(Find(Tree, "H"), 0);
    G->Expand(false);

    TMemoryStream Stream;
    Tree.SaveToStream(Stream, true);
    Stream.SetPosition(0);
    TCustomTreeNT Loaded;
    Loaded.SetOptions(Loaded.GetOptions() | toCheckSupport | toMultiSelect);
    Loaded.LoadFromStream(Stream);
    ASSERT_EQ(Outline(Loaded), "G(a,b(c)),H");
    EXPECT_EQ(Find(Loaded, "G")->GetCheckType(), ctCheckBox);
    EXPECT_TRUE(Find(Loaded, "G")->GetExpanded());
    EXPECT_EQ(Find(Loaded, "a")->GetCheckState(), csChecked);
    EXPECT_EQ(Find(Loaded, "a")->GetStateIndex(), cgChecked);
    TTreeNTNode *B = Find(Loaded, "b");
    EXPECT_FALSE(B->GetEnabled());
    EXPECT_EQ(B->GetStateIndex(), cgUncheckedDisabled);
    EXPECT_EQ(B->GetOverlayIndex(), 2);
    EXPECT_EQ(B->GetSelectedIndex(), 7);
    EXPECT_EQ(B->GetColor(), 0x00FF00u);
    TTreeNTNode *C = Find(Loaded, "c");
    ASSERT_FALSE(C->GetParentFont());
    EXPECT_EQ(C->GetFont().GetName(), u"Mono");
    EXPECT_EQ(C->GetFont().GetHeight(), -13);
    EXPECT_EQ(C->GetFont().GetPitch(), 2);
    EXPECT_EQ(C->GetFont().GetStyle(), TNodeFont::fsItalic | TNodeFont::fsUnderline);
    EXPECT_EQ(C->GetFont().GetColor(), 0x0000FFu);
    EXPECT_EQ(SelectionText(Loaded), "H");
}

TEST(TreeNTStreamTest, LongTextsAreCutAtACharacterBoundary)
{
    struct Case {
        WideString Text;
        int Size;
        size_t Chars;
    };
    const std::vector<Case> Cases = {
        {WideString(300, u'x'), 343, 255},
        {WideString(200, u'\u0416'), 88 + 254, 127}, // two bytes each: 127 fit
        {WideString(100, u'\u20AC'), 88 + 255, 85}, // three bytes each
        {u"a" + WideString(100, u'\u20AC'), 88 + 253, 85},
    };
    for (const Case &C : Cases) {
        TCustomTreeNT Tree;
        Tree.Items().Add(nullptr, C.Text);
        TMemoryStream Stream;
        Tree.SaveToStream(Stream, true);
        const std::vector<uint8_t> B = Bytes(Stream);
        ASSERT_GE(B.size(), 14u);
        const int Size = B[10] | (B[11] << 8) | (B[12] << 16) | (B[13] << 24);
        EXPECT_EQ(Size, C.Size);
        Stream.SetPosition(0);
        TCustomTreeNT Loaded;
        Loaded.LoadFromStream(Stream);
        EXPECT_EQ(Loaded.Items().GetFirstNode()->GetText(), C.Text.substr(0, C.Chars));
    }
}

TEST(TreeNTStreamTest, ReservedAndUnusedFontBytesAreIgnored)
{
    std::vector<uint8_t> B = Hex(SmallBinary);
    // First record starts at 10 + 4; fill offsets 39..86 (ParentFont is 1) with junk.
    for (int I = 39; I <= 86; ++I)
        B[14 + I] = uint8_t(0xA5 ^ I);
    TMemoryStream Stream;
    Put(Stream, B);
    TCustomTreeNT Tree;
    Tree.LoadFromStream(Stream);
    EXPECT_EQ(Outline(Tree), "A(b),?");
    EXPECT_TRUE(Tree.Items().GetFirstNode()->GetParentFont());
    EXPECT_FALSE(Tree.Items().GetFirstNode()->HasOwnFont());
}

TEST(TreeNTStreamTest, TextFormReading)
{
    struct Case {
        const char *Name;
        std::string Text;
        const char *Outline;
    };
    const std::vector<Case> Cases = {
        {"levels", "a\r\n\tb\r\n\t\tc\r\n\td\r\ne\r\n", "a(b(c),d),e"},
        {"spaces count as levels", "a\n b\n  c\nd", "a(b(c)),d"},
        {"blank lines are skipped", "\r\n\r\na\r\n\r\n\r\n\tb\n\n", "a(b)"},
        {"first line keeps its indentation", "\tx\r\n\ty", "\tx(y)"},
        {"indentation-only line is an empty node", "a\r\n\t\r\n\tb\r\n", "a(,b)"},
        {"zero byte ends the data", std::string("a\r\nb\0c\r\n", 8), "a,b"},
        {"back several levels", "a\n\tb\n\t\tc\n\t\t\td\ne", "a(b(c(d))),e"},
        {"windows-1252 fallback", "caf\xE9", "caf?"},
        {"empty", "", ""},
    };
    for (const Case &C : Cases) {
        TMemoryStream Stream;
        Put(Stream, C.Text);
        TCustomTreeNT Tree;
        Tree.LoadFromStream(Stream);
        EXPECT_EQ(Outline(Tree), C.Outline) << C.Name;
    }
    // Loading starts where the stream stands.
    {
        TMemoryStream Stream;
        Put(Stream, std::string("junk\r\nx\r\n\ty"));
        Stream.SetPosition(6);
        TCustomTreeNT Tree;
        Tree.LoadFromStream(Stream);
        EXPECT_EQ(Outline(Tree), "x(y)");
    }
    TMemoryStream Stream;
    Put(Stream, std::string("caf\xE9"));
    TCustomTreeNT Tree;
    Tree.LoadFromStream(Stream);
    EXPECT_EQ(Tree.Items().GetFirstNode()->GetText(), u"caf\u00E9");
}

TEST(TreeNTStreamTest, TextFormKeepsOneNodePerLine)
{
    TCustomTreeNT Tree;
    TTreeNTNode *A = Tree.Items().Add(nullptr, u"onclick a();\r\nb()");
    Tree.Items().AddChild(A, u"x\ny");
    TMemoryStream Stream;
    Tree.SaveToStream(Stream, false);
    Stream.SetPosition(0);
    TCustomTreeNT Loaded;
    Loaded.LoadFromStream(Stream);
    EXPECT_EQ(Outline(Loaded), "onclick a();  b()(x y)");
}

TEST(TreeNTStreamTest, LevelJumpIsAnErrorUnlessTheHandlerAllowsIt)
{
    TMemoryStream Stream;
    Put(Stream, std::string("a\r\n\t\tb\r\nc\r\n"));
    TCustomTreeNT Tree;
    int Line = 0;
    Tree.OnLevelError = [&](TCustomTreeNT *, int L, bool &) { Line = L; };
    try {
        Tree.LoadFromStream(Stream);
        ADD_FAILURE() << "no error";
    } catch (const ETreeNTError &E) {
        EXPECT_STREQ(E.what(), "Invalid item level assignment");
    }
    EXPECT_EQ(Line, 2);
    EXPECT_EQ(Outline(Tree), "a");
    EXPECT_FALSE(Tree.Items().IsUpdating());

    Tree.OnLevelError = [&](TCustomTreeNT *, int, bool &Raise) { Raise = false; };
    Stream.SetPosition(0);
    Tree.LoadFromStream(Stream);
    EXPECT_EQ(Outline(Tree), "a(b),c");
}

// Builds a binary stream from records given as (size, text length, child count).
std::vector<uint8_t> Records(int32_t TopCount, const std::vector<std::tuple<int32_t, int, int32_t>> &Recs,
                             bool Signature = true)
{
    std::vector<uint8_t> B;
    auto Int = [&](int32_t V) {
        for (int I = 0; I < 4; ++I)
            B.push_back(uint8_t(uint32_t(V) >> (8 * I)));
    };
    if (Signature)
        for (uint8_t C : {uint8_t(0x0D), uint8_t('T'), uint8_t('N'), uint8_t('T'), uint8_t(0x0D)})
            B.push_back(C);
    B.push_back(0);
    Int(TopCount);
    for (auto [Size, TextLen, Children] : Recs) {
        Int(Size);
        std::vector<uint8_t> R(size_t(std::max(Size, 0)), 0);
        if (R.size() >= 88) {
            R[22] = 1;
            R[37] = R[38] = 1;
            for (int I = 0; I < 4; ++I)
                R[29 + I] = uint8_t(uint32_t(Children) >> (8 * I));
            R[87] = uint8_t(TextLen);
            for (int I = 0; I < TextLen && 88 + I < int(R.size()); ++I)
                R[88 + I] = 'n';
        }
        B.insert(B.end(), R.begin(), R.end());
    }
    return B;
}

TEST(TreeNTStreamTest, MalformedBinaryStreamsAreRefused)
{
    struct Case {
        const char *Name;
        std::vector<uint8_t> Data;
        const char *Message;
    };
    std::vector<uint8_t> Truncated = Records(1, {{89, 1, 0}});
    Truncated.resize(Truncated.size() - 10);
    std::vector<std::tuple<int32_t, int, int32_t>> Deep(2000, {88, 0, 1});
    auto Padded = [](std::vector<uint8_t> B) {
        B.resize(B.size() + 400, 0);
        return B;
    };
    const std::vector<Case> Cases = {
        {"size below the fixed part", Padded(Records(1, {{87, 0, 0}})), "Invalid node record size (87)"},
        {"size above the buffer", Padded(Records(1, {{344, 255, 0}})), "Invalid node record size (344)"},
        {"negative size", Padded(Records(1, {{-5, 0, 0}})), "Invalid node record size (-5)"},
        {"text longer than the record", Records(1, {{90, 3, 0}}), "Invalid node record size (90)"},
        {"negative top-level count", Records(-1, {}), "Invalid node count (-1)"},
        {"negative child count", Records(1, {{88, 0, -2}}), "Invalid node count (-2)"},
        {"count beyond the data", Records(2000000000, {{88, 0, 0}}), "Node stream is truncated"},
        {"child count beyond the data", Records(1, {{88, 0, 1000000}}), "Node stream is truncated"},
        {"truncated record", Truncated, "Node stream is truncated"},
        {"header only", Hex("0D544E540D 00 01"), "Node stream is truncated"},
        {"nested too deeply", Records(1, Deep), "Node stream nests too deeply"},
    };
    for (const Case &C : Cases) {
        TMemoryStream Stream;
        Put(Stream, C.Data);
        TCustomTreeNT Tree;
        try {
            Tree.LoadFromStream(Stream);
            ADD_FAILURE() << C.Name << ": no error";
        } catch (const ETreeNTError &E) {
            EXPECT_STREQ(E.what(), C.Message) << C.Name;
        }
        EXPECT_FALSE(Tree.Items().IsUpdating()) << C.Name;
        EXPECT_EQ(Tree.Items().GetCount(), int(Tree.Items().FlatOrder().Count())) << C.Name;
    }
}

TEST(TreeNTStreamTest, DeepTextIsRefusedWithoutExhaustingTheStack)
{
    std::string Text;
    for (int I = 0; I < 1500; ++I)
        Text += std::string(size_t(I), '\t') + "n\n";
    TMemoryStream Stream;
    Put(Stream, Text);
    TCustomTreeNT Tree;
    EXPECT_THROW(Tree.LoadFromStream(Stream), ETreeNTError);
    // Within the limit the whole chain loads and is freed again.
    Text.clear();
    for (int I = 0; I < 900; ++I)
        Text += std::string(size_t(I), '\t') + "n\n";
    Put(Stream, Text);
    Tree.LoadFromStream(Stream);
    EXPECT_EQ(Tree.Items().GetCount(), 900);
}

TEST(TreeNTStreamTest, AssignCopiesThroughTheBinaryForm)
{
    TCustomTreeNT Source;
    Build(Source, "A(a1,a2(x)),B");
    TCustomTreeNT Target;
    Build(Target, "old");
    Target.SetItems(Source.Items());
    EXPECT_EQ(Outline(Target), "A(a1,a2(x)),B");
}

TEST(TreeNTStreamTest, SnapshotKeepsFullPointersAndState)
{
    TCustomTreeNT Tree;
    Tree.SetOptions(Tree.GetOptions() | toMultiSelect | toCheckSupport);
    Build(Tree, "A(a1,a2(x)),B");
    void *Wide = reinterpret_cast<void *>(uintptr_t(0x7FF123456789ull));
    Find(Tree, "x")->SetData(Wide);
    Find(Tree, "A")->SetCheckType(ctCheckBox);
    Find(Tree, "a2")->SetCheckState(csChecked);
    Find(Tree, "A")->Expand(false);
    Find(Tree, "B")->GetFont().SetStyle(TNodeFont::fsBold);
    Tree.Items().Select(Find(Tree, "B"), 0);
    Tree.Items().Select(Find(Tree, "a1"), 0);
    Tree.SetSelected(Find(Tree, "a2"));
    const TTreeNTSnapshot Snap = Tree.Items().Snapshot();

    std::vector<std::string> Deleted;
    Tree.OnDeletion = [&](TCustomTreeNT *, TTreeNTNode *N) { Deleted.push_back(Narrow(N->GetText())); };
    int Changes = 0;
    Tree.OnChange = [&](TCustomTreeNT *, TTreeNTNode *) { ++Changes; };
    Tree.Items().Clear();
    Build(Tree, "other");
    Changes = 0;
    Tree.Items().Restore(Snap);
    EXPECT_EQ(Changes, 0);
    EXPECT_EQ(Outline(Tree), "A(a1,a2(x)),B");
    EXPECT_EQ(Find(Tree, "x")->GetData(), Wide);
    EXPECT_EQ(Find(Tree, "a2")->GetCheckState(), csChecked);
    EXPECT_EQ(Find(Tree, "a2")->GetStateIndex(), cgChecked);
    EXPECT_TRUE(Find(Tree, "A")->GetExpanded());
    EXPECT_FALSE(Find(Tree, "a2")->GetExpanded());
    EXPECT_FALSE(Find(Tree, "B")->GetParentFont());
    EXPECT_EQ(Find(Tree, "B")->GetFont().GetStyle(), TNodeFont::fsBold);
    EXPECT_EQ(SelectionText(Tree), "B,a1,a2");
    EXPECT_EQ(Tree.GetSelected(), Find(Tree, "a2"));
    EXPECT_EQ(Tree.Items().GetCount(), 5);

    // The binary form keeps only the low 32 bits, as its layout says.
    TMemoryStream Stream;
    Tree.SaveToStream(Stream, true);
    Stream.SetPosition(0);
    TCustomTreeNT Loaded;
    Loaded.LoadFromStream(Stream);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(Find(Loaded, "x")->GetData()) & 0xFFFFFFFFu, 0x23456789u);
}

} // namespace

// Node streams embedded in a file among other data: the reads are done ahead in blocks, yet
// each reader leaves the file where its own data ends, for both forms of entry (the whole
// collection, and one node's subtree read by itself).
TEST(TreeNTStreamTest, FileReadsStopWhereTheTreeEnds)
{
    char Dir[] = "/tmp/treestreamXXXXXX";
    ASSERT_NE(mkdtemp(Dir), nullptr);
    const AnsiString Path = std::string(Dir) + "/tree.bin";
    TCustomTreeNT Source;
    Build(Source, "A(b(c),d),E,F(g)");
    {
        TFileStream Out(Path, fmCreate);
        Out.WriteBuffer("HEAD", 4);
        Source.SaveToStream(Out, true);
        Out.WriteBuffer("MIDDLE", 6);
        std::vector<uint8_t> Record(343);
        Source.Items().GetFirstNode()->WriteData(Out, Record);
        Out.WriteBuffer("TAIL", 4);
    }
    TFileStream In(Path, fmOpenRead);
    char Word[8] = {};
    In.ReadBuffer(Word, 4);
    TCustomTreeNT Tree;
    Tree.LoadFromStream(In);
    EXPECT_EQ(Outline(Tree), "A(b(c),d),E,F(g)");
    In.ReadBuffer(Word, 6);
    EXPECT_EQ(std::string(Word, 6), "MIDDLE");
    std::vector<uint8_t> Buffer(343);
    TTreeNTNode *Node = Tree.Items().Add(nullptr, u"");
    Node->ReadData(In, Buffer);
    EXPECT_EQ(Outline(Tree), "A(b(c),d),E,F(g),A(b(c),d)");
    In.ReadBuffer(Word, 4);
    EXPECT_EQ(std::string(Word, 4), "TAIL");
    std::remove(Path.c_str());
    rmdir(Dir);
}
