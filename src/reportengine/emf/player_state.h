#pragma once
// The EMF player's state: the device context of the page being played (transforms, objects,
// colours, clip, path) and the player that walks the records. Internal to emf_player*.cpp.

#include "reportengine/emf/emf_format.h"
#include "reportengine/emf/emf_player.h"
#include "reportengine/emf/metafile.h"

#include <QBrush>
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRawFont>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>
#include <unordered_map>
#include <variant>
#include <vector>

namespace emf::detail {

constexpr int kMaxSavedStates = 1024;
constexpr int kMaxRegionRects = 4096;
// Coordinates beyond this are clamped: they come from damaged records, and the rasteriser
// spends time on them for nothing.
constexpr double kCoordLimit = 1e8;

inline QColor colorRef(std::uint32_t c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c >> 16 & 0xFF));
}

inline double clampCoord(double v)
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

FontObject makeFont(const LogFont& log);

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
    Player(const QRMetafile& page, QPainter& painter, const QRectF& target, const TextSink* texts = nullptr)
        : m_bytes(page.bytes()), m_painter(painter), m_texts(texts)
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
    const TextSink* m_texts;
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

} // namespace emf::detail
