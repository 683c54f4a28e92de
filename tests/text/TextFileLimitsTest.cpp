// Text files at the edges: line breaks that fall on the loader's block boundaries, files too large
// to open, memory running out while loading, and saves that fail on a full disk.
#include "Sanitizers.h"
#include "platform/AtomicSave.h"
#include "text/WideStrings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kBlock = 1 << 20; // the loader's block size, in bytes

std::vector<WideString> LinesOf(const TWideStrings &list)
{
    std::vector<WideString> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list[i]);
    return out;
}

// What the loader must give: the text split by SetTextStr, which sees it whole.
std::vector<WideString> Expected(const WideString &text)
{
    TWideStringList list;
    list.SetTextStr(text);
    return LinesOf(list);
}

std::string ReadFile(const std::string &path)
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

} // namespace

TEST(TextFileLimits, BreaksOnBlockBoundariesSplitAsInOnePiece)
{
    // A break placed just before, on and after the end of the first block, in both encodings.
    struct Case {
        const char *Name;
        size_t At; // byte offset of the break in the file (after any mark)
        WideString Break;
    };
    const Case cases[] = {
        {"CR LF split by the block end", kBlock - 1, u"\r\n"},
        {"CR LF just inside", kBlock - 2, u"\r\n"},
        {"lone CR at the block end", kBlock - 1, u"\r"},
        {"LF first in the second block", kBlock, u"\n"},
        {"CR CR LF across", kBlock - 2, u"\r\r\n"},
        {"line separator (no break) at the block end", kBlock - 1, u"\u2028"},
        {"break as the very last character", 3 * kBlock - 1, u"\r"},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        for (const bool unicode : {false, true}) {
            SCOPED_TRACE(std::string(c.Name) + (unicode ? " (UTF-16)" : " (ANSI)"));
            if (!unicode && c.Break == u"\u2028")
                continue; // Windows-1252 has no such character
            // Characters before the break so that it starts at byte c.At of the body.
            const size_t before = unicode ? c.At / 2 : c.At;
            WideString text(before, u'x');
            for (size_t i = 0; i < before; i += 1000)
                text[i] = u'a' + char16_t(i % 26);
            text += c.Break;
            if (c.At < 3 * kBlock - 1)
                text += WideString(kBlock / 3, u'y') + u"\r\nlast";
            std::string bytes;
            if (unicode) {
                bytes = "\xFF\xFE";
                for (WideChar ch : text) {
                    bytes += char(ch & 0xFF);
                    bytes += char(ch >> 8);
                }
            } else {
                bytes.assign(text.begin(), text.end());
            }
            const std::string path = dir.filePath("blocks.txt").toStdString();
            WriteFile(path, bytes);
            TWideStringList list;
            ASSERT_TRUE(list.LoadFromFile(path));
            EXPECT_TRUE(LinesOf(list) == Expected(text)) << list.Count() << " lines";
            EXPECT_EQ(list.SaveUnicode(), unicode);
        }
    }
}

TEST(TextFileLimits, FilesTooLargeAreRefusedWithTheListUnchanged)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("huge.txt").toStdString();
    // A sparse file of 3 GB: no disk space used, no memory needed to refuse it.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(3) << 30), 0);
    ::close(fd);

    TWideStringList list;
    list.Add(u"kept");
    try {
        list.LoadFromFile(path);
        ADD_FAILURE() << "a 3 GB file was opened";
    } catch (const ETextTooLarge &e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + path +
                                   "\". The file is too large to open (3072 MB; at most 1024 MB can be opened).");
    }
    EXPECT_EQ(LinesOf(list), std::vector<WideString>{u"kept"});
    EXPECT_EQ(list.UpdateCount(), 0);
}

// The sanitizers reserve far more address space than a tight limit leaves.
#if !QUILLMAR_ASAN && !QUILLMAR_TSAN
TEST(TextFileLimits, RunningOutOfMemoryWhileLoadingIsAnError)
{
    // A file below the size limit whose text needs more memory than the process may take: the load
    // reports it, frees what it took, and the program goes on.
    QTemporaryDir dir;
    const std::string path = dir.filePath("big.txt").toStdString();
    WriteFile(path, std::string(100u << 20, 'a') + "\r\nshort line");
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    ASSERT_GT(pages, 0);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &old), 0);
    rlimit tight = old;
    // 64 MB more than is mapped now: the 200 MB line cannot be made.
    tight.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(64) << 20);
    TWideStringList list;
    list.Add(u"old text");
    std::string message;
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &tight), 0);
    try {
        list.LoadFromFile(path);
    } catch (const EReadError &e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_AS, &old);
    EXPECT_EQ(message, "Cannot open file \"" + path + "\". There is not enough memory for its text.");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.UpdateCount(), 0);
    // With the memory back, the same file loads.
    ASSERT_TRUE(list.LoadFromFile(path));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list[1], u"short line");
}
#endif

TEST(TextFileLimits, FailedSavesNameTheFileAndTheReason)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("page.html").toStdString();
    const std::string original = "<p>old</p>\r\n";
    WriteFile(path, original);
    TWideStringList list;
    list.Add(u"<p>new</p>");

    struct Case {
        const char *Name;
        TAtomicSave::TStep Step;
        int Err;
    };
    const Case cases[] = {
        {"disk full", TAtomicSave::TStep::Write, ENOSPC},
        {"sync fails", TAtomicSave::TStep::Sync, EIO},
        {"folder refuses the new file", TAtomicSave::TStep::Create, EROFS},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.Name);
        TAtomicSave::SetFaultHook([&](TAtomicSave::TStep step, int64_t) { return step == c.Step ? c.Err : 0; });
        try {
            list.SaveToFile(path);
            ADD_FAILURE() << "saved";
        } catch (const EStreamError &e) {
            EXPECT_EQ(e.Message(), "Cannot save file \"" + path + "\". " + std::strerror(c.Err));
        }
        TAtomicSave::SetFaultHook(nullptr);
        EXPECT_FALSE(list.Saved());
        EXPECT_EQ(ReadFile(path), original);
    }

    // A read-only file is not replaced, whoever saves.
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    try {
        list.SaveToFile(path);
        ADD_FAILURE() << "replaced a read-only file";
    } catch (const EStreamError &e) {
        EXPECT_EQ(e.Message(), "Cannot save file \"" + path + "\". " + std::strerror(EACCES));
    }
    EXPECT_EQ(ReadFile(path), original);
}
