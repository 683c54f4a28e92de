#pragma once
// Small system and string helpers. Numbers are formatted and parsed without the locale.
#include "platform/Exception.h"
#include <cstdint>

// Milliseconds since an arbitrary start (monotonic), wrapping at 2^32 like a tick count.
uint32_t GetTickCount();

AnsiString IntToStr(int64_t Value);
AnsiString IntToHex(uint64_t Value, int Digits);
// The value of a hexadecimal digit (either case), -1 for any other character.
int HexDigitOf(char32_t C);
// Decimal, optional sign, or hexadecimal with a leading '$' or "0x"; blanks around are allowed.
// Throws EConvertError "'S' is not a valid integer value".
int StrToInt(const AnsiString &S);
int StrToIntDef(const AnsiString &S, int Default);
bool TryStrToInt(const AnsiString &S, int &Value);

// Case rules on ASCII letters only: other bytes compare and convert as they are.
AnsiString UpperCase(const AnsiString &S);
AnsiString LowerCase(const AnsiString &S);
int CompareText(const AnsiString &S1, const AnsiString &S2);
bool SameText(const AnsiString &S1, const AnsiString &S2);

// Trim characters up to and including the blank.
AnsiString Trim(const AnsiString &S);
AnsiString TrimLeft(const AnsiString &S);
AnsiString TrimRight(const AnsiString &S);

// Paths use '/'. The extension includes its dot; none gives "".
AnsiString ExtractFileExt(const AnsiString &FileName);
AnsiString ExtractFileName(const AnsiString &FileName);
// Folder part including the final '/'.
AnsiString ExtractFilePath(const AnsiString &FileName);
AnsiString ChangeFileExt(const AnsiString &FileName, const AnsiString &Extension);
bool FileExists(const AnsiString &FileName);
bool DirectoryExists(const AnsiString &Name);
