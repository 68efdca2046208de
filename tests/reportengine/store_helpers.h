#pragma once
// Pages and stores for the page-store tests.

#include "reportengine/emf/emf_recorder.h"
#include "reportengine/store/qrpagelist.h"
#include "reportengine/store/qrstream.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstring>

// A recorded A4 page at 96 dpi with its number as text; noise adds an incompressible picture
// of that many pixels, so pages can be made as large as a test needs.
inline QRMetafile samplePage(int number, int noisePixels = 0)
{
    EmfRecorder rec(QSize(794, 1123), 96, 96);
    QPainter p(&rec);
    p.setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 12));
    p.drawRect(QRect(40, 40, 700, 1040));
    p.drawText(QPointF(60, 80), QStringLiteral("Page %1 ページ").arg(number));
    if (noisePixels > 0) {
        QImage noise(noisePixels, 1, QImage::Format_RGB32);
        quint32 x = 2463534242u + static_cast<quint32>(number);
        for (int i = 0; i < noisePixels; ++i) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            noise.setPixel(i, 0, x & 0xFFFFFF);
        }
        p.drawImage(QRectF(60, 100, 600, 20), noise);
    }
    p.end();
    return rec.finish();
}

inline QByteArray streamBytes(TQRStream& s)
{
    const qint64 keep = s.Position();
    QByteArray out(s.Size(), '\0');
    s.Seek(0);
    s.Read(out.data(), out.size());
    s.Seek(keep);
    return out;
}

inline qint32 int32At(const QByteArray& b, qsizetype offset)
{
    qint32 v;
    std::memcpy(&v, b.constData() + offset, 4);
    return v;
}

inline void putInt32(QByteArray& b, qsizetype offset, qint32 v)
{
    std::memcpy(b.data() + offset, &v, 4);
}

inline void writeFile(const QString& name, const QByteArray& bytes)
{
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}
