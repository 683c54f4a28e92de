#pragma once
// Small scanning helpers of the HTML side of the checker: searches that ignore ASCII case without
// copying the text.
#include <cstring>

#include "platform/Types.h"

namespace textscan {

inline char Upper(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C; }

// 0-based position of P in S at or after From, ignoring ASCII case; npos when absent or P is empty.
inline size_t FindNoCase(const AnsiString &S, const char *P, size_t From = 0)
{
    const size_t n = std::strlen(P);
    if (n == 0 || n > S.size()) return AnsiString::npos;
    const char first = Upper(P[0]);
    for (size_t i = From; i + n <= S.size(); ++i) {
        if (Upper(S[i]) != first) continue;
        size_t k = 1;
        while (k < n && Upper(S[i + k]) == Upper(P[k])) ++k;
        if (k == n) return i;
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
    if (n > S.size()) return false;
    for (size_t k = 0; k < n; ++k)
        if (Upper(S[k]) != Upper(P[k])) return false;
    return true;
}

inline bool ContainsNoCase(const AnsiString &S, const char *P) { return FindNoCase(S, P) != AnsiString::npos; }

inline bool IsBlank(const AnsiString &S) { return S.find_first_not_of(" \t\r\n") == AnsiString::npos; }

inline bool IsQuote(char C) { return C == '"' || C == '\''; }

} // namespace textscan
