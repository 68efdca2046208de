// Units of the report definition, paper-size effects and the band width layout.

#include "report_helpers.h"

#include "reportengine/report/units.h"

#include <gtest/gtest.h>

TEST(Units, MarginReadInEveryUnit)
{
    TQRPage page;
    page.loadValues({100.0L, 2970.0L, 100.0L, 2100.0L, 100.0L, 100.0L, 0.0L});
    page.setUnits(TQRUnit::MM);
    EXPECT_DOUBLE_EQ(double(page.LeftMargin()), 10.0);
    page.setUnits(TQRUnit::Inches);
    EXPECT_DOUBLE_EQ(double(page.LeftMargin()), 100.0 / 254.0);
    page.setUnits(TQRUnit::Native);
    EXPECT_DOUBLE_EQ(double(page.LeftMargin()), 100.0);
    page.setUnits(TQRUnit::Pixels);
    page.setResolution(96);
    page.setZoom(120);
    EXPECT_NEAR(double(page.LeftMargin()), 100.0 / (254.0 / 96) * 1.2, 1e-9);
    page.setValue(TQRPage::iLeftMargin, 46);   // written back through the same unit
    EXPECT_NEAR(double(page.nativeValue(TQRPage::iLeftMargin)), 46 * (254.0 / 96) / 1.2, 1e-9);
}

TEST(Units, CharactersFollowTheFontSizeOnEachAxis)
{
    TQRPrintableSize size;
    size.setFontSize([] { return 10.0L; });
    size.setNativeValue(3, 80.0L / 10 / 2.54L * 10 * 5);     // five characters wide
    size.setNativeValue(0, 145.3L / 10 / 2.54L * 10 * 2);    // two characters high
    size.setUnits(TQRUnit::Characters);
    EXPECT_NEAR(double(size.Width()), 5.0, 1e-9);
    EXPECT_NEAR(double(size.Height()), 2.0, 1e-9);
    size.setPixels();
    EXPECT_EQ(size.Units(), TQRUnit::Pixels);
    size.restoreUnit();
    EXPECT_EQ(size.Units(), TQRUnit::Characters);
}

TEST(Units, PaperSizeWritesWidthAndLengthInTheOrientation)
{
    TQRPage page;
    page.setUnits(TQRUnit::Inches);
    page.setOrientation(TPrinterOrientation::poLandscape);
    page.setPaperSize(TQRPaperSize::A4);
    EXPECT_EQ(page.nativeValue(TQRPage::iWidth), 2970.0L);
    EXPECT_EQ(page.nativeValue(TQRPage::iLength), 2100.0L);
    EXPECT_EQ(page.PaperSize(), TQRPaperSize::A4);
    EXPECT_EQ(page.Units(), TQRUnit::Inches);        // the unit comes back
    page.setOrientation(TPrinterOrientation::poPortrait);
    EXPECT_EQ(page.nativeValue(TQRPage::iWidth), 2100.0L);
    // Default and Custom touch neither dimension; Width is writable only while Custom.
    page.setPaperSize(TQRPaperSize::Default);
    page.setUnits(TQRUnit::Native);
    page.setWidth(1000);
    EXPECT_EQ(page.nativeValue(TQRPage::iWidth), 2100.0L);
    page.setPaperSize(TQRPaperSize::Custom);
    EXPECT_EQ(page.nativeValue(TQRPage::iWidth), 2100.0L);
    page.setWidth(1000);
    EXPECT_EQ(page.nativeValue(TQRPage::iWidth), 1000.0L);
    page.setPaperSize(TQRPaperSize::Note);
    EXPECT_EQ(page.nativeValue(TQRPage::iLength), 2790.0L);
}

TEST(Units, ZoomAndColumnsOutsideTheirRangeAreIgnored)
{
    BandReport r;
    r.report.setZoom(0);
    EXPECT_EQ(r.report.Zoom(), 120);
    r.report.setZoom(301);
    EXPECT_EQ(r.report.Zoom(), 120);
    r.report.setZoom(300);
    EXPECT_EQ(r.report.Zoom(), 300);
    r.report.setZoom(1);
    EXPECT_EQ(r.report.Zoom(), 1);
    r.report.Page.setColumns(0);
    EXPECT_EQ(r.report.Page.Columns(), 1);
    r.report.Page.setColumns(-3);
    EXPECT_EQ(r.report.Page.Columns(), 1);
}

TEST(Units, PageWideBandsAre861PixelsAndStore1898_385)
{
    BandReport r;   // A4, 10 mm margins, zoom 120, 96 dpi offscreen
    ASSERT_EQ(r.report.screenResolution(), 96.0L);
    for (TQRBand* band : {r.header, r.columns, r.detail, r.footer}) {
        EXPECT_NEAR(double(band->Size.nativeValue(1)), 1898.385, 0.0005) << band->objectName().toStdString();
        band->Size.setPixels();
        EXPECT_NEAR(double(band->Size.Width()), 861.0, 1e-9);
        band->Size.restoreUnit();
    }
    // Two columns with 10 mm between them: column bands take (861 - 45) / 2 pixels.
    r.report.Page.setUnits(TQRUnit::Native);
    r.report.Page.setColumnSpace(100);
    r.report.Page.setColumns(2);
    r.detail->Size.setPixels();
    EXPECT_NEAR(double(r.detail->Size.Width()), 408.0, 1e-9);
    r.detail->Size.restoreUnit();
    r.header->Size.setPixels();
    EXPECT_NEAR(double(r.header->Size.Width()), 861.0, 1e-9);
    r.header->Size.restoreUnit();
}
