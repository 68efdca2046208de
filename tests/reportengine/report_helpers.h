#pragma once
// Printers, PDF inspection and a small banded report for the report-run tests.

#include "reportengine/printer/printer_device.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/report/band.h"
#include "reportengine/report/qrreport.h"

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// The printers a test sees; the machine's own come back as a lone "PDF file" printer afterwards.
class PrinterScope {
public:
    explicit PrinterScope(std::vector<std::shared_ptr<PrinterDevice>> printers, int defaultIndex = 0)
    {
        PrinterRegistry::global().setPrinters(std::move(printers), defaultIndex);
    }
    ~PrinterScope()
    {
        PrinterRegistry::global().setPrinters({makePdfPrinter()}, 0);
        PrinterRegistry::global().setPdfFileNameProvider({});
    }
    PrinterScope(const PrinterScope&) = delete;
    PrinterScope& operator=(const PrinterScope&) = delete;
};

inline std::shared_ptr<PrinterDevice> pdfTo(const QString& file, int paperCode = 9, int dpi = 600,
                                            int orientation = dm::Portrait)
{
    PdfPrinterOptions o;
    o.fixedOutputFile = file;
    o.paperCode = paperCode;
    o.dpi = dpi;
    o.orientation = orientation;
    return makePdfPrinter(o);
}

inline QString runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline int pdfPages(const QString& file)
{
    const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    const auto m = pages.match(runTool(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

inline QString pdfText(const QString& file)
{
    return runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
}

// A printer that draws into memory: offsets, bins and which fields it supports are the test's.
class FakePrinter : public PrinterDevice {
public:
    DeviceMode mode;
    int dpi = 300;
    QPoint offset{0, 0};
    bool answersQueries = true;
    QList<int> papers{1, 9, 11, 13};
    int jobsBegun = 0, jobsEnded = 0, jobsAborted = 0, lastSheets = 0;
    DeviceMode lastJobMode;

    FakePrinter()
    {
        mode.fields = dm::Orientation | dm::PaperSize | dm::Copies | dm::DefaultSource | dm::Duplex;
    }
    QString name() const override { return QStringLiteral("Fake"); }
    QString driverName() const override { return QStringLiteral("fake"); }
    QString portName() const override { return QStringLiteral("LPT1:"); }
    DeviceMode defaultDeviceMode() const override { return mode; }
    int dpiX() const override { return dpi; }
    int dpiY() const override { return dpi; }
    std::optional<QPoint> printingOffset(const DeviceMode&) const override
    {
        return answersQueries ? std::optional<QPoint>(offset) : std::nullopt;
    }
    std::optional<QSize> physicalSize(const DeviceMode& m) const override
    {
        if (!answersQueries)
            return std::nullopt;
        const QSize t = paperCodeSizeTenthsMm(m.paperSize).value_or(QSize(2100, 2970));
        return QSize(int(t.width() * dpi / 254.0 + 0.5), int(t.height() * dpi / 254.0 + 0.5));
    }
    QSize printableSize(const DeviceMode& m) const override { return physicalSize(m).value_or(QSize(100, 100)); }
    QList<int> supportedPaperCodes() const override { return papers; }

    class Job : public PrintJob {
    public:
        Job(FakePrinter& owner) : m_owner(owner), m_image(200, 200, QImage::Format_RGB32) { m_painter.begin(&m_image); }
        QPainter& painter() override { return m_painter; }
        void newSheet() override { ++m_sheets; }
        void end() override { m_painter.end(); ++m_owner.jobsEnded; m_owner.lastSheets = m_sheets; }
        void abort() override { m_painter.end(); ++m_owner.jobsAborted; }
        int sheets() const override { return m_sheets; }

    private:
        FakePrinter& m_owner;
        QImage m_image;
        QPainter m_painter;
        int m_sheets = 1;
    };
    std::unique_ptr<PrintJob> beginJob(const DeviceMode& m, const QString&) override
    {
        ++jobsBegun;
        lastJobMode = m;
        return std::make_unique<Job>(*this);
    }
};

// Counts the two messages a printer object posts.
class MessageLog : public QObject {
public:
    std::vector<int> pageAvailable;
    std::vector<int> progress;
    bool event(QEvent* e) override
    {
        if (e->type() == QRMessageEvent::typeFor(kQRPageAvailableMessage))
            pageAvailable.push_back(static_cast<QRMessageEvent*>(e)->lowParam());
        else if (e->type() == QRMessageEvent::typeFor(kQRProgressMessage))
            progress.push_back(static_cast<QRMessageEvent*>(e)->lowParam());
        else
            return QObject::event(e);
        return true;
    }
};

// A report with the field-definition report's band heights and margins, fed `rows` rows; it
// records where each band printed.
struct Placement {
    QString band;
    int page;
    int y;
};

struct BandReport {
    TQRReport report;
    TQRBand* header;
    TQRBand* columns;
    TQRBand* detail;
    TQRBand* footer;
    int rows = 0;
    int served = 0;
    int failAtRow = 0;                 // the data callback throws when asked for this row
    std::vector<Placement> placed;

    explicit BandReport(int rowCount = 0) : rows(rowCount)
    {
        report.Page.setPaperSize(TQRPaperSize::A4);
        report.Page.loadValues({100.0L, 2970.0L, 100.0L, 2100.0L, 100.0L, 100.0L, 0.0L});
        report.setZoom(120);
        report.ShowProgress = false;
        header = make("header", TQRBandType::rbPageHeader, 134.497L);
        columns = make("columns", TQRBandType::rbColumnHeader, 105.833L);
        detail = make("detail", TQRBandType::rbDetail, 52.917L);
        footer = make("footer", TQRBandType::rbPageFooter, 105.833L);
        report.BeforePrint = [this](TQRReport*, bool&) { served = 0; };
        report.OnNeedData = [this](QObject*, bool& more) {
            if (failAtRow > 0 && served + 1 == failAtRow)
                throw std::runtime_error("data source failed");
            more = served < rows;
            if (more)
                ++served;
        };
    }

    TQRBand* make(const char* name, TQRBandType type, long double height)
    {
        auto* band = new TQRBand(&report, type);
        band->setObjectName(QString::fromLatin1(name));
        band->Size.setNativeValue(0, height);
        band->BeforePrint = [this](TQRCustomBand* b, bool&) {
            placed.push_back({b->objectName(), report.PageCount, report.CurrentY});
        };
        return band;
    }

    std::vector<Placement> of(const QString& band) const
    {
        std::vector<Placement> out;
        for (const Placement& p : placed)
            if (p.band == band)
                out.push_back(p);
        return out;
    }

    int rowsOnPage(int page) const
    {
        int n = 0;
        for (const Placement& p : of(QStringLiteral("detail")))
            n += p.page == page;
        return n;
    }
};
