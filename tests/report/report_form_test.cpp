// The field-definition report: its layout, the rows fed from the engine, page breaks on the
// printer's paper, every label printing at printer resolutions, and the print command.

#include "explorer/explorer_fixture.h"
#include "reportengine/report_helpers.h"

#include "report/frmreport.h"
#include "reportengine/controls/label.h"
#include "reportengine/controls/shape.h"
#include "reportengine/controls/sysdata.h"

#include <QAction>
#include <QDir>
#include <QToolButton>
#include <QFileInfo>

#include <gtest/gtest.h>

using fakedao::FieldDef;

namespace {

// A table of n text fields F01.. with descriptions; the first index holds the given fields.
fakedao::TableDef wideTable(const QString& name, int n, QStringList keys = {})
{
    fakedao::TableDef t;
    t.name = name;
    for (int i = 1; i <= n; ++i)
        t.fields.push_back(FieldDef::make(QStringLiteral("F%1").arg(i, 2, 10, QLatin1Char('0')), fakedao::dbText,
                                          QStringLiteral("説明 %1").arg(i)));
    if (!keys.isEmpty())
        t.indexes = {{QStringLiteral("Index1"), keys, false}};
    return t;
}

// The report form over a table of the test double, outside the main window.
struct Form {
    std::shared_ptr<fakedao::Server> server = fakedao::Server::create();
    TfrmReport form;
    automation::Variant database;
    automation::Variant table;

    explicit Form(fakedao::TableDef def, const QString& path = QStringLiteral("C:\\data\\db1.mdb"))
    {
        fakedao::DatabaseDef db;
        db.path = path;
        db.tables.push_back(std::move(def));
        server->addDatabase(db);
        const automation::Variant engine(server->createEngine());
        const automation::Variant ws = automation::get(engine, QStringLiteral("Workspaces"), automation::Variant(std::int32_t(0)));
        database = automation::call(ws, QStringLiteral("OpenDatabase"), {automation::Variant(path), automation::Variant::missing(), automation::Variant(true)});
        table = automation::get(database, QStringLiteral("TableDefs"), automation::Variant(std::int32_t(0)));
        form.tableDef = [this] { return table; };
        form.setTitles(table, database);
        form.QRReport1->ShowProgress = false;
    }

    // The captions of one row after the data callback.
    QStringList row()
    {
        bool more = false;
        form.QRReport1NeedData(form.QRReport1, more);
        if (!more)
            return {};
        return {form.lblName->Caption(), form.lblType->Caption(), form.lblSize->Caption(), form.lblComment->Caption(),
                form.QRImage1->Picture().isNull() ? QStringLiteral("-") : QStringLiteral("key")};
    }
};

} // namespace

TEST(ReportLayout, BandsAndControlsAsTheFormStoresThem)
{
    TfrmReport f;
    TQRReport& r = *f.QRReport1;
    EXPECT_EQ(r.Zoom(), 120);
    EXPECT_EQ(r.Units(), TQRUnit::MM);
    EXPECT_EQ(r.Page.PaperSize(), TQRPaperSize::A4);
    EXPECT_TRUE(r.Options.FirstPageHeader && r.Options.LastPageFooter && !r.Options.Compression);
    EXPECT_FALSE(r.PrintIfEmpty());
    EXPECT_EQ(r.bandList().size(), 4u);
    for (TQRCustomBand* band : r.bandList())
        EXPECT_NEAR(double(band->Size.nativeValue(1)), 1898.385, 0.0005);
    EXPECT_NEAR(double(f.QRBand1->Size.nativeValue(0)), 134.497, 1e-9);
    EXPECT_NEAR(double(f.QRBand3->Size.nativeValue(0)), 52.917, 1e-9);
    // Silver header boxes, white detail boxes with black outlines, in print order.
    EXPECT_EQ(f.QRShape8->Brush.color(), QColor(192, 192, 192));
    EXPECT_EQ(f.QRShape4->Brush.color(), QColor(Qt::white));
    EXPECT_EQ(f.QRShape4->Pen.color(), QColor(Qt::black));
    EXPECT_NEAR(double(f.QRShape1->Size.nativeValue(2)), -2.646, 1e-9);
    const auto& detail = f.QRBand3->printables();
    ASSERT_EQ(detail.size(), 9u);
    EXPECT_EQ(detail.front(), f.QRShape4);
    EXPECT_EQ(detail.back(), f.QRImage1);
    // Fonts by the names the report asks for.
    EXPECT_EQ(f.lblType->Font().family(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(f.lblName->Font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(f.lblTitle->Font().pointSize(), 20);
    EXPECT_TRUE(f.QRLabel2->Font().bold());
    EXPECT_TRUE(f.QRLabel5->Transparent);
    EXPECT_FALSE(f.lblName->Transparent);
    // The size column keeps its box, right-aligned.
    EXPECT_EQ(f.lblSize->Alignment(), TAlignment::taRightJustify);
    EXPECT_FALSE(f.lblSize->AutoSize());
    EXPECT_NEAR(double(f.lblSize->Size.nativeValue(3)), 158.75, 1e-9);
    EXPECT_NEAR(double(f.lblSize->Size.nativeValue(1)), 996.597, 1e-9);
    EXPECT_EQ(f.QRSysData1->Data(), TQRSysDataType::qrsDateTime);
    EXPECT_EQ(f.QRSysData2->Data(), TQRSysDataType::qrsPageNumber);
    EXPECT_EQ(f.Image1.size(), QSize(16, 16));
}

TEST(ReportRows, NamesTypesSizesCommentsAndKeys)
{
    fakedao::TableDef t;
    t.name = QStringLiteral("T");
    t.fields = {FieldDef::make(QStringLiteral("ID"), fakedao::dbLong, QStringLiteral("番号")),
                FieldDef::make(QStringLiteral("Count"), fakedao::dbLong),
                FieldDef::make(QStringLiteral("Bin"), fakedao::dbBinary),
                FieldDef::make(QStringLiteral("Note"), fakedao::dbMemo, QStringLiteral("一行目\r\n二行目")),
                FieldDef::make(QStringLiteral("id"), fakedao::dbText)};
    t.fields[0].attributes = fakedao::dbAutoIncrField;
    t.indexes = {{QStringLiteral("ByNote"), {QStringLiteral("Note"), QStringLiteral("ID")}, false},
                 {QStringLiteral("PrimaryKey"), {QStringLiteral("Count")}, true}};
    Form f(t);
    bool print = true;
    f.form.QRReport1BeforePrint(f.form.QRReport1, print);
    EXPECT_TRUE(print);
    EXPECT_EQ(f.row(), (QStringList{"ID", "カウンタ  (LongInt)", "4", "番号", "key"}));
    EXPECT_EQ(f.row(), (QStringList{"Count", "長整数    (LongInt)", "4", "", "-"}));   // only the first index counts
    EXPECT_EQ(f.row(), (QStringList{"Bin", "?", QString::number(t.fields[2].size), "", "-"}));
    EXPECT_EQ(f.row(), (QStringList{"Note", "メモ      (Text)", "0", "一行目\r\n二行目", "key"}));
    EXPECT_EQ(f.row(), (QStringList{"id", "文字列    (String)", "50", "", "-"}));       // case matters
    EXPECT_TRUE(f.row().isEmpty());
    EXPECT_EQ(f.form.ReportFieldIndex, 5);
    EXPECT_EQ(f.form.lblDBName->Caption(), QStringLiteral("( db1.mdb )"));
    EXPECT_EQ(f.form.lblTitle->Caption(), QStringLiteral("T"));
}

TEST(ReportRows, TheDatabaseLineIsTheFileNamePart)
{
    EXPECT_EQ(TfrmReport::databaseLine(QStringLiteral("/home/u/db/x.mdb")), QStringLiteral("( x.mdb )"));
    EXPECT_EQ(TfrmReport::databaseLine(QStringLiteral("C:x.mdb")), QStringLiteral("( x.mdb )"));
    EXPECT_EQ(TfrmReport::databaseLine(QStringLiteral("x.mdb")), QStringLiteral("( x.mdb )"));
    EXPECT_EQ(TfrmReport::databaseLine(QString()), QStringLiteral("(  )"));
}

TEST(ReportPages, FortySixFieldsGiveFortyFiveRowsAndOne)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("46.pdf"));
    PrinterScope scope({pdfTo(pdf)});
    Form f(wideTable(QStringLiteral("Wide"), 46));
    f.form.QRReport1->Print();
    EXPECT_EQ(f.form.QRReport1->PageCount, 2);
    EXPECT_EQ(pdfPages(pdf), 2);
    const QString text = pdfText(pdf);
    const QStringList pages = text.split(QLatin1Char('\f'));
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages[0].contains(QStringLiteral("F45")));
    EXPECT_FALSE(pages[0].contains(QStringLiteral("F46")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("F46")));
    EXPECT_TRUE(pages[1].contains(QStringLiteral("FieldName")));     // column header again
    EXPECT_TRUE(pages[1].contains(QStringLiteral("Wide")));          // page header again
    EXPECT_EQ(pages[0].trimmed().split(QLatin1Char('\n')).last().trimmed(), QStringLiteral("1"));
    EXPECT_EQ(pages[1].trimmed().split(QLatin1Char('\n')).last().trimmed(), QStringLiteral("2"));
}

TEST(ReportPages, ATableWithoutFieldsPrintsOnePageWithHeaderAndFooter)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("0.pdf"));
    PrinterScope scope({pdfTo(pdf)});
    Form f(wideTable(QStringLiteral("Nothing"), 0));
    f.form.QRReport1->Print();
    EXPECT_EQ(pdfPages(pdf), 1);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Nothing")));
    EXPECT_TRUE(text.contains(QStringLiteral("( db1.mdb )")));
    EXPECT_FALSE(text.contains(QStringLiteral("FieldName")));
    EXPECT_EQ(text.trimmed().split(QLatin1Char('\n')).last().trimmed(), QStringLiteral("1"));
}

TEST(ReportPages, TwoHundredFiftyFiveFieldsOnALetterPrinter)
{
    PrinterScope scope({pdfTo(QString(), 1)});
    Form f(wideTable(QStringLiteral("Max"), 255));
    f.form.QRReport1->Prepare();
    EXPECT_EQ(f.form.QRReport1->PageCount, 7);    // 42 a page: 6 full pages and 3 rows
    // Running again gives the same pages: the index starts over.
    f.form.QRReport1->Prepare();
    EXPECT_EQ(f.form.QRReport1->PageCount, 7);
    EXPECT_EQ(f.form.lblName->Caption(), QStringLiteral("F255"));
}

TEST(ReportLabels, EveryLabelOfTheLayoutPrintsAtPrinterResolutions)
{
    for (int dpi : {96, 300, 600, 1200}) {
        PrinterScope scope({pdfTo(QString(), 9, dpi)});
        Form f(wideTable(QStringLiteral("Labels"), 2));
        std::map<QString, int> printed;
        for (TQRCustomBand* band : f.form.QRReport1->bandList()) {
            band->AfterPrint = [&printed](TQRCustomBand* b, bool) {
                for (TQRPrintable* p : b->printables())
                    if (auto* label = qobject_cast<TQRCustomLabel*>(p))
                        printed[label->objectName()] += label->linesPrinted();
            };
        }
        f.form.QRReport1->Prepare();
        for (const char* name : {"lblTitle", "QRSysData1", "lblDBName", "QRLabel2", "QRLabel3", "QRLabel4",
                                 "QRLabel5", "lblName", "lblType", "lblSize", "lblComment", "QRSysData2"}) {
            const int expected = QByteArray(name).startsWith("lbl") && QByteArray(name) != "lblTitle"
                                         && QByteArray(name) != "lblDBName" ? 2 : 1;
            EXPECT_EQ(printed[QString::fromLatin1(name)], expected) << name << " at " << dpi << " dpi";
        }
    }
}

TEST(ReportLabels, TheDateStaysOnThePaperUnderAJapaneseLocale)
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    TQRSysData::setClock([] { return QDateTime(QDate(2026, 12, 28), QTime(23, 59, 58)); });
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("date.pdf"));
    PrinterScope scope({pdfTo(pdf)});
    Form f(wideTable(QStringLiteral("D"), 1));
    f.form.QRReport1->Print();
    const QString bbox = runTool(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    const QRegularExpression word(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"[\\d.]+\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">23:59:58<"));
    const auto m = word.match(bbox);
    ASSERT_TRUE(m.hasMatch()) << bbox.left(2000).toStdString();
    EXPECT_LE(m.captured(2).toDouble(), 200.0 / 25.4 * 72 + 0.5);    // within the 10 mm right margin
    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("2026/12/28 23:59:58")));
    TQRSysData::setClock({});
    QLocale::setDefault(QLocale::system());
}

TEST(ReportRun, AnEngineErrorAtTheThirdRowEndsTheRunAndTheReportRunsAgain)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("e.pdf"));
    PrinterScope scope({pdfTo(pdf)});
    Form f(wideTable(QStringLiteral("E"), 10));
    f.server->failAt({QStringLiteral("Field.Properties"), 3, QStringLiteral("Read error.")});
    EXPECT_THROW(f.form.QRReport1->Print(), automation::Error);
    EXPECT_TRUE(f.form.QRReport1->Available);
    EXPECT_EQ(f.form.QRReport1->PrinterObject(), nullptr);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("e.pdf")});
    f.server->clearFailures();
    f.form.QRReport1->Print();
    EXPECT_TRUE(pdfText(pdf).contains(QStringLiteral("F10")));
}

class PrintCommand : public ::testing::Test {
protected:
    QTemporaryDir dir;
    PrinterScope scope{{makePdfPrinter()}};
};

TEST_F(PrintCommand, WithoutADatabaseTheErrorBoxShowsAndNothingPrints)
{
    explorertest::Explorer e;
    e.run([&] { e.w->Print1Click(e.w->btnPrint); });
    ASSERT_EQ(e.h.dialogs.messages.size(), 1u);
    EXPECT_EQ(e.h.dialogs.messages[0].icon, Dialogs::Icon::Error);
    EXPECT_TRUE(e.h.dialogs.saveRequests.empty());
    EXPECT_TRUE(e.h.report->QRReport1->Available);
}

TEST_F(PrintCommand, PrintsTheCurrentTableToThePdfFileTheUserNames)
{
    explorertest::Explorer e;
    e.open();
    e.selectTab(QStringLiteral("FortyTwo"));
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    e.h.dialogs.saveAnswers.push_back(pdf);
    e.run([&] { e.w->Print1Click(e.w->btnPrint); });
    EXPECT_TRUE(e.h.dialogs.messages.empty());
    ASSERT_EQ(e.h.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(e.h.dialogs.saveRequests[0].defaultSuffix, QStringLiteral("pdf"));
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("FortyTwo")));
    EXPECT_TRUE(text.contains(QStringLiteral("( sample.mdb )")));
    EXPECT_TRUE(text.contains(QStringLiteral("名前")));
    // The menu item runs the same command; a cancelled file dialog prints nothing, silently.
    QFile::remove(pdf);
    e.w->Print1->trigger();
    EXPECT_FALSE(QFileInfo::exists(pdf));
    EXPECT_TRUE(e.h.dialogs.messages.empty());
    EXPECT_EQ(e.h.dialogs.saveRequests.size(), 2u);
}
