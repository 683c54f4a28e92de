// The project file: its lines byte for byte, how counts and short or damaged files are read, and
// which list a file name goes to.
#include "shell/Project.h"

#include "platform/Exception.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>

namespace {

using Names = std::vector<AnsiString>;

TEST(ProjectFile, WritesCrLfLinesAndReadsThemBackByteForByte)
{
    QTemporaryDir dir;
    TProject p(nullptr, (dir.path() + QStringLiteral("/site.prj")).toStdString());
    // A new project is five lines.
    p.SaveToFile();
    QFile f(QString::fromStdString(p.FileName));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), "NotFrames\r\n0\r\n0\r\n0\r\n\r\n");
    f.close();

    p.Frameset = true;
    p.AddFile("/w/index.html");
    p.AddFile("/w/lib.js");
    p.AddFile("/w/main.js");
    p.AddFile("/w/caf\xc3\xa9 menu.css"); // a local 8-bit name with a blank
    p.AddFile("/w/README");
    p.JSParent = "/w/main.js";
    p.SaveToFile();
    const std::string expected = "Frames\r\n1\r\n/w/index.html\r\n2\r\n/w/lib.js\r\n/w/main.js\r\n"
                                 "2\r\n/w/caf\xc3\xa9 menu.css\r\n/w/README\r\n/w/main.js\r\n";
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), expected);
    f.close();

    TProject q(nullptr, p.FileName);
    EXPECT_EQ(q.LoadFromFile(), TProjectLoad::Complete);
    EXPECT_TRUE(q.Frameset);
    EXPECT_EQ(q.HTMLFiles, Names{"/w/index.html"});
    EXPECT_EQ(q.JavascriptFiles, (Names{"/w/lib.js", "/w/main.js"}));
    EXPECT_EQ(q.OtherFiles, (Names{"/w/caf\xc3\xa9 menu.css", "/w/README"}));
    EXPECT_EQ(q.JSParent, "/w/main.js");
    // Saved again under another name: the same bytes.
    q.FileName = (dir.path() + QStringLiteral("/copy.prj")).toStdString();
    q.SaveToFile();
    QFile g(QString::fromStdString(q.FileName));
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.readAll().toStdString(), expected);
    EXPECT_EQ(q.DisplayName(), "copy.prj");
}

TEST(ProjectFile, ParsesDamagedAndShortFiles)
{
    struct Case {
        const char *Label;
        std::string Bytes;
        bool Frameset;
        Names Html, Js, Other;
        AnsiString Parent;
        TProjectLoad Result;
    };
    const Case cases[] = {
        {"empty project", "NotFrames\r\n0\r\n0\r\n0\r\n\r\n", false, {}, {}, {}, "", TProjectLoad::Complete},
        {"lone LF and CR ends", "Frames\n1\na.htm\r0\n0\n\n", true, {"a.htm"}, {}, {}, "", TProjectLoad::Complete},
        {"last line without end",
         "Frames\r\n0\r\n1\r\nm.js\r\n0\r\nm.js",
         true,
         {},
         {"m.js"},
         {},
         "m.js",
         TProjectLoad::Complete},
        {"lower-case frames is no frameset",
         "frames\r\n0\r\n0\r\n0\r\n\r\n",
         false,
         {},
         {},
         {},
         "",
         TProjectLoad::Complete},
        {"digit then letters",
         "NotFrames\r\n1abc\r\np.html\r\n0\r\n0\r\n\r\n",
         false,
         {"p.html"},
         {},
         {},
         "",
         TProjectLoad::Complete},
        // A count of letters reads 0: the names that follow are taken for the next counts.
        {"letters as count",
         "NotFrames\r\nabc\r\n2\r\nx.js\r\ny.js\r\n0\r\nz.js\r\n",
         false,
         {},
         {"x.js", "y.js"},
         {},
         "z.js",
         TProjectLoad::Complete},
        {"hexadecimal and blanks",
         "NotFrames\r\n  $2\r\na.htm\r\nb.htm\r\n0x1\r\nc.js\r\n-3\r\n\r\n",
         false,
         {"a.htm", "b.htm"},
         {"c.js"},
         {},
         "",
         TProjectLoad::Complete},
        {"names kept as they stand, duplicates too",
         "NotFrames\r\n2\r\n A.htm\r\na.htm\r\n0\r\n0\r\n\r\n",
         false,
         {" A.htm", "a.htm"},
         {},
         {},
         "",
         TProjectLoad::Complete},
        {"empty file", "", false, {}, {}, {}, "", TProjectLoad::Truncated},
        {"ends after the counts", "NotFrames\r\n0\r\n0\r\n0\r\n", false, {}, {}, {}, "", TProjectLoad::Truncated},
        {"ends inside a list",
         "NotFrames\r\n3\r\na.htm\r\nb.htm",
         false,
         {"a.htm", "b.htm"},
         {},
         {},
         "",
         TProjectLoad::Truncated},
        {"huge count stops at the end",
         "NotFrames\r\n99999999999999999999\r\na.htm\r\n",
         false,
         {"a.htm"},
         {},
         {},
         "",
         TProjectLoad::Truncated},
        {"huge hex count",
         "NotFrames\r\n0\r\n$7FFFFFFF\r\nq.js\r\n",
         false,
         {},
         {"q.js"},
         {},
         "",
         TProjectLoad::Truncated},
    };
    for (const Case &c : cases) {
        TProject p(nullptr, "x.prj");
        p.HTMLFiles = {"stale.htm"}; // reading starts from empty lists
        EXPECT_EQ(p.Parse(c.Bytes), c.Result) << c.Label;
        EXPECT_EQ(p.Frameset, c.Frameset) << c.Label;
        EXPECT_EQ(p.HTMLFiles, c.Html) << c.Label;
        EXPECT_EQ(p.JavascriptFiles, c.Js) << c.Label;
        EXPECT_EQ(p.OtherFiles, c.Other) << c.Label;
        EXPECT_EQ(p.JSParent, c.Parent) << c.Label;
    }
}

TEST(ProjectFile, CountsReadAsTheIntegerReaderDoes)
{
    const struct {
        const char *Line;
        int Value;
    } cases[] = {
        {"0", 0},
        {"12", 12},
        {"  7", 7},
        {"+4", 4},
        {"-2", -2},
        {"3x", 3},
        {"", 0},
        {"abc", 0},
        {"$1F", 31},
        {"x10", 16},
        {"0x10", 16},
        {"0X1g", 1},
        {"\t5", 0},
        {"2147483647", INT_MAX},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ReadProjectCount(c.Line), c.Value) << '"' << c.Line << '"';
}

TEST(ProjectFile, FilesGoToTheListTheirExtensionSelects)
{
    TProject p(nullptr, "x.prj");
    for (const char *name : {"/s/a.HTML", "/s/b.htm", "/s/c.shtml", "/s/d.JS", "/s/e.jsp", "/s/noext", "/s/f.js.txt",
                             "/s/dir.htm/plain", "", "/s/A.html", "/s/D.js"})
        p.AddFile(name);
    // Names already in their list (also in other case) and empty names change nothing; a dot in a
    // folder name is no extension; ".shtml" does not hold ".htm".
    EXPECT_EQ(p.HTMLFiles, (Names{"/s/a.HTML", "/s/b.htm"}));
    EXPECT_EQ(p.JavascriptFiles, Names{"/s/d.JS"});
    EXPECT_EQ(p.OtherFiles, (Names{"/s/c.shtml", "/s/e.jsp", "/s/noext", "/s/f.js.txt", "/s/dir.htm/plain"}));

    p.RemoveHTMLFile("/S/B.HTM");
    p.RemoveJavascriptFile("/s/d.js");
    p.RemoveOtherFile("/s/missing");
    EXPECT_EQ(p.HTMLFiles, Names{"/s/a.HTML"});
    EXPECT_TRUE(p.JavascriptFiles.empty());
    EXPECT_EQ(p.OtherFiles.size(), 5u);
}

TEST(ProjectFile, UnreadableOrUnwritableFileRaises)
{
    QTemporaryDir dir;
    TProject p(nullptr, (dir.path() + QStringLiteral("/none.prj")).toStdString());
    EXPECT_THROW(p.LoadFromFile(), EFOpenError);
    p.FileName = (dir.path() + QStringLiteral("/no/such/folder/x.prj")).toStdString();
    EXPECT_THROW(p.SaveToFile(), EFCreateError);
}

} // namespace
