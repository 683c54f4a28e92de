#include "platform/SysUtils.h"

#include <charconv>
#include <chrono>
#include <sys/stat.h>

uint32_t GetTickCount()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

AnsiString IntToStr(int64_t Value)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, Value);
    return AnsiString(buf, r.ptr);
}

int HexDigitOf(char32_t C)
{
    if (C >= '0' && C <= '9')
        return int(C - '0');
    if (C >= 'A' && C <= 'F')
        return int(C - 'A' + 10);
    if (C >= 'a' && C <= 'f')
        return int(C - 'a' + 10);
    return -1;
}

AnsiString IntToHex(uint64_t Value, int Digits)
{
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, Value, 16);
    AnsiString s(buf, r.ptr);
    for (char &c : s)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 32);
    if (static_cast<int>(s.size()) < Digits)
        s.insert(0, static_cast<size_t>(Digits) - s.size(), '0');
    return s;
}

bool TryStrToInt(const AnsiString &S, int &Value)
{
    const AnsiString t = Trim(S);
    size_t p = 0;
    bool negative = false;
    if (p < t.size() && (t[p] == '+' || t[p] == '-'))
        negative = t[p++] == '-';
    int base = 10;
    if (p < t.size() && t[p] == '$') {
        base = 16;
        ++p;
    } else if (p + 1 < t.size() && t[p] == '0' && (t[p + 1] == 'x' || t[p + 1] == 'X')) {
        base = 16;
        p += 2;
    }
    if (p >= t.size())
        return false;
    int64_t v = 0;
    auto r = std::from_chars(t.data() + p, t.data() + t.size(), v, base);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size())
        return false;
    if (negative)
        v = -v;
    if (base == 16 && !negative && v > INT32_MAX && v <= UINT32_MAX)
        v = static_cast<int32_t>(static_cast<uint32_t>(v)); // hex spells the bit pattern
    if (v < INT32_MIN || v > INT32_MAX)
        return false;
    Value = static_cast<int>(v);
    return true;
}

int StrToInt(const AnsiString &S)
{
    int v = 0;
    if (!TryStrToInt(S, v))
        throw EConvertError("'" + S + "' is not a valid integer value");
    return v;
}

int StrToIntDef(const AnsiString &S, int Default)
{
    int v = 0;
    return TryStrToInt(S, v) ? v : Default;
}

AnsiString UpperCase(const AnsiString &S)
{
    AnsiString r = S;
    for (char &c : r)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return r;
}

AnsiString LowerCase(const AnsiString &S)
{
    AnsiString r = S;
    for (char &c : r)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return r;
}

int CompareText(const AnsiString &S1, const AnsiString &S2)
{
    const AnsiString a = UpperCase(S1), b = UpperCase(S2);
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

bool SameText(const AnsiString &S1, const AnsiString &S2)
{
    return S1.size() == S2.size() && CompareText(S1, S2) == 0;
}

AnsiString TrimLeft(const AnsiString &S)
{
    size_t i = 0;
    while (i < S.size() && static_cast<unsigned char>(S[i]) <= ' ')
        ++i;
    return S.substr(i);
}

AnsiString TrimRight(const AnsiString &S)
{
    size_t n = S.size();
    while (n > 0 && static_cast<unsigned char>(S[n - 1]) <= ' ')
        --n;
    return S.substr(0, n);
}

AnsiString Trim(const AnsiString &S)
{
    return TrimLeft(TrimRight(S));
}

AnsiString ExtractFileName(const AnsiString &FileName)
{
    const size_t slash = FileName.find_last_of('/');
    return slash == AnsiString::npos ? FileName : FileName.substr(slash + 1);
}

AnsiString ExtractFilePath(const AnsiString &FileName)
{
    const size_t slash = FileName.find_last_of('/');
    return slash == AnsiString::npos ? AnsiString() : FileName.substr(0, slash + 1);
}

AnsiString ExtractFileExt(const AnsiString &FileName)
{
    const AnsiString name = ExtractFileName(FileName);
    const size_t dot = name.find_last_of('.');
    return dot == AnsiString::npos ? AnsiString() : name.substr(dot);
}

AnsiString ChangeFileExt(const AnsiString &FileName, const AnsiString &Extension)
{
    const AnsiString ext = ExtractFileExt(FileName);
    return FileName.substr(0, FileName.size() - ext.size()) + Extension;
}

bool FileExists(const AnsiString &FileName)
{
    struct stat st {};
    return stat(FileName.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const AnsiString &Name)
{
    struct stat st {};
    return stat(Name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
