#include "reportengine/export/page_text.h"

#include "reportengine/emf/emf_player.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

QStringList pageTextLines(const QRMetafile& page, QRPlayResult* played)
{
    std::vector<emf::TextRun> runs;
    const emf::TextSink sink = [&runs](const emf::TextRun& run) {
        if (!run.text.trimmed().isEmpty())
            runs.push_back(run);
    };
    // Played into one pixel: only where the texts go matters, in 0.1 mm of the page's frame.
    const QRect frame = page.frame();
    const double w = (double(frame.right()) - frame.left()) / 10, h = (double(frame.bottom()) - frame.top()) / 10;
    const QRectF target = w >= 1 && h >= 1 && w < 1e6 && h < 1e6 ? QRectF(0, 0, w, h) : QRectF(0, 0, 10000, 10000);
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scratch);
    const QRPlayResult result = emf::play(page, painter, target, &sink);
    painter.end();
    if (played)
        *played = result;

    std::stable_sort(runs.begin(), runs.end(), [](const emf::TextRun& a, const emf::TextRun& b) {
        return a.baseline.y() < b.baseline.y();
    });
    std::vector<std::vector<const emf::TextRun*>> lines;
    double lineY = 0, lineHeight = 0;
    for (const emf::TextRun& run : runs) {
        const double tolerance = std::max(lineHeight, run.height) / 2;
        if (lines.empty() || std::fabs(run.baseline.y() - lineY) > tolerance) {
            lines.emplace_back();
            lineY = run.baseline.y();
            lineHeight = run.height;
        }
        lines.back().push_back(&run);
    }
    QStringList out;
    for (auto& line : lines) {
        std::stable_sort(line.begin(), line.end(), [](const emf::TextRun* a, const emf::TextRun* b) {
            return a->baseline.x() < b->baseline.x();
        });
        QString text;
        double end = 0;
        for (const emf::TextRun* run : line) {
            if (!text.isEmpty())
                text += run->baseline.x() - end > run->height / 3 ? QStringLiteral("\t") : QString();
            text += run->text;
            end = run->baseline.x() + run->width;
        }
        // Line breaks inside a text would split the line in an editor.
        text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        out << text;
    }
    return out;
}
