// Real libraries nobody here wrote must check without a crash, a hang or a false syntax error.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "CheckerTestUtil.h"
#include "checker/JSModel.h"

namespace {

std::string ReadFile(const std::string &Path)
{
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Library {
    const char *Path;
    bool NewerSyntax;     // uses syntax newer than the checker knows: only no crash and no hang count
    const char *Expected; // syntax errors the checker's own rules raise on this valid code
};

class LibraryCheck : public ::testing::TestWithParam<Library> {};

TEST_P(LibraryCheck, ChecksWithoutFalseSyntaxErrors)
{
    const Library lib = GetParam();
    if (!std::filesystem::exists(lib.Path)) GTEST_SKIP() << lib.Path << " not installed";
    CheckRun run;
    CheckOptions o;
    auto start = std::chrono::steady_clock::now();
    run.Piece(ReadFile(lib.Path), o);
    auto lines = run.Finish();
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(secs, 20.0);
    std::string errors;
    for (const auto &l : lines)
        if (l.find("Syntax error") != std::string::npos) errors += l + "\n";
    if (!lib.NewerSyntax) {
        EXPECT_EQ(errors, lib.Expected) << lib.Path;
    }
    EXPECT_GT(run.Lists.Functions.Count(), 0);
}

// underscore names the global functions isNaN and isFinite without calling them; the checker asks for
// "(" after those words unless the script declared a variable of that name.
const char *const kUnderscore = "(082) Syntax error on line 48, ( expected\n"
                                "(082) Syntax error on line 49, ( expected\n";

INSTANTIATE_TEST_SUITE_P(Debian, LibraryCheck,
                         ::testing::Values(Library{"/usr/share/javascript/prototype/prototype.js", false, ""},
                                           Library{"/usr/share/javascript/mootools/mootools.js", false, ""},
                                           Library{"/usr/share/javascript/mootools/mootools-core-nc.js", false, ""},
                                           Library{"/usr/share/javascript/mootools/mootools-more-nc.js", false, ""},
                                           Library{"/usr/share/javascript/underscore/underscore.js", false, kUnderscore},
                                           Library{"/usr/share/javascript/json/json2.js", false, ""},
                                           Library{"/usr/share/javascript/json/cycle.js", false, ""},
                                           Library{"/usr/share/javascript/jquery/jquery.js", true, ""},
                                           Library{"/usr/share/javascript/jquery/jquery.min.js", true, ""}));

} // namespace
