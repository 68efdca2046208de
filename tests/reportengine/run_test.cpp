// The print run: page breaks at their edges, headers and footers, the paper in the printer,
// failed, cancelled and refused runs.

#include "report_helpers.h"

#include "reportengine/progress/qrprogressform.h"

#include <QDir>
#include <QLabel>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

// Prints to a PDF printer with the given paper and returns the rows on each page.
std::vector<int> rowsPerPage(BandReport& r, int pages)
{
    std::vector<int> rows;
    for (int page = 1; page <= pages; ++page)
        rows.push_back(r.rowsOnPage(page));
    return rows;
}

} // namespace

TEST(Run, FortyFiveRowsOnAnA4PageAndTheFortySixthOnTheNext)
{
    QTemporaryDir dir;
    PrinterScope scope({pdfTo(dir.filePath(QStringLiteral("r.pdf")))});
    BandReport r(46);
    r.report.Print();
    EXPECT_EQ(r.report.PageCount, 2);
    EXPECT_EQ(rowsPerPage(r, 2), (std::vector<int>{45, 1}));
    const auto details = r.of(QStringLiteral("detail"));
    EXPECT_EQ(details[0].y, 340);          // 100 + 134 + 106
    EXPECT_EQ(details[44].y, 340 + 44 * 53);
    EXPECT_EQ(details[45].y, 340);
    // The footer sits at 2764 on the full page and on the short one.
    const auto footers = r.of(QStringLiteral("footer"));
    ASSERT_EQ(footers.size(), 2u);
    EXPECT_EQ(footers[0].y, 2764);
    EXPECT_EQ(footers[1].y, 2764);
    // Page 2 starts with the page header and the column header.
    const auto columns = r.of(QStringLiteral("columns"));
    ASSERT_EQ(columns.size(), 2u);
    EXPECT_EQ(columns[1].page, 2);
    EXPECT_EQ(columns[1].y, 234);
    EXPECT_EQ(pdfPages(dir.filePath(QStringLiteral("r.pdf"))), 2);
    EXPECT_TRUE(r.report.Available);
    EXPECT_EQ(r.report.PrinterObject(), nullptr);
}

TEST(Run, FortyFiveRowsFillExactlyOnePage)
{
    PrinterScope scope({pdfTo(QString())});
    BandReport r(45);
    r.report.Prepare();
    EXPECT_EQ(r.report.PageCount, 1);
    EXPECT_EQ(r.rowsOnPage(1), 45);
}

TEST(Run, NoRowsGiveOnePageWithHeaderAndFooterOnly)
{
    PrinterScope scope({pdfTo(QString())});
    BandReport r(0);
    r.report.Prepare();
    EXPECT_EQ(r.report.PageCount, 1);
    EXPECT_EQ(r.of(QStringLiteral("header")).size(), 1u);
    EXPECT_EQ(r.of(QStringLiteral("footer")).size(), 1u);
    EXPECT_TRUE(r.of(QStringLiteral("columns")).empty());
    EXPECT_TRUE(r.of(QStringLiteral("detail")).empty());
    EXPECT_EQ(r.report.PrinterObject()->PageCount(), 1);
}

TEST(Run, ABandThatEndsExactlyOnTheFooterLineMovesOn)
{
    PrinterScope scope({pdfTo(QString())});
    BandReport exact(8);
    exact.detail->Size.setNativeValue(0, 606);     // 2424 / 4: the fourth would end on the line
    exact.report.Prepare();
    EXPECT_EQ(exact.rowsOnPage(1), 3);
    BandReport less(8);
    less.detail->Size.setNativeValue(0, 605);
    less.report.Prepare();
    EXPECT_EQ(less.rowsOnPage(1), 4);
}

TEST(Run, FirstPageHeaderAndLastPageFooterOptions)
{
    PrinterScope scope({pdfTo(QString())});
    BandReport r(50);
    r.report.Options.FirstPageHeader = false;
    r.report.Options.LastPageFooter = false;
    r.report.Prepare();
    const auto headers = r.of(QStringLiteral("header"));
    ASSERT_EQ(headers.size(), 1u);
    EXPECT_EQ(headers[0].page, 2);
    // Without the page header page 1 starts with the column header at the top margin.
    EXPECT_EQ(r.of(QStringLiteral("columns"))[0].y, 100);
    const auto footers = r.of(QStringLiteral("footer"));
    ASSERT_EQ(footers.size(), 1u);
    EXPECT_EQ(footers[0].page, 1);
}

TEST(Run, RowsPerPageFollowThePaperInThePrinter)
{
    struct Case {
        const char* paper;
        int code;
        int orientation;
        int rows;
    };
    const Case cases[] = {
        {"Letter", 1, dm::Portrait, 42},     {"JIS B5", 13, dm::Portrait, 38},
        {"ISO B5", papercode::B5Iso, dm::Portrait, 36}, {"A5", 11, dm::Portrait, 29},
        {"A4", 9, dm::Portrait, 45},         {"A4 landscape", 9, dm::Landscape, 29},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("p.pdf"));
        PrinterScope scope({pdfTo(pdf, c.code, 600, c.orientation)});
        BandReport r(100);
        if (c.orientation == dm::Landscape)
            r.report.Page.setOrientation(TPrinterOrientation::poLandscape);
        r.report.Print();
        EXPECT_EQ(r.rowsOnPage(1), c.rows) << c.paper;
        EXPECT_EQ(r.rowsOnPage(2), c.rows) << c.paper;
        // The footer is at the bottom margin of that paper, so its page number stays on it.
        const int length = c.orientation == dm::Landscape ? 2100 : paperCodeSizeTenthsMm(c.code)->height();
        EXPECT_EQ(r.of(QStringLiteral("footer"))[0].y, length - 100 - 106) << c.paper;
        EXPECT_EQ(pdfPages(pdf), (100 + c.rows - 1) / c.rows) << c.paper;
    }
}

TEST(Run, AFailingDataSourceEndsTheDocumentAndFreesTheReport)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("fail.pdf"));
    PrinterScope scope({pdfTo(pdf)});
    BandReport r(10);
    r.failAtRow = 3;
    EXPECT_THROW(r.report.Print(), std::runtime_error);
    EXPECT_TRUE(r.report.Available);
    EXPECT_EQ(r.report.PrinterObject(), nullptr);
    EXPECT_EQ(r.report.Units(), defaultUnit());
    EXPECT_EQ(r.rowsOnPage(1), 2);
    EXPECT_EQ(pdfPages(pdf), 1);                // the document was ended
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("fail.pdf")});
    // The report runs again.
    r.failAtRow = 0;
    r.report.Print();
    EXPECT_EQ(r.report.PageCount, 1);
}

TEST(Run, CancelStopsBeforeTheNextRowAndLeavesNoPdf)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("cancel.pdf"));
    PrinterScope scope({pdfTo(pdf)});
    BandReport r(100);
    auto feed = r.report.OnNeedData;
    r.report.OnNeedData = [&](QObject* sender, bool& more) {
        feed(sender, more);
        if (r.served == 60) {
            // The progress window's cancel button, as the user presses it.
            auto* progress = qobject_cast<TQRProgressForm*>(r.report.PrinterObject()->ProgressWindow());
            ASSERT_NE(progress, nullptr);
            progress->CancelButtonClick();
        }
    };
    r.report.Print();
    EXPECT_EQ(r.of(QStringLiteral("detail")).size(), 59u);
    EXPECT_EQ(r.of(QStringLiteral("footer")).size(), 1u);      // the open page gets none
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_TRUE(r.report.Available);
}

TEST(Run, BeforePrintRefusingBeginsNoJob)
{
    auto fake = std::make_shared<FakePrinter>();
    PrinterScope scope({fake});
    BandReport r(5);
    r.report.BeforePrint = [](TQRReport*, bool& print) { print = false; };
    r.report.Print();
    EXPECT_EQ(fake->jobsBegun, 0);
    EXPECT_TRUE(r.placed.empty());
    EXPECT_TRUE(r.report.Available);
}

TEST(Run, NoPrinterMeansPrintDoesNothing)
{
    PrinterScope scope({});
    BandReport r(5);
    r.report.Print();
    EXPECT_TRUE(r.placed.empty());
    EXPECT_TRUE(r.report.Available);
    EXPECT_TRUE(r.report.Prepare());            // pages into a store still work
    EXPECT_EQ(r.report.PageCount, 1);
}

TEST(Run, ASecondRunInsideTheFirstDoesNothing)
{
    auto fake = std::make_shared<FakePrinter>();
    PrinterScope scope({fake});
    BandReport r(3);
    auto feed = r.report.OnNeedData;
    int nested = 0;
    r.report.OnNeedData = [&](QObject* sender, bool& more) {
        feed(sender, more);
        ++nested;
        r.report.Print();
        r.report.RunReport(false);
        EXPECT_FALSE(r.report.Prepare());
    };
    r.report.Print();
    EXPECT_EQ(fake->jobsBegun, 1);
    EXPECT_EQ(fake->jobsEnded, 1);
    EXPECT_EQ(nested, 4);
    EXPECT_EQ(r.of(QStringLiteral("detail")).size(), 3u);
}

TEST(Run, WithoutADataCallbackThereIsOnePageAndNoWait)
{
    PrinterScope scope({pdfTo(QString())});
    BandReport r(0);
    r.report.OnNeedData = nullptr;
    r.report.Prepare();
    EXPECT_EQ(r.report.PageCount, 1);
    EXPECT_TRUE(r.of(QStringLiteral("detail")).empty());
}

TEST(Run, SpaceLeftIsZeroOutsideARunAndCountsDownInside)
{
    PrinterScope scope({pdfTo(QString())});
    BandReport r(2);
    EXPECT_EQ(r.report.SpaceLeft(), 0);
    std::vector<int> seen;
    r.detail->BeforePrint = [&](TQRCustomBand*, bool&) { seen.push_back(r.report.SpaceLeft()); };
    r.report.Prepare();
    EXPECT_EQ(seen, (std::vector<int>{2424, 2424 - 53}));
}

TEST(Run, APrintRangeOfTheReportGoesToTheSheets)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("range.pdf"));
    PrinterScope scope({pdfTo(pdf)});
    BandReport r(45 * 4 + 1);                    // five pages
    r.report.PrinterSettings.FirstPage = 2;
    r.report.PrinterSettings.LastPage = 3;
    r.report.Print();
    EXPECT_EQ(r.report.PageCount, 5);
    EXPECT_EQ(pdfPages(pdf), 2);
}

namespace {

// The percents a run tells its printer object's window, for rows and a row count.
std::vector<int> progressOf(int rows, std::function<int()> count)
{
    PrinterScope scope({pdfTo(QString())});
    BandReport r(rows);
    r.report.RecordCount = std::move(count);
    MessageLog log;
    r.report.OnPreview = [&log](TQRPrinter* p) { p->setProgressWindow(&log); };
    r.report.Preview();   // no window: returns when the run is over
    QCoreApplication::processEvents();
    return log.progress;
}

} // namespace

TEST(Run, ProgressIsTheShareOfRowsPrintedInWholeStepsOfFive)
{
    // 1/7 = 14 % shows as 10, 2/7 = 28.6 % as 25, ... each step told once.
    EXPECT_EQ(progressOf(7, [] { return 7; }), (std::vector<int>{0, 10, 25, 40, 55, 70, 85, 100}));
    std::vector<int> every5;
    for (int p = 0; p <= 100; p += 5)
        every5.push_back(p);
    EXPECT_EQ(progressOf(60, [] { return 60; }), every5);
    // A count below the rows served stops at 100 and says it once.
    EXPECT_EQ(progressOf(5, [] { return 3; }), (std::vector<int>{0, 30, 65, 100}));
    // Without a count, or with none to count, nothing is told.
    EXPECT_TRUE(progressOf(7, {}).empty());
    EXPECT_TRUE(progressOf(7, [] { return 0; }).empty());
    EXPECT_TRUE(progressOf(0, [] { return 0; }).empty());
}

TEST(Run, PrintingShowsTheProgressWindowAtEveryFifthPercent)
{
    auto fake = std::make_shared<FakePrinter>();
    PrinterScope scope({fake});
    BandReport r(60);
    r.report.ShowProgress = true;
    r.report.RecordCount = [&r] { return r.rows; };
    std::vector<QString> texts;
    bool shownWithoutTakingTheKeyboard = false;
    auto feed = r.report.OnNeedData;
    r.report.OnNeedData = [&](QObject* sender, bool& more) {
        feed(sender, more);
        auto* form = qobject_cast<TQRProgressForm*>(r.report.PrinterObject()->ProgressWindow());
        ASSERT_NE(form, nullptr);
        shownWithoutTakingTheKeyboard = form->isVisible() && form->testAttribute(Qt::WA_ShowWithoutActivating);
        if (texts.empty() || texts.back() != form->Info->text())
            texts.push_back(form->Info->text());
    };
    r.report.Print();
    EXPECT_TRUE(shownWithoutTakingTheKeyboard);
    ASSERT_GE(texts.size(), 10u);
    EXPECT_EQ(texts.front(), QString());   // before the first message arrives
    int last = -5;
    for (std::size_t i = 1; i < texts.size(); ++i) {
        ASSERT_TRUE(texts[i].endsWith(QStringLiteral("% 完了"))) << texts[i].toStdString();
        const int percent = texts[i].chopped(4).toInt();
        EXPECT_EQ(percent % 5, 0);
        EXPECT_GT(percent, last);
        last = percent;
    }
    EXPECT_EQ(fake->jobsEnded, 1);
}
