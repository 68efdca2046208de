#pragma once
// The page inside the preview: white paper with the stored page stretched over it, a one-pixel
// black outline and a two-pixel drop shadow on the right and at the bottom; nothing at all while
// the page is not stored yet. The picture is drawn from the page store once and kept, so
// scrolling and repainting do not play the page again.

#include "reportengine/emf/metafile.h"
#include "reportengine/preview/page_render_cache.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>

class TQRPrinter;

class TQRPreviewImage : public QWidget {
    Q_OBJECT

public:
    explicit TQRPreviewImage(QWidget* parent = nullptr);
    ~TQRPreviewImage() override;

    TQRPrinter* QRPrinter() const;
    void setQRPrinter(TQRPrinter* printer);
    int PageNumber() const { return m_pageNumber; }
    int Zoom() const { return m_zoom; }
    void setZoom(int zoom) { m_zoom = zoom; }
    bool HasPage() const { return m_page.has_value(); }

    // Fetches page n from the printer object's store (none while it is not stored) and repaints.
    void LoadPageImage(int n);

    // Why the page could not be shown, or not whole; told once each time a page is loaded.
    std::function<void(const QString& error)> OnPageError;

    // The image as it paints, at its size: transparent where nothing is painted.
    QImage Picture();
    // Pages played from the store so far (pictures taken from the cache do not count).
    int RenderCount() const { return m_renders; }

    // Pictures up to this many pixels are kept whole; larger ones only around what is visible.
    static constexpr qint64 kWholePixels = 16 * 1024 * 1024;

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QImage render(const QRect& region);
    void fillCache(const QRect& wanted);
    void reportError(const QString& text);

    QPointer<TQRPrinter> m_printer;
    int m_pageNumber = 1;
    int m_zoom = 100;
    std::optional<QRMetafile> m_page;
    quint64 m_store = 0;            // the store the page came from
    QImage m_cache;                 // the picture of m_cacheRect (image coordinates)
    QRect m_cacheRect;
    bool m_cacheDamaged = false;    // the cached picture is of a page that did not play whole
    bool m_errorReported = false;
    int m_renders = 0;
    QRPageRenderCache m_recent{64 * 1024 * 1024};
};
