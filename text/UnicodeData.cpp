#include "text/UnicodeData.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

extern const unsigned char kUnicodeTypeTable[];
extern const unsigned long kUnicodeTypeTableSize;
extern const unsigned char kUnicodeCaseTable[];
extern const unsigned long kUnicodeCaseTableSize;
extern const unsigned int kUnicodeWideRanges[];
extern const unsigned long kUnicodeWideRangeCount;

namespace {

constexpr int kMaxSectionCount = 21846; // 21846 * 3 * 4 bytes no longer fits a 16-bit-sized table

// Sequential reader over a stored table; the mark decides whether values are byte-swapped.
class TTableReader {
public:
    TTableReader(const uint8_t *data, size_t size) : FData(data), FSize(size) {}

    void ReadMark()
    {
        uint16_t mark = Word();
        if (mark == 0xFEFF)
            FSwap = false;
        else if (mark == 0xFFFE)
            FSwap = true;
        else
            throw EUnicodeDataError("Unicode table has no byte-order mark");
    }

    uint16_t Word()
    {
        Need(2);
        uint16_t v = uint16_t(FData[FPos] | (FData[FPos + 1] << 8));
        FPos += 2;
        return FSwap ? uint16_t((v >> 8) | (v << 8)) : v;
    }

    uint32_t Long()
    {
        Need(4);
        uint32_t v = uint32_t(FData[FPos]) | (uint32_t(FData[FPos + 1]) << 8) | (uint32_t(FData[FPos + 2]) << 16) |
                     (uint32_t(FData[FPos + 3]) << 24);
        FPos += 4;
        return FSwap ? SwapLongWord(v) : v;
    }

    void Skip(size_t n)
    {
        Need(n);
        FPos += n;
    }

    size_t Left() const { return FSize - FPos; }

private:
    void Need(size_t n) const
    {
        if (n > FSize - FPos)
            throw EUnicodeDataError("Unicode table is shorter than its header says");
    }

    const uint8_t *FData;
    size_t FSize;
    size_t FPos = 0;
    bool FSwap = false;
};

std::mutex &TableLock()
{
    static std::mutex lock;
    return lock;
}

std::unique_ptr<TUnicodeTypeTable> GTypes;
std::unique_ptr<TUnicodeCaseTable> GCases;
std::atomic<const TUnicodeTypeTable *> GTypesReady{nullptr};
std::atomic<const TUnicodeCaseTable *> GCasesReady{nullptr};

const TUnicodeTypeTable &Types()
{
    const TUnicodeTypeTable *t = GTypesReady.load(std::memory_order_acquire);
    if (!t) {
        LoadCharacterTypes();
        t = GTypesReady.load(std::memory_order_acquire);
    }
    return *t;
}

const TUnicodeCaseTable &Cases()
{
    const TUnicodeCaseTable *t = GCasesReady.load(std::memory_order_acquire);
    if (!t) {
        LoadCaseMap();
        t = GCasesReady.load(std::memory_order_acquire);
    }
    return *t;
}

} // namespace

uint32_t SwapLongWord(uint32_t value)
{
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

TUnicodeTypeTable ReadCharacterTypes(const uint8_t *data, size_t size)
{
    TTableReader r(data, size);
    r.ReadMark();
    TUnicodeTypeTable t;
    t.PropertyCount = r.Word();
    const uint32_t bytes = r.Long();
    if (bytes > r.Left())
        throw EUnicodeDataError("Unicode table is shorter than its header says");
    const size_t offsetBytes = ((size_t(t.PropertyCount) + 1) * 2 + 3) / 4 * 4;
    t.Offsets.resize(size_t(t.PropertyCount) + 1);
    for (auto &o : t.Offsets)
        o = r.Word();
    r.Skip(offsetBytes - t.Offsets.size() * 2);
    const size_t count = t.Offsets.back();
    if (count % 2 != 0)
        throw EUnicodeDataError("Unicode property ranges are not in pairs");
    t.Ranges.resize(count);
    for (auto &v : t.Ranges)
        v = r.Long();
    // Every used offset must name a pair inside the ranges.
    for (int p = 0; p < t.PropertyCount; ++p)
        if (t.Offsets[p] != 0xFFFF && (t.Offsets[p] > count || t.Offsets[p] % 2 != 0))
            throw EUnicodeDataError("Unicode property offset out of range");
    return t;
}

TUnicodeCaseTable ReadCaseMap(const uint8_t *data, size_t size)
{
    TTableReader r(data, size);
    r.ReadMark();
    TUnicodeCaseTable t;
    t.Total = r.Word();
    t.Upper = r.Word();
    t.Lower = r.Word();
    if (t.Upper >= kMaxSectionCount || t.Lower >= kMaxSectionCount || t.Upper + t.Lower > t.Total)
        throw EUnicodeDataError("Unicode case table counts out of range");
    t.Triples.resize(size_t(t.Total) * 3);
    for (auto &v : t.Triples)
        v = r.Long();
    return t;
}

void TUnicodeTypeTable::PropertyRanges(int property, size_t &First, size_t &Last) const
{
    First = Last = 0;
    if (property < 0 || property >= PropertyCount || Offsets[property] == 0xFFFF)
        return;
    // The pairs run up to the next property that has ranges (or the end).
    int q = property + 1;
    while (q < PropertyCount && Offsets[q] == 0xFFFF)
        ++q;
    First = Offsets[property];
    Last = std::max<size_t>(First, std::min<size_t>(Offsets[q], Ranges.size()));
}

bool TUnicodeTypeTable::HasProperty(uint32_t code, int property) const
{
    size_t first, last;
    PropertyRanges(property, first, last);
    if (first == last)
        return false;
    long l = long(first);
    long r = long(last) - 1;
    while (l <= r) {
        long m = ((l + r) / 2) & ~1L;
        if (m < l)
            m = l;
        if (Ranges[m + 1] < code)
            l = m + 2;
        else if (code < Ranges[m])
            r = m - 2;
        else
            return true;
    }
    return false;
}

uint32_t TUnicodeCaseTable::Lookup(uint32_t code, int first, int last, int field) const
{
    if (field < 1 || field > 2 || first < 0 || last >= Total)
        return code;
    long l = first, r = last;
    while (l <= r) {
        long m = (l + r) / 2;
        uint32_t key = Triples[size_t(m) * 3];
        if (key < code)
            l = m + 1;
        else if (code < key)
            r = m - 1;
        else
            return Triples[size_t(m) * 3 + field];
    }
    return code;
}

const uint8_t *CharacterTypeData(size_t &size)
{
    size = kUnicodeTypeTableSize;
    return kUnicodeTypeTable;
}

const uint8_t *CaseMapData(size_t &size)
{
    size = kUnicodeCaseTableSize;
    return kUnicodeCaseTable;
}

void LoadCharacterTypes()
{
    std::lock_guard<std::mutex> guard(TableLock());
    if (GTypes)
        return;
    size_t size = 0;
    const uint8_t *data = CharacterTypeData(size);
    GTypes = std::make_unique<TUnicodeTypeTable>(ReadCharacterTypes(data, size));
    GTypesReady.store(GTypes.get(), std::memory_order_release);
}

void LoadCaseMap()
{
    std::lock_guard<std::mutex> guard(TableLock());
    if (GCases)
        return;
    size_t size = 0;
    const uint8_t *data = CaseMapData(size);
    GCases = std::make_unique<TUnicodeCaseTable>(ReadCaseMap(data, size));
    GCasesReady.store(GCases.get(), std::memory_order_release);
}

const TUnicodeTypeTable &UnicodeTypeTable()
{
    return Types();
}

const TUnicodeCaseTable &UnicodeCaseTable()
{
    return Cases();
}

bool UnicodeHasProperty(uint32_t code, int property)
{
    return Types().HasProperty(code, property);
}

bool UnicodeHasProperties(uint32_t code, uint32_t mask1, uint32_t mask2)
{
    const TUnicodeTypeTable &t = Types();
    for (int i = 0; i < 32; ++i) {
        if ((mask1 >> i) & 1u) {
            if (i >= t.PropertyCount)
                break;
            if (t.HasProperty(code, i))
                return true;
        }
    }
    for (int i = 0; i < 32; ++i) {
        if ((mask2 >> i) & 1u) {
            if (32 + i >= t.PropertyCount)
                break;
            if (t.HasProperty(code, 32 + i))
                return true;
        }
    }
    return false;
}

uint32_t UnicodeCaseLookup(uint32_t code, int first, int last, int field)
{
    return Cases().Lookup(code, first, last, field);
}

uint32_t UnicodeToUpper(uint32_t code)
{
    const TUnicodeTypeTable &t = Types();
    if (t.HasProperty(code, 14))
        return code;
    const TUnicodeCaseTable &c = Cases();
    if (t.HasProperty(code, 15))
        return c.Lookup(code, c.Upper, c.Upper + c.Lower - 1, 1);
    return c.Lookup(code, c.Upper + c.Lower, c.Total - 1, 1);
}

uint32_t UnicodeToLower(uint32_t code)
{
    const TUnicodeTypeTable &t = Types();
    if (t.HasProperty(code, 15))
        return code;
    const TUnicodeCaseTable &c = Cases();
    if (t.HasProperty(code, 14))
        return c.Lookup(code, 0, c.Upper - 1, 1);
    return c.Lookup(code, c.Upper + c.Lower, c.Total - 1, 2);
}

uint32_t UnicodeToTitle(uint32_t code)
{
    const TUnicodeTypeTable &t = Types();
    if (t.HasProperty(code, 16))
        return code;
    const TUnicodeCaseTable &c = Cases();
    if (t.HasProperty(code, 14))
        return c.Lookup(code, 0, c.Upper - 1, 2);
    return c.Lookup(code, c.Upper, c.Upper + c.Lower - 1, 2);
}

bool UnicodeIsWide(uint32_t code)
{
    if (code < 0x1100) // the first wide characters are the Hangul leading consonants
        return false;
    // The last range that starts at or before the code.
    size_t lo = 0, hi = kUnicodeWideRangeCount;
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (kUnicodeWideRanges[2 * mid] <= code)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo > 0 && code <= kUnicodeWideRanges[2 * (lo - 1) + 1];
}
