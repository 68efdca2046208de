#include "reportengine/controls/printable.h"

#include "reportengine/printer/qrprinter.h"
#include "reportengine/printer/rounding.h"
#include "reportengine/report/band.h"
#include "reportengine/report/qrreport.h"

TQRPrintable::TQRPrintable(QObject* parent) : QObject(parent)
{
    Size.setPixels();
    Size.setWidth(10);
    Size.setHeight(10);
    Size.restoreUnit();
    if (auto* band = qobject_cast<TQRCustomBand*>(parent)) {
        band->addPrintable(this);
        setParentReport(band->ParentReport());
    }
}

void TQRPrintable::setParentReport(TQRReport* report)
{
    m_report = report;
    if (m_report) {
        Size.setZoom(m_report->Zoom());
        Size.setResolution(m_report->screenResolution());
    }
}

TQRCustomBand* TQRPrintable::ParentBand() const
{
    return qobject_cast<TQRCustomBand*>(parent());
}

int TQRPrintable::zoom() const
{
    return m_report ? m_report->Zoom() : 100;
}

void TQRPrintable::setAlignment(TAlignment alignment)
{
    m_alignment = alignment;
    applyAlignToBand();
}

void TQRPrintable::setBounds(long double left, long double top, long double width, long double height)
{
    Size.setNativeValue(1, left);
    Size.setNativeValue(2, top);
    Size.setNativeValue(3, width);
    Size.setNativeValue(0, height);
    applyAlignToBand();
}

void TQRPrintable::applyAlignToBand()
{
    TQRCustomBand* band = ParentBand();
    if (!AlignToBand || !band)
        return;
    band->Size.setPixels();
    Size.setPixels();
    const long double bandWidth = std::round(band->Size.Width());
    const long double width = std::round(Size.Width());
    switch (m_alignment) {
    case TAlignment::taLeftJustify: Size.setLeft(0); break;
    case TAlignment::taRightJustify: Size.setLeft(bandWidth - width); break;
    case TAlignment::taCenter: Size.setLeft(std::trunc((bandWidth - width) / 2)); break;
    }
    Size.restoreUnit();
    band->Size.restoreUnit();
}

void TQRPrintable::PreparePrint(TQRPrinter* printer)
{
    m_printer = printer;
}

void TQRPrintable::UnpreparePrint()
{
    m_printer = nullptr;
}

DeviceRect TQRPrintable::deviceBox(long double ox, long double oy) const
{
    const TQRPrinter& p = *m_printer;
    return {p.XPos(nLeft() + ox), p.YPos(nTop() + oy), p.XPos(nLeft() + ox + nWidth()),
            p.YPos(nTop() + oy + nHeight())};
}

void TQRPrintable::Print(long double ox, long double oy)
{
    if (!m_printer || !m_printer->Canvas() || !Frame.hasSide())
        return;
    Frame.DrawFrame(*m_printer->Canvas(), deviceBox(ox, oy), m_printer->XFactor(), m_printer->YFactor());
}
