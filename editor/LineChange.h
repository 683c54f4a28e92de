#pragma once
// Where a line's text changed: characters [Same, OldEnd) of the old text became characters
// [Same, NewEnd) of the new one; the rest is alike.
#include "platform/Types.h"
#include <string_view>

struct TLineChange {
    int Same = 0;
    int OldEnd = 0;
    int NewEnd = 0;
};

TLineChange LineChangeOf(std::u16string_view Old, std::u16string_view New);
