// libFuzzer entry point: the input is a report file. Reads its header and every page the
// header counts, walking to each page from the last one read (forward, backward, jumps) and
// playing every page that decodes into a small picture. Neither the store nor the player may
// crash, hang or allocate beyond the input's size; errors are fine.
#include "reportengine/emf/metafile.h"
#include "reportengine/qrerror.h"
#include "reportengine/store/qrpagelist.h"
#include "reportengine/store/qrstream.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "report_file_fuzzer";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TQRStream stream(1 << 30);
    stream.Write(data, static_cast<qint64>(size));
    TQRPageList list;
    list.SetStream(&stream);
    try {
        list.ReadHeader();
    } catch (const EQRError&) {
        return 0;
    }
    QImage picture(48, 64, QImage::Format_RGB32);
    const qint32 count = list.PageCount();
    // An order that exercises every kind of walk: forward, the last, backward, the first.
    const qint32 order[] = {1, 2, 3, count, count - 1, count - 2, 2, count / 2, 1};
    for (qint32 n : order) {
        try {
            const auto page = list.GetPage(n);
            if (page) {
                picture.fill(Qt::white);
                QPainter p(&picture);
                page->play(p, QRectF(0, 0, 48, 64));
            }
        } catch (const EQRError&) {
        }
    }
    list.Records();
    return 0;
}
