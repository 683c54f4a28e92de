// The scope guard runs its cleanup on every way out, and bulk string-list operations that fail
// part-way still end their update bracket.
#include "platform/Exception.h"
#include "platform/ScopeGuard.h"
#include "platform/StringList.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(ScopeGuard, RunsOnEveryWayOutUnlessDismissed)
{
    struct Case {
        const char *Name;
        bool Dismiss, BodyThrows, CleanupThrows;
        int Runs; // times the cleanup ran
        const char *Escaping; // message of the exception leaving the scope, "" for none
    };
    const Case cases[] = {
        {"normal exit", false, false, false, 1, ""},
        {"dismissed", true, false, false, 0, ""},
        {"body throws", false, true, false, 1, "body"},
        {"body throws after dismissing", true, true, false, 0, "body"},
        {"cleanup throws on a normal exit", false, false, true, 1, "cleanup"},
        {"cleanup throws while the body's exception unwinds", false, true, true, 1, "body"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        int runs = 0;
        std::string escaping;
        try {
            TScopeGuard guard([&] {
                ++runs;
                if (c.CleanupThrows)
                    throw std::runtime_error("cleanup");
            });
            if (c.Dismiss)
                guard.Dismiss();
            if (c.BodyThrows)
                throw std::runtime_error("body");
        } catch (const std::exception &e) {
            escaping = e.what();
        }
        EXPECT_EQ(runs, c.Runs);
        EXPECT_EQ(escaping, c.Escaping);
    }
}

TEST(ScopeGuard, FailedBulkOperationsEndTheirUpdate)
{
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupError);
    int changes = 0;
    list.OnChange = [&](TStringList &) { ++changes; };
    TStringList source;
    source.Add("b");
    source.Add("a");
    source.Add("b");
    EXPECT_THROW(list.AddStrings(source), EStringListError);
    EXPECT_EQ(list.UpdateCount(), 0);
    EXPECT_GE(changes, 1); // the bracket's closing change was reported
    EXPECT_THROW(list.SetCommaText("x,y,x"), EStringListError);
    EXPECT_EQ(list.UpdateCount(), 0);
    // The list still reports single changes afterwards.
    changes = 0;
    list.Clear();
    list.Add("z");
    EXPECT_EQ(changes, 2);
}
