#pragma once
// The lists of the checker's model: records kept in the order they were added, each under a name, where
// a name finds its first record through a hash index (checker/FlatIndex.h) instead of a scan. The index
// follows the list as it grows; renaming or removing records makes it start again at the next lookup.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checker/CheckLine.h"
#include "checker/FlatIndex.h"
#include "text/ZSStrUtils.h"

template <class T>
class TNamedList {
public:
    struct TEntry {
        AnsiString Name;
        T Value;
    };

    int Count() const { return static_cast<int>(FEntries.size()); }
    bool Empty() const { return FEntries.empty(); }
    const AnsiString &Name(int Index) const { return FEntries[Index].Name; }
    // The name at Index, as a string list reads.
    const AnsiString &operator[](int Index) const { return FEntries[Index].Name; }
    T &Value(int Index) { return FEntries[Index].Value; }
    const T &Value(int Index) const { return FEntries[Index].Value; }
    const TEntry &Back() const { return FEntries.back(); }

    // Appends a record; its index.
    int Add(AnsiString Name, T Value)
    {
        FEntries.push_back({std::move(Name), std::move(Value)});
        return Count() - 1;
    }
    // Index of the first record named Name (byte for byte), -1 when none.
    int IndexOf(const AnsiString &Name) const
    {
        if (FEntries.size() <= kScanBelow) { // a scan beats hashing there
            for (size_t i = 0; i < FEntries.size(); ++i)
                if (FEntries[i].Name == Name)
                    return static_cast<int>(i);
            return -1;
        }
        SyncIndex();
        return FIndex.Find(Hash(Name), [&](uint32_t I) { return FEntries[I].Name == Name; });
    }
    bool Contains(const AnsiString &Name) const { return IndexOf(Name) >= 0; }

    void Rename(int Index, AnsiString Name)
    {
        FEntries[Index].Name = std::move(Name);
        ForgetIndex();
    }
    // Removes the records Drop(entry) picks, keeping the others in order. Drop sees each record once, in
    // the list's order.
    template <class Pred>
    void RemoveIf(Pred Drop)
    {
        size_t kept = 0;
        for (size_t i = 0; i < FEntries.size(); ++i) {
            if (Drop(std::as_const(FEntries[i])))
                continue;
            if (kept != i)
                FEntries[kept] = std::move(FEntries[i]);
            ++kept;
        }
        if (kept == FEntries.size())
            return;
        FEntries.erase(FEntries.begin() + static_cast<std::ptrdiff_t>(kept), FEntries.end());
        ForgetIndex();
    }
    void Clear()
    {
        FEntries.clear();
        ForgetIndex();
    }

    auto begin() { return FEntries.begin(); }
    auto end() { return FEntries.end(); }
    auto begin() const { return FEntries.begin(); }
    auto end() const { return FEntries.end(); }

private:
    static constexpr size_t kScanBelow = 8;

    void ForgetIndex()
    {
        FIndex.Clear();
        FIndexed = 0;
    }

    static size_t Hash(std::string_view Name) { return std::hash<std::string_view>()(Name); }

    // Brings the index up to the list; records are indexed in order, so a name finds its first record.
    void SyncIndex() const
    {
        if (FIndexed == FEntries.size())
            return;
        if (FIndex.TooSmallFor(FEntries.size())) {
            FIndex.Reset(FEntries.size());
            FIndexed = 0;
        }
        for (; FIndexed < FEntries.size(); ++FIndexed) {
            const AnsiString &name = FEntries[FIndexed].Name;
            FIndex.Insert(Hash(name), static_cast<uint32_t>(FIndexed),
                          [&](uint32_t I) { return FEntries[I].Name == name; });
        }
    }

    std::vector<TEntry> FEntries;
    mutable TFlatIndex FIndex;
    mutable size_t FIndexed = 0; // records in the index
};

// Names with the line each was met on.
class TLineList : public TNamedList<TCheckLine> {
public:
    TCheckLine Line(int Index) const { return Value(Index); }
    // Whether the records of line Line at the end of the list hold Name. Records of one line are added
    // together, as lines only grow within a piece, so only the tail can hold them.
    bool EndsWith(const AnsiString &Name, TCheckLine Line) const
    {
        for (int i = Count() - 1; i >= 0 && Value(i) == Line; --i)
            if (this->Name(i) == Name)
                return true;
        return false;
    }
};

// Owned model objects under their names.
template <class T>
class TRecordList : public TNamedList<std::unique_ptr<T>> {
public:
    using Base = TNamedList<std::unique_ptr<T>>;
    // The record at Index; null outside the list or where the record was removed.
    T *At(int Index) const { return Index >= 0 && Index < Base::Count() ? Base::Value(Index).get() : nullptr; }
    T *Find(const AnsiString &Name) const { return At(Base::IndexOf(Name)); }
    T *Last() const { return Base::Empty() ? nullptr : Base::Back().Value.get(); }
};
