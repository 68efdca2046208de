#include "reportengine/emf/emf_dib.h"

#include <QBuffer>
#include <QColor>
#include <QImageReader>

#include <algorithm>

namespace emf {

namespace {

constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5,
                        BI_ALPHABITFIELDS = 6;
constexpr std::int64_t kMaxSide = 65535;

int shiftOf(std::uint32_t mask)
{
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

int widthOf(std::uint32_t mask)
{
    mask >>= shiftOf(mask);
    int w = 0;
    while (mask & 1) {
        mask >>= 1;
        ++w;
    }
    return w;
}

int channel(std::uint32_t px, std::uint32_t mask)
{
    if (!mask)
        return 0;
    const int w = widthOf(mask);
    const std::uint32_t v = (px & mask) >> shiftOf(mask);
    if (w >= 8)
        return static_cast<int>(v >> (w - 8));
    const std::uint32_t max = (1u << w) - 1;
    return static_cast<int>(v * 255 / max);
}

} // namespace

QImage decodeDib(const Bytes& bmi, const Bytes& bits, std::uint32_t usage, QString* why, bool sourceAlpha)
{
    auto fail = [&](const QString& text) {
        if (why)
            *why = text;
        return QImage();
    };
    const auto headerSize = bmi.u32(0);
    if (!headerSize)
        return fail(QStringLiteral("bitmap header missing"));
    std::int64_t width = 0, height = 0;
    std::uint32_t bitCount = 0, compression = BI_RGB, colorsUsed = 0;
    std::uint32_t colorTable = 0;
    int paletteEntrySize = 4;
    if (*headerSize == 12) {
        if (!bmi.has(0, 12))
            return fail(QStringLiteral("bitmap core header truncated"));
        width = *bmi.u16(4);
        height = *bmi.i16(6);
        bitCount = *bmi.u16(10);
        colorTable = 12;
        paletteEntrySize = 3;
    } else {
        if (*headerSize < 40 || !bmi.has(0, 40))
            return fail(QStringLiteral("bitmap header of %1 bytes").arg(*headerSize));
        width = *bmi.i32(4);
        height = *bmi.i32(8);
        bitCount = *bmi.u16(14);
        compression = *bmi.u32(16);
        colorsUsed = *bmi.u32(32);
        colorTable = *headerSize;
    }
    const bool topDown = height < 0;
    height = height < 0 ? -height : height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return fail(QStringLiteral("bitmap of %1 x %2 pixels").arg(width).arg(height));

    if (compression == BI_JPEG || compression == BI_PNG) {
        // A compressed picture may unpack to far more than its bytes: it must be the size the
        // header gives, and no larger than 64 MB.
        QByteArray data = QByteArray::fromRawData(bits.data(), static_cast<qsizetype>(bits.size()));
        QBuffer buffer(&data);
        QImageReader reader(&buffer, compression == BI_PNG ? "PNG" : "JPG");
        reader.setAllocationLimit(64);
        if (reader.size() != QSize(static_cast<int>(width), static_cast<int>(height)))
            return fail(QStringLiteral("embedded picture is not the %1 x %2 pixels its header gives").arg(width).arg(height));
        QImage img = reader.read();
        if (img.isNull())
            return fail(QStringLiteral("embedded %1 picture does not decode").arg(compression == BI_PNG ? "PNG" : "JPEG"));
        return img;
    }
    if (compression == BI_RLE8 || compression == BI_RLE4)
        return fail(QStringLiteral("run-length coded bitmaps are not drawn"));
    if (compression != BI_RGB && compression != BI_BITFIELDS && compression != BI_ALPHABITFIELDS)
        return fail(QStringLiteral("bitmap compression %1").arg(compression));
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return fail(QStringLiteral("bitmap of %1 bits per pixel").arg(bitCount));

    const std::int64_t stride = (width * bitCount + 31) / 32 * 4;
    if (stride * height > static_cast<std::int64_t>(bits.size()))
        return fail(QStringLiteral("bitmap of %1 x %2 pixels needs %3 bytes, the record holds %4")
                        .arg(width).arg(height).arg(stride * height).arg(bits.size()));

    auto rowAt = [&](std::int64_t y) {
        const std::int64_t src = topDown ? y : height - 1 - y;
        return reinterpret_cast<const uchar*>(bits.data() + src * stride);
    };

    if (bitCount <= 8) {
        const std::uint32_t maxColors = 1u << bitCount;
        std::uint32_t colors = colorsUsed && colorsUsed < maxColors ? colorsUsed : maxColors;
        QList<QRgb> table;
        for (std::uint32_t i = 0; i < maxColors; ++i) {
            if (i < colors && usage == 0 && bmi.has(colorTable + i * paletteEntrySize, 3)) {
                const std::uint32_t o = colorTable + i * paletteEntrySize;
                table << qRgb(*bmi.u8(o + 2), *bmi.u8(o + 1), *bmi.u8(o));
            } else if (usage == 1 || i >= colors || !bmi.has(colorTable, 1)) {
                const int g = static_cast<int>(i * 255 / (maxColors - 1));
                table << qRgb(g, g, g);
            } else {
                table << qRgb(0, 0, 0);
            }
        }
        // 1-bit rows have the DIB layout already; 4 and 8 bits go to one byte a pixel.
        QImage img(static_cast<int>(width), static_cast<int>(height),
                   bitCount == 1 ? QImage::Format_Mono : QImage::Format_Indexed8);
        if (img.isNull())
            return fail(QStringLiteral("bitmap of %1 x %2 pixels: no memory").arg(width).arg(height));
        img.setColorTable(table);
        for (std::int64_t y = 0; y < height; ++y) {
            const uchar* src = rowAt(y);
            uchar* dst = img.scanLine(static_cast<int>(y));
            if (bitCount == 1) {
                std::memcpy(dst, src, static_cast<size_t>((width + 7) / 8));
            } else if (bitCount == 4) {
                for (std::int64_t x = 0; x < width; ++x)
                    dst[x] = static_cast<uchar>(x % 2 ? src[x / 2] & 0x0F : src[x / 2] >> 4);
            } else {
                std::memcpy(dst, src, static_cast<size_t>(width));
            }
        }
        return img;
    }

    std::uint32_t rMask = 0, gMask = 0, bMask = 0, aMask = 0;
    if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
        // The masks follow a 40-byte header, or sit inside a larger one.
        const std::uint32_t at = 40;
        if (!bmi.has(at, 12))
            return fail(QStringLiteral("bitmap colour masks missing"));
        rMask = *bmi.u32(at);
        gMask = *bmi.u32(at + 4);
        bMask = *bmi.u32(at + 8);
        if (compression == BI_ALPHABITFIELDS && bmi.has(at + 12, 4))
            aMask = *bmi.u32(at + 12);
    } else if (bitCount == 16) {
        rMask = 0x7C00, gMask = 0x03E0, bMask = 0x001F;
    } else {
        rMask = 0xFF0000, gMask = 0xFF00, bMask = 0xFF;
    }
    const bool premultiplied = sourceAlpha && bitCount == 32 && compression == BI_RGB;
    if (premultiplied)
        aMask = 0xFF000000;
    QImage img(static_cast<int>(width), static_cast<int>(height),
               premultiplied ? QImage::Format_ARGB32_Premultiplied : aMask ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (img.isNull())
        return fail(QStringLiteral("bitmap of %1 x %2 pixels: no memory").arg(width).arg(height));
    for (std::int64_t y = 0; y < height; ++y) {
        const uchar* src = rowAt(y);
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(static_cast<int>(y)));
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint32_t px = 0;
            if (bitCount == 16)
                px = src[2 * x] | std::uint32_t(src[2 * x + 1]) << 8;
            else if (bitCount == 24)
                px = src[3 * x] | std::uint32_t(src[3 * x + 1]) << 8 | std::uint32_t(src[3 * x + 2]) << 16;
            else
                px = src[4 * x] | std::uint32_t(src[4 * x + 1]) << 8 | std::uint32_t(src[4 * x + 2]) << 16
                     | std::uint32_t(src[4 * x + 3]) << 24;
            const int a = aMask ? channel(px, aMask) : 255;
            if (premultiplied)   // a colour above its alpha is no premultiplied colour: held at it
                dst[x] = qRgba(std::min(channel(px, rMask), a), std::min(channel(px, gMask), a), std::min(channel(px, bMask), a), a);
            else
                dst[x] = qRgba(channel(px, rMask), channel(px, gMask), channel(px, bMask), a);
        }
    }
    return img;
}

void encodeDib(const QImage& image, QByteArray& header, QByteArray& bits, bool premultipliedAlpha)
{
    const QImage src = image.convertToFormat(premultipliedAlpha ? QImage::Format_ARGB32_Premultiplied
                                                                : QImage::Format_RGB32);
    header.clear();
    Writer h(header);
    h.u32(40);
    h.i32(src.width());
    h.i32(src.height());   // bottom-up
    h.u16(1);
    h.u16(32);
    h.u32(BI_RGB);
    h.u32(static_cast<std::uint32_t>(src.width() * src.height() * 4));
    h.i32(3780);           // 96 dpi in pixels per metre
    h.i32(3780);
    h.u32(0);
    h.u32(0);
    bits.resize(static_cast<qsizetype>(src.width()) * src.height() * 4);
    char* out = bits.data();
    for (int y = src.height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            const QRgb p = row[x];
            *out++ = static_cast<char>(qBlue(p));
            *out++ = static_cast<char>(qGreen(p));
            *out++ = static_cast<char>(qRed(p));
            *out++ = static_cast<char>(premultipliedAlpha ? qAlpha(p) : 0);
        }
    }
}

} // namespace emf
