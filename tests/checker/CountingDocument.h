#pragma once
// A page whose lines count the characters a check reads from them: the work of a run, for tests
// that bound the work instead of timing it.
#include "tests/checker/CheckerTestSupport.h"

namespace checktest {

class TCountingLines final : public TWideStringList {
public:
    TWideLine Get(int Index) const override
    {
        const TWideLine s = TWideStringList::Get(Index);
        CharactersRead += int64_t(s.size()) + 1;
        return s;
    }
    mutable int64_t CharactersRead = 0;
};

class TCountingDocument final : public ICheckDocument {
public:
    TCountingDocument(const std::string &FileName, const std::string &Text) : FName(AnsiToWide(FileName))
    {
        FillLines(FLines, Text);
        FLines.CharactersRead = 0;
    }
    const TWideStrings &Lines() const override { return FLines; }
    WideString FileName() const override { return FName; }
    int64_t CharactersRead() const { return FLines.CharactersRead; }
    // Characters of the page as its lines hold them (each line with one break).
    int64_t Size() const
    {
        int64_t n = 0;
        for (int i = 0; i < FLines.Count(); ++i)
            n += int64_t(FLines[i].size()) + 1;
        FLines.CharactersRead -= n; // counting the size is no work of the run
        return n;
    }

private:
    TCountingLines FLines;
    WideString FName;
};

// Checks the page like TRun::Check and returns the findings; Doc counts what the run read.
inline std::string CheckCounting(TRun &Run, TCountingDocument &Doc, const std::string &FileName,
                                 const TCheckOptions &Options)
{
    Run.Host.DocumentPath = FileName;
    Run.Checker.CheckFile(Doc, &Run.Items, &Run.Tree, Options, &Run.Includes, &Run.ServerIncludes, FileName);
    return Findings(Run.Items);
}

} // namespace checktest
