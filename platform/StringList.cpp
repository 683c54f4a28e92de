#include "platform/StringList.h"
#include "platform/AtomicSave.h"
#include "platform/Classes.h"
#include "platform/ScopeGuard.h"

#include <algorithm>

namespace {

// BeginUpdate now, EndUpdate on every way out of the scope.
auto UpdateBracket(TStrings &List)
{
    List.BeginUpdate();
    return TScopeGuard([&List] { List.EndUpdate(); });
}

} // namespace

namespace {
inline unsigned char upperAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

int compareNoCase(const AnsiString &a, const AnsiString &b)
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = upperAscii(static_cast<unsigned char>(a[i]));
        const unsigned char y = upperAscii(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
} // namespace

// ---- TStrings

void TStrings::IndexError(int Index)
{
    throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

void TStrings::Put(int Index, const AnsiString &S)
{
    TObject *obj = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, obj);
}

TObject *TStrings::GetObject(int) const
{
    return nullptr;
}

void TStrings::PutObject(int, TObject *)
{
}

int TStrings::Add(const AnsiString &S)
{
    const int index = Count();
    Insert(index, S);
    return index;
}

int TStrings::AddObject(const AnsiString &S, TObject *AObject)
{
    const int index = Add(S);
    PutObject(index, AObject);
    return index;
}

void TStrings::InsertObject(int Index, const AnsiString &S, TObject *AObject)
{
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::AddStrings(const TStrings &Strings)
{
    const auto bracket = UpdateBracket(*this);
    for (int i = 0; i < Strings.Count(); ++i)
        AddObject(Strings.Get(i), Strings.GetObject(i));
}

void TStrings::Assign(const TStrings &Source)
{
    if (&Source == this)
        return;
    const auto bracket = UpdateBracket(*this);
    Clear();
    AddStrings(Source);
}

void TStrings::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    const auto bracket = UpdateBracket(*this);
    const AnsiString s = Get(CurIndex);
    TObject *obj = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, obj);
}

void TStrings::Exchange(int Index1, int Index2)
{
    const auto bracket = UpdateBracket(*this);
    const AnsiString s1 = Get(Index1);
    TObject *o1 = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s1);
    PutObject(Index2, o1);
}

int TStrings::CompareStrings(const AnsiString &S1, const AnsiString &S2) const
{
    if (CaseSensitive())
        return S1 == S2 ? 0 : (S1 < S2 ? -1 : 1);
    return compareNoCase(S1, S2);
}

int TStrings::IndexOf(const AnsiString &S) const
{
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), S) == 0)
            return i;
    return -1;
}

int TStrings::IndexOfName(const AnsiString &Name) const
{
    for (int i = 0; i < Count(); ++i) {
        const AnsiString &s = Get(i);
        const size_t eq = s.find('=');
        if (eq != AnsiString::npos && CompareStrings(s.substr(0, eq), Name) == 0)
            return i;
    }
    return -1;
}

int TStrings::IndexOfObject(const TObject *AObject) const
{
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == AObject)
            return i;
    return -1;
}

AnsiString TStrings::Names(int Index) const
{
    const AnsiString &s = Get(Index);
    const size_t eq = s.find('=');
    return eq == AnsiString::npos ? AnsiString() : s.substr(0, eq);
}

AnsiString TStrings::Values(const AnsiString &Name) const
{
    const int i = IndexOfName(Name);
    if (i < 0)
        return {};
    const AnsiString &s = Get(i);
    return s.substr(s.find('=') + 1);
}

void TStrings::SetValue(const AnsiString &Name, const AnsiString &Value)
{
    const int i = IndexOfName(Name);
    if (Value.empty()) {
        if (i >= 0)
            Delete(i);
    } else if (i >= 0) {
        Put(i, Name + "=" + Value);
    } else {
        Add(Name + "=" + Value);
    }
}

AnsiString TStrings::Text() const
{
    AnsiString out;
    size_t total = 0;
    for (int i = 0; i < Count(); ++i)
        total += Get(i).size() + 2;
    out.reserve(total);
    for (int i = 0; i < Count(); ++i) {
        out += Get(i);
        out += "\r\n";
    }
    return out;
}

void TStrings::SetText(const AnsiString &Text)
{
    const auto bracket = UpdateBracket(*this);
    Clear();
    size_t start = 0;
    const size_t n = Text.size();
    while (start < n) {
        size_t p = start;
        while (p < n && Text[p] != '\r' && Text[p] != '\n')
            ++p;
        Add(Text.substr(start, p - start));
        if (p < n && Text[p] == '\r')
            ++p;
        if (p < n && Text[p] == '\n')
            ++p;
        start = p;
    }
}

AnsiString TStrings::CommaText() const
{
    AnsiString out;
    for (int i = 0; i < Count(); ++i) {
        const AnsiString &s = Get(i);
        if (i > 0)
            out += ',';
        const bool quote = s.empty() || s.find_first_of(" ,\"") != AnsiString::npos ||
                           std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 32; });
        if (!quote) {
            out += s;
            continue;
        }
        out += '"';
        for (char c : s) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

void TStrings::SetCommaText(const AnsiString &Text)
{
    const auto bracket = UpdateBracket(*this);
    Clear();
    size_t p = 0;
    const size_t n = Text.size();
    auto skipBlanks = [&] {
        while (p < n && static_cast<unsigned char>(Text[p]) <= ' ')
            ++p;
    };
    skipBlanks();
    while (p < n) {
        AnsiString item;
        if (Text[p] == '"') {
            ++p;
            while (p < n) {
                if (Text[p] == '"') {
                    if (p + 1 < n && Text[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += Text[p++];
            }
        } else {
            while (p < n && Text[p] != ',' && static_cast<unsigned char>(Text[p]) > ' ')
                item += Text[p++];
        }
        Add(item);
        skipBlanks();
        if (p < n && Text[p] == ',') {
            ++p;
            skipBlanks();
            if (p >= n)
                Add("");
        }
    }
}

void TStrings::LoadFromFile(const AnsiString &FileName)
{
    TMemoryStream m;
    m.LoadFromFile(FileName);
    SetText(AnsiString(reinterpret_cast<const char *>(m.Memory()), static_cast<size_t>(m.GetSize())));
}

void TStrings::SaveToFile(const AnsiString &FileName) const
{
    const AnsiString text = Text();
    TAtomicSave::SaveFile(FileName, text.data(), text.size());
}

void TStrings::BeginUpdate()
{
    if (FUpdateCount++ == 0)
        SetUpdateState(true);
}

void TStrings::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        SetUpdateState(false);
}

// ---- TStringList

void TStringList::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count())
        IndexError(Index);
}

const AnsiString &TStringList::Get(int Index) const
{
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].S;
}

void TStringList::Put(int Index, const AnsiString &S)
{
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(Index);
    Changing();
    FItems[static_cast<size_t>(Index)].S = S;
    Changed();
}

TObject *TStringList::GetObject(int Index) const
{
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].Obj;
}

void TStringList::PutObject(int Index, TObject *AObject)
{
    CheckIndex(Index);
    Changing();
    FItems[static_cast<size_t>(Index)].Obj = AObject;
    Changed();
}

void TStringList::Insert(int Index, const AnsiString &S)
{
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    if (Index < 0 || Index > Count())
        IndexError(Index);
    Changing();
    FItems.insert(FItems.begin() + Index, Item{S, nullptr});
    Changed();
}

void TStringList::Delete(int Index)
{
    CheckIndex(Index);
    Changing();
    FItems.erase(FItems.begin() + Index);
    Changed();
}

void TStringList::Clear()
{
    if (FItems.empty())
        return;
    Changing();
    FItems.clear();
    Changed();
}

void TStringList::Exchange(int Index1, int Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
    Changed();
}

int TStringList::Add(const AnsiString &S)
{
    int index = Count();
    if (FSorted) {
        if (Find(S, index)) {
            if (FDuplicates == dupIgnore)
                return index;
            if (FDuplicates == dupError)
                throw EStringListError("String list does not allow duplicates");
        }
    }
    Changing();
    FItems.insert(FItems.begin() + index, Item{S, nullptr});
    Changed();
    return index;
}

int TStringList::IndexOf(const AnsiString &S) const
{
    if (!FSorted)
        return TStrings::IndexOf(S);
    int index = 0;
    return Find(S, index) ? index : -1;
}

bool TStringList::Find(const AnsiString &S, int &Index) const
{
    int lo = 0;
    int hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = CompareStrings(FItems[static_cast<size_t>(mid)].S, S);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (FDuplicates != dupAccept)
                    lo = mid;
            }
        }
    }
    Index = lo;
    return found;
}

void TStringList::Sort()
{
    CustomSort([](const TStringList &L, int a, int b) { return L.CompareStrings(L.Get(a), L.Get(b)); });
}

void TStringList::CustomSort(const std::function<int(const TStringList &, int, int)> &Compare)
{
    if (Count() < 2)
        return;
    Changing();
    // Sort a permutation, reading entries through the list as the comparer expects.
    std::vector<int> order(FItems.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Compare(*this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(FItems.size());
    for (int i : order)
        sorted.push_back(std::move(FItems[static_cast<size_t>(i)]));
    FItems = std::move(sorted);
    Changed();
}

void TStringList::SetSorted(bool Value)
{
    if (FSorted == Value)
        return;
    if (Value)
        Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value)
{
    if (FCaseSensitive == Value)
        return;
    FCaseSensitive = Value;
    if (FSorted)
        Sort();
}

void TStringList::SetUpdateState(bool Updating)
{
    if (Updating)
        Changing();
    else
        Changed();
}

void TStringList::Changed()
{
    if (UpdateCount() == 0 && OnChange)
        OnChange(*this);
}

void TStringList::Changing()
{
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(*this);
}
