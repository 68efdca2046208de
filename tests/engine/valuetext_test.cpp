#include "text/valuetext.h"

#include <gtest/gtest.h>

using automation::Variant;

namespace {

const QLocale kJapan(QLocale::Japanese, QLocale::Japan);
const QLocale kGermany(QLocale::German, QLocale::Germany);

struct Case {
    const char* what;
    Variant value;
    QLocale locale;
    const char* expected;
};

class ValueTextTest : public ::testing::TestWithParam<Case> {};

TEST_P(ValueTextTest, MatchesPlatformConversion)
{
    const Case& c = GetParam();
    EXPECT_EQ(valuetext::toText(c.value, c.locale).toStdString(), c.expected) << c.what;
}

automation::Decimal dec(__int128 m, int scale) { return automation::Decimal{m, static_cast<std::uint8_t>(scale)}; }

INSTANTIATE_TEST_SUITE_P(
    Values, ValueTextTest,
    ::testing::Values(
        Case{"null", Variant::null(), kJapan, ""},
        Case{"true is -1", Variant(true), kJapan, "-1"},
        Case{"false", Variant(false), kJapan, "0"},
        Case{"byte", Variant(std::uint8_t{255}), kJapan, "255"},
        Case{"negative long", Variant(std::int32_t{-2147483647 - 1}), kJapan, "-2147483648"},
        Case{"bigint", Variant(std::int64_t{9007199254740993}), kJapan, "9007199254740993"},
        Case{"single 7 digits", Variant(3.14159274f), kJapan, "3.141593"},
        Case{"double 15 digits", Variant(0.1 + 0.2), kJapan, "0.3"},
        Case{"double exponent", Variant(1.5e20), kJapan, "1.5E+20"},
        Case{"double small", Variant(0.00001), kJapan, "1E-05"},
        Case{"double comma locale", Variant(2.5), kGermany, "2,5"},
        Case{"currency without trailing zeros", Variant(automation::Currency{123400}), kJapan, "12.34"},
        Case{"currency whole", Variant(automation::Currency{50000}), kJapan, "5"},
        Case{"decimal exact", Variant(dec(-12345, 3)), kJapan, "-12.345"},
        Case{"decimal beyond double", Variant(dec((__int128)123456789012345678LL * 1000 + 901, 3)), kJapan,
             "123456789012345678.901"},
        Case{"date only", Variant(automation::Date{37622.0}), kJapan, "2003/01/01"},
        Case{"date and time", Variant(automation::Date{37622.75}), kJapan, "2003/01/01 18:00:00"},
        Case{"time only", Variant(automation::Date{0.5}), kJapan, "12:00:00"},
        Case{"before 1900 negative", Variant(automation::Date{-1.25}), kJapan, "1899/12/29 6:00:00"},
        Case{"year 1800", Variant(automation::Date{-36522.0}), kJapan, "1800/01/01"},
        Case{"time rounds to second", Variant(automation::Date{37622.0 + 86399.6 / 86400.0}), kJapan, "2003/01/02"},
        // Before 1900 the fraction still counts forward from the day's midnight: a time that
        // rounds up to midnight is the next day, as the calendar goes.
        Case{"before 1900 rounds up to the next day", Variant(automation::Date{-1.9999999}), kJapan, "0:00:00"},
        Case{"before 1900 rounds up to 31 Dec", Variant(automation::Date{-0.9999999}), kJapan, "1899/12/31"},
        Case{"long before 1900 rounds up", Variant(automation::Date{-36522.9999999}), kJapan, "1800/01/02"},
        Case{"before 1900 just under", Variant(automation::Date{-1.9999}), kJapan, "1899/12/29 23:59:51"},
        Case{"1900 rounds up", Variant(automation::Date{1.9999999}), kJapan, "1900/01/01"},
        Case{"last second of 9999", Variant(automation::Date{2958465.0 + 86399.0 / 86400.0}), kJapan, "9999/12/31 23:59:59"},
        Case{"first day of year 100", Variant(automation::Date{-657434.0}), kJapan, "0100/01/01"},
        Case{"text as stored", Variant(QStringLiteral("社員 abc")), kJapan, "社員 abc"},
        Case{"guid", Variant(automation::Guid{{0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56, 0x9a, 0xbc, 0xde, 0xf0, 0x12, 0x34, 0x56, 0x78}}),
             kJapan, "{12345678-1234-5678-9ABC-DEF012345678}"},
        Case{"binary preview", Variant(QByteArray::fromHex("000102ff")), kJapan, "<バイナリ 4 バイト: 00 01 02 ff>"},
        Case{"empty binary", Variant(QByteArray()), kJapan, "<バイナリ 0 バイト>"}));

TEST(ValueText, LongBinaryIsCutToAPreview)
{
    const QString text = valuetext::toText(Variant(QByteArray(100000, '\x41')), kJapan);
    EXPECT_TRUE(text.startsWith(QStringLiteral("<バイナリ 100000 バイト: 41 41")));
    EXPECT_LT(text.size(), 100);
}

} // namespace
