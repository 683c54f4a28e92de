#pragma once
// Helpers shared by the highlighter tests: scanning a line into (kind, start, length)
// triples, and building expected token lists from (kind, text) pairs.
#include "editor/SyntaxHighlighter.h"
#include <QString>
#include <ostream>
#include <string>
#include <vector>

struct Tok {
    int32_t Kind = 0;
    int Start = 0;
    int Length = 0;
    friend bool operator==(const Tok &, const Tok &) = default;
};

inline std::ostream &operator<<(std::ostream &os, const Tok &t)
{
    return os << "{" << t.Kind << "," << t.Start << "," << t.Length << "}";
}

// One golden row: a line scanned from RangeIn gives Tokens and leaves RangeOut.
struct LineCase {
    const char *Name;
    int32_t RangeIn;
    const char *Line;
    std::vector<Tok> Tokens;
    int32_t RangeOut;
};

inline WideString W(const char *Utf8)
{
    return QString::fromUtf8(Utf8).toStdU16String();
}

// Scans one line in the highlighter's current range, asking for every token's record.
inline std::vector<Tok> ScanLine(TSyntaxHighlighter &H, const WideString &Line)
{
    std::vector<Tok> out;
    H.SetLine(Line, false);
    for (size_t guard = 0; !H.GetEol() && guard <= Line.size() + 2; ++guard) {
        TTokenInfo info;
        H.GetTokenInfo(info);
        out.push_back({info.Kind, info.Start, info.Length});
        H.Next();
    }
    return out;
}

// Expected tokens from (kind, UTF-8 text) pairs laid one after the other.
struct KindText {
    int32_t Kind;
    const char *Text;
};
inline std::vector<Tok> Expect(std::initializer_list<KindText> Parts)
{
    std::vector<Tok> out;
    int at = 0;
    for (const KindText &p : Parts) {
        const int len = int(W(p.Text).size());
        out.push_back({p.Kind, at, len});
        at += len;
    }
    return out;
}

// Lines of a UTF-8 text file, split at CR LF, LF or CR; empty when the file cannot be read.
std::vector<WideString> ReadLines(const char *Path);

// Scans Lines the way an editor does (line after line, one range handed on) and checks
// that every line's tokens are contiguous, non-empty and cover the line, and that starting a
// line afresh from its stored range, without asking for token records, ends in the same
// range. Returns the range at the start of every line and after the last one.
std::vector<int32_t> CheckScanInvariants(TSyntaxHighlighter &H, const std::vector<WideString> &Lines, const char *What);
