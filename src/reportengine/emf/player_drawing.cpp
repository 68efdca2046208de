#include "reportengine/emf/emf_dib.h"
#include "reportengine/emf/player_state.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QtMath>

// Reading coordinates from records and drawing shapes, regions, text and bitmaps.
namespace emf::detail {

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

    if (m_texts && *m_texts && !text.isEmpty()) {
        const QPointF start = QTransform().translate(o.x(), o.y()).rotate(angle).map(QPointF(x0, baseline));
        (*m_texts)(TextRun{text, start, ascent + descent, total * sx, -angle});
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
    const std::uint32_t blend = alpha ? *r.u32(40) : 0;
    const bool perPixel = alpha && (blend >> 24 & 0xFF) != 0;   // AC_SRC_ALPHA
    QString why;
    QImage image = decodeDib(*bmi, *bits, usage, &why, perPixel);
    if (image.isNull()) {
        skip(QStringLiteral("bitmap record at offset %1: %2").arg(m_offset).arg(why));
        return true;
    }
    if (alpha)
        m_painter.setOpacity(static_cast<int>(blend >> 16 & 0xFF) / 255.0);
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

} // namespace emf::detail
