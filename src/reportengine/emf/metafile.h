#pragma once
// A page image: the bytes of an EMF file, owned. The page store keeps exactly these bytes; the
// player draws them.

#include <QByteArray>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>

class QPainter;

// What the EMF header says. Sizes and counts are as written, which real files sometimes get
// wrong; the player trusts only the bytes it has.
struct QRMetafileHeader {
    QRect bounds;                  // device units, inclusive
    QRect frame;                   // 0.01 mm, inclusive
    std::uint32_t headerSize = 0;
    std::uint32_t fileSize = 0;    // nBytes
    std::uint32_t recordCount = 0; // nRecords
    std::uint16_t handleCount = 0; // nHandles
    QSize deviceSizePixels;        // szlDevice
    QSize deviceSizeMillimetres;   // szlMillimeters
    QSize deviceSizeMicrometres;   // szlMicrometers (108-byte headers), else empty
    QString description;
};

// What playing a page did: draw what can be drawn, say what could not.
struct QRPlayResult {
    bool ok = true;            // false: the page was damaged (error says where); what came before was drawn
    QString error;
    int recordsPlayed = 0;
    int recordsSkipped = 0;    // unknown or unsupported records, skipped by their size
};

class QRMetafile {
public:
    QRMetafile() = default;
    // Takes the image as it is; isValid() tells whether it starts with a usable EMF header.
    explicit QRMetafile(QByteArray bytes);
    // Throws EQRError naming what is wrong when the bytes are no EMF image.
    static QRMetafile fromBytes(QByteArray bytes);
    // Why bytes are no EMF image, or an empty string when they are one.
    static QString validate(const QByteArray& bytes);

    bool isNull() const { return m_bytes.isEmpty(); }
    bool isValid() const { return m_valid; }
    const QByteArray& bytes() const { return m_bytes; }
    qint64 size() const { return m_bytes.size(); }

    const QRMetafileHeader& header() const { return m_header; }
    QRect bounds() const { return m_header.bounds; }
    QRect frame() const { return m_header.frame; }
    QSize deviceSizePixels() const { return m_header.deviceSizePixels; }
    QSize deviceSizeMillimetres() const { return m_header.deviceSizeMillimetres; }

    // Draws the page stretched over target (the picture frame fills the rectangle).
    QRPlayResult play(QPainter& painter, const QRectF& target) const;

private:
    QByteArray m_bytes;
    QRMetafileHeader m_header;
    bool m_valid = false;
};
