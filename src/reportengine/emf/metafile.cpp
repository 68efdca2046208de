#include "reportengine/emf/metafile.h"

#include "reportengine/emf/emf_format.h"
#include "reportengine/emf/emf_player.h"
#include "reportengine/qrerror.h"

#include <utility>

namespace {

// Reads the header; an empty string when it is usable, else what is wrong.
QString parseHeader(const QByteArray& bytes, QRMetafileHeader& h)
{
    const emf::Bytes b(bytes);
    if (b.size() < emf::kHeaderMinSize)
        return QStringLiteral("no EMF image: %1 bytes, shorter than an EMF header").arg(bytes.size());
    if (*b.u32(0) != emf::EMR_HEADER)
        return QStringLiteral("no EMF image: the first record is of type %1, not a header").arg(*b.u32(0));
    if (*b.u32(40) != emf::kSignature)
        return QStringLiteral("no EMF image: signature 0x%1 at offset 40").arg(*b.u32(40), 8, 16, QLatin1Char('0'));
    h.headerSize = *b.u32(4);
    if (h.headerSize < emf::kHeaderMinSize || h.headerSize > b.size() || h.headerSize % 4)
        return QStringLiteral("damaged EMF image: header record size %1 (image %2 bytes)").arg(h.headerSize).arg(b.size());
    auto rect = [&](std::uint32_t o) {
        return QRect(QPoint(*b.i32(o), *b.i32(o + 4)), QPoint(*b.i32(o + 8), *b.i32(o + 12)));
    };
    h.bounds = rect(8);
    h.frame = rect(24);
    h.fileSize = *b.u32(48);
    h.recordCount = *b.u32(52);
    h.handleCount = *b.u16(56);
    h.deviceSizePixels = QSize(*b.i32(72), *b.i32(76));
    h.deviceSizeMillimetres = QSize(*b.i32(80), *b.i32(84));
    if (h.headerSize >= 108)
        h.deviceSizeMicrometres = QSize(*b.i32(100), *b.i32(104));
    const std::uint32_t nDescription = *b.u32(60);
    const std::uint32_t offDescription = *b.u32(64);
    // The description is optional decoration: read it only when it lies inside the header record.
    if (nDescription > 0 && nDescription < 1024 && offDescription >= emf::kHeaderMinSize
        && b.has(offDescription, nDescription * 2) && offDescription + nDescription * 2 <= h.headerSize) {
        QString d = emf::utf16At(b, offDescription, nDescription);
        d.replace(QChar(0), QLatin1Char('|'));
        while (d.endsWith(QLatin1Char('|')))
            d.chop(1);
        h.description = d;
    }
    return {};
}

} // namespace

QRMetafile::QRMetafile(QByteArray bytes) : m_bytes(std::move(bytes))
{
    m_valid = parseHeader(m_bytes, m_header).isEmpty();
}

QString QRMetafile::validate(const QByteArray& bytes)
{
    QRMetafileHeader h;
    return parseHeader(bytes, h);
}

QRMetafile QRMetafile::fromBytes(QByteArray bytes)
{
    QRMetafile m(std::move(bytes));
    if (!m.m_valid)
        throw EQRError(validate(m.m_bytes));
    return m;
}

QRPlayResult QRMetafile::play(QPainter& painter, const QRectF& target) const
{
    return emf::play(*this, painter, target);
}
