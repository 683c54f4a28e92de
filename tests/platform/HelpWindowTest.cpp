// The help window on the help file the build compiles: every context of the map opens its
// topic, links and pictures come from the file, and a damaged file is refused without harm.
#include "platform/ChmFile.h"
#include "platform/HelpWindow.h"
#include "platform/HtmlHelp.h"

#include <QDialog>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QFile>
#include <QTimer>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace {

const AnsiString HelpFile = QUILLMAR_HELP_FILE;

std::string ReadFile(const std::string &Path)
{
    std::ifstream in(Path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Context numbers the program's widgets use, from the map header of the help project.
std::map<uint32_t, std::string> DefinedContexts()
{
    std::map<uint32_t, std::string> r;
    std::istringstream in(ReadFile(std::string(QUILLMAR_SOURCE_DIR) + "/help/HelpContexts.h"));
    for (std::string define, name; in >> define;)
        if (define == "#define") {
            uint32_t number = 0;
            in >> name >> number;
            r[number] = name;
        }
    return r;
}

// Topic file -> name in the table of contents.
std::map<std::string, std::string> ContentsNames(const TChmFile &File)
{
    std::string hhc;
    EXPECT_TRUE(File.Read("/Quillmar.hhc", hhc));
    std::map<std::string, std::string> r;
    static const QRegularExpression entry(
        QStringLiteral("<param name=\"Name\" value=\"([^\"]*)\"><param name=\"Local\" value=\"([^\"]*)\">"));
    for (auto it = entry.globalMatch(QString::fromStdString(hhc)); it.hasNext();) {
        const auto m = it.next();
        r["/" + m.captured(2).toStdString()] = m.captured(1).toStdString();
    }
    return r;
}

} // namespace

TEST(HelpWindow, EveryMappedContextShowsItsTopic)
{
    TChmFile file(HelpFile);
    ASSERT_TRUE(file.IsOpen()) << HelpFile;
    EXPECT_EQ(file.Title(), "Quillmar Help");
    EXPECT_EQ(file.DefaultTopic(), "/contents.htm");

    const std::map<uint32_t, std::string> defined = DefinedContexts();
    ASSERT_GE(defined.size(), 10u);
    ASSERT_TRUE(defined.count(1000));
    std::set<uint32_t> mapped;
    for (const auto &entry : file.ContextMap())
        mapped.insert(entry.first);
    std::set<uint32_t> wanted;
    for (const auto &entry : defined)
        wanted.insert(entry.first);
    EXPECT_EQ(mapped, wanted);

    const std::map<std::string, std::string> names = ContentsNames(file);
    THelpWindow window;
    ASSERT_TRUE(window.OpenFile(QString::fromStdString(HelpFile)));
    std::set<std::string> topics;
    for (const auto &[context, macro] : defined) {
        SCOPED_TRACE(macro);
        const AnsiString topic = file.TopicOfContext(context);
        ASSERT_FALSE(topic.empty());
        topics.insert(topic);
        ASSERT_TRUE(window.ShowContext(context));
        EXPECT_EQ(window.CurrentTopic().toStdString(), topic);
        ASSERT_TRUE(names.count(topic));
        EXPECT_EQ(window.TopicTitle().toStdString(), names.at(topic));
        EXPECT_FALSE(window.Browser()->toPlainText().isEmpty());
    }
    EXPECT_EQ(topics.size(), defined.size()); // one topic per context
    EXPECT_EQ(names.size(), defined.size()); // and each in the table of contents
    EXPECT_FALSE(window.ShowContext(999999));
    // An unmapped number leaves the topic shown.
    EXPECT_EQ(window.CurrentTopic().toStdString(), file.TopicOfContext(defined.rbegin()->first));
}

// Every link and picture of every topic is in the file, and the browser reads them from it.
TEST(HelpWindow, LinksAndPicturesComeFromTheFile)
{
    TChmFile file(HelpFile);
    ASSERT_TRUE(file.IsOpen());
    THelpWindow window;
    ASSERT_TRUE(window.OpenFile(QString::fromStdString(HelpFile)));
    static const QRegularExpression ref(QStringLiteral("(?:href|src)=\"([^\"#:]+)\""));
    int links = 0;
    for (const auto &[context, topic] : file.ContextMap()) {
        const AnsiString object = file.ResolveTopic(topic);
        std::string html;
        ASSERT_TRUE(file.Read(object, html));
        for (auto it = ref.globalMatch(QString::fromStdString(html)); it.hasNext(); ++links) {
            const QString target = it.next().captured(1);
            const QUrl url = QUrl(QStringLiteral("chm:") + QString::fromStdString(object)).resolved(QUrl(target));
            EXPECT_TRUE(file.Exists(url.path().toStdString())) << object << " -> " << target.toStdString();
        }
    }
    EXPECT_GT(links, 40);

    ASSERT_TRUE(window.ShowContext(1000));
    const QVariant picture =
        window.Browser()->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("chm:/images/quillmar.png")));
    const QImage image = QImage::fromData(picture.toByteArray());
    EXPECT_EQ(image.size(), QSize(48, 48));
    EXPECT_TRUE(window.Browser()->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("chm:/none.png")))
                    .isNull());
    // Following a link shows its topic; Back returns.
    window.Browser()->setSource(QUrl(QStringLiteral("find.htm")));
    EXPECT_EQ(window.TopicTitle(), QStringLiteral("Find or replace text"));
    window.Browser()->backward();
    EXPECT_EQ(window.TopicTitle(), QStringLiteral("Contents and overview"));
    EXPECT_TRUE(window.windowTitle().endsWith(QStringLiteral("Quillmar Help")));
}

namespace {

// The middle of the first link to Href in the browser's viewport; (-1, -1) when there is none.
QPoint LinkPoint(QTextBrowser &Browser, const QString &Href)
{
    for (QTextBlock b = Browser.document()->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().anchorHref() != Href)
                continue;
            QTextCursor c(Browser.document());
            c.setPosition(f.position() + f.length() / 2);
            return Browser.cursorRect(c).center();
        }
    return {-1, -1};
}

} // namespace

// Links inside the help file open in the help window, by mouse and by Tab and Enter; web links go
// to the browser, and links of other kinds do nothing.
TEST(HelpWindow, LinksOpenInTheWindowAndOnlyWebLinksGoOutside)
{
    THelpWindow window;
    ASSERT_TRUE(window.OpenFile(QString::fromStdString(HelpFile)));
    std::vector<QUrl> outside;
    THelpBrowser &browser = *window.Browser();
    browser.OnOpenExternal = [&](const QUrl &Url) { outside.push_back(Url); };
    window.show();
    ASSERT_TRUE(window.ShowContext(1000));

    const QPoint find = LinkPoint(browser, QStringLiteral("find.htm"));
    ASSERT_GE(find.x(), 0);
    QTest::mouseClick(browser.viewport(), Qt::LeftButton, {}, find);
    EXPECT_EQ(window.CurrentTopic(), QStringLiteral("/find.htm"));
    EXPECT_EQ(window.TopicTitle(), QStringLiteral("Find or replace text"));
    if (const char *dir = std::getenv("QUILLMAR_SCREENSHOT_DIR"))
        window.grab().save(QStringLiteral("%1/help-window.png").arg(QString::fromLocal8Bit(dir)));

    ASSERT_TRUE(window.ShowContext(1000));
    browser.setFocus();
    QTest::keyClick(&browser, Qt::Key_Tab);
    const QString href = browser.textCursor().charFormat().anchorHref();
    ASSERT_FALSE(href.isEmpty());
    QTest::keyClick(&browser, Qt::Key_Return);
    EXPECT_EQ(window.CurrentTopic(), QStringLiteral("/") + href);
    browser.backward();
    EXPECT_EQ(window.CurrentTopic(), QStringLiteral("/contents.htm"));
    EXPECT_TRUE(outside.empty());

    browser.setHtml(QStringLiteral("<p><a href=\"https://example.org/page\">web</a><br><br>"
                                   "<a href=\"mailto:someone@example.org\">mail</a><br><br>"
                                   "<a href=\"chm:/no-such-topic.htm\">none</a></p>"));
    for (const char *link : {"mailto:someone@example.org", "chm:/no-such-topic.htm", "https://example.org/page"}) {
        const QPoint at = LinkPoint(browser, QString::fromLatin1(link));
        ASSERT_GE(at.x(), 0) << link;
        QTest::mouseClick(browser.viewport(), Qt::LeftButton, {}, at);
    }
    ASSERT_EQ(outside.size(), 1u);
    EXPECT_EQ(outside[0], QUrl(QStringLiteral("https://example.org/page")));
    EXPECT_TRUE(browser.toPlainText().startsWith(QStringLiteral("web"))) << "no link led away";
}

// The help window as the program's viewer: a context request opens it, "close all" ends it;
// an unknown file or context shows nothing.
TEST(HelpWindow, ServesTheHelpRequests)
{
    InstallHelpWindow();
    ASSERT_TRUE(HHLibraryLoaded());
    const AnsiString url = HelpFile + ">main";
    EXPECT_NE(HtmlHelp(&url, HH_HELP_CONTEXT, 1050), 0u);
    THelpWindow *window = CurrentHelpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->TopicTitle(), QStringLiteral("Find or replace text"));
    EXPECT_EQ(HtmlHelp(&url, HH_HELP_CONTEXT, 4242), 0u);
    const AnsiString missing = "/nonexistent/Quillmar.chm";
    EXPECT_EQ(HtmlHelp(&missing, HH_HELP_CONTEXT, 1000), 0u);
    EXPECT_EQ(window->windowModality(), Qt::NonModal);

    // Asked from a modal dialog, help and dialog both take the user's keys while both are open
    // (keys go through the windows as the system delivers them, so a blocked window drops
    // them), and the help window stands whole on the screen although the dialog is in a corner.
    QDialog dialog;
    auto *edit = new QLineEdit(&dialog);
    const QRect screen = dialog.screen()->availableGeometry();
    dialog.setGeometry(screen.right() - 150, screen.bottom() - 100, 300, 200);
    QString shown, followed;
    bool helpModal = true, dialogTyped = false;
    QRect helpFrame;
    QTimer::singleShot(0, &dialog, [&] {
        edit->setFocus();
        HtmlHelp(&url, HH_HELP_CONTEXT, 1000);
        THelpWindow *help = CurrentHelpWindow();
        shown = help->TopicTitle();
        helpModal = help->isModal();
        helpFrame = help->frameGeometry();
        for (const char c : std::string("typed"))
            QTest::keyClick(dialog.windowHandle(), c);
        dialogTyped = edit->text() == QStringLiteral("typed");
        help->Browser()->setFocus();
        QTest::keyClick(help->windowHandle(), Qt::Key_Tab);
        QTest::keyClick(help->windowHandle(), Qt::Key_Return);
        followed = help->CurrentTopic();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(shown, QStringLiteral("Contents and overview"));
    EXPECT_FALSE(helpModal);
    EXPECT_TRUE(dialogTyped) << "the dialog is blocked by the help window";
    EXPECT_NE(followed, QStringLiteral("/contents.htm")) << "the help window is blocked by the dialog";
    EXPECT_TRUE(screen.contains(helpFrame)) << helpFrame.x() << "," << helpFrame.y() << " " << helpFrame.width()
                                            << "x" << helpFrame.height();
    // The dialog is done: the help window stays open as a window of its own.
    EXPECT_EQ(CurrentHelpWindow(), window);
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_TRUE(window->isVisible());
    HtmlHelp(&url, HH_HELP_CONTEXT, 1050);
    EXPECT_EQ(CurrentHelpWindow(), window);
    EXPECT_EQ(window->windowModality(), Qt::NonModal);
    EXPECT_TRUE(window->isVisible());

    HtmlHelp(nullptr, HH_CLOSE_ALL, 0);
    EXPECT_EQ(CurrentHelpWindow(), nullptr);
    SetHtmlHelpProc(nullptr);
}

// Cut or damaged copies of the help file: opened or refused, never read out of bounds.
TEST(HelpWindow, DamagedFilesAreHandled)
{
    const std::string good = ReadFile(HelpFile);
    ASSERT_GT(good.size(), 4000u);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("damaged.chm")).toStdString();
    auto tryFile = [&](const std::string &Bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << Bytes;
        TChmFile file(path);
        for (const auto &entry : file.ContextMap()) {
            std::string bytes;
            const AnsiString topic = file.TopicOfContext(entry.first);
            if (!topic.empty())
                file.Read(topic, bytes);
        }
        THelpWindow window;
        if (window.OpenFile(QString::fromStdString(path)))
            window.ShowContext(1000);
    };
    for (size_t cut : {size_t(0), size_t(3), size_t(90), size_t(600), good.size() / 2, good.size() - 1})
        tryFile(good.substr(0, cut));
    uint32_t seed = 12345;
    for (int round = 0; round < 40; ++round) {
        std::string bytes = good;
        for (int k = 0; k < 16; ++k) {
            seed = seed * 1103515245u + 12345u;
            bytes[(seed >> 8) % bytes.size()] = char(seed >> 24);
        }
        tryFile(bytes);
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "not a help file";
    EXPECT_FALSE(TChmFile(path).IsOpen());

    // Damage the help library would divide by zero on, or allocate gigabytes for, is refused.
    const size_t control = good.find("LZXC");
    const size_t reset = good.find(std::string("\x08\0\0\0\x28\0\0\0", 8));
    ASSERT_NE(control, std::string::npos);
    ASSERT_NE(reset, std::string::npos);
    ASSERT_GE(reset, 8u);
    struct Patch {
        const char *What;
        size_t At;
        std::string Bytes;
    };
    const Patch patches[] = {
        {"reset table zeroed", reset - 8, std::string(48, '\0')},
        {"compression version unknown", control + 4, std::string("\x02\0\0\x04", 4)},
        {"no compression window", control + 12, std::string(4, '\0')},
        {"window not a power of two", control + 12, std::string("\x03\0\0\0", 4)},
        {"no windows per reset", control + 16, std::string(4, '\0')},
        {"directory block of 2 GB", 0x78 + 0x10, std::string("\0\0\0\x80", 4)},
        {"directory beyond the file", 0x48, std::string("\0\0\0\0\x01\0\0\0", 8)},
    };
    for (const Patch &patch : patches) {
        SCOPED_TRACE(patch.What);
        std::string bytes = good;
        bytes.replace(patch.At, patch.Bytes.size(), patch.Bytes);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        EXPECT_FALSE(TChmFile(path).IsOpen());
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << good;
    EXPECT_TRUE(TChmFile(path).IsOpen()) << "the help file itself opens wherever it lies";

    // Only the help file this build compiled is opened: one byte more or one byte changed, which
    // the help library would read without complaint, is another file and is refused.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << good << '\0';
    EXPECT_FALSE(TChmFile(path).IsOpen());
    std::string changed = good;
    changed[good.size() - 1] = char(changed[good.size() - 1] ^ 1);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << changed;
    EXPECT_FALSE(TChmFile(path).IsOpen());
}
