#pragma once
// EMF images built by hand, byte by byte, for the player tests: a reference device of 100 x 100
// pixels that are 1 mm each, a frame over the whole device, records as lists of 32-bit fields.

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <QString>

#include <cstdint>
#include <initializer_list>

class EmfBuilder {
public:
    struct Header {
        std::int32_t frame[4] = {0, 0, 10000, 10000};   // 0.01 mm
        std::int32_t bounds[4] = {0, 0, 99, 99};
        std::int32_t devicePx[2] = {100, 100};
        std::int32_t deviceMm[2] = {100, 100};
    };

    EmfBuilder() = default;
    explicit EmfBuilder(const Header& h) : m_header(h) {}

    EmfBuilder& rec(std::uint32_t type, std::initializer_list<std::int64_t> fields)
    {
        QByteArray body;
        for (std::int64_t f : fields)
            put32(body, static_cast<std::uint32_t>(f));
        return raw(type, body);
    }
    // A record whose body is given; the size field counts type, size and body.
    EmfBuilder& raw(std::uint32_t type, const QByteArray& body)
    {
        put32(m_records, type);
        put32(m_records, static_cast<std::uint32_t>(8 + body.size()));
        m_records.append(body);
        ++m_count;
        return *this;
    }
    // Bytes as they are, for records with a wrong size.
    EmfBuilder& bytes(const QByteArray& b)
    {
        m_records.append(b);
        return *this;
    }
    EmfBuilder& eof() { return rec(14, {0, 16, 20}); }

    // overrides: -1 keeps the true value
    QByteArray image(std::int64_t nBytes = -1, std::int64_t nRecords = -1) const
    {
        QByteArray h;
        put32(h, 1);
        put32(h, 88);
        for (int v : m_header.bounds)
            put32(h, static_cast<std::uint32_t>(v));
        for (int v : m_header.frame)
            put32(h, static_cast<std::uint32_t>(v));
        put32(h, 0x464D4520);
        put32(h, 0x10000);
        put32(h, static_cast<std::uint32_t>(nBytes >= 0 ? nBytes : 88 + m_records.size()));
        put32(h, static_cast<std::uint32_t>(nRecords >= 0 ? nRecords : m_count + 1));
        put32(h, 16);     // handles, reserved
        put32(h, 0);      // description
        put32(h, 0);
        put32(h, 0);      // palette
        put32(h, static_cast<std::uint32_t>(m_header.devicePx[0]));
        put32(h, static_cast<std::uint32_t>(m_header.devicePx[1]));
        put32(h, static_cast<std::uint32_t>(m_header.deviceMm[0]));
        put32(h, static_cast<std::uint32_t>(m_header.deviceMm[1]));
        return h + m_records;
    }

    static void put32(QByteArray& b, std::uint32_t v)
    {
        const char c[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        b.append(c, 4);
    }
    static void put16(QByteArray& b, std::uint16_t v)
    {
        const char c[2] = {char(v), char(v >> 8)};
        b.append(c, 2);
    }

private:
    Header m_header;
    QByteArray m_records;
    int m_count = 0;
};

// Bodies of the records other programs write, as the player tests and the preview tests need them.
inline QByteArray points16(std::initializer_list<int> xy)
{
    QByteArray b;
    for (int i = 0; i < 4; ++i)
        EmfBuilder::put32(b, 0);   // bounds
    EmfBuilder::put32(b, static_cast<std::uint32_t>(xy.size() / 2));
    for (int v : xy)
        EmfBuilder::put16(b, static_cast<std::uint16_t>(v));
    return b;
}

// A 2 x 2 24-bit bitmap: rows as stored (bottom-up unless height < 0).
inline QByteArray dib2x2(int height, QRgb r0c0, QRgb r0c1, QRgb r1c0, QRgb r1c1, QByteArray* bits)
{
    QByteArray h;
    EmfBuilder::put32(h, 40);
    EmfBuilder::put32(h, 2);
    EmfBuilder::put32(h, static_cast<std::uint32_t>(height));
    EmfBuilder::put16(h, 1);
    EmfBuilder::put16(h, 24);
    for (int i = 0; i < 6; ++i)
        EmfBuilder::put32(h, 0);
    bits->clear();
    for (QRgb px : {r0c0, r0c1}) {
        bits->append(char(qBlue(px))), bits->append(char(qGreen(px))), bits->append(char(qRed(px)));
    }
    bits->append(2, '\0');   // rows are padded to 4 bytes
    for (QRgb px : {r1c0, r1c1}) {
        bits->append(char(qBlue(px))), bits->append(char(qGreen(px))), bits->append(char(qRed(px)));
    }
    bits->append(2, '\0');
    return h;
}

// STRETCHDIBITS body: dest (x, y, w, h), source (x, y, w, h), bitmap.
inline QByteArray stretchDibits(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const QByteArray& bmi,
                         const QByteArray& bits)
{
    QByteArray b;
    for (int v : {x, y, x + w, y + h})
        EmfBuilder::put32(b, static_cast<std::uint32_t>(v));
    for (int v : {x, y, sx, sy, sw, sh})
        EmfBuilder::put32(b, static_cast<std::uint32_t>(v));
    const std::uint32_t offBmi = 80, offBits = 80 + static_cast<std::uint32_t>(bmi.size());
    EmfBuilder::put32(b, offBmi);
    EmfBuilder::put32(b, static_cast<std::uint32_t>(bmi.size()));
    EmfBuilder::put32(b, offBits);
    EmfBuilder::put32(b, static_cast<std::uint32_t>(bits.size()));
    EmfBuilder::put32(b, 0);            // DIB_RGB_COLORS
    EmfBuilder::put32(b, 0x00CC0020);   // SRCCOPY
    EmfBuilder::put32(b, static_cast<std::uint32_t>(w));
    EmfBuilder::put32(b, static_cast<std::uint32_t>(h));
    return b + bmi + bits;
}

inline QByteArray fontBody(int index, int height, const QString& face, int escapement = 0)
{
    QByteArray b;
    EmfBuilder::put32(b, static_cast<std::uint32_t>(index));
    for (int v : {height, 0, escapement, escapement, 400})
        EmfBuilder::put32(b, static_cast<std::uint32_t>(v));
    b.append(QByteArray("\0\0\0\x80\0\0\0\0", 8));
    for (int i = 0; i < 32; ++i)
        EmfBuilder::put16(b, i < face.size() ? face[i].unicode() : 0);
    return b;
}

inline QByteArray textBody(int x, int y, const QString& text, const QList<int>& dx = {})
{
    QByteArray b;
    for (int i = 0; i < 4; ++i)
        EmfBuilder::put32(b, 0);
    EmfBuilder::put32(b, 1);
    EmfBuilder::put32(b, 0);
    EmfBuilder::put32(b, 0);
    EmfBuilder::put32(b, static_cast<std::uint32_t>(x));
    EmfBuilder::put32(b, static_cast<std::uint32_t>(y));
    EmfBuilder::put32(b, static_cast<std::uint32_t>(text.size()));
    const std::uint32_t stringBytes = static_cast<std::uint32_t>((text.size() * 2 + 3) / 4 * 4);
    EmfBuilder::put32(b, 76);
    EmfBuilder::put32(b, 0);
    for (int i = 0; i < 4; ++i)
        EmfBuilder::put32(b, 0);
    EmfBuilder::put32(b, dx.isEmpty() ? 0 : 76 + stringBytes);
    for (const QChar c : text)
        EmfBuilder::put16(b, c.unicode());
    while (b.size() % 4)
        b.append('\0');
    for (int d : dx)
        EmfBuilder::put32(b, static_cast<std::uint32_t>(d));
    return b;
}

// Record numbers and constants the tests use.
namespace rec {
enum : std::uint32_t {
    POLYBEZIERTO = 5, SETWINDOWEXTEX = 9, SETWINDOWORGEX = 10, SETVIEWPORTEXTEX = 11,
    SETVIEWPORTORGEX = 12, SETMAPMODE = 17, SETBKMODE = 18, SETPOLYFILLMODE = 19, SETTEXTALIGN = 22,
    SETTEXTCOLOR = 24, SETBKCOLOR = 25, MOVETOEX = 27, EXCLUDECLIPRECT = 29, INTERSECTCLIPRECT = 30,
    SAVEDC = 33, RESTOREDC = 34, SETWORLDTRANSFORM = 35, MODIFYWORLDTRANSFORM = 36, SELECTOBJECT = 37,
    CREATEPEN = 38, CREATEBRUSHINDIRECT = 39, DELETEOBJECT = 40, ELLIPSE = 42, RECTANGLE = 43,
    LINETO = 54, BEGINPATH = 59, ENDPATH = 60, CLOSEFIGURE = 61, FILLPATH = 62, STROKEANDFILLPATH = 63,
    STROKEPATH = 64, COMMENT = 70, EXTSELECTCLIPRGN = 75, BITBLT = 76, STRETCHDIBITS = 81,
    EXTCREATEFONTINDIRECTW = 82, EXTTEXTOUTW = 84, POLYBEZIER16 = 85, POLYGON16 = 86, POLYLINE16 = 87,
    POLYBEZIERTO16 = 88, POLYLINETO16 = 89, POLYPOLYGON16 = 91, EXTCREATEPEN = 95,
};
constexpr std::int64_t STOCK = 0x80000000LL;
constexpr std::int64_t WHITE_BRUSH = STOCK | 0, BLACK_BRUSH = STOCK | 4, NULL_BRUSH = STOCK | 5,
                       BLACK_PEN = STOCK | 7, NULL_PEN = STOCK | 8;
constexpr std::int64_t RED = 0x0000FF, GREEN = 0x00FF00, BLUE = 0xFF0000;
} // namespace rec
