// How a check meets the page's includes in the window: which options open them in tabs, a path
// that climbs above the top folder, and http:// includes on a computer without a way out.
#include "tests/shell/LocalWebSite.h"
#include "tests/net/NetworkStateSupport.h"

#include "checker/HTMLJSFileChecker.h"
#include "controls/TextListBox.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace mwtest;

namespace {

std::string FindingsText(TfrmQuillmarMain &W)
{
    std::string r;
    for (int i = 0; i < W.ErrorList->Items().Count(); ++i)
        r += W.ErrorList->Items().Strings(i) + "\n";
    return r;
}

std::vector<QString> TabCaptions(TfrmQuillmarMain &W)
{
    std::vector<QString> r;
    for (int i = 0; i < W.TabCount(); ++i)
        r.push_back(W.TabCaption(i));
    return r;
}

} // namespace

TEST(IncludeRoad, ScriptsOpenWithOpenIncludedFilesAndPicturesAlsoWithTheSvgOption)
{
    const struct {
        bool OpenIncludes, Embedsvg;
        std::vector<QString> Tabs;
    } cases[] = {
        {false, false, {"page.html"}},
        {false, true, {"page.html", "pic.svg"}},
        {true, false, {"page.html", "lib.js", "pic.svg"}},
        {true, true, {"page.html", "lib.js", "pic.svg"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "open included files " << c.OpenIncludes << ", svg " << c.Embedsvg);
        TWindowFixture f;
        f.Put(QStringLiteral("lib.js"), "function helper() {\r\n  return 1 +;\r\n}\r\n");
        f.Put(QStringLiteral("pic.svg"), "<svg>\r\n<script type=\"text/ecmascript\">\r\nvar inSvg = 1\r\n</script>\r\n"
                                         "</svg>\r\n");
        const QString page = f.Put(QStringLiteral("page.html"),
                                   "<html>\r\n<script type=\"text/javascript\" src=\"lib.js\"></script>\r\n"
                                   "<embed src=\"pic.svg\" type=\"image/svg+xml\" />\r\n</html>\r\n");
        TfrmQuillmarMain &w = *f.Window;
        w.Settings.OpenIncludes = c.OpenIncludes;
        w.Settings.Embedsvg = c.Embedsvg;
        w.OpenFile(W(page), false, false, WideString());
        w.CheckSyntaxActionExecute();
        EXPECT_EQ(TabCaptions(w), c.Tabs);
        // Opened or not, the included script is checked from its file.
        EXPECT_NE(FindingsText(w).find("on line 2 of Include; " + ToLocalPath(f.File(QStringLiteral("lib.js")))),
                  std::string::npos)
            << FindingsText(w);
        EXPECT_TRUE(f.PromptTexts().empty());
    }
}

TEST(IncludeRoad, APathAboveTheTopFolderIsWarnedAboutOnce)
{
    // Each ".." climbs one folder; a name of three dots is a folder's name like any other.
    const struct {
        const char *Src, *Resolved;
        bool AboveTop;
    } paths[] = {
        {"lib/a.js", "/site/pages/lib/a.js", false},
        {"../lib/a.js", "/site/lib/a.js", false},
        {"../../a.js", "/a.js", false},
        {"../../../a.js", "/a.js", true},
        {"x/../../../../a.js", "/a.js", true},
        {"./a.js", "/site/pages/a.js", false},
        {".../a.js", "/site/pages/.../a.js", false},
        {"v1.2/../a.js", "/site/pages/a.js", false},
        {"\\lib\\a.js", "/site/pages/lib/a.js", false},
    };
    for (const auto &p : paths) {
        bool above = !p.AboveTop;
        EXPECT_EQ(ResolveIncludePath(p.Src, "/site/pages/page.html", &above), p.Resolved) << p.Src;
        EXPECT_EQ(above, p.AboveTop) << p.Src;
    }

    TWindowFixture f;
    const int depth = int(QDir::cleanPath(f.Dir.path()).count(QLatin1Char('/')));
    std::string up;
    for (int i = 0; i <= depth; ++i)
        up += "../";
    const std::string src = up + "quillmar-no-such-file.js";
    const QString page = f.Put(QStringLiteral("page.html"), "<html>\r\n<script type=\"text/javascript\" src=\"" + src +
                                                                "\"></script>\r\n</html>\r\n");
    f.Window->Settings.OpenIncludes = true;
    f.Window->OpenFile(W(page), false, false, WideString());
    f.Window->CheckSyntaxActionExecute();
    ASSERT_EQ(f.Prompts->Asked().size(), 1u);
    EXPECT_EQ(f.PromptTexts()[0],
              "Insufficient levels in parent file path to make include \"" + src + "\" absolute on line 2");
    EXPECT_EQ(f.Prompts->Asked()[0].Kind, TMsgDlgType::mtWarning);
    EXPECT_NE(FindingsText(*f.Window).find("Include File '/quillmar-no-such-file.js' does not exist"),
              std::string::npos)
        << FindingsText(*f.Window);
}

TEST(IncludeRoad, WithoutInternetRemoteIncludesAreReportedAndLocalServersStillAsked)
{
    TWindowFixture f;
    TLocalWebSite site(f, {{QStringLiteral("lib.js"), "function helper(x) {\r\n  return x + ;\r\n}\r\n"}});
    ASSERT_TRUE(site.Ready());
    const std::string local = site.Base() + "/lib.js";
    const std::string remote = "http://www.quillmar.example/lib/remote.js";
    const QString page = f.Put(QStringLiteral("page.html"),
                               "<html>\r\n<script type=\"text/javascript\" src=\"" + remote +
                                   "\"></script>\r\n<script type=\"text/javascript\" src=\"" + local +
                                   "\"></script>\r\n</html>\r\n");
    TNetworkStateScope offline([] { return nettest::OfflineState(); }, nettest::FakeLookup);
    TfrmQuillmarMain &w = *f.Window;
    w.Settings.OpenIncludes = true;
    w.OpenFile(W(page), false, false, WideString());
    w.CheckSyntaxActionExecute();

    ASSERT_EQ(f.Prompts->Asked().size(), 1u);
    EXPECT_EQ(f.PromptTexts()[0], "You are not currently connected to the internet so " + remote +
                                      " can't be loaded, syntax check again when connected.");
    EXPECT_EQ(f.Prompts->Asked()[0].Buttons, mbOK); // nothing to dial here
    const std::string findings = FindingsText(w);
    EXPECT_NE(findings.find("(167) Syntax error on line 2, Include '" + remote +
                            "' not loaded, no internet connection, "),
              std::string::npos)
        << findings;
    // The server on this computer was asked: its script is checked and shown.
    EXPECT_NE(findings.find("on line 2 of Include; " + local), std::string::npos) << findings;
    EXPECT_EQ(TabCaptions(w), (std::vector<QString>{"page.html", "http:~ lib.js"}));
}
