#include "reportengine/emf/emf_recorder.h"

#include "reportengine/emf/emf_dib.h"
#include "reportengine/emf/emf_fonts.h"
#include "reportengine/emf/emf_writer.h"
#include "reportengine/qrerror.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTextItem>
#include <QtMath>

#include <cmath>
#include <optional>

using namespace emf;

namespace {

std::uint32_t colorRef(const QColor& c)
{
    const QColor rgb = c.toRgb();
    return std::uint32_t(rgb.red()) | std::uint32_t(rgb.green()) << 8 | std::uint32_t(rgb.blue()) << 16;
}

std::int32_t px(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(v, -1e9, 1e9)));
}

// The face name as the report asked for it: the first family given.
QString faceOf(const QFont& f)
{
    const QStringList families = f.families();
    return families.isEmpty() ? f.family() : families.first();
}

bool isJapanese(const QString& s)
{
    for (const QChar c : s) {
        const ushort u = c.unicode();
        if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

struct FontKey {
    QString face;
    std::int32_t height = 0;
    std::int32_t escapement = 0;
    std::int32_t weight = 400;
    bool italic = false, underline = false, strikeOut = false, fixedPitch = false;
    bool operator==(const FontKey&) const = default;
};

struct PenKey {
    std::uint32_t style = 0;
    std::uint32_t width = 0;
    std::uint32_t color = 0;
    bool operator==(const PenKey&) const = default;
};

struct BrushKey {
    std::uint32_t style = 0;
    std::uint32_t color = 0;
    std::uint32_t hatch = 0;
    bool operator==(const BrushKey&) const = default;
};

} // namespace

class EmfPaintEngine : public QPaintEngine {
public:
    EmfPaintEngine(QSize size, int dpiX, int dpiY)
        : QPaintEngine(PrimitiveTransform | PixmapTransform | PainterPaths | Antialiasing | AlphaBlend
                       | ConstantOpacity),
          m_dpiY(dpiY), m_writer(size, dpiX, dpiY)
    {
    }

    bool begin(QPaintDevice* device) override
    {
        m_device = device;
        // Our text is placed at its baseline and never paints a background.
        m_writer.simple(EMR_SETBKMODE, {TRANSPARENT});
        m_writer.simple(EMR_SETTEXTALIGN, {TA_BASELINE});
        m_pen.reset();
        m_brush.reset();
        m_font.reset();
        m_textColor.reset();
        m_fillMode.reset();
        return true;
    }

    bool end() override
    {
        // Leave no object of ours selected, and free every handle.
        m_writer.simple(EMR_SELECTOBJECT, {kStockObject | BLACK_PEN});
        m_writer.simple(EMR_SELECTOBJECT, {kStockObject | WHITE_BRUSH});
        m_writer.simple(EMR_SELECTOBJECT, {kStockObject | DEVICE_DEFAULT_FONT});
        for (auto* h : {&m_penHandle, &m_brushHandle, &m_fontHandle}) {
            if (*h) {
                m_writer.simple(EMR_DELETEOBJECT, {*h});
                m_writer.freeHandle(*h);
                *h = 0;
            }
        }
        m_pen.reset();
        m_brush.reset();
        m_font.reset();
        return true;
    }

    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override
    {
        const auto flags = state.state();
        if (flags & DirtyPen)
            m_qpen = state.pen();
        if (flags & DirtyBrush)
            m_qbrush = state.brush();
        // The font comes with each text item.
        if (flags & DirtyTransform)
            m_xf = state.transform();
        if (flags & (DirtyClipPath | DirtyClipRegion | DirtyClipEnabled))
            writeClip();
    }

    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            if (m_xf.type() <= QTransform::TxScale) {
                const QRectF r = m_xf.mapRect(rects[i]);
                selectPen();
                selectBrush();
                rectRecord(EMR_RECTANGLE, r);
            } else {
                drawPolygonPoints(QPolygonF(rects[i]), true);
            }
        }
    }
    void drawRects(const QRect* rects, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QRectF r(rects[i]);
            drawRects(&r, 1);
        }
    }

    void drawEllipse(const QRectF& rect) override
    {
        if (m_xf.type() <= QTransform::TxScale) {
            selectPen();
            selectBrush();
            rectRecord(EMR_ELLIPSE, m_xf.mapRect(rect));
        } else {
            QPainterPath p;
            p.addEllipse(rect);
            drawPath(p);
        }
    }
    void drawEllipse(const QRect& rect) override { drawEllipse(QRectF(rect)); }

    void drawLines(const QLineF* lines, int count) override
    {
        if (m_qpen.style() == Qt::NoPen)
            return;
        selectPen();
        for (int i = 0; i < count; ++i) {
            const QPointF a = m_xf.map(lines[i].p1()), b = m_xf.map(lines[i].p2());
            m_writer.simple(EMR_MOVETOEX, {std::uint32_t(px(a.x())), std::uint32_t(px(a.y()))});
            m_writer.simple(EMR_LINETO, {std::uint32_t(px(b.x())), std::uint32_t(px(b.y()))});
            include(QRectF(a, b).normalized());
        }
    }
    void drawLines(const QLine* lines, int count) override
    {
        for (int i = 0; i < count; ++i) {
            const QLineF l(lines[i]);
            drawLines(&l, 1);
        }
    }

    void drawPolygon(const QPointF* points, int count, PolygonDrawMode mode) override
    {
        QPolygonF poly;
        poly.reserve(count);
        for (int i = 0; i < count; ++i)
            poly << points[i];
        if (mode == PolylineMode) {
            if (m_qpen.style() == Qt::NoPen || poly.isEmpty())
                return;
            selectPen();
            polyRecord(EMR_POLYLINE, m_xf.map(poly));
            return;
        }
        setFillMode(mode == WindingMode ? WINDING : ALTERNATE);
        drawPolygonPoints(poly, false);
    }
    void drawPolygon(const QPoint* points, int count, PolygonDrawMode mode) override
    {
        QPolygonF poly;
        for (int i = 0; i < count; ++i)
            poly << QPointF(points[i]);
        drawPolygon(poly.constData(), count, mode);
    }

    void drawPath(const QPainterPath& path) override
    {
        if (path.isEmpty())
            return;
        const bool stroke = m_qpen.style() != Qt::NoPen;
        const bool fill = m_qbrush.style() != Qt::NoBrush;
        if (!stroke && !fill)
            return;
        selectPen();
        selectBrush();
        setFillMode(path.fillRule() == Qt::WindingFill ? WINDING : ALTERNATE);
        m_writer.simple(EMR_BEGINPATH, {});
        QPointF subpathStart;
        QPointF last;
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            const QPointF p = m_xf.map(QPointF(e.x, e.y));
            if (e.isMoveTo()) {
                if (i > 0 && last == subpathStart)
                    m_writer.simple(EMR_CLOSEFIGURE, {});
                m_writer.simple(EMR_MOVETOEX, {std::uint32_t(px(p.x())), std::uint32_t(px(p.y()))});
                subpathStart = p;
            } else if (e.isLineTo()) {
                m_writer.simple(EMR_LINETO, {std::uint32_t(px(p.x())), std::uint32_t(px(p.y()))});
            } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
                const QPainterPath::Element c2 = path.elementAt(i + 1), c3 = path.elementAt(i + 2);
                QPolygonF pts{p, m_xf.map(QPointF(c2.x, c2.y)), m_xf.map(QPointF(c3.x, c3.y))};
                polyRecord(EMR_POLYBEZIERTO, pts, false);
                i += 2;
                last = pts.last();
                continue;
            }
            last = p;
        }
        if (path.elementCount() > 1 && last == subpathStart)
            m_writer.simple(EMR_CLOSEFIGURE, {});
        m_writer.simple(EMR_ENDPATH, {});
        const QRectF b = m_xf.mapRect(path.boundingRect());
        include(b);
        const std::uint32_t type = stroke && fill ? EMR_STROKEANDFILLPATH : stroke ? EMR_STROKEPATH : EMR_FILLPATH;
        Writer& w = m_writer.begin(type);
        writeRect(w, b);
        m_writer.end();
    }

    void drawPixmap(const QRectF& r, const QPixmap& pm, const QRectF& sr) override
    {
        drawImage(r, pm.toImage(), sr, Qt::AutoColor);
    }

    void drawImage(const QRectF& r, const QImage& image, const QRectF& sr, Qt::ImageConversionFlags) override
    {
        if (image.isNull() || sr.isEmpty())
            return;
        const QImage part = sr == QRectF(image.rect()) ? image : image.copy(sr.toAlignedRect());
        if (m_xf.type() > QTransform::TxScale) {
            // Rotated pictures: a bitmap of the rotated page area.
            const QRectF dev = m_xf.mapRect(r);
            QImage rotated(dev.size().toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
            rotated.fill(Qt::transparent);
            QPainter p(&rotated);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.setTransform(m_xf * QTransform::fromTranslate(-dev.left(), -dev.top()));
            p.drawImage(r, part);
            p.end();
            writeBitmap(dev, rotated);
            return;
        }
        writeBitmap(m_xf.mapRect(r), part);
    }

    void drawTextItem(const QPointF& p, const QTextItem& item) override
    {
        const QString text = item.text();
        if (text.isEmpty())
            return;
        const QFont font = item.font();
        // Scale and rotation of the current transform: fonts and advances follow them.
        const QLineF ux(m_xf.map(QPointF(0, 0)), m_xf.map(QPointF(1, 0)));
        const QLineF uy(m_xf.map(QPointF(0, 0)), m_xf.map(QPointF(0, 1)));
        const double sx = ux.length(), sy = uy.length();
        double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * m_dpiY / 72.0;
        pixels *= sy;
        FontKey key;
        key.face = faceOf(font);
        key.height = -std::max(1, px(pixels));
        key.escapement = px(ux.angle() * 10) % 3600;
        key.weight = std::clamp(static_cast<int>(font.weight()), 1, 1000);
        key.italic = font.italic();
        key.underline = font.underline();
        key.strikeOut = font.strikeOut();
        key.fixedPitch = font.fixedPitch() || font.styleHint() == QFont::Monospace;
        selectFont(key);
        const std::uint32_t color = colorRef(m_qpen.color());
        if (m_textColor != color) {
            m_writer.simple(EMR_SETTEXTCOLOR, {color});
            m_textColor = color;
        }

        // Advances per UTF-16 unit in device pixels, rounded where they accumulate so that the
        // line keeps the width the layout gave it.
        const QFontMetricsF metrics(font, m_device);
        std::vector<double> advance(static_cast<size_t>(text.size()), 0.0);
        double natural = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isLowSurrogate())
                continue;
            const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
            advance[static_cast<size_t>(i)] = metrics.horizontalAdvance(text.mid(i, pair ? 2 : 1));
            natural += advance[static_cast<size_t>(i)];
        }
        const double width = item.width() > 0 ? item.width() : natural;
        const double stretch = natural > 0 ? width / natural : 1.0;
        std::vector<std::int32_t> dx(static_cast<size_t>(text.size()), 0);
        double x = 0;
        std::int32_t placed = 0;
        for (size_t i = 0; i < dx.size(); ++i) {
            x += advance[i] * stretch * sx;
            const std::int32_t at = px(x);
            dx[i] = at - placed;
            placed = at;
        }

        const QPointF o = m_xf.map(p);
        const QRectF box(o.x(), o.y() - item.ascent() * sy, width * sx, (item.ascent() + item.descent()) * sy);
        include(box);
        Writer& w = m_writer.begin(EMR_EXTTEXTOUTW);
        writeRect(w, box);
        w.u32(2);        // advanced graphics mode
        w.f32(0);
        w.f32(0);
        w.i32(px(o.x()));
        w.i32(px(o.y()));
        const auto n = static_cast<std::uint32_t>(text.size());
        w.u32(n);
        const std::uint32_t offString = 76;
        const std::uint32_t stringBytes = (n * 2 + 3) / 4 * 4;
        w.u32(offString);
        w.u32(0);        // options
        w.i32(0);        // no clipping or opaquing rectangle
        w.i32(0);
        w.i32(-1);
        w.i32(-1);
        w.u32(offString + stringBytes);
        for (const QChar c : text)
            w.u16(c.unicode());
        w.pad4();
        for (std::int32_t d : dx)
            w.i32(d);
        m_writer.end();
    }

    QRMetafile finish()
    {
        QByteArray bytes = m_writer.finish(QStringLiteral("Norvik Tabulon"));
        m_penHandle = m_brushHandle = m_fontHandle = 0;
        return QRMetafile(std::move(bytes));
    }

private:
    static void writeRect(Writer& w, const QRectF& r)
    {
        w.i32(px(r.left()));
        w.i32(px(r.top()));
        w.i32(px(r.right()));
        w.i32(px(r.bottom()));
    }

    void include(const QRectF& r)
    {
        const QRectF n = r.normalized();
        m_writer.include(QRect(QPoint(static_cast<int>(std::floor(std::clamp(n.left(), -1e9, 1e9))),
                                      static_cast<int>(std::floor(std::clamp(n.top(), -1e9, 1e9)))),
                               QPoint(static_cast<int>(std::ceil(std::clamp(n.right(), -1e9, 1e9))),
                                      static_cast<int>(std::ceil(std::clamp(n.bottom(), -1e9, 1e9))))));
    }

    void rectRecord(std::uint32_t type, const QRectF& r)
    {
        Writer& w = m_writer.begin(type);
        writeRect(w, r);
        m_writer.end();
        include(r);
    }

    void polyRecord(std::uint32_t type, const QPolygonF& pts, bool bounds = true)
    {
        const QRectF b = pts.boundingRect();
        Writer& w = m_writer.begin(type);
        writeRect(w, b);
        w.u32(static_cast<std::uint32_t>(pts.size()));
        for (const QPointF& p : pts) {
            w.i32(px(p.x()));
            w.i32(px(p.y()));
        }
        m_writer.end();
        if (bounds)
            include(b);
    }

    void drawPolygonPoints(const QPolygonF& poly, bool closedRect)
    {
        if (poly.size() < 2)
            return;
        selectPen();
        selectBrush();
        QPolygonF mapped = m_xf.map(poly);
        if (closedRect && mapped.size() == 5 && mapped.first() == mapped.last())
            mapped.removeLast();
        polyRecord(EMR_POLYGON, mapped);
    }

    void setFillMode(std::uint32_t mode)
    {
        if (m_fillMode != mode) {
            m_writer.simple(EMR_SETPOLYFILLMODE, {mode});
            m_fillMode = mode;
        }
    }

    void swapObject(std::uint32_t& handle, std::uint32_t newHandle)
    {
        m_writer.simple(EMR_SELECTOBJECT, {newHandle});
        if (handle) {
            m_writer.simple(EMR_DELETEOBJECT, {handle});
            m_writer.freeHandle(handle);
        }
        handle = (newHandle & kStockObject) ? 0 : newHandle;
    }

    void selectPen()
    {
        PenKey key;
        if (m_qpen.style() == Qt::NoPen) {
            key.style = PS_NULL;
        } else {
            const double scale = std::sqrt(std::fabs(m_xf.determinant()));
            const double w = m_qpen.isCosmetic() ? m_qpen.widthF() : m_qpen.widthF() * scale;
            key.width = static_cast<std::uint32_t>(std::max(1, px(w)));
            switch (m_qpen.style()) {
            case Qt::DashLine: key.style = PS_DASH; break;
            case Qt::DotLine: key.style = PS_DOT; break;
            case Qt::DashDotLine: key.style = PS_DASHDOT; break;
            case Qt::DashDotDotLine: key.style = PS_DASHDOTDOT; break;
            default: key.style = PS_SOLID; break;
            }
            if (key.width > 1 || m_qpen.capStyle() != Qt::RoundCap || m_qpen.joinStyle() != Qt::RoundJoin) {
                key.style |= PS_GEOMETRIC;
                key.style |= m_qpen.capStyle() == Qt::SquareCap ? 0x100u : m_qpen.capStyle() == Qt::FlatCap ? 0x200u : 0u;
                key.style |= m_qpen.joinStyle() == Qt::BevelJoin ? 0x1000u
                             : m_qpen.joinStyle() == Qt::RoundJoin ? 0u : 0x2000u;
            }
            key.color = colorRef(m_qpen.color());
        }
        if (m_pen == key)
            return;
        m_pen = key;
        if (key.style == PS_NULL) {
            swapObject(m_penHandle, kStockObject | NULL_PEN);
            return;
        }
        const std::uint32_t h = m_writer.newHandle();
        Writer& w = m_writer.begin(EMR_EXTCREATEPEN);
        w.u32(h);
        w.u32(52);   // no bitmap: offsets point past the fixed part
        w.u32(0);
        w.u32(52);
        w.u32(0);
        w.u32(key.style);
        w.u32(key.width);
        w.u32(BS_SOLID);
        w.u32(key.color);
        w.u32(0);
        w.u32(0);    // no style entries
        m_writer.end();
        swapObject(m_penHandle, h);
    }

    void selectBrush()
    {
        BrushKey key;
        switch (m_qbrush.style()) {
        case Qt::NoBrush: key.style = BS_NULL; break;
        case Qt::HorPattern: key = {BS_HATCHED, 0, 0}; break;
        case Qt::VerPattern: key = {BS_HATCHED, 0, 1}; break;
        case Qt::FDiagPattern: key = {BS_HATCHED, 0, 2}; break;
        case Qt::BDiagPattern: key = {BS_HATCHED, 0, 3}; break;
        case Qt::CrossPattern: key = {BS_HATCHED, 0, 4}; break;
        case Qt::DiagCrossPattern: key = {BS_HATCHED, 0, 5}; break;
        default: key.style = BS_SOLID; break;
        }
        if (key.style != BS_NULL) {
            QColor c = m_qbrush.color();
            if (const QGradient* g = m_qbrush.gradient(); g && !g->stops().isEmpty())
                c = g->stops().first().second;
            key.color = colorRef(c);
        }
        if (m_brush == key)
            return;
        m_brush = key;
        if (key.style == BS_NULL) {
            swapObject(m_brushHandle, kStockObject | NULL_BRUSH);
            return;
        }
        const std::uint32_t h = m_writer.newHandle();
        m_writer.simple(EMR_CREATEBRUSHINDIRECT, {h, key.style, key.color, key.hatch});
        swapObject(m_brushHandle, h);
    }

    void selectFont(const FontKey& key)
    {
        if (m_font == key)
            return;
        m_font = key;
        const std::uint32_t h = m_writer.newHandle();
        Writer& w = m_writer.begin(EMR_EXTCREATEFONTINDIRECTW);
        w.u32(h);
        // LOGFONTW
        w.i32(key.height);
        w.i32(0);
        w.i32(key.escapement);
        w.i32(key.escapement);
        w.i32(key.weight);
        w.u8(key.italic);
        w.u8(key.underline);
        w.u8(key.strikeOut);
        w.u8(isJapanese(key.face) ? 128 : 1);   // SHIFTJIS_CHARSET for the Japanese faces
        w.u8(0);                                // OUT_DEFAULT_PRECIS
        w.u8(0);                                // CLIP_DEFAULT_PRECIS
        w.u8(0);                                // DEFAULT_QUALITY
        w.u8(key.fixedPitch ? 0x31 : 0x22);     // FIXED_PITCH|FF_MODERN, VARIABLE_PITCH|FF_SWISS
        const QString face = key.face.left(31);
        for (const QChar c : face)
            w.u16(c.unicode());
        w.zeros(2 * (32 - static_cast<int>(face.size())));
        // Full name, style, version, style size, match, reserved, vendor, culture, PANOSE.
        w.zeros(128 + 64 + 4 * 4 + 4 + 4 + 10 + 2);
        m_writer.end();
        swapObject(m_fontHandle, h);
    }

    void writeBitmap(const QRectF& dest, const QImage& image)
    {
        const bool alpha = image.hasAlphaChannel();
        QByteArray header, bits;
        encodeDib(image, header, bits, alpha);
        const std::uint32_t fixed = alpha ? 108 : 80;
        const std::uint32_t offBmi = fixed, offBits = fixed + static_cast<std::uint32_t>(header.size());
        Writer& w = m_writer.begin(alpha ? EMR_ALPHABLEND : EMR_STRETCHDIBITS);
        writeRect(w, dest);
        if (alpha) {
            w.i32(px(dest.left()));
            w.i32(px(dest.top()));
            w.i32(px(dest.width()));
            w.i32(px(dest.height()));
            w.u32(0x01FF0000);   // source over, constant alpha 255, per-pixel alpha
            w.i32(0);
            w.i32(0);
            w.f32(1), w.f32(0), w.f32(0), w.f32(1), w.f32(0), w.f32(0);   // source transform
            w.u32(0);            // background colour
            w.u32(0);            // DIB_RGB_COLORS
            w.u32(offBmi);
            w.u32(static_cast<std::uint32_t>(header.size()));
            w.u32(offBits);
            w.u32(static_cast<std::uint32_t>(bits.size()));
            w.i32(image.width());
            w.i32(image.height());
        } else {
            w.i32(px(dest.left()));
            w.i32(px(dest.top()));
            w.i32(0);
            w.i32(0);
            w.i32(image.width());
            w.i32(image.height());
            w.u32(offBmi);
            w.u32(static_cast<std::uint32_t>(header.size()));
            w.u32(offBits);
            w.u32(static_cast<std::uint32_t>(bits.size()));
            w.u32(0);            // DIB_RGB_COLORS
            w.u32(SRCCOPY);
            w.i32(px(dest.width()));
            w.i32(px(dest.height()));
        }
        w.bytes(header);
        w.bytes(bits);
        m_writer.end();
        include(dest);
    }

    void writeClip()
    {
        QPainter* p = painter();
        if (!p || !p->hasClipping()) {
            m_writer.simple(EMR_EXTSELECTCLIPRGN, {0, RGN_COPY});
            return;
        }
        const QPainterPath device = p->combinedTransform().map(p->clipPath());
        QRegion region;
        const QRectF bounds = device.boundingRect();
        QPainterPath box;
        box.addRect(bounds);
        if (device.subtracted(box).isEmpty() && box.subtracted(device).isEmpty())
            region = QRegion(bounds.toAlignedRect());
        else
            region = QRegion(device.toFillPolygon().toPolygon(),
                             device.fillRule() == Qt::WindingFill ? Qt::WindingFill : Qt::OddEvenFill);
        Writer& w = m_writer.begin(EMR_EXTSELECTCLIPRGN);
        const auto count = static_cast<std::uint32_t>(region.rectCount());
        w.u32(32 + 16 * count);
        w.u32(RGN_COPY);
        w.u32(32);
        w.u32(1);
        w.u32(count);
        w.u32(16 * count);
        const QRect b = region.boundingRect();
        w.i32(b.left());
        w.i32(b.top());
        w.i32(b.right() + 1);
        w.i32(b.bottom() + 1);
        for (const QRect& r : region) {
            w.i32(r.left());
            w.i32(r.top());
            w.i32(r.right() + 1);
            w.i32(r.bottom() + 1);
        }
        m_writer.end();
    }

    int m_dpiY;
    EmfWriter m_writer;
    QPaintDevice* m_device = nullptr;
    QPen m_qpen;
    QBrush m_qbrush;
    QTransform m_xf;
    std::optional<PenKey> m_pen;
    std::optional<BrushKey> m_brush;
    std::optional<FontKey> m_font;
    std::optional<std::uint32_t> m_textColor;
    std::optional<std::uint32_t> m_fillMode;
    std::uint32_t m_penHandle = 0, m_brushHandle = 0, m_fontHandle = 0;
};

EmfRecorder::EmfRecorder(QSize sizePixels, int dpiX, int dpiY)
    : m_size(sizePixels.expandedTo(QSize(1, 1))), m_dpiX(dpiX > 0 ? dpiX : 96), m_dpiY(dpiY > 0 ? dpiY : 96),
      m_engine(std::make_unique<EmfPaintEngine>(m_size, m_dpiX, m_dpiY))
{
    installFontSubstitutions();
}

EmfRecorder::~EmfRecorder() = default;

QPaintEngine* EmfRecorder::paintEngine() const
{
    return m_engine.get();
}

QRMetafile EmfRecorder::finish()
{
    if (paintingActive())
        throw EQRError(QStringLiteral("the page is still being painted"));
    return m_engine->finish();
}

int EmfRecorder::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth: return m_size.width();
    case PdmHeight: return m_size.height();
    case PdmWidthMM: return qRound(m_size.width() * 25.4 / m_dpiX);
    case PdmHeightMM: return qRound(m_size.height() * 25.4 / m_dpiY);
    case PdmNumColors: return INT_MAX;
    case PdmDepth: return 32;
    case PdmDpiX:
    case PdmPhysicalDpiX: return m_dpiX;
    case PdmDpiY:
    case PdmPhysicalDpiY: return m_dpiY;
    case PdmDevicePixelRatio: return 1;
    case PdmDevicePixelRatioScaled: return static_cast<int>(devicePixelRatioFScale());
    default: return 0;
    }
}
