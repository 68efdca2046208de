#include "reportengine/controls/label.h"

#include "reportengine/controls/text_measure.h"
#include "reportengine/printer/qrprinter.h"
#include "reportengine/printer/rounding.h"
#include "reportengine/report/band.h"
#include "reportengine/report/qrreport.h"

#include <QFontMetricsF>
#include <QPainter>

QString proportionalFaceName()
{
    return QStringLiteral("ＭＳ Ｐゴシック");
}

QString fixedFaceName()
{
    return QStringLiteral("ＭＳ ゴシック");
}

QFont reportFont(const QString& family, qreal points, bool bold)
{
    QFont font(family);
    const bool fixed = family == fixedFaceName();
    font.setFamilies({family, fixed ? QStringLiteral("IPAGothic") : QStringLiteral("IPAPGothic")});
    font.setStyleHint(fixed ? QFont::Monospace : QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    // Widths as designed, not snapped to whole pixels of whatever device measures them.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

TQRCustomLabel::TQRCustomLabel(QObject* parent)
    : TQRPrintable(parent), m_font(reportFont(proportionalFaceName(), 9))
{
}

void TQRCustomLabel::setCaption(const QString& caption)
{
    m_caption = caption;
    buildLines();
}

void TQRCustomLabel::setFont(const QFont& font)
{
    m_font = font;
    buildLines();
}

void TQRCustomLabel::setFontSize(int points)
{
    if (points > 0) {
        m_font.setPointSize(points);
        buildLines();
    }
}

void TQRCustomLabel::setAutoSize(bool on)
{
    m_autoSize = on;
    buildLines();
}

void TQRCustomLabel::setWordWrap(bool on)
{
    m_wordWrap = on;
    buildLines();
}

void TQRCustomLabel::setAlignment(TAlignment alignment)
{
    if (alignment != TAlignment::taLeftJustify)
        m_autoSize = false;
    TQRPrintable::setAlignment(alignment);
}

void TQRCustomLabel::buildLines()
{
    const TQRReport* report = ParentReport();
    const QRTextMeasure fallback(screenPixelsPerInch());
    const QRTextMeasure& measure = report ? report->MeasureDC() : fallback;
    const int z = zoom();
    const auto scaled = [z](long double px) { return qrRound32(px * z / 100); };

    QStringList source = m_caption.isEmpty() ? SourceLines : QStringList{m_caption};
    m_lines.clear();
    if (m_autoSize || !m_wordWrap) {
        m_lines = source;
    } else {
        Size.setPixels();
        const int boxWidth = qrRound32(Size.Width());   // a control is whole pixels wide
        Size.restoreUnit();
        for (const QString& line : source) {
            if (line.isEmpty()) {
                m_lines << QString();
                continue;
            }
            QString current;
            for (const QString& word : splitWords(line)) {
                const QString candidate = current + word;
                if (!current.isEmpty() && scaled(measure.TextWidth(m_font, candidate)) > boxWidth) {
                    m_lines << current;
                    current = word;
                } else {
                    current = candidate;
                }
            }
            m_lines << current;
        }
    }

    const int lineHeight = qrRound32((long double)measure.TextHeight(m_font) * z / 100) + 1;
    Size.setPixels();
    if (m_autoSize) {
        int width = 0;
        for (const QString& line : m_lines)
            width = std::max(width, scaled(measure.TextWidth(m_font, line)));
        if (Frame.DrawLeft)
            width += Frame.Width;
        if (Frame.DrawRight)
            width += Frame.Width;
        Size.setWidth(width);
        if (SourceLines.isEmpty())
            Size.setHeight(lineHeight);
    } else if (Size.Height() < lineHeight) {
        Size.setHeight(lineHeight);
    }
    Size.restoreUnit();
    applyAlignToBand();
}

void TQRCustomLabel::PreparePrint(TQRPrinter* printer)
{
    TQRPrintable::PreparePrint(printer);
    setCaption(m_caption);
}

long double TQRCustomLabel::keepOnPage(long double, long double) const
{
    return 0;
}

void TQRCustomLabel::Print(long double ox, long double oy)
{
    if (!m_printer || !m_printer->Canvas())
        return;
    long double X = nLeft() + ox;
    long double Y = nTop() + oy;
    const long double W = nWidth();
    const long double H = nHeight();

    const QString saved = m_caption;
    bool replaced = false;
    if (OnPrint && !m_caption.isEmpty()) {
        QString value = m_caption;
        OnPrint(this, value);
        if (value != m_caption) {
            setCaption(value);
            replaced = true;
        }
    } else {
        buildLines();
    }
    printLines(X, Y, W, H);
    if (replaced)
        setCaption(saved);
    TQRPrintable::Print(ox, oy);
}

void TQRCustomLabel::printLines(long double X, long double Y, long double W, long double H)
{
    TQRPrinter& p = *m_printer;
    QPainter* canvas = p.Canvas();
    m_linesPrinted = 0;
    m_lastText = QRectF();
    canvas->setFont(m_font);
    const int dpiY = canvas->device()->logicalDpiY();
    int linePx = lineHeightPixels(m_font, dpiY);
    const long double L = linePx / p.YFactor();
    int baseline = baselineOffsetPixels(m_font, canvas->device(), linePx);

    // The widest line decides how far a text that would leave the page moves back.
    qreal widest = 0;
    for (const QString& line : m_lines)
        widest = std::max(widest, canvas->fontMetrics().horizontalAdvance(line) + 0.0);
    const long double shift = keepOnPage(X, widest / p.XFactor());
    X -= shift;

    if (!Transparent) {
        canvas->fillRect(QRect(QPoint(p.XPos(X), p.YPos(Y)), QPoint(p.XPos(X + W) - 1, p.YPos(Y + H) - 1)), Color);
    }
    if (Frame.hasSide()) {
        const long double inset = qrRound32(Frame.Width / 72.0L * 254);
        if (Frame.DrawTop)
            Y += inset;
        if (Frame.DrawLeft)
            X += inset;
    }
    long double B = Y + H + 1;
    long double anchor = X;
    if (Alignment() == TAlignment::taRightJustify)
        anchor = X + W;
    else if (Alignment() == TAlignment::taCenter)
        anchor = X + W / 2;

    canvas->setBackgroundMode(Qt::TransparentMode);
    canvas->setPen(Qt::black);
    const QFontMetricsF metrics(m_font, canvas->device());
    for (const QString& line : m_lines) {
        if (Y + L > B) {
            if (!AutoStretch || line.isEmpty())
                break;
            TQRCustomBand* band = ParentBand();
            if (!band)
                break;
            const TQRCustomBand::GrowResult grown = band->GrowBy(L);
            if (grown.broke) {
                Y = grown.newTop;
                anchor += grown.shiftX;
                canvas = p.Canvas();
                if (!canvas)
                    break;
                canvas->setFont(m_font);
                canvas->setBackgroundMode(Qt::TransparentMode);
                canvas->setPen(Qt::black);
                linePx = lineHeightPixels(m_font, canvas->device()->logicalDpiY());
                baseline = baselineOffsetPixels(m_font, canvas->device(), linePx);
            }
            B = Y + L;
            if (!Transparent) {
                const long double left = Alignment() == TAlignment::taLeftJustify ? anchor
                                         : Alignment() == TAlignment::taRightJustify ? anchor - W
                                                                                      : anchor - W / 2;
                canvas->fillRect(QRect(QPoint(p.XPos(left), p.YPos(Y)), QPoint(p.XPos(left + W) - 1, p.YPos(B) - 1)), Color);
            }
        }
        if (!line.isEmpty()) {
            const qreal width = metrics.horizontalAdvance(line);
            qreal x = p.XPos(anchor);
            if (Alignment() == TAlignment::taRightJustify)
                x -= width;
            else if (Alignment() == TAlignment::taCenter)
                x -= width / 2;
            canvas->drawText(QPointF(x, p.YPos(Y) + baseline), line);
            ++m_linesPrinted;
            m_lastText |= QRectF(x, p.YPos(Y), width, linePx);
        }
        Y += L;
    }
}
