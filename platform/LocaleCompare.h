#pragma once
// The comparison of strings the user reads (sorted lists, lookups by display name). Logic code
// compares through LocaleCompareText; the program installs the user's locale rules at start-up
// (TGuardedApplication does), and until then a plain comparison stands in, so code run without
// a window still orders and finds strings the same way on every machine.
#include "platform/Types.h"

// Negative, zero or positive as S1 sorts before, with or after S2.
using TTextCompare = int (*)(const WideString &S1, const WideString &S2);

// -1, 0 or 1 through the installed comparison.
int LocaleCompareText(const WideString &S1, const WideString &S2);
// Installs Compare (nullptr restores the plain one); returns the previous one.
TTextCompare SetLocaleCompareText(TTextCompare Compare);
// The plain comparison: ASCII letters compare without case, everything else by code unit.
int PlainCompareText(const WideString &S1, const WideString &S2);
