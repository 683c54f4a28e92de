#pragma once
// URL splitting, Base64 and the date text of HTTP requests: routines the HTTP client uses
// that need no component.
#include "platform/Types.h"

// Days since 30 December 1899 with the time of day as the fraction.
using TDateTime = double;

// The N-th occurrence (1-based position) of Sub in S, counted from the left for N > 0 and from
// the right for N < 0; 0 when there is none or N is 0.
int PosN(const AnsiString &Sub, const AnsiString &S, int N);

// Splits URL into its parts. Path brings in the base path that "./" and "../" forms resolve
// against. The scheme is matched without regard to case and stored in lower case.
void SplitUrl(const AnsiString &URL, AnsiString &Proto, AnsiString &User, AnsiString &Password, AnsiString &Host,
              AnsiString &Port, AnsiString &Path);

// Encoding 1 or 2: Base64 on one line; 0: one uuencoded line; other values give "".
AnsiString EncodeText(int Encoding, const AnsiString &S);

// "Mon, 01 Jan 1900 12:00:00" for the date as given (no zone is added or converted).
AnsiString HttpDateText(TDateTime D);

// Date and time of its parts, and the parts of a date (both without time zones).
TDateTime EncodeDateTime(int Year, int Month, int Day, int Hour, int Minute, int Second);
void DecodeDateTime(TDateTime D, int &Year, int &Month, int &Day, int &Hour, int &Minute, int &Second);
// Local date and time -> universal time, using the system's zone rules for that moment.
TDateTime LocalTimeToUniversal(TDateTime D);
