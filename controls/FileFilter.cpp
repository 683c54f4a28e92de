#include "controls/FileFilter.h"
#include "platform/SysUtils.h"

namespace {

// Removes everything up to and including the next '|'; false when there is none.
bool dropThroughBar(AnsiString &s)
{
    const size_t bar = s.find('|');
    if (bar == AnsiString::npos)
        return false;
    s.erase(0, bar + 1);
    return true;
}

AnsiString patternOf(const AnsiString &Filter, int FilterIndex)
{
    AnsiString s = Filter;
    for (int pair = 1; pair < FilterIndex; ++pair) {
        if (!dropThroughBar(s) || !dropThroughBar(s))
            return {};
    }
    if (!dropThroughBar(s)) // the description of the chosen entry
        return {};
    const size_t bar = s.find('|');
    return bar == AnsiString::npos ? s : s.substr(0, bar);
}

} // namespace

std::vector<TFileFilterItem> ParseFileFilter(const AnsiString &Filter)
{
    std::vector<TFileFilterItem> items;
    size_t pos = 0;
    while (pos < Filter.size()) {
        size_t bar = Filter.find('|', pos);
        TFileFilterItem item;
        item.Description = Filter.substr(pos, bar == AnsiString::npos ? AnsiString::npos : bar - pos);
        if (bar == AnsiString::npos) {
            items.push_back(std::move(item));
            break;
        }
        pos = bar + 1;
        bar = Filter.find('|', pos);
        const AnsiString patterns = Filter.substr(pos, bar == AnsiString::npos ? AnsiString::npos : bar - pos);
        size_t p = 0;
        while (p <= patterns.size()) {
            size_t semi = patterns.find(';', p);
            if (semi == AnsiString::npos)
                semi = patterns.size();
            AnsiString one = Trim(patterns.substr(p, semi - p));
            if (!one.empty())
                item.Patterns.push_back(std::move(one));
            p = semi + 1;
        }
        items.push_back(std::move(item));
        if (bar == AnsiString::npos)
            break;
        pos = bar + 1;
    }
    return items;
}

AnsiString FilterExtension(const AnsiString &Filter, int FilterIndex, const AnsiString &DefaultExt)
{
    AnsiString ext = patternOf(Filter, FilterIndex);
    // "*.htm;*.html" -> ".htm;*.html" -> ".htm"
    size_t start = 0;
    while (ext.size() - start >= 2 && ext[start] != '.')
        ++start;
    ext.erase(0, start);
    const size_t semi = ext.find(';');
    if (semi != AnsiString::npos)
        ext.erase(semi);
    ext = Trim(ext); // "*.txt ; *.text" means ".txt"
    // Only a short literal extension counts. Anything that does not start with a dot, or is
    // the dot alone, would glue stray characters onto the name, so it counts as none.
    if (ext.size() > 4 || ext.find_first_of("*?") != AnsiString::npos || ext.size() < 2 || ext[0] != '.')
        ext.clear();
    if (ext.empty() && !DefaultExt.empty())
        ext = DefaultExt[0] == '.' ? DefaultExt : "." + DefaultExt;
    return ext;
}

AnsiString FollowExtension(const AnsiString &Name, const AnsiString &Extension)
{
    if (Extension.empty() || Name.empty() || Name.back() == '/' || Name.front() == '"')
        return Name;
    return ChangeFileExt(Name, Extension);
}
