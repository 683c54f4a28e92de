// Random scripts of commands and direct operations: whatever they do, undoing everything gives
// the original text back and redoing everything gives the edited text again.
#include "EditScript.h"
#include "EditorTestUtil.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

// The lines with their trailing blanks cut: padding that typing or deleting in virtual space
// put at a line's end may stay after undo (the editor drops such blanks when the caret leaves).
std::string Trimmed(const TSyntaxEditCore &e)
{
    std::string out;
    for (int i = 0; i < e.LineCount(); ++i) {
        std::string line = U8(e.Lines().Get(i));
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        out += (i ? "|" : "") + line;
    }
    return out;
}

// One step: an editor command, or (Op >= 2000) an operation called directly.
struct Step {
    int Op;
    WideChar Ch;
    int X, Y;
};

enum { opComment = 2000, opUncomment, opReplaceAll, opSelText, opDropMove, opDropCopy, opLast };

std::string Name(const Step &s)
{
    static const char *names[] = {"(comment)",  "(uncomment)", "(replace all)",
                                  "(set text)", "(drop move)", "(drop copy)"};
    return s.Op >= opComment ? names[s.Op - opComment] : EditorCommandToText(s.Op);
}

void Apply(TSyntaxEditCore &e, const Step &s)
{
    switch (s.Op) {
    case opComment: e.CommentSelectedLines(); break;
    case opUncomment: e.UncommentSelectedLines(); break;
    case opReplaceAll: e.SearchReplace(u"a", u"xy", soReplaceAll | soEntireScope); break;
    case opSelText: e.SetSelText(u"p\r\nq"); break;
    case opDropMove:
    case opDropCopy:
        if (e.SelAvail() && e.DragAccept(&e, {s.X, s.Y}))
            e.DragDrop(&e, {s.X, s.Y}, s.Op == opDropCopy);
        break;
    default: e.RunEditorCommand(static_cast<TEditorCommand>(s.Op), s.Ch, nullptr); break;
    }
}

void Start(TSyntaxEditCore &e, const std::string &text, TSyntaxEditOptions options)
{
    e.SetOptions(options);
    e.SetMaxUndo(32767);
    Fill(e, text);
    e.Resize(200, 100);
}

// Replays steps[0..n) on a fresh editor; true when undo and redo of all of them are exact.
bool ReplayExact(const std::string &text, TSyntaxEditOptions options, const std::vector<Step> &steps, size_t n,
                 std::string *report)
{
    TSyntaxEditCore e;
    Start(e, text, options);
    const std::string original = Trimmed(e);
    const bool trace = report && std::getenv("EDITOR_REPLAY_TRACE");
    std::string inside;
    for (size_t k = 0; k < n; ++k) {
        Apply(e, steps[k]);
        if (inside.empty() && EditScript::CaretInsideCharacter(e))
            inside = " caret " + Pt(e.GetCaretXY()) + " inside a character after step " + std::to_string(k + 1);
        if (trace)
            std::printf("  %-18s [%s] caret %s sel %s-%s\n", Name(steps[k]).c_str(), Joined(e).c_str(),
                        Pt(e.GetCaretXY()).c_str(), Pt(e.BlockBegin()).c_str(), Pt(e.BlockEnd()).c_str());
    }
    if (trace)
        for (int r = 0; r < e.UndoList().Count(); ++r) {
            const TUndoRecord &u = e.UndoList().Item(r);
            std::printf("  rec %d kind %d before [%s] after [%s] cb %s bb %s be %s ca %s ba %s bea %s\n", r, u.Kind,
                        U8(u.BeforeText).c_str(), U8(u.AfterText).c_str(), Pt(u.CaretBefore).c_str(),
                        Pt(u.BlockBeginBefore).c_str(), Pt(u.BlockEndBefore).c_str(), Pt(u.CaretAfter).c_str(),
                        Pt(u.BlockBeginAfter).c_str(), Pt(u.BlockEndAfter).c_str());
        }
    const std::string edited = Trimmed(e);
    while (e.CanUndo())
        e.Undo();
    const std::string undone = Trimmed(e);
    while (e.CanRedo())
        e.Redo();
    const std::string redone = Trimmed(e);
    if (report)
        *report = "original [" + original + "] edited [" + edited + "] undone [" + undone + "] redone [" + redone +
                  "]" + inside;
    return undone == original && redone == edited && inside.empty();
}

TEST(EditorReplay, RandomScriptsUndoAndRedoExactly)
{
    // The random scripts' commands and characters (clear-all and pairs outside the basic plane included).
    const auto &commands = EditScript::Commands;
    const auto &chars = EditScript::Chars;
    const char *seedText = std::getenv("EDITOR_REPLAY_SEED");
    const char *roundsText = std::getenv("EDITOR_REPLAY_ROUNDS");
    std::mt19937 rng(seedText ? static_cast<unsigned>(std::atoi(seedText)) : 20261210u);
    const int rounds = roundsText ? std::atoi(roundsText) : 400;
    for (int round = 0; round < rounds; ++round) {
        TSyntaxEditOptions options = (DefaultSyntaxEditOptions | eoKeepTrailingBlanks) & ~eoGroupUndo;
        if (rng() % 2)
            options &= ~eoScrollPastEOL;
        std::string text;
        const int lines = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < lines; ++i) {
            text += i ? "|" : "";
            const int n = static_cast<int>(rng() % 12);
            for (int k = 0; k < n; ++k)
                text += "ab \tx;"[rng() % 6];
        }
        std::vector<Step> steps;
        bool overwrite = false;
        for (int i = 0; i < 40; ++i) {
            Step s{commands[rng() % std::size(commands)], chars[rng() % (std::size(chars) - 1)],
                   static_cast<int>(rng() % 12), static_cast<int>(rng() % 6)};
            if (rng() % 5 == 0)
                s.Op = opComment + static_cast<int>(rng() % (opLast - opComment));
            if (s.Op == ecToggleMode)
                overwrite = !overwrite;
            // An overwrite-mode Tab only moves the caret (and pads the line): no text record.
            if (s.Op == ecChar && s.Ch == u'\t' && overwrite)
                s.Ch = u'q';
            steps.push_back(s);
        }
        std::string report;
        if (ReplayExact(text, options, steps, steps.size(), &report))
            continue;
        // Find the first step that breaks the replay, for the message.
        size_t n = 1;
        while (n < steps.size() && ReplayExact(text, options, steps, n, nullptr))
            ++n;
        std::string script;
        for (size_t k = 0; k < n; ++k)
            script += Name(steps[k]) + (steps[k].Op == ecChar ? "'" + U8(WideString(1, steps[k].Ch)) + "' " : " ");
        ReplayExact(text, options, steps, n, &report);
        FAIL() << "round " << round << ", first failing step " << n << ": " << script << "\n" << report;
    }
}

// Random scripts on two editors with the default options (trailing blanks trimmed when the
// caret leaves a line), empty replacements, drops between the editors, undo and redo in
// between: undoing everything gives each original text exactly, and the caret never stands
// inside a character. The texts hold lone halves of surrogate pairs (of a character of two
// cells and of one of one cell), which edits may join into a pair or part again.
// EDITOR_REPLAY_SEED and EDITOR_REPLAY_ROUNDS run other scripts; each failing one is reported
// shortened, as a row for the table of known scripts below.
TEST(EditorReplay, RandomScriptsOnTwoEditorsUndoExactly)
{
    namespace ES = EditScript;
    const char *seedText = std::getenv("EDITOR_REPLAY_SEED");
    const char *roundsText = std::getenv("EDITOR_REPLAY_ROUNDS");
    std::mt19937 rng(seedText ? static_cast<unsigned>(std::atoi(seedText)) : 20261211u);
    const int rounds = roundsText ? std::atoi(roundsText) : 2000;
    auto randomText = [&rng]() {
        WideString text;
        const int lines = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < lines; ++i) {
            text += i ? u"\r\n" : u"";
            const int n = static_cast<int>(rng() % 12);
            for (int k = 0; k < n; ++k)
                text += u"ab \tx;\xD83D\xDE00\xD800\xDC00"[rng() % 10];
        }
        return text;
    };
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        TSyntaxEditOptions options = DefaultSyntaxEditOptions;
        if (rng() % 2)
            options &= ~eoScrollPastEOL;
        if (rng() % 2)
            options &= ~eoGroupUndo;
        const WideString text = randomText(), otherText = randomText();
        std::vector<ES::Step> steps;
        for (int i = 0; i < 40; ++i) {
            ES::Step s{ES::Commands[rng() % std::size(ES::Commands)], ES::Chars[rng() % (std::size(ES::Chars) - 1)],
                       static_cast<int>(rng() % 14), static_cast<int>(rng() % 7), static_cast<int>(rng() % 16)};
            if (rng() % 4 == 0)
                s.Op = ES::opFirst + static_cast<int>(rng() % (ES::opLast - ES::opFirst));
            steps.push_back(s);
        }
        if (ES::Play(text, otherText, options, steps, steps.size()).Exact)
            continue;
        // The failing script, shortened, as a row for the table of known scripts below.
        WideString shortText = text, shortOther = otherText;
        std::vector<ES::Step> shortSteps = steps;
        ES::Minimise(shortText, shortOther, options, shortSteps);
        std::string script;
        for (const ES::Step &s : shortSteps)
            script += ES::Name(s) + " ";
        const ES::Outcome out = ES::Play(shortText, shortOther, options, shortSteps, shortSteps.size(),
                                         std::getenv("EDITOR_REPLAY_TRACE") != nullptr);
        ADD_FAILURE() << "round " << round << " options " << std::hex << options << std::dec << ": " << script << "\n"
                      << ES::Row(shortText, shortOther, options, shortSteps) << "\n"
                      << out.Report;
        // A few failures tell enough; a long run goes on past the first for the others.
        if (++failures == 20)
            return;
    }
}

} // namespace
namespace {

// Scripts that once put text in the wrong place on undo or redo.
TEST(EditorReplay, KnownScriptsUndoAndRedoExactly)
{
    namespace ES = EditScript;
    using ES::Step;
    const TSyntaxEditOptions defaults = DefaultSyntaxEditOptions & ~eoGroupUndo;
    struct Case {
        const char *Name;
        WideString Text;
        TSyntaxEditOptions Options;
        std::vector<Step> Steps;
        WideString OtherText = u"x\r\n;;";
    } cases[] = {
        {"empty replacement, then the caret goes elsewhere",
         u"alpha beta gamma",
         defaults,
         {{ES::opMoveCaret, 0, 6, 0},
          {ES::opSelectTo, 0, 11, 0},
          {ES::opSelText, 0, 0, 0, 1},
          {ES::opJump, 0, 0, 0},
          {ES::opUndo},
          {ES::opRedo},
          {ES::opJump, 0, 3, 0}}},
        {"replace all by nothing",
         u"ab;;\r\na\tx",
         defaults,
         {{ES::opReplaceAll, 0, 0, 0, 1}, {ES::opJump, 0, 3, 1}, {ES::opUndo}}},
        {"drop from the other editor onto a column inside a tab",
         u"  bx\tb ;\tb",
         defaults,
         {{ES::opOtherSelect, 0, 0, 0, 2}, {ES::opDropFromOther, 0, 12, 0, 1}}},
        {"trailing blanks and a tab dropped when the caret leaves",
         u"a\r\nb",
         defaults,
         {{ES::opMoveCaret, 0, 1, 0}, {ecChar, u' '}, {ecChar, u'\t'}, {ecDown}, {ecLineEnd}, {ecChar, u' '}, {ecUp}}},
        {"line end drops trailing blanks", u"a \t\r\nb", defaults & ~eoScrollPastEOL, {{ecLineEnd}, {ecDown}}},
        {"typing past the line end", u"ab\r\nc", defaults, {{ES::opMoveCaret, 0, 6, 0}, {ecChar, u'x'}, {ecDown}}},
        {"deleting past the line end joins", u"ab\r\ncd", defaults, {{ES::opMoveCaret, 0, 5, 0}, {ecDeleteChar}}},
        {"selection from the line past the last, moved by dragging",
         u"\r\n \t\tb",
         defaults,
         {{ES::opSetBlock, 0, 6, 2, 2}, {ES::opDropMove, 0, 0, 0}}},
        {"selection from the line past the last, moved inside a tab",
         u"ab;;\r\n\tx",
         defaults,
         {{ES::opSetBlock, 0, 6, 3, 3}, {ES::opDropMove, 0, 13, 2}}},
        {"selection from the line past the last, replaced by nothing",
         u";\t\t bab;  x",
         defaults,
         {{ES::opSetBlock, 0, 4, 4, 1}, {ES::opSelText, 0, 0, 0, 1}, {ecChar, u'a'}}},
        {"selection to the line past the last, typed over",
         u"\t;x\r\nb b;\r\nbb\r\n\r\n;a xx; x ;",
         defaults,
         {{ES::opSetBlock, 0, 8, 6, 5}, {ecChar, u'q'}, {ecInsertLine}}},
        {"uncomment, clear all, two undos",
         u"//a\r\n//b",
         defaults,
         {{ecSelectAll}, {ES::opUncomment}, {ecClearAll}, {ES::opUndo}, {ES::opUndo}}},
        {"clear all of one empty line", u"\r\n;ax", defaults, {{ecEditorBottom}, {ecDeleteLine}, {ecClearAll}}},
        {"overwrite-mode tab past column 128",
         u"ab\r\ncd",
         defaults,
         {{ecToggleMode}, {ES::opMoveCaret, 0, 130, 0}, {ecChar, u'\t'}, {ecDown}}},
        {"selection past the line end pushed beyond column 128 by a smart tab, then typed over",
         u"x                               y\r\n" + WideString(120, u'c'),
         defaults,
         {{ES::opMoveCaret, 0, 120, 1},
          {ES::opSelectTo, 0, 121, 1},
          {ES::opJump, 0, 12, 1},
          {ecChar, u'\t'},
          {ecChar, u'z'}}},
        {"selection from past column 128 left there by trimmed blanks, then moved by dragging",
         u"\ta\tb\r\n  x;\r\n\r\n;a xx; x ;",
         defaults,
         {{ecToggleMode}, {ES::opMoveCaret, 0, 128, 0}, {ecChar, u'\t'}, {ecSelectWordRight}, {ES::opDropMove, 0, 6, 0}}},
        {"a pair typed, deleted and typed over",
         u"ab",
         defaults,
         {{ecChar, 0xD83D},
          {ecLeft},
          {ecDeleteChar},
          {ecChar, 0xD83D},
          {ecChar, 0xDE00},
          {ecDeleteLastChar},
          {ecChar, 0xD83D},
          {ecLeft},
          {ecToggleMode},
          {ecChar, u'z'}}},
        {"backspace inside a tab joins the halves around it",
         u"\xD83D\t\xDE00",
         defaults,
         {{ES::opJump, 0, 7, 0, 7}, {ecDeleteLastChar}}},
        {"delete inside a tab joins the halves around it", u"\xD83D\t\xDE00", defaults, {{ecRight}, {ecDeleteChar}}},
        {"delete at a line end joins the halves of two lines", u"\xD83D\r\n\xDE00", defaults, {{ecLineEnd}, {ecDeleteChar}}},
        {"line break where a backspace took out an empty line",
         u"\xD83D\r\n\r\n",
         defaults & ~eoScrollPastEOL,
         {{ecEditorBottom}, {ecDeleteLastChar}, {ecLeft}, {ecLineBreak}}},
        {"paste after a line break taken out joins halves",
         u"\xDE00\xD83D\r\n\r\n",
         defaults & ~eoScrollPastEOL,
         {{ecSelectLineEnd}, {ecCopy}, {ecLineEnd}, {ecSelectRight}, {ecPaste}}},
        {"a line break moved by dragging from the end of an empty line",
         u"\r\n\xD83D\tx",
         defaults & ~eoScrollPastEOL,
         {{ecSelectDown}, {ES::opDropMove, 0, 2, 5, 10}}},
        {"a line break between halves moved by dragging past a line end",
         u"\xD83D\r\n\xDE00",
         defaults & ~eoScrollPastEOL,
         {{ecLineEnd}, {ecSelectRight}, {ES::opDropMove, 0, 4, 5, 14}}},
        {"a second half dropped after a first completes a pair of one cell",
         u"\xDC00\r\n\xD800" u"b",
         defaults & ~eoScrollPastEOL,
         {{ecSelectRight}, {ES::opDropCopy, 0, 1, 1}}},
        {"a second half pasted after a first completes a pair of one cell",
         u"\xDC00\r\n\xD800" u"b",
         defaults,
         {{ecSelectRight}, {ecCopy}, {ES::opMoveCaret, 0, 1, 1}, {ecPaste}}},
        {"a pair commented behind the caret", u"\xD83D\xDE00;", defaults, {{ecSelectAll}, {ES::opComment}}},
        {"a pair typed in overwrite mode over a lone first half", u"\xD83D" u"a", defaults,
         {{ecToggleMode}, {ecChar, 0xD83D}}},
    };
    const bool trace = std::getenv("EDITOR_REPLAY_TRACE") != nullptr;
    for (const Case &c : cases) {
        const ES::Outcome out = ES::Play(c.Text, c.OtherText, c.Options, c.Steps, c.Steps.size(), trace);
        EXPECT_TRUE(out.Exact) << c.Name << "\n" << out.Report;
        const ES::Outcome grouped = ES::Play(c.Text, c.OtherText, c.Options | eoGroupUndo, c.Steps, c.Steps.size());
        EXPECT_TRUE(grouped.Exact) << c.Name << " (grouped)\n" << grouped.Report;
    }
}

TEST(EditorReplay, EmptyReplacementUndoesWhereItStood)
{
    TSyntaxEditCore e;
    Fill(e, "alpha beta gamma");
    e.SetBookmark(1, 0, 0);
    e.MoveCaretTo({6, 0});
    e.SelectTo({11, 0});
    e.SetSelText(WideString());
    EXPECT_EQ(Joined(e), "alpha gamma");
    e.RunEditorCommand(ecGotoMarker0 + 1, 0, nullptr);
    e.Undo();
    EXPECT_EQ(Joined(e), "alpha beta gamma");
    e.Redo();
    EXPECT_EQ(Joined(e), "alpha gamma");
}

TEST(EditorReplay, TrimmedBlanksComeBackWithTheMoveThatDroppedThem)
{
    TSyntaxEditCore e;
    e.SetOptions(DefaultSyntaxEditOptions & ~eoGroupUndo);
    Fill(e, "ab|cd");
    e.MoveCaretTo({2, 0});
    e.RunEditorCommand(ecChar, u' ', nullptr);
    e.RunEditorCommand(ecChar, u'\t', nullptr);
    const std::string typed = Joined(e);
    e.RunEditorCommand(ecDown, 0, nullptr);
    EXPECT_EQ(Joined(e), "ab|cd");
    // One undo takes back the move and the trimming with it.
    EXPECT_EQ(e.PeekUndoKind(), ukCaret);
    e.Undo();
    EXPECT_EQ(Joined(e), typed);
    EXPECT_EQ(e.CaretY(), 0);
    e.Redo();
    EXPECT_EQ(Joined(e), "ab|cd");
}

} // namespace
