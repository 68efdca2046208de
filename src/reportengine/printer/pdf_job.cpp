#include "reportengine/printer/pdf_job.h"

#include "reportengine/qrerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>
#include <sys/stat.h>

namespace {

// An exclusive, unpredictable, owner-only file that we remove ourselves.
QString createTemporary(const QString& directory, const QString& stem)
{
    QTemporaryFile file(QDir(directory).filePath(QStringLiteral(".%1.XXXXXX.part").arg(stem)));
    file.setAutoRemove(false);
    if (!file.open())
        throw EQRError(QStringLiteral("一時ファイルを作成できません: %1 (%2)").arg(directory, file.errorString()));
    return file.fileName();
}

} // namespace

PdfJob::PdfJob(const QString& target, int dpi, const QPageLayout& layout, const QString& title,
               Finisher finisher)
    : m_target(target), m_finisher(std::move(finisher)), m_printer(QPrinter::HighResolution)
{
    const QString dir = target.isEmpty() ? QDir::tempPath() : QFileInfo(target).absolutePath();
    m_temp = createTemporary(dir, target.isEmpty() ? QStringLiteral("QRPjob") : QFileInfo(target).fileName());
    m_printer.setOutputFormat(QPrinter::PdfFormat);
    m_printer.setOutputFileName(m_temp);
    m_printer.setResolution(dpi);
    m_printer.setPageLayout(layout);
    m_printer.setFullPage(false);
    m_printer.setDocName(title);
    m_printer.setCreator(QStringLiteral("Norvik Tabulon"));
    if (!m_painter.begin(&m_printer)) {
        QFile::remove(m_temp);
        throw EQRError(QStringLiteral("PDF ファイルを書き込めません: %1").arg(target.isEmpty() ? m_temp : target));
    }
    m_open = true;
    m_sheets = 1;
}

PdfJob::~PdfJob()
{
    if (m_open)
        discard();
}

void PdfJob::newSheet()
{
    if (!m_open)
        return;
    if (!m_printer.newPage())
        throw EQRError(QStringLiteral("PDF ファイルに次のページを書き込めません: %1").arg(m_target));
    ++m_sheets;
}

void PdfJob::end()
{
    if (!m_open)
        return;
    m_open = false;
    const bool painted = m_painter.end();
    const QFileInfo written(m_temp);
    if (!painted || !written.exists() || written.size() == 0) {
        QFile::remove(m_temp);
        throw EQRError(QStringLiteral("PDF ファイルを書き込めません: %1").arg(m_target));
    }
    try {
        if (m_finisher) {
            m_finisher(m_temp);
            QFile::remove(m_temp);
            return;
        }
        // Ordinary permissions for the finished file; the temporary one was owner-only.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(QFile::encodeName(m_temp).constData(), 0666 & ~mask);
        if (std::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0)
            throw EQRError(QStringLiteral("PDF ファイルを保存できません: %1").arg(m_target));
    } catch (...) {
        QFile::remove(m_temp);
        throw;
    }
}

void PdfJob::abort()
{
    if (m_open)
        discard();
}

void PdfJob::discard()
{
    m_open = false;
    m_painter.end();
    QFile::remove(m_temp);
}
