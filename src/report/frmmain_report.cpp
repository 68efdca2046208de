// The print and preview commands of the main window: the field definitions of the current table
// as the paged report, on the current printer or in the preview window.

#include "app/frmmain.h"
#include "report/frmreport.h"
#include "reportengine/preview/preview_dialogs.h"
#include "reportengine/preview/qrstandardpreview.h"
#include "reportengine/printer/printer_device.h"
#include "reportengine/progress/qrprogressform.h"
#include "reportengine/report/qrreport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPointer>

#include <vector>

namespace {

// The "PDF file" printer asks this window's dialogs where to write, for as long as it lives;
// then the question goes back to whoever asked before (an open preview still prints).
class PdfFileQuestion {
public:
    explicit PdfFileQuestion(TfrmMain& window) : m_previous(PrinterRegistry::global().pdfFileNameProvider())
    {
        PrinterRegistry::global().setPdfFileNameProvider([&window](const QString&) {
            Dialogs::SaveFileRequest request;
            request.caption = QStringLiteral("PDF ファイルに印刷");
            request.filter = QStringLiteral("PDF ファイル (*.pdf)|*.pdf");
            request.defaultSuffix = QStringLiteral("pdf");
            // Over the window the print came from (a preview's print asks over the preview); the
            // progress window, which stays on top, waits out of the way meanwhile.
            QWidget* parent = QApplication::activeWindow();
            std::vector<QPointer<QWidget>> progress;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<TQRProgressForm*>(w) && w->isVisible()) {
                    progress.emplace_back(w);
                    w->hide();
                }
            }
            const QString file = window.dialogs().saveFileName(parent ? parent : &window, request);
            for (const QPointer<QWidget>& w : progress) {
                if (w)
                    w->show();
            }
            return file;
        });
    }
    ~PdfFileQuestion() { PrinterRegistry::global().setPdfFileNameProvider(std::move(m_previous)); }
    PdfFileQuestion(const PdfFileQuestion&) = delete;
    PdfFileQuestion& operator=(const PdfFileQuestion&) = delete;

private:
    PrinterRegistry::PdfFileNameProvider m_previous;
};

// The preview's messages are the program's error boxes; its file dialogs stay the preview's own.
QRPreviewDialogs previewDialogs(TfrmMain& window)
{
    QRPreviewDialogs dialogs = QRPreviewDialogs::current();
    dialogs.showError = [&window](QWidget* parent, const QString& text) {
        window.dialogs().message(parent, Dialogs::Icon::Error, QStringLiteral("Norvik Tabulon"), text);
    };
    return dialogs;
}

} // namespace

void TfrmMain::Print1Click(QObject*)
{
    if (!m_frmReport)
        return;
    // Without an open table the first engine call fails and the error box tells.
    m_frmReport->setTitles(TableDef, Database);
    // The rows come from the table the command was given for, whatever the window shows meanwhile.
    const automation::Variant table = TableDef;
    m_frmReport->tableDef = [table] { return table; };
    const PdfFileQuestion question(*this);
    m_frmReport->QRReport1->Print();
}

void TfrmMain::btnPreviewClick(QObject*)
{
    if (!m_frmReport)
        return;
    TfrmReport& form = *m_frmReport;
    form.setTitles(TableDef, Database);
    const automation::Variant table = TableDef;
    form.tableDef = [table] { return table; };
    // Printing from this preview prints the table it shows, with its own title and file name,
    // even after the main window moved on to another table or printed one.
    const TfrmReport::Titles titles = form.titles();
    const auto printContext = [&form, table, titles] {
        form.setTitles(titles);
        form.tableDef = [table] { return table; };
    };
    const PdfFileQuestion question(*this);
    const QRPreviewDialogsScope dialogs(previewDialogs(*this));
    form.QRReport1->Preview(printContext);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    // A preview left open would keep the program (and its wait for the window) going.
    TQRStandardPreview::CloseAll();
    QMainWindow::closeEvent(event);
}
