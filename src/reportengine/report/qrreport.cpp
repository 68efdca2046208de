#include "reportengine/report/qrreport.h"

#include "reportengine/controls/printable.h"
#include "reportengine/preview/qrpreview.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/printer/rounding.h"
#include "reportengine/progress/qrprogressform.h"
#include "reportengine/report/print_range_dialog.h"

#include <QCoreApplication>
#include <QDialog>
#include <QPainter>

#include <algorithm>
#include <exception>

int TQRReport::PreviewPageCount = -1;
std::function<int(QDialog&)> TQRReport::execDialog = [](QDialog& dialog) { return dialog.exec(); };

namespace {

// Restores a value when the scope ends, however it ends.
template <typename T>
class Restore {
public:
    Restore(T& target, T value) : m_target(target), m_value(value) {}
    ~Restore() { m_target = m_value; }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

private:
    T& m_target;
    T m_value;
};

} // namespace

TQRReport::TQRReport(QObject* parent)
    : TQRBasePanel(parent), m_controller(*this), m_measure(screenPixelsPerInch()),
      m_screenDpi(screenPixelsPerInch()), m_units(defaultUnit())
{
    Font = QFont();
    Page.onChange = [this] { layoutBands(); };
    Page.setFontSize([this] { return (long double)Font.pointSizeF(); });
    // The current printer's paper; the form definition's values are applied afterwards.
    const TQRPrinter probe;
    Page.setPaperSize(probe.PaperSize());
}

TQRReport::~TQRReport() = default;

void TQRReport::addBand(TQRCustomBand* band)
{
    m_bands.push_back(band);
    band->Size.setFontSize([this] { return (long double)Font.pointSizeF(); });
    layoutBands();
}

TQRCustomBand* TQRReport::findBand(TQRBandType type) const
{
    for (TQRCustomBand* band : m_bands) {
        if (band->bandType() == type)
            return band;
    }
    return nullptr;
}

void TQRReport::forEachPrintable(const std::function<void(TQRPrintable*)>& fn) const
{
    for (TQRCustomBand* band : m_bands) {
        for (TQRPrintable* printable : band->printables())
            fn(printable);
    }
    for (TQRPrintable* printable : m_printables)
        fn(printable);
}

void TQRReport::setUnits(TQRUnit unit)
{
    m_units = unit;
    Page.setUnits(unit);
    for (TQRCustomBand* band : m_bands)
        band->Size.setUnits(unit);
    forEachPrintable([unit](TQRPrintable* p) { p->Size.setUnits(unit); });
}

void TQRReport::setZoom(int zoom)
{
    if (zoom < 1 || zoom > 300)
        return;
    m_zoom = zoom;
    Page.setZoom(zoom);
    for (TQRCustomBand* band : m_bands)
        band->Size.setZoom(zoom);
    forEachPrintable([zoom](TQRPrintable* p) { p->Size.setZoom(zoom); });
    layoutBands();
}

void TQRReport::layoutBands()
{
    const long double perPixel = 254.0L / m_screenDpi / m_zoom * 100;   // native per screen pixel
    const auto px = [perPixel](long double native) { return native / perPixel; };
    const int reportWidth = qrRound32(px(Page.nativeValue(TQRPage::iWidth)));
    const int fullWidth = reportWidth
                          - qrRound32(px(Page.nativeValue(TQRPage::iLeftMargin)) + px(Page.nativeValue(TQRPage::iRightMargin)));
    const int columns = std::max(1, Page.Columns());
    const int columnWidth = (fullWidth - qrRound32(px(Page.nativeValue(TQRPage::iColumnSpace))) * (columns - 1)) / columns;
    for (TQRCustomBand* band : m_bands) {
        TQRBandType type = band->bandType();
        const bool pageWide = type == TQRBandType::rbTitle || type == TQRBandType::rbPageHeader
                              || type == TQRBandType::rbPageFooter || type == TQRBandType::rbSummary
                              || type == TQRBandType::rbOverlay;
        band->Size.setZoom(m_zoom);
        band->Size.setResolution(m_screenDpi);
        band->Size.setPixels();
        band->Size.setWidth(pageWide ? fullWidth : columnWidth);
        band->Size.restoreUnit();
    }
}

long double TQRReport::printerPaperLength() const
{
    // The printer's paper as the page is oriented; the page's own length when the printer
    // does not tell (a zero length would break before every band).
    if (m_printer) {
        const bool landscape = Page.Orientation() == TPrinterOrientation::poLandscape;
        const int length = landscape ? m_printer->PaperWidthValue() : m_printer->PaperLengthValue();
        if (length > 0)
            return length;
    }
    return Page.nativeValue(TQRPage::iLength);
}

int TQRReport::SpaceLeft() const
{
    if (Available)
        return 0;
    return qrRound32(printerPaperLength() - Page.nativeValue(TQRPage::iBottomMargin) - FooterHeight - CurrentY);
}

void TQRReport::ForcePageBreak()
{
    if (Available)
        return;
    if (PageCount <= 1 && !m_pageBreakSwallowed) {
        m_pageBreakSwallowed = true;
        return;
    }
    do
        BeginNextColumn();
    while (CurrentColumn != 1);
}

void TQRReport::ForceColumnBreak()
{
    if (Available)
        return;
    if (CurrentColumn == 1 && !m_columnBreakSwallowed) {
        m_columnBreakSwallowed = true;
        return;
    }
    BeginNextColumn();
}

void TQRReport::BeginNextPage()
{
    FinishPage();
    ++PageCount;
    m_printer->NewPage();
    CurrentY = qrRound32(Page.nativeValue(TQRPage::iTopMargin));
    if (OnStartPage)
        OnStartPage(this);
    if (TQRCustomBand* header = findBand(TQRBandType::rbPageHeader); header && (PageCount > 1 || Options.FirstPageHeader))
        header->Print();
    ColumnTopY = CurrentY;
}

void TQRReport::FinishPage()
{
    if (PageCount == 0)
        return;
    if (OnEndPage)
        OnEndPage(this);
    // The footer sits at the bottom margin of the paper in the printer, as the rows that fit do.
    CurrentY = qrRound32(printerPaperLength() - Page.nativeValue(TQRPage::iBottomMargin) - FooterHeight);
    if (TQRCustomBand* footer = findBand(TQRBandType::rbPageFooter); footer && (!FinalPage || Options.LastPageFooter))
        footer->Print();
    for (TQRPrintable* printable : m_printables) {
        if (printable->Enabled)
            printable->Print(0, 0);
    }
    if (QPainter* canvas = m_printer->Canvas(); canvas && Frame.hasSide()) {
        const TQRPrinter& p = *m_printer;
        Frame.DrawFrame(*canvas,
                        {p.XPos(Page.nativeValue(TQRPage::iLeftMargin)), p.YPos(Page.nativeValue(TQRPage::iTopMargin)),
                         p.XPos(Page.nativeValue(TQRPage::iWidth) - Page.nativeValue(TQRPage::iRightMargin)),
                         p.YPos(Page.nativeValue(TQRPage::iLength) - Page.nativeValue(TQRPage::iBottomMargin))},
                        p.XFactor(), p.YFactor());
    }
}

void TQRReport::BeginNextColumn()
{
    TQRCustomBand* detail = findBand(TQRBandType::rbDetail);
    if (CurrentColumn >= Page.Columns()) {
        CurrentColumn = 1;
        CurrentX = qrRound32(Page.nativeValue(TQRPage::iLeftMargin));
        BeginNextPage();
    } else {
        CurrentX += qrRound32((detail ? detail->Size.nativeValue(1) : 0) + Page.nativeValue(TQRPage::iColumnSpace));
        CurrentY = ColumnTopY;
        ++CurrentColumn;
    }
    if (TQRCustomBand* header = findBand(TQRBandType::rbColumnHeader))
        header->Print();
}

void TQRReport::PlaceBand(TQRCustomBand* band)
{
    if (!band)
        return;
    if (band->AlignToBottom)
        CurrentY = qrRound32(printerPaperLength() - Page.nativeValue(TQRPage::iBottomMargin) - band->Size.nativeValue(0) - FooterHeight);
    band->Print();
}

void TQRController::Execute()
{
    TQRReport& r = m_report;
    TQRPrinter& printer = *r.PrinterObject();
    // Without a data callback there is no row: the sequence must not wait for one for ever.
    bool moreData = bool(OnNeedData);
    if (OnNeedData)
        OnNeedData(&r, moreData);
    RecordNumber = 0;
    if (!moreData)
        return;
    const int count = RecordCount ? RecordCount() : 0;
    int reported = -1;
    reportProgress(printer, count, reported);
    QCoreApplication::processEvents();
    if (printer.Cancelled())
        return;
    if (Title) {
        Title->EnsureSpace();
        r.PlaceBand(Title);
    }
    if (r.PageCount == 1) {
        r.PlaceBand(r.findBand(TQRBandType::rbColumnHeader));
        r.ColumnTopY = r.CurrentY;
    }
    while (moreData) {
        QCoreApplication::processEvents();
        if (printer.Cancelled())
            return;
        ++RecordNumber;
        if (Detail) {
            Detail->EnsureSpace();
            r.PlaceBand(Detail);
        }
        moreData = false;
        OnNeedData(&r, moreData);
        reportProgress(printer, count, reported);
    }
    if (Summary) {
        Summary->EnsureSpace();
        r.PlaceBand(Summary);
    }
}

void TQRController::reportProgress(TQRPrinter& printer, int count, int& reported) const
{
    if (count <= 0)
        return;
    // Whole steps of 5 %: the progress window shows only those, so every step it is told shows.
    const long long percent = std::clamp<long long>(100LL * RecordNumber / count, 0, 100) / 5 * 5;
    if (percent == reported)
        return;
    reported = int(percent);
    printer.setProgress(reported);
}

void TQRReport::RunReport(bool composite)
{
    if (!Available || !m_printer)
        return;
    Available = false;
    // A run that fails still makes the report available again.
    Restore<bool> available(Available, true);
    FinalPage = false;
    m_pageBreakSwallowed = m_columnBreakSwallowed = false;

    bool printReport = true;
    if (BeforePrint)
        BeforePrint(this, printReport);
    if (!printReport)
        return;

    TQRPrinter& p = *m_printer;
    const TQRUnit savedUnits = Units();
    setUnits(TQRUnit::Native);
    std::exception_ptr failure;
    bool prepared = false;
    try {
        if (composite) {
            CurrentColumn = 1;
        } else {
            p.setPaperSize(Page.PaperSize());
            if (p.PaperSize() == TQRPaperSize::Custom) {
                p.setPaperWidth(qrRound32(Page.Width()));
                p.setPaperLength(qrRound32(Page.Length()));
            }
            p.setOrientation(Page.Orientation() == TPrinterOrientation::poLandscape ? 1 : 0);
            p.setCopies(PrinterSettings.Copies);
            p.setOutputBin(PrinterSettings.OutputBin);
            p.setFirstPage(PrinterSettings.FirstPage);
            p.setLastPage(PrinterSettings.LastPage);
            p.setPrinterIndex(PrinterSettings.PrinterIndex);
            p.setTitle(ReportTitle);
            p.setCompression(Options.Compression);
            p.BeginDoc();
            CurrentY = qrRound32(Page.Length());
            PageCount = 0;
            CurrentColumn = 1;
        }
        FooterHeight = 0;
        for (TQRCustomBand* band : m_bands) {
            if (band->bandType() == TQRBandType::rbPageFooter && band->Enabled)
                FooterHeight += band->Size.nativeValue(0);
        }
        for (TQRCustomBand* band : m_bands)
            band->setParentReport(this);
        forEachPrintable([this](TQRPrintable* printable) { printable->setParentReport(this); });
        CurrentX = qrRound32(Page.LeftMargin());
        m_controller.Title = findBand(TQRBandType::rbTitle);
        m_controller.Detail = findBand(TQRBandType::rbDetail);
        m_controller.Summary = findBand(TQRBandType::rbSummary);
        m_controller.OnNeedData = OnNeedData;
        m_controller.RecordCount = RecordCount;
        prepared = true;
        forEachPrintable([&p](TQRPrintable* printable) { printable->PreparePrint(&p); });
        if (!composite)
            BeginNextPage();
        m_controller.Execute();
        if (!composite) {
            CurrentX = qrRound32(Page.LeftMargin());
            FinalPage = true;
            if (!p.Cancelled())
                FinishPage();
        }
    } catch (...) {
        failure = std::current_exception();
    }
    setUnits(savedUnits);
    if (prepared)
        forEachPrintable([](TQRPrintable* printable) { printable->UnpreparePrint(); });
    if (!p.Cancelled() && !composite) {
        try {
            p.EndDoc();
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

std::unique_ptr<TQRPrinter> TQRReport::makePrinterObject() const
{
    // Each object starts without a progress window: one taken over from an open preview would
    // hear of another run's pages.
    auto printer = std::make_unique<TQRPrinter>();
    printer->AfterPreview = [this](QObject* sender) {
        if (AfterPreview)
            AfterPreview(sender);
    };
    printer->AfterPrint = [this](QObject* sender) {
        if (AfterPrint)
            AfterPrint(sender);
    };
    return printer;
}

void TQRReport::Print()
{
    if (!Available)
        return;
    std::unique_ptr<TQRPrinter> printer = makePrinterObject();
    if (!printer->PrinterOK())
        return;
    // Afterwards the report's printer object is the one before (an open preview's), not none.
    Restore<TQRPrinter*> release(m_printer, m_printer);
    m_printer = printer.get();
    printer->setDestination(TQRDestination::Printer);
    TQRProgressForm progress(printer.get());
    if (ShowProgress)
        progress.show();
    printer->setProgressWindow(&progress);
    RunReport(false);
}

void TQRReport::Preview(std::function<void()> printContext)
{
    if (!Available)
        return;
    // Each preview owns its printer object until its window closes; previews opened meanwhile
    // (from the main window) nest inside and bring the report's state back when they return.
    std::unique_ptr<TQRPrinter> printer = makePrinterObject();
    TQRPrinter* const own = printer.get();
    Restore<TQRPrinter*> release(m_printer, m_printer);
    Restore<int> pageCount(PreviewPageCount, PreviewPageCount);
    m_printer = own;
    printer->setDestination(TQRDestination::Preview);
    printer->OnPrint = [this, printContext](QObject*) {
        // Not while a run is going: that run's captions and rows must stay its own.
        if (!Available)
            return;
        if (printContext)
            printContext();
        Print();
    };
    printer->OnPrintSetup = [this, own](QObject*) { PrintSetup(own->PageCount()); };
    printer->setTitle(ReportTitle);
    if (OnPreview)
        printer->OnPreview = OnPreview;
    printer->Preview();
    QCoreApplication::processEvents();
    try {
        RunReport(false);
    } catch (...) {
        // The window would show a printer object that is about to go: it closes, the error goes on.
        if (auto* preview = qobject_cast<TQRPreview*>(own->ProgressWindow()))
            preview->window()->close();
        throw;
    }
    PreviewPageCount = own->PageCount();
    while (own->ShowingPreview() && !QCoreApplication::closingDown())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool TQRReport::Prepare()
{
    if (!Available)
        return false;
    m_printer = nullptr;
    m_prepared = makePrinterObject();
    m_printer = m_prepared.get();
    m_prepared->setDestination(TQRDestination::Preview);
    m_prepared->setTitle(ReportTitle);
    RunReport(false);
    return true;
}

void TQRReport::PrintSetup(int pageCount)
{
    if (!Available)
        return;
    const std::unique_ptr<TQRPrinter> probe = makePrinterObject();
    if (!probe->PrinterOK())
        return;
    TQRPrintRangeDialog dialog;
    dialog.setCopies(PrinterSettings.Copies);
    dialog.setPrinterIndex(PrinterRegistry::global().currentIndex());
    dialog.setOrientation(Page.Orientation());
    if (pageCount != -1)
        dialog.setPageLimits(1, pageCount);
    if (execDialog(dialog) != QDialog::Accepted)
        return;
    PrinterSettings.Copies = dialog.copies();
    PrinterRegistry::global().setCurrentIndex(dialog.printerIndex());
    PrinterSettings.PrinterIndex = PrinterRegistry::global().currentIndex();
    Page.setOrientation(dialog.orientation());
    if (dialog.allPages()) {
        PrinterSettings.FirstPage = PrinterSettings.LastPage = 0;
    } else {
        PrinterSettings.FirstPage = dialog.fromPage();
        PrinterSettings.LastPage = dialog.toPage();
    }
}
