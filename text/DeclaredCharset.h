#pragma once
// The character set a page names for itself near its start, found as browsers look for it before
// they decode: in the first kCharsetPrescanBytes bytes, a <meta charset=...> element, a
// <meta http-equiv="Content-Type" content="...; charset=..."> element, or an XML declaration with
// encoding="...". Comments and other tags are stepped over, so a charset inside a comment or in
// another tag's attribute names nothing.
#include <cstddef>
#include <cstdint>

constexpr size_t kCharsetPrescanBytes = 1024;

enum TDeclaredCharset : uint8_t {
    dcNone, // no declaration found
    dcUtf8, // a UTF-8 label ("utf-8", "utf8", "unicode-1-1-utf-8", ...)
    dcOther, // any other label (Windows-1252, ISO-8859-1, ...)
};

// The first declaration in data[0..min(size, kCharsetPrescanBytes)).
TDeclaredCharset FindDeclaredCharset(const uint8_t *data, size_t size);
