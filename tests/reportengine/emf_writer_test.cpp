// The recording paint device: standard records with the face names asked for, text in UTF-16
// with advances, a header that adds up, and an independent reader (emf2svg-conv) that opens
// every page we write and finds its text.

#include "emf_records.h"

#include "reportengine/emf/emf_fonts.h"
#include "reportengine/emf/emf_format.h"
#include "reportengine/emf/emf_recorder.h"
#include "reportengine/qrerror.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace emf;

namespace {

const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");
const QString kGothic = QStringLiteral("ＭＳ ゴシック");

// A report-like page at 600 dpi: frames, a silver header box, Japanese and Latin text in the
// two report fonts, a line, an ellipse, a picture, clipping.
QRMetafile reportLikePage()
{
    EmfRecorder rec(QSize(4961, 7016), 600, 600);
    QPainter p(&rec);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    p.drawRect(QRect(236, 236, 4488, 318));
    QFont title(kPGothic);
    title.setPointSize(20);
    p.setFont(title);
    p.drawText(QPointF(300, 450), QStringLiteral("フィールド定義書"));
    QFont fixed(kGothic);
    fixed.setPointSize(9);
    p.setFont(fixed);
    p.drawText(QPointF(300, 800), QStringLiteral("Long Integer"));
    p.setPen(QPen(Qt::black, 5));
    p.drawLine(QPointF(236, 900), QPointF(4724, 900));
    p.drawEllipse(QRectF(300, 1000, 100, 100));
    QImage key(16, 16, QImage::Format_ARGB32);
    key.fill(Qt::transparent);
    for (int i = 0; i < 16; ++i)
        key.setPixel(i, i, qRgb(0, 128, 0));
    p.drawImage(QRectF(300, 1200, 64, 64), key);
    QImage opaque(8, 8, QImage::Format_RGB32);
    opaque.fill(qRgb(10, 20, 30));
    p.drawImage(QRectF(400, 1200, 32, 32), opaque);
    p.setClipRect(QRect(236, 1300, 1000, 200));
    p.setFont(title);
    p.drawText(QPointF(240, 1400), QStringLiteral("クリップ Clip"));
    p.setClipping(false);
    p.end();
    return rec.finish();
}

QString emf2svg()
{
    return QStandardPaths::findExecutable(QStringLiteral("emf2svg-conv"));
}

} // namespace

TEST(EmfWriter, HeaderAddsUp)
{
    const QRMetafile page = reportLikePage();
    ASSERT_TRUE(page.isValid());
    const auto records = emfRecords(page.bytes());
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().type, EMR_HEADER);
    EXPECT_EQ(records.back().type, EMR_EOF);
    EXPECT_EQ(records.back().offset + records.back().bytes.size(), page.size());
    const QRMetafileHeader& h = page.header();
    EXPECT_EQ(h.fileSize, page.size());
    EXPECT_EQ(h.recordCount, records.size());
    EXPECT_EQ(h.deviceSizePixels, QSize(4961, 7016));
    EXPECT_EQ(h.deviceSizeMillimetres, QSize(210, 297));
    EXPECT_EQ(h.deviceSizeMicrometres, QSize(210016, 297011));
    // Frame: the whole page in 0.01 mm.
    EXPECT_EQ(h.frame.topLeft(), QPoint(0, 0));
    EXPECT_EQ(h.frame.right(), 21002);
    EXPECT_EQ(h.frame.bottom(), 29701);
    // Bounds: what was drawn, in device pixels.
    EXPECT_LE(h.bounds.left(), 236);
    EXPECT_LE(h.bounds.top(), 236);
    EXPECT_GE(h.bounds.right(), 4724);
    EXPECT_LT(h.bounds.bottom(), 2000);
    // Handles: every one in use was below nHandles.
    for (const auto& r : records) {
        if (r.type == EMR_EXTCREATEFONTINDIRECTW || r.type == EMR_CREATEBRUSHINDIRECT || r.type == EMR_EXTCREATEPEN) {
            EXPECT_LT(r.u32(8), h.handleCount);
        }
    }
}

TEST(EmfWriter, FontsKeepTheFaceNamesAskedFor)
{
    const auto records = emfRecords(reportLikePage().bytes());
    QStringList faces;
    for (const auto& r : records) {
        if (r.type != EMR_EXTCREATEFONTINDIRECTW)
            continue;
        EXPECT_EQ(r.bytes.size(), 332);
        QString face = QString::fromUtf16(reinterpret_cast<const char16_t*>(r.bytes.constData() + 40), 32);
        face.truncate(face.indexOf(QChar(0)));
        faces << face;
        EXPECT_EQ(quint8(r.bytes[35]), 128);   // Shift-JIS character set for the Japanese faces
        EXPECT_LT(r.i32(12), 0);                // character height, not cell height
    }
    EXPECT_TRUE(faces.contains(kPGothic));
    EXPECT_TRUE(faces.contains(kGothic));
}

TEST(EmfWriter, FontHeightFollowsPointSizeAndResolution)
{
    for (int dpi : {96, 300, 600, 1200}) {
        EmfRecorder rec(QSize(800, 800), dpi, dpi);
        QPainter p(&rec);
        QFont f(kPGothic);
        f.setPointSize(9);
        p.setFont(f);
        p.drawText(QPointF(10, 100), QStringLiteral("x"));
        p.end();
        for (const auto& r : emfRecords(rec.finish().bytes())) {
            if (r.type == EMR_EXTCREATEFONTINDIRECTW) {
                EXPECT_EQ(r.i32(12), -qRound(9.0 * dpi / 72)) << dpi;
            }
        }
    }
}

TEST(EmfWriter, TextIsUtf16WithAdvancesThatAddUpToTheLayoutWidth)
{
    EmfRecorder rec(QSize(4961, 7016), 600, 600);
    QPainter p(&rec);
    QFont f(kPGothic);
    f.setPointSize(12);
    p.setFont(f);
    const QString text = QStringLiteral("テーブル名 Table 1");
    p.drawText(QPointF(500, 600), text);
    const double width = QFontMetricsF(f, &rec).horizontalAdvance(text);
    p.end();
    // The layout hands text over in runs of one script and font: one record a run.
    QString joined;
    std::int64_t sum = 0;
    int x = 500;
    for (const auto& r : emfRecords(rec.finish().bytes())) {
        if (r.type != EMR_EXTTEXTOUTW)
            continue;
        EXPECT_NEAR(r.i32(36), x, 1);   // each run starts where the one before ended
        EXPECT_EQ(r.i32(40), 600);
        const std::uint32_t n = r.u32(44), offString = r.u32(48), offDx = r.u32(72);
        joined += QString::fromUtf16(reinterpret_cast<const char16_t*>(r.bytes.constData() + offString), n);
        std::int64_t run = 0;
        for (std::uint32_t i = 0; i < n; ++i)
            run += r.i32(offDx + 4 * i);
        sum += run;
        x = r.i32(36) + static_cast<int>(run);
    }
    EXPECT_EQ(joined, text);
    EXPECT_NEAR(sum, width, 2.0);
}

TEST(EmfWriter, FinishWhilePaintingIsRefused)
{
    EmfRecorder rec(QSize(100, 100), 96, 96);
    QPainter p(&rec);
    EXPECT_THROW(rec.finish(), EQRError);
    p.end();
    EXPECT_TRUE(rec.finish().isValid());
    // A page with nothing on it is still a whole EMF image.
    const QRMetafile empty = rec.finish();
    EXPECT_TRUE(empty.isValid());
    EXPECT_EQ(emfRecords(empty.bytes()).size(), 2u);
}

TEST(EmfWriter, IndependentReaderOpensOurPagesAndFindsTheText)
{
    const QString conv = emf2svg();
    if (conv.isEmpty())
        GTEST_SKIP() << "emf2svg-conv is not installed (tools/deps.sh installs it)";
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("page.emf"));
    const QString out = dir.filePath(QStringLiteral("page.svg"));
    const QRMetafile page = reportLikePage();
    QFile f(in);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(page.bytes());
    f.close();
    QProcess p;
    p.start(conv, {QStringLiteral("-i"), in, QStringLiteral("-o"), out});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    QFile svg(out);
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    const QString content = QString::fromUtf8(svg.readAll());
    // Every text run of the page is in the picture, with its face name.
    int runs = 0;
    for (const auto& r : emfRecords(page.bytes())) {
        if (r.type != EMR_EXTTEXTOUTW)
            continue;
        const QString run = QString::fromUtf16(reinterpret_cast<const char16_t*>(r.bytes.constData() + r.u32(48)),
                                               r.u32(44)).trimmed();
        EXPECT_TRUE(content.contains(run.toHtmlEscaped())) << run.toStdString();
        ++runs;
    }
    EXPECT_GE(runs, 3);
    EXPECT_TRUE(content.contains(kPGothic));
    if (qEnvironmentVariableIsSet("TABULON_EMF_DUMP")) {
        const QDir dump(qEnvironmentVariable("TABULON_EMF_DUMP"));
        QFile::copy(in, dump.filePath(QStringLiteral("writer-page.emf")));
        QFile::copy(out, dump.filePath(QStringLiteral("writer-page.svg")));
    }
}

namespace {

// The same drawing straight onto a picture and through record + play.
void drawScene(QPainter& p)
{
    p.fillRect(QRect(20, 20, 760, 60), QColor(0xC0, 0xC0, 0xC0));
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(20, 20, 760, 60));
    QFont f(kPGothic);
    f.setPixelSize(28);
    p.setFont(f);
    p.drawText(QPointF(40, 62), QStringLiteral("フィールド定義書 Fields"));
    p.setPen(QPen(Qt::blue, 4));
    p.drawLine(QPointF(20, 120), QPointF(780, 120));
    p.setBrush(Qt::red);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(40, 150, 120, 80));
    p.setBrush(Qt::darkGreen);
    p.drawPolygon(QPolygonF({QPointF(300, 150), QPointF(400, 230), QPointF(200, 230)}));
    QImage img(4, 4, QImage::Format_RGB32);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            img.setPixel(x, y, (x + y) % 2 ? qRgb(255, 200, 0) : qRgb(0, 0, 128));
    p.drawImage(QRectF(500, 150, 80, 80), img);
    // Under a rotation: shapes become polygons, text keeps its angle.
    p.save();
    p.translate(700, 240);
    p.rotate(-30);
    p.setBrush(Qt::cyan);
    p.drawRect(QRectF(0, 0, 70, 20));
    p.setPen(Qt::black);
    f.setPixelSize(16);
    p.setFont(f);
    p.drawText(QPointF(0, -6), QStringLiteral("回転 turn"));
    p.restore();
    p.setClipRect(QRect(600, 150, 60, 40));
    p.fillRect(QRect(580, 130, 200, 200), Qt::magenta);
}

} // namespace

TEST(EmfWriter, RecordedPagePlaysBackLikeTheDirectDrawing)
{
    emf::installFontSubstitutions();
    const QSize size(800, 260);
    QImage direct(size, QImage::Format_RGB32);
    direct.fill(Qt::white);
    {
        QPainter p(&direct);
        p.setRenderHint(QPainter::Antialiasing);   // as the player draws
        drawScene(p);
    }
    EmfRecorder rec(size, 96, 96);
    {
        QPainter p(&rec);
        drawScene(p);
    }
    const QRMetafile page = rec.finish();
    QImage played(size, QImage::Format_RGB32);
    played.fill(Qt::white);
    {
        QPainter p(&played);
        const QRPlayResult r = page.play(p, QRectF(QPointF(0, 0), QSizeF(size)));
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(r.recordsSkipped, 0) << r.error.toStdString();
    }
    if (qEnvironmentVariableIsSet("TABULON_EMF_DUMP")) {
        direct.save(QDir(qEnvironmentVariable("TABULON_EMF_DUMP")).filePath(QStringLiteral("scene-direct.png")));
        played.save(QDir(qEnvironmentVariable("TABULON_EMF_DUMP")).filePath(QStringLiteral("scene-played.png")));
    }
    // Shapes and colours agree pixel for pixel except at edges and glyph outlines.
    int differ = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            const QRgb a = direct.pixel(x, y), b = played.pixel(x, y);
            if (qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b)) + qAbs(qBlue(a) - qBlue(b)) > 96)
                ++differ;
        }
    EXPECT_LT(differ, size.width() * size.height() / 100);
    // Spot checks: the clip kept magenta inside its rectangle only.
    EXPECT_EQ(played.pixelColor(630, 170), QColor(Qt::magenta));
    EXPECT_EQ(played.pixelColor(590, 140), QColor(Qt::white));
    EXPECT_EQ(played.pixelColor(100, 190), QColor(Qt::red));
    EXPECT_EQ(played.pixelColor(510, 160), QColor(0, 0, 128));
}

TEST(EmfWriter, TransparentPicturesLetWhatIsBehindThemShow)
{
    QImage picture(20, 20, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 20; ++x)
            picture.setPixelColor(x, y, y < 10 ? QColor(Qt::blue) : QColor(0, 0, 255, 128));
    EmfRecorder rec(QSize(100, 100), 96, 96);
    {
        QPainter p(&rec);
        p.fillRect(QRect(0, 0, 60, 60), Qt::red);
        p.drawImage(QRect(20, 20, 20, 20), picture);
    }
    QImage played(100, 100, QImage::Format_RGB32);
    played.fill(Qt::white);
    {
        QPainter p(&played);
        const QRPlayResult r = rec.finish().play(p, QRectF(0, 0, 100, 100));
        EXPECT_TRUE(r.ok) << r.error.toStdString();
    }
    EXPECT_EQ(played.pixelColor(25, 25), QColor(Qt::red));    // transparent: the red behind
    EXPECT_EQ(played.pixelColor(35, 25), QColor(Qt::blue));   // opaque
    const QColor half = played.pixelColor(35, 35);            // half: red and blue mixed
    EXPECT_NEAR(half.red(), 127, 3);
    EXPECT_NEAR(half.blue(), 128, 3);
    EXPECT_EQ(played.pixelColor(70, 70), QColor(Qt::white));
}
