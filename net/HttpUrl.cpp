#include "net/HttpUrl.h"
#include <cmath>
#include <cstdio>
#include <ctime>

int PosN(const AnsiString &Sub, const AnsiString &S, int N)
{
    if (N == 0 || Sub.empty() || Sub.size() > S.size())
        return 0;
    if (N > 0) {
        size_t From = 0;
        for (;;) {
            const size_t P = S.find(Sub, From);
            if (P == AnsiString::npos)
                return 0;
            if (--N == 0)
                return static_cast<int>(P) + 1;
            From = P + 1;
        }
    }
    size_t From = S.size() - Sub.size();
    for (;;) {
        const size_t P = S.rfind(Sub, From);
        if (P == AnsiString::npos)
            return 0;
        if (++N == 0)
            return static_cast<int>(P) + 1;
        if (P == 0)
            return 0;
        From = P - 1;
    }
}

namespace {

bool IsSchemeChar(char C)
{
    return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '+' || C == '-' ||
           C == '.';
}

AnsiString Lower(AnsiString S)
{
    for (char &C : S)
        if (C >= 'A' && C <= 'Z')
            C = static_cast<char>(C - 'A' + 'a');
    return S;
}

// The base path up to and including its last "/" ("/" when it has none).
AnsiString BaseOf(const AnsiString &Path)
{
    const size_t Slash = Path.rfind('/');
    return Slash == AnsiString::npos ? AnsiString("/") : Path.substr(0, Slash + 1);
}

} // namespace

void SplitUrl(const AnsiString &URL, AnsiString &Proto, AnsiString &User, AnsiString &Password, AnsiString &Host,
              AnsiString &Port, AnsiString &Path)
{
    const AnsiString BasePath = Path;
    Proto.clear();
    User.clear();
    Password.clear();
    Host.clear();
    Port.clear();
    Path.clear();
    if (URL.empty())
        return;

    if (URL.compare(0, 2, "./") == 0) {
        Path = BaseOf(BasePath) + URL.substr(2);
        return;
    }
    if (URL.compare(0, 3, "../") == 0) {
        AnsiString Base = BaseOf(BasePath);
        size_t I = 0;
        while (URL.compare(I, 3, "../") == 0) {
            I += 3;
            // Drop the last segment, keeping the trailing "/".
            const size_t End = Base.size() - 1;
            const size_t Prev = End == 0 ? AnsiString::npos : Base.rfind('/', End - 1);
            Base = Prev == AnsiString::npos ? AnsiString("/") : Base.substr(0, Prev + 1);
        }
        Path = Base + URL.substr(I);
        return;
    }

    size_t AuthorityStart = 0;
    const size_t P = URL.find("://");
    bool HaveScheme = P != AnsiString::npos && P > 0;
    if (HaveScheme)
        for (size_t I = 0; I < P; ++I)
            if (!IsSchemeChar(URL[I]))
                HaveScheme = false;
    if (HaveScheme) {
        Proto = Lower(URL.substr(0, P));
        AuthorityStart = P + 3;
    } else {
        if (P != AnsiString::npos)
            Proto = "http";
        if (URL[0] == '/') {
            Proto = "http";
            if (URL.size() > 1 && URL[1] != '/') {
                Path = URL;
                return;
            }
            // "//host/x": the authority follows the two slashes.
            AuthorityStart = URL.size() > 1 ? 2 : 1;
        } else if (Lower(URL.substr(0, 5)) != "http:") {
            if (Lower(URL.substr(0, 7)) == "mailto:") {
                Proto = "mailto";
                AuthorityStart = URL.find(':') + 1;
            } else {
                AuthorityStart = 0;
            }
        } else {
            Proto = "http";
            if (URL.size() > 6 && URL[6] != '/') {
                Path = URL.substr(5);
                return;
            }
            AuthorityStart = URL.size() > 6 ? 6 : URL.size();
        }
    }

    const AnsiString Rest = URL.substr(AuthorityStart);
    const size_t PathStart = Rest.find_first_of("/?");
    AnsiString Authority = Rest;
    if (PathStart != AnsiString::npos) {
        Path = Rest.substr(PathStart);
        Authority = Rest.substr(0, PathStart);
    }

    const size_t C = Authority.rfind(':');
    const size_t A = Authority.rfind('@');
    AnsiString UserPart;
    bool HaveUser = false;
    if (C == AnsiString::npos && A == AnsiString::npos) {
        Host = Authority;
    } else if (C != AnsiString::npos && (A == AnsiString::npos || A < C)) {
        Port = Authority.substr(C + 1);
        const size_t HostStart = A == AnsiString::npos ? 0 : A + 1;
        Host = Authority.substr(HostStart, C - HostStart);
        if (A != AnsiString::npos) {
            UserPart = Authority.substr(0, A);
            HaveUser = true;
        }
    } else {
        Host = Authority.substr(A + 1);
        UserPart = Authority.substr(0, A);
        HaveUser = true;
    }
    if (HaveUser) {
        const size_t Colon = UserPart.find(':');
        if (Colon == AnsiString::npos) {
            User = UserPart;
        } else {
            User = UserPart.substr(0, Colon);
            Password = UserPart.substr(Colon + 1);
        }
    }
}

AnsiString EncodeText(int Encoding, const AnsiString &S)
{
    const auto *Bytes = reinterpret_cast<const unsigned char *>(S.data());
    const size_t N = S.size();
    AnsiString Out;
    if (Encoding == 1 || Encoding == 2) {
        static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        Out.reserve((N + 2) / 3 * 4);
        for (size_t I = 0; I < N; I += 3) {
            const unsigned B0 = Bytes[I];
            const unsigned B1 = I + 1 < N ? Bytes[I + 1] : 0;
            const unsigned B2 = I + 2 < N ? Bytes[I + 2] : 0;
            Out += kAlphabet[B0 >> 2];
            Out += kAlphabet[((B0 & 3) << 4) | (B1 >> 4)];
            Out += I + 1 < N ? kAlphabet[((B1 & 15) << 2) | (B2 >> 6)] : '=';
            Out += I + 2 < N ? kAlphabet[B2 & 63] : '=';
        }
        return Out;
    }
    if (Encoding == 0) {
        auto Char = [](unsigned V) { return V == 0 ? '`' : static_cast<char>(32 + V); };
        const int Count = static_cast<int>(N);
        Out += static_cast<char>(((Count - 1) % 64 + 64) % 64 + 33);
        for (size_t I = 0; I < N; I += 3) {
            const unsigned B0 = Bytes[I];
            const unsigned B1 = I + 1 < N ? Bytes[I + 1] : 0;
            const unsigned B2 = I + 2 < N ? Bytes[I + 2] : 0;
            Out += Char(B0 >> 2);
            Out += Char(((B0 & 3) << 4) | (B1 >> 4));
            Out += Char(((B1 & 15) << 2) | (B2 >> 6));
            Out += Char(B2 & 63);
        }
        return Out;
    }
    return Out;
}

namespace {

// Civil date of a day count since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(int64_t Z, int &Y, int &M, int &D)
{
    Z += 719468;
    const int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
    const int64_t Doe = Z - Era * 146097;
    const int64_t Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
    const int64_t Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
    const int64_t Mp = (5 * Doy + 2) / 153;
    D = static_cast<int>(Doy - (153 * Mp + 2) / 5 + 1);
    M = static_cast<int>(Mp < 10 ? Mp + 3 : Mp - 9);
    Y = static_cast<int>(Yoe + Era * 400 + (M <= 2 ? 1 : 0));
}

int64_t DaysFromCivil(int Y, int M, int D)
{
    Y -= M <= 2 ? 1 : 0;
    const int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
    const int64_t Yoe = Y - Era * 400;
    const int64_t Doy = (153 * (M + (M > 2 ? -3 : 9)) + 2) / 5 + D - 1;
    const int64_t Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
    return Era * 146097 + Doe - 719468;
}

constexpr int64_t kDays1899To1970 = 25569;

} // namespace

TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second)
{
    const double Days = static_cast<double>(DaysFromCivil(Year, Month, Day) + kDays1899To1970);
    return Days + (Hour * 3600 + Minute * 60 + Second) / 86400.0;
}

void DecodeDateTime(TDateTime D, int &Year, int &Month, int &Day, int &Hour, int &Minute, int &Second)
{
    // Whole seconds, rounded, so that 12:00:00 stored as 0.49999999 still reads as noon.
    const int64_t Total = static_cast<int64_t>(std::llround(D * 86400.0));
    int64_t Days = Total / 86400;
    int64_t Secs = Total % 86400;
    if (Secs < 0) {
        Secs += 86400;
        --Days;
    }
    CivilFromDays(Days - kDays1899To1970, Year, Month, Day);
    Hour = static_cast<int>(Secs / 3600);
    Minute = static_cast<int>(Secs / 60 % 60);
    Second = static_cast<int>(Secs % 60);
}

AnsiString HttpDateText(TDateTime D)
{
    static const char kDays[] = "MonTueWedThuFriSatSun";
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    int Y, M, Dd, H, Mi, S;
    DecodeDateTime(D, Y, M, Dd, H, Mi, S);
    const int64_t Whole = static_cast<int64_t>(std::floor(D));
    const int K = static_cast<int>(((Whole - 2) % 7 + 7) % 7);
    char Buf[64];
    std::snprintf(Buf, sizeof Buf, "%.3s, %02d %.3s %04d %02d:%02d:%02d", kDays + 3 * K, Dd, kMonths + 3 * (M - 1), Y,
                  H, Mi, S);
    return Buf;
}

TDateTime LocalTimeToUniversal(TDateTime D)
{
    int Y, M, Dd, H, Mi, S;
    DecodeDateTime(D, Y, M, Dd, H, Mi, S);
    std::tm Local{};
    Local.tm_year = Y - 1900;
    Local.tm_mon = M - 1;
    Local.tm_mday = Dd;
    Local.tm_hour = H;
    Local.tm_min = Mi;
    Local.tm_sec = S;
    Local.tm_isdst = -1;
    const std::time_t T = std::mktime(&Local);
    if (T == static_cast<std::time_t>(-1))
        return D;
    std::tm Utc{};
    gmtime_r(&T, &Utc);
    return EncodeDateTime(Utc.tm_year + 1900, Utc.tm_mon + 1, Utc.tm_mday, Utc.tm_hour, Utc.tm_min, Utc.tm_sec);
}
