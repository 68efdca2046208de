// Page store and EMF benchmark: the coder's throughput (compress and expand, MB/s) on report
// pages and on random bytes, adding and reading pages, and playing pages (pages per second).
// Writes a report file of field-definition-like pages for timing `tabulon-cli qrp-render`.
//   store_bench OUT.qrp [pages]
#include "reportengine/emf/emf_recorder.h"
#include "reportengine/store/qrcompress.h"
#include "reportengine/store/qrpagelist.h"
#include "reportengine/store/qrstream.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

// An A4 page at 600 dpi laid out like the field-definition report: title boxes, column heads,
// 45 rows of name, type, size and description, a page number.
QRMetafile reportPage(int number)
{
    EmfRecorder rec(QSize(4961, 7016), 600, 600);
    QPainter p(&rec);
    QFont title(QStringLiteral("ＭＳ Ｐゴシック"));
    title.setPointSize(20);
    QFont body(QStringLiteral("ＭＳ Ｐゴシック"));
    body.setPointSize(9);
    QFont fixed(QStringLiteral("ＭＳ ゴシック"));
    fixed.setPointSize(9);
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(QColor(0xC0, 0xC0, 0xC0));
    p.drawRect(QRect(236, 236, 4488, 318));
    p.setFont(title);
    p.drawText(QPointF(300, 480), QStringLiteral("フィールド定義書  T_Customers"));
    p.drawRect(QRect(236, 600, 4488, 250));
    p.setFont(body);
    for (int c = 0; c < 5; ++c)
        p.drawText(QPointF(300 + c * 900, 760), QStringLiteral("見出し%1").arg(c));
    p.setBrush(Qt::NoBrush);
    for (int row = 0; row < 45; ++row) {
        const int y = 850 + row * 125;
        p.drawRect(QRect(236, y, 4488, 125));
        p.setFont(body);
        p.drawText(QPointF(300, y + 90), QStringLiteral("フィールド名_%1_%2").arg(number).arg(row));
        p.setFont(fixed);
        p.drawText(QPointF(1500, y + 90), QStringLiteral("Long Integer  "));
        p.setFont(body);
        p.drawText(QPointF(2500, y + 90), QString::number(4 * (row + 1)));
        p.drawText(QPointF(2900, y + 90), QStringLiteral("説明 description %1").arg(row));
    }
    p.drawText(QPointF(4500, 6700), QString::number(number));
    p.end();
    return rec.finish();
}

void coder(const char* what, const QByteArray& input)
{
    TQRStream out(1 << 30);
    auto t0 = Clock::now();
    {
        TQRCompress c(out, TQRCompress::Compressing);
        for (const char b : input)
            c.EncodeByte(static_cast<std::uint8_t>(b));
    }
    auto t1 = Clock::now();
    out.Seek(0);
    TQRCompress d(out, TQRCompress::Expanding);
    std::uint64_t sum = 0;
    for (qsizetype i = 0; i < input.size(); ++i)
        sum += d.DecodeByte();
    auto t2 = Clock::now();
    const double mb = input.size() / 1e6;
    std::printf("coder, %-22s %6.1f MB -> %6.1f MB (%4.1f %%): compress %6.1f MB/s, expand %6.1f MB/s%s\n", what, mb,
                out.Size() / 1e6, 100.0 * out.Size() / input.size(), mb / seconds(t0, t1), mb / seconds(t1, t2),
                sum == 0 ? " !" : "");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: store_bench OUT.qrp [pages]\n");
        return 1;
    }
    const int pages = argc > 2 ? std::atoi(argv[2]) : 20;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    auto t0 = Clock::now();
    std::vector<QRMetafile> images;
    for (int i = 1; i <= pages; ++i)
        images.push_back(reportPage(i));
    auto t1 = Clock::now();
    qint64 bytes = 0;
    for (const auto& m : images)
        bytes += m.size();
    std::printf("recording: %d report pages in %.3f s (%.1f pages/s), %.1f KB a page\n", pages, seconds(t0, t1),
                pages / seconds(t0, t1), bytes / 1e3 / pages);

    QByteArray pageBytes;
    while (pageBytes.size() < 16'000'000)
        for (const auto& m : images)
            pageBytes += m.bytes();
    pageBytes.truncate(16'000'000);
    coder("report pages", pageBytes);
    QByteArray random(16'000'000, '\0');
    std::mt19937 rng(7);
    for (char& c : random)
        c = static_cast<char>(rng());
    coder("random bytes", random);

    for (bool compressed : {false, true}) {
        TQRStream stream(kQRMemoryLimit);
        TQRPageList list;
        list.SetStream(&stream);
        list.SetCompression(compressed);
        auto a = Clock::now();
        for (const auto& m : images)
            list.AddPage(m);
        list.WriteHeader();
        auto b = Clock::now();
        for (int n = pages; n >= 1; --n)
            list.GetPage(n);
        auto c = Clock::now();
        std::printf("store (%s): AddPage %.2f ms a page, GetPage backwards %.2f ms a page, %.1f KB a page stored\n",
                    compressed ? "compressed" : "plain", 1e3 * seconds(a, b) / pages, 1e3 * seconds(b, c) / pages,
                    (stream.Size() - 124) / 1e3 / pages);
        if (!compressed)
            list.SaveToFile(QString::fromLocal8Bit(argv[1]));
    }

    // Playing pages into A4 pictures at 150 dpi (what qrp-render draws, without the PNG files).
    QImage picture(1240, 1754, QImage::Format_RGB32);
    auto p0 = Clock::now();
    for (const auto& m : images) {
        picture.fill(Qt::white);
        QPainter painter(&picture);
        m.play(painter, QRectF(0, 0, 1240, 1754));
    }
    auto p1 = Clock::now();
    std::printf("play at 150 dpi: %.1f pages/s\n", pages / seconds(p0, p1));
    return 0;
}
