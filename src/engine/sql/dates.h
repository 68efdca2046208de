#pragma once
// Jet dates are OLE dates: days since 30 Dec 1899, the fraction the time of day. Before that day
// the integer part counts backwards while the fraction still counts forwards (-1.25 is
// 29 Dec 1899 06:00), so conversions go through calendar parts.

#include <QString>

#include <optional>

namespace sql {

// The range of Jet's dates: 1 January 100 to 31 December 9999 (the last second of it).
inline constexpr double kFirstOleDate = -657434.0;
inline constexpr double kEndOleDate = 2958466.0;   // exclusive
bool isValidOleDate(double ole);

struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

// Days since 30 Dec 1899 of a proleptic Gregorian date (month and day may overflow, as
// DateSerial allows: month 13 is January of the next year, day 0 the last of the previous month).
long long daysFromCivil(long long y, long long m, long long d);
DateParts civilFromDays(long long days);

double toOle(const DateParts& p);
// Rounded to the second, as Jet shows dates (a time that rounds up to midnight is the next
// day, before 1900 too). A value outside Jet's range gives 30 Dec 1899: check first.
DateParts fromOle(double ole);
// The day part as a signed day count and the time as seconds, for arithmetic on dates.
long long oleDay(double ole);
double oleTimeFraction(double ole);
double oleFromDayAndTime(long long day, double timeFraction);
// Days as a continuous number line (negative dates made linear), and back.
double oleToLinear(double ole);
double linearToOle(double linear);

// "1/31/2003", "2003-01-31", "2003/1/31", "31-Jan-2003", "Jan 31, 2003", each with an optional
// time "13:45[:10]" or "1:45 PM"; or a time alone. Month-first for slashed forms, as Jet reads
// date literals.
std::optional<double> parseDateText(const QString& text);

} // namespace sql
