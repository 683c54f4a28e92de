#pragma once
// Small scanning helpers of the HTML side of the checker: searches that ignore ASCII case without
// copying the text.
#include <cstring>

#include "platform/Types.h"

namespace textscan {

inline char Upper(char C)
{
    return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C;
}

// 0-based position of P in S at or after From, ignoring ASCII case; npos when absent or P is empty.
inline size_t FindNoCase(const AnsiString &S, const char *P, size_t From = 0)
{
    const size_t n = std::strlen(P);
    if (n == 0 || n > S.size())
        return AnsiString::npos;
    const char first = Upper(P[0]);
    for (size_t i = From; i + n <= S.size(); ++i) {
        if (Upper(S[i]) != first)
            continue;
        size_t k = 1;
        while (k < n && Upper(S[i + k]) == Upper(P[k]))
            ++k;
        if (k == n)
            return i;
    }
    return AnsiString::npos;
}
inline size_t FindNoCase(const AnsiString &S, const AnsiString &P, size_t From = 0)
{
    return FindNoCase(S, P.c_str(), From);
}

inline bool StartsNoCase(const AnsiString &S, const char *P)
{
    const size_t n = std::strlen(P);
    if (n > S.size())
        return false;
    for (size_t k = 0; k < n; ++k)
        if (Upper(S[k]) != Upper(P[k]))
            return false;
    return true;
}

inline bool ContainsNoCase(const AnsiString &S, const char *P)
{
    return FindNoCase(S, P) != AnsiString::npos;
}

inline bool IsBlank(const AnsiString &S)
{
    return S.find_first_not_of(" \t\r\n") == AnsiString::npos;
}

inline bool IsQuote(char C)
{
    return C == '"' || C == '\'';
}

inline bool IsTagSpace(char C)
{
    return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f';
}

// Attribute Name (ASCII case ignored) of Tag, the text of a tag after its "<": the position just after
// the attribute's name, npos when the tag has none. Quoted values are skipped, so a word inside another
// attribute's value ("title=\"Your name\"") is never taken for an attribute. HasValue tells whether "="
// follows the name; Value receives the value without its quotes.
inline size_t FindAttribute(const AnsiString &Tag, const char *Name, bool *HasValue = nullptr,
                            AnsiString *Value = nullptr)
{
    const size_t n = Tag.size(), nameLen = std::strlen(Name);
    size_t i = 0;
    while (i < n && !IsTagSpace(Tag[i]) && Tag[i] != '>')
        ++i; // the element's name
    while (i < n) {
        while (i < n && (IsTagSpace(Tag[i]) || Tag[i] == '/'))
            ++i;
        if (i >= n || Tag[i] == '>')
            break;
        const size_t start = i;
        while (i < n && !IsTagSpace(Tag[i]) && Tag[i] != '=' && Tag[i] != '>' && !(Tag[i] == '/' && i > start))
            ++i;
        if (i == start)
            ++i; // a stray quote or "=": step over it
        const size_t nameEnd = i;
        size_t k = i;
        while (k < n && IsTagSpace(Tag[k]))
            ++k;
        const bool hasValue = k < n && Tag[k] == '=';
        size_t valueStart = k, valueEnd = k;
        if (hasValue) {
            ++k;
            while (k < n && IsTagSpace(Tag[k]))
                ++k;
            if (k < n && IsQuote(Tag[k])) {
                const char q = Tag[k];
                const size_t close = Tag.find(q, k + 1);
                valueStart = k + 1;
                valueEnd = close == AnsiString::npos ? n : close;
                k = close == AnsiString::npos ? n : close + 1;
            } else {
                valueStart = k;
                while (k < n && !IsTagSpace(Tag[k]) && Tag[k] != '>')
                    ++k;
                valueEnd = k;
            }
            i = k;
        }
        if (nameEnd - start == nameLen) {
            size_t m = 0;
            while (m < nameLen && Upper(Tag[start + m]) == Upper(Name[m]))
                ++m;
            if (m == nameLen) {
                if (HasValue)
                    *HasValue = hasValue;
                if (Value)
                    *Value = hasValue ? Tag.substr(valueStart, valueEnd - valueStart) : AnsiString();
                return nameEnd;
            }
        }
    }
    return AnsiString::npos;
}

} // namespace textscan
