// The printer object: geometry, its two errors, the store of a preview run, print ranges,
// cancelled and declined jobs, loaded files printed again.

#include "report_helpers.h"
#include "store_helpers.h"

#include "reportengine/emf/emf_recorder.h"
#include "reportengine/emf/metafile.h"
#include "reportengine/qrerror.h"
#include "reportengine/store/qrpagelist.h"
#include "reportengine/store/qrstream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// Runs pages through a printer object, a number on each.
void runPages(TQRPrinter& printer, int pages)
{
    printer.BeginDoc();
    for (int i = 1; i <= pages; ++i) {
        printer.NewPage();
        printer.Canvas()->drawText(QPointF(printer.XPos(200), printer.YPos(200)), QStringLiteral("page %1").arg(i));
    }
    printer.EndDoc();
}

QString errorOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const EQRError& e) {
        return e.message();
    }
    return {};
}

} // namespace

TEST(PrinterObject, PositionsRoundHalvesToEvenAfterTheOffset)
{
    auto fake = std::make_shared<FakePrinter>();
    fake->dpi = 254;                       // one pixel per 0.1 mm
    fake->offset = QPoint(25, 10);
    PrinterScope scope({fake});
    TQRPrinter printer;
    printer.setDestination(TQRDestination::Printer);
    printer.BeginDoc();
    EXPECT_EQ(printer.LeftOffset(), 25);
    EXPECT_EQ(printer.TopOffset(), 10);
    EXPECT_EQ(printer.XPos(27.5L), 2);     // 2.5 -> 2
    EXPECT_EQ(printer.XPos(28.5L), 4);     // 3.5 -> 4
    EXPECT_EQ(printer.YPos(10.5L), 0);
    EXPECT_EQ(printer.YPos(11.5L), 2);
    EXPECT_EQ(printer.XSize(0.5L), 0);
    EXPECT_EQ(printer.YSize(1.5L), 2);
    printer.Abort();
}

TEST(PrinterObject, PreviewRunsHaveNoOffsetAndThePrintersFactors)
{
    auto fake = std::make_shared<FakePrinter>();
    fake->dpi = 300;
    fake->offset = QPoint(60, 60);
    PrinterScope scope({fake});
    TQRPrinter printer;
    printer.BeginDoc();
    EXPECT_EQ(printer.LeftOffset(), 0);
    EXPECT_DOUBLE_EQ(double(printer.XFactor()), 300.0 / 254);
    EXPECT_EQ(printer.XPos(254), 300);
    printer.EndDoc();
}

TEST(PrinterObject, TheTwoErrorsAndTheirTexts)
{
    PrinterScope scope({pdfTo(QString())});
    TQRPrinter printer;
    EXPECT_EQ(errorOf([&] { printer.NewPage(); }), QStringLiteral("間違った NewPage の呼び出し"));
    printer.BeginDoc();
    EXPECT_EQ(errorOf([&] { printer.BeginDoc(); }), QStringLiteral("QRPrinter の準備ができていません"));
    EXPECT_EQ(printer.AvailablePages(), 0);    // reset before the check, as the run resets them
    printer.EndDoc();
    EXPECT_EQ(errorOf([&] { printer.NewPage(); }), QStringLiteral("間違った NewPage の呼び出し"));
    printer.Cleanup();
    EXPECT_EQ(printer.Status(), TQRPrinterStatus::Ready);
    EXPECT_EQ(errorOf([&] { printer.BeginDoc(); }), QString());
    printer.Abort();
}

TEST(PrinterObject, AnEmptyRunStoresA124ByteHeaderAndAnnouncesOnce)
{
    PrinterScope scope({pdfTo(QString())});
    QTemporaryDir dir;
    MessageLog log;
    TQRPrinter printer;
    printer.setProgressWindow(&log);
    runPages(printer, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(printer.AvailablePages(), 1);
    EXPECT_EQ(log.pageAvailable, std::vector<int>{1});
    EXPECT_FALSE(printer.GetPage(1).has_value());
    const QString file = dir.filePath(QStringLiteral("empty.qrp"));
    printer.Save(file);
    EXPECT_EQ(QFileInfo(file).size(), 124);
}

TEST(PrinterObject, PreviewPagesAreStoredWhenTheNextPageBegins)
{
    PrinterScope scope({pdfTo(QString())});
    MessageLog log;
    TQRPrinter printer;
    printer.setProgressWindow(&log);
    printer.BeginDoc();
    printer.NewPage();
    EXPECT_FALSE(printer.GetPage(1).has_value());     // still open
    printer.NewPage();
    ASSERT_TRUE(printer.GetPage(1).has_value());
    EXPECT_FALSE(printer.GetPage(2).has_value());
    EXPECT_FALSE(printer.GetPage(0).has_value());
    printer.EndDoc();
    ASSERT_TRUE(printer.GetPage(2).has_value());
    EXPECT_FALSE(printer.GetPage(3).has_value());
    QCoreApplication::processEvents();
    EXPECT_EQ(log.pageAvailable, (std::vector<int>{1, 2}));   // the second page with EndDoc
    // A page is the whole paper at the printer's resolution: A4 at 600 dpi.
    const QRMetafile page = *printer.GetPage(1);
    EXPECT_EQ(page.deviceSizePixels(), QSize(4961, 7016));
    printer.setProgress(35);
    QCoreApplication::processEvents();
    EXPECT_EQ(log.progress, std::vector<int>{35});
}

TEST(PrinterObject, SavingBeforeTheRunEndsWritesNothing)
{
    PrinterScope scope({pdfTo(QString())});
    QTemporaryDir dir;
    TQRPrinter printer;
    printer.BeginDoc();
    printer.NewPage();
    printer.Save(dir.filePath(QStringLiteral("early.qrp")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("early.qrp"))));
    printer.EndDoc();
}

TEST(PrinterObject, PrintRangeTwoToThreeOfFivePrintsTwoSheets)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("range.pdf"));
    PrinterScope scope({pdfTo(pdf)});
    TQRPrinter printer;
    printer.setDestination(TQRDestination::Printer);
    printer.setFirstPage(2);
    printer.setLastPage(3);
    runPages(printer, 5);
    EXPECT_EQ(printer.PageCount(), 5);
    EXPECT_EQ(pdfPages(pdf), 2);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("page 2")));
    EXPECT_TRUE(text.contains(QStringLiteral("page 3")));
    EXPECT_FALSE(text.contains(QStringLiteral("page 1")));
    EXPECT_FALSE(text.contains(QStringLiteral("page 4")));
}

TEST(PrinterObject, ARangeAfterTheLastPageBeginsNoJob)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("none.pdf"));
    auto fake = std::make_shared<FakePrinter>();
    PrinterScope scope({fake, pdfTo(pdf)});
    for (int index : {0, 1}) {
        TQRPrinter printer;
        printer.setPrinterIndex(index);
        printer.setDestination(TQRDestination::Printer);
        printer.setFirstPage(6);
        runPages(printer, 5);
    }
    EXPECT_EQ(fake->jobsBegun, 0);
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(PrinterObject, ACancelledJobLeavesNoFileAndKeepsAnOldOne)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("cancel.pdf"));
    {
        QFile old(pdf);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    PrinterScope scope({pdfTo(pdf)});
    {
        TQRPrinter printer;
        printer.setDestination(TQRDestination::Printer);
        printer.BeginDoc();
        printer.NewPage();
        printer.NewPage();
        printer.Cancel();
        EXPECT_TRUE(printer.Cancelled());
        // The run stops without ending the document; the printer object goes.
    }
    QFile kept(pdf);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(PrinterObject, DecliningThePdfFileNameCancelsTheRun)
{
    PrinterScope scope({makePdfPrinter()});
    int asked = 0;
    PrinterRegistry::global().setPdfFileNameProvider([&asked](const QString&) {
        ++asked;
        return QString();
    });
    TQRPrinter printer;
    printer.setDestination(TQRDestination::Printer);
    printer.BeginDoc();
    printer.NewPage();
    EXPECT_TRUE(printer.Cancelled());
    ASSERT_NE(printer.Canvas(), nullptr);    // drawing goes on harmlessly until the run stops
    printer.Canvas()->drawLine(0, 0, 10, 10);
    EXPECT_EQ(asked, 1);
}

TEST(PrinterObject, AnUnwritablePdfFailsWithTheFileName)
{
    PrinterScope scope({pdfTo(QStringLiteral("/nonexistent-dir/x.pdf"))});
    TQRPrinter printer;
    printer.setDestination(TQRDestination::Printer);
    printer.BeginDoc();
    const QString error = errorOf([&] { printer.NewPage(); });
    EXPECT_TRUE(error.contains(QStringLiteral("/nonexistent-dir"))) << error.toStdString();
}

TEST(PrinterObject, ALoadedThreePageFilePrintsThreeSheets)
{
    QTemporaryDir dir;
    const QString qrp = dir.filePath(QStringLiteral("three.qrp"));
    const QString pdf = dir.filePath(QStringLiteral("three.pdf"));
    PrinterScope scope({pdfTo(pdf)});
    {
        TQRPrinter printer;
        printer.setCompression(true);
        runPages(printer, 3);
        printer.Save(qrp);
    }
    TQRPrinter loaded;
    loaded.OnPrint = [](QObject*) { FAIL() << "hooks are cleared by Load"; };
    loaded.Load(qrp);
    EXPECT_EQ(loaded.Status(), TQRPrinterStatus::Finished);
    EXPECT_EQ(loaded.PageCount(), 3);
    ASSERT_TRUE(loaded.GetPage(3).has_value());
    loaded.Print(nullptr);
    EXPECT_EQ(pdfPages(pdf), 3);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("page 1")) && text.contains(QStringLiteral("page 3")));
}

TEST(PrinterObject, ClosingThePreviewCancelsABusyRunAndCallsItsHook)
{
    PrinterScope scope({pdfTo(QString())});
    TQRPrinter printer;
    int after = 0;
    printer.AfterPreview = [&after](QObject*) { ++after; };
    printer.setShowingPreview(true);
    printer.BeginDoc();
    printer.setShowingPreview(false);
    EXPECT_TRUE(printer.Cancelled());
    EXPECT_EQ(after, 1);
    printer.setShowingPreview(false);         // no change, no second call
    EXPECT_EQ(after, 1);
}

TEST(PrinterObject, CleanupDeletesTheSpillFile)
{
    PrinterScope scope({pdfTo(QString())});
    TQRPrinter printer;
    printer.BeginDoc();
    QString spill;
    for (int i = 0; i < 200 && spill.isEmpty(); ++i) {
        printer.NewPage();
        QImage noise(300, 300, QImage::Format_RGB32);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 300; ++x)
                noise.setPixel(x, y, qRgb((x * 7 + i) & 255, (y * 13) & 255, (x * y) & 255));
        printer.Canvas()->drawImage(QPoint(0, 0), noise);
        if (printer.PageList().Stream() && !printer.PageList().Stream()->InMemory())
            spill = printer.PageList().Stream()->TempFileName();
    }
    printer.EndDoc();
    ASSERT_FALSE(spill.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(spill));
    printer.Cleanup();
    EXPECT_FALSE(QFileInfo::exists(spill));
}

TEST(PrinterObject, ALoadThatFailsLeavesThePagesAndTheRunAsTheyWere)
{
    PrinterScope scope({pdfTo(QString())});
    QTemporaryDir dir;
    const QString junk = dir.filePath(QStringLiteral("junk.QRP"));
    writeFile(junk, QByteArray(50, 'x'));
    TQRPrinter printer;
    runPages(printer, 2);
    const quint64 serial = printer.StoreSerial();
    EXPECT_FALSE(errorOf([&] { printer.Load(junk); }).isEmpty());
    EXPECT_EQ(printer.Status(), TQRPrinterStatus::Finished);
    EXPECT_EQ(printer.PageCount(), 2);
    EXPECT_TRUE(printer.GetPage(2).has_value());
    EXPECT_EQ(printer.StoreSerial(), serial);

    // Nor does it cancel a run in progress.
    TQRPrinter busy;
    busy.BeginDoc();
    busy.NewPage();
    EXPECT_FALSE(errorOf([&] { busy.Load(dir.filePath(QStringLiteral("missing.QRP"))); }).isEmpty());
    EXPECT_EQ(busy.Status(), TQRPrinterStatus::Busy);
    EXPECT_FALSE(busy.Cancelled());
    busy.EndDoc();
    EXPECT_EQ(busy.PageCount(), 1);
}

TEST(PrinterObject, ScreenSizesIgnoreThePrintersResolutionAndLoadedPagesKeepTheirPaper)
{
    PrinterScope scope({pdfTo(QString())});
    QTemporaryDir dir;
    TQRPrinter printer;
    runPages(printer, 1);
    EXPECT_EQ(printer.XSize(2100), 4961);          // 600 dpi: the stored page's own pixels
    EXPECT_EQ(printer.ScreenXSize(2100), 794);     // 96 dpi: what the preview's zoom counts
    EXPECT_EQ(printer.ScreenYSize(2970), 1123);
    EXPECT_EQ(printer.PageWidthValue(), 2100);
    const quint64 run = printer.StoreSerial();

    // A file of 100 x 150 mm pages (a frame of 10000 x 15000 hundredths).
    EmfRecorder rec(QSize(378, 567), 96, 96);
    {
        QPainter p(&rec);
        p.drawRect(10, 10, 100, 100);
    }
    const QString file = dir.filePath(QStringLiteral("postcard.QRP"));
    {
        TQRStream stream(kQRMemoryLimit);
        TQRPageList list;
        list.SetStream(&stream);
        list.AddPage(rec.finish());
        list.WriteHeader();
        list.SaveToFile(file);
    }
    printer.Load(file);
    EXPECT_EQ(printer.PageWidthValue(), 1000);
    EXPECT_EQ(printer.PageLengthValue(), 1500);
    EXPECT_NE(printer.StoreSerial(), run);
    const quint64 loaded = printer.StoreSerial();
    printer.Cleanup();
    EXPECT_EQ(printer.PageWidthValue(), 2100);    // the printer's paper again
    EXPECT_NE(printer.StoreSerial(), loaded);
}
