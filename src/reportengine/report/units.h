#pragma once
// Lengths of a report definition: stored in tenths of a millimetre ("native"), read and written
// in a design unit.

#include "reportengine/printer/paper.h"

#include <functional>
#include <vector>

enum class TQRUnit { MM, Inches, Pixels, Characters, Native };

// The screen's pixels per inch (96 on the offscreen platform and without a display).
int screenPixelsPerInch();
// True when the system locale measures in U.S. units (read once).
bool usesUsMeasurement();
// The unit new unit objects start in: Inches under a U.S. locale, else MM.
TQRUnit defaultUnit();

class TQRUnitBase {
public:
    // `horizontal[i]` tells whether value i runs across the page.
    explicit TQRUnitBase(std::vector<bool> horizontal);
    virtual ~TQRUnitBase() = default;

    TQRUnit Units() const { return m_unit; }
    void setUnits(TQRUnit unit) { m_unit = unit; }
    int Zoom() const { return m_zoom; }
    void setZoom(int zoom) { m_zoom = zoom; }
    long double Resolution() const { return m_resolution; }
    void setResolution(long double ppi) { m_resolution = ppi; }
    // Font size (points) that Characters units are based on.
    void setFontSize(std::function<long double()> size) { m_fontSize = std::move(size); }

    // Switches to Pixels, remembering the unit; back with restoreUnit().
    void setPixels();
    void restoreUnit();

    long double value(int index) const;          // in the current unit
    void setValue(int index, long double v);
    long double nativeValue(int index) const { return m_values.at(std::size_t(index)); }
    void setNativeValue(int index, long double v) { m_values.at(std::size_t(index)) = v; }
    const std::vector<long double>& Values() const { return m_values; }

    long double toUnit(long double native, bool horizontal) const;
    long double toNative(long double v, bool horizontal) const;

protected:
    std::vector<long double> m_values;
    std::vector<bool> m_horizontal;

private:
    long double charSize(bool horizontal) const;
    TQRUnit m_unit;
    TQRUnit m_saved;
    int m_zoom = 100;
    long double m_resolution;
    std::function<long double()> m_fontSize;
};

enum class TPrinterOrientation { poPortrait, poLandscape };

class TQRPage : public TQRUnitBase {
public:
    TQRPage();
    enum Index { iBottomMargin, iLength, iTopMargin, iWidth, iLeftMargin, iRightMargin, iColumnSpace };

    long double BottomMargin() const { return value(iBottomMargin); }
    void setBottomMargin(long double v) { setLengthValue(iBottomMargin, v); }
    long double Length() const { return value(iLength); }
    void setLength(long double v);                 // only while Custom
    long double TopMargin() const { return value(iTopMargin); }
    void setTopMargin(long double v) { setLengthValue(iTopMargin, v); }
    long double Width() const { return value(iWidth); }
    void setWidth(long double v);                  // only while Custom
    long double LeftMargin() const { return value(iLeftMargin); }
    void setLeftMargin(long double v) { setLengthValue(iLeftMargin, v); }
    long double RightMargin() const { return value(iRightMargin); }
    void setRightMargin(long double v) { setLengthValue(iRightMargin, v); }
    long double ColumnSpace() const { return value(iColumnSpace); }
    void setColumnSpace(long double v) { setLengthValue(iColumnSpace, v); }

    int Columns() const { return m_columns; }
    void setColumns(int columns);                  // <= 0 or unchanged: ignored
    TPrinterOrientation Orientation() const { return m_orientation; }
    void setOrientation(TPrinterOrientation orientation);
    TQRPaperSize PaperSize() const { return m_paperSize; }
    void setPaperSize(TQRPaperSize size);
    bool Ruler = true;

    // Loads stored values as they are (the form definition): no paper-size effect.
    void loadValues(const std::vector<long double>& values);

    // Called after a change that moves the bands (paper, orientation, margins, columns).
    std::function<void()> onChange;

private:
    void setLengthValue(int index, long double v);
    void changed() const;
    TQRPaperSize m_paperSize;
    TPrinterOrientation m_orientation = TPrinterOrientation::poPortrait;
    int m_columns = 1;
};

class TQRBandSize : public TQRUnitBase {
public:
    TQRBandSize();
    long double Height() const { return value(0); }
    void setHeight(long double v) { setValue(0, v); }
    long double Width() const { return value(1); }
    void setWidth(long double v) { setValue(1, v); }
};

class TQRPrintableSize : public TQRUnitBase {
public:
    TQRPrintableSize();
    long double Height() const { return value(0); }
    void setHeight(long double v) { setValue(0, v); }
    long double Left() const { return value(1); }
    void setLeft(long double v) { setValue(1, v); }
    long double Top() const { return value(2); }
    void setTop(long double v) { setValue(2, v); }
    long double Width() const { return value(3); }
    void setWidth(long double v) { setValue(3, v); }
};
