#include "cli/qrp_commands.h"

#include "cli/commands.h"
#include "reportengine/emf/emf_player.h"
#include "reportengine/qrerror.h"
#include "reportengine/store/qrpagelist.h"
#include "reportengine/store/qrstream.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <memory>

namespace cli {

namespace {

void out(const QString& line)
{
    const QByteArray b = line.toUtf8() + '\n';
    if (std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stdout) != static_cast<size_t>(b.size()))
        throw CliError(QStringLiteral("cannot write the output"));
}

void warn(const QString& line)
{
    std::fprintf(stderr, "tabulon-cli: %s\n", line.toUtf8().constData());
}

// The pages are drawn with fonts: a GUI application object without a window system.
std::unique_ptr<QGuiApplication> guiApplication()
{
    if (QCoreApplication::instance())
        return nullptr;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Without a session the offscreen platform complains about the runtime folder it never uses.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
        if (!message.startsWith(QLatin1String("QStandardPaths:")))
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    });
    static int argc = 1;
    static char name[] = "tabulon-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

void load(TQRPageList& list, const QString& file)
{
    if (!QFileInfo(file).isFile())
        throw CliError(QStringLiteral("no such report file: %1").arg(file));
    try {
        list.LoadFromFile(file);
    } catch (const EQRError& e) {
        throw CliError(QStringLiteral("%1: %2").arg(file, e.message()));
    }
}

// The program itself loads any file as the format describes; the commands also want the two
// format words, so that a file of another kind is not reported as a report without pages.
void checkFormat(const QString& file, const QRFileHeader& h)
{
    if (h.format1 != 3 || h.format2 != 207)
        throw CliError(QStringLiteral("%1: not a report file (format words %2 %3, not 3 207)")
                           .arg(file).arg(h.format1).arg(h.format2));
}

} // namespace

int qrpInfoCommand(const QString& file)
{
    TQRPageList list;
    load(list, file);
    const QRFileHeader h = list.Header();
    const QDateTime written = h.writtenAt();
    out(QStringLiteral("file\t%1").arg(file));
    out(QStringLiteral("size\t%1").arg(list.Stream()->Size()));
    out(QStringLiteral("format\t%1 %2").arg(h.format1).arg(h.format2));
    out(QStringLiteral("pages\t%1").arg(h.pageCount));
    out(QStringLiteral("written\t%1\t%2")
            .arg(written.isValid() ? written.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QStringLiteral("?"))
            .arg(h.written, 0, 'f', 6));
    out(QStringLiteral("compressed\t%1").arg(h.compressed ? 1 : 0));
    out(QStringLiteral("page\tstart\tnext\tback\tpayload\timage"));
    const TQRPageList::RecordWalk walk = list.Records();
    for (const QRPageRecord& r : walk.records)
        out(QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6").arg(r.number).arg(r.start).arg(r.next).arg(r.back)
                .arg(r.payloadSize).arg(r.imageSize));
    if (!walk.error.isEmpty())
        throw CliError(QStringLiteral("%1: %2").arg(file, walk.error));
    checkFormat(file, h);
    return Ok;
}

int qrpRenderCommand(const QString& file, const QString& directory, int dpi)
{
    TQRPageList list;
    load(list, file);
    checkFormat(file, list.Header());
    const auto app = guiApplication();
    if (!QDir().mkpath(directory))
        throw CliError(QStringLiteral("cannot create the folder %1").arg(directory));
    int failed = 0;
    for (qint32 n = 1; n <= list.PageCount(); ++n) {
        std::optional<QRMetafile> page;
        try {
            page = list.GetPage(n);
        } catch (const EQRError& e) {
            warn(QStringLiteral("page %1: %2").arg(n).arg(e.message()));
            ++failed;
            continue;
        }
        if (!page)
            continue;
        // The page's paper at the chosen resolution (the frame is in 0.01 mm).
        const QRect frame = page->frame();
        double wMm = (double(frame.right()) - frame.left()) / 100.0;
        double hMm = (double(frame.bottom()) - frame.top()) / 100.0;
        if (!(wMm >= 1 && hMm >= 1 && wMm <= 5000 && hMm <= 5000)) {
            const QRectF dev = emf::frameInDevicePixels(page->header());
            const QPointF perMm = emf::pixelsPerMillimetre(page->header());
            wMm = std::clamp(dev.width() / perMm.x(), 1.0, 5000.0);
            hMm = std::clamp(dev.height() / perMm.y(), 1.0, 5000.0);
        }
        const QSize size(std::max(1, static_cast<int>(std::lround(wMm / 25.4 * dpi))),
                         std::max(1, static_cast<int>(std::lround(hMm / 25.4 * dpi))));
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull()) {
            warn(QStringLiteral("page %1: a picture of %2 x %3 pixels does not fit in memory").arg(n).arg(size.width()).arg(size.height()));
            ++failed;
            continue;
        }
        image.fill(Qt::white);
        QPainter painter(&image);
        const QRPlayResult result = page->play(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.end();
        if (!result.ok) {
            warn(QStringLiteral("page %1: %2").arg(n).arg(result.error));
            ++failed;
        } else if (result.recordsSkipped > 0) {
            warn(QStringLiteral("page %1: %2 records not drawn (%3)").arg(n).arg(result.recordsSkipped).arg(result.error));
        }
        const QString name = QDir(directory).filePath(QStringLiteral("page-%1.png").arg(n));
        // Fast deflate: a page is mostly white, the bigger files cost less than the time.
        if (!image.save(name, "PNG", 80))
            throw CliError(QStringLiteral("cannot write %1").arg(name));
    }
    if (failed > 0)
        throw CliError(QStringLiteral("%1: %2 of %3 pages damaged").arg(file).arg(failed).arg(list.PageCount()));
    return Ok;
}

} // namespace cli
