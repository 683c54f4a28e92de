#pragma once
// Text conversions for web authors: HTML encoding, URL encoding and decoding, and turning a text into a
// JavaScript string literal.
//
// The 8-bit functions work on Windows-1252 bytes. The wide forms are what the Edit menu uses on the
// editor's text: characters of the code page go through the 8-bit rules; a character the code page
// cannot hold is never lost (HTML: a numeric character reference; URL: its UTF-8 bytes, each
// percent-escaped; JavaScript: a \u escape).
#include "platform/Exception.h"
#include "platform/Types.h"

QUILLMAR_EXCEPTION(EURLDecode, Exception);

// Letters, digits and ! ' ( ) * - . _ ~ stay; every other byte becomes %XX (upper-case digits).
AnsiString URLEncode(const AnsiString &Text);
// %XX becomes its byte; everything else, "+" included, stays. Raises EURLDecode.
AnsiString URLDecode(const AnsiString &Text);
// 0-9, A-F, a-f give 0 to 15; anything else raises EURLDecode.
int HexDigitValue(char C);
// " & < > become entities, bytes 160-255 their named entities; runs of blanks keep their last blank and
// the others become &nbsp;; CR LF becomes <br>.
AnsiString HTMLEncode(const AnsiString &Text);
// A JavaScript string literal in single quotes whose value is Text; a line break inside the text ends
// the literal's line and the literal goes on after "' +" on the next line.
AnsiString EscapeJSString(const AnsiString &Text);

WideString URLEncodeWide(const WideString &Text);
// Escapes that form a UTF-8 sequence of a character outside the code page decode to that character
// (the mirror of URLEncodeWide); every other byte is read as Windows-1252.
WideString URLDecodeWide(const WideString &Text);
WideString HTMLEncodeWide(const WideString &Text);
WideString EscapeJSStringWide(const WideString &Text);
// The same literal between Quote characters (a double quote where the caller's text wants one).
WideString EscapeJSStringWide(const WideString &Text, char16_t Quote);
// Text as markup's attribute value or element text: only " & < > become entities, everything else
// (blanks, line breaks, characters outside the code page) stays as it is.
WideString HTMLEscape(const WideString &Text);

// The named entity of a Windows-1252 byte from 160 to 255 (without "&" and ";").
const char *HTMLEntityName(unsigned char Byte);
