#pragma once
// Text measurement for the layout (a screen-compatible context kept for the report's life) and
// the line height used when printing.

#include <QFont>
#include <QImage>
#include <QString>

class QPaintDevice;

class QRTextMeasure {
public:
    explicit QRTextMeasure(int screenDpi);
    // Width of s in screen pixels, plus one.
    int TextWidth(const QFont& font, const QString& s) const;
    // Height of a text line in screen pixels.
    int TextHeight(const QFont& font) const;
    int dpi() const { return m_dpi; }

private:
    QImage m_device;
    int m_dpi;
};

// A text line's height in whole pixels of a device: the font's em. The layout's boxes were sized
// for fonts whose cell is one em; the IPA substitutes report a cell about 1.07 em high whose
// extra is spacing, and measuring that would drop nearly every label.
int lineHeightPixels(const QFont& font, int dpiY);
// Where the baseline lies below a line's top edge, in device pixels, for that line height.
int baselineOffsetPixels(const QFont& font, const QPaintDevice* device, int lineHeight);

// Japanese line breaking of a label: words as the double-byte rules make them.
QStringList splitWords(const QString& line);
