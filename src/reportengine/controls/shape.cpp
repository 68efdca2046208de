#include "reportengine/controls/shape.h"

#include "reportengine/printer/qrprinter.h"
#include "reportengine/printer/rounding.h"
#include "reportengine/report/qrreport.h"

#include <QPainter>

TQRShape::TQRShape(QObject* parent) : TQRPrintable(parent)
{
    Size.setPixels();
    Size.setWidth(65);
    Size.setHeight(65);
    Size.restoreUnit();
}

void TQRShape::Print(long double ox, long double oy)
{
    if (!m_printer || !m_printer->Canvas())
        return;
    const TQRPrinter& p = *m_printer;
    QPainter& c = *p.Canvas();
    c.save();
    QPen pen = Pen;
    pen.setJoinStyle(Qt::MiterJoin);
    c.setPen(pen);
    c.setBrush(Brush);
    const DeviceRect r = deviceBox(ox, oy);
    // The outline lies inside the box's right and bottom edges, as a device rectangle is drawn.
    const QRect box(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
    switch (Shape) {
    case TQRShapeType::qrsRectangle: c.drawRect(QRect(r.left, r.top, r.right - r.left - 1, r.bottom - r.top - 1)); break;
    case TQRShapeType::qrsCircle: c.drawEllipse(box); break;
    case TQRShapeType::qrsVertLine: {
        const int x = p.XPos(nLeft() + ox + nWidth() / 2);
        c.drawLine(x, r.top, x, p.YPos(nTop() + oy + nHeight()));
        break;
    }
    case TQRShapeType::qrsHorLine: {
        const int y = p.YPos(nTop() + oy + nHeight() / 2);
        c.drawLine(r.left, y, r.right, y);
        break;
    }
    case TQRShapeType::qrsTopAndBottom:
        c.drawLine(r.left, r.top, r.right, r.top);
        c.drawLine(r.left, r.bottom, r.right, r.bottom);
        break;
    case TQRShapeType::qrsRightAndLeft:
        c.drawLine(r.left, r.top, r.left, r.bottom);
        c.drawLine(r.right, r.top, r.right, r.bottom);
        break;
    }
    c.restore();
}

TQRImage::TQRImage(QObject* parent) : TQRPrintable(parent)
{
    Size.setPixels();
    Size.setWidth(105);
    Size.setHeight(105);
    Size.restoreUnit();
}

void TQRImage::setAutoSize(bool on)
{
    m_autoSize = on;
    applyAutoSize();
}

void TQRImage::setPicture(const QImage& picture)
{
    m_picture = picture;
    applyAutoSize();
}

void TQRImage::applyAutoSize()
{
    if (!m_autoSize || m_picture.isNull())
        return;
    Size.setPixels();
    Size.setWidth(m_picture.width());
    Size.setHeight(m_picture.height());
    Size.restoreUnit();
}

void TQRImage::Print(long double ox, long double oy)
{
    if (!m_printer || !m_printer->Canvas() || m_picture.isNull())
        return;
    const TQRPrinter& p = *m_printer;
    QPainter& c = *p.Canvas();
    const DeviceRect box = deviceBox(ox, oy);
    c.save();
    c.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (Stretch) {
        c.drawImage(QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1)), m_picture);
    } else {
        const long double screen = ParentReport() ? ParentReport()->screenResolution() : 96.0L;
        int left = box.left, top = box.top;
        int width = qrRound32(m_picture.width() / screen * 254 * p.XFactor());
        int height = qrRound32(m_picture.height() / screen * 254 * p.YFactor());
        if (Center) {
            left += ((box.right - box.left) - width) / 2;
            top += ((box.bottom - box.top) - height) / 2;
        }
        c.setClipRect(QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1)));
        c.drawImage(QRect(left, top, width, height), m_picture);
        c.setClipping(false);
    }
    c.restore();
}
