#pragma once
// EMF record types and fixed sizes (from the published EMF format description), and the
// little-endian reader and writer that every EMF byte goes through.

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

namespace emf {

enum RecordType : std::uint32_t {
    EMR_HEADER = 1, EMR_POLYBEZIER = 2, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6, EMR_POLYPOLYLINE = 7, EMR_POLYPOLYGON = 8, EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10, EMR_SETVIEWPORTEXTEX = 11, EMR_SETVIEWPORTORGEX = 12,
    EMR_SETBRUSHORGEX = 13, EMR_EOF = 14, EMR_SETPIXELV = 15, EMR_SETMAPPERFLAGS = 16,
    EMR_SETMAPMODE = 17, EMR_SETBKMODE = 18, EMR_SETPOLYFILLMODE = 19, EMR_SETROP2 = 20,
    EMR_SETSTRETCHBLTMODE = 21, EMR_SETTEXTALIGN = 22, EMR_SETTEXTCOLOR = 24, EMR_SETBKCOLOR = 25,
    EMR_OFFSETCLIPRGN = 26, EMR_MOVETOEX = 27, EMR_SETMETARGN = 28, EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30, EMR_SCALEVIEWPORTEXTEX = 31, EMR_SCALEWINDOWEXTEX = 32,
    EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SETWORLDTRANSFORM = 35, EMR_MODIFYWORLDTRANSFORM = 36,
    EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38, EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40,
    EMR_ANGLEARC = 41, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43, EMR_ROUNDRECT = 44, EMR_ARC = 45,
    EMR_CHORD = 46, EMR_PIE = 47, EMR_LINETO = 54, EMR_ARCTO = 55, EMR_SETARCDIRECTION = 57,
    EMR_SETMITERLIMIT = 58, EMR_BEGINPATH = 59, EMR_ENDPATH = 60, EMR_CLOSEFIGURE = 61,
    EMR_FILLPATH = 62, EMR_STROKEANDFILLPATH = 63, EMR_STROKEPATH = 64, EMR_FLATTENPATH = 65,
    EMR_WIDENPATH = 66, EMR_SELECTCLIPPATH = 67, EMR_ABORTPATH = 68, EMR_COMMENT = 70,
    EMR_FILLRGN = 71, EMR_FRAMERGN = 72, EMR_INVERTRGN = 73, EMR_PAINTRGN = 74,
    EMR_EXTSELECTCLIPRGN = 75, EMR_BITBLT = 76, EMR_STRETCHBLT = 77, EMR_MASKBLT = 78,
    EMR_PLGBLT = 79, EMR_SETDIBITSTODEVICE = 80, EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82, EMR_EXTTEXTOUTA = 83, EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85, EMR_POLYGON16 = 86, EMR_POLYLINE16 = 87, EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89, EMR_POLYPOLYLINE16 = 90, EMR_POLYPOLYGON16 = 91,
    EMR_CREATEMONOBRUSH = 93, EMR_CREATEDIBPATTERNBRUSHPT = 94, EMR_EXTCREATEPEN = 95,
    EMR_ALPHABLEND = 114, EMR_TRANSPARENTBLT = 116,
};

constexpr std::uint32_t kSignature = 0x464D4520;     // " EMF"
constexpr std::uint32_t kHeaderMinSize = 88;
constexpr std::uint32_t kStockObject = 0x80000000u;

enum StockObject : std::uint32_t {
    WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4,
    NULL_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8, OEM_FIXED_FONT = 10,
    ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13, DEVICE_DEFAULT_FONT = 14,
    DEFAULT_PALETTE = 15, SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17, DC_BRUSH = 18, DC_PEN = 19,
};

// Text alignment flags.
constexpr std::uint32_t TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24;
constexpr std::uint32_t ETO_OPAQUE = 2, ETO_CLIPPED = 4, ETO_PDY = 0x2000;
// Pen styles.
constexpr std::uint32_t PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4,
                        PS_NULL = 5, PS_INSIDEFRAME = 6, PS_USERSTYLE = 7, PS_STYLE_MASK = 0xF,
                        PS_ENDCAP_MASK = 0xF00, PS_JOIN_MASK = 0xF000, PS_GEOMETRIC = 0x10000;
// Brush styles.
constexpr std::uint32_t BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2, BS_PATTERN = 3, BS_DIBPATTERN = 5,
                        BS_DIBPATTERNPT = 6;
constexpr std::uint32_t TRANSPARENT = 1, OPAQUE = 2;
constexpr std::uint32_t ALTERNATE = 1, WINDING = 2;
constexpr std::uint32_t RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
constexpr std::uint32_t MM_TEXT = 1, MM_LOMETRIC = 2, MM_HIMETRIC = 3, MM_LOENGLISH = 4,
                        MM_HIENGLISH = 5, MM_TWIPS = 6, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
constexpr std::uint32_t MWT_IDENTITY = 1, MWT_LEFTMULTIPLY = 2, MWT_RIGHTMULTIPLY = 3, MWT_SET = 4;
constexpr std::uint32_t SRCCOPY = 0x00CC0020, PATCOPY = 0x00F00021, BLACKNESS = 0x00000042,
                        WHITENESS = 0x00FF0062, PATINVERT = 0x005A0049, DSTINVERT = 0x00550009,
                        SRCAND = 0x008800C6, SRCPAINT = 0x00EE0086, NOOP = 0x00AA0029;

// A bounds-checked little-endian view of bytes. Every read names the offset it wanted; a read
// that does not fit gives nothing and leaves no state behind.
class Bytes {
public:
    Bytes(const char* data, std::uint32_t size) : m_data(data), m_size(size) {}
    explicit Bytes(const QByteArray& a)
        : m_data(a.constData()), m_size(static_cast<std::uint32_t>(std::min<qsizetype>(a.size(), 0x7FFFFFFF))) {}

    std::uint32_t size() const { return m_size; }
    const char* data() const { return m_data; }
    bool has(std::uint32_t offset, std::uint32_t n) const { return offset <= m_size && n <= m_size - offset; }

    std::optional<std::uint32_t> u32(std::uint32_t offset) const
    {
        if (!has(offset, 4))
            return std::nullopt;
        const auto* p = reinterpret_cast<const unsigned char*>(m_data + offset);
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }
    std::optional<std::int32_t> i32(std::uint32_t offset) const
    {
        auto v = u32(offset);
        return v ? std::optional<std::int32_t>(static_cast<std::int32_t>(*v)) : std::nullopt;
    }
    std::optional<std::uint16_t> u16(std::uint32_t offset) const
    {
        if (!has(offset, 2))
            return std::nullopt;
        const auto* p = reinterpret_cast<const unsigned char*>(m_data + offset);
        return static_cast<std::uint16_t>(p[0] | p[1] << 8);
    }
    std::optional<std::int16_t> i16(std::uint32_t offset) const
    {
        auto v = u16(offset);
        return v ? std::optional<std::int16_t>(static_cast<std::int16_t>(*v)) : std::nullopt;
    }
    std::optional<std::uint8_t> u8(std::uint32_t offset) const
    {
        if (!has(offset, 1))
            return std::nullopt;
        return static_cast<std::uint8_t>(m_data[offset]);
    }
    std::optional<float> f32(std::uint32_t offset) const
    {
        auto v = u32(offset);
        if (!v)
            return std::nullopt;
        float f;
        std::memcpy(&f, &*v, 4);
        return f;
    }
    // A sub-range [offset, offset + n) or nothing.
    std::optional<Bytes> slice(std::uint32_t offset, std::uint32_t n) const
    {
        if (!has(offset, n))
            return std::nullopt;
        return Bytes(m_data + offset, n);
    }

private:
    const char* m_data;
    std::uint32_t m_size;
};

// count UTF-16 units at offset (any alignment); empty when they do not fit.
inline QString utf16At(const Bytes& b, std::uint32_t offset, std::uint32_t count)
{
    if (count > b.size() / 2 || !b.has(offset, count * 2))
        return {};
    QString s(static_cast<qsizetype>(count), Qt::Uninitialized);
    for (std::uint32_t i = 0; i < count; ++i)
        s[i] = QChar(*b.u16(offset + 2 * i));
    return s;
}

// Appends little-endian values to a byte array.
class Writer {
public:
    explicit Writer(QByteArray& out) : m_out(out) {}
    void u32(std::uint32_t v)
    {
        const char b[4] = {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
        m_out.append(b, 4);
    }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void u16(std::uint16_t v)
    {
        const char b[2] = {char(v & 0xFF), char(v >> 8)};
        m_out.append(b, 2);
    }
    void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void u8(std::uint8_t v) { m_out.append(char(v)); }
    void f32(float f)
    {
        std::uint32_t v;
        std::memcpy(&v, &f, 4);
        u32(v);
    }
    void zeros(int n) { m_out.append(n, '\0'); }
    void bytes(const QByteArray& b) { m_out.append(b); }
    void pad4()
    {
        while (m_out.size() % 4)
            m_out.append('\0');
    }
    qsizetype size() const { return m_out.size(); }
    // Overwrites a u32 already written at offset.
    void patch(qsizetype offset, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_out[offset + i] = char(v >> (8 * i) & 0xFF);
    }

private:
    QByteArray& m_out;
};

} // namespace emf
