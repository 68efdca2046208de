#include "text/valuetext.h"

#include <QDate>
#include <QTime>

#include <cmath>
#include <cstdio>

namespace valuetext {

namespace {

constexpr int kPreviewBytes = 16;

QString withLocaleSeparator(const char* text, const QLocale& locale)
{
    QString s = QString::fromLatin1(text);
    if (locale.decimalPoint() != QStringLiteral("."))
        s.replace(u'.', locale.decimalPoint());
    if (locale.negativeSign() != QStringLiteral("-") && s.startsWith(u'-'))
        s.replace(0, 1, locale.negativeSign());
    return s;
}

QString formatG(double value, int digits, const QLocale& locale)
{
    if (std::isnan(value)) return QStringLiteral("NaN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*G", digits, value);
    return withLocaleSeparator(buf, locale);
}

bool isJapanese(const QLocale& locale) { return locale.language() == QLocale::Japanese; }

QString shortDateFormat(const QLocale& locale)
{
    if (isJapanese(locale)) return QStringLiteral("yyyy/MM/dd");
    QString f = locale.dateFormat(QLocale::ShortFormat);
    if (!f.contains(QStringLiteral("yyyy")))
        f.replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    return f;
}

QString timeFormat(const QLocale& locale)
{
    if (isJapanese(locale)) return QStringLiteral("H:mm:ss");
    QString f = locale.timeFormat(QLocale::ShortFormat);
    if (!f.contains(QStringLiteral("ss"))) {
        const qsizetype mm = f.indexOf(QStringLiteral("mm"));
        if (mm >= 0) f.insert(mm + 2, QStringLiteral(":ss"));
    }
    return f;
}

QString binaryText(const QByteArray& bytes)
{
    QString s = QStringLiteral("<バイナリ %1 バイト").arg(bytes.size());
    if (!bytes.isEmpty()) {
        s += QStringLiteral(": ");
        const qsizetype n = std::min<qsizetype>(bytes.size(), kPreviewBytes);
        s += QString::fromLatin1(bytes.left(n).toHex(' '));
        if (n < bytes.size()) s += QStringLiteral(" …");
    }
    s += u'>';
    return s;
}

} // namespace

QString formatSingle(float value, const QLocale& locale) { return formatG(value, 7, locale); }
QString formatDouble(double value, const QLocale& locale) { return formatG(value, 15, locale); }

QString formatDate(double oleDays, const QLocale& locale)
{
    if (!std::isfinite(oleDays) || std::fabs(oleDays) > 3e6)
        return formatDouble(oleDays, locale);
    // The integer part counts days from 30 Dec 1899 either way; the fraction is always a time
    // after midnight, also for negative dates (-1.25 is 29 Dec 1899 06:00).
    double whole = std::trunc(oleDays);
    long long seconds = std::llround(std::fabs(oleDays - whole) * 86400.0);
    // Rounding up to midnight reaches the next calendar day, before 1900 too (the fraction
    // counts forward from the day's midnight: -1.9999999 is 29 Dec 1899 23:59:59.99).
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;
    }
    const QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(whole));
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(seconds));
    const bool hasDate = whole != 0;
    const bool hasTime = seconds != 0;
    if (hasDate && !hasTime) return locale.toString(date, shortDateFormat(locale));
    if (!hasDate) return locale.toString(time, timeFormat(locale));
    return locale.toString(date, shortDateFormat(locale)) + u' ' + locale.toString(time, timeFormat(locale));
}

QString toText(const automation::Variant& value, const QLocale& locale)
{
    using T = automation::Variant::Type;
    switch (value.type()) {
    case T::Empty:
    case T::Null:
    case T::Missing: return {};
    case T::Boolean: return *value.get<bool>() ? QStringLiteral("-1") : QStringLiteral("0");
    case T::Byte:
    case T::Integer:
    case T::Long:
    case T::LongLong: return QString::number(value.toInt64());
    case T::Single: return formatSingle(*value.get<float>(), locale);
    case T::Double: return formatDouble(*value.get<double>(), locale);
    case T::Currency: return formatDouble(value.get<automation::Currency>()->toDouble(), locale);
    case T::Decimal: return withLocaleSeparator(value.get<automation::Decimal>()->toString().toLatin1().constData(), locale);
    case T::Date: return formatDate(value.get<automation::Date>()->days, locale);
    case T::String: return *value.get<QString>();
    case T::Guid: return value.get<automation::Guid>()->toString();
    case T::Bytes: return binaryText(*value.get<QByteArray>());
    case T::Object: return QStringLiteral("<オブジェクト>");
    }
    return {};
}

} // namespace valuetext
