// Saving never costs the old content: every way a save can fail leaves the file byte-identical and
// says which file and why; what the file is (mode, links, a link's target) survives a save.
#include "platform/AtomicSave.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string ReadSavedFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

void Save(const std::string &path, const std::string &bytes)
{
    TAtomicSave save(path);
    save.Stream().WriteBuffer(bytes.data(), int64_t(bytes.size()));
    save.Commit();
}

// The message of the exception a save throws, or "" when it succeeds.
std::string SaveError(const std::string &path, const std::string &bytes)
{
    try {
        Save(path, bytes);
    } catch (const EStreamError &e) {
        return e.Message();
    }
    return "";
}

std::string Expected(const std::string &path, int err)
{
    return "Cannot save file \"" + path + "\". " + std::strerror(err);
}

// A content of n bytes that differs from any other produced here.
std::string Content(size_t n, char seed)
{
    std::string s(n, seed);
    for (size_t i = 0; i < n; i += 97)
        s[i] = char(seed + 1 + i % 7);
    return s;
}

class AtomicSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        ASSERT_TRUE(Cache.isValid());
        // Backups of in-place saves go to a cache folder of the test's own.
        const char *old = std::getenv("XDG_CACHE_HOME");
        FOldCache = old ? old : "";
        FHadCache = old != nullptr;
        setenv("XDG_CACHE_HOME", Cache.path().toStdString().c_str(), 1);
    }
    void TearDown() override
    {
        TAtomicSave::SetFaultHook(nullptr);
        if (FHadCache)
            setenv("XDG_CACHE_HOME", FOldCache.c_str(), 1);
        else
            unsetenv("XDG_CACHE_HOME");
    }
    std::string Path(const std::string &name) const { return Dir.path().toStdString() + "/" + name; }
    // Names in the folder (hidden ones too): a failed save leaves no temporary file behind.
    QStringList Entries() const
    {
        return QDir(Dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
    }
    // Files left in the backup folder.
    int Backups() const { return int(QDir(Cache.path() + "/quillmar").entryList(QDir::Files | QDir::Hidden).size()); }

    QTemporaryDir Dir;
    QTemporaryDir Cache;

private:
    std::string FOldCache;
    bool FHadCache = false;
};

} // namespace

TEST_F(AtomicSaveTest, KeepsWhatTheFileIs)
{
    // Mode kept, file replaced by a rename.
    const std::string plain = Path("plain.txt");
    WriteFile(plain, "old");
    ASSERT_EQ(::chmod(plain.c_str(), 0640), 0);
    struct stat before {
    }, after{};
    ASSERT_EQ(::stat(plain.c_str(), &before), 0);
    Save(plain, "new");
    ASSERT_EQ(::stat(plain.c_str(), &after), 0);
    EXPECT_EQ(ReadSavedFile(plain), "new");
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_NE(after.st_ino, before.st_ino);

    // Hard links stay one file: written in place, every name sees the new text.
    const std::string first = Path("linked.txt"), second = Path("other-name.txt");
    WriteFile(first, Content(5000, 'a'));
    ASSERT_EQ(::link(first.c_str(), second.c_str()), 0);
    for (const std::string &text : {Content(9000, 'b'), Content(10, 'c'), std::string()}) {
        Save(first, text);
        EXPECT_TRUE(ReadSavedFile(second) == text);
        struct stat a {
        }, b{};
        ASSERT_EQ(::stat(first.c_str(), &a), 0);
        ASSERT_EQ(::stat(second.c_str(), &b), 0);
        EXPECT_EQ(a.st_ino, b.st_ino);
        EXPECT_EQ(a.st_nlink, 2u);
    }
    EXPECT_EQ(Backups(), 0);

    // A dangling symbolic link gets its target created; the link stays a link.
    const std::string link = Path("dangling.txt"), target = Path("created-target.txt");
    ASSERT_EQ(::symlink("created-target.txt", link.c_str()), 0);
    Save(link, "through the link");
    struct stat lst {};
    ASSERT_EQ(::lstat(link.c_str(), &lst), 0);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));
    EXPECT_EQ(ReadSavedFile(target), "through the link");

    // A name at the system's length limit: the temporary name must not overflow it.
    const std::string longName = Path(std::string(255, 'n'));
    WriteFile(longName, "old");
    Save(longName, "new");
    EXPECT_EQ(ReadSavedFile(longName), "new");
    Save(Path(std::string(254, 'm')), "fresh");
    EXPECT_EQ(ReadSavedFile(Path(std::string(254, 'm'))), "fresh");

    // Nothing but the files themselves is left in the folder.
    EXPECT_EQ(Entries().size(), 7);
}

TEST_F(AtomicSaveTest, RefusesWhatItMustNotReplace)
{
    const std::string readOnly = Path("read-only.txt");
    WriteFile(readOnly, "keep me");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    EXPECT_EQ(SaveError(readOnly, "replaced"), Expected(readOnly, EACCES));
    EXPECT_EQ(ReadSavedFile(readOnly), "keep me");

    // The same through a symbolic link, and through a hard link.
    const std::string link = Path("link-to-read-only.txt");
    ASSERT_EQ(::symlink(readOnly.c_str(), link.c_str()), 0);
    EXPECT_EQ(SaveError(link, "replaced"), Expected(link, EACCES));
    const std::string hard = Path("hard-read-only.txt");
    ASSERT_EQ(::link(readOnly.c_str(), hard.c_str()), 0);
    EXPECT_EQ(SaveError(hard, "replaced"), Expected(hard, EACCES));
    EXPECT_EQ(ReadSavedFile(readOnly), "keep me");

    EXPECT_EQ(SaveError(Dir.path().toStdString(), "x"), Expected(Dir.path().toStdString(), EISDIR));
    const std::string missing = Path("no/such/folder.txt");
    EXPECT_EQ(SaveError(missing, "x"), Expected(missing, ENOENT));
    EXPECT_EQ(Entries().size(), 3);
}

TEST_F(AtomicSaveTest, AnyFailedStepLeavesTheFileAsItWas)
{
    using S = TAtomicSave::TStep;
    const std::string original = Content(300000, 'o');
    const std::string bigger = Content(700000, 'n'), smaller = Content(1000, 's');
    struct Case {
        const char *Name;
        bool InPlace; // the folder refuses new files (a failed create), so the file is written in place
        S Step;
        int64_t FromOffset; // Write / Overwrite fail once this many bytes are done
        int Err;
        const std::string *Text;
    };
    const Case cases[] = {
        {"rename: full disk while writing", false, S::Write, 65536, ENOSPC, &bigger},
        {"rename: failed sync", false, S::Sync, 0, EIO, &bigger},
        {"rename: failed rename", false, S::Rename, 0, EXDEV, &smaller},
        {"in place: no room for the new size", true, S::Allocate, 0, ENOSPC, &bigger},
        {"in place: write fails half-way", true, S::Overwrite, 100000, EIO, &bigger},
        {"in place: write fails on a shorter text", true, S::Overwrite, 0, EIO, &smaller},
        {"in place: sync fails", true, S::Sync, 0, EIO, &smaller},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = Path("doc.txt");
        WriteFile(path, original);
        // An old stamp, which a file put back keeps (its editor would take a new one for a change).
        const struct timespec stamps[2] = {{1000, 0}, {2000, 123}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), stamps, 0), 0);
        TAtomicSave::SetFaultHook([&](S step, int64_t offset) {
            if (c.InPlace && step == S::Create)
                return EACCES;
            return step == c.Step && offset >= c.FromOffset ? c.Err : 0;
        });
        EXPECT_EQ(SaveError(path, *c.Text), Expected(path, c.Err));
        TAtomicSave::SetFaultHook(nullptr);
        EXPECT_TRUE(ReadSavedFile(path) == original) << "byte-identical";
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mtim.tv_sec, 2000);
        EXPECT_EQ(st.st_mtim.tv_nsec, 123);
        EXPECT_EQ(Entries(), QStringList{"doc.txt"});
        EXPECT_EQ(Backups(), 0);
    }

    // Without a place for the backup and without room allocated up front, an in-place save is refused.
    const std::string path = Path("doc.txt");
    TAtomicSave::SetFaultHook([](S step, int64_t) {
        return step == S::Create ? EACCES : step == S::Backup ? ENOSPC : step == S::Allocate ? EOPNOTSUPP : 0;
    });
    EXPECT_EQ(SaveError(path, bigger), Expected(path, ENOSPC));
    EXPECT_TRUE(ReadSavedFile(path) == original);
    // With the space allocated, it goes ahead without the backup.
    TAtomicSave::SetFaultHook([](S step, int64_t) {
        return step == S::Create ? EACCES : step == S::Backup ? ENOSPC : 0;
    });
    EXPECT_EQ(SaveError(path, bigger), "");
    EXPECT_TRUE(ReadSavedFile(path) == bigger);
}

TEST_F(AtomicSaveTest, AFullFileSystemLeavesTheFileAsItWas)
{
    // A small file system of our own, filled up; needs the right to mount (CI runs as root).
    const std::string mountPoint = Path("small");
    ASSERT_EQ(::mkdir(mountPoint.c_str(), 0700), 0);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=512k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct Unmount {
        std::string At;
        ~Unmount() { ::umount2(At.c_str(), MNT_DETACH); }
    } unmount{mountPoint};

    const std::string file = mountPoint + "/page.html", hard = mountPoint + "/page-link.html";
    const std::string original = Content(200000, 'p');
    WriteFile(file, original);
    // Fill what is left.
    {
        std::ofstream filler(mountPoint + "/filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush()) {
        }
    }
    const std::string bigger = Content(400000, 'q');
    EXPECT_EQ(SaveError(file, bigger), Expected(file, ENOSPC)) << "rename";
    EXPECT_TRUE(ReadSavedFile(file) == original);

    ASSERT_EQ(::link(file.c_str(), hard.c_str()), 0);
    EXPECT_EQ(SaveError(file, bigger), Expected(file, ENOSPC)) << "in place";
    EXPECT_TRUE(ReadSavedFile(file) == original);
    EXPECT_TRUE(ReadSavedFile(hard) == original);
    // A text that fits in the file's own blocks is written in place, full disk or not.
    const std::string shorter = Content(150000, 'r');
    EXPECT_EQ(SaveError(file, shorter), "");
    EXPECT_TRUE(ReadSavedFile(hard) == shorter);
    EXPECT_EQ(Backups(), 0);
}
