#pragma once
// A paint device that records what is painted on it as standard EMF records: a page of a
// report drawn with QPainter becomes an EMF image that other EMF readers open. Coordinates
// are the device's pixels; fonts keep the face names the painter asked for.

#include "reportengine/emf/metafile.h"

#include <QPaintDevice>
#include <QSize>

#include <memory>

class EmfPaintEngine;

class EmfRecorder : public QPaintDevice {
public:
    EmfRecorder(QSize sizePixels, int dpiX, int dpiY);
    ~EmfRecorder() override;
    EmfRecorder(const EmfRecorder&) = delete;
    EmfRecorder& operator=(const EmfRecorder&) = delete;

    QPaintEngine* paintEngine() const override;

    // The page's EMF file image; call after QPainter::end(). Throws EQRError while painting.
    QRMetafile finish();

    QSize sizePixels() const { return m_size; }
    int dpiX() const { return m_dpiX; }
    int dpiY() const { return m_dpiY; }

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    int m_dpiX;
    int m_dpiY;
    std::unique_ptr<EmfPaintEngine> m_engine;
};
