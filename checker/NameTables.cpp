#include "checker/NameTables.h"

#include <algorithm>
#include <cstring>

#include "checker/Findings.h"
#include "checker/MessageSink.h"

namespace {

int CompareNoCase(const char *A, const char *B)
{
    for (;; ++A, ++B) {
        int a = static_cast<unsigned char>(*A), b = static_cast<unsigned char>(*B);
        if (a >= 'A' && a <= 'Z')
            a += 32;
        if (b >= 'A' && b <= 'Z')
            b += 32;
        if (a != b || !a)
            return a - b;
    }
}

bool IsWordChar(unsigned char C)
{
    return C == '$' || C == '_' || (C >= '0' && C <= '9') || (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z');
}

char Upper(char C)
{
    return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C;
}

size_t FindNoCase(const AnsiString &Needle, const AnsiString &Text, size_t From)
{
    if (Needle.empty() || Needle.size() > Text.size())
        return AnsiString::npos;
    for (size_t i = From; i + Needle.size() <= Text.size(); ++i) {
        size_t k = 0;
        while (k < Needle.size() && Upper(Text[i + k]) == Upper(Needle[k]))
            ++k;
        if (k == Needle.size())
            return i;
    }
    return AnsiString::npos;
}

bool ExactSearch(const char *const *Begin, const char *const *End, const AnsiString &Name)
{
    auto it =
        std::lower_bound(Begin, End, Name.c_str(), [](const char *A, const char *B) { return std::strcmp(A, B) < 0; });
    return it != End && Name == *it;
}

} // namespace

bool IsDOMName(const AnsiString &Name)
{
    return ExactSearch(DOMNames, DOMNames + kDOMNameCount, Name);
}

bool IsPredefinedGlobalName(const AnsiString &Name)
{
    return ExactSearch(PredefinedGlobals, PredefinedGlobals + kPredefinedGlobalCount, Name);
}

bool IsSpecialName(const AnsiString &Name)
{
    for (const char *s : SpecialNames)
        if (CompareNoCase(s, Name.c_str()) == 0)
            return true;
    return false;
}

bool IsServerObjectName(const AnsiString &Name)
{
    auto it = std::lower_bound(ServerNames, ServerNames + kServerNameCount, Name.c_str(),
                               [](const char *A, const char *B) { return CompareNoCase(A, B) < 0; });
    return it != ServerNames + kServerNameCount && CompareNoCase(*it, Name.c_str()) == 0;
}

bool IsBuiltInObject(const AnsiString &Name)
{
    for (const char *s : BuiltInObjects)
        if (Name == s)
            return true;
    return false;
}

int FindWord(const AnsiString &Word, const AnsiString &Text, bool NoQuoteCheck)
{
    size_t from = 0;
    for (;;) {
        size_t p = FindNoCase(Word, Text, from);
        if (p == AnsiString::npos)
            return -1;
        size_t end = p + Word.size();
        bool before = p == 0 || !IsWordChar(static_cast<unsigned char>(Text[p - 1]));
        bool after = end >= Text.size() || !IsWordChar(static_cast<unsigned char>(Text[end]));
        if (!(before && after)) {
            from = p + 1;
            continue;
        }
        if (!NoQuoteCheck) {
            // The nearest quote before the word decides which kind of stretch we might be in.
            size_t q = Text.find_last_of("\"'", p == 0 ? 0 : p - 1);
            if (p > 0 && q != AnsiString::npos) {
                const char quote = Text[q];
                int state = 0; // 0 outside, 1 inside quote, 2 inside the other quote
                int count = 0;
                for (size_t i = 0; i < p; ++i) {
                    char c = Text[i];
                    if (state == 0) {
                        if (c == quote) {
                            state = 1;
                            ++count;
                        } else if (c == '"' || c == '\'')
                            state = 2;
                    } else if (state == 1) {
                        if (c == quote) {
                            state = 0;
                            ++count;
                        }
                    } else if (c != quote && (c == '"' || c == '\'')) {
                        state = 0;
                    }
                }
                if ((count & 1) && Text.find(quote, end) != AnsiString::npos)
                    return -1;
            }
        }
        return static_cast<int>(p) + 1;
    }
}

void HTMLNameOf(const AnsiString &Text, bool Report, AnsiString &Result, IMessageSink *Sink)
{
    Result.clear();
    if (Text == "x" || Text == "y") {
        Result = Text;
        return;
    }
    AnsiString t = Text;
    size_t lead = t.find_first_not_of('.');
    t.erase(0, lead == AnsiString::npos ? t.size() : lead);
    if (t.size() > 2 && t[1] == '.' && (t[0] == 'x' || t[0] == 'y')) {
        Result = t.substr(0, 2);
        t.erase(0, 2);
    }
    size_t start = 0;
    for (;;) {
        size_t dot = t.find('.', start);
        AnsiString part = t.substr(start, dot == AnsiString::npos ? AnsiString::npos : dot - start);
        if (!IsDOMName(part) && !IsSpecialName(part) && !IsServerObjectName(part)) {
            Result += part;
            if (dot != AnsiString::npos)
                Result += '.';
        }
        if (dot == AnsiString::npos)
            break;
        start = dot + 1;
    }
    if (!Result.empty() && Result.back() == '.')
        Result.pop_back();

    // all("x") and getElementById("x") name the element x
    for (const char *lookup : {"all(", "getElementById("}) {
        const size_t length = std::strlen(lookup);
        size_t all = Result.find(lookup);
        if (all == AnsiString::npos)
            continue;
        Result.erase(all, length);
        if (all < Result.size() && Result[all] == '"')
            Result.erase(all, 1);
        size_t close = Result.find(')', all);
        if (close != AnsiString::npos) {
            Result.erase(close, 1);
            if (close > 0 && Result[close - 1] == '"')
                Result.erase(close - 1, 1);
        }
        break;
    }
    for (;;) {
        size_t open = Result.find('[');
        if (open == AnsiString::npos)
            break;
        size_t close = Result.find(']', open);
        if (close == AnsiString::npos) {
            if (Report && Sink)
                Sink->AddFinding(fdHtmlNameMissingBracket, Text, -1);
            break;
        }
        Result.erase(open, close - open + 1);
    }
}
