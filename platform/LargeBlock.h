#pragma once
// Memory for a large block that is filled once from start to end, such as the text of a loaded file.
// The system is asked to back it with huge pages where it offers them (madvise), so that filling a
// hundred megabytes takes a few dozen page faults instead of one every 4 KB: on a virtual machine
// those faults cost more than reading and decoding the text. Small blocks are plain heap memory.
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

struct TLargeBlockFree {
    void operator()(void *p) const noexcept { std::free(p); }
};

template <class T>
using TLargeBlock = std::unique_ptr<T[], TLargeBlockFree>;

// Bytes of uninitialised memory, to be freed with std::free; raises std::bad_alloc when there is none.
void *AllocateLargeBytes(size_t Bytes);

// Count uninitialised elements of a trivial type T; freed with the block.
template <class T>
TLargeBlock<T> AllocateLargeBlock(size_t Count)
{
    if (Count > size_t(-1) / sizeof(T))
        throw std::bad_alloc();
    return TLargeBlock<T>(static_cast<T *>(AllocateLargeBytes(Count * sizeof(T))));
}

// An allocator over AllocateLargeBytes, for the arrays that grow with a loaded text (one item per line).
template <class T>
struct TLargeAllocator {
    using value_type = T;
    TLargeAllocator() = default;
    template <class U>
    TLargeAllocator(const TLargeAllocator<U> &) noexcept
    {
    }
    T *allocate(size_t Count)
    {
        if (Count > size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T *>(AllocateLargeBytes(Count * sizeof(T)));
    }
    void deallocate(T *p, size_t) noexcept { std::free(p); }
    template <class U>
    bool operator==(const TLargeAllocator<U> &) const noexcept
    {
        return true;
    }
};
