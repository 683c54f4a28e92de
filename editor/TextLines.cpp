#include "editor/TextLines.h"
#include "text/WideStrings.h"
#include "text/WideTextCodec.h"

namespace TextLines {

std::vector<WideString> Split(const WideString &text)
{
    std::vector<WideString> pieces;
    size_t start = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        if (!IsLineBreakChar(text[i])) {
            ++i;
            continue;
        }
        pieces.emplace_back(text, start, i - start);
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        ++i;
        start = i;
    }
    pieces.emplace_back(text, start, n - start);
    return pieces;
}

std::vector<WideString> SplitLines(const WideString &text)
{
    std::vector<WideString> pieces = Split(text);
    if (pieces.size() > 1 && pieces.back().empty())
        pieces.pop_back();
    else if (pieces.size() == 1 && pieces[0].empty())
        pieces.clear();
    return pieces;
}

void InsertRange(TWideStrings &list, int index, const std::vector<WideString> &pieces, int from, int to)
{
    if (to <= from)
        return;
    if (to - from == 1) {
        list.Insert(index, pieces[static_cast<size_t>(from)]);
        return;
    }
    list.InsertStrings(index, std::vector<WideString>(pieces.begin() + from, pieces.begin() + to));
}

void DeleteRange(TWideStrings &list, int index, int count)
{
    if (count == 1)
        list.Delete(index);
    else if (count > 1)
        list.DeleteRange(index, count);
}

void Extent(const WideString &text, int &lines, int &lastLength)
{
    std::vector<WideString> pieces = Split(text);
    lines = static_cast<int>(pieces.size()) - 1;
    lastLength = static_cast<int>(pieces.back().size());
}
} // namespace TextLines
