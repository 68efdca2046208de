#include "reportengine/preview/qrpreviewimage.h"

#include "reportengine/printer/qrprinter.h"

#include <QPaintEvent>
#include <QPainter>

#include <exception>

namespace {

// Room drawn around the visible part of a picture too large to keep whole.
constexpr int kMargin = 512;

} // namespace

TQRPreviewImage::TQRPreviewImage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewImage"));
    resize(100, 50);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

TQRPreviewImage::~TQRPreviewImage() = default;

TQRPrinter* TQRPreviewImage::QRPrinter() const
{
    return m_printer.data();
}

void TQRPreviewImage::setQRPrinter(TQRPrinter* printer)
{
    m_printer = printer;
    m_recent.clear();
}

void TQRPreviewImage::LoadPageImage(int n)
{
    m_pageNumber = n;
    m_page.reset();
    m_cache = QImage();
    m_cacheRect = QRect();
    m_errorReported = false;
    if (m_printer) {
        try {
            m_page = m_printer->GetPage(n);
            m_store = m_printer->StoreSerial();
        } catch (const std::exception& e) {
            reportError(QString::fromUtf8(e.what()));
        }
    }
    update();
}

void TQRPreviewImage::reportError(const QString& text)
{
    if (m_errorReported)
        return;
    m_errorReported = true;
    if (OnPageError)
        OnPageError(text);
}

QImage TQRPreviewImage::render(const QRect& region)
{
    QImage out(region.size(), QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    if (!m_page || region.isEmpty())
        return out;
    ++m_renders;
    const int w = width(), h = height();
    QPainter p(&out);
    p.translate(-region.topLeft());
    // The paper, then the page stretched over the whole image, then outline and shadow over it.
    if (w > 4 && h > 4)
        p.fillRect(QRect(1, 1, w - 4, h - 4), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRPlayResult played = m_page->play(p, QRectF(0, 0, w, h));
    m_cacheDamaged = !played.ok;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, w - 3, h - 3));
    p.fillRect(QRect(w - 2, 2, 2, h - 2), Qt::black);
    p.fillRect(QRect(2, h - 2, w - 2, 2), Qt::black);
    p.end();
    if (!played.ok)
        reportError(QStringLiteral("page %1: %2").arg(m_pageNumber).arg(played.error));
    return out;
}

void TQRPreviewImage::fillCache(const QRect& wanted)
{
    if (qint64(width()) * height() <= kWholePixels) {
        const QRPageRenderCache::Key key{m_store, m_pageNumber, size()};
        if (QImage kept = m_recent.find(key); !kept.isNull()) {
            m_cache = kept;
            m_cacheRect = rect();
            return;
        }
        m_cache = render(rect());
        m_cacheRect = rect();
        // A page that did not play whole is played again next time, so its error shows again.
        if (!m_cacheDamaged)
            m_recent.insert(key, m_cache);
        return;
    }
    const QRect region = visibleRegion().boundingRect().united(wanted).adjusted(-kMargin, -kMargin, kMargin, kMargin) & rect();
    m_cache = render(region);
    m_cacheRect = region;
}

void TQRPreviewImage::paintEvent(QPaintEvent* e)
{
    if (!m_page)
        return;
    const QRect wanted = e->rect() & rect();
    if (wanted.isEmpty())
        return;
    if (m_cache.isNull() || !m_cacheRect.contains(wanted))
        fillCache(wanted);
    QPainter p(this);
    p.drawImage(wanted.topLeft(), m_cache, wanted.translated(-m_cacheRect.topLeft()));
}

void TQRPreviewImage::resizeEvent(QResizeEvent* e)
{
    m_cache = QImage();
    m_cacheRect = QRect();
    QWidget::resizeEvent(e);
}

QImage TQRPreviewImage::Picture()
{
    if (!m_page)
        return render(rect());    // nothing painted: transparent
    if (m_cache.isNull() || m_cacheRect != rect())
        fillCache(rect());
    return m_cacheRect == rect() ? m_cache : render(rect());
}
