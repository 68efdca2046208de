#include "reportengine/report/band.h"

#include "reportengine/controls/printable.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/printer/rounding.h"
#include "reportengine/report/qrreport.h"

#include <QPainter>

TQRCustomBand::TQRCustomBand(TQRReport* report) : TQRBasePanel(report), m_report(report)
{
    if (m_report) {
        Size.setResolution(m_report->screenResolution());
        Size.setZoom(m_report->Zoom());
        Font = m_report->Font;
    }
    Size.setPixels();
    Size.setHeight(40);
    Size.restoreUnit();
    if (m_report)
        m_report->addBand(this);
}

void TQRCustomBand::Print()
{
    TQRReport& report = *m_report;
    bool printBand = Enabled;
    if (Enabled && BeforePrint)
        BeforePrint(this, printBand);
    if (printBand) {
        const TQRBandType type = bandType();
        const bool pageBand = type == TQRBandType::rbTitle || type == TQRBandType::rbPageHeader
                              || type == TQRBandType::rbPageFooter || type == TQRBandType::rbOverlay;
        if (!pageBand && ForceNewPage)
            report.ForcePageBreak();
        else if (!pageBand && ForceNewColumn)
            report.ForceColumnBreak();

        TQRPrinter& p = *report.PrinterObject();
        const long double x = report.CurrentX, y = report.CurrentY;
        PrintRect = {p.XPos(x), p.YPos(y), p.XPos(x + Size.nativeValue(1)), p.YPos(y + Size.nativeValue(0))};
        if (QPainter* c = p.Canvas())
            c->fillRect(QRect(QPoint(PrintRect.left, PrintRect.top), QPoint(PrintRect.right - 1, PrintRect.bottom - 1)), Color);
        const long double height = Size.nativeValue(0);
        for (TQRPrintable* printable : m_printables) {
            if (printable->Enabled)
                printable->Print(x, y);
        }
        if (QPainter* c = p.Canvas())
            Frame.DrawFrame(*c, PrintRect, p.XFactor(), p.YFactor());
        report.CurrentY += qrRound32(Size.nativeValue(0));
        Size.setNativeValue(0, height);
    }
    if (AfterPrint)
        AfterPrint(this, printBand);
}

void TQRCustomBand::EnsureSpace()
{
    if (bandType() == TQRBandType::rbPageFooter)
        return;
    if (qrRound32(Size.nativeValue(0)) >= m_report->SpaceLeft())
        m_report->BeginNextColumn();
}

bool TQRCustomBand::CanGrowBy(long double h) const
{
    return qrRound32(h + Size.nativeValue(0)) <= m_report->SpaceLeft();
}

TQRCustomBand::GrowResult TQRCustomBand::GrowBy(long double h)
{
    TQRReport& report = *m_report;
    TQRPrinter& p = *report.PrinterObject();
    if (!CanGrowBy(h) && p.Canvas()) {
        const long double x = report.CurrentX, y = report.CurrentY;
        Frame.DrawFrame(*p.Canvas(),
                        {p.XPos(x), p.YPos(y), p.XPos(x + Size.nativeValue(1)), p.YPos(y + Size.nativeValue(0))},
                        p.XFactor(), p.YFactor());
    }
    Size.setNativeValue(0, Size.nativeValue(0) + h);
    PrintRect.bottom = p.YPos(report.CurrentY + Size.nativeValue(0));
    GrowResult result;
    if (report.SpaceLeft() >= qrRound32(Size.nativeValue(0)))
        return result;
    const int before = report.CurrentX;
    report.BeginNextColumn();
    Size.setNativeValue(0, h);
    result.broke = true;
    result.newTop = report.CurrentY;
    result.shiftX = report.CurrentX - before;
    return result;
}
