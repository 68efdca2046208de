#pragma once
// The preview control: a scrolling view of one page of a printer object at a zoom factor, a
// percentage of the page's physical size on the screen. It hears the printer object's
// page-available and progress messages and shows the first page as soon as it is stored.

#include <QAbstractScrollArea>
#include <QPointer>

#include <cstdint>
#include <functional>

class TQRPrinter;
class TQRPreviewImage;

enum class TQRZoomMode : std::uint8_t { Fit = 0, Width = 1, Custom = 2 };

class TQRPreview : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TQRPreview(QWidget* parent = nullptr);
    ~TQRPreview() override;

    TQRPrinter* QRPrinter() const;
    // Attaches a printer object (none detaches): this control becomes its progress window and its
    // ShowingPreview is set; letting go of one clears both, which cancels a run still going.
    void setQRPrinter(TQRPrinter* printer);

    int PageNumber() const { return m_pageNumber; }
    // Ignored for pages the printer object has not begun, below 1, or without a printer object.
    void setPageNumber(int n);
    int Zoom() const { return m_zoom; }
    // 2..2000 percent; anything else is ignored. Sets the zoom mode to Custom.
    void setZoom(int percent);
    TQRZoomMode ZoomMode() const { return m_zoomMode; }

    void ZoomToFitPage();      // the whole page: 95 % of the control
    void ZoomToPageWidth();    // the page's width: 90 % of the control's width
    // Sizes the image for the zoom and centres it in the control.
    void UpdateZoom();

    std::function<void(QObject* sender, std::int32_t pageNum)> OnPageAvailable;
    std::function<void(QObject* sender, std::int32_t progress)> OnProgressUpdate;
    // A page that could not be shown, or not whole.
    std::function<void(const QString& error)> OnPageError;

    TQRPreviewImage* PreviewImage() const { return m_image; }
    // The image's place in the control before scrolling.
    QPoint ImagePosition() const { return {m_left, m_top}; }

protected:
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;     // the viewport's
    void scrollContentsBy(int dx, int dy) override;

private:
    void ownResize();
    void pageAvailable(int n);
    void updateScrollRanges();
    void placeImage();
    long double pageWidthPixels() const;
    long double pageLengthPixels() const;

    QPointer<TQRPrinter> m_printer;
    TQRPreviewImage* m_image;
    int m_pageNumber = 1;
    int m_zoom = 100;
    TQRZoomMode m_zoomMode = TQRZoomMode::Custom;
    int m_left = 0, m_top = 0;
};
