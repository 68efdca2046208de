// The preview control's zoom arithmetic: a percentage of the page's physical size on a 96-dpi
// screen, fit and width computed from the control's outer size, centring, the 2..2000 range.

#include "preview_helpers.h"

#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A finished printer object holding pages of an A4 portrait report (600 dpi "PDF file" printer).
struct StoredPages {
    PrinterScope scope{{pdfTo(QString())}};
    TQRPrinter printer;
    explicit StoredPages(int pages = 2)
    {
        printer.BeginDoc();
        for (int i = 1; i <= pages; ++i) {
            printer.NewPage();
            printer.Canvas()->drawText(QPointF(printer.XPos(200), printer.YPos(200)), QStringLiteral("page %1").arg(i));
        }
        printer.EndDoc();
    }
};

struct ShownPreview {
    TQRPreview preview;
    ShownPreview(TQRPrinter* printer, QSize size)
    {
        preview.resize(size);
        preview.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&preview));
        preview.setQRPrinter(printer);
    }
};

QSize imageSize(const TQRPreview& p)
{
    return p.PreviewImage()->size();
}

} // namespace

TEST(PreviewZoom, HundredPercentIsThePhysicalPageOnTheScreenCentredInTheControl)
{
    StoredPages pages;
    ShownPreview shown(&pages.printer, QSize(1000, 800));
    TQRPreview& p = shown.preview;
    p.setZoom(100);
    EXPECT_EQ(p.ZoomMode(), TQRZoomMode::Custom);
    // 794 x 1123 for the page and 4 for outline and shadow, whatever the printer's resolution.
    EXPECT_EQ(imageSize(p), QSize(kA4WidthAt96 + 4, kA4LengthAt96 + 4));
    EXPECT_EQ(imageSize(p), QSize(798, 1127));
    // Centred across the control's outer width (1000 - 798) / 2; taller than it: at the top.
    EXPECT_EQ(p.ImagePosition(), QPoint(101, 0));
    EXPECT_EQ(p.PreviewImage()->pos(), QPoint(101, 0));
    EXPECT_EQ(p.verticalScrollBar()->value(), 0);
    EXPECT_GT(p.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(p.PreviewImage()->Zoom(), 100);
}

TEST(PreviewZoom, FitAndWidthUseTheControlsOuterSize)
{
    StoredPages pages;
    ShownPreview shown(&pages.printer, QSize(1000, 800));
    TQRPreview& p = shown.preview;
    ASSERT_LT(p.viewport()->width(), 1000);   // frame (and maybe scroll bars) make the inside smaller

    // Fit: min(round(1000 / 794 * 95), round(800 / 1123 * 95)) = min(120, 68).
    p.ZoomToFitPage();
    EXPECT_EQ(p.Zoom(), 68);
    EXPECT_EQ(p.ZoomMode(), TQRZoomMode::Fit);
    // round(2100 * 0.68 * 96 / 254) = 540 and round(2970 * 0.68 * 96 / 254) = 763, plus 4 each;
    // centred both ways.
    EXPECT_EQ(imageSize(p), QSize(544, 767));
    EXPECT_EQ(p.ImagePosition(), QPoint((1000 - 544) / 2, (800 - 767) / 2));

    // Width: round(1000 / 794 * 90) = 113; round(2100 * 1.13 * 96 / 254) = 897.
    p.ZoomToPageWidth();
    EXPECT_EQ(p.Zoom(), 113);
    EXPECT_EQ(p.ZoomMode(), TQRZoomMode::Width);
    EXPECT_EQ(imageSize(p).width(), 901);
    EXPECT_EQ(p.ImagePosition().x(), (1000 - 901) / 2);

    // Where the inside would round otherwise: 800 wide, round(800 / 794 * 90) = 91 (the inner
    // 796 pixels would give 90); round(2100 * 0.91 * 96 / 254) = 722.
    p.resize(800, 800);
    p.ZoomToPageWidth();
    EXPECT_EQ(p.Zoom(), 91);
    EXPECT_EQ(imageSize(p).width(), 726);
    // A narrow control, where the width decides the fit: round(500 / 794 * 95) = 60 (59 from the
    // inner 496), below round(1000 / 1123 * 95) = 85.
    p.resize(500, 1000);
    p.ZoomToFitPage();
    EXPECT_EQ(p.Zoom(), 60);
}

TEST(PreviewZoom, ZoomsOutside2To2000AreIgnored)
{
    StoredPages pages;
    ShownPreview shown(&pages.printer, QSize(600, 400));
    TQRPreview& p = shown.preview;
    p.setZoom(50);
    for (int bad : {1, 0, -5, 2001, 100000}) {
        p.setZoom(bad);
        EXPECT_EQ(p.Zoom(), 50) << bad;
    }
    p.setZoom(2);
    EXPECT_EQ(p.Zoom(), 2);
    EXPECT_EQ(imageSize(p), QSize(16 + 4, 22 + 4));   // round(15.87) and round(22.45)
    p.setZoom(2000);
    EXPECT_EQ(p.Zoom(), 2000);
    EXPECT_EQ(imageSize(p), QSize(15874 + 4, 22450 + 4));
    // A fit below 2 % keeps the zoom, and still is the fit mode.
    p.resize(12, 12);
    ASSERT_LE(p.width(), 16);
    p.ZoomToFitPage();
    EXPECT_EQ(p.Zoom(), 2000);
    EXPECT_EQ(p.ZoomMode(), TQRZoomMode::Fit);
}

TEST(PreviewZoom, FitRefitsOnShrinkCustomKeepsItsZoomAndCentresAgain)
{
    StoredPages pages;
    ShownPreview shown(&pages.printer, QSize(1000, 800));
    TQRPreview& p = shown.preview;
    p.ZoomToFitPage();
    ASSERT_EQ(p.Zoom(), 68);
    p.resize(600, 500);
    // min(round(600 / 794 * 95), round(500 / 1123 * 95)) = min(72, 42)
    EXPECT_EQ(p.Zoom(), 42);
    EXPECT_EQ(p.ZoomMode(), TQRZoomMode::Fit);

    p.ZoomToPageWidth();
    p.resize(700, 500);
    EXPECT_EQ(p.Zoom(), 79);   // round(700 / 794 * 90)
    EXPECT_EQ(p.ZoomMode(), TQRZoomMode::Width);

    p.setZoom(30);
    const QSize at30 = imageSize(p);
    p.resize(900, 900);
    EXPECT_EQ(p.Zoom(), 30);
    EXPECT_EQ(p.ZoomMode(), TQRZoomMode::Custom);
    EXPECT_EQ(imageSize(p), at30);
    EXPECT_EQ(p.ImagePosition(), QPoint((900 - at30.width()) / 2, (900 - at30.height()) / 2));
    p.resize(400, 300);
    EXPECT_EQ(p.ImagePosition(), QPoint((400 - at30.width()) / 2, 0));
}

TEST(PreviewZoom, WithoutAPrinterObjectTheLetterFiguresStandIn)
{
    TQRPreview p;
    p.resize(500, 400);
    p.show();
    p.setZoom(100);
    EXPECT_EQ(imageSize(p), QSize(216 + 4, 279 + 4));   // round(215.9), round(279.4)
    p.ZoomToPageWidth();
    EXPECT_EQ(p.Zoom(), 220);                             // round(500 / 215.9 * 95)
    p.ZoomToFitPage();
    EXPECT_EQ(p.Zoom(), 136);                             // min(round(220.0), round(136.0))
    // Paging needs a printer object.
    p.setPageNumber(2);
    EXPECT_EQ(p.PageNumber(), 1);
}

TEST(PreviewZoom, PagingStaysInsideTheBegunPagesAndGoesBackToTheTop)
{
    StoredPages pages(3);
    ShownPreview shown(&pages.printer, QSize(600, 400));
    TQRPreview& p = shown.preview;
    p.setZoom(100);
    p.verticalScrollBar()->setValue(200);
    p.setPageNumber(3);
    EXPECT_EQ(p.PageNumber(), 3);
    EXPECT_EQ(p.PreviewImage()->PageNumber(), 3);
    EXPECT_EQ(p.verticalScrollBar()->value(), 0);
    for (int bad : {4, 0, -1}) {
        p.setPageNumber(bad);
        EXPECT_EQ(p.PageNumber(), 3) << bad;
    }
    p.setPageNumber(1);
    EXPECT_EQ(p.PageNumber(), 1);
    EXPECT_TRUE(p.PreviewImage()->HasPage());
}

TEST(PreviewZoom, ScrollingMovesThePictureWithoutPlayingThePageAgain)
{
    StoredPages pages;
    ShownPreview shown(&pages.printer, QSize(600, 400));
    TQRPreview& p = shown.preview;
    p.setZoom(150);
    TQRPreviewImage* image = p.PreviewImage();
    image->repaint();
    const int renders = image->RenderCount();
    ASSERT_EQ(renders, 1);
    for (int y : {100, 300, 700, 0}) {
        p.verticalScrollBar()->setValue(y);
        p.horizontalScrollBar()->setValue(y / 2);
        EXPECT_EQ(image->pos(), QPoint(p.ImagePosition().x() - p.horizontalScrollBar()->value(), -y));
        image->repaint();
    }
    EXPECT_EQ(image->RenderCount(), renders);
    // Back to a page seen at this size: its picture is kept.
    p.setPageNumber(2);
    image->repaint();
    p.setPageNumber(1);
    image->repaint();
    EXPECT_EQ(image->RenderCount(), renders + 1);
    // Another size is another picture.
    p.setZoom(80);
    image->repaint();
    EXPECT_EQ(image->RenderCount(), renders + 2);
}

TEST(PreviewZoom, APictureTooLargeToKeepWholeIsDrawnAroundWhatIsVisible)
{
    StoredPages pages;
    ShownPreview shown(&pages.printer, QSize(600, 400));
    TQRPreview& p = shown.preview;
    p.setZoom(1500);   // about 11900 x 16800 pixels: far more than is kept whole
    TQRPreviewImage* image = p.PreviewImage();
    ASSERT_GT(qint64(image->width()) * image->height(), TQRPreviewImage::kWholePixels);
    image->repaint();
    EXPECT_EQ(image->RenderCount(), 1);
    p.verticalScrollBar()->setValue(100);   // still inside what was drawn around the view
    image->repaint();
    EXPECT_EQ(image->RenderCount(), 1);
    p.verticalScrollBar()->setValue(8000);
    image->repaint();
    EXPECT_EQ(image->RenderCount(), 2);
}
