// Random command scripts: whatever they do, undoing everything gives the original text back
// and redoing everything gives the edited text again.
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
    std::mt19937 rng(seedText ? static_cast<unsigned>(std::atoi(seedText)) : 20261210u);
    const char *minimize = std::getenv("EDITOR_REPLAY_MIN");
    for (int round = 0; round < 400; ++round) {
        TSyntaxEditCore e;
        e.SetOptions((e.Options() | eoKeepTrailingBlanks) & ~eoGroupUndo);
        if (rng() % 2)
            e.SetOptions(e.Options() & ~eoScrollPastEOL);
        e.SetMaxUndo(32767);
        std::string text;
        const int lines = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < lines; ++i) {
            text += i ? "|" : "";
            const int n = static_cast<int>(rng() % 12);
            for (int k = 0; k < n; ++k)
                text += "ab \tx;"[rng() % 6];
        }
        Fill(e, text);
        e.Resize(200, 100);
        const TSyntaxEditOptions startOptions = e.Options();
        const std::string original = Trimmed(e);
        std::string script;
        std::vector<std::pair<TEditorCommand, WideChar>> steps;
        for (int step = 0; step < 40; ++step) {
            const TEditorCommand c = commands[rng() % std::size(commands)];
            WideChar ch = chars[rng() % (std::size(chars) - 1)];
            steps.push_back({c, ch});
            // An overwrite-mode Tab only moves the caret (and pads the line): no text record.
            if (c == ecChar && ch == u'\t' && !e.HasOption(eoInserting))
                ch = u'q';
            script += EditorCommandToText(c) + " ";
            e.RunEditorCommand(c, ch, nullptr);
            ASSERT_LE(e.CaretY(), std::max(0, e.LineCount() - 1)) << script;
        }
        const std::string edited = Trimmed(e);
        while (e.CanUndo())
            e.Undo();
        bool redoFails = false;
        if (minimize && Trimmed(e) == original) {
            while (e.CanRedo())
                e.Redo();
            redoFails = Trimmed(e) != edited;
            while (e.CanUndo())
                e.Undo();
        }
        if (minimize && (Trimmed(e) != original || redoFails)) {
            const TSyntaxEditOptions options = startOptions;
            for (size_t n = 1; n <= steps.size(); ++n) {
                TSyntaxEditCore f;
                f.SetOptions(options);
                f.SetMaxUndo(32767);
                Fill(f, text);
                f.Resize(200, 100);
                std::string before;
                for (size_t k = 0; k < n; ++k) {
                    if (k + 1 == n)
                        before = Joined(f) + " caret " + Pt(f.GetCaretXY()) + " sel " + Pt(f.BlockBegin()) + "-" + Pt(f.BlockEnd()) + " ins " + std::to_string(f.HasOption(eoInserting));
                    f.RunEditorCommand(steps[k].first, steps[k].second, nullptr);
                }
                const std::string after = Joined(f);
                const std::string afterTrimmed = Trimmed(f);
                while (f.CanUndo())
                    f.Undo();
                bool bad = Trimmed(f) != original;
                if (!bad) {
                    while (f.CanRedo())
                        f.Redo();
                    bad = Trimmed(f) != afterTrimmed;
                    if (bad)
                        printf("redo gives: [%s]\n", Joined(f).c_str());
                }
                if (bad) {
                    TSyntaxEditCore g;
                    g.SetOptions(options);
                    g.SetMaxUndo(32767);
                    Fill(g, text);
                    g.Resize(200, 100);
                    printf("original [%s]\n", original.c_str());
                    for (size_t k = 0; k < n; ++k) {
                        g.RunEditorCommand(steps[k].first, steps[k].second, nullptr);
                        printf("  %s -> [%s] caret %s\n", EditorCommandToText(steps[k].first).c_str(), Joined(g).c_str(), Pt(g.GetCaretXY()).c_str());
                    }
                    while (g.CanUndo()) {
                        g.Undo();
                        printf("  undo -> [%s] count %d caret %s\n", Joined(g).c_str(), g.LineCount(), Pt(g.GetCaretXY()).c_str());
                    }
                    for (int r = 0; r < g.UndoList().Count(); ++r) {
                        const TUndoRecord &u = g.UndoList().Item(r);
                        printf("  rec %d kind %d before [%s] after [%s] cb %s bb %s be %s ca %s ba %s bea %s\n", r, u.Kind, U8(u.BeforeText).c_str(), U8(u.AfterText).c_str(), Pt(u.CaretBefore).c_str(), Pt(u.BlockBeginBefore).c_str(), Pt(u.BlockEndBefore).c_str(), Pt(u.CaretAfter).c_str(), Pt(u.BlockBeginAfter).c_str(), Pt(u.BlockEndAfter).c_str());
                    }
                    printf("first failing step %zu: %s ch %d\n  before: %s\n  after: %s\n  undone: %s\n", n,
                           EditorCommandToText(steps[n - 1].first).c_str(), steps[n - 1].second, before.c_str(),
                           after.c_str(), Joined(f).c_str());
                    break;
                }
            }
        }
        ASSERT_EQ(Trimmed(e), original) << "round " << round << ": " << script;
        while (e.CanRedo())
            e.Redo();
        ASSERT_EQ(Trimmed(e), edited) << "round " << round << ": " << script;
    }
}

} // namespace
