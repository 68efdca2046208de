// Paging through a 20-page field-definition report in the preview (DAO test double, 900 fields,
// 45 rows a page, pages recorded at the 600-dpi "PDF file" printer's resolution): the time from
// asking for a page to its picture painted on the screen, at 100 % and fitted to the width.
//
//   preview_bench [--pages N] [--width W --height H]
//
// cold: a page shown for the first time (fetched from the page store, played, painted);
// back: the page just left, shown again (its picture is kept); scroll: the visible page moved
// by a scroll step and painted again.

#include "report/frmreport.h"
#include "reportengine/preview/qrpreview.h"
#include "reportengine/preview/qrpreviewimage.h"
#include "reportengine/printer/printer_device.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/report/qrreport.h"
#include "bench_table.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

double msOf(const std::function<void()>& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

struct Figures {
    double median, max;
};

Figures figures(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

} // namespace

int main(int argc, char** argv)
{
    int pages = 20, width = 1280, height = 800;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--pages"))
            pages = std::max(2, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--width"))
            width = std::max(200, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--height"))
            height = std::max(200, std::atoi(argv[i + 1]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const BenchTable wide = benchTable(QStringLiteral("Pages20"), pages * 45);
    const automation::Variant tableDef = wide.tableDef;
    const automation::Variant database = wide.database;
    PrinterRegistry::global().setPrinters({makePdfPrinter()}, 0);

    TfrmReport form;
    form.tableDef = [tableDef] { return tableDef; };
    form.setTitles(tableDef, database);
    form.QRReport1->ShowProgress = false;
    const double runMs = msOf([&] { form.QRReport1->Prepare(); });
    TQRPrinter* printer = form.QRReport1->PrinterObject();
    if (!printer || printer->PageCount() != pages) {
        std::fprintf(stderr, "the report gave %d pages, not %d\n", printer ? printer->PageCount() : 0, pages);
        return 1;
    }

    TQRPreview preview;
    preview.resize(width, height);
    preview.show();
    if (!QTest::qWaitForWindowExposed(&preview))
        return 1;
    preview.setQRPrinter(printer);
    TQRPreviewImage* image = preview.PreviewImage();
    auto show = [&](int page) {
        preview.setPageNumber(page);
        image->repaint();
    };

    for (const bool fitWidth : {false, true}) {
        if (fitWidth)
            preview.ZoomToPageWidth();
        else
            preview.setZoom(100);
        show(1);   // the first page at this size: the page store and fonts warm up
        std::vector<double> cold, back, scroll;
        for (int p = 2; p <= pages; ++p) {
            const int before = image->RenderCount();
            cold.push_back(msOf([&] { show(p); }));
            back.push_back(msOf([&] { show(p - 1); }));
            show(p);
            if (image->RenderCount() != before + 1) {
                std::fprintf(stderr, "page %d was played %d times\n", p, image->RenderCount() - before);
                return 1;
            }
            QScrollBar* v = preview.verticalScrollBar();
            scroll.push_back(msOf([&] {
                v->setValue(v->value() == 0 ? v->singleStep() * 3 : 0);
                image->repaint();
            }));
        }
        const Figures c = figures(cold), b = figures(back), s = figures(scroll);
        std::printf("%s (%d x %d image, view %d x %d): cold %.1f ms a page (max %.1f), back to the page left %.2f ms "
                    "(max %.2f), scroll %.2f ms (max %.2f)\n",
                    fitWidth ? "fitted to the width" : "100 %", image->width(), image->height(), width, height,
                    c.median, c.max, b.median, b.max, s.median, s.max);
    }
    std::printf("report run into the page store: %d pages in %.0f ms\n", pages, runMs);
    return 0;
}
