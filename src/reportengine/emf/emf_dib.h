#pragma once
// Device-independent bitmaps inside EMF records: decoded with every size checked against the
// bytes that carry them, and written for the pages we record.

#include "reportengine/emf/emf_format.h"

#include <QImage>
#include <QString>

namespace emf {

// Decodes a bitmap header + colour table (bmi) and its pixel bits. usage 1 (palette indices)
// gives grey levels. A null image with why set when the bitmap cannot be drawn. The image takes
// at most about twice the bytes of bits. sourceAlpha (an alpha blend with per-pixel alpha): the
// fourth byte of 32-bit pixels is their alpha, the colours premultiplied by it.
QImage decodeDib(const Bytes& bmi, const Bytes& bits, std::uint32_t usage, QString* why, bool sourceAlpha = false);

// A 32-bit bottom-up BI_RGB bitmap: 40-byte header, then the bits. premultipliedAlpha keeps
// the alpha channel (for an alpha blend record), else the pixels are written opaque.
void encodeDib(const QImage& image, QByteArray& header, QByteArray& bits, bool premultipliedAlpha);

} // namespace emf
