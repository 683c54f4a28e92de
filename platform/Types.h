#pragma once
// Basic text types shared by the logic classes: UTF-16 wide strings, and 8-bit strings
// holding Windows-1252 text.
#include <cstdint>
#include <string>

using WideChar = char16_t;
using WideString = std::u16string;
using AnsiString = std::string;

// File names are the exception: an AnsiString path holds the UTF-8 bytes POSIX calls expect.
