// Includes in a temporary site: script src and SVG embeds at any depth, missing files, server-side includes
// of ASP pages, http:// includes through the host, project files of a main script; findings name the right
// include and line, and the host is asked in order.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/checker/CheckerTestSupport.h"

using namespace checktest;
namespace fs = std::filesystem;

namespace {

class Site {
public:
    Site()
    {
        FRoot = fs::temp_directory_path() / ("quillmar-site-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(reinterpret_cast<uintptr_t>(this)));
        fs::create_directories(FRoot);
    }
    ~Site()
    {
        std::error_code ec;
        fs::remove_all(FRoot, ec);
    }
    std::string Write(const std::string &Rel, const std::string &Text)
    {
        const fs::path p = FRoot / Rel;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << Text;
        return fs::canonical(p).string();
    }
    std::string Path(const std::string &Rel) const { return (FRoot / Rel).lexically_normal().string(); }
    std::string Root() const { return fs::canonical(FRoot).string(); }

private:
    fs::path FRoot;
};

std::string Replace(std::string S, const std::string &From, const std::string &To)
{
    for (size_t p = S.find(From); p != std::string::npos; p = S.find(From, p + To.size()))
        S.replace(p, From.size(), To);
    return S;
}

TCheckOptions IncludeOptions(bool Open)
{
    TCheckOptions o;
    o.OpenIncludes = Open;
    o.SemiColon = true;
    return o;
}

} // namespace

TEST(Includes, ScriptSourcesResolveAgainstThePageFolder)
{
    Site site;
    site.Write("shared/lib.js", "function lib() {\n  return 1\n}\n");
    site.Write("sub/js/app.js", "var app = 1;\nfunction start() {\n  x = \n}\n");
    site.Write("sub/top.js", "var top1 = 1\n");
    site.Write("sub/pic.svg", "<svg>\n<script type=\"text/ecmascript\">\nvar inSvg = 1\n</script>\n</svg>\n");
    const std::string page =
        site.Write("sub/page.html", "<html>\n"
                                    "<script type=\"text/javascript\" src=\"js/app.js\"></script>\n"
                                    "<script type=\"text/javascript\" src=\"../shared/lib.js\"></script>\n"
                                    "<script type=\"text/javascript\" src=\"missing.js\"></script>\n"
                                    "<script type=\"text/javascript\" src=\"\\top.js\"></script>\n"
                                    "<script type=\"text/javascript\" src=\"js\\app.js\"></script>\n"
                                    "<script type=\"text/javascript\" src=\"//cdn.example/x.js\"></script>\n"
                                    "<script type=\"text/javascript\" src=\"http://example.test/remote.js\"></script>\n"
                                    "<embed src=\"pic.svg\" type=\"image/svg+xml\" />\n"
                                    "</html>\n");
    for (bool open : {true, false}) {
        TRun run;
        run.Host.Http["http://example.test/remote.js"] = {"var remote = 1", "remote()"};
        std::ifstream in(page);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string findings = Replace(run.Check(page, text, IncludeOptions(open)), site.Root(), "<site>");
        // Findings sort by their line within the page or include; duplicates of one file are each checked.
        const std::string app4 =
            "(139) Syntax error on line 4 of Include; <site>/sub/js/app.js, rhs of assignment(=) "
            "missing or invalid\n(013) Warning on line 4 of Include; <site>/sub/js/app.js, missing "
            "semicolon\n";
        EXPECT_EQ(
            findings,
            "(013) Warning on line 1 of Include; <site>/sub/top.js, missing semicolon\n" +
                std::string(
                    open ? "(013) Warning on line 1 of Include; http://example.test/remote.js, missing semicolon\n"
                         : "") +
                "(013) Warning on line 2 of Include; <site>/shared/lib.js, missing semicolon\n"
                "(014) Warning on line 2 of Include; <site>/sub/js/app.js, duplicate function - \"start\".  "
                "Browsers will use the last one without reporting any error!\n" +
                std::string(
                    open ? "(013) Warning on line 2 of Include; http://example.test/remote.js, missing semicolon\n"
                         : "") +
                "(013) Warning on line 3 of Include; <site>/sub/pic.svg, missing semicolon\n" + app4 +
                "(167) Syntax error on line 4, Include File '<site>/sub/missing.js' does not exist\n" + app4 +
                "(167) Hint on line 7, Include '//cdn.example/x.js' not followed, only local files and http:// "
                "includes (with includes opened) are checked\n" +
                std::string(open ? ""
                                 : "(167) Hint on line 8, Include 'http://example.test/remote.js' not followed, "
                                   "only local files and http:// includes (with includes opened) are checked\n") +
                "<timing>\n")
            << "open includes " << open;
        // Include N is entry N-1 of the list, duplicates included.
        std::vector<std::string> includes;
        for (int i = 0; i < run.Includes.Count(); ++i)
            includes.push_back(Replace(run.Includes[i], site.Root(), "<site>"));
        std::vector<std::string> expected = {"<site>/sub/js/app.js", "<site>/shared/lib.js", "<site>/sub/missing.js",
                                             "<site>/sub/top.js", "<site>/sub/js/app.js"};
        if (open)
            expected.push_back("http://example.test/remote.js");
        expected.push_back("<site>/sub/pic.svg");
        EXPECT_EQ(includes, expected);
        const std::vector<std::string> calls =
            open ? std::vector<std::string>{"OpenIncludeFile(js/app.js, 1)",
                                            "OpenIncludeFile(../shared/lib.js, 2)",
                                            "OpenIncludeFile(missing.js, 3)",
                                            "OpenIncludeFile(top.js, 4)",
                                            "OpenIncludeFile(js/app.js, 5)",
                                            "loadHttpIncl(http://example.test/remote.js, 7, 6, " + page + ")",
                                            "OpenIncludeFile(pic.svg, 8)"}
                 : std::vector<std::string>{};
        EXPECT_EQ(run.Host.Calls, calls);
    }
}

TEST(Includes, ServerSideIncludesOfAnASPPage)
{
    Site site;
    site.Write("inc/head.asp", "<%\nfunction helper(a) {\n  return a\n}\n%>\n");
    const std::string text = "<%@ LANGUAGE=\"JScript\" %>\n"
                             "<!-- #include file=\"inc/head.asp\" -->\n"
                             "<% var x = helper(1) %>\n"
                             "<!-- #include file=\"inc/gone.asp\" -->\n"
                             "<!-- #include file=\"inc/head.asp\" -->\n";
    const std::string page = site.Write("page.asp", text);
    TRun run;
    const std::string findings = Replace(run.Check(page, text, IncludeOptions(true)), site.Root(), "<site>");
    EXPECT_EQ(findings, "(013) Warning on line 3, missing semicolon\n"
                        "(013) Warning on line 3 of Include; <site>/inc/head.asp, missing semicolon\n"
                        "(167) Syntax error on line 4, Include File '<site>/inc/gone.asp' does not exist\n"
                        "<timing>\n");
    EXPECT_EQ(run.Host.Calls,
              (std::vector<std::string>{"OpenIncludeFile(inc/head.asp, 1)", "OpenIncludeFile(inc/gone.asp, 3)",
                                        "OpenIncludeFile(inc/head.asp, 4)"}));
    // The second include of the same file is not run again.
    ASSERT_EQ(run.ServerIncludes.Count(), 2);
    EXPECT_EQ(Replace(run.ServerIncludes[0], site.Root(), "<site>"), "<site>/inc/head.asp");
    // The second server include is include number 2: entry 1 of the include list names it.
    ASSERT_GE(run.Includes.Count(), 2);
    EXPECT_EQ(run.Includes[1], run.ServerIncludes[1]);
    EXPECT_NE(run.TreeDump().find("Include#2 inc/gone.asp [2] 3\n"), std::string::npos);
    EXPECT_NE(run.TreeDump().find("Include#1 inc/head.asp [2] 1\n"), std::string::npos);
    EXPECT_NE(run.TreeDump().find("Server-side inline [3] 2\n"), std::string::npos);
}

TEST(Includes, ServerCodeOnlyInAnIncludeFile)
{
    // Each finding of the page once, none of them put on the include, whose own code is checked.
    Site site;
    site.Write("inc.asp", "<% var a = 1; %>\n<% var b = ; %>\n");
    const std::string text = "<%@ LANGUAGE=\"JScript\" %>\n"
                             "<!-- #include file=\"inc.asp\" -->\n"
                             "<input onclick=\"undefinedFn()\">\n";
    const std::string page = site.Write("page.asp", text);
    TRun run;
    EXPECT_EQ(Replace(run.Check(page, text, IncludeOptions(true)), site.Root(), "<site>"),
              "(113) Syntax error on line 2 of Include; <site>/inc.asp, var initialiser expression fail\n"
              "(013) Warning on line 3, missing semicolon\n"
              "(180) Syntax error on line 3, function or method \"undefinedFn\" not found, (maybe constructor?)\n"
              "<timing>\n");
}

TEST(Includes, QueuedEmbedsRunAfterThePage)
{
    Site site;
    site.Write("pic.svg", "<svg>\n<script type=\"text/ecmascript\">\nvar inSvg = 1\n</script>\n</svg>\n");
    struct Case {
        const char *Page;
        const char *Findings;
    } cases[] = {
        // A missing embed is reported at its tag.
        {"<html>\n<embed src=\"gone.svg\" type=\"image/svg+xml\" />\n<p>\n",
         "(167) Syntax error on line 2, Include File '<site>/gone.svg' does not exist\n<timing>\n"},
        // The page's unclosed last section does not swallow the embed's lines.
        {"<embed src=\"pic.svg\" type=\"image/svg+xml\" />\n<p>\n<script type=\"text/javascript\" src=\"gone.js\">\n",
         "(167) Syntax error on line 3, Include File '<site>/gone.js' does not exist\n"
         "(042) Warning on line 3, </script> tag missing\n"
         "(013) Warning on line 3 of Include; <site>/pic.svg, missing semicolon\n<timing>\n"},
        // Nor does a comment the page leaves open.
        {"<embed src=\"pic.svg\" type=\"image/svg+xml\" />\n<p>\n<!-- never closed\n",
         "(044) Warning on line 3, HTML comment tag never closed with a \"-->\" tag\n"
         "(013) Warning on line 3 of Include; <site>/pic.svg, missing semicolon\n<timing>\n"},
    };
    for (const Case &c : cases) {
        for (bool open : {true, false}) {
            const std::string page = site.Write("page.html", c.Page);
            TRun run;
            TCheckOptions o = IncludeOptions(false);
            o.Embedsvg = open;
            EXPECT_EQ(Replace(run.Check(page, c.Page, o), site.Root(), "<site>"), c.Findings)
                << c.Page << "embeds opened " << open;
        }
    }
}

TEST(Includes, ProjectFilesOfTheMainScript)
{
    TRun run;
    run.Host.HasProject = true;
    run.Host.Project.JSParent = "/proj/main.js";
    run.Host.Project.JavascriptFiles = {"/proj/main.js", "/proj/a.js", "/proj/b.js"};
    run.Host.AddTab("/proj/a.js", "function fromA() {\n  return 1\n}\n");
    const std::string main = "var m = 1;\nfromA();\n";
    EXPECT_EQ(run.Check("/proj/main.js", main, IncludeOptions(true)),
              "(013) Warning on line 2 of Include; /proj/a.js, missing semicolon\n"
              "(034) Warning on line 2, Include File '/proj/b.js' not open in editor - disregarded!\n<timing>\n");
    EXPECT_EQ(run.Host.Calls, (std::vector<std::string>{"FileName2Tab(/proj/a.js)", "FileName2Tab(/proj/b.js)"}));
    EXPECT_EQ(run.TreeDump(), "Global variables [4] 0\n"
                              "  m [5] 0\n"
                              "Javascript functions [3] 0\n"
                              "Include#1 /proj/a.js [2] 2\n"
                              "  fromA() [7] i1:0\n");
    ASSERT_EQ(run.Includes.Count(), 1);
    EXPECT_EQ(run.Includes[0], "/proj/a.js");

    // Any other script of the project is checked alone, with an empty include list.
    run.Host.Calls.clear();
    EXPECT_EQ(run.Check("/proj/a.js", "var a = 1;\n", IncludeOptions(true)), "No errors detected\n<timing>\n");
    EXPECT_EQ(run.Includes.Count(), 0);
    EXPECT_TRUE(run.Host.Calls.empty());
}

TEST(Includes, EveryIncludeOfAPageIsNumbered)
{
    // Include numbers and lines are kept apart: a page's includes are numbered however many there are.
    std::string page;
    for (int i = 0; i < 2150; ++i)
        page += "<script type=\"text/javascript\" src=\"none" + std::to_string(i) + ".js\"></script>\n";
    TRun run;
    const std::string findings = run.Check("/nowhere/many.html", page, IncludeOptions(false));
    EXPECT_EQ(findings.find("too many includes"), std::string::npos);
    EXPECT_NE(findings.find("(167) Syntax error on line 2150, Include File '/nowhere/none2149.js' does not exist\n"),
              std::string::npos);
    EXPECT_EQ(run.Includes.Count(), 2150);
    EXPECT_EQ(run.Includes[2149], "/nowhere/none2149.js");
}

// An include of more than a million lines keeps its line numbers: a finding far down is neither shown nor
// sorted as a line near its top, and the tree and the cross-reference findings carry the same line. Script,
// embedded SVG and server includes are fed by different loops; each is tried.
TEST(Includes, LinesPastAMillionKeepTheirNumbers)
{
    std::string big = "\nvar a b;\n"; // line 2: two names without an operator
    big.append(999999, '\n');
    big += "var c d;\n"; // line 1,000,002
    big += "function far() { return 1; }\n"; // line 1,000,003
    Site site;
    site.Write("big.js", big);
    const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\">\n<script type=\"text/ecmascript\">\n" + big +
                            "</script>\n</svg>\n";
    site.Write("big.svg", svg);
    site.Write("big.asp", "<script language=\"JScript\" runat=\"server\">\n" + big + "</script>\n");
    struct Case {
        const char *Name;
        std::string Page;
        int Shift; // lines of the include before the script's first line
    } cases[] = {
        {"script src", "<script type=\"text/javascript\" src=\"big.js\"></script>\n", 0},
        {"svg embed", "<embed type=\"image/svg+xml\" src=\"big.svg\">\n", 2},
        {"server include", "<%@ LANGUAGE=\"JScript\" %>\n<!-- #include file=\"big.asp\" -->\n", 1},
    };
    for (const Case &c : cases) {
        const std::string page = site.Write(std::string("page-") + std::to_string(c.Shift) + ".asp", c.Page);
        TRun run;
        const std::string findings = Replace(run.Check(page, c.Page, IncludeOptions(false)), site.Root(), "<site>");
        const std::string file = c.Shift == 0 ? "big.js" : c.Shift == 2 ? "big.svg" : "big.asp";
        const auto at = [&](int Line) {
            return "(077) Syntax error on line " + std::to_string(Line + c.Shift) + " of Include; <site>/" + file +
                   ", missing symbol or operator between identifiers or literals (or space in identifier)\n";
        };
        EXPECT_NE(findings.find(at(2)), std::string::npos) << c.Name << "\n" << findings;
        EXPECT_NE(findings.find(at(1000002)), std::string::npos) << c.Name << "\n" << findings;
        // sorted by the line shown: the far finding comes after the near one
        EXPECT_LT(findings.find(at(2)), findings.find(at(1000002))) << c.Name;
        // each line has its two findings (77, and 115 for the rest of the declaration), none moved to another
        const auto count = [&](int Line) {
            const std::string what = "on line " + std::to_string(Line + c.Shift) + " of Include";
            int n = 0;
            for (size_t p = findings.find(what); p != std::string::npos; p = findings.find(what, p + 1))
                ++n;
            return n;
        };
        EXPECT_EQ(count(2), 2) << c.Name << "\n" << findings;
        EXPECT_EQ(count(1000002), 2) << c.Name << "\n" << findings;
        EXPECT_NE(run.TreeDump().find("far() [7] i1:" + std::to_string(1000002 + c.Shift) + "\n"), std::string::npos)
            << c.Name << "\n" << run.TreeDump();
    }
}
