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
#include "bench_table.h"

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

    const BenchTable wide = benchTable(QStringLiteral("Wide255"), fieldCount);
    const automation::Variant tableDef = wide.tableDef;
    const automation::Variant database = wide.database;

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
