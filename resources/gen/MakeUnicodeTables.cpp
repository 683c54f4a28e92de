// Build-time generator of the editor's Unicode character tables.
//
// Reads UnicodeData.txt, PropList.txt and EastAsianWidth.txt of the Unicode Character Database and writes
// a C++ source file holding two little-endian byte arrays and one range table:
//   kUnicodeTypeTable  character properties as code-point ranges ("TYPE" layout)
//   kUnicodeCaseTable  case-mapping triples ("CASE" layout)
//   kUnicodeWideRanges the (first, last) ranges of wide characters
// The property numbering is the one the editor's character classes and the regular-expression engine use.
//
// Usage: MakeUnicodeTables <database directory> <output .cpp>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kMaxCode = 0x10FFFF;
constexpr int kPropertyCount = 49;

// Property numbers of the general categories and bidirectional classes; -1 = not stored.
int CategoryProperty(const std::string &gc)
{
    static const std::map<std::string, int> table = {
        {"Mn", 0},  {"Mc", 1},  {"Me", 2},  {"Nd", 3},  {"Nl", 4},  {"No", 5},  {"Zs", 6},
        {"Zl", 7},  {"Zp", 8},  {"Cc", 9},  {"Cf", 10}, {"Co", 12}, {"Lu", 14}, {"Ll", 15},
        {"Lt", 16}, {"Lm", 17}, {"Lo", 18}, {"Pc", 19}, {"Pd", 20}, {"Ps", 21}, {"Pe", 22},
        {"Po", 23}, {"Sm", 24}, {"Sc", 25}, {"Sk", 26}, {"So", 27}, {"Pi", 47}, {"Pf", 48}};
    auto it = table.find(gc);
    return it == table.end() ? -1 : it->second;
}

int BidiProperty(const std::string &bc)
{
    static const std::map<std::string, int> table = {
        {"L", 28},  {"R", 29}, {"EN", 30}, {"ES", 31}, {"ET", 32}, {"AN", 33},
        {"CS", 34}, {"B", 35}, {"S", 36},  {"WS", 37}, {"ON", 38}};
    auto it = table.find(bc);
    return it == table.end() ? -1 : it->second;
}

std::vector<std::string> Split(const std::string &line, char sep)
{
    std::vector<std::string> out;
    std::string cur;
    for (char c : line) {
        if (c == sep) {
            out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(cur);
    return out;
}

std::string Trim(const std::string &s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

uint32_t Hex(const std::string &s)
{
    return static_cast<uint32_t>(std::stoul(s, nullptr, 16));
}

[[noreturn]] void Fail(const std::string &msg)
{
    std::cerr << "MakeUnicodeTables: " << msg << "\n";
    std::exit(1);
}

struct CaseEntry {
    uint32_t code, a, b;
};

void Put16(std::vector<uint8_t> &out, uint32_t v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((v >> (8 * i)) & 0xFF);
}

void WriteArray(std::ostream &os, const char *name, const std::vector<uint8_t> &data)
{
    os << "extern const unsigned char " << name << "[];\n";
    os << "extern const unsigned long " << name << "Size;\n";
    os << "const unsigned char " << name << "[] = {";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 20 == 0)
            os << "\n";
        os << unsigned(data[i]) << ",";
    }
    os << "\n};\n";
    os << "const unsigned long " << name << "Size = " << data.size() << "UL;\n\n";
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3)
        Fail("usage: MakeUnicodeTables <database directory> <output file>");
    const std::string dir = argv[1];

    std::vector<std::vector<bool>> has(kPropertyCount, std::vector<bool>(kMaxCode + 1, false));
    auto mark = [&](int p, uint32_t first, uint32_t last) {
        for (uint32_t c = first; c <= last; ++c)
            has[p][c] = true;
    };

    std::vector<CaseEntry> upper, lower, title;

    std::ifstream ud(dir + "/UnicodeData.txt");
    if (!ud)
        Fail("cannot read " + dir + "/UnicodeData.txt");
    std::string line;
    uint32_t rangeFirst = 0;
    bool inRange = false;
    while (std::getline(ud, line)) {
        if (Trim(line).empty())
            continue;
        auto f = Split(line, ';');
        if (f.size() < 15)
            Fail("malformed line: " + line);
        const uint32_t code = Hex(f[0]);
        const std::string &name = f[1];
        uint32_t first = code, last = code;
        if (name.size() > 8 && name.compare(name.size() - 8, 8, ", First>") == 0) {
            rangeFirst = code;
            inRange = true;
            continue;
        }
        if (inRange) {
            if (name.size() < 7 || name.compare(name.size() - 7, 7, ", Last>") != 0)
                Fail("range start without end before " + f[0]);
            first = rangeFirst;
            inRange = false;
        }
        const std::string &gc = f[2];
        if (int p = CategoryProperty(gc); p >= 0)
            mark(p, first, last);
        if (int p = BidiProperty(f[4]); p >= 0)
            mark(p, first, last);
        if (!f[5].empty())
            mark(39, first, last);
        if (f[5].rfind("<noBreak>", 0) == 0)
            mark(40, first, last);
        if (f[9] == "Y")
            mark(41, first, last);
        mark(46, first, last);

        // Case triples. An empty mapping field means the character maps to itself; an empty title-case
        // field means the title-case form is the upper-case one.
        const bool hasUpper = !f[12].empty(), hasLower = !f[13].empty(), hasTitle = !f[14].empty();
        if (first == last && (hasUpper || hasLower || hasTitle)) {
            const uint32_t up = hasUpper ? Hex(f[12]) : code;
            const uint32_t lo = hasLower ? Hex(f[13]) : code;
            const uint32_t ti = hasTitle ? Hex(f[14]) : up;
            // The lookups choose the section by the character's class: upper-case letters search the
            // upper-case section, lower-case letters the lower-case one, and every other character the
            // title-case section for its upper and lower forms and the lower-case section for its title
            // form. Cased characters that are not letters (Roman numerals, circled letters, combining
            // iota) therefore go into the title-case section, and into the lower-case section as well
            // when their title-case form differs from themselves.
            if (gc == "Lu") {
                upper.push_back({code, lo, ti});
            } else if (gc == "Ll") {
                lower.push_back({code, up, ti});
            } else {
                title.push_back({code, up, lo});
                if (gc != "Lt" && ti != code)
                    lower.push_back({code, up, ti});
            }
        }
    }

    std::ifstream pl(dir + "/PropList.txt");
    if (!pl)
        Fail("cannot read " + dir + "/PropList.txt");
    while (std::getline(pl, line)) {
        auto hash = line.find('#');
        std::string body = Trim(hash == std::string::npos ? line : line.substr(0, hash));
        if (body.empty())
            continue;
        auto f = Split(body, ';');
        if (f.size() != 2)
            continue;
        std::string codes = Trim(f[0]), prop = Trim(f[1]);
        int p = prop == "Hex_Digit" ? 42 : prop == "Quotation_Mark" ? 43 : -1;
        if (p < 0)
            continue;
        auto dots = codes.find("..");
        uint32_t a = Hex(codes.substr(0, dots));
        uint32_t b = dots == std::string::npos ? a : Hex(codes.substr(dots + 2));
        mark(p, a, b);
    }

    mark(11, 0x10000, kMaxCode);
    mark(45, 0x9, 0xD);

    // TYPE: ranges per property.
    std::vector<uint32_t> ranges;
    std::vector<uint32_t> offsets;
    for (int p = 0; p < kPropertyCount; ++p) {
        const size_t start = ranges.size();
        uint32_t c = 0;
        while (c <= kMaxCode) {
            if (!has[p][c]) {
                ++c;
                continue;
            }
            uint32_t e = c;
            while (e < kMaxCode && has[p][e + 1])
                ++e;
            ranges.push_back(c);
            ranges.push_back(e);
            c = e + 1;
        }
        offsets.push_back(ranges.size() == start ? 0xFFFF : static_cast<uint32_t>(start));
    }
    offsets.push_back(static_cast<uint32_t>(ranges.size()));
    if (ranges.size() >= 0xFFFF)
        Fail("too many ranges for 16-bit offsets");

    std::vector<uint8_t> type;
    const size_t offsetBytes = ((offsets.size() * 2) + 3) / 4 * 4;
    Put16(type, 0xFEFF);
    Put16(type, kPropertyCount);
    Put32(type, static_cast<uint32_t>(offsetBytes + ranges.size() * 4));
    for (uint32_t o : offsets)
        Put16(type, o);
    while (type.size() < 8 + offsetBytes)
        type.push_back(0);
    for (uint32_t r : ranges)
        Put32(type, r);

    // CASE: three sections, each sorted by its first field.
    auto byCode = [](const CaseEntry &x, const CaseEntry &y) { return x.code < y.code; };
    std::sort(upper.begin(), upper.end(), byCode);
    std::sort(lower.begin(), lower.end(), byCode);
    std::sort(title.begin(), title.end(), byCode);
    if (upper.size() >= 21846 || lower.size() >= 21846)
        Fail("case section too large");
    std::vector<uint8_t> cases;
    Put16(cases, 0xFEFF);
    Put16(cases, static_cast<uint32_t>(upper.size() + lower.size() + title.size()));
    Put16(cases, static_cast<uint32_t>(upper.size()));
    Put16(cases, static_cast<uint32_t>(lower.size()));
    for (const auto *sec : {&upper, &lower, &title})
        for (const auto &e : *sec) {
            Put32(cases, e.code);
            Put32(cases, e.a);
            Put32(cases, e.b);
        }

    // Wide characters (East Asian Width W or F): they take two cells of a fixed-pitch grid. The
    // unassigned code points of the ideograph blocks and planes 2 and 3 are wide by default.
    std::vector<bool> wide(kMaxCode + 1, false);
    for (auto [first, last] : {std::pair<uint32_t, uint32_t>{0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xF900, 0xFAFF},
                               {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}})
        for (uint32_t c = first; c <= last; ++c)
            wide[c] = true;
    std::ifstream eaw(dir + "/EastAsianWidth.txt");
    if (!eaw)
        Fail("cannot read " + dir + "/EastAsianWidth.txt");
    while (std::getline(eaw, line)) {
        const std::string data = Trim(line.substr(0, line.find('#')));
        if (data.empty())
            continue;
        const auto f = Split(data, ';');
        if (f.size() != 2)
            Fail("malformed line: " + line);
        const std::string codes = Trim(f[0]), width = Trim(f[1]);
        const size_t dots = codes.find("..");
        const uint32_t first = Hex(codes.substr(0, dots));
        const uint32_t last = dots == std::string::npos ? first : Hex(codes.substr(dots + 2));
        if (first > last || last > kMaxCode)
            Fail("malformed line: " + line);
        for (uint32_t c = first; c <= last; ++c)
            wide[c] = width == "W" || width == "F";
    }
    std::vector<uint32_t> wideRanges;
    for (uint32_t c = 0; c <= kMaxCode; ++c) {
        if (!wide[c])
            continue;
        uint32_t last = c;
        while (last < kMaxCode && wide[last + 1])
            ++last;
        wideRanges.push_back(c);
        wideRanges.push_back(last);
        c = last;
    }

    std::ostringstream os;
    os << "// Generated by resources/gen/MakeUnicodeTables.cpp from the Unicode Character Database. Do not edit.\n\n";
    WriteArray(os, "kUnicodeTypeTable", type);
    WriteArray(os, "kUnicodeCaseTable", cases);
    os << "extern const unsigned int kUnicodeWideRanges[] = {";
    for (size_t i = 0; i < wideRanges.size(); ++i)
        os << (i % 8 ? " " : "\n    ") << "0x" << std::hex << wideRanges[i] << std::dec << ",";
    os << "\n};\nextern const unsigned long kUnicodeWideRangeCount = " << wideRanges.size() / 2 << ";\n";
    std::ofstream out(argv[2], std::ios::binary);
    out << os.str();
    if (!out)
        Fail(std::string("cannot write ") + argv[2]);
    std::cout << "MakeUnicodeTables: " << ranges.size() / 2 << " ranges, " << upper.size() << "/" << lower.size()
              << "/" << title.size() << " case triples\n";
    return 0;
}
