// Random scripts of commands and direct operations: whatever they do, undoing everything gives
// the original text back and redoing everything gives the edited text again.
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
    static const char *names[] = {"(comment)", "(uncomment)", "(replace all)", "(set text)", "(drop move)",
                                  "(drop copy)"};
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
    for (size_t k = 0; k < n; ++k) {
        Apply(e, steps[k]);
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
        *report = "original [" + original + "] edited [" + edited + "] undone [" + undone + "] redone [" + redone + "]";
    return undone == original && redone == edited;
}

TEST(EditorReplay, RandomScriptsUndoAndRedoExactly)
{
    const TEditorCommand commands[] = {
        ecLeft, ecRight, ecUp, ecDown, ecWordLeft, ecWordRight, ecLineStart, ecLineEnd, ecPageUp, ecPageDown,
        ecEditorTop, ecEditorBottom, ecSelectLeft, ecSelectRight, ecSelectUp, ecSelectDown, ecSelectWordRight,
        ecSelectLineEnd, ecSelectAll, ecDeleteLastChar, ecDeleteChar, ecDeleteWord, ecDeleteLastWord, ecDeleteBOL,
        ecDeleteEOL, ecDeleteLine, ecLineBreak, ecInsertLine, ecChar, ecChar, ecChar, ecChar, ecCut, ecCopy, ecPaste,
        ecBlockIndent, ecBlockUnindent, ecToggleMode, ecScrollDown, ecScrollRight};
    const char16_t chars[] = u"ab \t\u00e9\u4e2d;";
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

} // namespace
