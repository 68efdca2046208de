#pragma once
// The banded report: its page, bands and options, and the run that lays them out into pages on
// a printer object.

#include "reportengine/controls/text_measure.h"
#include "reportengine/printer/printer_settings.h"
#include "reportengine/report/band.h"
#include "reportengine/report/units.h"

#include <QFont>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QDialog;
class TQRPrinter;
class TQRPrintable;

struct TQRReportBands {
    bool HasTitle = false;
    bool HasPageHeader = false;
    bool HasColumnHeader = false;
    bool HasDetail = false;
    bool HasPageFooter = false;
    bool HasSummary = false;
};

struct TQRReportOptions {
    bool FirstPageHeader = true;
    bool LastPageFooter = true;
    bool Compression = false;
};

class TQRReport;

// Runs the title, the detail rows fed by OnNeedData, and the summary.
class TQRController {
public:
    explicit TQRController(TQRReport& report) : m_report(report) {}
    void Execute();

    TQRCustomBand* Title = nullptr;
    TQRCustomBand* Detail = nullptr;
    TQRCustomBand* Summary = nullptr;
    std::function<void(QObject* sender, bool& moreData)> OnNeedData;
    std::function<int()> RecordCount;
    std::int32_t RecordNumber = 0;
    bool PrintIfEmpty = false;

private:
    // Tells the printer object how far the rows are, in whole steps of 5 %, when it changed.
    void reportProgress(TQRPrinter& printer, int count, int& reported) const;
    TQRReport& m_report;
};

class TQRReport : public TQRBasePanel {
    Q_OBJECT

public:
    explicit TQRReport(QObject* parent = nullptr);
    ~TQRReport() override;

    // --- definition ---
    TQRReportBands Bands;
    TQRPage Page;
    TQRReportOptions Options;
    bool PrintIfEmpty() const { return m_controller.PrintIfEmpty; }
    void setPrintIfEmpty(bool on) { m_controller.PrintIfEmpty = on; }
    TQRUnit Units() const { return m_units; }
    void setUnits(TQRUnit unit);
    int Zoom() const { return m_zoom; }
    void setZoom(int zoom);                    // 1..300, others ignored
    QString ReportTitle;
    bool ShowProgress = true;
    bool SnapToGrid = true;
    TQRReportPrinterSettings PrinterSettings;
    QFont Font;

    std::function<void(TQRReport* sender, bool& printReport)> BeforePrint;
    std::function<void(QObject* sender, bool& moreData)> OnNeedData;
    // How many rows OnNeedData will serve, where the report can tell: the progress shown while
    // the report runs is the share of them printed. Asked once a run.
    std::function<int()> RecordCount;
    std::function<void(TQRReport* sender)> OnStartPage, OnEndPage;
    std::function<void(QObject* sender)> AfterPrint, AfterPreview;
    std::function<void(TQRPrinter* printer)> OnPreview;

    const std::vector<TQRCustomBand*>& bandList() const { return m_bands; }
    void addBand(TQRCustomBand* band);
    // Controls placed on the report itself, outside any band.
    void addPrintable(TQRPrintable* printable) { m_printables.push_back(printable); }
    TQRCustomBand* findBand(TQRBandType type) const;

    // Lays the bands' widths out from the page (after page, zoom, column or band changes).
    void layoutBands();
    long double screenResolution() const { return m_screenDpi; }
    const QRTextMeasure& MeasureDC() const { return m_measure; }
    TQRController& Controller() { return m_controller; }
    const TQRController& Controller() const { return m_controller; }

    // --- run state ---
    bool Available = true;
    int CurrentX = 0;
    int CurrentY = 0;
    int ColumnTopY = 0;
    int CurrentColumn = 1;
    int PageCount = 0;
    long double FooterHeight = 0;
    bool FinalPage = false;
    TQRPrinter* PrinterObject() const { return m_printer; }
    static int PreviewPageCount;

    // --- operations ---
    void Print();
    // Returns when the preview window is closed. printContext, when given, runs before the
    // preview's print command runs the report again, so that it prints what was previewed.
    void Preview(std::function<void()> printContext = {});
    // Runs the report into a printer object's page store without a window; the printer object
    // stays (PrinterObject) for GetPage and Save until the next run. False when busy.
    bool Prepare();
    void RunReport(bool composite);
    void ForcePageBreak();
    void ForceColumnBreak();
    int SpaceLeft() const;
    // The print-range dialog (copies, printer, orientation, page range); pages 1..pageCount
    // when pageCount is not -1. Nothing while a run is in progress.
    void PrintSetup(int pageCount = PreviewPageCount);

    void BeginNextPage();
    void FinishPage();
    void BeginNextColumn();
    void PlaceBand(TQRCustomBand* band);

    // Shows a dialog modally; tests answer in place of a user.
    static std::function<int(QDialog&)> execDialog;

private:
    std::unique_ptr<TQRPrinter> makePrinterObject() const;
    void forEachPrintable(const std::function<void(TQRPrintable*)>& fn) const;
    long double printerPaperLength() const;

    std::vector<TQRCustomBand*> m_bands;
    std::vector<TQRPrintable*> m_printables;
    TQRPrinter* m_printer = nullptr;         // the printer object of the current or last run
    std::unique_ptr<TQRPrinter> m_prepared;  // kept by Prepare
    TQRController m_controller;
    QRTextMeasure m_measure;
    long double m_screenDpi;
    TQRUnit m_units;
    int m_zoom = 100;
    bool m_pageBreakSwallowed = false;
    bool m_columnBreakSwallowed = false;
};
