#include "reportengine/emf/emf_writer.h"

#include <cmath>

namespace emf {

EmfWriter::EmfWriter(QSize sizePixels, int dpiX, int dpiY)
    : m_size(sizePixels), m_dpiX(dpiX > 0 ? dpiX : 96), m_dpiY(dpiY > 0 ? dpiY : 96), m_w(m_records)
{
}

Writer& EmfWriter::begin(std::uint32_t type)
{
    m_recordStart = m_records.size();
    m_w.u32(type);
    m_w.u32(0);
    return m_w;
}

void EmfWriter::end()
{
    m_w.pad4();
    m_w.patch(m_recordStart + 4, static_cast<std::uint32_t>(m_records.size() - m_recordStart));
    ++m_recordCount;
    m_recordStart = -1;
}

void EmfWriter::simple(std::uint32_t type, std::initializer_list<std::uint32_t> fields)
{
    Writer& w = begin(type);
    for (std::uint32_t f : fields)
        w.u32(f);
    end();
}

std::uint32_t EmfWriter::newHandle()
{
    for (std::size_t i = 1; i < m_handles.size(); ++i) {
        if (!m_handles[i]) {
            m_handles[i] = true;
            return static_cast<std::uint32_t>(i);
        }
    }
    m_handles.push_back(true);
    return static_cast<std::uint32_t>(m_handles.size() - 1);
}

void EmfWriter::freeHandle(std::uint32_t handle)
{
    if (handle > 0 && handle < m_handles.size())
        m_handles[handle] = false;
}

void EmfWriter::include(const QRect& r)
{
    m_bounds = m_bounds.isNull() ? r.normalized() : m_bounds.united(r.normalized());
}

QByteArray EmfWriter::finish(const QString& description)
{
    // End record: no palette, offset of the (absent) palette, its own size.
    simple(EMR_EOF, {0, 16, 20});

    constexpr std::uint32_t headerSize = 108;
    QByteArray desc;
    Writer d(desc);
    for (const QChar c : description)
        d.u16(c.unicode());
    d.u16(0);
    d.u16(0);
    const std::uint32_t descChars = static_cast<std::uint32_t>(desc.size() / 2);
    d.pad4();

    QByteArray out;
    out.reserve(headerSize + desc.size() + m_records.size());
    Writer h(out);
    const std::uint32_t headerRecord = headerSize + static_cast<std::uint32_t>(desc.size());
    h.u32(EMR_HEADER);
    h.u32(headerRecord);
    const QRect b = m_bounds.isNull() ? QRect(QPoint(0, 0), QPoint(-1, -1)) : m_bounds;
    h.i32(b.left());
    h.i32(b.top());
    h.i32(b.right());
    h.i32(b.bottom());
    // Frame in 0.01 mm: the whole page.
    h.i32(0);
    h.i32(0);
    h.i32(static_cast<std::int32_t>(std::lround(m_size.width() * 2540.0 / m_dpiX)));
    h.i32(static_cast<std::int32_t>(std::lround(m_size.height() * 2540.0 / m_dpiY)));
    h.u32(kSignature);
    h.u32(0x10000);
    h.u32(static_cast<std::uint32_t>(headerRecord + m_records.size()));
    h.u32(m_recordCount + 1);
    h.u16(static_cast<std::uint16_t>(std::min<std::size_t>(m_handles.size(), 0xFFFF)));
    h.u16(0);
    h.u32(descChars);
    h.u32(headerSize);
    h.u32(0);   // palette entries
    h.i32(m_size.width());
    h.i32(m_size.height());
    h.i32(static_cast<std::int32_t>(std::lround(m_size.width() * 25.4 / m_dpiX)));
    h.i32(static_cast<std::int32_t>(std::lround(m_size.height() * 25.4 / m_dpiY)));
    h.u32(0);   // pixel format size, offset; no OpenGL
    h.u32(0);
    h.u32(0);
    h.i32(static_cast<std::int32_t>(std::lround(m_size.width() * 25400.0 / m_dpiX)));
    h.i32(static_cast<std::int32_t>(std::lround(m_size.height() * 25400.0 / m_dpiY)));
    out.append(desc);
    out.append(m_records);
    m_records.clear();
    m_recordCount = 0;
    m_handles.assign(1, true);
    m_bounds = QRect();
    return out;
}

} // namespace emf
