#include "reportengine/preview/preview_glyphs.h"

#include "reportengine/painted_icon.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <functional>
#include <map>

namespace qrglyphs {

namespace {

using painted::Draw;   // 1-pixel lines on .5

const QColor kInk(0x2b, 0x33, 0x3d);
const QColor kPaper(Qt::white);
const QColor kEdge(0x5f, 0x69, 0x75);
const QColor kBlue(0x1f, 0x66, 0xc9);
const QColor kGrey(0x9a, 0xa4, 0xb0);

void page(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kPaper);
    p.drawRect(r);
}

void lines(QPainter& p, qreal left, qreal right, qreal top, qreal bottom)
{
    p.setPen(QPen(kGrey, 1));
    for (qreal y = top; y <= bottom; y += 2)
        p.drawLine(QPointF(left, y), QPointF(right, y));
}

void triangle(QPainter& p, qreal tipX, bool pointsRight)
{
    const qreal back = pointsRight ? tipX - 6 : tipX + 6;
    QPolygonF t;
    t << QPointF(tipX, 8) << QPointF(back, 2) << QPointF(back, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(t);
}

void bar(QPainter& p, qreal x)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(x, 2, 2, 12));
}

void printer(QPainter& p)
{
    page(p, QRectF(4.5, 1.5, 7, 5));
    p.setPen(QPen(kEdge, 1));
    p.setBrush(QColor(0x8a, 0x95, 0xa3));
    p.drawRect(QRectF(1.5, 6.5, 13, 5));
    page(p, QRectF(4.5, 9.5, 7, 5));
    lines(p, 6, 10, 11.5, 13.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2e, 0x9d, 0x4f));
    p.drawRect(QRectF(12, 8, 1.5, 1.5));
}

void drawZoomToFit(QPainter& p)
{
    page(p, QRectF(4.5, 3.5, 7, 9));
    lines(p, 6, 10, 5.5, 10.5);
    // Corner marks: the whole page inside the view.
    p.setPen(QPen(kBlue, 1.5));
    p.setBrush(Qt::NoBrush);
    for (const auto& [x, y, dx, dy] : {std::array<qreal, 4>{1, 1, 1, 1}, {15, 1, -1, 1}, {1, 15, 1, -1}, {15, 15, -1, -1}}) {
        QPainterPath corner;
        corner.moveTo(x, y + 3.5 * dy);
        corner.lineTo(x, y);
        corner.lineTo(x + 3.5 * dx, y);
        p.drawPath(corner);
    }
}

void drawZoomTo100(QPainter& p)
{
    // "1:1" across the square, on whole pixels: actual size.
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    for (const qreal x : {2.0, 11.0}) {
        p.drawRect(QRectF(x, 2, 3, 12));
        p.drawRect(QRectF(x - 2, 4, 2, 2));
    }
    p.setBrush(kInk);
    p.drawRect(QRectF(7, 5, 2, 2));
    p.drawRect(QRectF(7, 10, 2, 2));
}

void drawZoomToWidth(QPainter& p)
{
    page(p, QRectF(3.5, 1.5, 9, 13));
    lines(p, 5, 11, 3.5, 5.5);
    lines(p, 5, 11, 11.5, 12.5);
    // A double arrow from edge to edge.
    p.setPen(QPen(kBlue, 1.5));
    p.drawLine(QPointF(1.5, 8.5), QPointF(14.5, 8.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF() << QPointF(0.5, 8.5) << QPointF(4, 5.5) << QPointF(4, 11.5));
    p.drawPolygon(QPolygonF() << QPointF(15.5, 8.5) << QPointF(12, 5.5) << QPointF(12, 11.5));
}

void drawPrintSetup(QPainter& p)
{
    printer(p);
    // A gear over the corner.
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(0xf2, 0xb5, 0x1c));
    QPainterPath gear;
    for (int i = 0; i < 8; ++i) {
        QTransform t;
        t.translate(11.5, 11.5);
        t.rotate(i * 45.0);
        QPainterPath tooth;
        tooth.addRect(QRectF(-1, -4.5, 2, 2));
        gear = gear.united(t.map(tooth));
    }
    QPainterPath disc;
    disc.addEllipse(QPointF(11.5, 11.5), 3.2, 3.2);
    QPainterPath hole;
    hole.addEllipse(QPointF(11.5, 11.5), 1.2, 1.2);
    p.drawPath(gear.united(disc).subtracted(hole));
}

void drawSave(QPainter& p)
{
    // A diskette.
    QPainterPath body;
    body.moveTo(1.5, 1.5);
    body.lineTo(12.5, 1.5);
    body.lineTo(14.5, 3.5);
    body.lineTo(14.5, 14.5);
    body.lineTo(1.5, 14.5);
    body.closeSubpath();
    p.setPen(QPen(kInk, 1));
    p.setBrush(kBlue);
    p.drawPath(body);
    p.setBrush(QColor(0xd8, 0xdd, 0xe3));
    p.drawRect(QRectF(4.5, 1.5, 7, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(9, 2, 1.5, 3));
    p.setPen(QPen(kEdge, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(3.5, 8.5, 9, 6));
    lines(p, 5, 11, 10.5, 12.5);
}

void drawOpen(QPainter& p)
{
    p.setPen(QPen(QColor(0xa0, 0x6c, 0x08), 1));
    p.setBrush(QColor(0xe8, 0xa8, 0x18));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(5.5, 3.5);
    back.lineTo(7, 5);
    back.lineTo(13.5, 5);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(0xf7, 0xcd, 0x5a));
    QPainterPath front;
    front.moveTo(4, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(13.5, 13.5);
    front.lineTo(1.5, 13.5);
    front.closeSubpath();
    p.drawPath(front);
}

void drawClose(QPainter& p)
{
    // A door left ajar, an arrow going out.
    p.setPen(QPen(kEdge, 1));
    p.setBrush(QColor(0xe6, 0xe9, 0xed));
    p.drawRect(QRectF(2.5, 1.5, 8, 13));
    p.setBrush(QColor(0xb5, 0x7a, 0x3c));
    QPolygonF door;
    door << QPointF(2.5, 1.5) << QPointF(7.5, 3.5) << QPointF(7.5, 15.5) << QPointF(2.5, 14.5);
    p.drawPolygon(door);
    p.setPen(QPen(QColor(0xd6, 0x3a, 0x2f), 1.5));
    p.drawLine(QPointF(9.5, 8.5), QPointF(14, 8.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd6, 0x3a, 0x2f));
    p.drawPolygon(QPolygonF() << QPointF(15.5, 8.5) << QPointF(12.5, 5.5) << QPointF(12.5, 11.5));
}

const std::map<QString, Draw>& drawers()
{
    static const std::map<QString, Draw> table = {
        {QStringLiteral("QRZOOMTOFITBITMAP"), drawZoomToFit},
        {QStringLiteral("QRZOOMTO100BITMAP"), drawZoomTo100},
        {QStringLiteral("QRZOOMTOWIDTHBITMAP"), drawZoomToWidth},
        {QStringLiteral("QRFIRSTPAGEBITMAP"), [](QPainter& p) { bar(p, 1); triangle(p, 3, false); triangle(p, 9, false); }},
        {QStringLiteral("QRPREVPAGEBITMAP"), [](QPainter& p) { triangle(p, 5, false); }},
        {QStringLiteral("QRNEXTPAGEBITMAP"), [](QPainter& p) { triangle(p, 11, true); }},
        {QStringLiteral("QRLASTPAGEBITMAP"), [](QPainter& p) { triangle(p, 7, true); triangle(p, 13, true); bar(p, 13); }},
        {QStringLiteral("QRPRINTSETUPBITMAP"), drawPrintSetup},
        {QStringLiteral("QRPRINTBITMAP"), printer},
        {QStringLiteral("QRSAVEBITMAP"), drawSave},
        {QStringLiteral("QROPENBITMAP"), drawOpen},
        {QStringLiteral("QRCLOSEBITMAP"), drawClose},
    };
    return table;
}

} // namespace

QIcon glyph(const QString& bitmapName)
{
    const auto it = drawers().find(bitmapName);
    return it == drawers().end() ? QIcon() : painted::icon(it->second);
}

QStringList names()
{
    QStringList out;
    for (const auto& [name, draw] : drawers())
        out << name;
    return out;
}

} // namespace qrglyphs
