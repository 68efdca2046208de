// The page store: record layout, links, seeks from wherever the stream stands, the spill to a
// temporary file, saving and loading (plain and compressed).

#include "store_helpers.h"

#include "reportengine/qrerror.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

struct Store {
    explicit Store(bool compressed = false, qint32 limit = kQRMemoryLimit) : stream(limit)
    {
        list.SetStream(&stream);
        list.SetCompression(compressed);
    }
    TQRStream stream;
    TQRPageList list;
};

QDateTime dateOf(const QByteArray& header)
{
    QRFileHeader h;
    std::memcpy(&h.written, header.constData() + 12, 8);
    return h.writtenAt();
}

} // namespace

TEST(Store, OnePageStartsAt124AndEndsWithItsStart)
{
    Store s;
    const QRMetafile page = samplePage(1);
    s.list.AddPage(page);
    s.list.WriteHeader();
    const QByteArray b = streamBytes(s.stream);
    ASSERT_EQ(b.size(), 124 + 12 + page.size());
    EXPECT_EQ(quint8(b[0]), 3);
    EXPECT_EQ(quint8(b[1]), 0);
    EXPECT_EQ(quint8(b[2]), 207);
    EXPECT_EQ(quint8(b[3]), 0);
    EXPECT_EQ(int32At(b, 4), 0);
    EXPECT_EQ(int32At(b, 8), 1);
    EXPECT_EQ(b[20], 0);
    EXPECT_EQ(b[21], 0);
    EXPECT_EQ(b.mid(22, 102), QByteArray(102, '\0'));
    EXPECT_LE(qAbs(dateOf(b).secsTo(QDateTime::currentDateTime())), 5);
    EXPECT_EQ(int32At(b, 124), 1);                // page number
    EXPECT_EQ(int32At(b, 128), b.size());         // next = the stream's size
    EXPECT_EQ(b.mid(132, page.size()), page.bytes());
    EXPECT_EQ(int32At(b, b.size() - 4), 124);     // back link
}

TEST(Store, EmptyRunIsExactly124Bytes)
{
    Store s;
    s.list.WriteHeader();
    const QByteArray b = streamBytes(s.stream);
    EXPECT_EQ(b.size(), 124);
    EXPECT_EQ(int32At(b, 8), 0);
    EXPECT_FALSE(s.list.GetPage(1).has_value());
    EXPECT_FALSE(s.list.GetPage(0).has_value());

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("empty.qrp"));
    s.list.SaveToFile(file);
    EXPECT_EQ(QFileInfo(file).size(), 124);
    TQRPageList loaded;
    loaded.LoadFromFile(file);
    EXPECT_EQ(loaded.PageCount(), 0);
}

TEST(Store, RecordsAreLinkedBothWays)
{
    Store s;
    for (int i = 1; i <= 4; ++i)
        s.list.AddPage(samplePage(i));
    const QByteArray b = streamBytes(s.stream);
    qint64 at = 124;
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(int32At(b, at), i);
        const qint32 next = int32At(b, at + 4);
        EXPECT_EQ(int32At(b, next - 4), at);
        at = next;
    }
    EXPECT_EQ(at, b.size());
}

TEST(Store, SeeksForwardBackwardAndFromAnywhere)
{
    Store s;
    std::vector<QRMetafile> pages;
    for (int i = 1; i <= 7; ++i) {
        pages.push_back(samplePage(i));
        s.list.AddPage(pages.back());
    }
    // Forward one at a time, backward one at a time, and jumps; straight after AddPage the
    // stream stands at its end.
    for (int n : {4, 5, 6, 7, 6, 5, 4, 3, 2, 1, 2, 7, 1, 3, 6, 2}) {
        const auto page = s.list.GetPage(n);
        ASSERT_TRUE(page.has_value()) << n;
        EXPECT_EQ(page->bytes(), pages[static_cast<size_t>(n - 1)].bytes()) << n;
    }
    // SeekToPage leaves the stream at the record's start.
    s.list.SeekToPage(5);
    const QByteArray b = streamBytes(s.stream);
    EXPECT_EQ(int32At(b, s.stream.Position()), 5);
    s.list.SeekToPage(2);
    EXPECT_EQ(int32At(b, s.stream.Position()), 2);
    // A stream left in the middle of a record still finds its pages.
    s.stream.Seek(124 + 10);
    EXPECT_EQ(s.list.GetPage(4)->bytes(), pages[3].bytes());
    EXPECT_FALSE(s.list.GetPage(8).has_value());
    EXPECT_FALSE(s.list.GetPage(-1).has_value());
    EXPECT_THROW(s.list.SeekToPage(8), EQRError);
}

TEST(Store, SpillPast100000BytesKeepsTheBytesAndRemovesTheFile)
{
    QTemporaryDir tmp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.path().toUtf8());
    QString spillName;
    QByteArray spilled, inMemory;
    {
        Store big(false, kQRMemoryLimit);
        Store reference(false, 1 << 30);
        int n = 0;
        while (big.stream.InMemory()) {
            const QRMetafile page = samplePage(++n, 3000);
            big.list.AddPage(page);
            reference.list.AddPage(page);
            ASSERT_LT(n, 100);
        }
        EXPECT_GT(big.stream.Size(), 100000);
        // Two more pages once the file is in use.
        for (int i = 0; i < 2; ++i) {
            const QRMetafile page = samplePage(++n, 3000);
            big.list.AddPage(page);
            reference.list.AddPage(page);
        }
        big.list.WriteHeader();
        reference.list.WriteHeader();
        spillName = big.stream.TempFileName();
        ASSERT_FALSE(spillName.isEmpty());
        const QFileInfo info(spillName);
        EXPECT_TRUE(info.exists());
        EXPECT_EQ(QDir(info.absolutePath()).canonicalPath(), QDir(tmp.path()).canonicalPath());
        EXPECT_TRUE(info.fileName().startsWith(QStringLiteral("QRP")));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(spillName).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        spilled = streamBytes(big.stream);
        inMemory = streamBytes(reference.stream);
        // The header's date differs by the moments it was written.
        spilled.replace(12, 8, QByteArray(8, '\0'));
        inMemory.replace(12, 8, QByteArray(8, '\0'));
        for (int i = 1; i <= n; ++i)
            EXPECT_EQ(big.list.GetPage(i)->bytes(), reference.list.GetPage(i)->bytes());
    }
    EXPECT_EQ(spilled, inMemory);
    EXPECT_FALSE(QFileInfo::exists(spillName));
    qputenv("TMPDIR", oldTmp);
}

TEST(Store, SpillFileNamesAreUnpredictable)
{
    QTemporaryDir tmp;
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", tmp.path().toUtf8());
    TQRStream a(10), b(10);
    const QByteArray bytes(20, 'x');
    a.Write(bytes.constData(), bytes.size());
    b.Write(bytes.constData(), bytes.size());
    EXPECT_FALSE(a.InMemory());
    EXPECT_NE(a.TempFileName(), b.TempFileName());
    // Exactly the limit stays in memory; one byte more moves.
    TQRStream c(20);
    c.Write(bytes.constData(), 20);
    EXPECT_TRUE(c.InMemory());
    c.Write("y", 1);
    EXPECT_FALSE(c.InMemory());
    EXPECT_EQ(c.Size(), 21);
    EXPECT_EQ(c.Position(), 21);
    qputenv("TMPDIR", oldTmp);
}

TEST(Store, CompressedSaveThenLoadGivesThePagesBack)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("c.qrp"));
    std::vector<QRMetafile> pages;
    qint64 plainSize = 0;
    {
        Store s(true);
        Store plain(false);
        for (int i = 1; i <= 5; ++i) {
            pages.push_back(samplePage(i, i == 3 ? 500 : 0));
            s.list.AddPage(pages.back());
            plain.list.AddPage(pages.back());
        }
        s.list.WriteHeader();
        s.list.SaveToFile(file);
        plainSize = plain.stream.Size();
        EXPECT_LT(s.stream.Size(), plainSize);
    }
    const QByteArray raw = [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_EQ(raw[21], 1);
    // The payload is L then the code; L is the image's length.
    EXPECT_EQ(int32At(raw, 132), pages[0].size());

    TQRPageList loaded;
    loaded.LoadFromFile(file);
    EXPECT_TRUE(loaded.Compression());
    ASSERT_EQ(loaded.PageCount(), 5);
    for (int n : {1, 2, 3, 4, 5, 3, 1, 5, 2})
        EXPECT_EQ(loaded.GetPage(n)->bytes(), pages[static_cast<size_t>(n - 1)].bytes()) << n;
    // A loaded file is never deleted, and loading does not write to it.
    loaded.SetStream(nullptr);
    EXPECT_TRUE(QFileInfo::exists(file));
    QFile again(file);
    again.open(QIODevice::ReadOnly);
    EXPECT_EQ(again.readAll(), raw);
}

TEST(Store, SavedFileIsAnExactCopyOfTheStream)
{
    QTemporaryDir dir;
    Store s;
    for (int i = 1; i <= 3; ++i)
        s.list.AddPage(samplePage(i, 4000));   // larger than one 10240-byte chunk
    s.list.WriteHeader();
    const QString file = dir.filePath(QStringLiteral("copy.qrp"));
    s.list.SaveToFile(file);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), streamBytes(s.stream));
    // The store still reads after the copy moved its position to the end.
    EXPECT_TRUE(s.list.GetPage(2).has_value());
}

TEST(Store, SavingOverTheLoadedFileKeepsIt)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("self.qrp"));
    {
        Store s;
        s.list.AddPage(samplePage(1));
        s.list.AddPage(samplePage(2));
        s.list.WriteHeader();
        s.list.SaveToFile(file);
    }
    TQRPageList loaded;
    loaded.LoadFromFile(file);
    loaded.SaveToFile(file);
    TQRPageList again;
    again.LoadFromFile(file);
    ASSERT_EQ(again.PageCount(), 2);
    EXPECT_TRUE(again.GetPage(2).has_value());
    // The first list keeps reading the file it opened.
    EXPECT_TRUE(loaded.GetPage(1).has_value());
}

TEST(Store, ALoadedStreamIsReadOnly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("ro.qrp"));
    {
        Store s;
        s.list.AddPage(samplePage(1));
        s.list.SaveToFile(file);
    }
    TQRPageList loaded;
    loaded.LoadFromFile(file);
    EXPECT_THROW(loaded.AddPage(samplePage(2)), EQRError);
    EXPECT_EQ(loaded.PageCount(), 1);
}

TEST(Store, ClearForgetsThePages)
{
    Store s;
    s.list.AddPage(samplePage(1));
    s.list.Clear();
    EXPECT_EQ(s.list.PageCount(), 0);
    EXPECT_FALSE(s.list.GetPage(1).has_value());
}
