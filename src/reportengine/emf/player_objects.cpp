#include "reportengine/emf/emf_fonts.h"
#include "reportengine/emf/player_state.h"

#include <QFontMetricsF>

// Creating and selecting pens, brushes and fonts, stock objects included.
namespace emf::detail {

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

} // namespace emf::detail
