// The recording paint device: standard records with the face names asked for, text in UTF-16
// with advances, a header that adds up, and an independent reader (emf2svg-conv) that opens
// every page we write and finds its text.

#include "emf_records.h"

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
