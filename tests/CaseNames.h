#pragma once
// Names for the cases of a parameterised test: the case's own words made into a name GoogleTest takes
// (letters and digits), the same in every build, so a failing case can be named and run on its own
// (ctest -R, --gtest_filter). GoogleTest itself refuses two cases of one suite with the same name.
#include <string>
#include <string_view>

// "escapes inside a name" -> "EscapesInsideAName", "jquery.min.js" -> "JqueryMinJs": each run of ASCII
// letters and digits starts with a capital; everything else only separates them.
inline std::string CaseNameOf(std::string_view Words)
{
    std::string name;
    bool wordStart = true;
    for (const char c : Words) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'), digit = c >= '0' && c <= '9';
        if (!letter && !digit) {
            wordStart = true;
            continue;
        }
        name += wordStart && c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
        wordStart = false;
    }
    return name;
}
