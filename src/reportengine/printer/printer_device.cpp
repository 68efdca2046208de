#include "reportengine/printer/printer_device.h"

#include "reportengine/printer/paper.h"
#include "reportengine/printer/pdf_job.h"
#include "reportengine/qrerror.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

namespace {

struct ExtraPaper {
    int code;
    double widthMm;
    double lengthMm;
};
// Sizes printers here report that the report's table does not hold.
constexpr ExtraPaper kExtraPapers[] = {
    {papercode::B5Iso, 176, 250},
    {papercode::A6, 105, 148},
    {papercode::B6Jis, 128, 182},
    {papercode::Postcard, 100, 148},
};

int pixels(double tenthsMm, int dpi)
{
    return int(std::lround(tenthsMm / 254.0 * dpi));
}

QPageSize pageSizeFor(const DeviceMode& mode)
{
    QSize tenths;
    if (mode.paperSize == paperSizeInfo(TQRPaperSize::Custom).code)
        tenths = QSize(mode.paperWidth, mode.paperLength);
    else if (auto size = paperCodeSizeTenthsMm(mode.paperSize))
        tenths = *size;
    if (tenths.width() <= 0 || tenths.height() <= 0)
        tenths = QSize(2100, 2970);
    return QPageSize(QSizeF(tenths.width() / 10.0, tenths.height() / 10.0), QPageSize::Millimeter,
                     QString(), QPageSize::FuzzyMatch);
}

QPageLayout layoutFor(const DeviceMode& mode, const QMarginsF& marginsMm = {})
{
    return QPageLayout(pageSizeFor(mode),
                       mode.orientation == dm::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       marginsMm, QPageLayout::Millimeter);
}

QSize orientedPixels(const DeviceMode& mode, int dpiX, int dpiY)
{
    const QSizeF mm = pageSizeFor(mode).size(QPageSize::Millimeter);
    QSize px(pixels(mm.width() * 10, dpiX), pixels(mm.height() * 10, dpiY));
    if (mode.orientation == dm::Landscape)
        px = QSize(pixels(mm.height() * 10, dpiX), pixels(mm.width() * 10, dpiY));
    return px;
}

// The code of a paper of these dimensions (0.1 mm), or custom.
int codeForSize(QSizeF mm, DeviceMode& mode)
{
    const auto near = [](double a, double b) { return std::abs(a - b) < 0.6; };
    for (int i = 1; i < kPaperSizeCount - 1; ++i) {
        const PaperSizeInfo& p = paperSizeInfo(TQRPaperSize(i));
        if (near(p.widthMm, mm.width()) && near(p.lengthMm, mm.height()))
            return p.code;
    }
    for (const ExtraPaper& p : kExtraPapers) {
        if (near(p.widthMm, mm.width()) && near(p.lengthMm, mm.height()))
            return p.code;
    }
    mode.paperWidth = int(std::lround(mm.width() * 10));
    mode.paperLength = int(std::lround(mm.height() * 10));
    return paperSizeInfo(TQRPaperSize::Custom).code;
}

class PdfPrinter : public PrinterDevice {
public:
    explicit PdfPrinter(PdfPrinterOptions options) : m_options(std::move(options)) {}

    QString name() const override { return m_options.name; }
    QString driverName() const override { return QStringLiteral("pdf"); }
    QString portName() const override { return QStringLiteral("FILE:"); }
    DeviceMode defaultDeviceMode() const override
    {
        DeviceMode mode;
        mode.fields = dm::Orientation | dm::PaperSize | dm::PaperLength | dm::PaperWidth;
        mode.paperSize = m_options.paperCode;
        mode.orientation = m_options.orientation;
        if (!m_options.customSizeTenthsMm.isEmpty()) {
            mode.paperWidth = m_options.customSizeTenthsMm.width();
            mode.paperLength = m_options.customSizeTenthsMm.height();
        }
        return mode;
    }
    int dpiX() const override { return m_options.dpi; }
    int dpiY() const override { return m_options.dpi; }
    // A PDF page has no margin the device cannot reach.
    std::optional<QPoint> printingOffset(const DeviceMode&) const override { return QPoint(0, 0); }
    std::optional<QSize> physicalSize(const DeviceMode& mode) const override
    {
        return orientedPixels(mode, dpiX(), dpiY());
    }
    QSize printableSize(const DeviceMode& mode) const override { return orientedPixels(mode, dpiX(), dpiY()); }
    QList<int> supportedPaperCodes() const override
    {
        QList<int> codes;
        for (int i = 1; i < kPaperSizeCount; ++i)
            codes << paperSizeInfo(TQRPaperSize(i)).code;
        for (const ExtraPaper& p : kExtraPapers)
            codes << p.code;
        return codes;
    }
    std::unique_ptr<PrintJob> beginJob(const DeviceMode& mode, const QString& title) override
    {
        const QString target = m_options.fixedOutputFile.isEmpty()
                                   ? PrinterRegistry::global().askPdfFileName(title)
                                   : m_options.fixedOutputFile;
        if (target.isEmpty())
            return nullptr;
        return std::make_unique<PdfJob>(target, m_options.dpi, layoutFor(mode), title);
    }

private:
    PdfPrinterOptions m_options;
};

// A CUPS queue. The job is drawn into a temporary PDF that goes to the queue with lp when the job
// ends, so an aborted job never reaches the printer.
class CupsPrinter : public PrinterDevice {
public:
    explicit CupsPrinter(const QPrinterInfo& info) : m_info(info)
    {
        QPrinter probe(info, QPrinter::HighResolution);
        m_dpi = probe.resolution() > 0 ? probe.resolution() : 600;
    }

    QString name() const override { return m_info.printerName(); }
    QString driverName() const override { return m_info.makeAndModel().left(63); }
    QString portName() const override { return m_info.location(); }
    DeviceMode defaultDeviceMode() const override
    {
        DeviceMode mode;
        mode.fields = dm::Orientation | dm::PaperSize | dm::Copies;
        if (m_info.supportsCustomPageSizes())
            mode.fields |= dm::PaperLength | dm::PaperWidth;
        if (m_info.supportedDuplexModes().size() > 1)
            mode.fields |= dm::Duplex;
        const QPageSize size = m_info.defaultPageSize().isValid() ? m_info.defaultPageSize()
                                                                  : QPageSize(QPageSize::A4);
        mode.paperSize = codeForSize(size.size(QPageSize::Millimeter), mode);
        mode.duplex = m_info.defaultDuplexMode() == QPrinter::DuplexNone ? dm::Simplex : 2;
        return mode;
    }
    int dpiX() const override { return m_dpi; }
    int dpiY() const override { return m_dpi; }
    std::optional<QPoint> printingOffset(const DeviceMode& mode) const override
    {
        const QMarginsF m = margins(mode);
        return QPoint(pixels(m.left() * 10, m_dpi), pixels(m.top() * 10, m_dpi));
    }
    std::optional<QSize> physicalSize(const DeviceMode& mode) const override
    {
        return orientedPixels(mode, m_dpi, m_dpi);
    }
    QSize printableSize(const DeviceMode& mode) const override
    {
        const QSize whole = orientedPixels(mode, m_dpi, m_dpi);
        const QMarginsF m = margins(mode);
        return QSize(whole.width() - pixels((m.left() + m.right()) * 10, m_dpi),
                     whole.height() - pixels((m.top() + m.bottom()) * 10, m_dpi));
    }
    QList<int> supportedPaperCodes() const override
    {
        QList<int> codes;
        for (const QPageSize& size : m_info.supportedPageSizes()) {
            DeviceMode scratch;
            const int code = codeForSize(size.size(QPageSize::Millimeter), scratch);
            if (!codes.contains(code))
                codes << code;
        }
        return codes;
    }
    std::unique_ptr<PrintJob> beginJob(const DeviceMode& mode, const QString& title) override
    {
        const QString queue = name();
        const int copies = (mode.fields & dm::Copies) ? std::max(1, mode.copies) : 1;
        const bool duplex = (mode.fields & dm::Duplex) && mode.duplex != dm::Simplex;
        auto submit = [queue, copies, duplex, title](const QString& pdf) {
            const QString lp = QStandardPaths::findExecutable(QStringLiteral("lp"));
            if (lp.isEmpty())
                throw EQRError(QStringLiteral("印刷できません: lp コマンドがありません"));
            QStringList args{QStringLiteral("-d"), queue, QStringLiteral("-n"), QString::number(copies),
                             QStringLiteral("-t"), title};
            if (duplex)
                args << QStringLiteral("-o") << QStringLiteral("sides=two-sided-long-edge");
            args << pdf;
            QProcess process;
            process.start(lp, args);
            if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
                || process.exitCode() != 0)
                throw EQRError(QStringLiteral("印刷できません (%1): %2")
                                   .arg(queue, QString::fromLocal8Bit(process.readAllStandardError()).trimmed()));
        };
        return std::make_unique<PdfJob>(QString(), m_dpi, layoutFor(mode, margins(mode)), title, submit);
    }

private:
    QMarginsF margins(const DeviceMode& mode) const
    {
        QPrinter probe(m_info, QPrinter::HighResolution);
        probe.setPageSize(pageSizeFor(mode));
        return probe.pageLayout().margins(QPageLayout::Millimeter);
    }

    QPrinterInfo m_info;
    int m_dpi = 600;
};

} // namespace

std::optional<QSize> paperCodeSizeTenthsMm(int code)
{
    if (auto size = paperSizeFromCode(code); size && *size != TQRPaperSize::Default && *size != TQRPaperSize::Custom) {
        const PaperSizeInfo& p = paperSizeInfo(*size);
        return QSize(int(std::lround(p.widthMm * 10)), int(std::lround(p.lengthMm * 10)));
    }
    for (const ExtraPaper& p : kExtraPapers) {
        if (p.code == code)
            return QSize(int(std::lround(p.widthMm * 10)), int(std::lround(p.lengthMm * 10)));
    }
    return std::nullopt;
}

std::shared_ptr<PrinterDevice> makePdfPrinter(const PdfPrinterOptions& options)
{
    return std::make_shared<PdfPrinter>(options);
}

PrinterRegistry& PrinterRegistry::global()
{
    static PrinterRegistry registry;
    return registry;
}

void PrinterRegistry::ensureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    m_printers.clear();
    m_default = -1;
    const QString systemDefault = QPrinterInfo::defaultPrinterName();
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters()) {
        if (info.printerName() == systemDefault)
            m_default = int(m_printers.size());
        m_printers.push_back(std::make_shared<CupsPrinter>(info));
    }
    m_printers.push_back(makePdfPrinter());
    if (m_default < 0)
        m_default = m_printers.size() > 1 ? 0 : int(m_printers.size()) - 1;
    m_current = m_default;
}

const std::vector<std::shared_ptr<PrinterDevice>>& PrinterRegistry::printers()
{
    ensureLoaded();
    return m_printers;
}

int PrinterRegistry::defaultIndex()
{
    ensureLoaded();
    return m_default;
}

int PrinterRegistry::currentIndex()
{
    ensureLoaded();
    return m_current;
}

void PrinterRegistry::setCurrentIndex(int index)
{
    ensureLoaded();
    if (index < 0)
        m_current = m_default;
    else if (index < int(m_printers.size()))
        m_current = index;
}

std::shared_ptr<PrinterDevice> PrinterRegistry::printer(int index)
{
    ensureLoaded();
    if (index < 0)
        index = m_default;
    if (index < 0 || index >= int(m_printers.size()))
        return nullptr;
    return m_printers[std::size_t(index)];
}

void PrinterRegistry::setPrinters(std::vector<std::shared_ptr<PrinterDevice>> printers, int defaultIndex)
{
    m_loaded = true;
    m_printers = std::move(printers);
    m_default = m_printers.empty() ? -1 : std::clamp(defaultIndex, 0, int(m_printers.size()) - 1);
    m_current = m_default;
}

void PrinterRegistry::reset()
{
    m_loaded = false;
    ensureLoaded();
}

QString PrinterRegistry::askPdfFileName(const QString& title) const
{
    return m_pdfFileName ? m_pdfFileName(title) : QString();
}
