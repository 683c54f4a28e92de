#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Classes.h"
#include "text/DeclaredCharset.h"
#include "text/WideStrings.h"

namespace {

TDeclaredCharset Declared(const std::string &head)
{
    return FindDeclaredCharset(reinterpret_cast<const uint8_t *>(head.data()), head.size());
}

std::string Saved(TWideStrings &list)
{
    TMemoryStream m;
    list.SaveToStream(m);
    return std::string(m.Bytes().begin(), m.Bytes().end());
}

void Load(TWideStrings &list, const std::string &bytes)
{
    TMemoryStream m;
    m.WriteBuffer(bytes.data(), int64_t(bytes.size()));
    m.SetPosition(0);
    list.LoadFromStream(m);
}

} // namespace

TEST(DeclaredCharset, FindsTheDeclarationAsBrowsersDo)
{
    const std::string farAway(1100, ' ');
    struct Case {
        const char *what;
        std::string head;
        TDeclaredCharset found;
    } cases[] = {
        {"meta charset", "<!DOCTYPE html><html><head><meta charset=\"utf-8\">", dcUtf8},
        {"upper case, single quotes, self-closing", "<HEAD><META CHARSET='UTF-8'/>", dcUtf8},
        {"unquoted with blanks around =", "<meta charset = utf8>", dcUtf8},
        {"http-equiv content type",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">", dcUtf8},
        {"content before http-equiv", "<meta content='text/html;charset=UTF-8' http-equiv='content-type'>", dcUtf8},
        {"xml declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html>", dcUtf8},
        {"xml declaration without encoding, then meta", "<?xml version=\"1.0\"?><meta charset=\"utf-8\">", dcUtf8},
        {"windows-1252", "<meta charset=\"windows-1252\">", dcOther},
        {"iso-8859-1 by http-equiv",
         "<meta http-equiv=\"content-type\" content=\"text/html; charset=ISO-8859-1\">", dcOther},
        {"xml latin-1", "<?xml version='1.0' encoding='ISO-8859-1'?>", dcOther},
        {"the first declaration counts", "<meta charset=\"iso-8859-1\"><meta charset=\"utf-8\">", dcOther},
        {"none", "<html><head><title>x</title></head>", dcNone},
        {"content without http-equiv", "<meta name=\"x\" content=\"charset=utf-8\">", dcNone},
        {"inside a comment", "<!-- <meta charset=\"utf-8\"> -->", dcNone},
        {"in another tag's attribute", "<a title='<meta charset=utf-8>'>", dcNone},
        {"not a meta element", "<metadata charset=\"utf-8\">", dcNone},
        {"beyond the first 1024 bytes", farAway + "<meta charset=\"utf-8\">", dcNone},
        {"cut off by the head's end", std::string(1004, ' ') + "<meta charset=\"utf-8\">", dcNone},
        {"empty", "", dcNone},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Declared(c.head), c.found) << c.what;
}

// A plain-ASCII page that names UTF-8 keeps UTF-8 when something beyond ASCII is typed into it;
// one that names a Latin code page, or nothing, stays Windows-1252. Unchanged, each is saved
// byte for byte.
TEST(DeclaredCharset, PlainAsciiPagesAreSavedInTheCharsetTheyName)
{
    struct Case {
        const char *what;
        std::string page;
        TTextEncoding encoding;
        std::string typed; // the bytes of the "é" typed into the first line
    } cases[] = {
        {"meta charset", "<html><head>\r\n<meta charset=\"utf-8\">\r\n", teUtf8, "\xC3\xA9"},
        {"http-equiv", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n", teUtf8,
         "\xC3\xA9"},
        {"xml declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<html/>\n", teUtf8, "\xC3\xA9"},
        {"windows-1252", "<meta charset=\"windows-1252\">\n", teAnsi, "\xE9"},
        {"iso-8859-1", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\n", teAnsi,
         "\xE9"},
        {"no declaration", "<html>\n", teAnsi, "\xE9"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TWideStringList list;
        Load(list, c.page);
        EXPECT_EQ(list.Encoding(), c.encoding);
        EXPECT_FALSE(list.ByteOrderMark());
        EXPECT_EQ(Saved(list), c.page);
        list.Put(0, WideString(list[0]) + u"\u00E9");
        const std::string out = Saved(list);
        const size_t lineEnd = c.page.find_first_of("\r\n");
        EXPECT_EQ(out, c.page.substr(0, lineEnd) + c.typed + c.page.substr(lineEnd));
    }
    // The bytes decide over the declaration: Windows-1252 bytes in a page that names UTF-8 are
    // read and written back as Windows-1252, not replaced.
    TWideStringList latin;
    Load(latin, "<meta charset=\"utf-8\">caf\xE9\n");
    EXPECT_EQ(latin.Encoding(), teAnsi);
    EXPECT_EQ(WideString(latin[0]), u"<meta charset=\"utf-8\">caf\u00E9");
    EXPECT_EQ(Saved(latin), "<meta charset=\"utf-8\">caf\xE9\n");
}
