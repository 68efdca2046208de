#include "app/glyphs.h"

#include "reportengine/painted_icon.h"

#include <QPainter>
#include <QPainterPath>

#include <functional>

namespace glyphs {

namespace {

using painted::Draw;   // draws into a 16 x 16 design square

const QColor kInk(0x33, 0x3b, 0x46);
const QColor kPaper(0xff, 0xff, 0xff);
const QColor kPaperEdge(0x6b, 0x75, 0x82);
const QColor kBlue(0x2f, 0x6f, 0xd0);
const QColor kRed(0xd6, 0x3a, 0x2f);
const QColor kGreen(0x2e, 0x9d, 0x4f);
const QColor kYellow(0xf2, 0xb5, 0x1c);

QPen pen(const QColor& c, qreal w = 1.0)
{
    QPen p(c, w);
    p.setJoinStyle(Qt::RoundJoin);
    p.setCapStyle(Qt::RoundCap);
    return p;
}

void sheet(QPainter& p, QRectF r, bool lines = true)
{
    QPainterPath path;
    const qreal fold = 3.0;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(pen(kPaperEdge, 0.9));
    p.setBrush(kPaper);
    p.drawPath(path);
    p.setBrush(QColor(0xdd, 0xe3, 0xea));
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.drawPath(corner);
    if (!lines)
        return;
    p.setPen(pen(QColor(0x9a, 0xa6, 0xb4), 0.9));
    for (qreal y = r.top() + 4.5; y < r.bottom() - 1.5; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void drawOpen(QPainter& p)
{
    p.setPen(pen(QColor(0xb3, 0x7a, 0x0c), 0.9));
    p.setBrush(QColor(0xe8, 0xa8, 0x18));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(13.5, 5);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(kYellow.lighter(115));
    QPainterPath front;
    front.moveTo(3.5, 7.5);
    front.lineTo(15, 7.5);
    front.lineTo(13, 13.5);
    front.lineTo(1.5, 13.5);
    front.closeSubpath();
    p.drawPath(front);
}

void drawDelete(QPainter& p)
{
    sheet(p, QRectF(1.5, 1.5, 10, 13));
    p.setPen(pen(kRed, 2.2));
    p.drawLine(QPointF(8.5, 8.5), QPointF(14, 14));
    p.drawLine(QPointF(14, 8.5), QPointF(8.5, 14));
}

void twoSheets(QPainter& p)
{
    sheet(p, QRectF(1.5, 1.5, 8.5, 10.5), false);
    sheet(p, QRectF(5.5, 4.5, 9, 10.5), false);
}

void drawCopyName(QPainter& p)
{
    twoSheets(p);
    p.setPen(pen(kBlue, 1.2));
    p.drawLine(QPointF(7.5, 9), QPointF(12.5, 9));
    p.drawLine(QPointF(7.5, 11.5), QPointF(10.5, 11.5));
}

void drawCopyPath(QPainter& p)
{
    twoSheets(p);
    p.setPen(pen(kBlue, 1.1));
    p.drawLine(QPointF(7.5, 12.5), QPointF(9, 7.5));
    p.drawLine(QPointF(10, 12.5), QPointF(11.5, 7.5));
    p.drawLine(QPointF(12.3, 12.5), QPointF(13, 10));
}

void drawPrint(QPainter& p)
{
    p.setPen(pen(kPaperEdge, 0.9));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(QColor(0x8d, 0x98, 0xa6));
    p.drawRoundedRect(QRectF(1.5, 6, 13, 6), 1.5, 1.5);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4, 10, 8, 4.5));
    p.setPen(pen(QColor(0x9a, 0xa6, 0xb4), 0.8));
    p.drawLine(QPointF(5.5, 12), QPointF(10.5, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawEllipse(QPointF(12.3, 8), 0.8, 0.8);
}

void drawPreview(QPainter& p)
{
    sheet(p, QRectF(1.5, 1.5, 10, 13));
    p.setPen(pen(kInk, 1.6));
    p.setBrush(QColor(0xd8, 0xe8, 0xff, 230));
    p.drawEllipse(QPointF(9.5, 8.5), 3.0, 3.0);
    p.drawLine(QPointF(11.7, 10.7), QPointF(14.5, 13.5));
}

void drawCopyField(QPainter& p)
{
    sheet(p, QRectF(1.5, 1.5, 8.5, 10.5), false);
    p.setPen(pen(kPaperEdge, 0.9));
    p.setBrush(kPaper);
    p.drawRect(QRectF(5.5, 4.5, 9, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2f, 0x6f, 0xd0, 200));
    p.drawRect(QRectF(6, 8, 8, 2.5));
    p.setPen(pen(QColor(0x9a, 0xa6, 0xb4), 0.8));
    p.drawLine(QPointF(7, 6.5), QPointF(13, 6.5));
    p.drawLine(QPointF(7, 12.5), QPointF(13, 12.5));
}

void arrow(QPainter& p, bool right)
{
    QPainterPath path;
    if (right) {
        path.moveTo(2.5, 6);
        path.lineTo(8, 6);
        path.lineTo(8, 2.5);
        path.lineTo(14, 8);
        path.lineTo(8, 13.5);
        path.lineTo(8, 10);
        path.lineTo(2.5, 10);
    } else {
        path.moveTo(13.5, 6);
        path.lineTo(8, 6);
        path.lineTo(8, 2.5);
        path.lineTo(2, 8);
        path.lineTo(8, 13.5);
        path.lineTo(8, 10);
        path.lineTo(13.5, 10);
    }
    path.closeSubpath();
    p.setPen(pen(kBlue.darker(130), 0.9));
    p.setBrush(kBlue.lighter(115));
    p.drawPath(path);
}

void drawStyle(QPainter& p)
{
    p.setPen(pen(kPaperEdge, 0.9));
    p.setBrush(QColor(0xe4, 0xe9, 0xf0));
    p.drawRect(QRectF(1.5, 2, 6, 3));
    p.drawRect(QRectF(7.5, 2, 7, 3));
    p.setBrush(QColor(0xcf, 0xe0, 0xf7));
    p.drawRect(QRectF(1.5, 5, 5, 3));
    p.drawRect(QRectF(6.5, 5, 4, 3));
    p.setBrush(kPaper);
    p.drawRect(QRectF(10.5, 5, 4, 3));
    p.drawRect(QRectF(1.5, 8, 13, 6.5));
}

void drawField(QPainter& p)
{
    p.setPen(pen(kPaperEdge, 0.9));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(QColor(0xcf, 0xe0, 0xf7));
    p.drawRect(QRectF(1.5, 1.5, 13, 3));
    for (int i = 0; i < 3; ++i) {
        const qreal y = 7 + i * 2.8;
        p.setPen(Qt::NoPen);
        p.setBrush(i == 0 ? kGreen : QColor(0x8d, 0x98, 0xa6));
        p.drawEllipse(QPointF(4, y), 0.95, 0.95);
        p.setPen(pen(kInk, 0.9));
        p.drawLine(QPointF(6, y), QPointF(12.5, y));
    }
}

void drawData(QPainter& p)
{
    p.setPen(pen(kPaperEdge, 0.9));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xcf, 0xe0, 0xf7));
    p.drawRect(QRectF(2, 2, 12, 3));
    p.setPen(pen(kPaperEdge, 0.7));
    for (qreal y : {5.0, 8.2, 11.4})
        p.drawLine(QPointF(1.5, y), QPointF(14.5, y));
    for (qreal x : {5.8, 10.2})
        p.drawLine(QPointF(x, 1.5), QPointF(x, 14.5));
}

void drawAbout(QPainter& p)
{
    p.setPen(pen(kBlue.darker(130), 0.9));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8, 4.8), 1.1, 1.1);
    p.drawRoundedRect(QRectF(7, 6.8, 2, 5.8), 0.6, 0.6);
}

void drawKey(QPainter& p)
{
    p.setPen(pen(QColor(0xa8, 0x74, 0x00), 1.0));
    p.setBrush(QColor(0xf7, 0xc5, 0x2b));
    QPainterPath key;
    key.addEllipse(QPointF(5, 8), 3.6, 3.6);
    QPainterPath shaft;
    shaft.addRect(QRectF(7.5, 7, 7, 2.2));
    shaft.addRect(QRectF(11.2, 9, 1.6, 2.4));
    shaft.addRect(QRectF(13.2, 9, 1.3, 1.8));
    key = key.united(shaft);
    QPainterPath hole;
    hole.addEllipse(QPointF(4.2, 8), 1.2, 1.2);
    p.drawPath(key.subtracted(hole));
}

void drawDot(QPainter& p)
{
    p.setPen(pen(QColor(0x6f, 0x77, 0x80), 0.8));
    p.setBrush(QColor(0xa6, 0xad, 0xb5));
    p.drawEllipse(QPointF(8, 8), 2.8, 2.8);
}

void drawDiamond(QPainter& p)
{
    QPolygonF d;
    d << QPointF(8, 2.5) << QPointF(13.5, 8) << QPointF(8, 13.5) << QPointF(2.5, 8);
    p.setPen(pen(kGreen.darker(140), 0.9));
    p.setBrush(QColor(0x3c, 0xb8, 0x5e));
    p.drawPolygon(d);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 110));
    QPolygonF shine;
    shine << QPointF(8, 3.8) << QPointF(11, 6.8) << QPointF(8, 8) << QPointF(5, 6.8);
    p.drawPolygon(shine);
}

void drawAppIcon(QPainter& p)
{
    // A database drum with a table page in front of it.
    QLinearGradient body(QPointF(1, 0), QPointF(11, 0));
    body.setColorAt(0, QColor(0x1f, 0x5b, 0xb5));
    body.setColorAt(0.5, QColor(0x4a, 0x8c, 0xea));
    body.setColorAt(1, QColor(0x1c, 0x4f, 0x9c));
    p.setPen(pen(QColor(0x15, 0x3d, 0x7a), 0.6));
    p.setBrush(body);
    QPainterPath drum;
    drum.moveTo(1, 3);
    drum.lineTo(1, 12);
    drum.arcTo(QRectF(1, 10.5, 10, 3), 180, 180);
    drum.lineTo(11, 3);
    drum.closeSubpath();
    p.drawPath(drum);
    p.setBrush(QColor(0x8e, 0xbc, 0xf7));
    p.drawEllipse(QRectF(1, 1.5, 10, 3));
    p.setPen(pen(QColor(255, 255, 255, 120), 0.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(1, 5, 10, 3), 180 * 16, 180 * 16);
    p.drawArc(QRectF(1, 8, 10, 3), 180 * 16, 180 * 16);
    p.setPen(pen(kPaperEdge, 0.6));
    p.setBrush(kPaper);
    p.drawRect(QRectF(7, 7, 8, 8));
    p.setPen(Qt::NoPen);
    p.setBrush(kYellow);
    p.drawRect(QRectF(7.3, 7.3, 7.4, 2));
    p.setPen(pen(kPaperEdge, 0.45));
    p.drawLine(QPointF(7, 11.5), QPointF(15, 11.5));
    p.drawLine(QPointF(7, 13.3), QPointF(15, 13.3));
    p.drawLine(QPointF(10.5, 9.3), QPointF(10.5, 15));
}

Draw drawerFor(Glyph g)
{
    switch (g) {
    case Glyph::Open: return drawOpen;
    case Glyph::Delete: return drawDelete;
    case Glyph::CopyName: return drawCopyName;
    case Glyph::CopyPath: return drawCopyPath;
    case Glyph::Print: return drawPrint;
    case Glyph::Preview: return drawPreview;
    case Glyph::CopyField: return drawCopyField;
    case Glyph::Prev: return [](QPainter& p) { arrow(p, false); };
    case Glyph::Next: return [](QPainter& p) { arrow(p, true); };
    case Glyph::Style: return drawStyle;
    case Glyph::Field: return drawField;
    case Glyph::Data: return drawData;
    case Glyph::About: return drawAbout;
    case Glyph::Key: return drawKey;
    case Glyph::Dot: return drawDot;
    case Glyph::Diamond: return drawDiamond;
    case Glyph::AppIcon: return drawAppIcon;
    }
    return [](QPainter&) {};
}

} // namespace

QIcon icon(Glyph glyph)
{
    return painted::icon(drawerFor(glyph));
}

QPixmap setupPicture(QSize size, qreal dpr)
{
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    // The program icon over a gear: the program being set up.
    p.save();
    p.translate(r.width() * 0.42, r.height() * 0.58);
    const qreal radius = std::min(r.width(), r.height()) * 0.34;
    QPainterPath gear;
    for (int i = 0; i < 10; ++i) {
        const qreal a0 = i * 36.0, a1 = a0 + 18.0;
        QTransform t;
        t.rotate(a0);
        QPainterPath tooth;
        tooth.addRect(QRectF(-radius * 0.16, -radius * 1.18, radius * 0.32, radius * 0.4));
        gear = gear.united(t.map(tooth));
        (void)a1;
    }
    QPainterPath disc;
    disc.addEllipse(QPointF(0, 0), radius, radius);
    gear = gear.united(disc);
    QPainterPath hole;
    hole.addEllipse(QPointF(0, 0), radius * 0.38, radius * 0.38);
    p.setPen(pen(QColor(0x6b, 0x75, 0x82), 1.0));
    p.setBrush(QColor(0xb8, 0xc1, 0xcc));
    p.drawPath(gear.subtracted(hole));
    p.restore();
    const qreal side = std::min(r.width(), r.height()) * 0.62;
    painted::paintInSquare(p, QRectF(r.right() - side, 0, side, side), drawerFor(Glyph::AppIcon), false);
    return pm;
}

QPixmap logoPicture(QSize size, qreal dpr)
{
    QPixmap pm(size * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF r(QPointF(0, 0), QSizeF(size));
    QLinearGradient bg(r.topLeft(), r.bottomRight());
    bg.setColorAt(0, QColor(0x1f, 0x5b, 0xb5));
    bg.setColorAt(1, QColor(0x0f, 0x33, 0x6e));
    p.setPen(Qt::NoPen);
    p.setBrush(bg);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    QFont f = p.font();
    f.setPixelSize(static_cast<int>(r.height() * 0.36));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(r.adjusted(8, 4, -8, -r.height() * 0.35), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Norvik Tabulon"));
    f.setBold(false);
    f.setPixelSize(static_cast<int>(r.height() * 0.2));
    p.setFont(f);
    p.setPen(QColor(0xcf, 0xe0, 0xf7));
    p.drawText(r.adjusted(8, r.height() * 0.55, -8, -4), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("JET データベース ブラウザ"));
    return pm;
}

} // namespace glyphs
