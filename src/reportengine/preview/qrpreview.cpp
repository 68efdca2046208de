#include "reportengine/preview/qrpreview.h"

#include "reportengine/preview/qrpreviewimage.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/printer/rounding.h"

#include <QScrollBar>

namespace {

// Without a printer object the page is taken to be Letter, in pixels as written.
constexpr long double kLetterWidth = 215.9L, kLetterLength = 279.4L;

} // namespace

TQRPreview::TQRPreview(QWidget* parent) : QAbstractScrollArea(parent), m_image(new TQRPreviewImage(viewport()))
{
    setObjectName(QStringLiteral("QRPreview"));
    resize(250, 250);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setBackgroundRole(QPalette::Mid);
    viewport()->setAutoFillBackground(true);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    m_image->move(0, 0);
    m_image->OnPageError = [this](const QString& error) {
        if (OnPageError)
            OnPageError(error);
    };
}

TQRPreview::~TQRPreview()
{
    setQRPrinter(nullptr);
}

TQRPrinter* TQRPreview::QRPrinter() const
{
    return m_printer.data();
}

void TQRPreview::setQRPrinter(TQRPrinter* printer)
{
    if (m_printer && m_printer->ProgressWindow() == this) {
        m_printer->setShowingPreview(false);
        m_printer->setProgressWindow(nullptr);
    }
    m_printer = printer;
    m_image->setQRPrinter(printer);
    if (printer) {
        printer->setProgressWindow(this);
        printer->setShowingPreview(true);
    }
    setPageNumber(1);
    m_pageNumber = 1;
    m_image->LoadPageImage(1);
    viewport()->update();
}

void TQRPreview::setPageNumber(int n)
{
    if ((n == m_pageNumber && m_image->HasPage()) || n <= 0 || !m_printer || n > m_printer->PageCount())
        return;
    m_image->LoadPageImage(n);
    m_pageNumber = n;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void TQRPreview::setZoom(int percent)
{
    if (percent < 2 || percent > 2000)
        return;
    m_zoomMode = TQRZoomMode::Custom;
    m_zoom = percent;
    UpdateZoom();
}

long double TQRPreview::pageWidthPixels() const
{
    return m_printer ? m_printer->ScreenXSize(m_printer->PageWidthValue()) : kLetterWidth;
}

long double TQRPreview::pageLengthPixels() const
{
    return m_printer ? m_printer->ScreenYSize(m_printer->PageLengthValue()) : kLetterLength;
}

void TQRPreview::UpdateZoom()
{
    int w, h;
    if (m_printer) {
        w = m_printer->ScreenXSize(m_printer->PageWidthValue() / 100.0L * m_zoom) + 4;
        h = m_printer->ScreenYSize(m_printer->PageLengthValue() / 100.0L * m_zoom) + 4;
    } else {
        w = qrRound32(kLetterWidth / 100 * m_zoom) + 4;
        h = qrRound32(kLetterLength / 100 * m_zoom) + 4;
    }
    m_image->resize(std::max(w, 1), std::max(h, 1));
    // Centred in the control as a whole (its frame and scroll bars included).
    m_left = w < width() ? (width() - w) / 2 : 0;
    m_top = h < height() ? (height() - h) / 2 : 0;
    updateScrollRanges();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    placeImage();
    m_image->setZoom(m_zoom);
}

void TQRPreview::ZoomToFitPage()
{
    const long double pw = pageWidthPixels(), pl = pageLengthPixels();
    if (pw > 0 && pl > 0) {
        const int a = qrRound32(width() / pw * 95);
        const int b = qrRound32(height() / pl * 95);
        setZoom(std::min(a, b));
    }
    m_zoomMode = TQRZoomMode::Fit;
}

void TQRPreview::ZoomToPageWidth()
{
    const long double pw = pageWidthPixels();
    if (pw > 0)
        setZoom(m_printer ? qrRound32(width() / pw * 90) : qrRound32(width() / kLetterWidth * 95));
    UpdateZoom();
    m_zoomMode = TQRZoomMode::Width;
}

void TQRPreview::ownResize()
{
    switch (m_zoomMode) {
    case TQRZoomMode::Fit: ZoomToFitPage(); break;
    case TQRZoomMode::Width: ZoomToPageWidth(); break;
    case TQRZoomMode::Custom: break;
    }
    UpdateZoom();
}

void TQRPreview::pageAvailable(int n)
{
    // The page being waited for has arrived: show it, fitted to the width.
    if (m_printer && n == m_pageNumber && !m_image->HasPage() && m_image->PageNumber() <= m_printer->AvailablePages()) {
        ZoomToPageWidth();
        m_image->LoadPageImage(m_image->PageNumber());
    }
    if (OnPageAvailable)
        OnPageAvailable(this, n);
}

bool TQRPreview::event(QEvent* e)
{
    if (e->type() == QRMessageEvent::typeFor(kQRPageAvailableMessage)) {
        pageAvailable(static_cast<QRMessageEvent*>(e)->lowParam());
        return true;
    }
    if (e->type() == QRMessageEvent::typeFor(kQRProgressMessage)) {
        if (OnProgressUpdate)
            OnProgressUpdate(this, static_cast<QRMessageEvent*>(e)->lowParam());
        return true;
    }
    const bool resized = e->type() == QEvent::Resize;
    const bool handled = QAbstractScrollArea::event(e);
    if (resized)
        ownResize();
    return handled;
}

void TQRPreview::resizeEvent(QResizeEvent*)
{
    updateScrollRanges();
}

void TQRPreview::scrollContentsBy(int, int)
{
    placeImage();
}

void TQRPreview::updateScrollRanges()
{
    const QSize view = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, m_left + m_image->width() - view.width()));
    h->setPageStep(std::max(1, view.width()));
    h->setSingleStep(16);
    v->setRange(0, std::max(0, m_top + m_image->height() - view.height()));
    v->setPageStep(std::max(1, view.height()));
    v->setSingleStep(16);
    placeImage();
}

void TQRPreview::placeImage()
{
    m_image->move(m_left - horizontalScrollBar()->value(), m_top - verticalScrollBar()->value());
}
