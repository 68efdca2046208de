// The page coder: the worked example, the codes of a fresh tree, round trips that consume
// exactly the bytes written, and code that names no byte or ends early.

#include "reportengine/qrerror.h"
#include "reportengine/store/qrcompress.h"
#include "reportengine/store/qrstream.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray encode(const QByteArray& in)
{
    TQRStream s(1 << 30);
    {
        TQRCompress c(s, TQRCompress::Compressing);
        for (const char b : in)
            c.EncodeByte(static_cast<std::uint8_t>(b));
    }
    QByteArray out(s.Size(), '\0');
    s.Seek(0);
    s.Read(out.data(), out.size());
    return out;
}

// Decodes count bytes from code followed by a trailer; returns the bytes and where the
// stream stood afterwards.
std::pair<QByteArray, qint64> decode(const QByteArray& code, qint64 count, const QByteArray& trailer = {})
{
    TQRStream s(1 << 30);
    s.Write(code.constData(), code.size());
    s.Write(trailer.constData(), trailer.size());
    s.Seek(0);
    QByteArray out;
    TQRCompress c(s, TQRCompress::Expanding);
    for (qint64 i = 0; i < count; ++i)
        out.append(static_cast<char>(c.DecodeByte()));
    c.Finish();
    return {out, s.Position()};
}

// The bits of a fresh tree's code for one byte, root first.
QString freshCode(std::uint8_t v)
{
    const QByteArray code = encode(QByteArray(1, static_cast<char>(v)));
    QString bits;
    for (const char b : code)
        for (int i = 0; i < 8; ++i)
            bits += (static_cast<unsigned char>(b) >> i & 1) ? QLatin1Char('1') : QLatin1Char('0');
    return bits;
}

} // namespace

TEST(Coder, AbcOnAFreshTreeGives463D01)
{
    EXPECT_EQ(encode("abc").toHex(' '), QByteArray("46 3d 01"));
    EXPECT_EQ(decode(QByteArray::fromHex("463d01"), 3).first, QByteArray("abc"));
}

TEST(Coder, FreshTreeCodesAreValuePlusOneInEightBitsAnd255IsNineZeros)
{
    // Packed low bit first, padded with zero bits to whole bytes.
    EXPECT_EQ(freshCode(0), QStringLiteral("00000001"));
    EXPECT_EQ(freshCode(1), QStringLiteral("00000010"));
    EXPECT_EQ(freshCode(254), QStringLiteral("11111111"));
    EXPECT_EQ(freshCode(255), QStringLiteral("0000000000000000"));   // nine zeros, then padding
    EXPECT_EQ(encode(QByteArray(1, '\xFF')).size(), 2);
    EXPECT_EQ(encode(QByteArray(1, '\xFE')).size(), 1);
}

TEST(Coder, EmptyInputWritesNothing)
{
    EXPECT_TRUE(encode({}).isEmpty());
    EXPECT_EQ(decode({}, 0, "tail").second, 0);
}

TEST(Coder, RandomRoundTripsConsumeExactlyWhatWasWritten)
{
    std::mt19937 rng(20261208);
    const QByteArray trailer("\x7C\x00\x00\x00", 4);   // the back link that follows a page
    for (int length : {1, 2, 7, 8, 9, 255, 256, 257, 4095, 65536, 150001}) {
        for (int kind = 0; kind < 3; ++kind) {
            QByteArray in(length, '\0');
            for (char& b : in) {
                if (kind == 0)
                    b = static_cast<char>(rng() & 0xFF);         // uniform
                else if (kind == 1)
                    b = static_cast<char>(rng() % 4 == 0 ? rng() & 0xFF : 0);   // page-like: mostly zero
                else
                    b = static_cast<char>(0xFF - (rng() & 1));   // the deepest leaves
            }
            const QByteArray code = encode(in);
            const auto [out, position] = decode(code, length, trailer);
            ASSERT_EQ(out, in) << "length " << length << " kind " << kind;
            EXPECT_EQ(position, code.size()) << "length " << length << " kind " << kind;
        }
    }
}

TEST(Coder, SkewedInputShrinks)
{
    const QByteArray zeros(100000, '\0');
    EXPECT_LT(encode(zeros).size(), 100000 / 6);
}

TEST(Coder, CodeThatEndsEarlyFailsClearly)
{
    const QByteArray code = encode("hello, world");
    EXPECT_THROW(decode(code.left(code.size() - 2), 12), EQRError);
}

TEST(Coder, ExpanderStopsAtItsLimit)
{
    const QByteArray code = encode("abcdef");
    TQRStream s(1 << 20);
    s.Write(code.constData(), code.size());
    s.Write("\x01\x02\x03\x04", 4);
    s.Seek(0);
    TQRCompress c(s, TQRCompress::Expanding, 2);   // only two bytes of code may be read
    c.DecodeByte();
    EXPECT_THROW(for (int i = 0; i < 6; ++i) c.DecodeByte(), EQRError);
}

TEST(Coder, TheCodeOfNoByteIsRefused)
{
    // Node 512 on a fresh tree: eight 0 bits then a 1.
    const QByteArray code = QByteArray::fromHex("0001");
    EXPECT_THROW(decode(code, 1), EQRError);
}
