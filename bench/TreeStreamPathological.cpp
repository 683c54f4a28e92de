// Huge node streams: trees of 250,000, 500,000 and 1,000,000 nodes (nested as a checker
// builds them, and all at the top level) saved in the binary form
// and read back from a file and from memory, and the same in the text form. Each read should
// take seconds at most and grow linearly; a file read should cost about what a memory read
// costs.
#include "bench/BenchSupport.h"
#include "controls/CustomTreeNT.h"
#include "platform/Classes.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

namespace {

// Sections of 1,000 functions, each holding local names: the shape of a checker's tree; or,
// Flat, every node at the top level.
void Fill(TCustomTreeNT &Tree, int Count, bool Flat)
{
    TTreeNTNodes &Items = Tree.Items();
    Items.BeginUpdate();
    Items.Clear();
    if (Flat) {
        for (int I = 0; I < Count; ++I)
            Items.AddObject(nullptr, "name" + std::to_string(I), nullptr);
        Items.EndUpdate();
        return;
    }
    TTreeNTNode *Section = nullptr;
    TTreeNTNode *Function = nullptr;
    for (int I = 0; I < Count; ++I) {
        void *Data = reinterpret_cast<void *>(intptr_t(I + 1));
        if (I % 10000 == 0)
            Section = Items.AddObject(nullptr, "Javascript section#" + std::to_string(I / 10000), Data);
        else if (I % 10 == 1)
            Function = Items.AddChildObject(Section, "function" + std::to_string(I) + "(a, b)", Data);
        else
            Items.AddChildObject(Function ? Function : Section, "local" + std::to_string(I), Data);
    }
    Items.EndUpdate();
}

double TimeLoad(TStream &Stream, int Expected)
{
    TCustomTreeNT Tree;
    const double Seconds = bench::BestSeconds(
        [&] {
            Stream.SetPosition(0);
            Tree.LoadFromStream(Stream);
        },
        1);
    if (Tree.Items().GetCount() != Expected) {
        std::fprintf(stderr, "read %d nodes, expected %d\n", Tree.Items().GetCount(), Expected);
        std::exit(1);
    }
    return Seconds;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication App(argc, argv);
    QTemporaryDir Dir;
    std::printf("%-10s %-6s %-7s %12s %12s %8s\n", "nodes", "shape", "form", "file (s)", "memory (s)", "ratio");
    for (const int Count : {250000, 500000, 1000000})
        for (const bool Flat : {false, true}) {
            TCustomTreeNT Source;
            Fill(Source, Count, Flat);
            for (const bool Binary : {true, false}) {
                const AnsiString Path = (Dir.path() + "/tree.bin").toStdString();
                {
                    TFileStream Out(Path, fmCreate);
                    Source.SaveToStream(Out, Binary);
                }
                TMemoryStream Memory;
                Memory.LoadFromFile(Path);
                TFileStream In(Path, fmOpenRead);
                const double FromFile = TimeLoad(In, Count);
                const double FromMemory = TimeLoad(Memory, Count);
                std::printf("%-10d %-6s %-7s %12.3f %12.3f %8.2f\n", Count, Flat ? "flat" : "nested",
                            Binary ? "binary" : "text", FromFile, FromMemory, FromFile / FromMemory);
            }
        }
    return 0;
}
