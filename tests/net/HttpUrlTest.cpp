// URL splitting, Base64/uuencode, PosN and the request date text.
#include "net/HttpUrl.h"
#include <gtest/gtest.h>

TEST(HttpUrl, SplitUrlTable)
{
    const struct {
        const char *Url;
        const char *Base;
        const char *Proto, *User, *Password, *Host, *Port, *Path;
    } Cases[] = {
        {"www.example.org/dir/page.htm", "", "", "", "", "www.example.org", "", "/dir/page.htm"},
        {"http://user:pw@host:8080/x", "", "http", "user", "pw", "host", "8080", "/x"},
        {"http://user@host", "", "http", "user", "", "host", "", ""},
        {"http://host:81?q=1", "", "http", "", "", "host", "81", "?q=1"},
        {"ftp://a:b@c/d/e", "", "ftp", "a", "b", "c", "", "/d/e"},
        // The scheme matches in any case, and "//host" keeps its host.
        {"HTTP://host/x", "", "http", "", "", "host", "", "/x"},
        {"//host/x", "", "http", "", "", "host", "", "/x"},
        {"/dir/x.htm", "", "http", "", "", "", "", "/dir/x.htm"},
        {"../x.htm", "/a/b/c.htm", "", "", "", "", "", "/a/x.htm"},
        {"../../x.htm", "/a/b/c.htm", "", "", "", "", "", "/x.htm"},
        {"../../../x.htm", "/a/b/c.htm", "", "", "", "", "", "/x.htm"},
        {"./y.htm", "/a/b/c.htm", "", "", "", "", "", "/a/b/y.htm"},
        {"./y.htm", "nodir", "", "", "", "", "", "/y.htm"},
        {"mailto:someone@host", "", "mailto", "someone", "", "host", "", ""},
        {"http:/abc", "", "http", "", "", "", "", "/abc"},
        {"a b://host/x", "", "http", "", "", "a b", "", "//host/x"},
        {"", "/keep", "", "", "", "", "", ""},
        {"host:99", "", "", "", "", "host", "99", ""},
        {"u:p@h", "", "", "u", "p", "h", "", ""},
    };
    for (const auto &C : Cases) {
        AnsiString Proto = "?", User = "?", Password = "?", Host = "?", Port = "?", Path = C.Base;
        SplitUrl(C.Url, Proto, User, Password, Host, Port, Path);
        SCOPED_TRACE(C.Url);
        EXPECT_EQ(Proto, C.Proto);
        EXPECT_EQ(User, C.User);
        EXPECT_EQ(Password, C.Password);
        EXPECT_EQ(Host, C.Host);
        EXPECT_EQ(Port, C.Port);
        EXPECT_EQ(Path, C.Path);
    }
}

TEST(HttpUrl, EncodeTextBase64AndUuencode)
{
    const struct {
        int Encoding;
        std::string In, Out;
    } Cases[] = {
        {1, "abc", "YWJj"},
        {1, "a", "YQ=="},
        {2, "ab", "YWI="},
        {1, "", ""},
        {1, "user:", "dXNlcjo="},
        {1, std::string("\xff\xfe\x00", 3), "//4A"},
        {1, "Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
        {0, "Cat", "#0V%T"},
        {0, "a", "!80``"},
        {7, "abc", ""},
    };
    for (const auto &C : Cases)
        EXPECT_EQ(EncodeText(C.Encoding, C.In), C.Out) << C.In;
}

TEST(HttpUrl, PosNFromBothEnds)
{
    EXPECT_EQ(PosN("/", "/a/b/c", 1), 1);
    EXPECT_EQ(PosN("/", "/a/b/c", 3), 5);
    EXPECT_EQ(PosN("/", "/a/b/c", 4), 0);
    EXPECT_EQ(PosN("/", "/a/b/c", -1), 5);
    EXPECT_EQ(PosN("/", "/a/b/c", -3), 1);
    EXPECT_EQ(PosN("/", "/a/b/c", -4), 0);
    EXPECT_EQ(PosN("/", "/a/b/c", 0), 0);
    EXPECT_EQ(PosN("ab", "xabab", -1), 4);
    EXPECT_EQ(PosN("x", "", 1), 0);
}

TEST(HttpUrl, HttpDateTextAndUniversalTime)
{
    EXPECT_EQ(HttpDateText(EncodeDateTime(1900, 1, 1, 12, 0, 0)), "Mon, 01 Jan 1900 12:00:00");
    EXPECT_EQ(HttpDateText(EncodeDateTime(2024, 2, 29, 23, 59, 59)), "Thu, 29 Feb 2024 23:59:59");
    EXPECT_EQ(HttpDateText(EncodeDateTime(1999, 12, 31, 0, 0, 1)), "Fri, 31 Dec 1999 00:00:01");
    setenv("TZ", "CET-1", 1);
    tzset();
    EXPECT_EQ(HttpDateText(LocalTimeToUniversal(EncodeDateTime(2020, 1, 1, 0, 30, 0))), "Tue, 31 Dec 2019 23:30:00");
    unsetenv("TZ");
    tzset();
}
