#include "reportengine/export/qrexportfilter.h"

#include "reportengine/export/page_text.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/qrerror.h"

#include <QSaveFile>

#include <exception>

void TQRTextExportFilter::ExportPages(TQRPrinter& printer)
{
    QByteArray text;
    QStringList failures;
    for (std::int32_t n = 1; n <= printer.PageCount(); ++n) {
        if (n > 1)
            text += "\r\n" + PageSeparator().toUtf8() + "\r\n";
        try {
            const std::optional<QRMetafile> page = printer.GetPage(n);
            if (!page)
                throw EQRError(QStringLiteral("page %1 is not stored").arg(n));
            QRPlayResult played;
            for (const QString& line : pageTextLines(*page, &played))
                text += line.toUtf8() + "\r\n";
            if (!played.ok)
                failures << QStringLiteral("page %1: %2").arg(n).arg(played.error);
        } catch (const std::exception& e) {
            failures << QString::fromUtf8(e.what());
        }
    }
    QSaveFile out(FileName());
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        throw EQRError(QStringLiteral("cannot write %1: %2").arg(FileName(), out.errorString()));
    if (!failures.isEmpty())
        throw EQRError(QStringLiteral("%1: written without what could not be read:\n%2").arg(FileName(), failures.join(QLatin1Char('\n'))));
}

const std::vector<TQRExportFilterEntry>& TQRExportFilterLibrary::Filters()
{
    static const std::vector<TQRExportFilterEntry> filters = {
        {QStringLiteral("ﾃｷｽﾄ ﾌｧｲﾙ"), QStringLiteral("TXT"),
         [](const QString& fileName) { return std::make_unique<TQRTextExportFilter>(fileName); }},
    };
    return filters;
}
