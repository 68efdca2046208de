#include "cli/report_commands.h"

#include "automation/error.h"
#include "automation/object.h"
#include "cli/commands.h"
#include "report/frmreport.h"
#include "reportengine/printer/printer_device.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/qrerror.h"
#include "reportengine/report/qrreport.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

namespace cli {

namespace {

// The report is laid out with fonts and widgets: an application object, without a window
// system when there is no display.
std::unique_ptr<QApplication> widgetApplication()
{
    if (QCoreApplication::instance())
        return nullptr;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Errors stay one line on stderr: Qt's note about a missing runtime directory is noise here.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        if (!message.startsWith(QLatin1String("QStandardPaths:")))
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    });
    static int argc = 1;
    static char name[] = "tabulon-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace

int reportCommand(const std::string& db, const QString& table, ReportOutput output, const QString& file)
{
    const std::unique_ptr<QApplication> app = widgetApplication();
    const automation::Variant database = openDatabase(db);
    const automation::Variant tableDef = findTableDef(database, table);

    // The one printer here is a PDF writer that needs no question: the report's geometry does
    // not depend on the machine's printers.
    PdfPrinterOptions pdf;
    pdf.fixedOutputFile = QFileInfo(file).absoluteFilePath();
    PrinterRegistry::global().setPrinters({makePdfPrinter(pdf)}, 0);

    TfrmReport form;
    form.tableDef = [tableDef] { return tableDef; };
    form.setTitles(tableDef, database);
    TQRReport& report = *form.QRReport1;
    report.ShowProgress = false;
    try {
        if (output == ReportOutput::Pdf) {
            report.Print();
            if (!QFileInfo::exists(pdf.fixedOutputFile))
                throw CliError(QStringLiteral("no PDF was written to %1").arg(file));
        } else {
            report.Prepare();
            TQRPrinter* printer = report.PrinterObject();
            if (!printer || printer->Status() != TQRPrinterStatus::Finished)
                throw CliError(QStringLiteral("the report did not finish"));
            printer->Save(file);
        }
    } catch (const EQRError& e) {
        throw CliError(e.message());
    }
    automation::call(database, QStringLiteral("Close"));
    return Ok;
}

} // namespace cli
