#pragma once
// Text controls: a caption broken into lines, sized to its text, printed from its box's top.

#include "reportengine/controls/printable.h"

#include <QFont>
#include <QRectF>
#include <QStringList>

#include <functional>

class TQRCustomLabel : public TQRPrintable {
    Q_OBJECT

public:
    explicit TQRCustomLabel(QObject* parent = nullptr);

    QString Caption() const { return m_caption; }
    void setCaption(const QString& caption);
    QFont Font() const { return m_font; }
    void setFont(const QFont& font);
    // The point size stored with the form, applied after loading.
    void setFontSize(int points);

    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool AutoStretch = false;
    bool Transparent = false;
    bool WordWrap() const { return m_wordWrap; }
    void setWordWrap(bool on);
    bool ParentFont = false;
    void setAlignment(TAlignment alignment) override;

    // May change the text printed; the caption comes back afterwards.
    std::function<void(TQRCustomLabel* sender, QString& value)> OnPrint;

    const QStringList& FormattedLines() const { return m_lines; }
    QStringList SourceLines;   // multi-line texts; empty for a plain label

    void PreparePrint(TQRPrinter* printer) override;
    void Print(long double offsetX, long double offsetY) override;

    // Rebuilds the formatted lines and applies the automatic size.
    void buildLines();
    // Lines the last Print put on the page (a line lower than the box is dropped).
    int linesPrinted() const { return m_linesPrinted; }
    // Where the last Print placed its text, device pixels (empty when nothing printed).
    QRectF lastTextRect() const { return m_lastText; }

protected:
    // How far (native units) the text moves left to stay on the page; 0 for plain labels.
    virtual long double keepOnPage(long double anchorX, long double textWidthNative) const;

private:
    void printLines(long double X, long double Y, long double W, long double H);
    QString m_caption;
    QFont m_font;
    bool m_autoSize = true;
    bool m_wordWrap = true;
    QStringList m_lines;
    int m_linesPrinted = 0;
    QRectF m_lastText;
};

class TQRLabel : public TQRCustomLabel {
    Q_OBJECT

public:
    explicit TQRLabel(QObject* parent = nullptr) : TQRCustomLabel(parent) {}
};

// A font by the name the report asks for, with the IPA font that stands in for it.
QFont reportFont(const QString& family, qreal points, bool bold = false);
QString proportionalFaceName();   // "ＭＳ Ｐゴシック"
QString fixedFaceName();          // "ＭＳ ゴシック"
