#pragma once
// Helpers for the checker's string lists, whose objects are either model objects or plain line numbers.
#include <cstdint>

#include "platform/StringList.h"

inline TObject *LineObject(int32_t Line)
{
    return reinterpret_cast<TObject *>(static_cast<intptr_t>(Line));
}
inline int32_t ObjectLine(const TObject *Obj)
{
    return static_cast<int32_t>(reinterpret_cast<intptr_t>(Obj));
}

// Decodes an include-encoded (negative) line into the line within its include; plain lines stay.
inline int32_t DisplayLine(int32_t Line)
{
    return Line < 0 ? Line % 1000000 + 999999 : Line;
}
