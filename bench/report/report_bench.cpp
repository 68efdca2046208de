// The field-definition report of a 255-field table (the DAO test double serves it) to PDF or to
// a report file, timed inside the process: the first run and the median of the rest.
//
//   report_bench --pdf FILE | --qrp FILE [--runs N] [--fields N]
//
// With --runs 1 the whole process is one report, for timing from outside.

#include "report/frmreport.h"
#include "reportengine/printer/printer_device.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/report/qrreport.h"
#include "support/fake_dao.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    QString pdf, qrp;
    int runs = 11, fieldCount = 255;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--pdf"))
            pdf = QString::fromLocal8Bit(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--qrp"))
            qrp = QString::fromLocal8Bit(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--runs"))
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--fields"))
            fieldCount = std::max(0, std::atoi(argv[i + 1]));
    }
    if (pdf.isEmpty() == qrp.isEmpty()) {
        std::fprintf(stderr, "usage: report_bench --pdf FILE | --qrp FILE [--runs N] [--fields N]\n");
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const int types[] = {fakedao::dbLong, fakedao::dbText, fakedao::dbDate, fakedao::dbDouble, fakedao::dbMemo,
                         fakedao::dbBoolean, fakedao::dbCurrency, fakedao::dbBinary};
    fakedao::TableDef table;
    table.name = QStringLiteral("Wide255");
    for (int i = 1; i <= fieldCount; ++i)
        table.fields.push_back(fakedao::FieldDef::make(QStringLiteral("項目%1").arg(i, 3, 10, QLatin1Char('0')),
                                                       types[i % 8], QStringLiteral("説明 %1").arg(i)));
    if (fieldCount > 0)
        table.indexes = {{QStringLiteral("PrimaryKey"), {table.fields[0].name}, true}};
    fakedao::DatabaseDef db;
    db.path = QStringLiteral("/bench/wide.mdb");
    db.tables.push_back(table);
    auto server = fakedao::Server::create();
    server->addDatabase(db);
    using automation::Variant;
    const Variant engine(server->createEngine());
    const Variant ws = automation::get(engine, QStringLiteral("Workspaces"), Variant(std::int32_t(0)));
    const Variant database = automation::call(ws, QStringLiteral("OpenDatabase"), {Variant(db.path), Variant::missing(), Variant(true)});
    const Variant tableDef = automation::get(database, QStringLiteral("TableDefs"), Variant(std::int32_t(0)));

    PdfPrinterOptions options;
    options.fixedOutputFile = QFileInfo(pdf.isEmpty() ? QStringLiteral("unused.pdf") : pdf).absoluteFilePath();
    PrinterRegistry::global().setPrinters({makePdfPrinter(options)}, 0);

    TfrmReport form;
    form.tableDef = [tableDef] { return tableDef; };
    form.setTitles(tableDef, database);
    form.QRReport1->ShowProgress = false;

    std::vector<double> ms;
    int pages = 0;
    for (int run = 0; run < runs; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!pdf.isEmpty()) {
            form.QRReport1->Print();
        } else {
            form.QRReport1->Prepare();
            form.QRReport1->PrinterObject()->Save(qrp);
        }
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        pages = form.QRReport1->PageCount;
    }
    const double first = ms.front();
    std::vector<double> rest(ms.begin() + (ms.size() > 1 ? 1 : 0), ms.end());
    std::sort(rest.begin(), rest.end());
    std::printf("%s: %d fields, %d pages, %lld bytes; first run %.1f ms, median of %zu more %.1f ms\n",
                pdf.isEmpty() ? "report file" : "PDF", fieldCount, pages,
                static_cast<long long>(QFileInfo(pdf.isEmpty() ? qrp : pdf).size()), first,
                ms.size() > 1 ? rest.size() : std::size_t(0), rest[rest.size() / 2]);
    return 0;
}
