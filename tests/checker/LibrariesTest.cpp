// Real libraries nobody here wrote must check without a crash, a hang or a false syntax error.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>

#include "CheckerTestUtil.h"
#include "tests/CaseNames.h"
#include "checker/JSModel.h"

namespace {

std::string ReadLibraryFile(const std::string &Path)
{
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Library {
    const char *Path;
    bool NewerSyntax; // uses syntax newer than the checker knows: only no crash and no hang count
    const char *Expected; // syntax errors the checker's own rules raise on this valid code
};

class LibraryCheck : public ::testing::TestWithParam<Library> {};

TEST_P(LibraryCheck, ChecksWithoutFalseSyntaxErrors)
{
    const Library lib = GetParam();
    if (!std::filesystem::exists(lib.Path))
        GTEST_SKIP() << lib.Path << " not installed";
    CheckRun run;
    CheckOptions o;
    // how long it takes is measured in bench/, not asserted here
    run.Piece(ReadLibraryFile(lib.Path), o);
    auto lines = run.Finish();
    std::string errors;
    for (const auto &l : lines)
        if (l.find("Syntax error") != std::string::npos)
            errors += l + "\n";
    if (!lib.NewerSyntax) {
        EXPECT_EQ(errors, lib.Expected) << lib.Path;
    }
    EXPECT_GT(run.Lists.Functions.Count(), 0);
    if (lib.NewerSyntax)
        return;

    // Every function declared by name is in the model with its parameters, as often as it is declared.
    std::map<std::string, std::vector<int>> model; // name -> parameter counts
    for (int i = 0; i < run.Lists.Functions.Count(); ++i)
        model[run.Lists.Functions[i]].push_back(run.Lists.Functions.At(i)->ParameterCount());
    const std::string source = ReadLibraryFile(lib.Path);
    static const std::regex declaration(R"(\bfunction\s+([A-Za-z_$][\w$]*)\s*\(([^)]*)\))");
    std::map<std::string, int> declared;

    for (auto it = std::sregex_iterator(source.begin(), source.end(), declaration); it != std::sregex_iterator();
         ++it) {
        // declarations only: what stands before them ends a statement; expressions and comments do not count
        const size_t at = static_cast<size_t>(it->position());
        const size_t lineStart = source.rfind('\n', at) == std::string::npos ? 0 : source.rfind('\n', at) + 1;
        if (source.substr(lineStart, at - lineStart).find("//") != std::string::npos)
            continue;
        const size_t before = at == 0 ? std::string::npos : source.find_last_not_of(" \t\r\n", at - 1);
        if (before != std::string::npos && std::string(";{}").find(source[before]) == std::string::npos)
            continue;
        const std::string name = (*it)[1];
        const std::string params = (*it)[2];
        int count = params.find_first_not_of(" \t") == std::string::npos
                        ? 0
                        : 1 + static_cast<int>(std::count(params.begin(), params.end(), ','));
        ++declared[name];
        auto found = model.find(name);
        ASSERT_NE(found, model.end()) << name;
        EXPECT_NE(std::find(found->second.begin(), found->second.end(), count), found->second.end()) << name;
    }
    for (const auto &[name, n] : declared)
        EXPECT_GE(static_cast<int>(model[name].size()), n) << name;
}

// underscore names the global functions isNaN and isFinite without calling them: ordinary names.
const char *const kUnderscore = "";

INSTANTIATE_TEST_SUITE_P(Debian, LibraryCheck,
                         ::testing::Values(Library{"/usr/share/javascript/prototype/prototype.js", false, ""},
                                           Library{"/usr/share/javascript/mootools/mootools.js", false, ""},
                                           Library{"/usr/share/javascript/mootools/mootools-core-nc.js", false, ""},
                                           Library{"/usr/share/javascript/mootools/mootools-more-nc.js", false, ""},
                                           Library{"/usr/share/javascript/underscore/underscore.js", false,
                                                   kUnderscore},
                                           Library{"/usr/share/javascript/json/json2.js", false, ""},
                                           Library{"/usr/share/javascript/json/cycle.js", false, ""},
                                           Library{"/usr/share/javascript/jquery/jquery.js", true, ""},
                                           Library{"/usr/share/javascript/jquery/jquery.min.js", true, ""}),
                         [](const ::testing::TestParamInfo<Library> &I) {
                             return CaseNameOf(std::filesystem::path(I.param.Path).filename().string());
                         });

} // namespace
