#pragma once
// EMF images built by hand, byte by byte, for the player tests: a reference device of 100 x 100
// pixels that are 1 mm each, a frame over the whole device, records as lists of 32-bit fields.

#include <QByteArray>
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
