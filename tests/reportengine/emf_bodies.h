#pragma once
// Bodies of the records other programs write (polygons, bitmaps, fonts, text with dx arrays), as
// the player tests and the preview tests need them.

#include "emf_builder.h"

#include <QList>
#include <QRgb>

#include <initializer_list>

// Bodies of the records other programs write, as the player tests and the preview tests need them.
inline QByteArray points16(std::initializer_list<int> xy)
{
    QByteArray b;
    for (int i = 0; i < 4; ++i)
        EmfBuilder::put32(b, 0);   // bounds
    EmfBuilder::put32(b, static_cast<std::uint32_t>(xy.size() / 2));
    for (int v : xy)
        EmfBuilder::put16(b, static_cast<std::uint16_t>(v));
    return b;
}

// A 2 x 2 24-bit bitmap: rows as stored (bottom-up unless height < 0).
inline QByteArray dib2x2(int height, QRgb r0c0, QRgb r0c1, QRgb r1c0, QRgb r1c1, QByteArray* bits)
{
    QByteArray h;
    EmfBuilder::put32(h, 40);
    EmfBuilder::put32(h, 2);
    EmfBuilder::put32(h, static_cast<std::uint32_t>(height));
    EmfBuilder::put16(h, 1);
    EmfBuilder::put16(h, 24);
    for (int i = 0; i < 6; ++i)
        EmfBuilder::put32(h, 0);
    bits->clear();
    for (QRgb px : {r0c0, r0c1}) {
        bits->append(char(qBlue(px))), bits->append(char(qGreen(px))), bits->append(char(qRed(px)));
    }
    bits->append(2, '\0');   // rows are padded to 4 bytes
    for (QRgb px : {r1c0, r1c1}) {
        bits->append(char(qBlue(px))), bits->append(char(qGreen(px))), bits->append(char(qRed(px)));
    }
    bits->append(2, '\0');
    return h;
}

// STRETCHDIBITS body: dest (x, y, w, h), source (x, y, w, h), bitmap.
inline QByteArray stretchDibits(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const QByteArray& bmi,
                         const QByteArray& bits)
{
    QByteArray b;
    for (int v : {x, y, x + w, y + h})
        EmfBuilder::put32(b, static_cast<std::uint32_t>(v));
    for (int v : {x, y, sx, sy, sw, sh})
        EmfBuilder::put32(b, static_cast<std::uint32_t>(v));
    const std::uint32_t offBmi = 80, offBits = 80 + static_cast<std::uint32_t>(bmi.size());
    EmfBuilder::put32(b, offBmi);
    EmfBuilder::put32(b, static_cast<std::uint32_t>(bmi.size()));
    EmfBuilder::put32(b, offBits);
    EmfBuilder::put32(b, static_cast<std::uint32_t>(bits.size()));
    EmfBuilder::put32(b, 0);            // DIB_RGB_COLORS
    EmfBuilder::put32(b, 0x00CC0020);   // SRCCOPY
    EmfBuilder::put32(b, static_cast<std::uint32_t>(w));
    EmfBuilder::put32(b, static_cast<std::uint32_t>(h));
    return b + bmi + bits;
}

inline QByteArray fontBody(int index, int height, const QString& face, int escapement = 0)
{
    QByteArray b;
    EmfBuilder::put32(b, static_cast<std::uint32_t>(index));
    for (int v : {height, 0, escapement, escapement, 400})
        EmfBuilder::put32(b, static_cast<std::uint32_t>(v));
    b.append(QByteArray("\0\0\0\x80\0\0\0\0", 8));
    for (int i = 0; i < 32; ++i)
        EmfBuilder::put16(b, i < face.size() ? face[i].unicode() : 0);
    return b;
}

inline QByteArray textBody(int x, int y, const QString& text, const QList<int>& dx = {})
{
    QByteArray b;
    for (int i = 0; i < 4; ++i)
        EmfBuilder::put32(b, 0);
    EmfBuilder::put32(b, 1);
    EmfBuilder::put32(b, 0);
    EmfBuilder::put32(b, 0);
    EmfBuilder::put32(b, static_cast<std::uint32_t>(x));
    EmfBuilder::put32(b, static_cast<std::uint32_t>(y));
    EmfBuilder::put32(b, static_cast<std::uint32_t>(text.size()));
    const std::uint32_t stringBytes = static_cast<std::uint32_t>((text.size() * 2 + 3) / 4 * 4);
    EmfBuilder::put32(b, 76);
    EmfBuilder::put32(b, 0);
    for (int i = 0; i < 4; ++i)
        EmfBuilder::put32(b, 0);
    EmfBuilder::put32(b, dx.isEmpty() ? 0 : 76 + stringBytes);
    for (const QChar c : text)
        EmfBuilder::put16(b, c.unicode());
    while (b.size() % 4)
        b.append('\0');
    for (int d : dx)
        EmfBuilder::put32(b, static_cast<std::uint32_t>(d));
    return b;
}

