#pragma once
// The frame of a report, band or control: which sides are drawn, in what pen.

#include <QColor>

class QPainter;

enum class TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

// A rectangle in device pixels as the engine passes it: right and bottom are edges, not sizes.
struct DeviceRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct TQRFrame {
    QColor Color = Qt::black;
    bool DrawTop = false;
    bool DrawBottom = false;
    bool DrawLeft = false;
    bool DrawRight = false;
    TPenStyle Style = TPenStyle::psSolid;
    int Width = 1;                 // points; -1 is one device pixel

    bool hasSide() const { return DrawTop || DrawBottom || DrawLeft || DrawRight; }
    void DrawFrame(QPainter& canvas, const DeviceRect& r, long double xFactor, long double yFactor) const;
};

Qt::PenStyle qtPenStyle(TPenStyle style);
