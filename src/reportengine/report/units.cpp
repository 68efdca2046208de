#include "reportengine/report/units.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

#include <cmath>

int screenPixelsPerInch()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const int dpi = int(std::lround(screen->logicalDotsPerInchY()));
            if (dpi > 0)
                return dpi;
        }
    }
    return 96;
}

bool usesUsMeasurement()
{
    static const bool us = QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
    return us;
}

TQRUnit defaultUnit()
{
    return usesUsMeasurement() ? TQRUnit::Inches : TQRUnit::MM;
}

TQRUnitBase::TQRUnitBase(std::vector<bool> horizontal)
    : m_values(horizontal.size(), 0.0L), m_horizontal(std::move(horizontal)), m_unit(defaultUnit()),
      m_saved(m_unit), m_resolution(screenPixelsPerInch())
{
}

void TQRUnitBase::setPixels()
{
    m_saved = m_unit;
    m_unit = TQRUnit::Pixels;
}

void TQRUnitBase::restoreUnit()
{
    m_unit = m_saved;
}

long double TQRUnitBase::charSize(bool horizontal) const
{
    long double s = m_fontSize ? m_fontSize() : 10.0L;
    if (!(s > 0))
        s = 10.0L;
    return (horizontal ? 80.0L : 145.3L) / s / 2.54L;
}

long double TQRUnitBase::toUnit(long double x, bool horizontal) const
{
    switch (m_unit) {
    case TQRUnit::MM: return x / 10;
    case TQRUnit::Inches: return x / 254;
    case TQRUnit::Pixels: return x / (254.0L / m_resolution) * m_zoom / 100;
    case TQRUnit::Characters: return x / charSize(horizontal) / 10;
    case TQRUnit::Native: break;
    }
    return x;
}

long double TQRUnitBase::toNative(long double x, bool horizontal) const
{
    switch (m_unit) {
    case TQRUnit::MM: return x * 10;
    case TQRUnit::Inches: return x * 254;
    case TQRUnit::Pixels: return x * (254.0L / m_resolution) / m_zoom * 100;
    case TQRUnit::Characters: return x * charSize(horizontal) * 10;
    case TQRUnit::Native: break;
    }
    return x;
}

long double TQRUnitBase::value(int index) const
{
    return toUnit(m_values.at(std::size_t(index)), m_horizontal.at(std::size_t(index)));
}

void TQRUnitBase::setValue(int index, long double v)
{
    m_values.at(std::size_t(index)) = toNative(v, m_horizontal.at(std::size_t(index)));
}

TQRPage::TQRPage()
    : TQRUnitBase({false, false, false, true, true, true, true}),
      m_paperSize(usesUsMeasurement() ? TQRPaperSize::Letter : TQRPaperSize::A4)
{
    const long double margin = usesUsMeasurement() ? 127.0L : 100.0L;
    const PaperSizeInfo& paper = paperSizeInfo(m_paperSize);
    m_values = {margin, paper.lengthMm * 10.0L, margin, paper.widthMm * 10.0L, margin, margin, 0.0L};
}

void TQRPage::loadValues(const std::vector<long double>& values)
{
    for (std::size_t i = 0; i < values.size() && i < m_values.size(); ++i)
        m_values[i] = values[i];
    changed();
}

void TQRPage::changed() const
{
    if (onChange)
        onChange();
}

void TQRPage::setLengthValue(int index, long double v)
{
    setValue(index, v);
    changed();
}

void TQRPage::setLength(long double v)
{
    if (m_paperSize == TQRPaperSize::Custom)
        setLengthValue(iLength, v);
}

void TQRPage::setWidth(long double v)
{
    if (m_paperSize == TQRPaperSize::Custom)
        setLengthValue(iWidth, v);
}

void TQRPage::setColumns(int columns)
{
    if (columns <= 0 || columns == m_columns)
        return;
    m_columns = columns;
    changed();
}

void TQRPage::setOrientation(TPrinterOrientation orientation)
{
    m_orientation = orientation;
    setPaperSize(m_paperSize);
}

void TQRPage::setPaperSize(TQRPaperSize size)
{
    if (size != TQRPaperSize::Default && size != TQRPaperSize::Custom) {
        setPixels();   // remembers the unit
        setUnits(TQRUnit::MM);
        m_paperSize = TQRPaperSize::Custom;
        const PaperSizeInfo& paper = paperSizeInfo(size);
        const bool landscape = m_orientation == TPrinterOrientation::poLandscape;
        m_values[iWidth] = toNative(landscape ? paper.lengthMm : paper.widthMm, true);
        m_values[iLength] = toNative(landscape ? paper.widthMm : paper.lengthMm, false);
        restoreUnit();
        changed();
    }
    m_paperSize = size;
}

TQRBandSize::TQRBandSize() : TQRUnitBase({false, true}) {}

TQRPrintableSize::TQRPrintableSize() : TQRUnitBase({false, true, false, true}) {}
