#pragma once
// Little-endian fields of picture files' headers and records, read and written byte by byte (the
// data need not be aligned).
#include <cstdint>

inline uint16_t LeU16(const uint8_t *p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t LeU32(const uint8_t *p)
{
    return uint32_t(LeU16(p)) | (uint32_t(LeU16(p + 2)) << 16);
}

inline void PutLe16(uint8_t *p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

inline void PutLe32(uint8_t *p, uint32_t v)
{
    PutLe16(p, uint16_t(v));
    PutLe16(p + 2, uint16_t(v >> 16));
}
