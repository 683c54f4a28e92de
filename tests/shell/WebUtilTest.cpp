// The web text encoders: the rules as tables, and cross-checks against tools nobody here wrote (node's
// encodeURIComponent and eval, Python's table of HTML entity names).
#include "platform/CodePage.h"
#include "shell/WebUtil.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <gtest/gtest.h>

#include <random>

namespace {

WideString W(const char *Utf8)
{
    const QString s = QString::fromUtf8(Utf8);
    return WideString(reinterpret_cast<const char16_t *>(s.utf16()), size_t(s.size()));
}

std::string U8(const WideString &S)
{
    return QString(reinterpret_cast<const QChar *>(S.data()), qsizetype(S.size())).toStdString();
}

// Runs a script with a tool and returns what it printed; empty when the tool is missing.
QByteArray RunTool(const QString &Tool, const QStringList &Args, const QByteArray &Input)
{
    if (QStandardPaths::findExecutable(Tool).isEmpty())
        return {};
    QProcess p;
    p.start(Tool, Args);
    p.write(Input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

} // namespace

TEST(WebUtil, EightBitRules)
{
    struct Case {
        AnsiString (*Convert)(const AnsiString &);
        AnsiString In, Out;
    };
    const Case cases[] = {
        {URLEncode, " +/", "%20%2B%2F"},
        {URLEncode, "Az09!'()*-._~", "Az09!'()*-._~"},
        {URLEncode, "\xE9", "%E9"},
        {URLDecode, "%41%62", "Ab"},
        {URLDecode, "%2f+x", "/+x"},
        {HTMLEncode, "   ", "&nbsp;&nbsp; "},
        {HTMLEncode, "a b", "a b"},
        {HTMLEncode, "\xE9\xA0", "&eacute;&nbsp;"},
        {HTMLEncode, "a\r\nb", "a<br>b"},
        {HTMLEncode, "a\nb\rc", "a\nb\rc"},
        {HTMLEncode, "<\"&'>\x80", "&lt;&quot;&amp;'&gt;\x80"},
        {EscapeJSString, "ab\r\ncd", "'ab\\r\\n' +\r\n'cd'"},
        {EscapeJSString, "'a\\b\"", "'\\'a\\\\b\\\"'"},
        {EscapeJSString, "a\r\n\r\nb", "'a\\r\\n' +\r\n'\\r\\n' +\r\n'b'"},
        {EscapeJSString, "a\x01", "'a\\u0001'"},
        {EscapeJSString, "", "''"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.Convert(c.In), c.Out) << c.In;
}

TEST(WebUtil, URLDecodeFailuresNameTheirCause)
{
    for (const char *bad : {"ab%4", "%", "x%2"})
        try {
            URLDecode(bad);
            ADD_FAILURE() << bad;
        } catch (const EURLDecode &e) {
            EXPECT_EQ(e.Message(), "Invalid URL-encoded string passed to URLDecode.") << bad;
        }
    try {
        URLDecode("%G1");
        ADD_FAILURE();
    } catch (const EURLDecode &e) {
        EXPECT_EQ(e.Message(), "Invalid HEX digits in string passed to URLDecode.");
    }
}

TEST(WebUtil, CharactersOutsideTheCodePageAreNeverLost)
{
    EXPECT_EQ(U8(HTMLEncodeWide(W("é € Ω 😀"))), "&eacute; € &#937; &#128512;");
    EXPECT_EQ(U8(HTMLEncodeWide(W("é"))), "&eacute;");
    EXPECT_EQ(U8(URLEncodeWide(W("é Ω😀"))), "%E9%20%CE%A9%F0%9F%98%80");
    EXPECT_EQ(U8(URLDecodeWide(W("%E9%20%CE%A9%F0%9F%98%80"))), "é Ω😀");
    EXPECT_EQ(U8(URLDecodeWide(W("Ω%41"))), "ΩA");
    EXPECT_EQ(U8(EscapeJSStringWide(W("Ω😀é"))), "'\\u03A9\\uD83D\\uDE00é'");
}

TEST(WebUtil, LongTextsEncodeInOnePass)
{
    // Blank runs and line breaks across a megabyte: the result is exact, whatever their number.
    AnsiString text;
    for (int i = 0; i < 100000; ++i)
        text += "a  \r\n";
    const AnsiString out = HTMLEncode(text);
    AnsiString expected;
    for (int i = 0; i < 100000; ++i)
        expected += "a&nbsp; <br>";
    EXPECT_EQ(out, expected);
}

TEST(WebUtil, EntityNamesAgreeWithPythonsTable)
{
    QByteArray names;
    for (int b = 160; b < 256; ++b)
        names += QByteArray(HTMLEntityName(static_cast<unsigned char>(b))) + '\n';
    const QByteArray python =
        RunTool(QStringLiteral("python3"),
                {QStringLiteral("-c"),
                 QStringLiteral("import html.entities as h\nfor c in range(160,256): print(h.codepoint2name[c])")},
                {});
    ASSERT_FALSE(python.isEmpty()) << "python3 is needed";
    EXPECT_EQ(names, python);
}

TEST(WebUtil, AgreesWithNodeOnRandomTexts)
{
    // Random texts of ASCII, Latin-1 and other characters, line breaks and quotes included: the URL
    // encoding equals encodeURIComponent where both use UTF-8 (characters outside the code page and
    // ASCII), and node's eval of the JavaScript literal gives back the text.
    std::mt19937 rng(7);
    const char16_t pool[] = {u'a',    u'Z',      u'0',     u' ',      u'\'', u'"', u'\\',    u'\r',   u'\n',
                             u'\t',   u'%',      u'+',     u'/',      u'~',  u'*', u'\x01',  u'\x1F', u'\x7F',
                             u'\xE9', u'\x20AC', u'\x3A9', u'\x2028', u'<',  u'&', u'\x4E2D'};
    std::vector<WideString> texts;
    for (int n = 0; n < 300; ++n) {
        WideString t;
        const int len = int(rng() % 24) + 1;
        for (int i = 0; i < len; ++i)
            t += pool[rng() % (sizeof(pool) / sizeof(pool[0]))];
        if (n % 7 == 0)
            t += u"\xD83D\xDE00";
        texts.push_back(t);
    }
    // One JSON array of pairs [input, literal]; node prints "ok" or the first mismatch.
    auto json = [](const WideString &s) {
        QString out = QStringLiteral("\"");
        for (char16_t c : s)
            out += QStringLiteral("\\u%1").arg(unsigned(c), 4, 16, QLatin1Char('0'));
        return out + QLatin1Char('"');
    };
    QString input = QStringLiteral("[");
    for (size_t i = 0; i < texts.size(); ++i) {
        WideString ascii; // the URL comparison skips Latin-1 characters, which the code page keeps as one byte
        for (char16_t c : texts[i])
            if (c < 0x80 || CodePage::WideCharToAnsi(c) < 0)
                ascii += c;
        input += QStringLiteral("%1[%2,%3,%4,%5]")
                     .arg(i ? QStringLiteral(",") : QString(), json(texts[i]), json(EscapeJSStringWide(texts[i])),
                          json(ascii), json(URLEncodeWide(ascii)));
    }
    input += QLatin1Char(']');
    const QByteArray out = RunTool(
        QStringLiteral("node"),
        {QStringLiteral("-e"),
         QStringLiteral("let s='';process.stdin.on('data',d=>s+=d).on('end',()=>{"
                        "for(const [t,lit,a,enc] of JSON.parse(s)){"
                        "if(eval(lit)!==t){console.log('eval '+JSON.stringify(t)+' '+JSON.stringify(lit));return;}"
                        "if(encodeURIComponent(a)!==enc){console.log('url '+JSON.stringify(a)+' '+enc);return;}}"
                        "console.log('ok');});")},
        input.toUtf8());
    ASSERT_FALSE(out.isEmpty()) << "node is needed";
    EXPECT_EQ(out.trimmed().toStdString(), "ok");
}
