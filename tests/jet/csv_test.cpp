// Canonical value text and RFC 4180 fields.
#include <cstring>

#include "jet/text.h"
#include "test_util.h"

namespace {

std::span<const std::byte> bytes(const char* s, size_t n) { return {reinterpret_cast<const std::byte*>(s), n}; }

struct TextCase {
    jet::Value value;
    const char* text;
};

class CanonicalText : public ::testing::TestWithParam<TextCase> {};

TEST_P(CanonicalText, Matches) { EXPECT_EQ(jet::csv::valueText(GetParam().value), GetParam().text); }

jet::Decimal dec(bool neg, uint8_t scale, std::array<uint32_t, 4> m) {
    jet::Decimal d;
    d.negative = neg;
    d.scale = scale;
    d.mantissa = m;
    return d;
}

const char kGuid[16] = {'\x33', '\x22', '\x11', '\x00', '\x55', '\x44', '\x77', '\x66',
                        '\x88', '\x99', '\xAA', '\xBB', '\xCC', '\xDD', '\xEE', '\xFF'};
const char kBin[4] = {'\x00', '\xFF', '\x7F', '\x0A'};

INSTANTIATE_TEST_SUITE_P(
    Values, CanonicalText,
    ::testing::Values(
        TextCase{jet::Value::null(), ""}, TextCase{jet::Value::boolean(true), "1"},
        TextCase{jet::Value::boolean(false), "0"}, TextCase{jet::Value::byte(255), "255"},
        TextCase{jet::Value::int16(-32768), "-32768"}, TextCase{jet::Value::int32(-2147483647 - 1), "-2147483648"},
        TextCase{jet::Value::int64(9223372036854775807LL), "9223372036854775807"},
        // Shortest text that reads back to the same value; Single as float.
        TextCase{jet::Value::single(1.1f), "1.1"}, TextCase{jet::Value::single(-0.75f), "-0.75"},
        TextCase{jet::Value::real(0.1), "0.1"}, TextCase{jet::Value::real(1.0 / 3.0), "0.3333333333333333"},
        TextCase{jet::Value::real(-2.5e-10), "-2.5e-10"}, TextCase{jet::Value::real(100), "100"},
        // Currency exact, no trailing zeros.
        TextCase{jet::Value::currency(1825002500), "182500.25"}, TextCase{jet::Value::currency(0), "0"},
        TextCase{jet::Value::currency(-12345678), "-1234.5678"}, TextCase{jet::Value::currency(-5000), "-0.5"},
        TextCase{jet::Value::currency(9223372036854775807LL), "922337203685477.5807"},
        TextCase{jet::Value::currency(-9223372036854775807LL - 1), "-922337203685477.5808"},
        // OLE dates: integer part is the day, the fraction's absolute value the time.
        TextCase{jet::Value::dateTime(0.0), "1899-12-30 00:00:00"},
        TextCase{jet::Value::dateTime(-1.25), "1899-12-29 06:00:00"},
        TextCase{jet::Value::dateTime(-1.0), "1899-12-29 00:00:00"},
        TextCase{jet::Value::dateTime(1.5), "1899-12-31 12:00:00"},
        TextCase{jet::Value::dateTime(-693593.0), "0001-01-01 00:00:00"},
        TextCase{jet::Value::dateTime(2958465.999988426), "9999-12-31 23:59:59"},
        TextCase{jet::Value::dateTime(36925.57326388889), "2001-02-03 13:45:30"},
        TextCase{jet::Value::dateTime(36617.99999999), "2000-04-02 00:00:00"},  // rounds to the next day
        TextCase{jet::Value::dateTime(-2.99999999), "1899-12-29 00:00:00"},   // day -2 at 24:00
        TextCase{jet::Value::extDateTime({737592, 45900, 1234567}), "2020-06-17 12:45:00.1234567"},
        TextCase{jet::Value::extDateTime({0, 0, 0}), "0001-01-01 00:00:00"},
        TextCase{jet::Value::guid(bytes(kGuid, 16)), "{00112233-4455-6677-8899-AABBCCDDEEFF}"},
        TextCase{jet::Value::binary(bytes(kBin, 4)), "00ff7f0a"}, TextCase{jet::Value::binary({}), ""},
        TextCase{jet::Value::text("a,b"), "a,b"},
        TextCase{jet::Value::decimal(dec(false, 0, {42, 0, 0, 0})), "42"},
        TextCase{jet::Value::decimal(dec(true, 4, {12345, 0, 0, 0})), "-1.2345"},
        TextCase{jet::Value::decimal(dec(false, 6, {50325000, 0, 0, 0})), "50.325"},
        TextCase{jet::Value::decimal(dec(false, 3, {5, 0, 0, 0})), "0.005"},
        TextCase{jet::Value::decimal(dec(true, 2, {0, 0, 0, 0})), "0"},
        // 2^96 - 1 = 79228162514264337593543950335
        TextCase{jet::Value::decimal(dec(false, 28, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0})),
                 "7.9228162514264337593543950335"},
        TextCase{jet::Value::complex({7, 2}), "2 items"}, TextCase{jet::Value::complex({7, 1}), "1 item"}),
    [](const auto& info) { return jet_test::caseName("v", info.index); });

TEST(CsvField, QuotesOnlyWhenNeeded) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {{"plain", "plain"},          {"a,b", "\"a,b\""},        {"say \"hi\"", "\"say \"\"hi\"\"\""},
                 {"line\r\nbreak", "\"line\r\nbreak\""}, {"lf\n", "\"lf\n\""}, {"", ""},
                 {"日本語", "日本語"},          {" padded ", " padded "}};
    for (const auto& c : cases) {
        std::string s;
        jet::csv::appendField(s, c.in);
        EXPECT_EQ(s, c.out) << c.in;
    }
    std::string s;
    jet::csv::appendField(s, jet::Value::null());
    EXPECT_EQ(s, "");
}

TEST(CsvExport, WholeTableWithHeaderAndCrlf) {
    auto db = jet_test::openDb("jp_sample.mdb");
    ASSERT_TRUE(db);
    auto t = jet_test::openTable(*db, "社員");
    ASSERT_TRUE(t);
    std::FILE* f = std::tmpfile();
    auto stats = jet::csv::writeTable(t, f);
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->rows, 42u);
    EXPECT_EQ(stats->unreadableRows, 0u);
    std::rewind(f);
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    EXPECT_EQ(out.substr(0, out.find("\r\n")), "ID,氏名,部署コード,入社日,給与,在籍,備考,写真,評価,比率,区分,コード");
    // Row 10's memo holds line breaks: quoted. Row 13's name is "" (empty, quoted so it differs from Null).
    EXPECT_NE(out.find(",\"一行目\r\n二行目\r\n三行目\","), std::string::npos);
    EXPECT_NE(out.find("\r\n13,\"\","), std::string::npos);
    EXPECT_NE(out.find("\r\n6,渡辺　陽子,120,1899-12-29 06:00:00,"), std::string::npos);
}

TEST(CsvExport, WriteFailureIsReported) {
    auto db = jet_test::openDb("jp_sample.mdb");
    ASSERT_TRUE(db);
    auto t = jet_test::openTable(*db, "Big5000");
    ASSERT_TRUE(t);
    auto r = jet::csv::writeTable(t, -1);
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().message.find("write failed"), std::string::npos);
}

struct DecodeCase {
    std::vector<uint8_t> in;
    const char* out;
};

class Ucs2Text : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Ucs2Text, Decodes) {
    std::string s;
    const auto& in = GetParam().in;
    jet::detail::appendUcs2Text(s, bytes(reinterpret_cast<const char*>(in.data()), in.size()));
    EXPECT_EQ(s, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Jet4, Ucs2Text,
    ::testing::Values(DecodeCase{{0x41, 0x00, 0x42, 0x00}, "AB"},
                      // compressed: 8-bit run, switch, 16-bit run, switch back
                      DecodeCase{{0xFF, 0xFE, 'a', 'b', 0x00, 0xE5, 0x65, 0x00, 'c'}, "ab日c"},
                      DecodeCase{{0xFF, 0xFE, 0xE9, 'x'}, "éx"},
                      DecodeCase{{0xFF, 0xFE}, ""},
                      // surrogate pair and broken halves
                      DecodeCase{{0x42, 0xD8, 0xB7, 0xDF}, "\U00020BB7"},
                      DecodeCase{{0x42, 0xD8, 0x41, 0x00}, "\uFFFDA"},
                      DecodeCase{{0xB7, 0xDF}, "\uFFFD"},
                      DecodeCase{{0x42, 0xD8}, "\uFFFD"},
                      // odd trailing byte is dropped
                      DecodeCase{{0x41, 0x00, 0x42}, "A"}),
    [](const auto& info) { return jet_test::caseName("c", info.index); });

class Cp932Text : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Cp932Text, Decodes) {
    std::string s;
    const auto& in = GetParam().in;
    jet::detail::appendCodePageText(s, bytes(reinterpret_cast<const char*>(in.data()), in.size()), 932);
    EXPECT_EQ(s, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Jet3, Cp932Text,
    ::testing::Values(DecodeCase{{0x95, 0x5C}, "表"},              // second byte is '\'
                      DecodeCase{{0x83, 0x5C, 0x5C}, "ソ\\"},      // ソ then a real backslash
                      DecodeCase{{0x87, 0x40}, "①"},              // NEC special characters
                      DecodeCase{{0x87, 0x8A}, "㈱"},
                      DecodeCase{{0xFA, 0x40}, "ⅰ"},              // IBM extensions
                      DecodeCase{{0xED, 0x40}, "纊"},             // NEC-selected IBM extensions
                      DecodeCase{{0x81, 0x60}, "～"},             // CP932 maps to U+FF5E
                      DecodeCase{{0xB1, 0xB2, 0x20, 0x41}, "ｱｲ A"},
                      DecodeCase{{0x82}, "\uFFFD"},               // lead byte at the end
                      DecodeCase{{0x82, 0x20}, "\uFFFD "}),
    [](const auto& info) { return jet_test::caseName("c", info.index); });

TEST(CodePageText, Cp1252AndOthers) {
    std::string s;
    const char in[] = "\x80\xE9\x9F";
    jet::detail::appendCodePageText(s, bytes(in, 3), 1252);
    EXPECT_EQ(s, "€éŸ");
    s.clear();
    const char cyr[] = "\xC0\xE1";  // CP1251 through the system converter
    jet::detail::appendCodePageText(s, bytes(cyr, 2), 1251);
    EXPECT_EQ(s, "Аб");
}

}  // namespace
