// libFuzzer entry point: the input is an EMF image. Reads its header and plays it into a small
// picture, once stretched and once into a target far from the origin. The player must neither
// crash nor hang on any input; errors are fine.
#include "reportengine/emf/metafile.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "emf_player_fuzzer";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QRMetafile page(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!page.isValid())
        return 0;
    QImage picture(64, 48, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    QPainter p(&picture);
    page.play(p, QRectF(0, 0, 64, 48));
    p.setClipRect(QRect(8, 8, 32, 32));
    page.play(p, QRectF(-1000, 20, 2000, 10));
    return 0;
}
