// The EMF player over images built by hand: each record kind other programs write, and the
// damage real files carry (wrong header counts, bytes after the end record, frames far from
// the origin, records that run past the image or declare absurd counts).

#include "emf_bodies.h"

#include "reportengine/emf/metafile.h"
#include "reportengine/qrerror.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstring>

namespace {

using B = EmfBuilder;

QImage render(const QByteArray& image, QRPlayResult* result = nullptr, QSize size = QSize(100, 100))
{
    // TABULON_EMF_DUMP=dir keeps the images (seeds for the player's fuzz target).
    if (qEnvironmentVariableIsSet("TABULON_EMF_DUMP")) {
        static int n = 0;
        QFile f(QDir(qEnvironmentVariable("TABULON_EMF_DUMP")).filePath(QStringLiteral("player-%1.emf").arg(++n)));
        if (f.open(QIODevice::WriteOnly))
            f.write(image);
    }
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    const QRPlayResult r = QRMetafile(image).play(p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.end();
    if (result)
        *result = r;
    return out;
}

QColor at(const QImage& img, int x, int y)
{
    return img.pixelColor(x, y);
}

// A red solid brush and no pen: shapes fill exactly their area.
B& redFill(B& b, std::int64_t color = rec::RED)
{
    return b.rec(rec::CREATEBRUSHINDIRECT, {1, 0, color, 0}).rec(rec::SELECTOBJECT, {1}).rec(rec::SELECTOBJECT, {rec::NULL_PEN});
}

std::int64_t fbits(float f)
{
    std::uint32_t v;
    std::memcpy(&v, &f, 4);
    return v;
}

// Darkest pixel's bounding box: where something was drawn in black.
QRect inked(const QImage& img)
{
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                r = r.united(QRect(x, y, 1, 1));
    return r;
}

} // namespace

TEST(EmfPlayer, ShapesWithBrushesPensAndStockObjects)
{
    B b;
    redFill(b).rec(rec::RECTANGLE, {10, 10, 50, 50});
    b.rec(rec::SELECTOBJECT, {rec::BLACK_BRUSH}).rec(rec::ELLIPSE, {60, 60, 90, 90});
    // A 3-unit blue pen on a null brush: only the outline.
    b.rec(rec::CREATEPEN, {2, 0, 3, 0, rec::BLUE}).rec(rec::SELECTOBJECT, {2}).rec(rec::SELECTOBJECT, {rec::NULL_BRUSH});
    b.rec(rec::RECTANGLE, {60, 10, 90, 40});
    b.eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.recordsSkipped, 0);
    EXPECT_EQ(at(img, 30, 30), QColor(Qt::red));
    EXPECT_EQ(at(img, 55, 30), QColor(Qt::white));
    EXPECT_EQ(at(img, 75, 75), QColor(Qt::black));
    EXPECT_EQ(at(img, 60, 25), QColor(Qt::blue));
    EXPECT_EQ(at(img, 75, 25), QColor(Qt::white));
}

TEST(EmfPlayer, SavedStatesComeBack)
{
    B b;
    redFill(b).rec(rec::SAVEDC, {});
    b.rec(rec::CREATEBRUSHINDIRECT, {3, 0, rec::GREEN, 0}).rec(rec::SELECTOBJECT, {3}).rec(rec::SAVEDC, {});
    b.rec(rec::SELECTOBJECT, {rec::BLACK_BRUSH});
    b.rec(rec::RESTOREDC, {-1}).rec(rec::RECTANGLE, {0, 0, 20, 20});   // green
    b.rec(rec::RESTOREDC, {1}).rec(rec::RECTANGLE, {30, 0, 50, 20});   // red: the first state
    b.rec(rec::RESTOREDC, {-1});                                        // nothing left: skipped
    b.eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_EQ(at(img, 10, 10), QColor(Qt::green));
    EXPECT_EQ(at(img, 40, 10), QColor(Qt::red));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.recordsSkipped, 1);
}

TEST(EmfPlayer, MapModesWindowAndViewport)
{
    // Anisotropic: 1000 logical units over 100 device pixels, window origin moved by -200.
    B a;
    redFill(a).rec(rec::SETMAPMODE, {8}).rec(rec::SETWINDOWEXTEX, {1000, 2000}).rec(rec::SETVIEWPORTEXTEX, {100, 100});
    a.rec(rec::SETWINDOWORGEX, {-200, 0}).rec(rec::RECTANGLE, {100, 200, 300, 1000}).eof();
    const QImage ai = render(a.image());
    EXPECT_EQ(at(ai, 35, 30), QColor(Qt::red));    // x 30..50, y 10..50
    EXPECT_EQ(at(ai, 25, 30), QColor(Qt::white));
    EXPECT_EQ(at(ai, 35, 55), QColor(Qt::white));

    // Isotropic keeps the smaller scale on both axes.
    B i;
    redFill(i).rec(rec::SETMAPMODE, {7}).rec(rec::SETWINDOWEXTEX, {100, 100}).rec(rec::SETVIEWPORTEXTEX, {100, 50});
    i.rec(rec::RECTANGLE, {0, 0, 100, 100}).eof();
    const QImage ii = render(i.image());
    EXPECT_EQ(at(ii, 45, 45), QColor(Qt::red));
    EXPECT_EQ(at(ii, 55, 25), QColor(Qt::white));

    // Metric mode: 0.1 mm units, y grows upwards from the viewport origin.
    B m;
    redFill(m).rec(rec::SETMAPMODE, {2}).rec(rec::SETVIEWPORTORGEX, {0, 100});
    m.rec(rec::RECTANGLE, {100, 100, 300, 300}).eof();
    const QImage mi = render(m.image());
    EXPECT_EQ(at(mi, 20, 80), QColor(Qt::red));    // x 10..30, y 70..90
    EXPECT_EQ(at(mi, 20, 20), QColor(Qt::white));
}

TEST(EmfPlayer, WorldTransforms)
{
    B b;
    redFill(b).rec(rec::SETWORLDTRANSFORM, {fbits(2), 0, 0, fbits(2), fbits(10), 0});
    b.rec(rec::RECTANGLE, {0, 0, 10, 10});                          // 10..30, 0..20
    b.rec(rec::MODIFYWORLDTRANSFORM, {fbits(1), 0, 0, fbits(1), 0, 0, 1});   // identity
    b.rec(rec::RECTANGLE, {60, 60, 70, 70});
    b.rec(rec::MODIFYWORLDTRANSFORM, {fbits(1), 0, 0, fbits(1), fbits(0), fbits(20), 2});   // left multiply
    b.rec(rec::RECTANGLE, {80, 0, 90, 10});                         // moved down by 20
    b.eof();
    const QImage img = render(b.image());
    EXPECT_EQ(at(img, 25, 15), QColor(Qt::red));
    EXPECT_EQ(at(img, 5, 5), QColor(Qt::white));
    EXPECT_EQ(at(img, 65, 65), QColor(Qt::red));
    EXPECT_EQ(at(img, 85, 25), QColor(Qt::red));
    EXPECT_EQ(at(img, 85, 5), QColor(Qt::white));
}

TEST(EmfPlayer, SixteenBitPolygonsLinesAndBeziers)
{
    B b;
    redFill(b).raw(rec::POLYGON16, points16({10, 10, 50, 10, 10, 50}));
    b.rec(rec::SELECTOBJECT, {rec::BLACK_PEN});
    b.raw(rec::POLYLINE16, points16({60, 20, 95, 20}));
    b.rec(rec::MOVETOEX, {60, 80}).raw(rec::POLYBEZIERTO16, points16({70, 80, 80, 80, 95, 80}));
    b.rec(rec::MOVETOEX, {60, 60}).raw(rec::POLYLINETO16, points16({95, 60}));
    // Two squares in one record.
    QByteArray pp;
    for (int i = 0; i < 4; ++i)
        B::put32(pp, 0);
    B::put32(pp, 2);
    B::put32(pp, 8);
    B::put32(pp, 4);
    B::put32(pp, 4);
    for (int v : {10, 60, 20, 60, 20, 70, 10, 70, 30, 60, 40, 60, 40, 70, 30, 70})
        B::put16(pp, static_cast<std::uint16_t>(v));
    b.rec(rec::SELECTOBJECT, {rec::NULL_PEN}).raw(rec::POLYPOLYGON16, pp);
    b.eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_EQ(r.recordsSkipped, 0) << r.error.toStdString();
    EXPECT_EQ(at(img, 15, 15), QColor(Qt::red));
    EXPECT_EQ(at(img, 45, 45), QColor(Qt::white));   // the other side of the diagonal
    EXPECT_LT(qGray(img.pixel(80, 20)), 128);
    EXPECT_LT(qGray(img.pixel(90, 80)), 128);
    EXPECT_LT(qGray(img.pixel(80, 60)), 128);
    EXPECT_EQ(at(img, 15, 65), QColor(Qt::red));
    EXPECT_EQ(at(img, 35, 65), QColor(Qt::red));
    EXPECT_EQ(at(img, 25, 65), QColor(Qt::white));
}

TEST(EmfPlayer, PathsFillAndStroke)
{
    B b;
    redFill(b).rec(rec::BEGINPATH, {}).rec(rec::MOVETOEX, {10, 10}).rec(rec::LINETO, {50, 10});
    b.rec(rec::LINETO, {50, 50}).rec(rec::LINETO, {10, 50}).rec(rec::CLOSEFIGURE, {}).rec(rec::ENDPATH, {});
    b.rec(rec::FILLPATH, {0, 0, 0, 0});
    // Nothing is drawn while a path is open.
    b.rec(rec::BEGINPATH, {}).rec(rec::RECTANGLE, {60, 60, 90, 90}).rec(rec::ENDPATH, {});
    b.rec(rec::SELECTOBJECT, {rec::BLACK_PEN}).rec(rec::STROKEPATH, {0, 0, 0, 0});
    b.eof();
    const QImage img = render(b.image());
    EXPECT_EQ(at(img, 30, 30), QColor(Qt::red));
    EXPECT_EQ(at(img, 75, 75), QColor(Qt::white));   // stroked, not filled
    EXPECT_LT(qGray(img.pixel(60, 75)), 128);
}

TEST(EmfPlayer, ClipRegionsAndClipRectangles)
{
    QByteArray rgn;
    B::put32(rgn, 32 + 32);   // cbRgnData
    B::put32(rgn, 5);         // RGN_COPY
    for (int v : {32, 1, 2, 32, 10, 10, 60, 30})
        B::put32(rgn, static_cast<std::uint32_t>(v));
    for (int v : {10, 10, 30, 20, 40, 20, 60, 30})
        B::put32(rgn, static_cast<std::uint32_t>(v));
    B b;
    redFill(b).raw(rec::EXTSELECTCLIPRGN, rgn).rec(rec::RECTANGLE, {0, 0, 100, 100});
    b.rec(rec::EXTSELECTCLIPRGN, {0, 5});                                  // no clip again
    b.rec(rec::INTERSECTCLIPRECT, {10, 60, 90, 90}).rec(rec::EXCLUDECLIPRECT, {40, 60, 60, 90});
    b.rec(rec::SELECTOBJECT, {rec::BLACK_BRUSH}).rec(rec::RECTANGLE, {0, 50, 100, 100});
    b.eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_EQ(r.recordsSkipped, 0) << r.error.toStdString();
    EXPECT_EQ(at(img, 20, 15), QColor(Qt::red));
    EXPECT_EQ(at(img, 50, 25), QColor(Qt::red));
    EXPECT_EQ(at(img, 50, 15), QColor(Qt::white));
    EXPECT_EQ(at(img, 5, 40), QColor(Qt::white));
    EXPECT_EQ(at(img, 20, 75), QColor(Qt::black));
    EXPECT_EQ(at(img, 50, 75), QColor(Qt::white));   // excluded
    EXPECT_EQ(at(img, 20, 55), QColor(Qt::white));   // outside the intersected rectangle
}

TEST(EmfPlayer, ClipStaysInsideTheCallersClip)
{
    B b;
    redFill(b).rec(rec::EXTSELECTCLIPRGN, {0, 5}).rec(rec::RECTANGLE, {0, 0, 100, 100}).eof();
    QImage out(100, 100, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.setClipRect(QRect(0, 0, 50, 100));
    QRMetafile(b.image()).play(p, QRectF(0, 0, 100, 100));
    p.end();
    EXPECT_EQ(at(out, 25, 50), QColor(Qt::red));
    EXPECT_EQ(at(out, 75, 50), QColor(Qt::white));
}

TEST(EmfPlayer, BitmapsBottomUpTopDownAndStretched)
{
    QByteArray bits;
    // Bottom-up: the first stored row is the bottom one.
    const QByteArray up = dib2x2(2, qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 0, 0), &bits);
    B b;
    b.raw(rec::STRETCHDIBITS, stretchDibits(0, 0, 50, 50, 0, 0, 2, 2, up, bits));
    const QByteArray down = dib2x2(-2, qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 0, 0), &bits);
    b.raw(rec::STRETCHDIBITS, stretchDibits(50, 50, 50, 50, 0, 0, 2, 2, down, bits));
    // Source rows of a bottom-up bitmap count from its bottom: (0, 0) is the first stored pixel.
    dib2x2(2, qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 0, 0), &bits);
    b.raw(rec::STRETCHDIBITS, stretchDibits(60, 0, 30, 30, 0, 0, 1, 1, up, bits));
    b.eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_EQ(r.recordsSkipped, 0) << r.error.toStdString();
    EXPECT_EQ(at(img, 10, 40), QColor(Qt::red));
    EXPECT_EQ(at(img, 40, 40), QColor(Qt::green));
    EXPECT_EQ(at(img, 10, 10), QColor(Qt::blue));
    EXPECT_EQ(at(img, 60, 60), QColor(Qt::red));
    EXPECT_EQ(at(img, 60, 90), QColor(Qt::blue));
    EXPECT_EQ(at(img, 75, 15), QColor(Qt::red));
}

TEST(EmfPlayer, BitBltWithoutSourceFillsOrDoesNothing)
{
    auto bitblt = [](int x, int y, int w, int h, std::uint32_t rop) {
        QByteArray body;
        for (int v : {x, y, x + w, y + h, x, y, w, h})
            B::put32(body, static_cast<std::uint32_t>(v));
        B::put32(body, rop);
        body.append(QByteArray(100 - 8 - body.size(), '\0'));   // no source: offsets and sizes zero
        return body;
    };
    B b;
    redFill(b).raw(rec::BITBLT, bitblt(0, 0, 30, 30, 0x00F00021));       // PATCOPY: the brush
    b.raw(rec::BITBLT, bitblt(40, 0, 30, 30, 0x00000042));              // BLACKNESS
    b.raw(rec::BITBLT, bitblt(0, 40, 30, 30, 0x00AA0029));              // NOOP
    b.eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(at(img, 15, 15), QColor(Qt::red));
    EXPECT_EQ(at(img, 55, 15), QColor(Qt::black));
    EXPECT_EQ(at(img, 15, 55), QColor(Qt::white));
}

TEST(EmfPlayer, TextWithDxArraysAndAlignment)
{
    const QString square = QStringLiteral("■■");
    // Top alignment (the default): the ink lies below the reference point.
    B top;
    top.raw(rec::EXTCREATEFONTINDIRECTW, fontBody(1, -20, QStringLiteral("ＭＳ Ｐゴシック")));
    top.rec(rec::SELECTOBJECT, {1}).rec(rec::SETBKMODE, {1});
    top.raw(rec::EXTTEXTOUTW, textBody(10, 30, square, {40, 20})).eof();
    QRPlayResult r;
    const QRect t = inked(render(top.image(), &r));
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_GE(t.top(), 30);
    EXPECT_LE(t.top(), 36);
    // The dx array places the second square 40 units on: ink spans well past 10 + 20 + 20.
    EXPECT_GE(t.right(), 62);
    EXPECT_LE(t.right(), 72);
    EXPECT_LE(t.left(), 14);

    // Baseline alignment: the ink ends at the reference line.
    B base;
    base.raw(rec::EXTCREATEFONTINDIRECTW, fontBody(1, -20, QStringLiteral("ＭＳ Ｐゴシック")));
    base.rec(rec::SELECTOBJECT, {1}).rec(rec::SETBKMODE, {1}).rec(rec::SETTEXTALIGN, {24});
    base.raw(rec::EXTTEXTOUTW, textBody(10, 60, square)).eof();
    const QRect bl = inked(render(base.image()));
    EXPECT_LE(bl.bottom(), 61);
    EXPECT_GE(bl.bottom(), 54);

    // Opaque background mode paints the text cell in the background colour.
    B opaque;
    opaque.raw(rec::EXTCREATEFONTINDIRECTW, fontBody(1, -20, QStringLiteral("Sans")));
    opaque.rec(rec::SELECTOBJECT, {1}).rec(rec::SETBKCOLOR, {rec::GREEN}).rec(rec::SETTEXTCOLOR, {rec::RED});
    opaque.raw(rec::EXTTEXTOUTW, textBody(10, 10, QStringLiteral("  "), {20, 20})).eof();
    EXPECT_EQ(at(render(opaque.image()), 30, 20), QColor(Qt::green));
}

TEST(EmfPlayer, CommentsAreSkippedAndTheEmfRecordsPlay)
{
    QByteArray plus("EMF+");
    plus.prepend(QByteArray("\x1C\0\0\0", 4));   // cbData
    plus.append(QByteArray(24, '\x01'));
    B b;
    b.raw(rec::COMMENT, plus);
    redFill(b).rec(rec::RECTANGLE, {10, 10, 50, 50}).eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.recordsSkipped, 0);
    EXPECT_EQ(at(img, 30, 30), QColor(Qt::red));
}

TEST(EmfPlayer, WrongHeaderCountsAndBytesAfterTheEndRecord)
{
    B b;
    redFill(b).rec(rec::RECTANGLE, {10, 10, 50, 50}).eof();
    b.bytes(QByteArray(37, '\xEE'));   // junk, not even whole records
    for (auto [nBytes, nRecords] : {std::pair<std::int64_t, std::int64_t>{1, 1}, {999999, 999}, {0, 0}}) {
        QRPlayResult r;
        const QImage img = render(b.image(nBytes, nRecords), &r);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(at(img, 30, 30), QColor(Qt::red));
    }
}

TEST(EmfPlayer, FramesFarFromTheOriginStillFillTheTarget)
{
    EmfBuilder::Header h;
    // Frame at 100 m from the origin (device: 1 pixel a millimetre).
    h.frame[0] = h.frame[1] = 10000000;
    h.frame[2] = h.frame[3] = 10010000;
    h.bounds[0] = h.bounds[1] = 100000;
    h.bounds[2] = h.bounds[3] = 100099;
    B b(h);
    redFill(b).rec(rec::RECTANGLE, {100010, 100010, 100050, 100050}).eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r, QSize(200, 200));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(at(img, 60, 60), QColor(Qt::red));    // stretched twice
    EXPECT_EQ(at(img, 110, 110), QColor(Qt::white));
}

TEST(EmfPlayer, ARecordRunningPastTheImageEndsPlaybackAfterWhatCameBefore)
{
    B b;
    redFill(b).rec(rec::RECTANGLE, {10, 10, 50, 50});
    QByteArray bad;
    B::put32(bad, rec::RECTANGLE);
    B::put32(bad, 4000);           // declares 4000 bytes, 24 follow
    for (int v : {60, 60, 90, 90})
        B::put32(bad, static_cast<std::uint32_t>(v));
    b.bytes(bad);
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("4000"))) << r.error.toStdString();
    EXPECT_EQ(at(img, 30, 30), QColor(Qt::red));
    EXPECT_EQ(at(img, 75, 75), QColor(Qt::white));
}

TEST(EmfPlayer, RecordSizesThatCannotBeWalkedStopPlayback)
{
    for (std::uint32_t size : {0u, 4u, 6u, 13u}) {
        QByteArray bad;
        B::put32(bad, rec::RECTANGLE);
        B::put32(bad, size);
        bad.append(QByteArray(64, '\0'));
        B b;
        b.bytes(bad);
        QRPlayResult r;
        render(b.image(), &r);
        EXPECT_FALSE(r.ok) << size;
    }
    // No end record at all.
    B noEnd;
    redFill(noEnd).rec(rec::RECTANGLE, {10, 10, 50, 50});
    QRPlayResult r;
    EXPECT_EQ(at(render(noEnd.image(), &r), 30, 30), QColor(Qt::red));
    EXPECT_FALSE(r.ok);
}

TEST(EmfPlayer, AbsurdCountsAreSkippedNotTrusted)
{
    B b;
    // Point counts far beyond the record.
    QByteArray poly;
    for (int i = 0; i < 4; ++i)
        B::put32(poly, 0);
    B::put32(poly, 0xFFFFFFFF);
    B::put32(poly, 0);
    b.raw(rec::POLYGON16, poly);
    QByteArray pp;
    for (int i = 0; i < 4; ++i)
        B::put32(pp, 0);
    B::put32(pp, 0x40000000);   // polygons
    B::put32(pp, 0x40000000);   // points
    b.raw(rec::POLYPOLYGON16, pp);
    // A region of a billion rectangles.
    QByteArray rgn;
    B::put32(rgn, 48);
    B::put32(rgn, 5);
    for (int v : {32, 1, 1000000000, 16, 0, 0, 10, 10, 0, 0, 10, 10})
        B::put32(rgn, static_cast<std::uint32_t>(v));
    b.raw(rec::EXTSELECTCLIPRGN, rgn);
    // A 65535 x 65535 bitmap with 12 bytes of bits.
    QByteArray bits(12, '\0');
    QByteArray bmi;
    B::put32(bmi, 40);
    B::put32(bmi, 65535);
    B::put32(bmi, 65535);
    B::put16(bmi, 1);
    B::put16(bmi, 32);
    bmi.append(QByteArray(24, '\0'));
    b.raw(rec::STRETCHDIBITS, stretchDibits(0, 0, 10, 10, 0, 0, 65535, 65535, bmi, bits));
    // Text that claims more characters than the record holds.
    QByteArray text = textBody(0, 0, QStringLiteral("ab"));
    text.replace(36, 4, QByteArray("\xFF\xFF\xFF\x0F", 4));
    b.raw(rec::EXTTEXTOUTW, text);
    // Lines and curves without a point.
    b.raw(rec::POLYBEZIER16, points16({})).raw(rec::POLYLINETO16, points16({}));
    // Objects that do not exist, an unknown record type.
    b.rec(rec::SELECTOBJECT, {12345}).rec(rec::DELETEOBJECT, {999}).rec(200, {1, 2, 3});
    // Many saved states.
    for (int i = 0; i < 3000; ++i)
        b.rec(rec::SAVEDC, {});
    redFill(b).rec(rec::RECTANGLE, {10, 10, 50, 50}).eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.recordsSkipped, 9);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(at(img, 30, 30), QColor(Qt::red));
}

TEST(EmfPlayer, BytesThatAreNoEmfAreRefusedWithAReason)
{
    EXPECT_FALSE(QRMetafile(QByteArray("\x89PNG\r\n\x1a\n", 8)).isValid());
    EXPECT_THROW(QRMetafile::fromBytes(QByteArray(200, '\0')), EQRError);
    B b;
    QByteArray img = b.eof().image();
    img[40] = 'X';   // signature
    EXPECT_TRUE(QRMetafile::validate(img).contains(QStringLiteral("signature")));
    img = b.image();
    img[4] = 12;     // header record shorter than a header
    EXPECT_FALSE(QRMetafile(img).isValid());
    QRPlayResult r = QRMetafile(img).play(*std::make_unique<QPainter>(), QRectF(0, 0, 1, 1));
    EXPECT_FALSE(r.ok);
}

TEST(EmfPlayer, HugeCoordinatesDashesAndPensFinish)
{
    // Dashed and wide pens over lines, curves and ellipses as large as the coordinates allow,
    // stretched up: all of it far outside the picture. The test only has to end.
    B b;
    b.rec(rec::CREATEPEN, {1, 2, 1, 0, rec::BLUE}).rec(rec::SELECTOBJECT, {1});   // dotted
    b.rec(rec::MOVETOEX, {-2147483647 - 1, -2147483647 - 1}).rec(rec::LINETO, {2147483647, 2147483647});
    b.rec(rec::ELLIPSE, {-2000000000, -2000000000, 2000000000, 2000000000});
    b.rec(rec::EXTCREATEPEN, {2, 52, 0, 52, 0, 0x10000 | 1, 2000000000, 0, rec::RED, 0, 0}).rec(rec::SELECTOBJECT, {2});
    b.rec(rec::RECTANGLE, {-1000000, -1000000, 1000000, 1000000});
    b.rec(rec::SETMAPMODE, {8}).rec(rec::SETWINDOWEXTEX, {1, 1}).rec(rec::SETVIEWPORTEXTEX, {2000000000, 2000000000});
    b.rec(rec::SELECTOBJECT, {1}).raw(rec::POLYLINE16, points16({-32768, -32768, 32767, 32767, -32768, 32767}));
    b.raw(rec::EXTCREATEFONTINDIRECTW, fontBody(3, -2000000000, QStringLiteral("Sans")));
    b.rec(rec::SELECTOBJECT, {3}).raw(rec::EXTTEXTOUTW, textBody(0, 0, QStringLiteral("big"), {2000000000, 5, 5}));
    b.eof();
    QRPlayResult r;
    render(b.image(), &r, QSize(400, 400));
    EXPECT_TRUE(r.ok) << r.error.toStdString();
}

TEST(EmfPlayer, EmbeddedPngPicturesMustBeTheSizeTheirHeaderGives)
{
    QImage png(2, 2, QImage::Format_RGB32);
    png.fill(Qt::blue);
    QByteArray bits;
    QBuffer buffer(&bits);
    buffer.open(QIODevice::WriteOnly);
    png.save(&buffer, "PNG");
    auto header = [](int w, int h) {
        QByteArray bmi;
        B::put32(bmi, 40);
        B::put32(bmi, static_cast<std::uint32_t>(w));
        B::put32(bmi, static_cast<std::uint32_t>(h));
        B::put16(bmi, 1);
        B::put16(bmi, 0);
        B::put32(bmi, 5);   // BI_PNG
        bmi.append(QByteArray(20, '\0'));
        return bmi;
    };
    B b;
    b.raw(rec::STRETCHDIBITS, stretchDibits(0, 0, 40, 40, 0, 0, 2, 2, header(2, 2), bits));
    b.raw(rec::STRETCHDIBITS, stretchDibits(50, 50, 40, 40, 0, 0, 2, 2, header(2000, 2000), bits));
    b.eof();
    QRPlayResult r;
    const QImage img = render(b.image(), &r);
    EXPECT_EQ(at(img, 20, 20), QColor(Qt::blue));
    EXPECT_EQ(at(img, 70, 70), QColor(Qt::white));
    EXPECT_EQ(r.recordsSkipped, 1);
}
