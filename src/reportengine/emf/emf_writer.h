#pragma once
// Builds an EMF file image record by record: the header is written last, when bounds, sizes,
// record and handle counts are known.

#include "reportengine/emf/emf_format.h"

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

namespace emf {

class EmfWriter {
public:
    EmfWriter(QSize sizePixels, int dpiX, int dpiY);
    EmfWriter(const EmfWriter&) = delete;
    EmfWriter& operator=(const EmfWriter&) = delete;

    // Starts a record of the given type; fields go through w(); end() fixes its size.
    Writer& begin(std::uint32_t type);
    void end();
    // A record with 32-bit fields only.
    void simple(std::uint32_t type, std::initializer_list<std::uint32_t> fields);

    // Object handles: lowest free index from 1 (0 is the image itself).
    std::uint32_t newHandle();
    void freeHandle(std::uint32_t handle);

    // Grows the bounds of what was drawn (device pixels).
    void include(const QRect& r);

    // The whole image: header, records, end record. The writer starts afresh afterwards.
    QByteArray finish(const QString& description);

private:
    QSize m_size;
    int m_dpiX, m_dpiY;
    QByteArray m_records;
    Writer m_w;
    qsizetype m_recordStart = -1;
    std::uint32_t m_recordCount = 0;
    std::vector<bool> m_handles{true};
    QRect m_bounds;
};

} // namespace emf
