#pragma once
// Shared fixture of the checker tests: a recording parser host and a one-call script check.
#include <sstream>
#include <string>
#include <vector>

#include "checker/CheckerLists.h"
#include "checker/JSParser.h"
#include "checker/ParserHost.h"
#include "platform/StringList.h"

struct FakeParserHost : IParserHost {
    std::vector<std::string> Nodes; // "kind:name@line"
    std::vector<std::string> Includes{"lib.js", "two.js"};
    AnsiString GetIncludeName(int Index) override
    {
        return Index >= 0 && Index < static_cast<int>(Includes.size()) ? Includes[Index] : "unknown Include file";
    }
    TNavNode AddFunctionNode(const AnsiString &Name, TCheckLine Line, TNavNode, int Kind) override
    {
        Nodes.push_back(std::to_string(Kind) + ":" + Name + "@" + ToText(Line));
        return reinterpret_cast<TNavNode>(Nodes.size());
    }
    void AddVariableNode(const AnsiString &Name, TCheckLine Line, TNavNode, int Kind) override
    {
        Nodes.push_back(std::to_string(Kind) + ":" + Name + "@" + ToText(Line));
    }
    void AddDynamicHTMLName(const AnsiString &Name, TCheckLine Line) override
    {
        Nodes.push_back("18:" + Name + "@" + ToText(Line));
    }
};

struct CheckOptions {
    bool JSON = false, Deprecated = false, ECMA = false, SemiColon = true, RepeatDec = true, Summary = false,
         WarnNoVar = false, NoWarnings = false;
    int32_t SectionCode = scJSFile;
    TCheckLine StartLine = 1;
};

// One parser over its own lists, as the file checker drives it.
struct CheckRun {
    TCheckerLists Lists;
    FakeParserHost Host;
    TJSParser Parser{Lists, &Host};
    TStringList Items;

    CheckRun()
    {
        Parser.ClearSource();
        Parser.ResetState();
        Parser.ResetInlineTotals();
        Parser.ResetCounts();
        Parser.InitMessages(&Items);
    }

    void Piece(const std::string &Source, const CheckOptions &O = {})
    {
        Parser.ClearSource();
        Parser.SetStartLine(O.StartLine);
        std::istringstream in(Source);
        std::string line;
        while (std::getline(in, line))
            Parser.AddSourceLine(line);
        Parser.Parse(O.SectionCode, Lists.Functions, O.JSON, O.Deprecated, O.ECMA, O.SemiColon, O.RepeatDec, O.Summary,
                     O.WarnNoVar, O.NoWarnings, &Items);
    }

    std::vector<std::string> Finish()
    {
        Parser.AddSummary();
        Parser.ShowMessages(&Items);
        std::vector<std::string> out;
        for (int i = 0; i < Items.Count(); ++i)
            out.push_back(Items[i]);
        return out;
    }
};

// Checks one .js source and returns the findings lines.
inline std::vector<std::string> CheckScript(const std::string &Source, const CheckOptions &O = {})
{
    CheckRun run;
    run.Piece(Source, O);
    return run.Finish();
}

inline std::string Joined(const std::vector<std::string> &Lines)
{
    std::string s;
    for (const auto &l : Lines)
        s += l + "\n";
    return s;
}
