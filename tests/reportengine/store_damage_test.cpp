// Hostile report files: truncation, links out of the file or into loops, impossible page
// counts, payloads that are no EMF, absurd compressed lengths, and every byte of a good file
// damaged in turn. Each gives a clear error for what is damaged and the rest still reads.

#include "store_helpers.h"

#include "reportengine/qrerror.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct GoodFile {
    QByteArray bytes;
    std::vector<QRMetafile> pages;
    std::vector<qint64> starts;   // record starts, then the file size
};

GoodFile makeFile(bool compressed, int pageCount = 4)
{
    TQRStream s(1 << 30);
    TQRPageList list;
    list.SetStream(&s);
    list.SetCompression(compressed);
    GoodFile f;
    for (int i = 1; i <= pageCount; ++i) {
        f.pages.push_back(samplePage(i));
        f.starts.push_back(s.Size() < 124 ? 124 : s.Size());
        list.AddPage(f.pages.back());
    }
    list.WriteHeader();
    f.bytes = streamBytes(s);
    f.starts.push_back(f.bytes.size());
    return f;
}

class Damage : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes)
    {
        const QString name = m_dir.filePath(QStringLiteral("f%1.qrp").arg(++m_n));
        writeFile(name, bytes);
        return name;
    }
    // Loads the bytes; the error text when loading fails.
    QString load(TQRPageList& list, const QByteArray& bytes)
    {
        try {
            list.LoadFromFile(write(bytes));
        } catch (const EQRError& e) {
            return e.message();
        }
        return {};
    }
    QString pageError(TQRPageList& list, int n)
    {
        try {
            list.GetPage(n);
        } catch (const EQRError& e) {
            return e.message();
        }
        return {};
    }

    QTemporaryDir m_dir;
    int m_n = 0;
};

} // namespace

TEST_F(Damage, ImpossiblePageCountsAreRefusedOnLoad)
{
    const GoodFile f = makeFile(false);
    for (qint32 count : {-1, INT_MIN, INT_MAX, 1000000}) {
        QByteArray b = f.bytes;
        putInt32(b, 8, count);
        TQRPageList list;
        const QString error = load(list, b);
        EXPECT_TRUE(error.contains(QString::number(count))) << error.toStdString();
        EXPECT_EQ(list.PageCount(), 0);
    }
}

TEST_F(Damage, AFailedLoadKeepsWhatWasLoaded)
{
    const GoodFile f = makeFile(false);
    TQRPageList list;
    ASSERT_TRUE(load(list, f.bytes).isEmpty());
    EXPECT_FALSE(load(list, QByteArray(50, 'x')).isEmpty());
    EXPECT_EQ(list.PageCount(), 4);
    EXPECT_EQ(list.GetPage(2)->bytes(), f.pages[1].bytes());
}

TEST_F(Damage, TruncationAtEveryLength)
{
    for (bool compressed : {false, true}) {
        const GoodFile f = makeFile(compressed, 3);
        for (qsizetype length = 0; length < f.bytes.size(); ++length) {
            TQRPageList list;
            const QString error = load(list, f.bytes.left(length));
            if (length < 124) {
                EXPECT_TRUE(error.contains(QStringLiteral("not a report file"))) << length;
                continue;
            }
            if (!error.isEmpty())
                continue;
            // Pages wholly before the cut still read, the cut one fails clearly.
            for (int n = 1; n <= 3; ++n) {
                const QString e = pageError(list, n);
                if (f.starts[static_cast<size_t>(n)] <= length && n < 3) {
                    EXPECT_TRUE(e.isEmpty()) << length << " page " << n << ": " << e.toStdString();
                } else {
                    EXPECT_FALSE(e.isEmpty()) << length << " page " << n;
                }
            }
        }
    }
}

TEST_F(Damage, LinksIntoLoopsEndWithAnError)
{
    const GoodFile f = makeFile(false, 5);
    // Record 2's next link points back at record 1: the walk forward from 2 would circle.
    QByteArray b = f.bytes;
    putInt32(b, f.starts[1] + 4, static_cast<qint32>(f.starts[0]));
    TQRPageList list;
    ASSERT_TRUE(load(list, b).isEmpty());
    EXPECT_TRUE(list.GetPage(1).has_value());   // leaves the stream at record 2
    EXPECT_FALSE(pageError(list, 3).isEmpty());
    EXPECT_TRUE(pageError(list, 5).isEmpty());  // the last page is reached by its own link
    EXPECT_EQ(list.GetPage(1)->bytes(), f.pages[0].bytes());

    // Record 3's back link (read when walking back from record 4) points forward.
    QByteArray c = f.bytes;
    putInt32(c, f.starts[3] - 4, static_cast<qint32>(f.starts[4]));
    TQRPageList back;
    ASSERT_TRUE(load(back, c).isEmpty());
    EXPECT_TRUE(back.GetPage(4).has_value());   // the stream now stands at record 5
    EXPECT_FALSE(pageError(back, 3).isEmpty());
    EXPECT_FALSE(pageError(back, 3).isEmpty());
    EXPECT_EQ(back.GetPage(1)->bytes(), f.pages[0].bytes());
    EXPECT_EQ(back.GetPage(2)->bytes(), f.pages[1].bytes());

    // A record that names itself the page it is not: the walk does not run past the count.
    QByteArray d = f.bytes;
    putInt32(d, f.starts[2], 2);
    TQRPageList same;
    ASSERT_TRUE(load(same, d).isEmpty());
    same.GetPage(1);
    EXPECT_FALSE(pageError(same, 4).isEmpty());
}

TEST_F(Damage, LinksOutsideTheFile)
{
    const GoodFile f = makeFile(false, 3);
    for (qint32 bad : {-1, 0, 100, INT_MAX, static_cast<qint32>(f.bytes.size() + 1)}) {
        QByteArray b = f.bytes;
        putInt32(b, f.starts[1] + 4, bad);   // page 2's next link
        TQRPageList list;
        ASSERT_TRUE(load(list, b).isEmpty());
        const QString e = pageError(list, 2);
        EXPECT_TRUE(e.contains(QStringLiteral("page 2")) || e.contains(QStringLiteral("offset"))) << e.toStdString();
        EXPECT_TRUE(pageError(list, 1).isEmpty());
        EXPECT_TRUE(pageError(list, 3).isEmpty());
        // The last record's back link, out of the file.
        QByteArray c = f.bytes;
        putInt32(c, c.size() - 4, bad);
        TQRPageList last;
        ASSERT_TRUE(load(last, c).isEmpty());
        EXPECT_FALSE(pageError(last, 3).isEmpty());
        EXPECT_TRUE(pageError(last, 1).isEmpty());
    }
}

TEST_F(Damage, APayloadThatIsNoEmfFailsOnlyItsPage)
{
    const GoodFile f = makeFile(false, 3);
    QByteArray b = f.bytes;
    const qint64 at = f.starts[1] + 8;
    b.replace(at, 100, QByteArray(100, 'z'));
    TQRPageList list;
    ASSERT_TRUE(load(list, b).isEmpty());
    const QString e = pageError(list, 2);
    EXPECT_TRUE(e.contains(QStringLiteral("page 2"))) << e.toStdString();
    EXPECT_TRUE(e.contains(QStringLiteral("EMF"))) << e.toStdString();
    EXPECT_EQ(list.GetPage(1)->bytes(), f.pages[0].bytes());
    EXPECT_EQ(list.GetPage(3)->bytes(), f.pages[2].bytes());
}

TEST_F(Damage, CompressedLengthsTheCodeCannotHold)
{
    const GoodFile f = makeFile(true, 3);
    for (qint32 length : {-1, INT_MAX, INT_MIN, 1 << 28}) {
        QByteArray b = f.bytes;
        putInt32(b, f.starts[1] + 8, length);
        TQRPageList list;
        ASSERT_TRUE(load(list, b).isEmpty());
        const QString e = pageError(list, 2);
        EXPECT_FALSE(e.isEmpty()) << length;
        EXPECT_TRUE(pageError(list, 3).isEmpty());
    }
}

TEST_F(Damage, EveryByteOfAGoodFileDamagedInTurn)
{
    for (bool compressed : {false, true}) {
        const GoodFile f = makeFile(compressed, 3);
        for (qsizetype i = 0; i < f.bytes.size(); ++i) {
            QByteArray b = f.bytes;
            b[i] = static_cast<char>(b[i] ^ 0x5A);
            TQRPageList list;
            if (!load(list, b).isEmpty())
                continue;
            for (int n = 1; n <= list.PageCount(); ++n) {
                std::optional<QRMetafile> page;
                try {
                    page = list.GetPage(n);
                } catch (const EQRError&) {
                    continue;
                }
                ASSERT_TRUE(page.has_value());
                EXPECT_TRUE(page->isValid());
                // A page whose record was not touched reads exactly as written.
                const bool touched = i >= f.starts[static_cast<size_t>(n - 1)] && i < f.starts[static_cast<size_t>(n)];
                if (!touched && i >= 124) {
                    EXPECT_EQ(page->bytes(), f.pages[static_cast<size_t>(n - 1)].bytes()) << "byte " << i << " page " << n;
                }
            }
        }
    }
}
