#include "platform/IniFile.h"

#include "platform/AtomicSave.h"
#include "platform/CodePage.h"
#include "platform/QtConvert.h"

#include <QFile>
#include <QString>

#include <charconv>
#include <cstdint>
#include <limits>

namespace {

const std::string kBom = "\xEF\xBB\xBF";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::size_t SkipBlanks(const std::string &s, std::size_t from, std::size_t to)
{
    while (from < to && IsBlank(s[from]))
        ++from;
    return from;
}

std::size_t TrimEnd(const std::string &s, std::size_t from, std::size_t to)
{
    while (to > from && IsBlank(s[to - 1]))
        --to;
    return to;
}

// Strict UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool DecodeUtf8(const char *text, std::size_t length, WideString &out)
{
    out.clear();
    out.reserve(length);
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    std::size_t i = 0;
    while (i < length) {
        unsigned char b = p[i];
        if (b < 0x80) {
            out.push_back(char16_t(b));
            ++i;
            continue;
        }
        int extra;
        char32_t cp;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return false;
        }
        if (i + std::size_t(extra) >= length)
            return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char c = p[i + k];
            if ((c & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
        i += std::size_t(extra) + 1;
    }
    return true;
}

// UTF-8 of a wide string; an unpaired surrogate becomes U+FFFD.
std::string EncodeUtf8(const WideString &s)
{
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

// Text of some bytes of the file: UTF-8 when they are valid UTF-8, else Windows-1252.
WideString DecodeBytes(const std::string &s, std::size_t from, std::size_t to)
{
    WideString out;
    if (!DecodeUtf8(s.data() + from, to - from, out))
        out = AnsiToWide(s.data() + from, to - from);
    return out;
}

std::u16string Fold(const WideString &name)
{
    QString folded = QString::fromUtf16(name.data(), qsizetype(name.size())).toCaseFolded();
    return std::u16string(reinterpret_cast<const char16_t *>(folded.utf16()), std::size_t(folded.size()));
}

} // namespace

TIniFile::TIniFile(const AnsiString &FileName) : FFileName(FileName), FBreak("\n")
{
    QFile file(FromLocalPath(FileName));
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFileSize) {
        FReadFailed = true;
        return;
    }
    QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize || file.error() != QFileDevice::NoError) {
        FReadFailed = true;
        return;
    }
    Parse(bytes.toStdString());
}

TIniFile TIniFile::FromText(const std::string &Text)
{
    TIniFile ini{AnsiString()};
    ini.Parse(Text);
    return ini;
}

void TIniFile::Parse(const std::string &Bytes)
{
    FLines.clear();
    std::size_t pos = 0;
    if (Bytes.compare(0, kBom.size(), kBom) == 0) {
        FBom = true;
        pos = kBom.size();
    }
    bool breakSeen = false;
    while (pos < Bytes.size()) {
        std::size_t nl = Bytes.find('\n', pos);
        TLine line;
        if (nl == std::string::npos) {
            line.Raw = Bytes.substr(pos);
            line.Break.clear();
            pos = Bytes.size();
        } else {
            std::size_t end = nl;
            if (end > pos && Bytes[end - 1] == '\r') {
                --end;
                line.Break = "\r\n";
            } else {
                line.Break = "\n";
            }
            line.Raw = Bytes.substr(pos, end - pos);
            if (!breakSeen) {
                FBreak = line.Break;
                breakSeen = true;
            }
            pos = nl + 1;
        }
        Classify(line);
        FLines.push_back(std::move(line));
    }
    Reindex();
}

void TIniFile::Classify(TLine &Line)
{
    const std::string &s = Line.Raw;
    Line.Kind = TLineKind::Other;
    Line.Name.clear();
    Line.Folded.clear();
    Line.ValueStart = 0;
    std::size_t first = SkipBlanks(s, 0, s.size());
    if (first == s.size() || s[first] == ';')
        return;
    if (s[first] == '[') {
        // A header without its closing bracket still names a section: the rest of the line.
        std::size_t close = s.find(']', first + 1);
        if (close == std::string::npos)
            close = s.size();
        std::size_t from = SkipBlanks(s, first + 1, close);
        std::size_t to = TrimEnd(s, from, close);
        Line.Kind = TLineKind::Header;
        Line.Name = DecodeBytes(s, from, to);
        Line.Folded = Fold(Line.Name);
        return;
    }
    std::size_t eq = s.find('=', first);
    if (eq == std::string::npos)
        return;
    std::size_t keyEnd = TrimEnd(s, first, eq);
    if (keyEnd == first)
        return;
    Line.Kind = TLineKind::Key;
    Line.Name = DecodeBytes(s, first, keyEnd);
    Line.Folded = Fold(Line.Name);
    Line.ValueStart = SkipBlanks(s, eq + 1, s.size());
}

void TIniFile::Reindex()
{
    FSections.clear();
    FSectionByName.clear();
    constexpr std::size_t none = std::size_t(-1);
    std::size_t current = none; // index into FSections; none in the preamble or a repeated section
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        const TLine &line = FLines[i];
        if (line.Kind == TLineKind::Header) {
            if (current != none)
                FSections[current].End = i;
            current = none;
            if (FSectionByName.emplace(line.Folded, FSections.size()).second) {
                current = FSections.size();
                FSections.push_back(TSectionIndex{i, FLines.size(), {}, i});
            }
        } else if (line.Kind == TLineKind::Key && current != none) {
            FSections[current].Keys.emplace(line.Folded, i);
            FSections[current].LastKey = i;
        }
    }
}

const TIniFile::TSectionIndex *TIniFile::FindSection(const WideString &Section) const
{
    auto it = FSectionByName.find(Fold(Section));
    return it == FSectionByName.end() ? nullptr : &FSections[it->second];
}

const TIniFile::TLine *TIniFile::FindKey(const WideString &Section, const WideString &Ident) const
{
    const TSectionIndex *section = FindSection(Section);
    if (!section)
        return nullptr;
    auto it = section->Keys.find(Fold(Ident));
    return it == section->Keys.end() ? nullptr : &FLines[it->second];
}

WideString TIniFile::ReadString(const WideString &Section, const WideString &Ident, const WideString &Default) const
{
    const TLine *line = FindKey(Section, Ident);
    if (!line)
        return Default;
    return DecodeBytes(line->Raw, line->ValueStart, TrimEnd(line->Raw, line->ValueStart, line->Raw.size()));
}

bool TIniFile::ParseInteger(const WideString &Text, int &Value)
{
    const std::size_t n = Text.size();
    if (n > 2 && Text[0] == u'0' && (Text[1] == u'x' || Text[1] == u'X')) {
        std::uint64_t v = 0;
        for (std::size_t i = 2; i < n; ++i) {
            char16_t c = Text[i];
            unsigned digit;
            if (c >= u'0' && c <= u'9')
                digit = unsigned(c - u'0');
            else if (c >= u'a' && c <= u'f')
                digit = unsigned(c - u'a' + 10);
            else if (c >= u'A' && c <= u'F')
                digit = unsigned(c - u'A' + 10);
            else
                return false;
            v = v * 16 + digit;
            if (v > 0xFFFFFFFFu)
                return false;
        }
        // Colours with the top bit set are written this way: the 32 bits are the value.
        Value = int(std::int32_t(std::uint32_t(v)));
        return true;
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < n && (Text[i] == u'-' || Text[i] == u'+')) {
        negative = Text[i] == u'-';
        ++i;
    }
    if (i == n)
        return false;
    std::int64_t v = 0;
    const std::int64_t limit =
        negative ? std::int64_t(std::numeric_limits<int>::max()) + 1 : std::int64_t(std::numeric_limits<int>::max());
    for (; i < n; ++i) {
        char16_t c = Text[i];
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
        if (v > limit)
            return false;
    }
    Value = int(negative ? -v : v);
    return true;
}

int TIniFile::ReadInteger(const WideString &Section, const WideString &Ident, int Default) const
{
    int value;
    return ParseInteger(ReadString(Section, Ident, WideString()), value) ? value : Default;
}

bool TIniFile::ReadBool(const WideString &Section, const WideString &Ident, bool Default) const
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

bool TIniFile::IsValidSectionName(const WideString &Name)
{
    // Read back as the text between '[' and the first ']', trimmed: a ']' or a line break would
    // cut the name (and could forge a key or section after it), blanks at its ends would be lost.
    if (Name.empty() || Name.front() == u' ' || Name.front() == u'\t' || Name.back() == u' ' || Name.back() == u'\t')
        return false;
    return Name.find_first_of(u"]\r\n") == WideString::npos;
}

bool TIniFile::IsValidKeyName(const WideString &Name)
{
    // Read back as the text before the first '=', trimmed; a line starting with '[' is a header
    // and one starting with ';' a comment.
    if (!IsValidSectionName(Name) || Name.front() == u'[' || Name.front() == u';')
        return false;
    return Name.find(u'=') == WideString::npos;
}

void TIniFile::WriteString(const WideString &Section, const WideString &Ident, const WideString &Value)
{
    if (!IsValidSectionName(Section))
        throw EIniFileException("Invalid section name \"" + EncodeUtf8(Section) + "\"");
    if (!IsValidKeyName(Ident))
        throw EIniFileException("Invalid key name \"" + EncodeUtf8(Ident) + "\"");
    WideString clean = Value;
    for (char16_t &c : clean)
        if (c == u'\r' || c == u'\n')
            c = u' ';
    const std::string value = EncodeUtf8(clean);

    auto makeLine = [this](std::string raw) {
        TLine line;
        line.Raw = std::move(raw);
        line.Break = FBreak;
        Classify(line);
        return line;
    };

    const TSectionIndex *section = FindSection(Section);
    if (!section) {
        if (!FLines.empty() && FLines.back().Break.empty())
            FLines.back().Break = FBreak;
        FLines.push_back(makeLine("[" + EncodeUtf8(Section) + "]"));
        FLines.push_back(makeLine(EncodeUtf8(Ident) + "=" + value));
        FModified = true;
        Reindex();
        return;
    }
    auto key = section->Keys.find(Fold(Ident));
    if (key != section->Keys.end()) {
        TLine &line = FLines[key->second];
        std::size_t end = TrimEnd(line.Raw, line.ValueStart, line.Raw.size());
        if (line.Raw.compare(line.ValueStart, end - line.ValueStart, value) == 0)
            return;
        // Keep the key as it is written (spelling, blanks around '='), replace the value.
        line.Raw = line.Raw.substr(0, line.ValueStart) + value;
        FModified = true;
        return;
    }
    std::size_t after = section->LastKey;
    if (FLines[after].Break.empty())
        FLines[after].Break = FBreak;
    FLines.insert(FLines.begin() + std::ptrdiff_t(after + 1), makeLine(EncodeUtf8(Ident) + "=" + value));
    FModified = true;
    Reindex();
}

void TIniFile::WriteInteger(const WideString &Section, const WideString &Ident, int Value)
{
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, Value);
    WriteString(Section, Ident, WideString(buffer, result.ptr));
}

void TIniFile::WriteBool(const WideString &Section, const WideString &Ident, bool Value)
{
    WriteString(Section, Ident, Value ? u"1" : u"0");
}

bool TIniFile::SectionExists(const WideString &Section) const
{
    return FindSection(Section) != nullptr;
}

bool TIniFile::ValueExists(const WideString &Section, const WideString &Ident) const
{
    return FindKey(Section, Ident) != nullptr;
}

std::vector<WideString> TIniFile::ReadSection(const WideString &Section) const
{
    std::vector<WideString> names;
    const TSectionIndex *section = FindSection(Section);
    if (!section)
        return names;
    for (std::size_t i = section->Header + 1; i < section->End; ++i) {
        const TLine &line = FLines[i];
        if (line.Kind != TLineKind::Key)
            continue;
        auto it = section->Keys.find(line.Folded);
        if (it != section->Keys.end() && it->second == i)
            names.push_back(line.Name);
    }
    return names;
}

std::vector<WideString> TIniFile::ReadSections() const
{
    std::vector<WideString> names;
    names.reserve(FSections.size());
    for (const TSectionIndex &section : FSections)
        names.push_back(FLines[section.Header].Name);
    return names;
}

void TIniFile::DeleteKey(const WideString &Section, const WideString &Ident)
{
    const TSectionIndex *section = FindSection(Section);
    if (!section)
        return;
    auto key = section->Keys.find(Fold(Ident));
    if (key == section->Keys.end())
        return;
    FLines.erase(FLines.begin() + std::ptrdiff_t(key->second));
    FModified = true;
    Reindex();
}

void TIniFile::EraseSection(const WideString &Section)
{
    const TSectionIndex *section = FindSection(Section);
    if (!section)
        return;
    FLines.erase(FLines.begin() + std::ptrdiff_t(section->Header), FLines.begin() + std::ptrdiff_t(section->End));
    FModified = true;
    Reindex();
}

std::string TIniFile::Text() const
{
    std::string out;
    if (FBom)
        out = kBom;
    for (const TLine &line : FLines) {
        out += line.Raw;
        out += line.Break;
    }
    return out;
}

void TIniFile::UpdateFile()
{
    const AnsiString failure = "Unable to write to " + FFileName;
    // A file we could not read would lose everything we did not see: leave it alone.
    if (FReadFailed)
        throw EIniFileException(failure);
    if (!FModified)
        return;
    const std::string bytes = Text();
    try {
        TAtomicSave::SaveFile(FFileName, bytes.data(), bytes.size());
    } catch (const EStreamError &) {
        throw EIniFileException(failure); // the file stays as it was
    }
    FModified = false;
}
