#include "platform/StringList.h"

#include <gtest/gtest.h>

TEST(StringList, SortedAddAppliesDuplicatesRule)
{
    struct Case {
        TDuplicates dup;
        int expectedCount;
        bool throws;
    };
    for (const Case &c : {Case{dupIgnore, 3, false}, Case{dupAccept, 4, false}, Case{dupError, 3, true}}) {
        TStringList l;
        l.SetSorted(true);
        l.SetDuplicates(c.dup);
        l.Add("delta");
        l.Add("Alpha");
        l.Add("charlie");
        if (c.throws)
            EXPECT_THROW(l.Add("ALPHA"), EStringListError);
        else
            l.Add("ALPHA");
        EXPECT_EQ(l.Count(), c.expectedCount);
        EXPECT_EQ(l.CompareStrings(l[0], "alpha"), 0);
        EXPECT_EQ(l.IndexOf("CHARLIE"), l.Count() - 2);
        EXPECT_EQ(l[l.Count() - 1], "delta");
    }
}

TEST(StringList, FindAndIndexOfFollowCaseSetting)
{
    TStringList l;
    l.Add("Foo");
    l.Add("bar");
    EXPECT_EQ(l.IndexOf("FOO"), 0);
    l.SetCaseSensitive(true);
    EXPECT_EQ(l.IndexOf("FOO"), -1);
    EXPECT_EQ(l.IndexOf("Foo"), 0);

    TStringList s;
    s.SetSorted(true);
    for (const char *w : {"m", "c", "x", "a"})
        s.Add(w);
    int index = -1;
    EXPECT_TRUE(s.Find("x", index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(s.Find("d", index));
    EXPECT_EQ(index, 2); // insert point
    EXPECT_THROW(s.Insert(0, "z"), EStringListError);
}

TEST(StringList, TextSplitsEveryLineBreakAndEndsEachLine)
{
    TStringList l;
    l.SetText("one\r\ntwo\nthree\rfour\r\n\r\nsix");
    ASSERT_EQ(l.Count(), 6);
    EXPECT_EQ(l[3], "four");
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l.Text(), "one\r\ntwo\r\nthree\r\nfour\r\n\r\nsix\r\n");
}

TEST(StringList, CommaTextRoundTripsQuotesAndBlanks)
{
    TStringList l;
    for (const char *w : {"plain", "with blank", "quote\"d", "", "a,b"})
        l.Add(w);
    const AnsiString text = l.CommaText();
    EXPECT_EQ(text, "plain,\"with blank\",\"quote\"\"d\",\"\",\"a,b\"");
    TStringList back;
    back.SetCommaText(text);
    ASSERT_EQ(back.Count(), l.Count());
    for (int i = 0; i < l.Count(); ++i)
        EXPECT_EQ(back[i], l[i]);
}

TEST(StringList, ObjectsFollowTheirStringsAndBadIndexThrows)
{
    int a = 1, b = 2;
    TStringList l;
    l.AddObject("b", &b);
    l.AddObject("a", &a);
    l.Sort();
    EXPECT_EQ(l.Objects(0), &a);
    EXPECT_EQ(l.IndexOfObject(&b), 1);
    EXPECT_THROW(l.Get(2), EStringListError);
    EXPECT_THROW(l.Delete(-1), EStringListError);
}

TEST(StringList, ChangeEventsWaitForTheLastEndUpdate)
{
    TStringList l;
    int changes = 0;
    l.OnChange = [&](TStringList &) { ++changes; };
    l.BeginUpdate();
    l.Add("x");
    l.Add("y");
    EXPECT_EQ(changes, 0);
    l.EndUpdate();
    EXPECT_EQ(changes, 1);
    l.SetValue("key", "v");
    EXPECT_EQ(l.Values("KEY"), "v");
    EXPECT_EQ(changes, 2);
}
