#pragma once
// The page store: a 124-byte header, then one record per page (page number, link to the next
// record, the page's EMF image, optionally coded, link back to the record's start). A saved
// report file is an exact copy of the stream.
//
// Every offset, length and page number read from a stream is checked against the stream
// before it is used: a damaged file gives EQRError for the page concerned, never a crash, a
// walk without end or an allocation beyond the stream's size.

#include "reportengine/emf/metafile.h"

#include <QDateTime>
#include <QRecursiveMutex>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class TQRStream;

constexpr qint64 kQRHeaderSize = 124;
constexpr qint32 kQRMemoryLimit = 100000;
constexpr qint64 kQRSaveChunk = 10240;

// The header fields as read, for inspection.
struct QRFileHeader {
    quint16 format1 = 0;    // 3 in files we write
    quint16 format2 = 0;    // 207
    qint32 pageCount = 0;
    double written = 0;     // days since 30 December 1899, local time
    bool compressed = false;
    QDateTime writtenAt() const;
};

// One page record as found by walking the links, for inspection.
struct QRPageRecord {
    qint32 number = 0;
    qint64 start = 0;
    qint64 next = 0;
    qint64 back = 0;
    qint64 payloadSize = 0;
    qint64 imageSize = -1;  // compressed pages: the coded image's length L; else the payload size
};

class TQRPageList {
public:
    TQRPageList();
    ~TQRPageList();
    TQRPageList(const TQRPageList&) = delete;
    TQRPageList& operator=(const TQRPageList&) = delete;

    // The stream the pages go to (not owned unless it came from LoadFromFile).
    void SetStream(TQRStream* stream);
    TQRStream* Stream() const { return m_stream; }
    // Hands over a stream opened by LoadFromFile; the list keeps using it.
    std::unique_ptr<TQRStream> TakeStream();

    bool Compression() const { return m_compression; }
    void SetCompression(bool on) { m_compression = on; }
    qint32 PageCount() const { return m_pageCount; }

    void AddPage(const QRMetafile& page);
    // The stored page n; nothing when n is not 1..PageCount. Throws EQRError for a damaged page.
    std::optional<QRMetafile> GetPage(qint32 n);
    // Leaves the stream at the start of record n (1..PageCount). Throws EQRError.
    void SeekToPage(qint32 n);
    void WriteHeader();
    // Reads and checks the header against the stream. Throws EQRError.
    void ReadHeader();
    // Opens the file read-only as the stream. Throws EQRError for a file that is no report file.
    void LoadFromFile(const QString& fileName);
    // Copies the stream to the file in 10240-byte chunks; the file is replaced only when the
    // whole copy succeeded. Throws EQRError.
    void SaveToFile(const QString& fileName);
    // Page count 0 (the stream is left alone).
    void Clear();

    // Inspection: the header as stored and the records found from the first one onwards.
    QRFileHeader Header();
    struct RecordWalk {
        std::vector<QRPageRecord> records;
        QString error;   // why the walk stopped before PageCount records, else empty
    };
    RecordWalk Records();

    QRecursiveMutex& Lock() { return m_lock; }

private:
    struct Record {
        qint32 number;
        qint64 start;
        qint64 next;
    };
    TQRStream& stream();
    Record readRecordAt(qint64 start);
    qint64 lastRecordStart();
    qint32 readInt32(const char* what);
    void writeInt32(qint32 v);

    QRecursiveMutex m_lock;
    TQRStream* m_stream = nullptr;
    std::unique_ptr<TQRStream> m_ownedStream;
    qint32 m_pageCount = 0;
    bool m_compression = false;
    // A stream position known to be a record start (where the last seek or read ended).
    qint64 m_recordHint = -1;
};
