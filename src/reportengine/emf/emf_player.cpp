#include "reportengine/emf/emf_player.h"

#include "reportengine/emf/emf_dib.h"
#include "reportengine/emf/emf_fonts.h"
#include "reportengine/emf/emf_format.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QPainterPath>
#include <QPen>
#include <QtMath>

#include <cmath>
#include <unordered_map>
#include <variant>
#include <vector>

namespace emf {

namespace {

constexpr int kMaxSavedStates = 1024;
constexpr int kMaxRegionRects = 4096;
// Coordinates beyond this are clamped: they come from damaged records, and the rasteriser
// spends time on them for nothing.
constexpr double kCoordLimit = 1e8;

QColor colorRef(std::uint32_t c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c >> 16 & 0xFF));
}

double clampCoord(double v)
{
    return std::isfinite(v) ? std::clamp(v, -kCoordLimit, kCoordLimit) : 0.0;
}

struct LogFont {
    std::int32_t height = -16;
    std::int32_t escapement = 0;
    std::int32_t weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    std::uint8_t charSet = 1;
    std::uint8_t pitchAndFamily = 0;
    QString face;
};

struct PenObject {
    QPen pen;
    double width = 0;   // logical units; 0: one device pixel
    bool cosmetic = true;
};

struct FontObject {
    LogFont log;
    QFont font;         // at a pixel size big enough to lay out precisely
    QRawFont raw;       // the same font for placing glyphs one by one
    double pixelSize = 1;
    double ascentRatio = 0.88, descentRatio = 0.12;   // of the em
};

using Object = std::variant<PenObject, QBrush, FontObject>;

FontObject makeFont(const LogFont& log)
{
    FontObject f;
    f.log = log;
    f.font = fontForFace(log.face, log.pitchAndFamily);
    f.font.setWeight(static_cast<QFont::Weight>(std::clamp(log.weight == 0 ? 400 : log.weight, 1, 1000)));
    f.font.setItalic(log.italic);
    f.font.setUnderline(log.underline);
    f.font.setStrikeOut(log.strikeOut);
    f.font.setKerning(false);
    f.font.setHintingPreference(QFont::PreferNoHinting);
    f.pixelSize = 100;
    f.font.setPixelSize(100);
    const QFontMetricsF m(f.font);
    f.ascentRatio = m.ascent() / 100.0;
    f.descentRatio = m.descent() / 100.0;
    f.raw = QRawFont::fromFont(f.font);
    return f;
}

struct DcState {
    QTransform world;
    std::uint32_t mapMode = MM_TEXT;
    QPointF windowOrg, viewportOrg;
    QSizeF windowExt{1, 1}, viewportExt{1, 1};
    PenObject pen;
    QBrush brush{Qt::white};
    FontObject font;
    QColor textColor{Qt::black};
    QColor bkColor{Qt::white};
    std::uint32_t bkMode = OPAQUE;
    std::uint32_t textAlign = 0;
    std::uint32_t polyFillMode = ALTERNATE;
    std::uint32_t rop2 = 13;   // R2_COPYPEN
    std::uint32_t stretchMode = 1;
    QPointF current;
    bool hasClip = false;
    QPainterPath clip;   // reference-device pixels
};

class Player {
public:
    Player(const QRMetafile& page, QPainter& painter, const QRectF& target)
        : m_bytes(page.bytes()), m_painter(painter)
    {
        const QRMetafileHeader& h = page.header();
        const QPointF perMm = pixelsPerMillimetre(h);
        m_pxPerMmX = perMm.x();
        m_pxPerMmY = perMm.y();
        const QRectF frame = frameInDevicePixels(h);
        m_base = painter.transform();
        m_deviceToTarget = QTransform::fromTranslate(-frame.left(), -frame.top())
                           * QTransform::fromScale(target.width() / frame.width(), target.height() / frame.height())
                           * QTransform::fromTranslate(target.left(), target.top());
        m_hadClip = painter.hasClipping();
        if (m_hadClip)
            m_initialClip = painter.clipPath();
        m_dc.font = makeFont(LogFont{});
        m_dc.pen.pen = QPen(Qt::black, 0);
        m_dc.pen.pen.setCosmetic(true);
    }

    QRPlayResult run();

private:
    // Record bodies; each returns false when its record is unusable (skipped).
    bool record(std::uint32_t type, const Bytes& r);

    QTransform pageTransform() const;
    QTransform logicalToDevice() const { return m_dc.world * pageTransform(); }
    QTransform full() const { return logicalToDevice() * m_deviceToTarget * m_base; }
    void prepare(bool usePen, bool useBrush);
    void applyClip();
    void combineClip(const QPainterPath& devicePath, std::uint32_t mode);
    QPainterPath everything() const;

    std::optional<QPointF> point32(const Bytes& r, std::uint32_t o) const;
    std::optional<QRectF> rect32(const Bytes& r, std::uint32_t o) const;
    // The points of a POLY* record: 32-bit (8 bytes a point) or 16-bit (4 bytes).
    bool points(const Bytes& r, std::uint32_t countOffset, std::uint32_t pointsOffset, bool small,
                QPolygonF& out, std::uint32_t* countOut = nullptr) const;
    bool polyPoly(const Bytes& r, bool small, std::vector<QPolygonF>& polys) const;

    void drawPolygon(const QPolygonF& p);
    void drawPolyline(const QPolygonF& p);
    void drawShape(const QPainterPath& p);
    bool textOut(const Bytes& r, bool wide);
    bool bitmap(std::uint32_t type, const Bytes& r);
    bool region(const Bytes& r, std::uint32_t offset, std::uint32_t size, QPainterPath& out) const;
    bool createPen(const Bytes& r, bool extended);
    bool createBrush(const Bytes& r);
    bool createFont(const Bytes& r);
    void selectObject(std::uint32_t index);
    QPainterPath arcPath(const QRectF& box, QPointF start, QPointF end, int kind) const;
    void skip(const QString& why)
    {
        ++m_result.recordsSkipped;
        if (m_firstSkip.isEmpty())
            m_firstSkip = why;
    }

    const QByteArray& m_bytes;
    QPainter& m_painter;
    QTransform m_base, m_deviceToTarget;
    double m_pxPerMmX, m_pxPerMmY;
    bool m_hadClip = false;
    QPainterPath m_initialClip;
    DcState m_dc;
    std::vector<DcState> m_saved;
    std::unordered_map<std::uint32_t, Object> m_objects;
    bool m_inPath = false;
    QPainterPath m_path;   // logical units of the transform current when it was begun
    QRPlayResult m_result;
    QString m_firstSkip;
    std::uint32_t m_offset = 0;
};

QTransform Player::pageTransform() const
{
    double sx = 1, sy = 1;
    switch (m_dc.mapMode) {
    case MM_LOMETRIC: sx = 0.1 * m_pxPerMmX; sy = -0.1 * m_pxPerMmY; break;
    case MM_HIMETRIC: sx = 0.01 * m_pxPerMmX; sy = -0.01 * m_pxPerMmY; break;
    case MM_LOENGLISH: sx = 0.254 * m_pxPerMmX; sy = -0.254 * m_pxPerMmY; break;
    case MM_HIENGLISH: sx = 0.0254 * m_pxPerMmX; sy = -0.0254 * m_pxPerMmY; break;
    case MM_TWIPS: sx = 25.4 / 1440 * m_pxPerMmX; sy = -25.4 / 1440 * m_pxPerMmY; break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC: {
        const QSizeF w = m_dc.windowExt, v = m_dc.viewportExt;
        sx = w.width() != 0 ? v.width() / w.width() : 1;
        sy = w.height() != 0 ? v.height() / w.height() : 1;
        if (m_dc.mapMode == MM_ISOTROPIC) {
            const double m = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
        break;
    }
    default: break;
    }
    return QTransform::fromTranslate(-m_dc.windowOrg.x(), -m_dc.windowOrg.y()) * QTransform::fromScale(sx, sy)
           * QTransform::fromTranslate(m_dc.viewportOrg.x(), m_dc.viewportOrg.y());
}

void Player::prepare(bool usePen, bool useBrush)
{
    m_painter.setTransform(full());
    if (usePen) {
        QPen pen = m_dc.pen.pen;
        if (pen.style() != Qt::NoPen) {
            if (m_dc.pen.cosmetic || m_dc.pen.width <= 1) {
                // One pixel of the reference device, however the page is stretched.
                const double devicePx = std::sqrt(std::fabs((m_deviceToTarget * m_base).determinant()));
                pen.setCosmetic(true);
                pen.setWidthF(devicePx > 1 ? std::min(devicePx, 1e4) : 0);
            } else {
                pen.setCosmetic(false);
                pen.setWidthF(std::min(m_dc.pen.width, kCoordLimit));
            }
        }
        m_painter.setPen(pen);
    } else {
        m_painter.setPen(Qt::NoPen);
    }
    m_painter.setBrush(useBrush ? m_dc.brush : QBrush(Qt::NoBrush));
}

QPainterPath Player::everything() const
{
    QPainterPath p;
    p.addRect(QRectF(-kCoordLimit, -kCoordLimit, 2 * kCoordLimit, 2 * kCoordLimit));
    return p;
}

void Player::combineClip(const QPainterPath& devicePath, std::uint32_t mode)
{
    const QPainterPath current = m_dc.hasClip ? m_dc.clip : everything();
    switch (mode) {
    case RGN_COPY: m_dc.clip = devicePath; break;
    case RGN_AND: m_dc.clip = current.intersected(devicePath); break;
    case RGN_OR: m_dc.clip = current.united(devicePath); break;
    case RGN_XOR: m_dc.clip = current.subtracted(devicePath).united(devicePath.subtracted(current)); break;
    case RGN_DIFF: m_dc.clip = current.subtracted(devicePath); break;
    default: return;
    }
    m_dc.hasClip = true;
    applyClip();
}

void Player::applyClip()
{
    m_painter.setTransform(m_base);
    if (m_hadClip)
        m_painter.setClipPath(m_initialClip);
    else
        m_painter.setClipping(false);
    if (m_dc.hasClip) {
        m_painter.setTransform(m_deviceToTarget * m_base);
        m_painter.setClipPath(m_dc.clip, m_hadClip ? Qt::IntersectClip : Qt::ReplaceClip);
    }
}

std::optional<QPointF> Player::point32(const Bytes& r, std::uint32_t o) const
{
    const auto x = r.i32(o), y = r.i32(o + 4);
    if (!x || !y)
        return std::nullopt;
    return QPointF(clampCoord(*x), clampCoord(*y));
}

std::optional<QRectF> Player::rect32(const Bytes& r, std::uint32_t o) const
{
    const auto a = point32(r, o), b = point32(r, o + 8);
    if (!a || !b)
        return std::nullopt;
    return QRectF(*a, *b);
}

bool Player::points(const Bytes& r, std::uint32_t countOffset, std::uint32_t pointsOffset, bool small,
                    QPolygonF& out, std::uint32_t* countOut) const
{
    const auto count = r.u32(countOffset);
    const std::uint32_t each = small ? 4 : 8;
    if (!count || *count == 0 || pointsOffset > r.size() || *count > (r.size() - pointsOffset) / each)
        return false;
    out.clear();
    out.reserve(static_cast<qsizetype>(*count));
    for (std::uint32_t i = 0; i < *count; ++i) {
        const std::uint32_t o = pointsOffset + i * each;
        if (small)
            out << QPointF(*r.i16(o), *r.i16(o + 2));
        else
            out << QPointF(clampCoord(*r.i32(o)), clampCoord(*r.i32(o + 4)));
    }
    if (countOut)
        *countOut = *count;
    return true;
}

bool Player::polyPoly(const Bytes& r, bool small, std::vector<QPolygonF>& polys) const
{
    // bounds(16) nPolys, total points, counts[nPolys], points[total]
    const auto nPolys = r.u32(24), total = r.u32(28);
    if (!nPolys || !total || *nPolys > (r.size() - 32) / 4)
        return false;
    const std::uint32_t pointsAt = 32 + *nPolys * 4;
    const std::uint32_t each = small ? 4 : 8;
    if (pointsAt > r.size() || *total > (r.size() - pointsAt) / each)
        return false;
    std::uint32_t used = 0;
    for (std::uint32_t i = 0; i < *nPolys; ++i) {
        const std::uint32_t n = *r.u32(32 + 4 * i);
        if (n > *total - used)
            return false;
        QPolygonF poly;
        poly.reserve(n);
        for (std::uint32_t k = 0; k < n; ++k) {
            const std::uint32_t o = pointsAt + (used + k) * each;
            if (small)
                poly << QPointF(*r.i16(o), *r.i16(o + 2));
            else
                poly << QPointF(clampCoord(*r.i32(o)), clampCoord(*r.i32(o + 4)));
        }
        used += n;
        polys.push_back(std::move(poly));
    }
    return true;
}

void Player::drawPolygon(const QPolygonF& p)
{
    if (m_inPath) {
        m_path.addPolygon(p);
        m_path.closeSubpath();
        return;
    }
    prepare(true, true);
    m_painter.drawPolygon(p, m_dc.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
}

void Player::drawPolyline(const QPolygonF& p)
{
    if (m_inPath) {
        if (!p.isEmpty()) {
            m_path.moveTo(p.first());
            for (qsizetype i = 1; i < p.size(); ++i)
                m_path.lineTo(p[i]);
        }
        return;
    }
    prepare(true, false);
    m_painter.drawPolyline(p);
}

void Player::drawShape(const QPainterPath& p)
{
    if (m_inPath) {
        m_path.addPath(p);
        return;
    }
    prepare(true, true);
    m_painter.drawPath(p);
}

QPainterPath Player::arcPath(const QRectF& box, QPointF start, QPointF end, int kind) const
{
    // kind 0: arc, 1: chord, 2: pie. GDI draws counter-clockwise from start to end.
    const QRectF b = box.normalized();
    const QPointF c = b.center();
    auto angleOf = [&](QPointF p) {
        const double rx = b.width() / 2, ry = b.height() / 2;
        const double dx = rx > 0 ? (p.x() - c.x()) / rx : 0, dy = ry > 0 ? (p.y() - c.y()) / ry : 0;
        return qRadiansToDegrees(std::atan2(-dy, dx));
    };
    const double a0 = angleOf(start);
    double sweep = angleOf(end) - a0;
    while (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (kind == 2)
        path.moveTo(c);
    path.arcMoveTo(b, a0);
    if (kind == 2)
        path.lineTo(path.currentPosition());
    path.arcTo(b, a0, sweep);
    if (kind != 0)
        path.closeSubpath();
    return path;
}

bool Player::createPen(const Bytes& r, bool extended)
{
    const auto index = r.u32(8);
    PenObject pen;
    std::uint32_t style = 0, color = 0;
    double width = 0;
    if (!extended) {
        // ihPen, style, width (x), width (y, unused), colour
        const auto s = r.u32(12), c = r.u32(24);
        const auto w = r.i32(16);
        if (!index || !s || !w || !c)
            return false;
        style = *s;
        width = std::abs(static_cast<double>(*w));
        color = *c;
        pen.cosmetic = width <= 1;
    } else {
        // ihPen, offBmi, cbBmi, offBits, cbBits, style, width, brush style, colour, hatch, entries
        const auto s = r.u32(28), w = r.u32(32), bs = r.u32(36), c = r.u32(40);
        if (!index || !s || !w || !bs || !c)
            return false;
        style = *s;
        width = *w;
        color = *c;
        pen.cosmetic = !(style & PS_GEOMETRIC);
        if (*bs == BS_NULL)
            style = (style & ~PS_STYLE_MASK) | PS_NULL;
    }
    pen.width = width;
    QPen q(colorRef(color));
    switch (style & PS_STYLE_MASK) {
    case PS_NULL: q.setStyle(Qt::NoPen); break;
    case PS_DASH: q.setStyle(Qt::DashLine); break;
    case PS_DOT: q.setStyle(Qt::DotLine); break;
    case PS_DASHDOT: q.setStyle(Qt::DashDotLine); break;
    case PS_DASHDOTDOT: q.setStyle(Qt::DashDotDotLine); break;
    default: q.setStyle(Qt::SolidLine); break;
    }
    switch (style & PS_ENDCAP_MASK) {
    case 0x100: q.setCapStyle(Qt::SquareCap); break;
    case 0x200: q.setCapStyle(Qt::FlatCap); break;
    default: q.setCapStyle(Qt::RoundCap); break;
    }
    switch (style & PS_JOIN_MASK) {
    case 0x1000: q.setJoinStyle(Qt::BevelJoin); break;
    case 0x2000: q.setJoinStyle(Qt::MiterJoin); break;
    default: q.setJoinStyle(Qt::RoundJoin); break;
    }
    pen.pen = q;
    m_objects[*index] = pen;
    return true;
}

bool Player::createBrush(const Bytes& r)
{
    const auto index = r.u32(8), style = r.u32(12), color = r.u32(16), hatch = r.u32(20);
    if (!index || !style || !color || !hatch)
        return false;
    QBrush b;
    switch (*style) {
    case BS_SOLID: b = QBrush(colorRef(*color)); break;
    case BS_NULL: b = QBrush(Qt::NoBrush); break;
    case BS_HATCHED: {
        static const Qt::BrushStyle hatches[] = {Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern,
                                                 Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
        b = QBrush(colorRef(*color), *hatch < 6 ? hatches[*hatch] : Qt::SolidPattern);
        break;
    }
    default: b = QBrush(colorRef(*color)); break;
    }
    m_objects[*index] = b;
    return true;
}

bool Player::createFont(const Bytes& r)
{
    // ihFont, then LOGFONTW (92 bytes) at 12; the longer forms add names we do not need.
    const auto index = r.u32(8);
    if (!index || !r.has(12, 92))
        return false;
    LogFont f;
    f.height = *r.i32(12);
    f.escapement = *r.i32(20);
    f.weight = *r.i32(28);
    f.italic = *r.u8(32) != 0;
    f.underline = *r.u8(33) != 0;
    f.strikeOut = *r.u8(34) != 0;
    f.charSet = *r.u8(35);
    f.pitchAndFamily = *r.u8(39);
    QString face = utf16At(r, 40, 32);
    const qsizetype nul = face.indexOf(QChar(0));
    if (nul >= 0)
        face.truncate(nul);
    f.face = face;
    m_objects[*index] = makeFont(f);
    return true;
}

void Player::selectObject(std::uint32_t index)
{
    if (index & kStockObject) {
        switch (index & ~kStockObject) {
        case WHITE_BRUSH: m_dc.brush = QBrush(Qt::white); break;
        case LTGRAY_BRUSH: m_dc.brush = QBrush(QColor(0xC0, 0xC0, 0xC0)); break;
        case GRAY_BRUSH: m_dc.brush = QBrush(QColor(0x80, 0x80, 0x80)); break;
        case DKGRAY_BRUSH: m_dc.brush = QBrush(QColor(0x40, 0x40, 0x40)); break;
        case BLACK_BRUSH: m_dc.brush = QBrush(Qt::black); break;
        case NULL_BRUSH: m_dc.brush = QBrush(Qt::NoBrush); break;
        case DC_BRUSH: m_dc.brush = QBrush(Qt::white); break;
        case WHITE_PEN: m_dc.pen = PenObject{QPen(Qt::white, 0), 0, true}; break;
        case BLACK_PEN:
        case DC_PEN: m_dc.pen = PenObject{QPen(Qt::black, 0), 0, true}; break;
        case NULL_PEN: m_dc.pen = PenObject{QPen(Qt::NoPen), 0, true}; break;
        case OEM_FIXED_FONT:
        case ANSI_FIXED_FONT:
        case SYSTEM_FIXED_FONT: {
            LogFont f;
            f.pitchAndFamily = 1;
            f.face = QStringLiteral("Monospace");
            m_dc.font = makeFont(f);
            break;
        }
        case ANSI_VAR_FONT:
        case SYSTEM_FONT:
        case DEVICE_DEFAULT_FONT:
        case DEFAULT_GUI_FONT: m_dc.font = makeFont(LogFont{}); break;
        default: break;
        }
        return;
    }
    const auto it = m_objects.find(index);
    if (it == m_objects.end()) {
        skip(QStringLiteral("selects object %1, which does not exist").arg(index));
        return;
    }
    if (const auto* pen = std::get_if<PenObject>(&it->second))
        m_dc.pen = *pen;
    else if (const auto* brush = std::get_if<QBrush>(&it->second))
        m_dc.brush = *brush;
    else if (const auto* font = std::get_if<FontObject>(&it->second))
        m_dc.font = *font;
}

bool Player::region(const Bytes& r, std::uint32_t offset, std::uint32_t size, QPainterPath& out) const
{
    // RGNDATAHEADER: size 32, type 1, count, bytes, bounds; then count rectangles.
    const auto data = r.slice(offset, size);
    if (!data)
        return false;
    const auto headerSize = data->u32(0), count = data->u32(8);
    if (!headerSize || !count || *headerSize < 32 || *headerSize > data->size())
        return false;
    if (*count > (data->size() - *headerSize) / 16)
        return false;
    out = QPainterPath();
    out.setFillRule(Qt::WindingFill);
    if (*count > kMaxRegionRects) {
        // Too many bands to combine one by one: the bounds stand in.
        if (auto b = rect32(*data, 16))
            out.addRect(*b);
        return true;
    }
    for (std::uint32_t i = 0; i < *count; ++i)
        out.addRect(*rect32(*data, *headerSize + 16 * i));
    out = out.simplified();
    return true;
}

bool Player::textOut(const Bytes& r, bool wide)
{
    // bounds(16) graphicsMode exScale eyScale | reference(8) nChars offString options rect(16) offDx
    const auto ref = point32(r, 36);
    const auto nChars = r.u32(44), offString = r.u32(48), options = r.u32(52), offDx = r.u32(72);
    const auto rcl = rect32(r, 56);
    if (!ref || !nChars || !offString || !options || !offDx || !rcl)
        return false;
    const std::uint32_t unit = wide ? 2 : 1;
    if (*nChars > r.size() / unit || !r.has(*offString, *nChars * unit))
        return false;
    QString text;
    if (wide) {
        text = utf16At(r, *offString, *nChars);
    } else {
        text = QString::fromLatin1(r.data() + *offString, static_cast<qsizetype>(*nChars));
    }
    if (*options & 0x10)   // ETO_GLYPH_INDEX: glyph numbers of a font we do not have
        return false;

    // Advances in logical units: the dx array when there is one, else the font's.
    const FontObject& f = m_dc.font;
    const double em = f.log.height < 0 ? -double(f.log.height)
                      : f.log.height > 0 ? f.log.height / (f.ascentRatio + f.descentRatio)
                                         : 12;
    const double fontScale = std::min(em, kCoordLimit) / f.pixelSize;   // logical units per font pixel
    const QFontMetricsF metrics(f.font);
    std::vector<double> advance(static_cast<size_t>(text.size()), 0.0);
    const bool pdy = *options & ETO_PDY;
    const std::uint32_t dxEach = pdy ? 8 : 4;
    const bool haveDx = *offDx != 0 && *nChars > 0 && *offDx <= r.size()
                        && *nChars <= (r.size() - *offDx) / dxEach;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (haveDx)
            advance[static_cast<size_t>(i)] = clampCoord(*r.i32(*offDx + static_cast<std::uint32_t>(i) * dxEach));
        else if (!text[i].isLowSurrogate())
            advance[static_cast<size_t>(i)] =
                metrics.horizontalAdvance(text.mid(i, text[i].isHighSurrogate() ? 2 : 1)) * fontScale;
    }
    double total = 0;
    for (double a : advance)
        total += a;

    QPointF origin = (m_dc.textAlign & TA_UPDATECP) ? m_dc.current : *ref;
    const QTransform t = full();
    const QPointF o = t.map(origin);
    const QLineF ux(t.map(QPointF(0, 0)), t.map(QPointF(1, 0)));
    const QLineF uy(t.map(QPointF(0, 0)), t.map(QPointF(0, 1)));
    const double sx = ux.length(), sy = uy.length();
    const bool rotated = std::fabs(t.m12()) > 1e-9 || std::fabs(t.m21()) > 1e-9;
    const double angle = (rotated ? -ux.angle() : 0.0) - f.log.escapement / 10.0;
    const double scale = fontScale * sy;   // target units per font pixel
    if (!(scale > 0) || !std::isfinite(scale))
        return false;

    // Frame of the text: x along the baseline (target units), y down, origin at the reference point.
    double x0 = 0;
    switch (m_dc.textAlign & TA_CENTER) {
    case TA_RIGHT: x0 = -total * sx; break;
    case TA_CENTER: x0 = -total * sx / 2; break;
    default: break;
    }
    const double ascent = f.ascentRatio * f.pixelSize * scale, descent = f.descentRatio * f.pixelSize * scale;
    double baseline = ascent;
    switch (m_dc.textAlign & TA_BASELINE) {
    case TA_BASELINE: baseline = 0; break;
    case TA_BOTTOM: baseline = -descent; break;
    default: break;
    }

    m_painter.save();
    if (*options & (ETO_OPAQUE | ETO_CLIPPED)) {
        QPainterPath box;
        box.addPolygon(t.map(QPolygonF(rcl->normalized())));
        m_painter.setTransform(QTransform());
        if (*options & ETO_OPAQUE)
            m_painter.fillPath(box, m_dc.bkColor);
        if (*options & ETO_CLIPPED)
            m_painter.setClipPath(box, Qt::IntersectClip);
    }
    m_painter.setTransform(QTransform().translate(o.x(), o.y()).rotate(angle));
    if (m_dc.bkMode == OPAQUE && !(*options & ETO_OPAQUE) && total > 0)
        m_painter.fillRect(QRectF(x0, baseline - ascent, total * sx, ascent + descent), m_dc.bkColor);
    m_painter.translate(x0, baseline);
    m_painter.scale(scale, scale);
    m_painter.setFont(f.font);
    m_painter.setPen(m_dc.textColor);
    if (!haveDx) {
        m_painter.drawText(QPointF(0, 0), text);
    } else {
        // One glyph a UTF-16 unit at the positions of the dx array: a single glyph run when the
        // font has every character, else character by character so that fallback fonts fill in.
        const QList<quint32> glyphs = f.raw.isValid() ? f.raw.glyphIndexesForString(text) : QList<quint32>();
        const bool whole = glyphs.size() == text.size()
                           && std::none_of(glyphs.begin(), glyphs.end(), [](quint32 g) { return g == 0; });
        double x = 0;
        if (whole) {
            QList<QPointF> positions;
            positions.reserve(text.size());
            for (qsizetype i = 0; i < text.size(); ++i) {
                positions << QPointF(x * sx / scale, 0);
                x += advance[static_cast<size_t>(i)];
            }
            QGlyphRun run;
            run.setRawFont(f.raw);
            run.setGlyphIndexes(glyphs);
            run.setPositions(positions);
            run.setUnderline(f.log.underline);
            run.setStrikeOut(f.log.strikeOut);
            m_painter.drawGlyphRun(QPointF(0, 0), run);
        } else {
            for (qsizetype i = 0; i < text.size(); ++i) {
                const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
                const double step = advance[static_cast<size_t>(i)] + (pair ? advance[static_cast<size_t>(i + 1)] : 0);
                if (!text[i].isSpace())
                    m_painter.drawText(QPointF(x * sx / scale, 0), text.mid(i, pair ? 2 : 1));
                x += step;
                if (pair)
                    ++i;
            }
        }
    }
    m_painter.restore();
    if (m_dc.textAlign & TA_UPDATECP)
        m_dc.current = origin + QPointF(total, 0);
    return true;
}

bool Player::bitmap(std::uint32_t type, const Bytes& r)
{
    QRectF dest, src;
    std::uint32_t offBmi = 0, cbBmi = 0, offBits = 0, cbBits = 0, usage = 0, rop = SRCCOPY;
    bool alpha = false;
    if (type == EMR_STRETCHDIBITS) {
        if (!r.has(0, 80))
            return false;
        dest = QRectF(*r.i32(24), *r.i32(28), *r.i32(72), *r.i32(76));
        src = QRectF(*r.i32(32), *r.i32(36), *r.i32(40), *r.i32(44));
        offBmi = *r.u32(48), cbBmi = *r.u32(52), offBits = *r.u32(56), cbBits = *r.u32(60);
        usage = *r.u32(64), rop = *r.u32(68);
    } else if (type == EMR_SETDIBITSTODEVICE) {
        if (!r.has(0, 76))
            return false;
        dest = QRectF(*r.i32(24), *r.i32(28), *r.i32(40), *r.i32(44));
        src = QRectF(*r.i32(32), *r.i32(36), *r.i32(40), *r.i32(44));
        offBmi = *r.u32(48), cbBmi = *r.u32(52), offBits = *r.u32(56), cbBits = *r.u32(60);
        usage = *r.u32(64);
    } else {
        // BITBLT (100 bytes), STRETCHBLT and ALPHABLEND (108, with the source size).
        if (!r.has(0, 100))
            return false;
        dest = QRectF(*r.i32(24), *r.i32(28), *r.i32(32), *r.i32(36));
        rop = *r.u32(40);
        src = QRectF(*r.i32(44), *r.i32(48), dest.width(), dest.height());
        usage = *r.u32(80), offBmi = *r.u32(84), cbBmi = *r.u32(88), offBits = *r.u32(92), cbBits = *r.u32(96);
        if (type != EMR_BITBLT) {
            if (!r.has(0, 108))
                return false;
            src.setWidth(*r.i32(100));
            src.setHeight(*r.i32(104));
        }
        if (type == EMR_ALPHABLEND) {
            alpha = true;
            rop = SRCCOPY;
        }
    }
    dest = QRectF(clampCoord(dest.x()), clampCoord(dest.y()), clampCoord(dest.width()), clampCoord(dest.height()));

    if (cbBmi == 0 || offBmi == 0) {
        // No source bitmap: a pattern fill or nothing.
        QBrush fill;
        if (rop == PATCOPY)
            fill = m_dc.brush;
        else if (rop == BLACKNESS)
            fill = QBrush(Qt::black);
        else if (rop == WHITENESS)
            fill = QBrush(Qt::white);
        else
            return true;
        m_painter.setTransform(full());
        m_painter.fillRect(dest, fill);
        return true;
    }
    const auto bmi = r.slice(offBmi, cbBmi);
    const auto bits = r.slice(offBits, cbBits);
    if (!bmi || !bits) {
        skip(QStringLiteral("bitmap record at offset %1: its bitmap lies outside the record").arg(m_offset));
        return true;
    }
    QString why;
    QImage image = decodeDib(*bmi, *bits, usage, &why);
    if (image.isNull()) {
        skip(QStringLiteral("bitmap record at offset %1: %2").arg(m_offset).arg(why));
        return true;
    }
    if (alpha) {
        const std::uint32_t blend = *r.u32(40);
        const int constantAlpha = static_cast<int>(blend >> 16 & 0xFF);
        const bool perPixel = (blend >> 24 & 0xFF) != 0;
        if (perPixel && image.format() == QImage::Format_RGB32)
            image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
        m_painter.setOpacity(constantAlpha / 255.0);
    }
    // Source rectangles of bottom-up bitmaps count rows from the bottom.
    const bool bottomUp = bmi->u32(0).value_or(0) >= 40 && bmi->i32(8).value_or(0) > 0;
    if (type == EMR_STRETCHDIBITS || type == EMR_SETDIBITSTODEVICE) {
        if (bottomUp)
            src.moveTop(image.height() - src.top() - src.height());
    }
    m_painter.setTransform(full());
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (rop == SRCAND)
        mode = QPainter::RasterOp_SourceAndDestination;
    else if (rop == SRCPAINT)
        mode = QPainter::RasterOp_SourceOrDestination;
    else if (rop == 0x00660046)   // SRCINVERT
        mode = QPainter::RasterOp_SourceXorDestination;
    m_painter.setCompositionMode(mode);
    // Negative sizes mirror the picture.
    QTransform mirror;
    QRectF d = dest;
    if (d.width() < 0 || d.height() < 0) {
        mirror.translate(d.center().x(), d.center().y());
        mirror.scale(d.width() < 0 ? -1 : 1, d.height() < 0 ? -1 : 1);
        mirror.translate(-d.center().x(), -d.center().y());
        d = d.normalized();
        m_painter.setTransform(mirror * full());
    }
    // Stretched pictures are smoothed only when the page asks for it (HALFTONE).
    m_painter.setRenderHint(QPainter::SmoothPixmapTransform, m_dc.stretchMode == 4);
    m_painter.drawImage(d, image, src.normalized());
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    m_painter.setOpacity(1.0);
    return true;
}

bool Player::record(std::uint32_t type, const Bytes& r)
{
    auto u = [&](std::uint32_t o) { return r.u32(o); };
    switch (type) {
    case EMR_HEADER:
    case EMR_COMMENT:   // EMF+ and other comments: the EMF records carry the drawing
    case EMR_SETMAPPERFLAGS:
    case EMR_SETBRUSHORGEX:
    case EMR_SETMITERLIMIT:
    case EMR_SETARCDIRECTION:
    case EMR_SETMETARGN:
    case 48: case 49: case 50: case 51: case 52:   // palettes
    case 98: case 99: case 100: case 101:          // colour management
    case 115:                                       // layout
        return true;
    case EMR_SETMAPMODE:
        if (!u(8)) return false;
        m_dc.mapMode = *u(8);
        return true;
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX: {
        const auto p = point32(r, 8);
        if (!p) return false;
        if (type == EMR_SETWINDOWEXTEX) m_dc.windowExt = QSizeF(p->x(), p->y());
        else if (type == EMR_SETWINDOWORGEX) m_dc.windowOrg = *p;
        else if (type == EMR_SETVIEWPORTEXTEX) m_dc.viewportExt = QSizeF(p->x(), p->y());
        else m_dc.viewportOrg = *p;
        return true;
    }
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
        const auto xn = r.i32(8), xd = r.i32(12), yn = r.i32(16), yd = r.i32(20);
        if (!xn || !xd || !yn || !yd || *xd == 0 || *yd == 0) return false;
        QSizeF& e = type == EMR_SCALEVIEWPORTEXTEX ? m_dc.viewportExt : m_dc.windowExt;
        e = QSizeF(e.width() * *xn / *xd, e.height() * *yn / *yd);
        return true;
    }
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM: {
        float v[6];
        for (int i = 0; i < 6; ++i) {
            const auto f = r.f32(8 + 4 * static_cast<std::uint32_t>(i));
            if (!f || !std::isfinite(*f)) return false;
            v[i] = *f;
        }
        const QTransform x(v[0], v[1], v[2], v[3], v[4], v[5]);
        const std::uint32_t mode = type == EMR_SETWORLDTRANSFORM ? MWT_SET : u(32).value_or(0);
        switch (mode) {
        case MWT_IDENTITY: m_dc.world = QTransform(); break;
        case MWT_LEFTMULTIPLY: m_dc.world = x * m_dc.world; break;
        case MWT_RIGHTMULTIPLY: m_dc.world = m_dc.world * x; break;
        case MWT_SET: m_dc.world = x; break;
        default: return false;
        }
        if (!m_dc.world.isInvertible()) m_dc.world = QTransform();
        return true;
    }
    case EMR_SETBKMODE: if (!u(8)) return false; m_dc.bkMode = *u(8); return true;
    case EMR_SETPOLYFILLMODE: if (!u(8)) return false; m_dc.polyFillMode = *u(8); return true;
    case EMR_SETROP2: if (!u(8)) return false; m_dc.rop2 = *u(8); return true;
    case EMR_SETSTRETCHBLTMODE: if (!u(8)) return false; m_dc.stretchMode = *u(8); return true;
    case EMR_SETTEXTALIGN: if (!u(8)) return false; m_dc.textAlign = *u(8); return true;
    case EMR_SETTEXTCOLOR: if (!u(8)) return false; m_dc.textColor = colorRef(*u(8)); return true;
    case EMR_SETBKCOLOR: if (!u(8)) return false; m_dc.bkColor = colorRef(*u(8)); return true;
    case EMR_SAVEDC:
        if (m_saved.size() < kMaxSavedStates)
            m_saved.push_back(m_dc);
        return true;
    case EMR_RESTOREDC: {
        const auto rel = r.i32(8);
        if (!rel) return false;
        // Negative: relative to the newest state; positive: the n-th state saved.
        const qint64 n = static_cast<qint64>(m_saved.size());
        const qint64 index = *rel < 0 ? n + *rel : static_cast<qint64>(*rel) - 1;
        if (index < 0 || index >= n) return false;
        m_dc = m_saved[static_cast<size_t>(index)];
        m_saved.resize(static_cast<size_t>(index));
        applyClip();
        return true;
    }
    case EMR_CREATEPEN: return createPen(r, false);
    case EMR_EXTCREATEPEN: return createPen(r, true);
    case EMR_CREATEBRUSHINDIRECT: return createBrush(r);
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: {
        const auto index = u(8), usage = u(12), offBmi = u(16), cbBmi = u(20), offBits = u(24), cbBits = u(28);
        if (!index || !usage || !offBmi || !cbBmi || !offBits || !cbBits) return false;
        const auto bmi = r.slice(*offBmi, *cbBmi), bits = r.slice(*offBits, *cbBits);
        QImage pattern = bmi && bits ? decodeDib(*bmi, *bits, *usage, nullptr) : QImage();
        m_objects[*index] = pattern.isNull() ? QBrush(Qt::gray) : QBrush(pattern);
        return true;
    }
    case EMR_EXTCREATEFONTINDIRECTW: return createFont(r);
    case EMR_SELECTOBJECT: if (!u(8)) return false; selectObject(*u(8)); return true;
    case EMR_DELETEOBJECT: if (!u(8)) return false; m_objects.erase(*u(8)); return true;
    case EMR_MOVETOEX: {
        const auto p = point32(r, 8);
        if (!p) return false;
        m_dc.current = *p;
        if (m_inPath) m_path.moveTo(*p);
        return true;
    }
    case EMR_LINETO: {
        const auto p = point32(r, 8);
        if (!p) return false;
        if (m_inPath) {
            if (m_path.elementCount() == 0) m_path.moveTo(m_dc.current);
            m_path.lineTo(*p);
        } else {
            prepare(true, false);
            m_painter.drawLine(m_dc.current, *p);
        }
        m_dc.current = *p;
        return true;
    }
    case EMR_RECTANGLE:
    case EMR_ELLIPSE:
    case EMR_ROUNDRECT: {
        const auto box = rect32(r, 8);
        if (!box) return false;
        QPainterPath p;
        if (type == EMR_RECTANGLE) p.addRect(box->normalized());
        else if (type == EMR_ELLIPSE) p.addEllipse(box->normalized());
        else {
            const auto corner = point32(r, 24);
            if (!corner) return false;
            p.addRoundedRect(box->normalized(), std::fabs(corner->x()) / 2, std::fabs(corner->y()) / 2);
        }
        drawShape(p);
        return true;
    }
    case EMR_ARC:
    case EMR_CHORD:
    case EMR_PIE:
    case EMR_ARCTO: {
        const auto box = rect32(r, 8);
        const auto a = point32(r, 24), b = point32(r, 32);
        if (!box || !a || !b) return false;
        const int kind = type == EMR_CHORD ? 1 : type == EMR_PIE ? 2 : 0;
        const QPainterPath p = arcPath(*box, *a, *b, kind);
        if (kind == 0) {
            if (m_inPath) {
                if (type == EMR_ARCTO && m_path.elementCount() > 0) m_path.lineTo(p.elementAt(0));
                m_path.addPath(p);
            } else {
                prepare(true, false);
                m_painter.drawPath(p);
            }
            if (type == EMR_ARCTO) m_dc.current = p.currentPosition();
        } else {
            drawShape(p);
        }
        return true;
    }
    case EMR_SETPIXELV: {
        const auto p = point32(r, 8);
        const auto c = u(16);
        if (!p || !c) return false;
        m_painter.setTransform(full());
        m_painter.fillRect(QRectF(*p, QSizeF(1, 1)), colorRef(*c));
        return true;
    }
    case EMR_POLYGON: case EMR_POLYGON16: case EMR_POLYLINE: case EMR_POLYLINE16:
    case EMR_POLYBEZIER: case EMR_POLYBEZIER16: case EMR_POLYLINETO: case EMR_POLYLINETO16:
    case EMR_POLYBEZIERTO: case EMR_POLYBEZIERTO16: {
        const bool small = type >= EMR_POLYBEZIER16;
        QPolygonF pts;
        if (!points(r, 24, 28, small, pts)) return false;
        const bool to = type == EMR_POLYLINETO || type == EMR_POLYLINETO16 || type == EMR_POLYBEZIERTO
                        || type == EMR_POLYBEZIERTO16;
        const bool bezier = type == EMR_POLYBEZIER || type == EMR_POLYBEZIER16 || type == EMR_POLYBEZIERTO
                            || type == EMR_POLYBEZIERTO16;
        if (type == EMR_POLYGON || type == EMR_POLYGON16) {
            drawPolygon(pts);
            return true;
        }
        if (to) pts.prepend(m_dc.current);
        if (!bezier) {
            if (m_inPath && to) {
                if (m_path.elementCount() == 0) m_path.moveTo(pts.first());
                for (qsizetype i = 1; i < pts.size(); ++i) m_path.lineTo(pts[i]);
            } else {
                drawPolyline(pts);
            }
        } else {
            QPainterPath p;
            p.moveTo(pts.first());
            for (qsizetype i = 1; i + 2 < pts.size(); i += 3) p.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
            if (m_inPath) {
                if (to && m_path.elementCount() > 0) {
                    for (qsizetype i = 1; i + 2 < pts.size(); i += 3) m_path.cubicTo(pts[i], pts[i + 1], pts[i + 2]);
                } else {
                    m_path.addPath(p);
                }
            } else {
                prepare(true, false);
                m_painter.drawPath(p);
            }
        }
        if (to) m_dc.current = pts.last();
        return true;
    }
    case EMR_POLYPOLYGON: case EMR_POLYPOLYGON16: case EMR_POLYPOLYLINE: case EMR_POLYPOLYLINE16: {
        const bool small = type == EMR_POLYPOLYGON16 || type == EMR_POLYPOLYLINE16;
        std::vector<QPolygonF> polys;
        if (!polyPoly(r, small, polys)) return false;
        if (type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16) {
            QPainterPath p;
            p.setFillRule(m_dc.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
            for (const auto& poly : polys) {
                p.addPolygon(poly);
                p.closeSubpath();
            }
            drawShape(p);
        } else {
            for (const auto& poly : polys) drawPolyline(poly);
        }
        return true;
    }
    case EMR_BEGINPATH: m_inPath = true; m_path = QPainterPath(); return true;
    case EMR_ENDPATH: m_inPath = false; return true;
    case EMR_ABORTPATH: m_inPath = false; m_path = QPainterPath(); return true;
    case EMR_CLOSEFIGURE: if (m_inPath) m_path.closeSubpath(); return true;
    case EMR_FLATTENPATH: case EMR_WIDENPATH: return true;
    case EMR_FILLPATH: case EMR_STROKEPATH: case EMR_STROKEANDFILLPATH: {
        m_inPath = false;
        m_path.setFillRule(m_dc.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        prepare(type != EMR_FILLPATH, type != EMR_STROKEPATH);
        m_painter.drawPath(m_path);
        m_path = QPainterPath();
        return true;
    }
    case EMR_SELECTCLIPPATH: {
        const auto mode = u(8);
        if (!mode) return false;
        m_inPath = false;
        m_path.setFillRule(m_dc.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        combineClip(logicalToDevice().map(m_path), *mode);
        m_path = QPainterPath();
        return true;
    }
    case EMR_INTERSECTCLIPRECT:
    case EMR_EXCLUDECLIPRECT: {
        const auto box = rect32(r, 8);
        if (!box) return false;
        QPainterPath p;
        p.addPolygon(logicalToDevice().map(QPolygonF(box->normalized())));
        p.closeSubpath();
        combineClip(p, type == EMR_INTERSECTCLIPRECT ? RGN_AND : RGN_DIFF);
        return true;
    }
    case EMR_OFFSETCLIPRGN: {
        const auto p = point32(r, 8);
        if (!p) return false;
        if (m_dc.hasClip) {
            const QTransform t = logicalToDevice();
            const QPointF d = t.map(*p) - t.map(QPointF(0, 0));
            m_dc.clip.translate(d);
            applyClip();
        }
        return true;
    }
    case EMR_EXTSELECTCLIPRGN: {
        const auto size = u(8), mode = u(12);
        if (!size || !mode) return false;
        if (*size == 0) {
            if (*mode != RGN_COPY) return false;
            m_dc.hasClip = false;
            m_dc.clip = QPainterPath();
            applyClip();
            return true;
        }
        QPainterPath p;
        if (!region(r, 16, *size, p)) return false;
        combineClip(p, *mode);
        return true;
    }
    case EMR_FILLRGN:
    case EMR_PAINTRGN: {
        // bounds(16), cbRgnData, [ihBrush], data
        const auto size = u(24);
        if (!size) return false;
        QBrush brush = m_dc.brush;
        std::uint32_t at = 28;
        if (type == EMR_FILLRGN) {
            const auto index = u(28);
            if (!index) return false;
            at = 32;
            if (*index & kStockObject) {
                const DcState keep = m_dc;
                selectObject(*index);
                brush = m_dc.brush;
                m_dc = keep;
            } else if (auto it = m_objects.find(*index); it != m_objects.end()) {
                if (const auto* b = std::get_if<QBrush>(&it->second)) brush = *b;
            }
        }
        QPainterPath p;
        if (!region(r, at, *size, p)) return false;
        m_painter.setTransform(m_deviceToTarget * m_base);
        m_painter.fillPath(p, brush);
        return true;
    }
    case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_STRETCHDIBITS: case EMR_ALPHABLEND:
    case EMR_SETDIBITSTODEVICE: case EMR_TRANSPARENTBLT:
        return bitmap(type == EMR_TRANSPARENTBLT ? EMR_STRETCHBLT : type, r);
    case EMR_EXTTEXTOUTW: return textOut(r, true);
    case EMR_EXTTEXTOUTA: return textOut(r, false);
    default:
        skip(QStringLiteral("record type %1 at offset %2 is not played").arg(type).arg(m_offset));
        return true;
    }
}

QRPlayResult Player::run()
{
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, true);
    const Bytes all(m_bytes);
    // Header record count and size are often wrong in real files: the bytes decide.
    std::uint32_t offset = 0;
    bool sawEof = false;
    while (offset < all.size()) {
        m_offset = offset;
        if (!all.has(offset, 8)) {
            m_result.ok = false;
            m_result.error = QStringLiteral("EMF image ends inside the record at offset %1").arg(offset);
            break;
        }
        const std::uint32_t type = *all.u32(offset), size = *all.u32(offset + 4);
        if (size < 8 || size % 4 != 0 || size > all.size() - offset) {
            m_result.ok = false;
            m_result.error = QStringLiteral("EMF record of type %1 at offset %2 declares %3 bytes; %4 remain")
                                 .arg(type).arg(offset).arg(size).arg(all.size() - offset);
            break;
        }
        if (type == EMR_EOF) {
            sawEof = true;
            ++m_result.recordsPlayed;
            break;
        }
        const Bytes r = *all.slice(offset, size);
        if (record(type, r))
            ++m_result.recordsPlayed;
        else
            skip(QStringLiteral("record type %1 at offset %2 is too short or inconsistent").arg(type).arg(offset));
        offset += size;
    }
    if (m_result.ok && !sawEof) {
        m_result.ok = false;
        m_result.error = QStringLiteral("EMF image has no end record");
    }
    if (m_result.ok && m_result.recordsSkipped > 0)
        m_result.error = m_firstSkip;
    m_painter.restore();
    return m_result;
}

} // namespace

QPointF pixelsPerMillimetre(const QRMetafileHeader& h)
{
    auto ratio = [](int px, int mm, int um) {
        if (px <= 0)
            return 96 / 25.4;
        if (um > 0)
            return px * 1000.0 / um;
        return mm > 0 ? double(px) / mm : 96 / 25.4;
    };
    return QPointF(ratio(h.deviceSizePixels.width(), h.deviceSizeMillimetres.width(), h.deviceSizeMicrometres.width()),
                   ratio(h.deviceSizePixels.height(), h.deviceSizeMillimetres.height(), h.deviceSizeMicrometres.height()));
}

QRectF frameInDevicePixels(const QRMetafileHeader& h)
{
    const QPointF perMm = pixelsPerMillimetre(h);
    const double pxPerMmX = perMm.x(), pxPerMmY = perMm.y();
    const QRect& f = h.frame;
    const double w = (double(f.right()) - f.left()) / 100.0 * pxPerMmX;
    const double hgt = (double(f.bottom()) - f.top()) / 100.0 * pxPerMmY;
    if (w >= 1 && hgt >= 1 && w < 1e7 && hgt < 1e7)
        return QRectF(f.left() / 100.0 * pxPerMmX, f.top() / 100.0 * pxPerMmY, w, hgt);
    // No usable frame: the bounds, then the reference device.
    const QRect& b = h.bounds;
    const double bw = double(b.right()) - b.left() + 1, bh = double(b.bottom()) - b.top() + 1;
    if (bw >= 1 && bh >= 1 && bw < 1e7 && bh < 1e7)
        return QRectF(b.left(), b.top(), bw, bh);
    if (h.deviceSizePixels.width() > 0 && h.deviceSizePixels.height() > 0)
        return QRectF(QPointF(0, 0), QSizeF(h.deviceSizePixels));
    return QRectF(0, 0, 1, 1);
}

QRPlayResult play(const QRMetafile& page, QPainter& painter, const QRectF& target)
{
    if (!page.isValid()) {
        QRPlayResult r;
        r.ok = false;
        r.error = page.isNull() ? QStringLiteral("no page image") : QRMetafile::validate(page.bytes());
        return r;
    }
    if (!painter.isActive() || !(target.width() > 0) || !(target.height() > 0)) {
        QRPlayResult r;
        r.ok = false;
        r.error = QStringLiteral("nothing to draw on");
        return r;
    }
    installFontSubstitutions();
    Player player(page, painter, target);
    return player.run();
}

} // namespace emf
