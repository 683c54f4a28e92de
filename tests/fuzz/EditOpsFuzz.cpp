// libFuzzer target for the editor's edit operations: the input is read as an edit script
// (commands, typing, replacements including empty ones, drops between two editors, undo and
// redo). Undoing everything must give both original texts back exactly, redoing everything
// the texts at the head of their histories; no edit may split a surrogate pair, and the caret
// never stands inside a character.
#include "../editor/EditScript.h"
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size)
{
    if (Size < 2)
        return 0;
    // The first byte picks the options, the second the texts.
    TSyntaxEditOptions Options = DefaultSyntaxEditOptions;
    if (Data[0] & 1)
        Options &= ~eoScrollPastEOL;
    if (Data[0] & 2)
        Options &= ~eoGroupUndo;
    if (Data[0] & 4)
        Options |= eoKeepTrailingBlanks;
    if (Data[0] & 8)
        Options &= ~eoInserting;
    static const char16_t *const Texts[] = {
        u"",         u"alpha beta gamma", u"\ta\tb  \r\n  x;\r\n\r\n;a xx; x ;", u"a\U0001F600b\r\n\t\U0001F600\t",
        u"\r\n\r\n", u"ab  \r\n\tcd\t",
        // Lone halves, of a pair of two cells and of one of one cell, that edits may join.
        u"\xD83D\tx\r\n\xDE00;\xD800\r\n\xDC00 \xD83D"};
    const WideString Text = Texts[Data[1] % std::size(Texts)];
    const WideString Other = Texts[(Data[1] / 8) % std::size(Texts)];
    const std::vector<EditScript::Step> Steps = EditScript::Decode(Data + 2, Size - 2);
    const EditScript::Outcome Out = EditScript::Play(Text, Other, Options, Steps, Steps.size());
    if (!Out.Exact) {
        std::fprintf(stderr, "%s", Out.Report.c_str());
        std::abort();
    }
    return 0;
}
