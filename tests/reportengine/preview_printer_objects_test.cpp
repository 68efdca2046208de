// Each preview owns its printer object: with a preview open, printing from the main window,
// printing and setting up from the preview, and a second preview from the main window, closed
// in either order, never mix up pages, never crash, and leave no temporary file behind.

#include "preview_helpers.h"

#include "reportengine/report/print_range_dialog.h"

#include <QDialog>

#include <gtest/gtest.h>

namespace {

struct Scenario {
    QTemporaryDir out;
    QString pdf = out.filePath(QStringLiteral("printed.pdf"));
    PrinterScope scope{{pdfTo(pdf)}};
    ScriptedPreview dialogs;
    TempDirScope tmp;
    BandReport r{120};   // three pages; heavy ones, so every store spills to a temporary file
    int setupLimit = -1;

    Scenario()
    {
        heavyPages(r);
        TQRReport::execDialog = [this](QDialog& d) {
            if (auto* range = qobject_cast<TQRPrintRangeDialog*>(&d))
                setupLimit = range->edtTo->maximum();
            return int(QDialog::Accepted);
        };
    }
    ~Scenario() { TQRReport::execDialog = [](QDialog& d) { return d.exec(); }; }
};

bool showsPage(TQRStandardPreview* w, int page)
{
    w->QRPreview->setPageNumber(page);
    return w->QRPreview->PageNumber() == page && w->QRPreview->PreviewImage()->HasPage() && !blank(shownPicture(*w));
}

} // namespace

TEST(PreviewPrinterObjects, FirstPreviewClosedFirst)
{
    Scenario s;
    bool spilled = false, mainPrintKeptPreviewObject = false, ownPages = false, bStillWorks = false;
    int mainPdfPages = 0, previewPdfPages = 0, aPages = 0, bPages = 0;
    TQRPrinter* aPrinter = nullptr;
    previewThen(s.r.report, [&](TQRStandardPreview& a) {
        aPrinter = a.QRPrinter();
        spilled = !spillFiles(s.tmp.path()).isEmpty();
        // The main window prints while the preview is open.
        s.r.report.Print();
        mainPdfPages = pdfPages(s.pdf);
        mainPrintKeptPreviewObject = s.r.report.PrinterObject() == aPrinter;
        QFile::remove(s.pdf);
        // The preview's own commands.
        a.PrintSetup->click();
        a.Print->click();
        previewPdfPages = pdfPages(s.pdf);
        // A second preview from the main window, of a shorter table.
        s.r.rows = 50;
        QPointer<TQRStandardPreview> first(&a);
        when([&] { return finished(otherPreview(first)); }, [&] {
            TQRStandardPreview* b = otherPreview(first);
            aPages = first->QRPrinter()->PageCount();
            bPages = b->QRPrinter()->PageCount();
            ownPages = first->QRPrinter() == aPrinter && b->QRPrinter() != aPrinter && showsPage(first, 3);
            first->close();
            flushClosedWindows();
            bStillWorks = showsPage(b, 2) && b->QRPrinter()->PageCount() == 2;
            b->close();
        });
        s.r.report.Preview();
    });
    EXPECT_TRUE(spilled);
    EXPECT_EQ(mainPdfPages, 3);
    EXPECT_TRUE(mainPrintKeptPreviewObject);
    EXPECT_EQ(s.setupLimit, 3);
    EXPECT_EQ(previewPdfPages, 3);
    EXPECT_EQ(aPages, 3);
    EXPECT_EQ(bPages, 2);
    EXPECT_TRUE(ownPages);
    EXPECT_TRUE(bStillWorks);
    EXPECT_TRUE(openPreviews().empty());
    EXPECT_TRUE(spillFiles(s.tmp.path()).isEmpty());
    EXPECT_TRUE(s.r.report.Available);
    EXPECT_EQ(s.r.report.PrinterObject(), nullptr);
    EXPECT_EQ(TQRReport::PreviewPageCount, -1);
    EXPECT_TRUE(s.dialogs.errors.empty());
}

TEST(PreviewPrinterObjects, SecondPreviewClosedFirst)
{
    Scenario s;
    int pageCountInside = 0, pageCountAfter = 0, setupLimitAfter = 0;
    bool firstStillShows = false, printedTheRowsItHasNow = false;
    previewThen(s.r.report, [&](TQRStandardPreview& a) {
        s.r.rows = 50;
        when([&] { return finished(otherPreview(&a)); }, [&] {
            pageCountInside = TQRReport::PreviewPageCount;
            otherPreview(&a)->close();
        });
        s.r.report.Preview();
        flushClosedWindows();
        pageCountAfter = TQRReport::PreviewPageCount;
        firstStillShows = showsPage(&a, 3) && a.QRPrinter()->PageCount() == 3;
        a.PrintSetup->click();
        setupLimitAfter = s.setupLimit;
        // The report runs again with the rows it has now: this report keeps no table of its own
        // (the field-definition report's print restores its table, see the report tests).
        a.Print->click();
        printedTheRowsItHasNow = pdfPages(s.pdf) == 2;
    });
    EXPECT_EQ(pageCountInside, 2);
    EXPECT_EQ(pageCountAfter, 3);
    EXPECT_TRUE(firstStillShows);
    EXPECT_EQ(setupLimitAfter, 3);
    EXPECT_TRUE(printedTheRowsItHasNow);
    EXPECT_TRUE(openPreviews().empty());
    EXPECT_TRUE(spillFiles(s.tmp.path()).isEmpty());
    EXPECT_EQ(s.r.report.PrinterObject(), nullptr);
    EXPECT_EQ(TQRReport::PreviewPageCount, -1);
}

TEST(PreviewPrinterObjects, APrintContextRunsBeforeThePreviewsPrintAndNeverDuringAnotherRun)
{
    Scenario s;
    int contexts = 0;
    int contextsDuringOtherRun = -1;
    bool pdfDuringOtherRun = true;
    when([] { return finished(openPreview()); }, [&] {
        TQRStandardPreview* a = openPreview();
        s.r.rows = 100;
        // While a second preview's run goes on, the first one's print does nothing at all: its
        // context would change the captions of the run in progress.
        auto base = s.r.report.OnNeedData;
        s.r.report.OnNeedData = [&, base](QObject* sender, bool& more) {
            base(sender, more);
            if (s.r.served == 10 && otherPreview(a)) {
                a->Print->click();
                contextsDuringOtherRun = contexts;
                pdfDuringOtherRun = QFile::exists(s.pdf);
            }
        };
        when([&] { return finished(otherPreview(a)); }, [&] { otherPreview(a)->close(); });
        s.r.report.Preview();
        s.r.report.OnNeedData = base;
        a->Print->click();
        a->close();
    });
    s.r.report.Preview([&contexts] { ++contexts; });
    flushClosedWindows();
    EXPECT_EQ(contextsDuringOtherRun, 0);
    EXPECT_FALSE(pdfDuringOtherRun);
    EXPECT_EQ(contexts, 1);
    EXPECT_EQ(pdfPages(s.pdf), 3);
}
