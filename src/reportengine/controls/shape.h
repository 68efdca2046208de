#pragma once
// Rectangles, circles and lines drawn in the control's box.

#include "reportengine/controls/printable.h"

#include <QBrush>
#include <QPen>

enum class TQRShapeType { qrsRectangle, qrsCircle, qrsVertLine, qrsHorLine, qrsTopAndBottom, qrsRightAndLeft };

class TQRShape : public TQRPrintable {
    Q_OBJECT

public:
    explicit TQRShape(QObject* parent = nullptr);

    QBrush Brush{Qt::white, Qt::SolidPattern};
    QPen Pen{QBrush(Qt::black), 1, Qt::SolidLine};
    TQRShapeType Shape = TQRShapeType::qrsRectangle;

    void Print(long double offsetX, long double offsetY) override;
};

class TQRImage : public TQRPrintable {
    Q_OBJECT

public:
    explicit TQRImage(QObject* parent = nullptr);

    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool Center = false;
    bool Stretch = false;
    QImage Picture() const { return m_picture; }
    void setPicture(const QImage& picture);

    void Print(long double offsetX, long double offsetY) override;

private:
    void applyAutoSize();
    bool m_autoSize = false;
    QImage m_picture;
};
