#pragma once
// 8-bit string helpers shared by the editor and the script checker. Positions count from 1 and 0 means
// "not found"; case folding is ASCII only ('a'..'z' to 'A'..'Z'), bytes 128-255 compare exactly.
#include "platform/StringList.h"

// A string list that carries exact (case-sensitive, unsorted) lookup through IndexOfExact.
class TZSStringList : public TStringList {
public:
    using TStringList::TStringList;
};

// 1-based position of the first occurrence of SubStr in S, ignoring ASCII case; 0 when SubStr is empty,
// longer than S, or absent.
int PosNoCase(const AnsiString &SubStr, const AnsiString &S);
// How many characters of S equal the one-character text C; a C of any other length counts 0.
int CountChar(const AnsiString &C, const AnsiString &S);
// Replaces every byte Old of S by New.
void ReplaceChar(AnsiString &S, char Old, char New);
// The logged-on user's name and the computer's name; empty when they cannot be read.
AnsiString GetUserNameStr();
AnsiString GetComputerNameStr();
// 0-based index of the first item whose text equals S byte for byte, -1 when none. A linear scan that
// ignores the list's sort order and case setting.
int IndexOfExact(const TStrings &List, const AnsiString &S);
