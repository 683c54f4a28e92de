// The model's named lists: the hash index gives the first record of a name as a scan would, also after
// the list grew, was renamed in, had records removed or was emptied; prototype records are kept once.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <string>

#include "checker/CheckerLists.h"
#include "checker/NamedList.h"

namespace {

// Index of the first record named Name by a plain scan.
int Scan(const TLineList &List, const std::string &Name)
{
    for (int i = 0; i < List.Count(); ++i)
        if (List.Name(i) == Name)
            return i;
    return -1;
}

void ExpectLookupsMatchScan(const TLineList &List, const char *Step)
{
    for (const char *name : {"a", "b", "n3", "n7", "n19", "n20", "renamed", "A", ""})
        EXPECT_EQ(List.IndexOf(name), Scan(List, name)) << Step << ": " << name;
}

} // namespace

TEST(NamedList, LookupsFollowTheListThroughEveryChange)
{
    TLineList list;
    list.Add("a", 1);
    list.Add("b", 2);
    list.Add("a", 3); // a second record of a name: the first is found
    ExpectLookupsMatchScan(list, "short");
    for (int i = 0; i < 20; ++i) // past the length below which the list is scanned
        list.Add("n" + std::to_string(i), 10 + i);
    list.Add("b", 40);
    ExpectLookupsMatchScan(list, "grown");
    EXPECT_EQ(list.IndexOf("b"), 1);

    list.Rename(1, "renamed");
    ExpectLookupsMatchScan(list, "renamed");
    EXPECT_EQ(list.IndexOf("b"), list.Count() - 1);

    list.RemoveIf([](const auto &E) { return E.Value.Line() % 2 == 1; }); // odd lines go
    ExpectLookupsMatchScan(list, "removed");
    EXPECT_EQ(list.IndexOf("n19"), -1); // on line 29
    EXPECT_EQ(list.Line(list.IndexOf("n18")), 28);
    list.Add("n19", 50);
    ExpectLookupsMatchScan(list, "added after removal");

    // Growing past several sizes of the index, each name four times, with lookups in between: every
    // lookup still finds the first record.
    for (int i = 0; i < 400; ++i) {
        list.Add("m" + std::to_string(i % 100), 100 + i);
        if (i % 37 == 0) {
            for (int k = 0; k <= i % 100; k += 9)
                ASSERT_EQ(list.IndexOf("m" + std::to_string(k)), Scan(list, "m" + std::to_string(k))) << i;
        }
    }
    for (int k = 0; k < 100; ++k)
        EXPECT_EQ(list.Line(list.IndexOf("m" + std::to_string(k))), 100 + k);
    ExpectLookupsMatchScan(list, "grown past the index");

    list.Clear();
    EXPECT_EQ(list.IndexOf("a"), -1);
    list.Add("a", 7);
    EXPECT_EQ(list.IndexOf("a"), 0);
}

TEST(NamedList, RecordsAreOwnedAndFoundByName)
{
    TRecordList<std::string> list;
    EXPECT_EQ(list.Last(), nullptr);
    list.Add("x", std::make_unique<std::string>("first"));
    list.Add("x", std::make_unique<std::string>("second"));
    EXPECT_EQ(*list.Find("x"), "first");
    EXPECT_EQ(*list.Last(), "second");
    EXPECT_EQ(list.Find("y"), nullptr);
    EXPECT_EQ(list.At(-1), nullptr);
    EXPECT_EQ(list.At(2), nullptr);
    list.Value(0).reset(); // a removed record leaves a hole until it is swept
    EXPECT_EQ(list.Find("x"), nullptr);
    list.RemoveIf([](const auto &E) { return !E.Value; });
    EXPECT_EQ(*list.Find("x"), "second");
}

// Prototype records are kept once by kind, owner, scope and member, and a record made an instance keeps
// what it was from being added again. Random adds and promotions over a small alphabet (so equal records
// meet often), past several sizes of the index, against a plain set of every key ever taken.
TEST(NamedList, PrototypeRecordsAreKeptOnceThroughAddsAndPromotions)
{
    auto key = [](const TPrototypeRecord &R) {
        return std::to_string(R.Kind) + "|" + R.Object + "|" + std::to_string(R.Scope) + "|" + R.Member;
    };
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TPrototypeRecords records;
        std::set<std::string> taken;
        std::vector<TPrototypeRecord> expected;
        std::mt19937 random(seed);
        for (int step = 0; step < 1500; ++step) {
            if (random() % 3 == 0 && !expected.empty()) {
                const int i = int(random() % expected.size());
                if (expected[size_t(i)].Kind != pkInstance) {
                    records.MakeInstance(i);
                    expected[size_t(i)].Kind = pkInstance;
                    taken.insert(key(expected[size_t(i)]));
                }
            } else {
                TPrototypeRecord r;
                r.Kind = TPrototypeKind(random() % 3);
                r.Object = "o" + std::to_string(random() % 12);
                r.Scope = int32_t(random() % 4) - 1;
                r.Member = random() % 9 == 0 ? std::string() : "m" + std::to_string(random() % 15);
                r.Line = step;
                if (taken.insert(key(r)).second)
                    expected.push_back(r);
                records.Add(r);
            }
            ASSERT_EQ(records.Count(), int(expected.size())) << seed << " " << step;
        }
        for (size_t i = 0; i < expected.size(); ++i) {
            ASSERT_EQ(key(records[int(i)]), key(expected[i])) << seed << " " << i;
            ASSERT_EQ(records[int(i)].Line, expected[i].Line) << i; // the first line a record was met on
        }
        records.Clear();
        EXPECT_EQ(records.Count(), 0);
        records.Add(expected.front());
        EXPECT_EQ(records.Count(), 1);
    }
}
