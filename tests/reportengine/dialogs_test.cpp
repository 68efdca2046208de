// The print-range dialog and the progress window.

#include "report_helpers.h"

#include "reportengine/controls/label.h"
#include "reportengine/progress/qrgauge.h"
#include "reportengine/progress/qrprogressform.h"
#include "reportengine/report/print_range_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

// Answers the next dialog in place of the user, then restores the real one.
class DialogAnswer {
public:
    explicit DialogAnswer(std::function<int(TQRPrintRangeDialog&)> answer)
    {
        TQRReport::execDialog = [answer](QDialog& d) {
            auto* range = qobject_cast<TQRPrintRangeDialog*>(&d);
            return range ? answer(*range) : int(QDialog::Rejected);
        };
    }
    ~DialogAnswer()
    {
        TQRReport::execDialog = [](QDialog& d) { return d.exec(); };
    }
};

} // namespace

TEST(PrintRangeDialog, ConfirmedPagesCopiesPrinterAndOrientationGoToTheReport)
{
    auto letter = pdfTo(QString(), 1);
    PrinterScope scope({makePdfPrinter(), letter});
    BandReport r(3);
    TQRReport::PreviewPageCount = 5;
    int limitFrom = 0, limitTo = 0;
    {
        DialogAnswer answer([&](TQRPrintRangeDialog& d) {
            limitFrom = d.edtFrom->minimum();
            limitTo = d.edtTo->maximum();
            EXPECT_TRUE(d.allPages());            // preset to the whole range
            EXPECT_EQ(d.copies(), 1);
            d.setRange(2, 3);
            d.setCopies(2);
            d.setPrinterIndex(1);
            d.setOrientation(TPrinterOrientation::poLandscape);
            return int(QDialog::Accepted);
        });
        r.report.PrintSetup();
    }
    TQRReport::PreviewPageCount = -1;
    EXPECT_EQ(limitFrom, 1);
    EXPECT_EQ(limitTo, 5);
    EXPECT_EQ(r.report.PrinterSettings.FirstPage, 2);
    EXPECT_EQ(r.report.PrinterSettings.LastPage, 3);
    EXPECT_EQ(r.report.PrinterSettings.Copies, 2);
    EXPECT_EQ(r.report.PrinterSettings.PrinterIndex, 1);
    EXPECT_EQ(r.report.Page.Orientation(), TPrinterOrientation::poLandscape);
    EXPECT_EQ(r.report.Page.nativeValue(TQRPage::iWidth), 2970.0L);
    // "All" clears the range; Cancel changes nothing.
    {
        DialogAnswer answer([](TQRPrintRangeDialog& d) {
            d.setAllPages();
            return int(QDialog::Accepted);
        });
        r.report.PrintSetup();
    }
    EXPECT_EQ(r.report.PrinterSettings.FirstPage, 0);
    EXPECT_EQ(r.report.PrinterSettings.LastPage, 0);
    {
        DialogAnswer answer([](TQRPrintRangeDialog& d) {
            d.setRange(4, 4);
            d.setCopies(9);
            return int(QDialog::Rejected);
        });
        r.report.PrintSetup();
    }
    EXPECT_EQ(r.report.PrinterSettings.Copies, 2);
    EXPECT_EQ(r.report.PrinterSettings.FirstPage, 0);
    PrinterRegistry::global().setCurrentIndex(-1);
}

TEST(PrintRangeDialog, WithoutPrintersItIsNotShown)
{
    PrinterScope scope({});
    BandReport r(1);
    bool shown = false;
    DialogAnswer answer([&shown](TQRPrintRangeDialog&) {
        shown = true;
        return int(QDialog::Accepted);
    });
    r.report.PrintSetup();
    EXPECT_FALSE(shown);
}

TEST(ProgressForm, ShowsEveryFifthPercentAndCancels)
{
    PrinterScope scope({pdfTo(QString())});
    TQRPrinter printer;
    TQRProgressForm form(&printer);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("印刷中"));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.CancelButton->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    printer.setProgressWindow(&form);
    printer.setProgress(10);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.Gauge->value(), 10);
    EXPECT_EQ(form.Info->text(), QStringLiteral("10% 完了"));
    printer.setProgress(7);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.Gauge->value(), 10);
    EXPECT_EQ(form.Info->text(), QStringLiteral("10% 完了"));
    printer.setProgress(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.Info->text(), QStringLiteral("0% 完了"));
    EXPECT_FALSE(printer.Cancelled());
    form.CancelButton->click();
    EXPECT_TRUE(printer.Cancelled());
}

TEST(Stretch, AStretchingLabelGrowsItsBandAndBreaksThePage)
{
    PrinterScope scope({pdfTo(QString())});
    BandReport r(1);
    auto* label = new TQRLabel(r.detail);
    label->setParentReport(&r.report);
    label->setAutoSize(false);
    label->AutoStretch = true;
    label->setBounds(0, 0, 200, 33.073L);
    // Forty words of which one fits a line: forty lines of 31.75 tenths.
    QStringList words;
    for (int i = 0; i < 100; ++i)
        words << QStringLiteral("word%1").arg(i, 3, 10, QLatin1Char('0'));
    label->setCaption(words.join(QLatin1Char(' ')));
    ASSERT_GT(label->FormattedLines().size(), 80);
    std::vector<int> afterY;
    r.detail->AfterPrint = [&](TQRCustomBand*, bool) { afterY.push_back(r.report.CurrentY); };
    r.report.Prepare();
    EXPECT_GT(label->linesPrinted(), 1) << label->FormattedLines().size();
    EXPECT_GE(r.report.PageCount, 2);             // the band went on over a page break
    ASSERT_EQ(afterY.size(), 1u);
    EXPECT_GT(afterY[0], 340 + 53);               // and ended lower than one row
    EXPECT_NEAR(double(r.detail->Size.nativeValue(0)), 52.917, 1e-9);   // its height comes back
}
