// The navigation tree as a check uses it: 10,000 nodes filled in one update bracket on a
// shown tree, a snapshot taken and restored (what a tab switch does), and every node walked
// by flat index (what the checker's lookups do). Target: each under 20 ms.
#include "controls/TreeNT.h"
#include "controls/TreeNTModel.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

namespace {

constexpr int Nodes = 10000;

// 10,000 nodes shaped like a checker's tree: groups of functions with local variables.
void Fill(TCustomTreeNT &Tree)
{
    TTreeNTNodes &Items = Tree.Items();
    Items.BeginUpdate();
    Items.Clear();
    TTreeNTNode *Section = nullptr;
    TTreeNTNode *Function = nullptr;
    for (int I = 0; I < Nodes; ++I) {
        void *Data = reinterpret_cast<void *>(intptr_t(I + 1));
        if (I % 1000 == 0)
            Section = Items.AddObject(nullptr, "Javascript section#" + std::to_string(I / 1000), Data);
        else if (I % 10 == 1)
            Function = Items.AddChildObject(Section, "function" + std::to_string(I) + "(a, b)", Data);
        else
            Items.AddChildObject(Function ? Function : Section, "local" + std::to_string(I), Data);
    }
    Items.EndUpdate();
}

void BM_FillInOneBracket(benchmark::State &State)
{
    TTreeNT Tree;
    Tree.resize(300, 600);
    Tree.show();
    for (auto _ : State) {
        Fill(Tree);
        QApplication::processEvents();
        benchmark::DoNotOptimize(Tree.Items().GetCount());
    }
    State.SetItemsProcessed(State.iterations() * Nodes);
}
BENCHMARK(BM_FillInOneBracket)->Unit(benchmark::kMillisecond);

void BM_SnapshotAndRestore(benchmark::State &State)
{
    TTreeNT Tree;
    Tree.resize(300, 600);
    Tree.show();
    Fill(Tree);
    Tree.FullExpand();
    for (auto _ : State) {
        const TTreeNTSnapshot Snap = Tree.Items().Snapshot();
        Tree.Items().Restore(Snap);
        QApplication::processEvents();
        benchmark::DoNotOptimize(Tree.Items().GetCount());
    }
    State.SetItemsProcessed(State.iterations() * Nodes);
}
BENCHMARK(BM_SnapshotAndRestore)->Unit(benchmark::kMillisecond);

void BM_WalkByIndex(benchmark::State &State)
{
    TCustomTreeNT Tree;
    Fill(Tree);
    for (auto _ : State) {
        // A change first, as between two lookups of the checker, then the whole walk.
        Tree.Items().GetFirstNode()->SetData(nullptr);
        Tree.Items().ClearCache();
        intptr_t Sum = 0;
        for (int I = 0; I < Tree.Items().GetCount(); ++I)
            Sum += reinterpret_cast<intptr_t>(Tree.Items().GetNodeFromIndex(I)->GetData());
        benchmark::DoNotOptimize(Sum);
    }
    State.SetItemsProcessed(State.iterations() * Nodes);
}
BENCHMARK(BM_WalkByIndex)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication App(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
