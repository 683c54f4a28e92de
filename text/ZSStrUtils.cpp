#include "text/ZSStrUtils.h"

#include <pwd.h>
#include <unistd.h>

#include <cstring>

namespace {

inline unsigned char FoldAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - ('a' - 'A')) : c;
}

// Up to the first zero byte of a 256-byte buffer, as the system calls fill it.
AnsiString FromBuffer(const char *buf, size_t size)
{
    return AnsiString(buf, strnlen(buf, size));
}

} // namespace

int PosNoCase(const AnsiString &SubStr, const AnsiString &S)
{
    const size_t n = SubStr.size(), m = S.size();
    if (n == 0 || n > m)
        return 0;
    const unsigned char first = FoldAscii(static_cast<unsigned char>(SubStr[0]));
    for (size_t i = 0; i + n <= m; ++i) {
        if (FoldAscii(static_cast<unsigned char>(S[i])) != first)
            continue;
        size_t k = 1;
        while (k < n &&
               FoldAscii(static_cast<unsigned char>(S[i + k])) == FoldAscii(static_cast<unsigned char>(SubStr[k])))
            ++k;
        if (k == n)
            return static_cast<int>(i + 1);
    }
    return 0;
}

int CountChar(const AnsiString &C, const AnsiString &S)
{
    if (C.size() != 1)
        return 0;
    int count = 0;
    for (char ch : S)
        if (ch == C[0])
            ++count;
    return count;
}

void ReplaceChar(AnsiString &S, char Old, char New)
{
    for (char &ch : S)
        if (ch == Old)
            ch = New;
}

AnsiString GetUserNameStr()
{
    char buf[256] = {};
    if (getlogin_r(buf, sizeof buf) == 0 && buf[0])
        return FromBuffer(buf, sizeof buf);
    struct passwd pw {};
    struct passwd *result = nullptr;
    char pwbuf[1024];
    if (getpwuid_r(geteuid(), &pw, pwbuf, sizeof pwbuf, &result) == 0 && result && result->pw_name)
        return FromBuffer(result->pw_name, 256);
    return {};
}

AnsiString GetComputerNameStr()
{
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0)
        return {};
    return FromBuffer(buf, sizeof buf);
}

int IndexOfExact(const TStrings &List, const AnsiString &S)
{
    const int count = List.Count();
    for (int i = 0; i < count; ++i)
        if (List.Get(i) == S)
            return i;
    return -1;
}
