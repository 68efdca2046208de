#pragma once
// The base of everything a band prints: position and size in tenths of a millimetre relative to
// the band, a frame, and the run's printer object while a run is in progress.

#include "reportengine/controls/frame.h"
#include "reportengine/report/units.h"

#include <QColor>
#include <QObject>

class TQRPrinter;
class TQRReport;
class TQRCustomBand;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

class TQRPrintable : public QObject {
    Q_OBJECT

public:
    explicit TQRPrintable(QObject* parent = nullptr);

    bool Enabled = true;
    TQRFrame Frame;
    TQRPrintableSize Size;
    QColor Color = Qt::white;
    bool AlignToBand = false;

    TAlignment Alignment() const { return m_alignment; }
    virtual void setAlignment(TAlignment alignment);

    // Sets position and size in native units (as a form definition stores them).
    void setBounds(long double left, long double top, long double width, long double height);

    // The report the control belongs to (bound at the start of a run, or when placed).
    TQRReport* ParentReport() const { return m_report; }
    void setParentReport(TQRReport* report);
    TQRCustomBand* ParentBand() const;

    bool IsPrinting() const { return m_printer != nullptr; }
    TQRPrinter* PrinterObject() const { return m_printer; }

    virtual void PreparePrint(TQRPrinter* printer);
    virtual void Print(long double offsetX, long double offsetY);
    virtual void UnpreparePrint();

protected:
    // The box in device pixels for the band occurrence at (offsetX, offsetY).
    DeviceRect deviceBox(long double offsetX, long double offsetY) const;
    long double nLeft() const { return Size.nativeValue(1); }
    long double nTop() const { return Size.nativeValue(2); }
    long double nWidth() const { return Size.nativeValue(3); }
    long double nHeight() const { return Size.nativeValue(0); }
    int zoom() const;
    void applyAlignToBand();

    TQRPrinter* m_printer = nullptr;

private:
    TQRReport* m_report = nullptr;
    TAlignment m_alignment = TAlignment::taLeftJustify;
};
