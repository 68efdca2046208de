#include "reportengine/controls/frame.h"

#include "reportengine/printer/rounding.h"

#include <QPainter>

Qt::PenStyle qtPenStyle(TPenStyle style)
{
    switch (style) {
    case TPenStyle::psSolid: return Qt::SolidLine;
    case TPenStyle::psDash: return Qt::DashLine;
    case TPenStyle::psDot: return Qt::DotLine;
    case TPenStyle::psDashDot: return Qt::DashDotLine;
    case TPenStyle::psDashDotDot: return Qt::DashDotDotLine;
    case TPenStyle::psClear: return Qt::NoPen;
    case TPenStyle::psInsideFrame: return Qt::SolidLine;
    }
    return Qt::SolidLine;
}

void TQRFrame::DrawFrame(QPainter& canvas, const DeviceRect& r, long double xFactor, long double yFactor) const
{
    if (!hasSide())
        return;
    auto thickness = [this](long double factor) {
        if (Width == -1)
            return 1;
        // Bounded so a hostile width cannot turn one frame into millions of lines.
        const int t = qrRound32(factor * 254.0L / 72.0L * std::min(Width, 1000));
        return (t <= 0 && Width > 0) ? 1 : std::max(t, 0);
    };
    const int v = thickness(xFactor);
    const int h = thickness(yFactor);
    canvas.save();
    QPen pen(Color, 1, qtPenStyle(Style));
    pen.setCapStyle(Qt::FlatCap);
    canvas.setPen(pen);
    canvas.setBrush(QBrush(Color, Qt::SolidPattern));
    for (int i = 0; DrawTop && i < h; ++i)
        canvas.drawLine(r.left, r.top + i, r.right, r.top + i);
    for (int i = 0; DrawBottom && i < h; ++i)
        canvas.drawLine(r.left, r.bottom - i, r.right, r.bottom - i);
    for (int i = 0; DrawLeft && i < v; ++i)
        canvas.drawLine(r.left + i, r.top, r.left + i, r.bottom);
    for (int i = 0; DrawRight && i < v; ++i)
        canvas.drawLine(r.right - i, r.top, r.right - i, r.bottom);
    canvas.restore();
    canvas.setBrush(Qt::NoBrush);
}
