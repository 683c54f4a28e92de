#pragma once
// The parameters of one enhanced-metafile record checked against the record's size, before the
// converter sees it (PrepareEmf, images/EmfRender.h, walks the record chain and calls this for
// each record). The converter trusts what a record says: a record shorter than its fixed fields, or
// a count of points, characters, rectangles, palette entries or vertices that reaches past the
// record, has it read past the record and, for the last records of a file, past the file.
#include <cstddef>
#include <cstdint>
#include <vector>

// The Size bytes of a record of Type at Record (Size is at least 8, a multiple of 4): nullptr
// when its parameters lie within it, else the reason it is refused. Bitmaps a record carries are
// checked as images/MetafileDib.h checks them.
const char *CheckEmfRecord(uint32_t Type, const uint8_t *Record, uint32_t Size);

// Appends the Length bytes of records at Records (a chain whose every record passed
// CheckEmfRecord) to Out, as the converter is given them. The converter looks each new pattern
// brush (CREATEMONOBRUSH, CREATEDIBPATTERNBRUSHPT) up among the copies it keeps of earlier ones by
// comparing the new brush's cbBits bytes with each copy, which holds only the earlier brush's
// cbBits bytes: a brush of more bits than an earlier one would have it read past that copy. So
// every pattern brush here carries the file's largest cbBits: a smaller one is rewritten as its
// fixed fields, its bitmap header, its bits and zero bytes up to that size (no row reaches them, so
// the brush is drawn as before), and the records after it move along. nullptr, or the reason the
// file is refused: padding that would grow the copy by more than 64 MiB.
const char *AppendEmfRecordsForConverter(std::vector<uint8_t> &Out, const uint8_t *Records, size_t Length);
