// Byte patterns at the edges of the text decoders and of CSV quoting: the switch bytes of the
// compressed Unicode form around the eight-byte fast path, CP932 half-width katakana at both ends
// of their range, CR alone at every place of a cell; empty values that are not Null.
#include <cstring>

#include "jet/text.h"
#include "test_util.h"

using namespace jet_test;

namespace {

std::span<const std::byte> span(const std::vector<std::byte>& v) { return {v.data(), v.size()}; }

std::string ucs2(const std::vector<std::byte>& in) {
    std::string s;
    jet::detail::appendUcs2Text(s, span(in));
    return s;
}

void appendAscii(std::vector<std::byte>& out, std::string& expect, size_t n, char first) {
    for (size_t i = 0; i < n; ++i) {
        const char c = char(first + int(i % 26));
        out.push_back(std::byte(uint8_t(c)));
        expect.push_back(c);
    }
}

// Compressed text: `before` one-byte characters, a switch to UTF-16 for "日本", a switch back and
// `after` one-byte characters, for every length around the eight-byte runs of the fast path.
TEST(CompressedUnicode, SwitchBytesAfterEveryRunLength) {
    for (size_t before = 0; before <= 18; ++before) {
        for (size_t after : {size_t(0), size_t(1), size_t(7), size_t(8), size_t(9), size_t(16), size_t(17)}) {
            std::vector<std::byte> in = byteVector({0xFF, 0xFE});
            std::string expect;
            appendAscii(in, expect, before, 'a');
            for (int b : {0x00, 0xE5, 0x65, 0x2C, 0x67, 0x00}) in.push_back(std::byte(uint8_t(b)));
            expect += "日本";
            appendAscii(in, expect, after, 'A');
            EXPECT_EQ(ucs2(in), expect) << before << " before, " << after << " after";
        }
    }
}

TEST(CompressedUnicode, OneByteCharactersAboveAsciiAtEveryPlaceOfARun) {
    // é (0xE9) inside, at the start and at the end of runs that fill the eight-byte path.
    for (size_t length = 1; length <= 17; ++length) {
        for (size_t at = 0; at < length; ++at) {
            std::vector<std::byte> in = byteVector({0xFF, 0xFE});
            std::string expect;
            for (size_t i = 0; i < length; ++i) {
                if (i == at) {
                    in.push_back(std::byte{0xE9});
                    expect += "é";
                } else {
                    in.push_back(std::byte{'x'});
                    expect += 'x';
                }
            }
            EXPECT_EQ(ucs2(in), expect) << length << " characters, é at " << at;
        }
    }
}

TEST(CompressedUnicode, RunsThatEndTheValue) {
    // A switch as the last byte, a UTF-16 run cut after one byte, two switches in a row.
    EXPECT_EQ(ucs2(byteVector({0xFF, 0xFE, 'a', 0x00})), "a");
    EXPECT_EQ(ucs2(byteVector({0xFF, 0xFE, 'a', 0x00, 0x42})), "a");
    EXPECT_EQ(ucs2(byteVector({0xFF, 0xFE, 'a', 0x00, 0x00, 'b'})), "ab");
    EXPECT_EQ(ucs2(byteVector({0xFF, 0xFE, 0x00, 0x42, 0x00})), "B");
    // A surrogate pair split by a switch is two broken halves.
    EXPECT_EQ(ucs2(byteVector({0xFF, 0xFE, 0x00, 0x42, 0xD8, 0x00, 0x00, 0xB7, 0xDF})), "\uFFFD\uFFFD");
    // Without the 0xFF 0xFE mark the bytes are plain UTF-16, even when they start like text.
    EXPECT_EQ(ucs2(byteVector({0xFE, 0xFF, 0x41, 0x00})), "\uFFFEA");
}

std::string cp932(std::initializer_list<int> bytes) {
    const auto in = byteVector(bytes);
    std::string s;
    jet::detail::appendCodePageText(s, span(in), 932);
    return s;
}

TEST(Cp932, HalfWidthKatakanaAtBothEndsOfTheirRange) {
    EXPECT_EQ(cp932({0xA1}), "｡");    // U+FF61, the first
    EXPECT_EQ(cp932({0xDF}), "ﾟ");    // U+FF9F, the last
    EXPECT_EQ(cp932({0xDF, 0xDF}), "ﾟﾟ");
    EXPECT_EQ(cp932({0xB1, 0xDF}), "ｱﾟ");
    EXPECT_EQ(cp932({0xDF, 0x40}), "ﾟ@");  // 0xDF leads nothing
    EXPECT_EQ(cp932({0xA0}), "\uFFFD");   // just below: no character
}

TEST(Cp932, LeadBytesAtTheEndsOfTheirRanges) {
    EXPECT_EQ(cp932({0x81, 0x40}), "\u3000");
    EXPECT_EQ(cp932({0x81, 0xFC}), "◯");
    EXPECT_EQ(cp932({0x9F, 0x40}), "檗");
    EXPECT_EQ(cp932({0x9F, 0xFC}), "滌");
    EXPECT_EQ(cp932({0xE0, 0x40}), "漾");  // first lead byte after the katakana
    EXPECT_EQ(cp932({0xFC, 0x4B}), "黑");
    EXPECT_EQ(cp932({0x88, 0x9F}), "亜");
    // A trail byte out of range leaves the lead byte unreadable and keeps the next character.
    EXPECT_EQ(cp932({0x88, 0x3F}), "\uFFFD?");
}

TEST(CsvQuoting, ACarriageReturnAloneIsQuotedWhereverItStands) {
    for (size_t length = 1; length <= 17; ++length) {
        for (size_t at = 0; at < length; ++at) {
            for (char special : {'\r', '\n', ',', '"'}) {
                std::string text(length, 'x');
                text[at] = special;
                EXPECT_TRUE(jet::csv::needsQuotes(text)) << length << " characters, " << int(special) << " at " << at;
                std::string field;
                jet::csv::appendField(field, text);
                EXPECT_EQ(field.front(), '"') << length << " " << at;
                EXPECT_EQ(field.back(), '"') << length << " " << at;
            }
            EXPECT_FALSE(jet::csv::needsQuotes(std::string(length, 'x')));
        }
    }
    EXPECT_TRUE(jet::csv::needsQuotes(""));  // the empty text is written "" so that it is no Null
    EXPECT_FALSE(jet::csv::needsQuotes("\t;'"));
    EXPECT_FALSE(jet::csv::needsQuotes("日本語のテキスト、句読点"));  // bytes of UTF-8 are no commas
}

TEST(CsvEmptyValues, EmptyTextAndEmptyBinaryAreNotNull) {
    static const std::byte none{};
    std::string s;
    jet::csv::appendField(s, jet::Value::binary(std::span<const std::byte>(&none, 0)));
    EXPECT_EQ(s, "\"\"");
    s.clear();
    jet::csv::appendField(s, jet::Value::text(""));
    EXPECT_EQ(s, "\"\"");
    s.clear();
    jet::csv::appendField(s, jet::Value::null());
    EXPECT_EQ(s, "");
    s.clear();
    jet::csv::appendField(s, jet::Value::binary(std::span<const std::byte>(&none, 1)));
    EXPECT_EQ(s, "00");
}

// A copy of jp_sample.mdb where row 1 of 社員 holds a zero-length OLE value (present, not Null).
TEST(EmptyValues, AZeroLengthOleValueIsAnEmptyValue) {
    // Row 1's 写真: 26 bytes stored in the row (0x8000001A), bytes 31 + 7k.
    auto file = readFile(dataPath("jp_sample.mdb"));
    const auto needle = byteVector({0x1A, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0x1F, 0x26, 0x2D});
    auto it = std::search(file.begin(), file.end(), needle.begin(), needle.end());
    ASSERT_NE(it, file.end());
    storeLe32(file, size_t(it - file.begin()), 0x80000000u);
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    auto t = openTable(*db, "社員");
    ASSERT_TRUE(t);
    jet::Cursor cur(t);
    ASSERT_TRUE(cur.next());
    const jet::Value ole = cur.value(7);
    ASSERT_EQ(ole.kind(), jet::ValueKind::Binary);
    EXPECT_TRUE(ole.asBytes().empty());
    EXPECT_NE(ole.asBytes().data(), nullptr);  // consumers that test the address must not see Null
    EXPECT_TRUE(cur.rowErrors().empty());
    std::FILE* f = std::tmpfile();
    ASSERT_TRUE(jet::csv::writeTable(t, f));
    std::rewind(f);
    std::string out;
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    std::fclose(f);
    const size_t a = out.find("\r\n1,") + 2, b = out.find("\r\n", a);
    std::vector<std::string> cells;
    std::string row = out.substr(a, b - a);
    for (size_t from = 0;;) {
        const size_t comma = row.find(',', from);
        cells.push_back(row.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    ASSERT_EQ(cells.size(), 12u) << row;
    EXPECT_EQ(cells[7], "\"\"") << row;
    // Row 11's 写真 is Null: still an empty unquoted field.
    const size_t c = out.find("\r\n11,") + 2;
    const std::string row11 = out.substr(c, out.find("\r\n", c) - c);
    EXPECT_EQ(row11.find("\"\""), std::string::npos) << row11;
}

TEST(EmptyValues, ACalculatedTextWhoseResultIsEmptyIsNotNull) {
    // calcFieldTestV2010.accdb, Table1 row 3: LastFirst = "Doe, John", stored after a 16-byte
    // header and its length (11: the compressed form). Length 0: a computed empty text.
    auto file = readFile(dataPath("real/calcFieldTestV2010.accdb"));
    const auto needle = byteVector({0x0B, 0, 0, 0, 0xFF, 0xFE, 'D', 'o', 'e', ',', ' ', 'J', 'o', 'h', 'n'});
    auto it = std::search(file.begin(), file.end(), needle.begin(), needle.end());
    ASSERT_NE(it, file.end());
    storeLe32(file, size_t(it - file.begin()), 0);
    auto db = openBytes(file, "calc.accdb");
    ASSERT_TRUE(db);
    auto t = openTable(*db, "Table1");
    ASSERT_TRUE(t);
    const jet::Column* c = t->findColumn("LastFirst");
    ASSERT_TRUE(c);
    jet::Cursor cur(t, {c->displayIndex});
    std::vector<Cell> values;
    while (cur.next()) {
        const jet::Value v = cur.value(0);
        values.push_back(v.isNull() ? Cell() : Cell(std::string(v.asText())));
    }
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values[0], Cell("Wayne, Bruce"));
    EXPECT_EQ(values[2], Cell(""));
}

}  // namespace
