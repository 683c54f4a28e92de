#pragma once
// Windows metafiles (WMF) drawn into pixels by libwmf's player, for the picture preview.
#include <QImage>
#include <QSize>
#include <cstdint>
#include <string>
#include <vector>

// Checks a placeable metafile's records before the player sees them, and answers the copy the
// player is given; an empty vector (and the reason in *Why) for a file that must not be played.
// The player trusts what the file says: a bitmap record whose extents are negative or reach past
// the picture's frame sends it into minutes of interpolation, a bitmap header that claims more
// pixels than its record holds makes it read past the data, and the header's largest-record
// count is what it allocates for every record. So we refuse records whose counts or extents
// do not fit (a truncated record, a point list past its record, a bitmap larger than its data
// or than the picture budget, a zero window), and the copy carries the header's counts worked
// out from the records themselves and ends at the end record (one is added when missing).
std::vector<uint8_t> PrepareWmf(const std::vector<uint8_t> &Data, std::string *Why = nullptr);

// The metafile Data played into an image of Size (ARGB32, transparent where nothing is drawn);
// a null image when the file is refused (PrepareWmf) or libwmf cannot play it. Runs in the
// calling process without a bound of time, memory or size: the preview plays through
// PlayMetafile (images/MetafilePlay.h), which bounds all three.
QImage RenderWmf(const std::vector<uint8_t> &Data, QSize Size);

// The same for a copy PrepareWmf has answered already (an empty one draws nothing).
QImage RenderPreparedWmf(std::vector<uint8_t> Prepared, QSize Size);
