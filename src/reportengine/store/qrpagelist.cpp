#include "reportengine/store/qrpagelist.h"

#include "reportengine/qrerror.h"
#include "reportengine/store/qrcompress.h"
#include "reportengine/store/qrstream.h"

#include <QDate>
#include <QFileInfo>
#include <QSaveFile>

#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr qint64 kRecordOverhead = 12;   // page number, next, back
const QDate kEpoch(1899, 12, 30);

QString damaged(qint32 page, qint64 offset, const QString& what)
{
    return QStringLiteral("report file damaged: page %1, record at offset %2: %3").arg(page).arg(offset).arg(what);
}

} // namespace

QDateTime QRFileHeader::writtenAt() const
{
    if (!std::isfinite(written) || std::fabs(written) > 3e6)
        return {};
    const double days = std::floor(written);
    const qint64 ms = std::llround((written - days) * 86400000.0);
    return QDateTime(kEpoch.addDays(static_cast<qint64>(days)), QTime(0, 0)).addMSecs(ms);
}

TQRPageList::TQRPageList() = default;
TQRPageList::~TQRPageList() = default;

void TQRPageList::SetStream(TQRStream* stream)
{
    QMutexLocker locker(&m_lock);
    if (m_ownedStream && m_ownedStream.get() != stream)
        m_ownedStream.reset();
    m_stream = stream;
    m_recordHint = -1;
}

std::unique_ptr<TQRStream> TQRPageList::TakeStream()
{
    QMutexLocker locker(&m_lock);
    return std::move(m_ownedStream);
}

TQRStream& TQRPageList::stream()
{
    if (!m_stream)
        throw EQRError(QStringLiteral("the page store has no stream"));
    return *m_stream;
}

qint32 TQRPageList::readInt32(const char* what)
{
    std::array<unsigned char, 4> b{};
    stream().ReadExact(b.data(), 4, what);
    return static_cast<qint32>(quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24);
}

void TQRPageList::writeInt32(qint32 v)
{
    const auto u = static_cast<quint32>(v);
    const unsigned char b[4] = {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8),
                                static_cast<unsigned char>(u >> 16), static_cast<unsigned char>(u >> 24)};
    stream().WriteExact(b, 4);
}

void TQRPageList::WriteHeader()
{
    QMutexLocker locker(&m_lock);
    TQRStream& s = stream();
    QMutexLocker streamLocker(&s.Lock());
    std::array<unsigned char, kQRHeaderSize> h{};
    h[0] = 3;
    h[2] = 207;
    const auto count = static_cast<quint32>(m_pageCount);
    for (int i = 0; i < 4; ++i)
        h[8 + i] = static_cast<unsigned char>(count >> (8 * i));
    const QDateTime now = QDateTime::currentDateTime();
    const double stamp = static_cast<double>(kEpoch.daysTo(now.date()))
                         + now.time().msecsSinceStartOfDay() / 86400000.0;
    std::memcpy(h.data() + 12, &stamp, 8);
    h[21] = m_compression ? 1 : 0;
    s.Seek(0);
    s.WriteExact(h.data(), kQRHeaderSize);
}

QRFileHeader TQRPageList::Header()
{
    QMutexLocker locker(&m_lock);
    TQRStream& s = stream();
    QMutexLocker streamLocker(&s.Lock());
    std::array<unsigned char, kQRHeaderSize> h{};
    s.Seek(0);
    s.ReadExact(h.data(), kQRHeaderSize, "the 124-byte header");
    QRFileHeader r;
    r.format1 = static_cast<quint16>(h[0] | h[1] << 8);
    r.format2 = static_cast<quint16>(h[2] | h[3] << 8);
    r.pageCount = static_cast<qint32>(quint32(h[8]) | quint32(h[9]) << 8 | quint32(h[10]) << 16 | quint32(h[11]) << 24);
    std::memcpy(&r.written, h.data() + 12, 8);
    r.compressed = h[21] != 0;
    return r;
}

void TQRPageList::ReadHeader()
{
    QMutexLocker locker(&m_lock);
    TQRStream& s = stream();
    QMutexLocker streamLocker(&s.Lock());
    const qint64 size = s.Size();
    if (size < kQRHeaderSize)
        throw EQRError(QStringLiteral("not a report file: %1 bytes, shorter than the %2-byte header")
                           .arg(size).arg(kQRHeaderSize));
    const QRFileHeader h = Header();
    // Every record takes at least 12 bytes: a count the file cannot hold is damage, not pages.
    if (h.pageCount < 0)
        throw EQRError(QStringLiteral("report file damaged: the header gives %1 pages").arg(h.pageCount));
    const qint64 room = (size - kQRHeaderSize) / kRecordOverhead;
    if (h.pageCount > room)
        throw EQRError(QStringLiteral("report file damaged: the header gives %1 pages, the file (%2 bytes) has room for at most %3")
                           .arg(h.pageCount).arg(size).arg(room));
    m_pageCount = h.pageCount;
    m_compression = h.compressed;
}

void TQRPageList::LoadFromFile(const QString& fileName)
{
    QMutexLocker locker(&m_lock);
    auto opened = std::make_unique<TQRStream>(fileName);
    // Read the header through the new stream first: a file that fails leaves the list as it was.
    TQRStream* previous = m_stream;
    const qint32 previousCount = m_pageCount;
    const bool previousCompression = m_compression;
    m_stream = opened.get();
    try {
        ReadHeader();
    } catch (...) {
        m_stream = previous;
        m_pageCount = previousCount;
        m_compression = previousCompression;
        throw;
    }
    m_ownedStream = std::move(opened);
    m_recordHint = -1;
}

void TQRPageList::SaveToFile(const QString& fileName)
{
    QMutexLocker locker(&m_lock);
    TQRStream& s = stream();
    QMutexLocker streamLocker(&s.Lock());
    QSaveFile out(fileName);
    // A folder that admits no new file but the file itself: write it in place, unless that file
    // is the one being copied (truncating it would lose what is still to be read).
    const QString source = s.FileName().isEmpty() ? QString() : QFileInfo(s.FileName()).canonicalFilePath();
    out.setDirectWriteFallback(source.isEmpty() || source != QFileInfo(fileName).canonicalFilePath());
    if (!out.open(QIODevice::WriteOnly))
        throw EQRError(QStringLiteral("cannot create %1: %2").arg(fileName, out.errorString()));
    std::array<char, kQRSaveChunk> chunk;
    s.Seek(0);
    for (;;) {
        const qint64 n = s.Read(chunk.data(), kQRSaveChunk);
        if (n <= 0)
            break;
        if (out.write(chunk.data(), n) != n)
            throw EQRError(QStringLiteral("cannot write %1: %2").arg(fileName, out.errorString()));
    }
    if (!out.commit())
        throw EQRError(QStringLiteral("cannot write %1: %2").arg(fileName, out.errorString()));
}

void TQRPageList::Clear()
{
    QMutexLocker locker(&m_lock);
    m_pageCount = 0;
}

void TQRPageList::AddPage(const QRMetafile& page)
{
    QMutexLocker locker(&m_lock);
    TQRStream& s = stream();
    QMutexLocker streamLocker(&s.Lock());
    if (m_pageCount == INT_MAX)
        throw EQRError(QStringLiteral("the page store is full"));
    ++m_pageCount;
    try {
        if (m_pageCount == 1)
            WriteHeader();
        const qint64 start = s.Size();
        if (start > INT_MAX)
            throw EQRError(QStringLiteral("the page store cannot grow past 2 GiB"));
        s.Seek(start);
        writeInt32(m_pageCount);
        const qint64 p = s.Position();
        writeInt32(static_cast<qint32>(p));
        const QByteArray& image = page.bytes();
        if (!m_compression) {
            s.WriteExact(image.constData(), image.size());
        } else {
            writeInt32(static_cast<qint32>(image.size()));
            TQRCompress coder(s, TQRCompress::Compressing);
            for (const char c : image)
                coder.EncodeByte(static_cast<std::uint8_t>(c));
            coder.Finish();
        }
        writeInt32(static_cast<qint32>(start));
        const qint64 e = s.Position();
        if (e > INT_MAX)
            throw EQRError(QStringLiteral("the page store cannot grow past 2 GiB"));
        s.Seek(p);
        writeInt32(static_cast<qint32>(e));
        s.Seek(e);
    } catch (...) {
        --m_pageCount;
        throw;
    }
}

qint64 TQRPageList::lastRecordStart()
{
    TQRStream& s = stream();
    const qint64 size = s.Size();
    if (size < kQRHeaderSize + kRecordOverhead)
        throw EQRError(QStringLiteral("report file damaged: %1 bytes hold no page record").arg(size));
    s.Seek(size - 4);
    const qint64 last = readInt32("the last record's back link");
    if (last < kQRHeaderSize || last > size - kRecordOverhead)
        throw EQRError(damaged(m_pageCount, size - 4, QStringLiteral("the back link %1 points outside the file (size %2)")
                                                           .arg(last).arg(size)));
    return last;
}

TQRPageList::Record TQRPageList::readRecordAt(qint64 start)
{
    TQRStream& s = stream();
    const qint64 size = s.Size();
    if (start < kQRHeaderSize || start > size - kRecordOverhead)
        throw EQRError(QStringLiteral("report file damaged: a link points to offset %1, outside the page records (file size %2)")
                           .arg(start).arg(size));
    s.Seek(start);
    Record r{readInt32("a page number"), start, 0};
    r.next = readInt32("a record's next link");
    if (r.number < 1 || r.number > m_pageCount)
        throw EQRError(QStringLiteral("report file damaged: the record at offset %1 gives page number %2 (the file has %3 pages)")
                           .arg(start).arg(r.number).arg(m_pageCount));
    if (r.next < start + kRecordOverhead || r.next > size)
        throw EQRError(damaged(r.number, start, QStringLiteral("the next link %1 points outside the record's room (file size %2)")
                                                    .arg(r.next).arg(size)));
    return r;
}

void TQRPageList::SeekToPage(qint32 n)
{
    QMutexLocker locker(&m_lock);
    TQRStream& s = stream();
    QMutexLocker streamLocker(&s.Lock());
    if (n < 1 || n > m_pageCount)
        throw EQRError(QStringLiteral("no page %1 in a store of %2 pages").arg(n).arg(m_pageCount));
    Record r{};
    if (n == 1) {
        r = readRecordAt(kQRHeaderSize);
    } else if (n == m_pageCount) {
        r = readRecordAt(lastRecordStart());
    } else {
        // Walk from wherever the last operation left the stream: one hop to a neighbour.
        qint64 at = s.Position();
        if (at >= s.Size())
            at = lastRecordStart();
        else if (at != m_recordHint)
            at = kQRHeaderSize;
        r = readRecordAt(at);
        // Page numbers must move strictly towards n and links strictly through the file, so
        // the walk ends after at most PageCount hops whatever the links say.
        for (qint32 hops = 0; r.number != n; ++hops) {
            if (hops > m_pageCount)
                throw EQRError(damaged(n, r.start, QStringLiteral("the links do not lead to the page")));
            Record step{};
            if (r.number < n) {
                step = readRecordAt(r.next);
                if (step.number <= r.number)
                    throw EQRError(damaged(r.number, r.start, QStringLiteral("the next link leads back to page %1").arg(step.number)));
                if (step.number > n)
                    throw EQRError(damaged(n, r.start, QStringLiteral("page %1 is missing between pages %2 and %3")
                                                           .arg(n).arg(r.number).arg(step.number)));
            } else {
                s.Seek(r.start - 4);
                const qint64 back = readInt32("a back link");
                if (back >= r.start)
                    throw EQRError(damaged(r.number, r.start, QStringLiteral("the previous record's back link %1 does not point backwards").arg(back)));
                step = readRecordAt(back);
                if (step.number >= r.number || step.next != r.start)
                    throw EQRError(damaged(r.number, r.start, QStringLiteral("the previous record's links disagree (back link %1)").arg(back)));
                if (step.number < n)
                    throw EQRError(damaged(n, r.start, QStringLiteral("page %1 is missing between pages %2 and %3")
                                                           .arg(n).arg(step.number).arg(r.number)));
            }
            r = step;
        }
    }
    if (r.number != n)
        throw EQRError(damaged(n, r.start, QStringLiteral("the record there holds page %1").arg(r.number)));
    s.Seek(r.start);
    m_recordHint = r.start;
}

std::optional<QRMetafile> TQRPageList::GetPage(qint32 n)
{
    QMutexLocker locker(&m_lock);
    if (n < 1 || n > m_pageCount)
        return std::nullopt;
    TQRStream& s = stream();
    QMutexLocker streamLocker(&s.Lock());
    SeekToPage(n);
    const Record r = readRecordAt(s.Position());
    s.Seek(r.next - 4);
    const qint64 back = readInt32("a back link");
    if (back != r.start)
        throw EQRError(damaged(n, r.start, QStringLiteral("its back link is %1").arg(back)));
    s.Seek(r.start + 8);
    const qint64 payload = r.next - r.start - kRecordOverhead;
    QByteArray image;
    if (!m_compression) {
        image.resize(payload);
        s.ReadExact(image.data(), payload, "a page image");
    } else {
        if (payload < 4)
            throw EQRError(damaged(n, r.start, QStringLiteral("a compressed payload of %1 bytes has no length").arg(payload)));
        const qint64 length = readInt32("a compressed page's length");
        // Every byte costs at least one bit of code: a longer image cannot be in this payload.
        if (length < 0 || length > (payload - 4) * 8)
            throw EQRError(damaged(n, r.start, QStringLiteral("a compressed image of %1 bytes cannot come from %2 bytes of code")
                                                   .arg(length).arg(payload - 4)));
        image.reserve(std::min(length, (payload - 4) * 2));
        try {
            TQRCompress coder(s, TQRCompress::Expanding, r.next - 4);
            for (qint64 i = 0; i < length; ++i)
                image.append(static_cast<char>(coder.DecodeByte()));
            coder.Finish();
        } catch (const EQRError& e) {
            throw EQRError(damaged(n, r.start, e.message()));
        }
    }
    s.Seek(r.next);
    m_recordHint = r.next;
    QRMetafile page(std::move(image));
    if (!page.isValid())
        throw EQRError(QStringLiteral("page %1 of the report file: %2").arg(n).arg(QRMetafile::validate(page.bytes())));
    return page;
}

TQRPageList::RecordWalk TQRPageList::Records()
{
    QMutexLocker locker(&m_lock);
    TQRStream& s = stream();
    QMutexLocker streamLocker(&s.Lock());
    RecordWalk walk;
    qint64 at = kQRHeaderSize;
    try {
        for (qint32 i = 1; i <= m_pageCount; ++i) {
            const Record r = readRecordAt(at);
            QRPageRecord info;
            info.number = r.number;
            info.start = r.start;
            info.next = r.next;
            s.Seek(r.next - 4);
            info.back = readInt32("a back link");
            info.payloadSize = r.next - r.start - kRecordOverhead;
            info.imageSize = info.payloadSize;
            if (m_compression && info.payloadSize >= 4) {
                s.Seek(r.start + 8);
                info.imageSize = readInt32("a compressed page's length");
            }
            walk.records.push_back(info);
            if (r.number != i)
                throw EQRError(damaged(i, r.start, QStringLiteral("the record holds page number %1").arg(r.number)));
            at = r.next;
        }
    } catch (const EQRError& e) {
        walk.error = e.message();
    }
    return walk;
}
