#pragma once
// The page stream: one byte stream that lives in memory up to a limit and then moves to a
// temporary file of its own, or a read-only stream over an existing report file.

#include <QByteArray>
#include <QRecursiveMutex>
#include <QString>

#include <memory>

class QFile;
class QTemporaryFile;

class TQRStream {
public:
    enum class Origin { Begin, Current, End };

    // In memory; past memoryLimit bytes the content moves to a new temporary file in the
    // system temporary directory (created exclusively, unpredictable name starting "QRP",
    // readable by its owner only), which the stream deletes when it goes.
    explicit TQRStream(qint32 memoryLimit);
    // On an existing file, read-only; nothing is ever deleted. Throws EQRError.
    explicit TQRStream(const QString& fileName);
    ~TQRStream();
    TQRStream(const TQRStream&) = delete;
    TQRStream& operator=(const TQRStream&) = delete;

    // Bytes read (0 at the end).
    qint64 Read(void* buffer, qint64 count);
    // Bytes written; throws EQRError when the stream is read-only or the disk refuses.
    qint64 Write(const void* buffer, qint64 count);
    // New position; a negative target is refused (EQRError). Seeking past the end is allowed.
    qint64 Seek(qint64 offset, Origin origin = Origin::Begin);
    qint64 Size() const;
    qint64 Position() const;

    bool InMemory() const { return m_inMemory; }
    qint32 MemoryLimit() const { return m_memoryLimit; }
    bool ReadOnly() const { return m_readOnly; }
    // The spill file's name while the content lives in one, else empty.
    QString TempFileName() const;
    // The file a read-only stream was opened on.
    QString FileName() const { return m_fileName; }

    // Held by each read, write and seek; callers hold it across multi-step operations.
    QRecursiveMutex& Lock() const { return m_lock; }

    // Read exactly count bytes or throw EQRError naming what was being read.
    void ReadExact(void* buffer, qint64 count, const char* what);
    void WriteExact(const void* buffer, qint64 count);

private:
    void spill();
    QFile* file() const;

    mutable QRecursiveMutex m_lock;
    QByteArray m_buffer;
    qint64 m_position = 0;
    std::unique_ptr<QTemporaryFile> m_tempFile;
    std::unique_ptr<QFile> m_file;
    QString m_fileName;
    bool m_inMemory = true;
    bool m_readOnly = false;
    qint32 m_memoryLimit = 0;
};
