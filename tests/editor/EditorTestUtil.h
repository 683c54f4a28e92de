#pragma once
// Helpers for the editor model tests: texts written as UTF-8 with "|" between lines.
#include "editor/SyntaxEditCore.h"
#include "editor/SyntaxEditorStrings.h"
#include <QString>
#include <string>

inline WideString W(const std::string &utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String();
}

inline std::string U8(const WideString &w)
{
    return QString::fromStdU16String(w).toStdString();
}

// The lines of the editor joined with "|".
inline std::string Joined(const TSyntaxEditCore &e)
{
    std::string out;
    for (int i = 0; i < e.LineCount(); ++i) {
        if (i)
            out += '|';
        out += U8(e.Lines().Get(i));
    }
    return out;
}

// Fills the editor with lines given as "a|b|c" (no undo record, caret at the top).
inline void Fill(TSyntaxEditCore &e, const std::string &joined)
{
    std::string text;
    for (char c : joined)
        text += c == '|' ? std::string("\r\n") : std::string(1, c);
    e.Lines().SetTextStr(W(text));
    e.SetModified(false);
}

inline std::string Pt(TTextPoint p)
{
    return "(" + std::to_string(p.X) + "," + std::to_string(p.Y) + ")";
}

// An editor model that counts what it asks the view to do.
class TRecordingEditor : public TSyntaxEditCore {
public:
    int Invalidates = 0;
    int RectInvalidates = 0;
    int Scrolls = 0;
    int CaretChanges = 0;
    int RedrawOff = 0, RedrawOn = 0;

protected:
    void ViewInvalidate() override { ++Invalidates; }
    void ViewInvalidateRect(const TPixelRect &) override { ++RectInvalidates; }
    void ViewScroll(int, int, const TPixelRect &) override { ++Scrolls; }
    void ViewSetRedraw(bool on) override { ++(on ? RedrawOn : RedrawOff); }
};
