#include "controls/FileFilter.h"

#include <gtest/gtest.h>

namespace {

// The filters the program's own dialogs use.
const AnsiString OpenFilter =
    "htm, html (*.htm, *.html)|*.htm; *.html|Javascript (*.js)|*.js|ASP (*.asp, *.aspx)|*.asp; *.aspx|"
    "PHP (*.php, *.php3, *.php4)|*.php; *.php3; *.php4|Flash ActiveScript *.as|*.as|"
    "ASP.NET VB (*.*.vb)|*.vb|ASP.NET C# (*.*.cs)|*.cs|CSS (*.css)|*.css|WSF (*.wsf)|*.wsf|"
    "SVG (*.svg)|*.svg|All files (*.*)|*.*";
const AnsiString SaveFilter = "HTML *.htm;*.html|*.htm;*.html;|Javascript *.js|*.js|ASP *.asp *.aspx|*.asp;*.aspx|"
                              "PHP *.php; *.php3; *.php4|*.php;*.php3;*.php4|Flash ActiveScript *.as|*.as|"
                              "ASP.NET VB *.*.vb|*.*.vb|ASP.NET C# *.*.cs|*.*.cs|CSS *.css|*.css|WSF (*.wsf)|*.wsf|"
                              "SVG (*.svg)|*.svg|All files *.*|*.*";
const AnsiString ProjectSaveFilter = "Projects *.prj|*.prj|All files *.*|*.*";
const AnsiString ProjectOpenFilter = "Projects .prj|*.prj|All files|*.*";
const AnsiString BrowserFilter = "Executable *.exe|*.exe|Any file *.*|*.*";

} // namespace

TEST(FileFilter, ExtensionOfEachProgramFilter)
{
    struct Case {
        const AnsiString *filter;
        int index;
        const char *defaultExt;
        const char *expected;
    };
    const Case cases[] = {
        {&OpenFilter, 1, "", ".htm"},    {&OpenFilter, 2, "", ".js"},         {&OpenFilter, 3, "", ".asp"},
        {&OpenFilter, 4, "", ".php"},    {&OpenFilter, 5, "", ".as"},         {&OpenFilter, 6, "", ".vb"},
        {&OpenFilter, 7, "", ".cs"},     {&OpenFilter, 8, "", ".css"},        {&OpenFilter, 9, "", ".wsf"},
        {&OpenFilter, 10, "", ".svg"},   {&OpenFilter, 11, "", ""},           {&OpenFilter, 11, "htm", ".htm"},
        {&OpenFilter, 0, "", ".htm"},    {&OpenFilter, 12, "", ""},           {&OpenFilter, 12, "js", ".js"},
        {&SaveFilter, 1, "", ".htm"},    {&SaveFilter, 2, "", ".js"},         {&SaveFilter, 3, "", ".asp"},
        {&SaveFilter, 4, "", ".php"},    {&SaveFilter, 5, "", ".as"},         {&SaveFilter, 6, "", ""},
        {&SaveFilter, 7, "", ""},        {&SaveFilter, 8, "", ".css"},        {&SaveFilter, 9, "", ".wsf"},
        {&SaveFilter, 10, "", ".svg"},   {&SaveFilter, 11, "", ""},           {&ProjectSaveFilter, 1, "", ".prj"},
        {&ProjectSaveFilter, 2, "", ""}, {&ProjectOpenFilter, 1, "", ".prj"}, {&ProjectOpenFilter, 2, "prj", ".prj"},
        {&BrowserFilter, 1, "", ".exe"}, {&BrowserFilter, 2, "", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FilterExtension(*c.filter, c.index, c.defaultExt), c.expected) << *c.filter << " index " << c.index;
}

TEST(FileFilter, ExtensionRulesOnOddFilters)
{
    struct Case {
        const char *filter;
        int index;
        const char *defaultExt;
        const char *expected;
    };
    const Case cases[] = {
        {"HTML|*.htm;*.html|Script|*.js", 2, "", ".js"},
        {"HTML|*.htm;*.html|Script|*.js", 1, "", ".htm"},
        {"Everything|*.*", 1, "htm", ".htm"},
        {"Everything|*.*", 1, ".htm", ".htm"},
        {"Long|*.html", 1, "", ""}, // over four characters
        {"Wild|*.h?m", 1, "", ""}, // wildcard inside
        {"Named|Makefile", 1, "", ""}, // no dot: nothing to follow
        {"Bare dot|*.", 1, "", ""},
        {"Description only", 1, "txt", ".txt"},
        {"", 1, "", ""},
        {"A|*.a|B", 2, "", ""}, // last description lacks its pattern
        {"A|*.a|B|*.b", -5, "", ".a"},
        {"Spaced| *.txt ; *.text", 1, "", ".txt"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FilterExtension(c.filter, c.index, c.defaultExt), c.expected) << c.filter << " index " << c.index;
}

TEST(FileFilter, FollowExtensionKeepsTheTypedName)
{
    struct Case {
        const char *name;
        const char *ext;
        const char *expected;
    };
    const Case cases[] = {
        {"page.txt", ".js", "page.js"},
        {"page", ".js", "page.js"},
        {"my.page.txt", ".htm", "my.page.htm"},
        {"sub.dir/page", ".css", "sub.dir/page.css"},
        {"/home/u/site/index.html", ".php", "/home/u/site/index.php"},
        {"page.txt", "", "page.txt"}, // a filter without extension leaves the name
        {"", ".js", ""},
        {"folder/", ".js", "folder/"},
        {"\"a.txt\" \"b.txt\"", ".js", "\"a.txt\" \"b.txt\""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FollowExtension(c.name, c.ext), c.expected) << c.name;
}

TEST(FileFilter, ParseSplitsPairsAndCleansPatterns)
{
    const auto items = ParseFileFilter(OpenFilter);
    ASSERT_EQ(items.size(), 11u);
    EXPECT_EQ(items[0].Description, "htm, html (*.htm, *.html)");
    EXPECT_EQ(items[0].Patterns, (std::vector<AnsiString>{"*.htm", "*.html"}));
    EXPECT_EQ(items[3].Patterns, (std::vector<AnsiString>{"*.php", "*.php3", "*.php4"}));
    EXPECT_EQ(items[10].Patterns, (std::vector<AnsiString>{"*.*"}));

    const auto save = ParseFileFilter(SaveFilter);
    ASSERT_EQ(save.size(), 11u);
    EXPECT_EQ(save[0].Patterns, (std::vector<AnsiString>{"*.htm", "*.html"})); // trailing ';'

    const auto odd = ParseFileFilter("Only a description");
    ASSERT_EQ(odd.size(), 1u);
    EXPECT_TRUE(odd[0].Patterns.empty());
    EXPECT_TRUE(ParseFileFilter("").empty());
}
