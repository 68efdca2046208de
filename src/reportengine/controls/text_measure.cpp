#include "reportengine/controls/text_measure.h"

#include "reportengine/printer/rounding.h"

#include <QFontMetricsF>
#include <QPaintDevice>

#include <cmath>

QRTextMeasure::QRTextMeasure(int screenDpi) : m_device(1, 1, QImage::Format_RGB32), m_dpi(screenDpi > 0 ? screenDpi : 96)
{
    const int dpm = int(std::lround(m_dpi / 0.0254));
    m_device.setDotsPerMeterX(dpm);
    m_device.setDotsPerMeterY(dpm);
}

int QRTextMeasure::TextWidth(const QFont& font, const QString& s) const
{
    return int(std::ceil(QFontMetricsF(font, &m_device).horizontalAdvance(s) - 0.01)) + 1;
}

int QRTextMeasure::TextHeight(const QFont& font) const
{
    return lineHeightPixels(font, m_dpi);
}

int lineHeightPixels(const QFont& font, int dpiY)
{
    long double px = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * dpiY / 72.0L;
    if (font.pixelSize() > 0 && dpiY != 96)
        px = font.pixelSize() * (long double)dpiY / 96.0L;
    return std::max(1, qrRound32(px));
}

int baselineOffsetPixels(const QFont& font, const QPaintDevice* device, int lineHeight)
{
    const QFontMetricsF m(font, const_cast<QPaintDevice*>(device));
    const qreal cell = m.ascent() + m.descent();
    if (cell <= 0)
        return lineHeight;
    return qrRound32(lineHeight * m.ascent() / cell);
}

namespace {

bool singleByte(char32_t c)
{
    return c <= 0xFF || (c >= 0xFF61 && c <= 0xFF9F);   // ASCII, Latin-1, half-width katakana
}

// Characters that cling to the character before them.
bool clings(char32_t c)
{
    static const std::u32string set = U"‘“（〔［｛〈《「『【、。，．";
    return set.find(c) != std::u32string::npos;
}

} // namespace

QStringList splitWords(const QString& line)
{
    const std::u32string text = line.toStdU32String();
    QStringList words;
    std::u32string word;
    auto flush = [&] {
        if (!word.empty())
            words << QString::fromStdU32String(word);
        word.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (singleByte(c)) {
            word += c;
            if (c == U' ')
                flush();
            continue;
        }
        flush();
        word += c;
        if (i + 1 < text.size() && !singleByte(text[i + 1]) && clings(text[i + 1]))
            word += text[++i];
        flush();
    }
    flush();
    return words;
}
