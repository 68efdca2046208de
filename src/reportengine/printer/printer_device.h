#pragma once
// The installed printers as the report engine sees them: a device-mode block per printer (paper,
// orientation, copies, source, duplex with a field mask telling which the device supports), its
// resolution, printing offsets, physical page and supported papers, and print jobs drawn with
// QPainter in device pixels. The "PDF file" printer is always installed.

#include <QList>
#include <QPainter>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Bits of the device mode's field mask.
namespace dm {
constexpr unsigned Orientation = 1;
constexpr unsigned PaperSize = 2;
constexpr unsigned PaperLength = 4;
constexpr unsigned PaperWidth = 8;
constexpr unsigned Copies = 256;
constexpr unsigned DefaultSource = 512;
constexpr unsigned Duplex = 4096;
constexpr int Portrait = 1;
constexpr int Landscape = 2;
constexpr int Simplex = 1;
} // namespace dm

struct DeviceMode {
    unsigned fields = 0;          // dm:: bits the device supports / that were written
    int orientation = dm::Portrait;
    int paperSize = 9;            // device paper code (9 = A4)
    int paperLength = 0;          // 0.1 mm, used with paper code 256
    int paperWidth = 0;
    int copies = 1;
    int defaultSource = 1;
    int duplex = dm::Simplex;
};

// One print job: sheets drawn through painter(), in device pixels, origin at the printable area.
class PrintJob {
public:
    virtual ~PrintJob() = default;
    virtual QPainter& painter() = 0;
    virtual void newSheet() = 0;          // ends the current sheet and begins the next
    // Ends the job; the sheets go to the printer (or the file). Throws on failure.
    virtual void end() = 0;
    // Discards the job: nothing reaches the printer, no file is left.
    virtual void abort() = 0;
    virtual int sheets() const = 0;
};

class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;
    virtual QString name() const = 0;
    virtual QString driverName() const = 0;
    virtual QString portName() const = 0;
    // The device mode as the printer is set up (its defaults).
    virtual DeviceMode defaultDeviceMode() const = 0;
    virtual int dpiX() const = 0;
    virtual int dpiY() const = 0;
    // Offset of the printable area from the paper's corner, in device pixels; none when unknown.
    virtual std::optional<QPoint> printingOffset(const DeviceMode& mode) const = 0;
    // The whole sheet in device pixels, as oriented; none when unknown.
    virtual std::optional<QSize> physicalSize(const DeviceMode& mode) const = 0;
    // The printable area in device pixels, as oriented.
    virtual QSize printableSize(const DeviceMode& mode) const = 0;
    virtual QList<int> supportedPaperCodes() const = 0;
    // Begins a job with the document name; none when the user declined (for instance the file
    // dialog of the PDF printer was cancelled). Throws when the job cannot start.
    virtual std::unique_ptr<PrintJob> beginJob(const DeviceMode& mode, const QString& title) = 0;
};

// The printers of the system, in the order a printer index counts them, with the shared selection
// (the application's printer) and the default printer.
class PrinterRegistry {
public:
    static PrinterRegistry& global();

    const std::vector<std::shared_ptr<PrinterDevice>>& printers();
    int defaultIndex();
    // The printer the application has selected; the default until changed.
    int currentIndex();
    void setCurrentIndex(int index);
    std::shared_ptr<PrinterDevice> printer(int index);   // -1: the default printer

    // Replaces the list (tests, or a later refresh); the selection returns to the default.
    void setPrinters(std::vector<std::shared_ptr<PrinterDevice>> printers, int defaultIndex);
    // Back to the system's printers (CUPS ones, then "PDF file").
    void reset();

    // Asks where the "PDF file" printer writes; empty means the user cancelled.
    using PdfFileNameProvider = std::function<QString(const QString& title)>;
    void setPdfFileNameProvider(PdfFileNameProvider provider) { m_pdfFileName = std::move(provider); }
    const PdfFileNameProvider& pdfFileNameProvider() const { return m_pdfFileName; }
    QString askPdfFileName(const QString& title) const;

private:
    void ensureLoaded();
    bool m_loaded = false;
    std::vector<std::shared_ptr<PrinterDevice>> m_printers;
    int m_default = 0;
    int m_current = -1;
    PdfFileNameProvider m_pdfFileName;
};

// A printer that writes PDF files. The default "PDF file" printer is 600 dpi, A4 portrait.
struct PdfPrinterOptions {
    QString name = QStringLiteral("PDF file");
    int dpi = 600;
    int paperCode = 9;            // the printer's paper as set up
    int orientation = dm::Portrait;
    QSize customSizeTenthsMm;     // used when paperCode is not one the printer knows
    QString fixedOutputFile;      // set: written there without asking
};
std::shared_ptr<PrinterDevice> makePdfPrinter(const PdfPrinterOptions& options = {});

// Sizes in 0.1 mm (portrait) of a device paper code the printers here know, none otherwise.
std::optional<QSize> paperCodeSizeTenthsMm(int code);
