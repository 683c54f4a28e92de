// The help window on the help file the build compiles: every context of the map opens its
// topic, links and pictures come from the file, and a damaged file is refused without harm.
#include "platform/ChmFile.h"
#include "platform/HelpWindow.h"
#include "platform/HtmlHelp.h"

#include <QDialog>
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

    // Asked from a modal dialog, the help comes above the dialog so that it can be used; the
    // next request from the window itself shows it as a window of its own again.
    QDialog dialog;
    Qt::WindowModality fromDialog = Qt::NonModal;
    QString shown;
    QTimer::singleShot(0, &dialog, [&] {
        HtmlHelp(&url, HH_HELP_CONTEXT, 1000);
        fromDialog = CurrentHelpWindow()->windowModality();
        shown = CurrentHelpWindow()->TopicTitle();
        dialog.reject();
    });
    dialog.exec();
    EXPECT_EQ(fromDialog, Qt::ApplicationModal);
    EXPECT_EQ(shown, QStringLiteral("Contents and overview"));
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
    EXPECT_TRUE(TChmFile(path).IsOpen());
}
