#include "reportengine/store/qrcompress.h"

#include "reportengine/qrerror.h"
#include "reportengine/store/qrstream.h"

#include <algorithm>

namespace {
constexpr std::size_t kBlock = 8192;
}

TQRCompress::TQRCompress(TQRStream& stream, Mode mode, qint64 limit)
    : m_stream(stream), m_mode(mode), m_limit(limit), m_bitPosition(mode == Compressing ? 0 : 7)
{
    for (int i = 1; i <= 512; ++i)
        m_up[i] = static_cast<std::uint8_t>((i - 1) / 2);
    for (int j = 0; j < 256; ++j) {
        m_left[j] = static_cast<std::uint16_t>(2 * j + 1);
        m_right[j] = static_cast<std::uint16_t>(2 * j + 2);
    }
    if (mode == Compressing)
        m_buffer.reserve(kBlock);
}

TQRCompress::~TQRCompress()
{
    try {
        Finish();
    } catch (...) {
    }
}

void TQRCompress::splay(int v)
{
    int a = 256 + v;
    do {
        const int p = m_up[a];
        if (p == 0)
            break;
        const int g = m_up[p];
        int b = m_left[g];
        if (b == p) {
            b = m_right[g];
            m_right[g] = static_cast<std::uint16_t>(a);
        } else {
            m_left[g] = static_cast<std::uint16_t>(a);
        }
        if (m_left[p] == a)
            m_left[p] = static_cast<std::uint16_t>(b);
        else
            m_right[p] = static_cast<std::uint16_t>(b);
        m_up[a] = static_cast<std::uint8_t>(g);
        m_up[b] = static_cast<std::uint8_t>(p);
        a = g;
    } while (a != 0);
}

void TQRCompress::putByte(std::uint8_t b)
{
    m_buffer.push_back(b);
    ++m_coded;
    if (m_buffer.size() >= kBlock) {
        m_stream.WriteExact(m_buffer.data(), static_cast<qint64>(m_buffer.size()));
        m_buffer.clear();
    }
}

void TQRCompress::EncodeByte(std::uint8_t v)
{
    // The path from the leaf up to the root, emitted root first. A leaf is at most 256 deep.
    std::array<std::uint8_t, 264> bits;
    int n = 0;
    int a = 256 + v;
    while (a != 0) {
        const int p = m_up[a];
        bits[static_cast<std::size_t>(n++)] = m_right[p] == a ? 1 : 0;
        a = p;
    }
    // Bits fill each output byte from its lowest bit; whole bytes leave through the buffer.
    while (n > 0) {
        m_bits |= std::uint64_t(bits[static_cast<std::size_t>(--n)]) << m_bitCount;
        if (++m_bitCount == 64) {
            for (int i = 0; i < 8; ++i)
                putByte(static_cast<std::uint8_t>(m_bits >> (8 * i)));
            m_bits = 0;
            m_bitCount = 0;
        }
    }
    splay(v);
}

bool TQRCompress::fill()
{
    // Read ahead no further than the limit, so a caller's next field stays where it is.
    qint64 want = static_cast<qint64>(kBlock);
    if (m_limit >= 0)
        want = std::min(want, m_limit - m_stream.Position());
    if (want <= 0)
        return false;
    m_buffer.resize(static_cast<std::size_t>(want));
    const qint64 got = m_stream.Read(m_buffer.data(), want);
    m_buffer.resize(static_cast<std::size_t>(std::max<qint64>(got, 0)));
    m_bufferPos = 0;
    return got > 0;
}

std::uint8_t TQRCompress::DecodeByte()
{
    int a = 0;
    do {
        if (m_bitPosition == 7) {
            if (m_bufferPos >= m_buffer.size() && !fill())
                throw EQRError(QStringLiteral("compressed page ends early (after %1 bytes of code)").arg(m_coded));
            m_byte = m_buffer[m_bufferPos++];
            ++m_coded;
            m_bitPosition = 0;
        } else {
            ++m_bitPosition;
        }
        a = (m_byte >> m_bitPosition) & 1 ? m_right[a] : m_left[a];
    } while (a <= 255);
    if (a > 511)
        throw EQRError(QStringLiteral("compressed page holds a code of no byte (at code byte %1)").arg(m_coded));
    splay(a - 256);
    return static_cast<std::uint8_t>(a - 256);
}

void TQRCompress::Finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_mode == Compressing) {
        // The last byte keeps its unused high bits zero.
        for (int i = 0; i * 8 < m_bitCount; ++i) {
            m_buffer.push_back(static_cast<std::uint8_t>(m_bits >> (8 * i)));
            ++m_coded;
        }
        m_bits = 0;
        m_bitCount = 0;
        if (!m_buffer.empty())
            m_stream.WriteExact(m_buffer.data(), static_cast<qint64>(m_buffer.size()));
        m_buffer.clear();
    } else {
        const qint64 unread = static_cast<qint64>(m_buffer.size() - m_bufferPos);
        if (unread > 0)
            m_stream.Seek(-unread, TQRStream::Origin::Current);
        m_buffer.clear();
        m_bufferPos = 0;
    }
}

qint64 TQRCompress::BytesCoded() const
{
    return m_mode == Compressing ? m_coded + (m_bitCount + 7) / 8 : m_coded;
}
