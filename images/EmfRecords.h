#pragma once
// The parameters of one enhanced-metafile record checked against the record's size, before the
// converter sees it (PrepareEmf, images/EmfRender.h, walks the record chain and calls this for
// each record). The converter trusts what a record says: a record shorter than its fixed fields, or
// a count of points, characters, rectangles, palette entries or vertices that reaches past the
// record, has it read past the record and, for the last records of a file, past the file.
#include <cstdint>

// The Size bytes of a record of Type at Record (Size is at least 8, a multiple of 4): nullptr
// when its parameters lie within it, else the reason it is refused. Bitmaps a record carries are
// checked as images/MetafileDib.h checks them.
const char *CheckEmfRecord(uint32_t Type, const uint8_t *Record, uint32_t Size);
