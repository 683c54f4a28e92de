#pragma once
// Enhanced metafiles (EMF) drawn into pixels: libemf2svg turns the records into an SVG drawing,
// which Qt's SVG module paints at the size asked for.
#include <QImage>
#include <QSize>
#include <cstdint>
#include <string>
#include <vector>

// Checks an enhanced metafile's record chain (a header record that names the signature, its
// description and pixel format within it; every record at least a type and size long, a multiple
// of four bytes and within the file; a bitmap record's bitmaps as images/MetafileDib.h checks
// them, their headers and bits within the record; object slots within the 16-bit table) and
// answers the copy the converter is given: a drawing starts with a white brush and a black pen
// selected, as on a fresh device context (the converter's own start is a black brush), and ends
// at its end record; a description or pixel format of no length or at no offset is absent from
// its header; every pattern brush carries the file's largest bits size (images/EmfRecords.h).
// An empty vector, with the reason in *Why, for a file that must not be converted.
std::vector<uint8_t> PrepareEmf(const std::vector<uint8_t> &Data, std::string *Why = nullptr);

// The metafile Data drawn into an image of Size (ARGB32, transparent where nothing is drawn); a
// null image when the file is refused or the converter or the SVG reader cannot take it. Runs in
// the calling process without a time or memory bound: the preview plays through PlayMetafile
// (images/MetafilePlay.h), which bounds it.
QImage RenderEmf(const std::vector<uint8_t> &Data, QSize Size);

// The same for a copy PrepareEmf has answered already (an empty one draws nothing).
QImage RenderPreparedEmf(std::vector<uint8_t> Prepared, QSize Size);

// The same for such a copy of Length bytes at Prepared, held where the caller chose (the metafile
// fuzz target keeps it against a page that cannot be read, so a read past it faults).
QImage RenderPreparedEmf(uint8_t *Prepared, size_t Length, QSize Size);

// Readies, once per process, what the SVG drawing loads on first use (Qt's image readers for the
// bitmaps an SVG embeds, the SVG module itself). A child process made after this finds them
// loaded, instead of spending its time budget on loading them anew every time.
void ReadyEmfRendering();
