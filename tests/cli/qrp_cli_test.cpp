// tabulon-cli qrp-info and qrp-render over report files built byte by byte.

#include "cli_runner.h"
#include "reportengine/emf_builder.h"

#include <QDir>
#include <QFile>
#include <QSize>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A page of 210 x 297 mm (1 pixel a millimetre) with a red rectangle.
QByteArray page(int number)
{
    EmfBuilder::Header h;
    h.frame[2] = 21000;
    h.frame[3] = 29700;
    h.devicePx[0] = 210;
    h.devicePx[1] = 297;
    h.deviceMm[0] = 210;
    h.deviceMm[1] = 297;
    EmfBuilder b(h);
    b.rec(39, {1, 0, 0x0000FF, 0}).rec(37, {1}).rec(43, {10, 10, 10 + number * 10, 50}).eof();
    return b.image();
}

// The page store's layout: header, then page number, next, image, back for each page.
QByteArray reportFile(int pages)
{
    QByteArray f(124, '\0');
    f[0] = 3;
    f[2] = char(207);
    for (int n = 1; n <= pages; ++n) {
        const QByteArray img = page(n);
        const qint32 start = static_cast<qint32>(f.size());
        EmfBuilder::put32(f, static_cast<std::uint32_t>(n));
        EmfBuilder::put32(f, static_cast<std::uint32_t>(start + 12 + img.size()));
        f.append(img);
        EmfBuilder::put32(f, static_cast<std::uint32_t>(start));
    }
    const qint32 count = pages;
    std::memcpy(f.data() + 8, &count, 4);
    return f;
}

QString write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

QSize pngSize(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray h = f.read(24);
    auto be = [&](int at) {
        return int(quint8(h[at])) << 24 | int(quint8(h[at + 1])) << 16 | int(quint8(h[at + 2])) << 8 | int(quint8(h[at + 3]));
    };
    return h.startsWith("\x89PNG") ? QSize(be(16), be(20)) : QSize();
}

} // namespace

TEST(QrpCli, InfoListsHeaderAndRecords)
{
    QTemporaryDir dir;
    const QByteArray bytes = reportFile(2);
    const QString file = write(dir, QStringLiteral("two.qrp"), bytes);
    const CliRun r = runCli({QStringLiteral("qrp-info"), file});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    const QList<QByteArray> lines = r.out.split('\n');
    EXPECT_TRUE(r.out.contains("format\t3 207\n"));
    EXPECT_TRUE(r.out.contains("pages\t2\n"));
    EXPECT_TRUE(r.out.contains("compressed\t0\n"));
    EXPECT_TRUE(r.out.contains("size\t" + QByteArray::number(bytes.size()) + "\n"));
    EXPECT_TRUE(r.out.contains("page\tstart\tnext\tback\tpayload\timage\n"));
    const qsizetype first = page(1).size();
    EXPECT_TRUE(r.out.contains(QStringLiteral("1\t124\t%1\t124\t%2\t%2\n").arg(124 + 12 + first).arg(first).toUtf8()))
        << r.out.constData();
    EXPECT_TRUE(r.out.contains(QStringLiteral("2\t%1\t%2\t%1\t").arg(124 + 12 + first).arg(bytes.size()).toUtf8()))
        << r.out.constData();
}

TEST(QrpCli, RenderWritesOnePictureAPageAtTheChosenResolution)
{
    QTemporaryDir dir;
    const QString file = write(dir, QStringLiteral("three.qrp"), reportFile(3));
    const QString out = dir.filePath(QStringLiteral("png"));
    CliRun r = runCli({QStringLiteral("qrp-render"), file, QStringLiteral("--png"), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(pngSize(QDir(out).filePath(QStringLiteral("page-%1.png").arg(n))), QSize(1240, 1754)) << n;   // A4 at 150 dpi
    EXPECT_FALSE(QFile::exists(QDir(out).filePath(QStringLiteral("page-4.png"))));
    r = runCli({QStringLiteral("qrp-render"), file, QStringLiteral("--png"), out, QStringLiteral("--dpi"), QStringLiteral("72")});
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(pngSize(QDir(out).filePath(QStringLiteral("page-1.png"))), QSize(595, 842));
}

TEST(QrpCli, DamagedPagesAreNamedAndTheOthersStillRender)
{
    QTemporaryDir dir;
    QByteArray bytes = reportFile(3);
    // Page 2's image loses its signature.
    const qsizetype page2 = 124 + 12 + page(1).size() + 8;
    bytes[page2 + 40] = 'X';
    const QString file = write(dir, QStringLiteral("bad.qrp"), bytes);
    const QString out = dir.filePath(QStringLiteral("png"));
    const CliRun r = runCli({QStringLiteral("qrp-render"), file, QStringLiteral("--png"), out});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains("page 2")) << r.err.constData();
    EXPECT_TRUE(r.err.contains("1 of 3 pages damaged")) << r.err.constData();
    EXPECT_TRUE(QFile::exists(QDir(out).filePath(QStringLiteral("page-1.png"))));
    EXPECT_FALSE(QFile::exists(QDir(out).filePath(QStringLiteral("page-2.png"))));
    EXPECT_TRUE(QFile::exists(QDir(out).filePath(QStringLiteral("page-3.png"))));
}

TEST(QrpCli, FilesThatAreNoReportFiles)
{
    QTemporaryDir dir;
    QByteArray loop = reportFile(3);
    std::memcpy(loop.data() + 8, "\xFF\xFF\xFF\xFF", 4);   // page count -1
    const QString negative = write(dir, QStringLiteral("neg.qrp"), loop);
    const QString tiny = write(dir, QStringLiteral("tiny.qrp"), QByteArray("QRP"));
    QByteArray other = reportFile(0);
    other[2] = 0;   // format words 3 0: some other kind of file that happens to be long enough
    const QString otherKind = write(dir, QStringLiteral("other.qrp"), other);
    for (const QString& f : {negative, tiny, otherKind, dir.filePath(QStringLiteral("missing.qrp"))}) {
        for (const QString& command : {QStringLiteral("qrp-info"), QStringLiteral("qrp-render")}) {
            QStringList args{command, f};
            if (command == QLatin1String("qrp-render"))
                args << QStringLiteral("--png") << dir.filePath(QStringLiteral("out"));
            const CliRun r = runCli(args);
            EXPECT_EQ(r.exitCode, 2) << command.toStdString() << " " << f.toStdString();
            EXPECT_EQ(r.err.count('\n'), 1) << r.err.constData();
        }
    }
    // A file whose links end early: info prints what it found, then fails.
    QByteArray cut = reportFile(3);
    cut.truncate(cut.size() - 30);
    const CliRun r = runCli({QStringLiteral("qrp-info"), write(dir, QStringLiteral("cut.qrp"), cut)});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.startsWith("file\t"));
    EXPECT_TRUE(r.out.contains("\n1\t124\t"));
}

TEST(QrpCli, UsageErrors)
{
    EXPECT_EQ(runCli({QStringLiteral("qrp-info")}).exitCode, 1);
    EXPECT_EQ(runCli({QStringLiteral("qrp-render"), QStringLiteral("x.qrp")}).exitCode, 1);
    EXPECT_EQ(runCli({QStringLiteral("qrp-render"), QStringLiteral("x.qrp"), QStringLiteral("--png"), QStringLiteral("d"),
                      QStringLiteral("--dpi"), QStringLiteral("0")}).exitCode, 1);
}
