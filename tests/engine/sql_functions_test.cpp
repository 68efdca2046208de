// The Jet function library and operators, evaluated as `SELECT <expr> FROM One` over an
// in-memory table. Expected values worked out by hand from Jet/VBA's documented behaviour
// (banker's rounding in CInt/Round, Int floors and Fix truncates, & treats Null as "", Mod and
// \ round their operands first, Sunday = 1 in Weekday, two-digit years 00-29 -> 20xx).

#include "sql_helpers.h"

namespace {

using Case = sqltest::ExpressionCase;

class JetFunctions : public sqltest::ExpressionTest {};

TEST_P(JetFunctions, Evaluate) { check(); }

INSTANTIATE_TEST_SUITE_P(Text, JetFunctions, ::testing::Values(
    Case{"Left('abcdef', 3)", "abc"}, Case{"Right('abcdef', 2)", "ef"}, Case{"Left(Null, 2)", "NULL"},
    Case{"Left('abc', -1)", "ERROR: Invalid procedure call or argument."},
    Case{"Mid('abcdef', 2, 3)", "bcd"}, Case{"Mid('abcdef', 4)", "def"}, Case{"Mid('abc', 5)", ""},
    Case{"Mid$('abc', 0)", "ERROR: Invalid procedure call or argument."},
    Case{"Len('日本語')", "3"}, Case{"Len(Null)", "NULL"}, Case{"Len(12345)", "5"},
    Case{"InStr('abcabc', 'C')", "3"}, Case{"InStr(4, 'abcabc', 'c')", "6"},
    Case{"InStr(1, 'abcabc', 'C', 0)", "0"}, Case{"InStr('abc', '')", "1"}, Case{"InStr('abc', 'x')", "0"},
    Case{"InStr(Null, 'x')", "NULL"}, Case{"InStrRev('abcabc', 'b')", "5"},
    Case{"Trim('  a b  ') & '|'", "a b|"}, Case{"LTrim('  a b  ') & '|'", "a b  |"}, Case{"RTrim('  a b  ') & '|'", "  a b|"},
    Case{"UCase('aBc')", "ABC"}, Case{"LCase('ÀBC')", "àbc"}, Case{"UCase(Null)", "NULL"},
    Case{"Replace('aXbxc', 'x', '-')", "a-b-c"}, Case{"Replace('abcabc', 'b', 'X', 3)", "caXc"},
    Case{"Replace('aaaa', 'a', 'b', 1, 2)", "bbaa"}, Case{"Replace('abc', 'b', 'X', 1, -1, 0)", "aXc"},
    Case{"Space(3) & '|'", "   |"}, Case{"String(3, 'xyz')", "xxx"}, Case{"String(2, 65)", "AA"},
    Case{"StrComp('abc', 'ABC')", "0"}, Case{"StrComp('a', 'B')", "-1"}, Case{"StrComp('a', 'B', 0)", "1"},
    Case{"StrComp(Null, 'a')", "NULL"}, Case{"StrReverse('abc')", "cba"},
    Case{"Chr(65)", "A"}, Case{"Asc('a')", "97"}, Case{"Asc('')", "ERROR: Invalid procedure call or argument."},
    Case{"Hex(255)", "FF"}, Case{"Hex(-1)", "FFFFFFFF"}, Case{"Oct(8)", "10"}));

INSTANTIATE_TEST_SUITE_P(Format, JetFunctions, ::testing::Values(
    Case{"Format(1234.5, '#,##0.00')", "1,234.50"}, Case{"Format(0.256, '0.0%')", "25.6%"},
    Case{"Format(5, '000')", "005"}, Case{"Format(0.5, '#.00')", ".50"}, Case{"Format(1234.5, 'Standard')", "1,234.50"},
    Case{"Format(1234.5, 'Fixed')", "1234.50"}, Case{"Format(0.5, 'Percent')", "50.00%"},
    Case{"Format(12345.678, 'Scientific')", "1.23E+04"}, Case{"Format(0.000123, '0.0E-00')", "1.2E-04"},
    Case{"Format(-5, '0;(0)')", "(5)"}, Case{"Format(0, '0;(0);\"zero\"')", "zero"},
    Case{"Format(5551234567, '(000) 000-0000')", "(555) 123-4567"}, Case{"Format(2.5, '0')", "3"},
    Case{"Format(-1, 'Yes/No')", "Yes"}, Case{"Format(0, 'True/False')", "False"}, Case{"Format(1, 'On/Off')", "On"},
    Case{"Format(#2003-01-31 14:05:09#, 'yyyy-mm-dd hh:nn:ss')", "2003-01-31 14:05:09"},
    Case{"Format(#2003-01-31#, 'yy/m/d')", "03/1/31"}, Case{"Format(#2003-01-31 14:05:09#, 'h:nn AM/PM')", "2:05 PM"},
    Case{"Format(#2003-01-31 14:05:09#, 'hh:mm')", "14:05"}, Case{"Format(#2003-01-31#, 'dddd d mmm')", "Friday 31 Jan"},
    Case{"Format(#2003-05-15#, '\"Q\"q yyyy')", "Q2 2003"}, Case{"Format('abc', '>')", "ABC"},
    Case{"Format('abc', '@@@@@')", "  abc"}, Case{"Format(Null, '0')", "NULL"}, Case{"Format(12.5)", "12.5"}));

INSTANTIATE_TEST_SUITE_P(Conversions, JetFunctions, ::testing::Values(
    Case{"CStr(12.5)", "12.5"}, Case{"CStr(Null)", "ERROR: Invalid use of Null."},
    Case{"CInt(2.5)", "2"}, Case{"CInt(3.5)", "4"}, Case{"CInt('12')", "12"}, Case{"CInt(40000)", "ERROR: Overflow."},
    Case{"CLng(-2.5)", "-2"}, Case{"CLng('x')", "ERROR: Data type mismatch in criteria expression."},
    Case{"CDbl('1.5') * 2", "3"}, Case{"CCur(1.23456)", "$1.2346"}, Case{"CSng(0.1)", "0.1"},
    Case{"CDate('2003-01-31')", "2003-01-31"}, Case{"CDate(37652.5)", "2003-01-31 12:00:00"},
    Case{"CBool(5)", "True"}, Case{"CBool(0)", "False"}, Case{"CBool('true')", "True"},
    Case{"Val('12abc')", "12"}, Case{"Val(' 1 2 3')", "123"}, Case{"Val('&HFF')", "255"}, Case{"Val('abc')", "0"},
    Case{"Val('-1.5e2x')", "-150"}, Case{"Str(5)", " 5"}, Case{"Str(-5)", "-5"},
    Case{"IsNumeric('12')", "True"}, Case{"IsNumeric('x')", "False"}, Case{"IsDate('2003-01-31')", "True"},
    Case{"IsDate('x')", "False"}));

INSTANTIATE_TEST_SUITE_P(Dates, JetFunctions, ::testing::Values(
    Case{"#1/31/2003#", "2003-01-31"}, Case{"#2003-01-31 1:30:00 PM#", "2003-01-31 13:30:00"},
    Case{"#31-Jan-2003#", "2003-01-31"}, Case{"#1/31/03#", "2003-01-31"}, Case{"#12:30#", "1899-12-30 12:30:00"},
    Case{"Year(#2003-01-31#)", "2003"}, Case{"Month(#2003-01-31#)", "1"}, Case{"Day(#2003-01-31#)", "31"},
    Case{"Hour(#2003-01-31 14:05:09#)", "14"}, Case{"Minute(#2003-01-31 14:05:09#)", "5"},
    Case{"Second(#2003-01-31 14:05:09#)", "9"}, Case{"Year(Null)", "NULL"}, Case{"Year('2003-01-31')", "2003"},
    Case{"Weekday(#2003-01-31#)", "6"}, Case{"Weekday(#2003-01-31#, 2)", "5"},
    Case{"DateAdd('m', 1, #2003-01-31#)", "2003-02-28"}, Case{"DateAdd('d', -1, #2003-03-01#)", "2003-02-28"},
    Case{"DateAdd('yyyy', 1, #2004-02-29#)", "2005-02-28"}, Case{"DateAdd('h', 25, #2003-01-31#)", "2003-02-01 01:00:00"},
    Case{"DateAdd('n', 90, #2003-01-31 23:00:00#)", "2003-02-01 00:30:00"}, Case{"DateAdd('ww', 2, #2003-01-01#)", "2003-01-15"},
    Case{"DateAdd('q', 1, #2003-11-30#)", "2004-02-29"}, Case{"DateAdd('x', 1, #2003-01-01#)", "ERROR: Invalid procedure call or argument."},
    Case{"DateDiff('d', #2003-01-01#, #2003-03-01#)", "59"}, Case{"DateDiff('m', #2003-01-31#, #2003-02-01#)", "1"},
    Case{"DateDiff('yyyy', #2003-12-31#, #2004-01-01#)", "1"}, Case{"DateDiff('ww', #2003-01-04#, #2003-01-05#)", "1"},
    Case{"DateDiff('w', #2003-01-01#, #2003-01-15#)", "2"}, Case{"DateDiff('h', #2003-01-01 10:59:00#, #2003-01-01 11:00:00#)", "1"},
    Case{"DateDiff('s', #2003-01-01#, #2003-01-01 00:01:00#)", "60"}, Case{"DateDiff('d', #2003-03-01#, #2003-01-01#)", "-59"},
    Case{"DatePart('q', #2003-05-15#)", "2"}, Case{"DatePart('y', #2003-02-01#)", "32"}, Case{"DatePart('ww', #2003-01-05#)", "2"},
    Case{"DatePart('w', #2003-01-31#)", "6"}, Case{"DatePart('yyyy', #2003-01-31#)", "2003"},
    Case{"DateSerial(2003, 14, 1)", "2004-02-01"}, Case{"DateSerial(2003, 3, 0)", "2003-02-28"},
    Case{"DateSerial(99, 1, 1)", "1999-01-01"}, Case{"DateSerial(5, 1, 1)", "2005-01-01"},
    Case{"TimeSerial(25, 0, 0)", "1899-12-31 01:00:00"}, Case{"DateValue('2003-01-31 14:00')", "2003-01-31"},
    Case{"TimeValue('2003-01-31 14:00')", "1899-12-30 14:00:00"},
    Case{"#2003-01-31# + 1", "2003-02-01"}, Case{"#2003-02-01# - #2003-01-31#", "1"},
    Case{"#2003-01-31# - 0.25", "2003-01-30 18:00:00"}, Case{"#12/29/1899 06:00#", "1899-12-29 06:00:00"},
    Case{"Year(#2/30/2003#)", "ERROR: Syntax error in date in query expression '#2/30/2003#'."}));

INSTANTIATE_TEST_SUITE_P(Numbers, JetFunctions, ::testing::Values(
    Case{"Abs(-3)", "3"}, Case{"Abs(-2.5)", "2.5"}, Case{"Int(-2.5)", "-3"}, Case{"Fix(-2.5)", "-2"}, Case{"Int(2.7)", "2"},
    Case{"Round(2.5)", "2"}, Case{"Round(3.5)", "4"}, Case{"Round(-2.5)", "-2"}, Case{"Round(2.355, 2)", "2.36"},
    Case{"Round(1234.5678, 1)", "1234.6"}, Case{"Sgn(-4)", "-1"}, Case{"Sgn(0)", "0"}, Case{"Sqr(16)", "4"},
    Case{"Sqr(-1)", "ERROR: Invalid procedure call or argument."}, Case{"Round(Exp(Log(10)), 6)", "10"},
    Case{"Round(Atn(1) * 4, 6)", "3.141593"}));

INSTANTIATE_TEST_SUITE_P(Operators, JetFunctions, ::testing::Values(
    Case{"7 \\ 2", "3"}, Case{"7.6 \\ 2", "4"}, Case{"-7 \\ 2", "-3"}, Case{"7 Mod 3", "1"}, Case{"-7 Mod 3", "-1"},
    Case{"7.5 Mod 2", "0"}, Case{"5 Mod 0", "ERROR: Division by zero."},
    Case{"2 ^ 10", "1024"}, Case{"-2 ^ 2", "-4"}, Case{"2 ^ -1", "0.5"}, Case{"2 ^ 3 ^ 2", "64"},
    Case{"1 + 2 * 3", "7"}, Case{"7 / 2", "3.5"}, Case{"1 / 0", "ERROR: Division by zero."}, Case{"10 - 2 - 3", "5"},
    Case{"'a' & Null & 'b'", "ab"}, Case{"Null & Null", "NULL"}, Case{"1 + 2 & 3", "33"}, Case{"'x' & 1.5", "x1.5"},
    Case{"'1' + 2", "3"}, Case{"'a' + 'b'", "ab"}, Case{"Null + 1", "NULL"}, Case{"'a' + 1", "ERROR: Data type mismatch in criteria expression."},
    Case{"IIf(True XOR False, 'y', 'n')", "y"}, Case{"IIf(True XOR True, 'y', 'n')", "n"},
    Case{"IIf(1 = 1 EQV 2 = 2, 'y', 'n')", "y"}, Case{"IIf(1 = 2 IMP 1 = 1, 'y', 'n')", "y"},
    Case{"IIf(1 > 2, 'a', 'b')", "b"}, Case{"IIf(Null, 'a', 'b')", "b"}, Case{"IIf(NOT (1 > 2), 'a', 'b')", "a"},
    Case{"IIf(Yes = True AND No = False, 'ok', 'no')", "ok"},
    Case{"Nz(Null, 5)", "5"}, Case{"Nz(Null) & '|'", "|"}, Case{"Nz(3, 5)", "3"}, Case{"IsNull(Null)", "True"},
    Case{"IsNull(0)", "False"}, Case{"Switch(1 > 2, 'a', 2 > 1, 'b')", "b"}, Case{"Choose(2, 'a', 'b', 'c')", "b"},
    Case{"IIf('ABC' = 'abc', 'same', 'different')", "same"}, Case{"IIf('a' < 'B', 'lt', 'ge')", "lt"},
    Case{"&H10 + 1", "17"}, Case{"IIf(3 BETWEEN 1 AND 5, 'in', 'out')", "in"}, Case{"IIf(2 IN (1, 2), 'in', 'out')", "in"}));

TEST(JetFunctionsClock, DateNowTimeHaveDateType)
{
    sqltest::MemoryDb db;
    const auto r = db.run(QStringLiteral("SELECT Date(), Now(), Time(), Now FROM One"));
    using T = automation::Variant::Type;
    EXPECT_EQ(r.types, (std::vector<T>{T::Date, T::Date, T::Date, T::Date}));
    EXPECT_EQ(r.rows[0][0].size(), 10);   // a date without time
}

TEST(JetFunctionsErrors, UnknownFunctionsAndWrongArgumentCounts)
{
    sqltest::MemoryDb db;
    EXPECT_EQ(db.eval(QStringLiteral("Frobnicate(1)")).toStdString(), "ERROR: Undefined function 'Frobnicate' in expression.");
    EXPECT_EQ(db.eval(QStringLiteral("Left('a')")).toStdString(),
              "ERROR: Wrong number of arguments used with function 'Left' in query expression.");
    EXPECT_EQ(db.eval(QStringLiteral("Count()")).toStdString(),
              "ERROR: Wrong number of arguments used with function 'Count' in query expression.");
}

} // namespace
