#pragma once
// A print job written as a PDF file: drawn into a temporary file created beside the target (or in
// the temporary directory), which takes the final name only when the job ends. An aborted or
// failed job leaves no file behind and never replaces an existing file.

#include "reportengine/printer/printer_device.h"

#include <QPageLayout>
#include <QPrinter>

#include <functional>

class PdfJob : public PrintJob {
public:
    // Called after the PDF is complete, with its temporary path; may throw. Without it the
    // file is moved to `target`.
    using Finisher = std::function<void(const QString& pdfPath)>;

    PdfJob(const QString& target, int dpi, const QPageLayout& layout, const QString& title,
           Finisher finisher = {});
    ~PdfJob() override;

    QPainter& painter() override { return m_painter; }
    void newSheet() override;
    void end() override;
    void abort() override;
    int sheets() const override { return m_sheets; }

    PdfJob(const PdfJob&) = delete;
    PdfJob& operator=(const PdfJob&) = delete;

private:
    void discard();
    QString m_target;
    QString m_temp;
    Finisher m_finisher;
    QPrinter m_printer;
    QPainter m_painter;
    int m_sheets = 0;
    bool m_open = false;
};
