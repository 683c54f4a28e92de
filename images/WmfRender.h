#pragma once
// Windows metafiles (WMF) drawn into pixels by libwmf's player, for the picture preview.
#include <QImage>
#include <QSize>
#include <cstdint>
#include <vector>

// The metafile Data played into an image of Size (ARGB32, transparent where nothing is drawn);
// a null image when libwmf cannot play it. Size is limited to a picture the preview can hold.
QImage RenderWmf(const std::vector<uint8_t> &Data, QSize Size);
