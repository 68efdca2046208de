#include "reportengine/printer/qrprinter.h"

#include "reportengine/emf/emf_recorder.h"
#include "reportengine/emf/metafile.h"
#include "reportengine/export/qrexportfilter.h"
#include "reportengine/preview/qrstandardpreview.h"
#include "reportengine/printer/rounding.h"
#include "reportengine/qrerror.h"
#include "reportengine/report/units.h"
#include "reportengine/store/qrpagelist.h"
#include "reportengine/store/qrstream.h"

#include <QCoreApplication>
#include <QPainter>

namespace {

quint64 nextStoreSerial()
{
    static quint64 serial = 0;
    return ++serial;
}

// A loaded page's frame (0.01 mm) as paper in 0.1 mm; empty when it cannot be paper.
QSize paperOfFrame(const QRect& frame)
{
    const long double w = ((long double)frame.right() - frame.left()) / 10, h = ((long double)frame.bottom() - frame.top()) / 10;
    if (!(w >= 100 && h >= 100 && w <= 100000 && h <= 100000))
        return {};
    return QSize(qrRound32(w), qrRound32(h));
}

} // namespace

TQRPrinter::TQRPrinter(QObject* parent) : QObject(parent), m_pageList(std::make_unique<TQRPageList>())
{
    m_printerOK = !PrinterRegistry::global().printers().empty();
    if (m_printerOK) {
        m_settings.setPrinter(&m_systemPrinter);
        m_systemPrinter.followApplicationPrinter();
    }
    m_topOffset = m_settings.TopOffset();
    m_leftOffset = m_settings.LeftOffset();
}

TQRPrinter::~TQRPrinter()
{
    // A job still open here was cancelled (a finished or failed run ends its job): it is
    // aborted, so a cancelled print leaves neither sheets nor a file.
    if (m_jobBegun) {
        m_canvas = nullptr;
        m_systemPrinter.abort();
        m_jobBegun = false;
    }
    try {
        if (m_status != TQRPrinterStatus::Ready)
            Cleanup();
    } catch (...) {
        // Nothing may leave a destructor.
    }
}

bool TQRPrinter::Compression() const
{
    return m_pageList->Compression();
}

void TQRPrinter::setCompression(bool on)
{
    m_pageList->SetCompression(on);
}

void TQRPrinter::setPrinterIndex(std::int32_t index)
{
    if (!m_printerOK)
        return;
    m_systemPrinter.setPrinterIndex(index);
    m_settings.ReadFromDevice();
}

std::int32_t TQRPrinter::XPos(long double x) const
{
    return qrRound32((x - m_leftOffset) * m_xFactor);
}

std::int32_t TQRPrinter::YPos(long double y) const
{
    return qrRound32((y - m_topOffset) * m_yFactor);
}

std::int32_t TQRPrinter::XSize(long double x) const
{
    return qrRound32(x * m_xFactor);
}

std::int32_t TQRPrinter::YSize(long double y) const
{
    return qrRound32(y * m_yFactor);
}

std::int32_t TQRPrinter::PageWidthValue() const
{
    if (!m_loadedPage.isEmpty())
        return m_loadedPage.width();
    return m_settings.Orientation() == 1 ? PaperLengthValue() : PaperWidthValue();
}

std::int32_t TQRPrinter::PageLengthValue() const
{
    if (!m_loadedPage.isEmpty())
        return m_loadedPage.height();
    return m_settings.Orientation() == 1 ? PaperWidthValue() : PaperLengthValue();
}

std::int32_t TQRPrinter::ScreenXSize(long double x) const
{
    return qrRound32(x * screenPixelsPerInch() / 254.0L);
}

std::int32_t TQRPrinter::ScreenYSize(long double y) const
{
    return qrRound32(y * screenPixelsPerInch() / 254.0L);
}

void TQRPrinter::replaceStore()
{
    m_storeSerial = nextStoreSerial();
    m_loadedPage = QSize();
}

void TQRPrinter::factorsFromPrinter()
{
    const int x = m_settings.PixelsPerX() > 0 ? m_settings.PixelsPerX() : screenPixelsPerInch();
    const int y = m_settings.PixelsPerY() > 0 ? m_settings.PixelsPerY() : screenPixelsPerInch();
    m_xFactor = x / 254.0L;
    m_yFactor = y / 254.0L;
}

// Recorded pages take the printer's resolution as their reference device, so a stored page and
// a printed page of the same run are the same drawing.
void TQRPrinter::factorsFromPreviewDevice()
{
    factorsFromPrinter();
}

bool TQRPrinter::PageInRange() const
{
    return (m_firstPage <= 0 || m_pageCount >= m_firstPage) && (m_lastPage <= 0 || m_pageCount <= m_lastPage);
}

void TQRPrinter::post(int message, std::int32_t param)
{
    if (m_progressWindow)
        QCoreApplication::postEvent(m_progressWindow, new QRMessageEvent(message, param));
}

void TQRPrinter::announcePage()
{
    ++m_availablePages;
    post(kQRPageAvailableMessage, m_availablePages);
}

void TQRPrinter::setProgress(std::int32_t percent)
{
    m_progress = percent;
    post(kQRProgressMessage, percent);
}

void TQRPrinter::BeginDoc()
{
    m_availablePages = 0;
    m_cancelled = false;
    const bool toPrinter = m_destination == TQRDestination::Printer;
    m_topOffset = toPrinter ? m_settings.TopOffset() : 0;
    m_leftOffset = toPrinter ? m_settings.LeftOffset() : 0;
    if (toPrinter)
        m_settings.ApplyToDevice();
    if (m_status != TQRPrinterStatus::Ready)
        throw EQRError(QStringLiteral("QRPrinter の準備ができていません"));
    m_currentPage = 0;
    m_pageCount = 0;
    m_status = TQRPrinterStatus::Busy;
    if (toPrinter) {
        factorsFromPrinter();
    } else {
        m_store = std::make_unique<TQRStream>(kQRMemoryLimit);
        m_pageList->Clear();
        m_pageList->SetStream(m_store.get());
        replaceStore();
        factorsFromPreviewDevice();
    }
}

void TQRPrinter::openPageMetafile()
{
    const QSize size(std::max(1, XSize(PageWidthValue())), std::max(1, YSize(PageLengthValue())));
    m_pageMetafile = std::make_unique<EmfRecorder>(size, qrRound32(m_xFactor * 254), qrRound32(m_yFactor * 254));
    m_metafileCanvas = std::make_unique<QPainter>();
    if (!m_metafileCanvas->begin(m_pageMetafile.get()))
        throw EQRError(QStringLiteral("ページを記録できません"));
    m_canvas = m_metafileCanvas.get();
}

void TQRPrinter::storeOpenPage()
{
    m_canvas = nullptr;
    m_metafileCanvas->end();
    m_metafileCanvas.reset();
    const QRMetafile page = m_pageMetafile->finish();
    m_pageMetafile.reset();
    m_pageList->AddPage(page);
}

void TQRPrinter::dropOpenPage()
{
    m_canvas = nullptr;
    if (m_metafileCanvas)
        m_metafileCanvas->end();
    m_metafileCanvas.reset();
    m_pageMetafile.reset();
}

void TQRPrinter::NewPage()
{
    if (m_status != TQRPrinterStatus::Busy)
        throw EQRError(QStringLiteral("間違った NewPage の呼び出し"));
    if (m_currentPage > 0) {
        if (m_destination == TQRDestination::Preview)
            storeOpenPage();
        else if (!m_pageOnSheet)
            dropOpenPage();
        announcePage();
    }
    ++m_pageCount;
    ++m_currentPage;
    if (m_destination == TQRDestination::Preview) {
        openPageMetafile();
        return;
    }
    m_canvas = nullptr;
    m_pageOnSheet = false;
    if (PageInRange() && !m_cancelled) {
        factorsFromPrinter();
        if (!m_jobBegun) {
            // The printer may ask first (the PDF printer asks for a file name); declining
            // cancels the run.
            if (m_systemPrinter.beginDoc(m_title))
                m_jobBegun = true;
            else
                Cancel();
        } else {
            m_systemPrinter.newPage();
        }
        if (m_jobBegun) {
            m_canvas = m_systemPrinter.canvas();
            m_pageOnSheet = true;
            return;
        }
    }
    // Outside the range (or declined): drawn on scratch and dropped.
    factorsFromPreviewDevice();
    openPageMetafile();
}

void TQRPrinter::EndDoc()
{
    if (m_destination == TQRDestination::Preview) {
        if (m_pageCount > 0 && m_metafileCanvas)
            storeOpenPage();
    } else {
        dropOpenPage();
        m_canvas = nullptr;
        if (m_jobBegun) {
            m_jobBegun = false;
            m_systemPrinter.endDoc();
        }
    }
    announcePage();
    m_status = TQRPrinterStatus::Finished;
    if (m_destination == TQRDestination::Preview) {
        if (m_store)
            m_pageList->WriteHeader();
    } else if (AfterPrint) {
        AfterPrint(this);
    }
}

void TQRPrinter::Abort()
{
    if (m_destination == TQRDestination::Printer) {
        dropOpenPage();
        m_canvas = nullptr;
        if (m_jobBegun) {
            m_jobBegun = false;
            m_systemPrinter.abort();
        }
    } else if (m_pageCount > 0) {
        dropOpenPage();
    }
    m_status = TQRPrinterStatus::Finished;
}

void TQRPrinter::Cleanup()
{
    if (m_status == TQRPrinterStatus::Busy)
        Cancel();
    dropOpenPage();
    m_pageList->SetStream(nullptr);
    m_store.reset();
    m_pageList->Clear();
    replaceStore();
    m_status = TQRPrinterStatus::Ready;
}

std::optional<QRMetafile> TQRPrinter::GetPage(std::int32_t n)
{
    if (m_status == TQRPrinterStatus::Ready || n < 1 || n > m_pageCount || n > m_pageList->PageCount())
        return std::nullopt;
    return m_pageList->GetPage(n);
}

void TQRPrinter::Load(const QString& fileName)
{
    // The file is opened first: one that is no report file leaves the pages (and a run) as they were.
    auto list = std::make_unique<TQRPageList>();
    list->LoadFromFile(fileName);
    if (m_status != TQRPrinterStatus::Ready)
        Cleanup();
    m_pageList = std::move(list);
    m_store = m_pageList->TakeStream();
    m_pageCount = m_pageList->PageCount();
    m_status = TQRPrinterStatus::Finished;
    replaceStore();
    try {
        if (const std::optional<QRMetafile> first = m_pageList->GetPage(1))
            m_loadedPage = paperOfFrame(first->frame());
    } catch (const EQRError&) {
        // A damaged first page says nothing of the paper; the page itself reports when shown.
    }
    OnPrint = nullptr;
    OnPrintSetup = nullptr;
    OnExportToFilter = nullptr;
}

void TQRPrinter::Save(const QString& fileName)
{
    if (m_status == TQRPrinterStatus::Finished)
        m_pageList->SaveToFile(fileName);
}

void TQRPrinter::Print(QObject* sender)
{
    if (OnPrint) {
        OnPrint(sender);
        return;
    }
    if (m_status != TQRPrinterStatus::Finished || !m_printerOK)
        return;
    m_cancelled = false;
    if (m_systemPrinter.printing())
        m_systemPrinter.abort();
    if (!m_systemPrinter.beginDoc(m_title))
        return;
    const QSize printable = m_systemPrinter.device()->printableSize(m_systemPrinter.deviceMode());
    try {
        for (std::int32_t i = 1; i <= m_pageCount; ++i) {
            QCoreApplication::processEvents();
            if (std::optional<QRMetafile> page = GetPage(i)) {
                const QRPlayResult played = page->play(*m_systemPrinter.canvas(), QRectF(QPointF(0, 0), QSizeF(printable)));
                if (!played.ok)
                    throw EQRError(played.error);
            }
            if (m_cancelled) {
                m_systemPrinter.abort();
                return;
            }
            if (i < m_pageCount)
                m_systemPrinter.newPage();
        }
    } catch (...) {
        // The sheets already drawn still print, as a failed run's do.
        m_systemPrinter.endDoc();
        throw;
    }
    m_systemPrinter.endDoc();
}

void TQRPrinter::PrintSetup(QObject* sender)
{
    if (OnPrintSetup)
        OnPrintSetup(sender);
}

void TQRPrinter::ExportToFilter(QObject* filter)
{
    if (OnExportToFilter) {
        OnExportToFilter(filter);
        return;
    }
    if (auto* exporter = qobject_cast<TQRExportFilter*>(filter); exporter && m_status == TQRPrinterStatus::Finished)
        exporter->ExportPages(*this);
}

void TQRPrinter::Preview()
{
    if (OnPreview) {
        OnPreview(this);
        return;
    }
    auto* window = new TQRStandardPreview(nullptr, this);
    window->show();
}

void TQRPrinter::setShowingPreview(bool showing)
{
    const bool closing = m_showingPreview && !showing;
    if (closing && m_status == TQRPrinterStatus::Busy)
        Cancel();
    m_showingPreview = showing;
    if (closing && AfterPreview)
        AfterPreview(this);
}
