#include "HighlighterTestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

std::vector<WideString> ReadLines(const char *Path)
{
    std::vector<WideString> lines;
    QFile f(QString::fromUtf8(Path));
    if (!f.open(QIODevice::ReadOnly))
        return lines;
    const WideString text = QString::fromUtf8(f.readAll()).toStdU16String();
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::vector<int32_t> CheckScanInvariants(TSyntaxHighlighter &H, const std::vector<WideString> &Lines, const char *What)
{
    std::vector<int32_t> ranges(Lines.size() + 1);
    H.ResetRange();
    ranges[0] = H.GetRange();
    H.SetRange(ranges[0]);
    int failures = 0;
    for (size_t i = 0; i < Lines.size() && failures < 5; ++i) {
        const WideString &line = Lines[i];
        H.SetLine(line, false);
        int at = 0;
        size_t count = 0;
        while (!H.GetEol()) {
            TTokenInfo info;
            H.GetTokenInfo(info);
            if (info.Start != at || info.Length <= 0 || info.Token != line.data() + info.Start ||
                ++count > line.size()) {
                ADD_FAILURE() << What << " line " << i + 1 << ": token " << info.Kind << " at " << info.Start
                              << " length " << info.Length << ", expected start " << at;
                ++failures;
                break;
            }
            at += info.Length;
            H.Next();
        }
        if (at != int(line.size()) && failures == 0) {
            ADD_FAILURE() << What << " line " << i + 1 << ": tokens end at " << at << " of " << line.size();
            ++failures;
        }
        ranges[i + 1] = H.GetRange();
    }
    for (size_t i = 0; i < Lines.size() && failures < 5; ++i) {
        H.SetRange(ranges[i]);
        H.SetLine(Lines[i], false);
        for (size_t guard = 0; !H.GetEol() && guard <= Lines[i].size() + 1; ++guard)
            H.Next();
        if (H.GetRange() != ranges[i + 1]) {
            ADD_FAILURE() << What << " line " << i + 1 << ": range " << H.GetRange() << " from a fresh start, "
                          << ranges[i + 1] << " when scanned in a row";
            ++failures;
        }
    }
    return ranges;
}
