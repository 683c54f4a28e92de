// A settings file that holds only some sections or keys, or values we cannot read, on the real
// main window: what the window applies to the editor, the trees, the findings list and the
// highlighters, and what it draws there, must be readable text on the default colours.
#include "tests/shell/MainWindowSupport.h"

#include <QApplication>
#include <QImage>
#include <QPalette>

#include <gtest/gtest.h>

#include <map>

using namespace mwtest;

namespace {

// The shipped settings' colours (0x00BBGGRR) that a file without them must give.
constexpr TColor kSettingsColoursWhite = 0xFFFFFF;
constexpr TColor kSettingsColoursGutter = 15790320;
constexpr TColor kSettingsColoursMarked = 10092543;

// The colour most pixels of Area have, and whether any pixel there stands out from it clearly
// enough to be read (a text drawn in a colour of its own).
struct TSettingsColoursSeen {
    QColor Background;
    bool TextStandsOut = false;
};

TSettingsColoursSeen SettingsColoursLook(QWidget *Widget, const QRect &Area)
{
    const QImage image = Widget->grab().toImage();
    std::map<QRgb, int> counts;
    const QRect area = Area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y) & 0xFFFFFF];
    TSettingsColoursSeen seen;
    QRgb most = 0;
    int mostCount = -1;
    for (const auto &[rgb, n] : counts)
        if (n > mostCount) {
            most = rgb;
            mostCount = n;
        }
    seen.Background = QColor(most);
    for (const auto &[rgb, n] : counts) {
        const QColor c(rgb);
        if (std::abs(c.lightness() - seen.Background.lightness()) >= 100)
            seen.TextStandsOut = true;
    }
    return seen;
}

QColor SettingsColoursQColor(TColor C)
{
    return QColor(int(C & 0xFF), int((C >> 8) & 0xFF), int((C >> 16) & 0xFF));
}

struct TSettingsColoursCase {
    const char *Name;
    std::string File; // the settings file as a user might have written it
    TColor Editor, Tree, Errors; // the backgrounds the window must use
};

TEST(SettingsColours, MissingSectionsAndUnreadableValuesGiveReadableDefaultColours)
{
    const TColor white = kSettingsColoursWhite;
    const TSettingsColoursCase cases[] = {
        {"only [Update]", "[Update]\nVersionURL=http://mirror.example/version.txt\n", white, white, white},
        {"only [Window]", "[Window]\nLeft=20\nTop=20\nWidth=900\nHeight=700\nShowTOD=0\n", white, white, white},
        {"only [Parser]", "[Parser]\nECMA=1\nSemiColon=1\n", white, white, white},
        {"only [Editor]", "[Editor]\nTabSize=4\nXHTML=1\n", white, white, white},
        {"only [View]", "[View]\nBothHighlight=1\n", white, white, white},
        {"only [Javascript]", "[Javascript]\nKeywordsFG=255\n", white, white, white},
        {"only [HTML]", "[HTML]\nTagsFG=255\n", white, white, white},
        {"only [Reopen]", "[Reopen]\nRCount=0\n", white, white, white},
        {"only [StartOpenList]", "[StartOpenList]\nSCount=0\n", white, white, white},
        {"only [FTP]", "[FTP]\nHost=ftp.example.org\n", white, white, white},
        {"an empty file", "", white, white, white},
        {"[Colours] with one key", "[Colours]\nTreeView=14745599\n", white, 14745599, white},
        {"only [Colours], chosen by the user",
         "[Colours]\nEditBackground=13434879\nTreeView=14745599\nErrors=16775408\nGutter=12632256\nMarked=65535\n",
         13434879, 14745599, 16775408},
        {"unreadable colours",
         "[Colours]\nEditBackground=white\nTreeView=0x1FFFFFFF\nErrors=\nGutter=-7\nMarked=#FFFF00\n", white, white,
         white},
    };
    for (const TSettingsColoursCase &c : cases) {
        SCOPED_TRACE(c.Name);
        // An empty text makes the fixture write no file; the empty-file case writes one itself.
        TWindowFixture f(c.File.empty() ? std::string() : c.File);
        if (c.File.empty()) {
            WriteBytes(f.SettingsPath, "");
            f.Restart();
        }
        TfrmQuillmarMain &w = *f.Window;
        const TSettings &s = w.Settings;
        // Keys the file does not give keep the shipped colours; the highlighters get theirs.
        EXPECT_EQ(TColor(s.EditBackground), c.Editor);
        EXPECT_EQ(TColor(s.TreeView), c.Tree);
        EXPECT_EQ(TColor(s.Errors), c.Errors);
        if (c.File.find("Gutter=1") == std::string::npos) {
            EXPECT_EQ(TColor(s.Gutter), kSettingsColoursGutter);
        }
        if (c.File.find("Marked=6") == std::string::npos) {
            EXPECT_EQ(TColor(s.Marked), kSettingsColoursMarked);
        }
        if (c.File.find("[Javascript]") == std::string::npos) {
            EXPECT_EQ(w.JavaScriptHighlighter1().KeyAttributes().Foreground(), 8388608u);
            EXPECT_EQ(w.JavaScriptHighlighter1().KeyAttributes().Background(), white);
            EXPECT_EQ(w.JavaScriptHighlighter1().CommentAttributes().Foreground(), 32768u);
        }
        if (c.File.find("[HTML]") == std::string::npos) {
            EXPECT_EQ(w.HTMLHighlighter1().KeyAttributes().Foreground(), 8388608u);
            EXPECT_EQ(w.HTMLHighlighter1().KeyAttributes().Background(), white);
        }
        EXPECT_EQ(w.HTMLHighlighter1().IdentifierAttributes().Background(), c.Editor);

        // What the user sees: the window shown with a tab of text, the tree's first line and a
        // finding, each drawn on its background in a colour that stands out from it.
        w.resize(900, 700);
        w.show();
        w.FileNewActionExecute();
        TSyntaxEdit &e = *w.ActiveEditor();
        e.Lines().SetTextStr(u"var answer = 42; // the answer\r\nfunction ask() { return answer; }");
        EXPECT_EQ(e.Color(), c.Editor);
        EXPECT_EQ(e.GutterColor(), TColor(s.Gutter));
        w.ErrorList->Items().Add(AnsiString("Line 1: a finding the user must be able to read"));
        QApplication::processEvents();

        const int left = e.GutterRight() + 1;
        const TSettingsColoursSeen editor =
            SettingsColoursLook(&e, QRect(left, 0, e.width() - left - 20, e.LineHeight() * 2));
        EXPECT_EQ(editor.Background, SettingsColoursQColor(c.Editor));
        EXPECT_TRUE(editor.TextStandsOut) << "the editor's text";

        const TSettingsColoursSeen tree = SettingsColoursLook(w.NavTree, QRect(0, 0, w.NavTree->width() - 20, 40));
        EXPECT_EQ(tree.Background, SettingsColoursQColor(c.Tree));
        EXPECT_TRUE(tree.TextStandsOut) << "the tree's first line";
        for (QWidget *other : {static_cast<QWidget *>(w.TreeNTProjects), static_cast<QWidget *>(w.TreeNTFiles)}) {
            EXPECT_EQ(other->palette().color(QPalette::Base), SettingsColoursQColor(c.Tree));
        }

        const TSettingsColoursSeen errors =
            SettingsColoursLook(w.ErrorList, QRect(0, 0, w.ErrorList->width() - 20, 20));
        EXPECT_EQ(errors.Background, SettingsColoursQColor(c.Errors));
        EXPECT_TRUE(errors.TextStandsOut) << "the findings list's line";
    }
}

} // namespace
