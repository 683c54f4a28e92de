// Fuzz target for the script lexer and parser: any bytes, fed as lines or as a stream, with options
// taken from the first byte. Built with -DQUILLMAR_FUZZ=ON (clang, libFuzzer); never run by CI.
#include <cstddef>
#include <cstdint>
#include <string>

#include "checker/CheckerLists.h"
#include "checker/JSParser.h"
#include "platform/Classes.h"

namespace {

struct NullHost : IParserHost {
    AnsiString GetIncludeName(int) override { return "include"; }
    TNavNode AddFunctionNode(const AnsiString &, TCheckLine, TNavNode, int) override { return nullptr; }
    void AddVariableNode(const AnsiString &, TCheckLine, TNavNode, int) override {}
    void AddDynamicHTMLName(const AnsiString &, TCheckLine) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size == 0)
        return 0;
    const uint8_t flags = Data[0];
    const std::string text(reinterpret_cast<const char *>(Data + 1), Size - 1);
    TCheckerLists lists;
    NullHost host;
    TJSParser parser(lists, &host);
    TStringList items;
    parser.ClearSource();
    parser.ResetState();
    parser.ResetInlineTotals();
    parser.ResetCounts();
    parser.InitMessages(&items);
    for (int piece = 0; piece < 2; ++piece) {
        parser.ClearSource();
        const int32_t section = (flags & 0x40) ? (piece ? scInline : scInclude) : (piece ? 1 : scJSFile);
        if (section == scInclude)
            parser.SetIncludeStart(1 + (flags & 3));
        else
            parser.SetStartLine(1);
        if (flags & 0x80) {
            TMemoryStream stream;
            if (!text.empty())
                stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
            parser.LoadSourceFromStream(stream);
        } else {
            size_t start = 0;
            for (;;) {
                size_t nl = text.find('\n', start);
                parser.AddSourceLine(text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
                if (nl == std::string::npos)
                    break;
                start = nl + 1;
            }
        }
        parser.Parse(section, lists.Functions, flags & 1, flags & 2, flags & 4, flags & 8, flags & 16, flags & 32,
                     flags & 1, false, &items);
    }
    parser.AddSummary();
    parser.ShowMessages(&items);
    return 0;
}
