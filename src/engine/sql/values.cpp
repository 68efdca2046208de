#include "sql/values.h"

#include "sql/dates.h"
#include "sql/limits.h"
#include "text/valuetext.h"

#include <QLocale>

#include <cmath>

namespace sql {

void resultDate(sqlite3_context* ctx, double ole)
{
    sqlite3_result_double(ctx, ole);
    sqlite3_result_subtype(ctx, kSubtypeDate);
}

void resultCurrency(sqlite3_context* ctx, double value)
{
    sqlite3_result_double(ctx, value);
    sqlite3_result_subtype(ctx, kSubtypeCurrency);
}

void resultBoolean(sqlite3_context* ctx, bool value)
{
    sqlite3_result_int(ctx, value ? -1 : 0);
    sqlite3_result_subtype(ctx, kSubtypeBoolean);
}

void resultText(sqlite3_context* ctx, const QString& text)
{
    checkTextSize(text.size());
    const QByteArray u = text.toUtf8();
    checkTextSize(u.size());
    sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

QString doubleText(double d)
{
    return valuetext::formatDouble(d, QLocale::c());
}

QString dateText(double ole)
{
    return valuetext::formatDate(ole, QLocale::system());
}

QString valueText(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        return QString();
    case SQLITE_INTEGER:
        return QString::number(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        if (isDateValue(v)) return dateText(sqlite3_value_double(v));
        return doubleText(sqlite3_value_double(v));
    default:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                 sqlite3_value_bytes(v));
    }
}

std::optional<double> valueNumber(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return double(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return sqlite3_value_double(v);
    case SQLITE_TEXT: {
        const QString s = valueText(v).trimmed();
        bool ok = false;
        const double d = s.toDouble(&ok);
        // "inf" and "nan" read as numbers here, but are none to Jet.
        if (ok) return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
        if (s.startsWith(QLatin1String("&H"), Qt::CaseInsensitive)) {
            const qlonglong h = s.mid(2).toLongLong(&ok, 16);
            if (ok) return double(h);
        }
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<double> valueDate(sqlite3_value* v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_value_double(v);
    case SQLITE_TEXT: {
        const QString s = valueText(v);
        if (auto d = parseDateText(s)) return d;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

} // namespace sql
