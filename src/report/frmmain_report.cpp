// The print command of the main window: the field definitions of the current table as the paged
// report, on the current printer.

#include "app/frmmain.h"
#include "report/frmreport.h"
#include "reportengine/printer/printer_device.h"
#include "reportengine/report/qrreport.h"

namespace {

// The "PDF file" printer asks this window's dialogs where to write, for as long as it lives.
class PdfFileQuestion {
public:
    PdfFileQuestion(TfrmMain& window)
    {
        PrinterRegistry::global().setPdfFileNameProvider([&window](const QString&) {
            Dialogs::SaveFileRequest request;
            request.caption = QStringLiteral("PDF ファイルに印刷");
            request.filter = QStringLiteral("PDF ファイル (*.pdf)|*.pdf");
            request.defaultSuffix = QStringLiteral("pdf");
            return window.dialogs().saveFileName(&window, request);
        });
    }
    ~PdfFileQuestion() { PrinterRegistry::global().setPdfFileNameProvider({}); }
    PdfFileQuestion(const PdfFileQuestion&) = delete;
    PdfFileQuestion& operator=(const PdfFileQuestion&) = delete;
};

} // namespace

void TfrmMain::Print1Click(QObject*)
{
    if (!m_frmReport)
        return;
    // Without an open table the first engine call fails and the error box tells.
    m_frmReport->setTitles(TableDef, Database);
    m_frmReport->tableDef = [this] { return TableDef; };
    const PdfFileQuestion question(*this);
    m_frmReport->QRReport1->Print();
}
