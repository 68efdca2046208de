#pragma once
// The output end of the report engine: pages go straight to a system printer (Printer) or are
// recorded as EMF pages into the page store (Preview); stored pages can be fetched, saved,
// loaded and printed.

#include "reportengine/printer/printer_settings.h"
#include "reportengine/printer/system_printer.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class EmfRecorder;
class QRMetafile;
class TQRPageList;
class TQRStream;

enum class TQRDestination : std::uint8_t { Preview = 0, Printer = 1 };
enum class TQRPrinterStatus : std::uint8_t { Ready = 0, Busy = 1, Finished = 2 };

// The two messages a printer object posts to its progress window.
constexpr int kQRProgressMessage = 1024;        // parameter: percent
constexpr int kQRPageAvailableMessage = 1025;   // parameter: pages available

class QRMessageEvent : public QEvent {
public:
    static QEvent::Type typeFor(int message) { return QEvent::Type(QEvent::User + message); }
    QRMessageEvent(int message, std::int32_t param) : QEvent(typeFor(message)), m_message(message), m_param(param) {}
    int message() const { return m_message; }
    std::int32_t param() const { return m_param; }
    int lowParam() const { return int(std::uint32_t(m_param) & 0xFFFFu); }

private:
    int m_message;
    std::int32_t m_param;
};

class TQRPrinter : public QObject {
    Q_OBJECT

public:
    explicit TQRPrinter(QObject* parent = nullptr);
    ~TQRPrinter() override;

    using Hook = std::function<void(QObject* sender)>;
    using PrinterHook = std::function<void(TQRPrinter* printer)>;

    // --- settings (forwarded to Settings) ---
    TQRDestination Destination() const { return m_destination; }
    void setDestination(TQRDestination d) { m_destination = d; }
    bool Compression() const;
    void setCompression(bool on);
    QString Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    TQRPaperSize PaperSize() const { return m_settings.PaperSize(); }
    void setPaperSize(TQRPaperSize size) { m_settings.setPaperSize(size); }
    void setPaperWidth(std::int32_t v) { m_settings.setPaperWidth(v); }
    void setPaperLength(std::int32_t v) { m_settings.setPaperLength(v); }
    std::uint8_t Orientation() const { return m_settings.Orientation(); }
    void setOrientation(std::uint8_t o) { m_settings.setOrientation(o); }
    void setCopies(std::int32_t copies) { m_settings.setCopies(copies); }
    void setOutputBin(TQRBin bin) { m_settings.setOutputBin(bin); }
    void setPrinterIndex(std::int32_t index);
    std::int32_t FirstPage() const { return m_firstPage; }
    void setFirstPage(std::int32_t v) { m_firstPage = v; }
    std::int32_t LastPage() const { return m_lastPage; }
    void setLastPage(std::int32_t v) { m_lastPage = v; }
    TPrinterSettings& Settings() { return m_settings; }
    QRSystemPrinter& SystemPrinter() { return m_systemPrinter; }

    // --- the run ---
    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    void Cancel() { m_cancelled = true; }
    void Cleanup();
    QPainter* Canvas() const { return m_canvas; }

    // --- geometry (0.1 mm -> device pixels) ---
    std::int32_t XPos(long double x) const;
    std::int32_t YPos(long double y) const;
    std::int32_t XSize(long double x) const;
    std::int32_t YSize(long double y) const;
    long double XFactor() const { return m_xFactor; }
    long double YFactor() const { return m_yFactor; }
    std::int32_t TopOffset() const { return m_topOffset; }
    std::int32_t LeftOffset() const { return m_leftOffset; }
    std::int32_t PaperWidthValue() const { return m_settings.PaperWidthValue(); }
    std::int32_t PaperLengthValue() const { return m_settings.PaperLengthValue(); }
    // The page as oriented; for a loaded report file, the paper its first page was drawn on.
    std::int32_t PageWidthValue() const;
    std::int32_t PageLengthValue() const;
    // 0.1 mm -> screen pixels, whatever the device factors: the preview's zoom is a share of the
    // page's physical size on the screen, while stored pages keep the printer's resolution.
    std::int32_t ScreenXSize(long double x) const;
    std::int32_t ScreenYSize(long double y) const;

    // --- state ---
    std::int32_t PageCount() const { return m_pageCount; }
    std::int32_t CurrentPage() const { return m_currentPage; }
    TQRPrinterStatus Status() const { return m_status; }
    bool Cancelled() const { return m_cancelled; }
    bool PrinterOK() const { return m_printerOK; }
    std::int32_t AvailablePages() const { return m_availablePages; }
    std::int32_t Progress() const { return m_progress; }
    void setProgress(std::int32_t percent);
    TQRPageList& PageList() { return *m_pageList; }
    // Changes whenever the stored pages are replaced (a new run, a loaded file, a cleanup).
    quint64 StoreSerial() const { return m_storeSerial; }

    // --- stored pages ---
    // Page n of the store, owned by the caller; none when not stored (yet). Throws EQRError for a
    // page the store holds damaged.
    std::optional<QRMetafile> GetPage(std::int32_t n);
    void Load(const QString& fileName);
    void Save(const QString& fileName);
    void Print(QObject* sender);
    void PrintSetup(QObject* sender);
    // The hook's when set; else a TQRExportFilter writes the stored pages once the run is finished.
    void ExportToFilter(QObject* filter);
    // The hook's when set; else a preview window of the application's own, shown modeless.
    void Preview();

    bool ShowingPreview() const { return m_showingPreview; }
    void setShowingPreview(bool showing);
    QObject* ProgressWindow() const { return m_progressWindow.data(); }
    void setProgressWindow(QObject* window) { m_progressWindow = window; }

    // --- hooks ---
    Hook AfterPrint, AfterPreview, OnPrint, OnPrintSetup, OnExportToFilter;
    PrinterHook OnPreview;

private:
    bool PageInRange() const;
    void factorsFromPrinter();
    void factorsFromPreviewDevice();
    void openPageMetafile();
    void storeOpenPage();
    void dropOpenPage();
    void announcePage();
    void post(int message, std::int32_t param);
    void replaceStore();

    QRSystemPrinter m_systemPrinter;
    TPrinterSettings m_settings;
    std::unique_ptr<TQRStream> m_store;
    std::unique_ptr<TQRPageList> m_pageList;
    std::unique_ptr<EmfRecorder> m_pageMetafile;
    std::unique_ptr<QPainter> m_metafileCanvas;
    QPainter* m_canvas = nullptr;
    QPointer<QObject> m_progressWindow;
    QString m_title;
    TQRDestination m_destination = TQRDestination::Preview;
    TQRPrinterStatus m_status = TQRPrinterStatus::Ready;
    std::int32_t m_availablePages = 0;
    std::int32_t m_firstPage = 0, m_lastPage = 0;
    std::int32_t m_leftOffset = 0, m_topOffset = 0;
    std::int32_t m_pageCount = 0, m_currentPage = 0;
    std::int32_t m_progress = 0;
    long double m_xFactor = 1.0L, m_yFactor = 1.0L;
    bool m_cancelled = false;
    bool m_printerOK = false;
    bool m_showingPreview = false;
    bool m_jobBegun = false;       // Printer destination: a job is open on the system printer
    bool m_pageOnSheet = false;    // the open page draws on the printer sheet
    quint64 m_storeSerial = 0;
    QSize m_loadedPage;            // 0.1 mm, as oriented: the loaded file's paper, else empty
};
