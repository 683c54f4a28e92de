#pragma once
// A hash index over records kept elsewhere in a numbered list: open addressing over record numbers (plus
// one; 0 marks a free slot), at most half full. It holds no keys, so indexing a million records costs no
// allocation per record; the caller hashes and compares the records itself.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

class TFlatIndex {
public:
    // Whether Entries records need more slots than there are.
    bool TooSmallFor(size_t Entries) const { return FSlots.size() < SlotsFor(Entries); }
    // Empties the index and sizes it for Entries records.
    void Reset(size_t Entries) { FSlots.assign(SlotsFor(Entries), 0); }
    void Clear() { FSlots.clear(); }

    // The number of the first record under Hash for which Same(number) holds; -1 when none.
    template <class TSame>
    int Find(size_t Hash, TSame &&Same) const
    {
        if (FSlots.empty())
            return -1;
        const size_t mask = FSlots.size() - 1;
        for (size_t i = Hash & mask;; i = (i + 1) & mask) {
            const uint32_t slot = FSlots[i];
            if (slot == 0)
                return -1;
            if (Same(slot - 1))
                return static_cast<int>(slot - 1);
        }
    }
    // Puts record Number under Hash unless Same(number) holds for a record there already (which keeps
    // its place: the first record of a key is the one found); false then. The caller sizes the index.
    template <class TSame>
    bool Insert(size_t Hash, uint32_t Number, TSame &&Same)
    {
        const size_t mask = FSlots.size() - 1;
        for (size_t i = Hash & mask;; i = (i + 1) & mask) {
            const uint32_t slot = FSlots[i];
            if (slot == 0) {
                FSlots[i] = Number + 1;
                return true;
            }
            if (Same(slot - 1))
                return false;
        }
    }

private:
    static size_t SlotsFor(size_t Entries) { return std::bit_ceil(std::max<size_t>(16, Entries * 2)); }

    std::vector<uint32_t> FSlots;
};
