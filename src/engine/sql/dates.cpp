#include "sql/dates.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace sql {

long long daysFromCivil(long long y, long long m, long long d)
{
    // Normalise the month first so that DateSerial(2003, 14, 1) is February 2004.
    y += (m - 1) >= 0 ? (m - 1) / 12 : -((12 - m) / 12);
    m = ((m - 1) % 12 + 12) % 12 + 1;
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long unixDays = era * 146097 + doe - 719468;
    // 1899-12-30 is 25569 days before 1970-01-01; the day of month may overflow either way.
    return unixDays + 25569 + (d - 1);
}

DateParts civilFromDays(long long days)
{
    long long z = days - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    DateParts p;
    p.day = int(doy - (153 * mp + 2) / 5 + 1);
    p.month = int(mp < 10 ? mp + 3 : mp - 9);
    p.year = int(yoe + era * 400 + (p.month <= 2));
    return p;
}

bool isValidOleDate(double ole)
{
    return ole >= kFirstOleDate && ole < kEndOleDate;   // false for NaN
}

long long oleDay(double ole)
{
    // Saturated: no conversion of a double out of the integer range.
    if (!(std::fabs(ole) < 1e15)) return std::isnan(ole) ? 0 : (ole < 0 ? -1'000'000'000'000'000LL : 1'000'000'000'000'000LL);
    return static_cast<long long>(std::trunc(ole));
}

double oleTimeFraction(double ole)
{
    return std::fabs(ole - std::trunc(ole));
}

double oleFromDayAndTime(long long day, double timeFraction)
{
    return day < 0 ? double(day) - timeFraction : double(day) + timeFraction;
}

double oleToLinear(double ole)
{
    return double(oleDay(ole)) + oleTimeFraction(ole);
}

double linearToOle(double linear)
{
    if (!(std::fabs(linear) < 1e15)) return linear;   // far outside any date: no day to split
    const double day = std::floor(linear);
    return oleFromDayAndTime(static_cast<long long>(day), linear - day);
}

double toOle(const DateParts& p)
{
    const long long day = daysFromCivil(p.year, p.month, p.day);
    const double secs = double(p.hour) * 3600 + double(p.minute) * 60 + double(p.second);
    // Times may overflow too (TimeSerial(25, 0, 0)): carry whole days over.
    const double linear = double(day) + secs / 86400.0;
    return linearToOle(linear);
}

DateParts fromOle(double ole)
{
    if (!isValidOleDate(ole)) return DateParts{};
    long long day = oleDay(ole);
    long long secs = std::llround(oleTimeFraction(ole) * 86400.0);
    // The fraction counts forward from the day's midnight also before 1900 (-1.75 is
    // 29 Dec 1899 18:00): rounding up to midnight reaches the next calendar day.
    if (secs >= 86400) { secs -= 86400; day += 1; }
    DateParts p = civilFromDays(day);
    p.hour = int(secs / 3600);
    p.minute = int(secs / 60 % 60);
    p.second = int(secs % 60);
    return p;
}

namespace {

int monthFromName(const QString& s)
{
    static const char* const names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
    const QString l = s.toLower();
    if (l.size() < 3) return 0;
    for (int i = 0; i < 12; ++i)
        if (l.startsWith(QLatin1String(names[i]))) return i + 1;
    return 0;
}

int fullYear(int y, int digits)
{
    // Two-digit years: 00-29 are 2000-2029, 30-99 are 1930-1999, as Jet reads them.
    if (digits <= 2) return y < 30 ? 2000 + y : 1900 + y;
    return y;
}

bool validDate(int y, int m, int d)
{
    if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d > days[m - 1]) return false;
    if (m == 2 && d == 29) return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return true;
}

} // namespace

std::optional<double> parseDateText(const QString& input)
{
    QString text = input.simplified();
    if (text.isEmpty()) return std::nullopt;

    // Time part: h:mm[:ss] with optional AM/PM at the end.
    static const QRegularExpression timeRe(
        QStringLiteral("(?:^|\\s)(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?\\s*([AaPp][Mm])?$"));
    int hh = 0, mi = 0, ss = 0;
    bool hasTime = false;
    const auto tm = timeRe.match(text);
    if (tm.hasMatch()) {
        hh = tm.captured(1).toInt();
        mi = tm.captured(2).toInt();
        ss = tm.captured(3).isEmpty() ? 0 : tm.captured(3).toInt();
        const QString ampm = tm.captured(4).toUpper();
        if (!ampm.isEmpty()) {
            if (hh < 1 || hh > 12) return std::nullopt;
            if (ampm == QLatin1String("AM") && hh == 12) hh = 0;
            if (ampm == QLatin1String("PM") && hh != 12) hh += 12;
        }
        if (hh > 23 || mi > 59 || ss > 59) return std::nullopt;
        hasTime = true;
        text = text.left(tm.capturedStart()).trimmed();
    } else {
        static const QRegularExpression hourAmPm(QStringLiteral("(?:^|\\s)(\\d{1,2})\\s*([AaPp][Mm])$"));
        const auto hm = hourAmPm.match(text);
        if (hm.hasMatch()) {
            hh = hm.captured(1).toInt();
            if (hh < 1 || hh > 12) return std::nullopt;
            const bool pm = hm.captured(2).toUpper() == QLatin1String("PM");
            if (hh == 12) hh = 0;
            if (pm) hh += 12;
            hasTime = true;
            text = text.left(hm.capturedStart()).trimmed();
        }
    }
    const double timeFraction = (hh * 3600 + mi * 60 + ss) / 86400.0;
    if (text.isEmpty()) {
        if (!hasTime) return std::nullopt;
        return timeFraction;
    }

    int y = 0, m = 0, d = 0;
    static const QRegularExpression iso(QStringLiteral("^(\\d{3,4})[-/.](\\d{1,2})[-/.](\\d{1,2})$"));
    static const QRegularExpression us(QStringLiteral("^(\\d{1,2})[-/.](\\d{1,2})[-/.](\\d{1,4})$"));
    static const QRegularExpression usShort(QStringLiteral("^(\\d{1,2})[-/.](\\d{1,2})$"));
    static const QRegularExpression dMonY(QStringLiteral("^(\\d{1,2})[-\\s]([A-Za-z]+)[-\\s,]*(\\d{1,4})$"));
    static const QRegularExpression monDY(QStringLiteral("^([A-Za-z]+)[-\\s](\\d{1,2}),?[-\\s](\\d{1,4})$"));
    if (auto r = iso.match(text); r.hasMatch()) {
        y = r.captured(1).toInt(); m = r.captured(2).toInt(); d = r.captured(3).toInt();
    } else if (auto r2 = us.match(text); r2.hasMatch()) {
        m = r2.captured(1).toInt(); d = r2.captured(2).toInt();
        y = fullYear(r2.captured(3).toInt(), int(r2.captured(3).size()));
    } else if (auto r3 = dMonY.match(text); r3.hasMatch()) {
        d = r3.captured(1).toInt(); m = monthFromName(r3.captured(2));
        y = fullYear(r3.captured(3).toInt(), int(r3.captured(3).size()));
    } else if (auto r4 = monDY.match(text); r4.hasMatch()) {
        m = monthFromName(r4.captured(1)); d = r4.captured(2).toInt();
        y = fullYear(r4.captured(3).toInt(), int(r4.captured(3).size()));
    } else if (auto r5 = usShort.match(text); r5.hasMatch()) {
        // Month and day without a year: the current year, as Jet does. Kept fixed-year-free by
        // refusing it here: results would change with the clock.
        return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (!validDate(y, m, d)) return std::nullopt;
    DateParts p;
    p.year = y; p.month = m; p.day = d; p.hour = hh; p.minute = mi; p.second = ss;
    return toOle(p);
}

} // namespace sql
