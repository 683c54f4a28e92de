#include "editor/LineChange.h"
#include <algorithm>
#include <cstring>

namespace {
constexpr size_t Block = 512; // compared with memcmp a block at a time
}

TLineChange LineChangeOf(std::u16string_view Old, std::u16string_view New)
{
    const size_t n = std::min(Old.size(), New.size());
    const WideChar *a = Old.data(), *b = New.data();
    size_t head = 0;
    while (head + Block <= n && std::memcmp(a + head, b + head, Block * sizeof(WideChar)) == 0)
        head += Block;
    while (head < n && a[head] == b[head])
        ++head;
    // The alike end, not reaching into the alike start.
    const size_t room = n - head;
    const WideChar *ae = a + Old.size(), *be = b + New.size();
    size_t tail = 0;
    while (tail + Block <= room && std::memcmp(ae - tail - Block, be - tail - Block, Block * sizeof(WideChar)) == 0)
        tail += Block;
    while (tail < room && *(ae - 1 - tail) == *(be - 1 - tail))
        ++tail;
    return {static_cast<int>(head), static_cast<int>(Old.size() - tail), static_cast<int>(New.size() - tail)};
}
