#include "reportengine/store/qrstream.h"

#include "reportengine/qrerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cstring>
#include <limits>

TQRStream::TQRStream(qint32 memoryLimit) : m_memoryLimit(memoryLimit)
{
}

TQRStream::TQRStream(const QString& fileName)
    : m_file(std::make_unique<QFile>(fileName)), m_fileName(fileName), m_inMemory(false),
      m_readOnly(true)
{
    if (!m_file->open(QIODevice::ReadOnly))
        throw EQRError(QStringLiteral("cannot open the report file %1: %2")
                           .arg(fileName, m_file->errorString()));
}

TQRStream::~TQRStream()
{
    // QTemporaryFile removes its file when it goes (autoRemove).
    if (m_tempFile)
        m_tempFile->close();
}

QFile* TQRStream::file() const
{
    return m_tempFile ? static_cast<QFile*>(m_tempFile.get()) : m_file.get();
}

QString TQRStream::TempFileName() const
{
    return m_tempFile ? m_tempFile->fileName() : QString();
}

qint64 TQRStream::Read(void* buffer, qint64 count)
{
    QMutexLocker locker(&m_lock);
    if (count <= 0)
        return 0;
    if (m_inMemory) {
        const qint64 available = m_buffer.size() - m_position;
        if (available <= 0)
            return 0;
        const qint64 n = std::min(count, available);
        std::memcpy(buffer, m_buffer.constData() + m_position, static_cast<size_t>(n));
        m_position += n;
        return n;
    }
    const qint64 n = file()->read(static_cast<char*>(buffer), count);
    return n < 0 ? 0 : n;
}

qint64 TQRStream::Write(const void* buffer, qint64 count)
{
    QMutexLocker locker(&m_lock);
    if (m_readOnly)
        throw EQRError(QStringLiteral("the report file %1 is open for reading only").arg(m_fileName));
    if (count <= 0)
        return 0;
    if (m_inMemory) {
        if (count > std::numeric_limits<int>::max() - m_position)
            throw EQRError(QStringLiteral("the page store cannot grow any further in memory"));
        const qint64 end = m_position + count;
        if (end > m_buffer.capacity())
            m_buffer.reserve(std::max<qint64>(end, 2 * m_buffer.capacity()));
        if (end > m_buffer.size())
            m_buffer.resize(end, '\0');
        std::memcpy(m_buffer.data() + m_position, buffer, static_cast<size_t>(count));
        m_position = end;
        if (m_buffer.size() > m_memoryLimit)
            spill();
        return count;
    }
    const qint64 n = file()->write(static_cast<const char*>(buffer), count);
    if (n != count)
        throw EQRError(QStringLiteral("cannot write the page store's temporary file %1: %2")
                           .arg(TempFileName(), file()->errorString()));
    return n;
}

void TQRStream::spill()
{
    auto temp = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/QRPXXXXXX"));
    temp->setAutoRemove(true);
    if (!temp->open())
        throw EQRError(QStringLiteral("cannot create a temporary file in %1: %2")
                           .arg(QDir::tempPath(), temp->errorString()));
    if (temp->write(m_buffer) != m_buffer.size() || !temp->seek(m_position))
        throw EQRError(QStringLiteral("cannot write the temporary file %1: %2")
                           .arg(temp->fileName(), temp->errorString()));
    m_tempFile = std::move(temp);
    m_buffer = QByteArray();
    m_inMemory = false;
}

qint64 TQRStream::Seek(qint64 offset, Origin origin)
{
    QMutexLocker locker(&m_lock);
    qint64 base = 0;
    if (origin == Origin::Current)
        base = Position();
    else if (origin == Origin::End)
        base = Size();
    if ((offset < 0 && base < -offset) || (offset > 0 && offset > std::numeric_limits<qint64>::max() - base))
        throw EQRError(QStringLiteral("page store: seek to an offset outside the stream"));
    const qint64 target = base + offset;
    if (m_inMemory) {
        m_position = target;
        return m_position;
    }
    if (!file()->seek(target))
        throw EQRError(QStringLiteral("page store: cannot seek to offset %1").arg(target));
    return target;
}

qint64 TQRStream::Size() const
{
    QMutexLocker locker(&m_lock);
    return m_inMemory ? m_buffer.size() : file()->size();
}

qint64 TQRStream::Position() const
{
    QMutexLocker locker(&m_lock);
    return m_inMemory ? m_position : file()->pos();
}

void TQRStream::ReadExact(void* buffer, qint64 count, const char* what)
{
    QMutexLocker locker(&m_lock);
    const qint64 at = Position();
    if (Read(buffer, count) != count)
        throw EQRError(QStringLiteral("report file truncated: %1 at offset %2 runs past the end (size %3)")
                           .arg(QLatin1String(what)).arg(at).arg(Size()));
}

void TQRStream::WriteExact(const void* buffer, qint64 count)
{
    Write(buffer, count);
}
