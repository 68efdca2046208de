#include "reportengine/emf/emf_player.h"

#include "reportengine/emf/emf_dib.h"
#include "reportengine/emf/emf_fonts.h"
#include "reportengine/emf/player_state.h"

namespace emf {

namespace detail {

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

} // namespace detail

using detail::Player;


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

QRPlayResult play(const QRMetafile& page, QPainter& painter, const QRectF& target, const TextSink* texts)
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
    Player player(page, painter, target, texts);
    return player.run();
}

} // namespace emf