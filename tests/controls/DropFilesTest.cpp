#include "controls/DropFiles.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// root/a.txt, root/fifo (a pipe), and root/sub holding a hidden file, a nested folder, a
// link back to root (a loop), a pipe and a link to a.txt.
class DropTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        root = dir.path().toStdString();
        touch(root + "/a.txt");
        ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0600), 0);
        ASSERT_EQ(mkdir((root + "/sub").c_str(), 0700), 0);
        touch(root + "/sub/.hidden");
        touch(root + "/sub/b.js");
        ASSERT_EQ(mkdir((root + "/sub/deeper").c_str(), 0700), 0);
        touch(root + "/sub/deeper/c.htm");
        ASSERT_EQ(symlink(root.c_str(), (root + "/sub/loop").c_str()), 0);
        ASSERT_EQ(mkfifo((root + "/sub/pipe").c_str(), 0600), 0);
        ASSERT_EQ(symlink("../a.txt", (root + "/sub/zlink").c_str()), 0);
        form.setObjectName("frmMain");
    }

    static void touch(const std::string &path) { std::ofstream(path) << "x"; }

    QStringList drop() const
    {
        return {QString::fromStdString(root + "/sub"), QString::fromStdString(root + "/a.txt"),
                QString::fromStdString(root + "/fifo"), QString::fromStdString(root + "/missing")};
    }

    // Sends a drop of Paths to the form as the window system would.
    bool sendDrop(const QStringList &Paths, QPoint At)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &p : Paths)
            urls << (p.startsWith("http") ? QUrl(p) : QUrl::fromLocalFile(p));
        data.setUrls(urls);
        QDragEnterEvent enter(At, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        QDropEvent dropEvent(QPointF(At), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &dropEvent);
        return enter.isAccepted() && dropEvent.isAccepted();
    }

    std::vector<std::string> listed(const TQzFormDropFiles &c) const
    {
        std::vector<std::string> names;
        for (int i = 0; i < c.Count(); ++i)
            names.push_back(c.Files(i).substr(root.size() + 1));
        return names;
    }

    QTemporaryDir dir;
    std::string root;
    QWidget form;
};

} // namespace

TEST_F(DropTree, EachOptionSetListsItsNames)
{
    using V = std::vector<std::string>;
    const V all = {"sub",      "sub/.hidden", "sub/b.js", "sub/deeper", "sub/deeper/c.htm",
                   "sub/loop", "sub/zlink",   "a.txt"};
    const V expected[8] = {
        {}, // none
        {"sub"}, // folders
        {"a.txt"}, // files
        {"sub", "a.txt"}, // folders, files
        {}, // recurse only
        {"sub", "sub/deeper", "sub/loop"}, // folders, recurse
        {"sub/.hidden", "sub/b.js", "sub/deeper/c.htm", "sub/zlink", "a.txt"}, // files, recurse
        all,
    };
    auto *c = new TQzFormDropFiles(&form);
    EXPECT_EQ(c->Options(), (TQzDropFilesOptions{dfoIncFolders, dfoIncFiles}));
    EXPECT_TRUE(form.acceptDrops());
    std::vector<std::string> events;
    c->SetOnBeforeDrop([&](TQzFormDropFiles &s) {
        EXPECT_EQ(&s, c);
        events.push_back("before");
    });
    c->SetOnDropFiles([&](TQzFormDropFiles &s) { events.push_back("drop " + std::to_string(s.Count())); });

    for (uint8_t bits = 0; bits < 8; ++bits) {
        c->SetOptions(TQzDropFilesOptions::FromBits(bits));
        for (bool viaEvent : {false, true}) {
            events.clear();
            const QPoint at(10 + bits, 20 + viaEvent);
            const bool handled = viaEvent ? sendDrop(drop(), at) : c->DropPaths(drop(), at);
            EXPECT_TRUE(handled);
            EXPECT_EQ(listed(*c), expected[bits]) << "options " << int(bits) << (viaEvent ? " event" : " call");
            EXPECT_EQ(events, (V{"before", "drop " + std::to_string(expected[bits].size())}));
            EXPECT_EQ(c->DropPoint(), at);
            EXPECT_THROW(c->Files(c->Count()), EStringListError);
            EXPECT_THROW(c->Files(-1), EStringListError);
        }
    }

    // A folder given with its trailing '/' gets no second one.
    c->SetOptions({dfoIncFiles, dfoRecurseFolders});
    c->DropPaths({QString::fromStdString(root + "/sub/deeper/")}, {});
    EXPECT_EQ(listed(*c), V{"sub/deeper/c.htm"});
}

TEST_F(DropTree, OnlyLocalFilesAreOfferedAndListed)
{
    auto *c = new TQzFormDropFiles(&form);
    c->SetOptions({dfoIncFiles});
    int drops = 0;
    c->SetOnDropFiles([&](TQzFormDropFiles &) { ++drops; });

    EXPECT_FALSE(sendDrop({"http://example.org/page.htm"}, {1, 1}));
    EXPECT_EQ(drops, 0);
    EXPECT_TRUE(sendDrop({"http://example.org/page.htm", QString::fromStdString(root + "/a.txt")}, {1, 1}));
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(listed(*c), std::vector<std::string>{"a.txt"});
}

TEST_F(DropTree, DisabledComponentIgnoresDrops)
{
    auto *c = new TQzFormDropFiles(&form);
    int drops = 0;
    c->SetOnDropFiles([&](TQzFormDropFiles &) { ++drops; });
    c->DropPaths({QString::fromStdString(root + "/a.txt")}, {});
    ASSERT_EQ(drops, 1);

    c->SetEnabled(false);
    EXPECT_FALSE(form.acceptDrops());
    EXPECT_FALSE(c->DropPaths({QString::fromStdString(root + "/sub")}, {5, 5}));
    EXPECT_FALSE(sendDrop({QString::fromStdString(root + "/sub")}, {5, 5}));
    EXPECT_EQ(drops, 1);
    EXPECT_EQ(listed(*c), std::vector<std::string>{"a.txt"}); // the last drop's names stay

    c->SetEnabled(true);
    EXPECT_TRUE(form.acceptDrops());
    delete c; // the form's own setting comes back
    EXPECT_FALSE(form.acceptDrops());
    EXPECT_TRUE(form.children().isEmpty());
}

TEST_F(DropTree, HandlerFailureStaysInsideTheDrop)
{
    auto *c = new TQzFormDropFiles(&form);
    std::vector<std::string> errors;
    c->OnError = [&](const std::exception &e) { errors.push_back(e.what()); };
    bool fail = true;
    int drops = 0;
    c->SetOnDropFiles([&](TQzFormDropFiles &) {
        ++drops;
        if (fail)
            throw Exception("cannot open");
    });
    EXPECT_NO_THROW(sendDrop({QString::fromStdString(root + "/a.txt")}, {}));
    EXPECT_FALSE(c->DropPaths({QString::fromStdString(root + "/a.txt")}, {}));
    EXPECT_EQ(errors, (std::vector<std::string>{"cannot open", "cannot open"}));
    fail = false;
    EXPECT_TRUE(c->DropPaths({QString::fromStdString(root + "/a.txt")}, {}));
    EXPECT_EQ(drops, 3);
}

TEST(DropFiles, OwnerMustBeAFormWithoutAnotherComponent)
{
    QWidget form;
    form.setObjectName("frmMain");
    QWidget child(&form);

    try {
        new TQzFormDropFiles(nullptr);
        FAIL() << "no owner accepted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "TQzFormDropFiles owner must be a form");
    }
    try {
        new TQzFormDropFiles(&child);
        FAIL() << "child widget accepted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "TQzFormDropFiles owner must be a form");
    }

    auto *first = new TQzFormDropFiles(&form);
    first->setObjectName("QzFormDropFiles1");
    const auto before = form.children().size();
    try {
        new TQzFormDropFiles(&form);
        FAIL() << "second component accepted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message(), "Only one TQzFormDropFiles component is permitted on a form: QzFormDropFiles1 is "
                               "already present on frmMain");
    }
    EXPECT_EQ(form.children().size(), before);
    EXPECT_EQ(first->FormHandle(), &form);
}
