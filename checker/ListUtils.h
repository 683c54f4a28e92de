#pragma once
// Line numbers: kept in the object slots of the include lists a check hands back to its caller, and
// decoded from the numbering of include pieces.
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
