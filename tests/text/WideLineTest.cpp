// A line handed out by a list answers every question as the string it stands for would.
#include <gtest/gtest.h>

#include <vector>

#include "text/WideStrings.h"

namespace {

TEST(WideLine, ReadsLikeItsString)
{
    const std::vector<WideString> texts = {WideString(), u"a", u"abcab", WideString(u"a\0b\0", 4), u"\U0001F600x"};
    const WideString probes[] = {WideString(), u"a", u"b", u"ab", WideString(u"\0", 1), u"zz"};
    TWideStringList list;
    for (const WideString &s : texts)
        list.Add(s);
    for (int i = 0; i < list.Count(); ++i) {
        const WideString &s = texts[size_t(i)];
        const TWideLine line = list[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(line.size(), s.size());
        EXPECT_EQ(line.empty(), s.empty());
        EXPECT_EQ(WideString(line.begin(), line.end()), s);
        EXPECT_EQ(line.c_str()[s.size()], 0);
        for (size_t k = 0; k < s.size(); ++k)
            EXPECT_EQ(line[k], s[k]);
        for (size_t pos : {size_t(0), size_t(1), s.size(), WideString::npos}) {
            if (pos <= s.size()) {
                EXPECT_EQ(line.substr(pos), s.substr(pos));
            }
            EXPECT_EQ(line.find(u'b', pos), s.find(u'b', pos));
            EXPECT_EQ(line.rfind(u'a', pos), s.rfind(u'a', pos));
        }
        if (!s.empty()) {
            EXPECT_EQ(line.substr(1, 2), s.substr(1, 2));
        }
        for (const WideString &p : probes) {
            EXPECT_EQ(line.find(p), s.find(p));
            EXPECT_EQ(line.rfind(p), s.rfind(p));
            EXPECT_EQ(line.find_first_of(p), s.find_first_of(p));
            EXPECT_EQ(line.find_last_not_of(p), s.find_last_not_of(p));
            EXPECT_EQ(line == p, s == p);
            EXPECT_EQ(p == line, p == s);
            EXPECT_EQ(line != p, s != p);
            EXPECT_EQ(line < p, s < p);
            EXPECT_EQ(p < line, p < s);
            EXPECT_EQ(line.compare(p) < 0, s.compare(p) < 0);
            EXPECT_EQ(line.starts_with(p), s.starts_with(p));
            EXPECT_EQ(line + p, s + p);
            EXPECT_EQ(p + line, p + s);
            EXPECT_EQ(line + p.c_str(), s + p.c_str());
        }
        EXPECT_EQ(line + u'!', s + u'!');
        EXPECT_EQ(u'!' + line, u'!' + s);
        // Wherever a WideString is wanted the line turns into a copy of its own.
        const WideString &copy = list[i];
        WideString assigned;
        assigned = list[i];
        assigned += list[i];
        EXPECT_EQ(copy, s);
        EXPECT_EQ(assigned, s + s);
    }
    EXPECT_TRUE(TWideLine().empty());
    EXPECT_EQ(TWideLine().c_str()[0], 0);
}

} // namespace
