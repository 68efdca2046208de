#include "sql/format.h"

#include "sql/dates.h"
#include "sql/limits.h"
#include "sql/values.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace sql {

namespace {

QString lower(const QString& s) { return s.trimmed().toLower(); }

// Splits a format into ;-separated sections, quotes and escapes respected.
QStringList sections(const QString& f)
{
    QStringList out;
    QString cur;
    bool quoted = false;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == u'"') quoted = !quoted;
        if (c == u'\\' && i + 1 < f.size() && !quoted) { cur += c; cur += f[++i]; continue; }
        if (c == u';' && !quoted) { out << cur; cur.clear(); continue; }
        cur += c;
    }
    out << cur;
    return out;
}

enum class Kind { Number, Date, Text, Literal };

Kind kindOf(const QString& f)
{
    bool quoted = false;
    bool date = false, text = false;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == u'"') { quoted = !quoted; continue; }
        if (quoted) continue;
        if (c == u'\\') { ++i; continue; }
        if (c == u'0' || c == u'#') return Kind::Number;
        const QChar l = c.toLower();
        if (l == u'y' || l == u'm' || l == u'd' || l == u'h' || l == u'n' || l == u's' || l == u'w'
            || l == u'q' || l == u'c' || l == u't')
            date = true;
        if (c == u'@' || c == u'&' || c == u'<' || c == u'>') text = true;
    }
    if (text) return Kind::Text;
    if (date) return Kind::Date;
    return Kind::Literal;
}

// Decimal digits of |v| rounded half away from zero to `places` decimals: integer and fraction.
void decimalDigits(double v, int places, QString& intPart, QString& fracPart)
{
    QString s = QString::number(std::fabs(v), 'f', std::min(places + 3, 30));
    // Round on the decimal text (so 0.125 with 2 places gives 0.13, as written).
    const qsizetype dot = s.indexOf(u'.');
    QString i = dot < 0 ? s : s.left(dot);
    QString f = dot < 0 ? QString() : s.mid(dot + 1);
    while (f.size() < places + 1) f += u'0';
    const bool up = f[places] >= u'5';
    f = f.left(places);
    if (up) {
        QString all = i + f;
        qsizetype k = all.size() - 1;
        while (k >= 0) {
            if (all[k] == u'9') { all[k] = u'0'; --k; }
            else { all[k] = QChar(all[k].unicode() + 1); break; }
        }
        if (k < 0) all.prepend(u'1');
        i = all.left(all.size() - places);
        f = all.right(places);
    }
    while (i.size() > 1 && i[0] == u'0') i.remove(0, 1);
    intPart = i;
    fracPart = f;
}

QString numberWithSection(double v, const QString& f, bool showSign)
{
    struct Item { enum K { Lit, Zero, Hash, Point, Comma, Percent, Exp } k; QString text; };
    std::vector<Item> items;
    for (qsizetype i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == u'"') {
            const qsizetype end = f.indexOf(u'"', i + 1);
            items.push_back({Item::Lit, f.mid(i + 1, (end < 0 ? f.size() : end) - i - 1)});
            i = end < 0 ? f.size() : end;
        } else if (c == u'\\' && i + 1 < f.size()) {
            items.push_back({Item::Lit, QString(f[++i])});
        } else if (c == u'0') items.push_back({Item::Zero, {}});
        else if (c == u'#') items.push_back({Item::Hash, {}});
        else if (c == u'.') items.push_back({Item::Point, {}});
        else if (c == u',') items.push_back({Item::Comma, {}});
        else if (c == u'%') items.push_back({Item::Percent, QStringLiteral("%")});
        else if ((c == u'E' || c == u'e') && i + 1 < f.size() && (f[i + 1] == u'+' || f[i + 1] == u'-')) {
            QString e = f.mid(i, 2);
            qsizetype j = i + 2;
            while (j < f.size() && (f[j] == u'0' || f[j] == u'#')) e += f[j++];
            items.push_back({Item::Exp, e});
            i = j - 1;
        } else items.push_back({Item::Lit, QString(c)});
    }
    bool seenPoint = false, grouping = false;
    int intSlots = 0, intZeros = 0, decSlots = 0, decZeros = 0;
    qsizetype lastDigit = -1;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const Item& it = items[k];
        if (it.k == Item::Zero || it.k == Item::Hash) {
            lastDigit = qsizetype(k);
            if (seenPoint) { ++decSlots; if (it.k == Item::Zero) decZeros = decSlots; }
            else { ++intSlots; if (it.k == Item::Zero) ++intZeros; }
        } else if (it.k == Item::Point) seenPoint = true;
        else if (it.k == Item::Comma && !seenPoint) grouping = true;
        else if (it.k == Item::Percent) v *= 100;
    }
    // A comma right before the point (or the end) scales by 1000 instead of grouping: "#,"
    // is rare; we group in every case.
    int exponent = 0;
    const Item* expItem = nullptr;
    for (const Item& it : items) if (it.k == Item::Exp) expItem = &it;
    if (expItem && v != 0) {
        exponent = int(std::floor(std::log10(std::fabs(v)))) - std::max(intSlots, 1) + 1;
        v /= std::pow(10.0, exponent);
        QString ip, fp;
        decimalDigits(v, decSlots, ip, fp);
        if (ip.size() > std::max(intSlots, 1)) { v /= 10; ++exponent; }
    }
    QString ip, fp;
    decimalDigits(v, decSlots, ip, fp);
    const bool negative = v < 0 && (ip != QLatin1String("0") || fp.contains(QRegularExpression(QStringLiteral("[1-9]"))));
    while (fp.size() > decZeros && fp.endsWith(u'0')) fp.chop(1);
    if (ip == QLatin1String("0") && intZeros == 0) ip.clear();
    if (ip.size() < intZeros) ip = QString(intZeros - ip.size(), u'0') + ip;
    if (grouping && !ip.isEmpty()) {
        QString g;
        for (qsizetype k = 0; k < ip.size(); ++k) {
            if (k > 0 && (ip.size() - k) % 3 == 0) g += u',';
            g += ip[k];
        }
        ip = g;
    }
    QString out;
    int intSeen = 0, decSeen = 0;
    seenPoint = false;
    const bool hasGroupedInt = grouping;
    // Integer digits: the first slot takes every surplus digit.
    const qsizetype rawDigits = grouping ? ip.size() : ip.size();
    qsizetype intPos = 0;
    for (std::size_t k = 0; k < items.size(); ++k) {
        const Item& it = items[k];
        switch (it.k) {
        case Item::Lit: case Item::Percent: out += it.text; break;
        case Item::Comma: break;
        case Item::Point:
            seenPoint = true;
            if (!fp.isEmpty() || decZeros > 0 || decSlots == 0) out += u'.';
            break;
        case Item::Zero: case Item::Hash:
            if (!seenPoint) {
                ++intSeen;
                if (hasGroupedInt) {
                    if (intSeen == 1) { out += ip; intPos = rawDigits; }
                } else {
                    const qsizetype remainingSlots = intSlots - intSeen;   // after this one
                    const qsizetype take = std::max<qsizetype>(0, (rawDigits - intPos) - remainingSlots);
                    out += ip.mid(intPos, take);
                    intPos += take;
                }
            } else {
                if (decSeen < fp.size()) out += fp[decSeen];
                ++decSeen;
            }
            break;
        case Item::Exp: {
            const QString digits = it.text.mid(2);
            QString e = QString::number(std::abs(exponent));
            while (e.size() < digits.count(u'0')) e.prepend(u'0');
            const QChar sign = exponent < 0 ? u'-' : (it.text[1] == u'+' ? u'+' : QChar());
            out += it.text[0];
            if (!sign.isNull()) out += sign;
            out += e;
            break;
        }
        }
        (void)lastDigit;
    }
    // A trailing point with no decimals after it is dropped only when the format had none:
    // "0." keeps it, as VBA does.
    if (negative && showSign) out.prepend(u'-');
    return out;
}

QString numberFormat(double v, const QString& format)
{
    const QStringList secs = sections(format);
    if (secs.size() >= 2 && v < 0 && !secs[1].isEmpty()) return numberWithSection(-v, secs[1], false);
    if (secs.size() >= 3 && v == 0 && !secs[2].isEmpty()) return numberWithSection(v, secs[2], false);
    return numberWithSection(v, secs[0], true);
}

QString namedNumber(double v, const QString& name, bool& known)
{
    known = true;
    const QString n = lower(name);
    if (n == QLatin1String("general number")) return doubleText(v);
    if (n == QLatin1String("currency")) return QLocale::system().toCurrencyString(v);
    if (n == QLatin1String("fixed")) return numberFormat(v, QStringLiteral("0.00"));
    if (n == QLatin1String("standard")) return numberFormat(v, QStringLiteral("#,##0.00"));
    if (n == QLatin1String("percent")) return numberFormat(v, QStringLiteral("0.00%"));
    if (n == QLatin1String("scientific")) return numberFormat(v, QStringLiteral("0.00E+00"));
    if (n == QLatin1String("yes/no")) return v != 0 ? QStringLiteral("Yes") : QStringLiteral("No");
    if (n == QLatin1String("true/false")) return v != 0 ? QStringLiteral("True") : QStringLiteral("False");
    if (n == QLatin1String("on/off")) return v != 0 ? QStringLiteral("On") : QStringLiteral("Off");
    known = false;
    return QString();
}

QString pad2(int v) { return QString::number(v).rightJustified(2, u'0'); }

QString dateFormat(double ole, const QString& f)
{
    const DateParts p = fromOle(ole);
    const QLocale loc = QLocale::system();
    // The day as shown (a time rounded up to midnight is the next day).
    const long long day = daysFromCivil(p.year, p.month, p.day);
    const int weekday = int(((day + 6) % 7 + 7) % 7) + 1;   // 1 = Sunday
    // Looked up once: each would cost a pass over the format.
    const bool twelve = f.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive)
                        || f.contains(QLatin1String("A/P"), Qt::CaseInsensitive);
    const int qtWeekday = weekday == 1 ? 7 : weekday - 1;   // Qt: 1 = Monday
    QString out;
    bool lastWasHour = false;
    qsizetype i = 0;
    // How many of the same letter follow, counted up to 6 (the longest token, "dddddd"):
    // counting a long run again at each of its tokens would cost time quadratic in its length.
    auto run = [&](QChar c) {
        qsizetype j = i;
        while (j < f.size() && j - i < 6 && f[j].toLower() == c) ++j;
        return int(j - i);
    };
    auto nextIsSecond = [&](qsizetype from) {
        for (qsizetype k = from; k < f.size(); ++k) {
            const QChar l = f[k].toLower();
            if (l == u's') return true;
            if (l.isLetter()) return false;
        }
        return false;
    };
    while (i < f.size()) {
        checkTextSize(out.size());
        const QChar c = f[i];
        const QChar l = c.toLower();
        if (c == u'"') {
            const qsizetype end = f.indexOf(u'"', i + 1);
            out += f.mid(i + 1, (end < 0 ? f.size() : end) - i - 1);
            i = end < 0 ? f.size() : end + 1;
            continue;
        }
        if (c == u'\\' && i + 1 < f.size()) { out += f[i + 1]; i += 2; continue; }
        const QStringView rest = QStringView(f).mid(i);
        if (rest.startsWith(QLatin1String("AM/PM"), Qt::CaseInsensitive)) {
            const bool upper = rest[0] == u'A';
            out += p.hour < 12 ? (upper ? QStringLiteral("AM") : QStringLiteral("am"))
                               : (upper ? QStringLiteral("PM") : QStringLiteral("pm"));
            i += 5;
            continue;
        }
        if (rest.startsWith(QLatin1String("A/P"), Qt::CaseInsensitive)) {
            const bool upper = rest[0] == u'A';
            out += p.hour < 12 ? (upper ? u'A' : u'a') : (upper ? u'P' : u'p');
            i += 3;
            continue;
        }
        const int n = run(l);
        if (l == u'y') {
            if (n >= 3) out += QString::number(p.year).rightJustified(4, u'0');
            else if (n == 2) out += pad2(p.year % 100);
            else out += QString::number(day - daysFromCivil(p.year, 1, 1) + 1);
            i += n >= 3 ? 4 : n;
            lastWasHour = false;
            continue;
        }
        if (l == u'm') {
            if (n <= 2 && (lastWasHour || nextIsSecond(i + n))) {
                out += n == 2 ? pad2(p.minute) : QString::number(p.minute);
            } else if (n >= 4) out += loc.monthName(p.month, QLocale::LongFormat);
            else if (n == 3) out += loc.monthName(p.month, QLocale::ShortFormat);
            else out += n == 2 ? pad2(p.month) : QString::number(p.month);
            i += std::min(n, 4);
            lastWasHour = false;
            continue;
        }
        if (l == u'd') {
            if (n >= 6) out += loc.toString(QDate(p.year, p.month, p.day), QLocale::LongFormat);
            else if (n == 5) out += dateText(double(day));
            else if (n == 4) out += loc.dayName(qtWeekday, QLocale::LongFormat);
            else if (n == 3) out += loc.dayName(qtWeekday, QLocale::ShortFormat);
            else out += n == 2 ? pad2(p.day) : QString::number(p.day);
            i += std::min(n, 6);
            lastWasHour = false;
            continue;
        }
        if (l == u'h') {
            int h = p.hour;
            if (twelve) { h %= 12; if (h == 0) h = 12; }
            out += n >= 2 ? pad2(h) : QString::number(h);
            i += std::min(n, 2);
            lastWasHour = true;
            continue;
        }
        if (l == u'n') {
            out += n >= 2 ? pad2(p.minute) : QString::number(p.minute);
            i += std::min(n, 2);
            lastWasHour = false;
            continue;
        }
        if (l == u's') {
            out += n >= 2 ? pad2(p.second) : QString::number(p.second);
            i += std::min(n, 2);
            lastWasHour = false;
            continue;
        }
        if (l == u'w') {
            if (n >= 2) {
                const long long jan1 = daysFromCivil(p.year, 1, 1);
                const int wdJan1 = int(((jan1 + 6) % 7 + 7) % 7) + 1;
                out += QString::number((day - jan1 + (wdJan1 - 1)) / 7 + 1);
            } else out += QString::number(weekday);
            i += std::min(n, 2);
            continue;
        }
        if (l == u'q') { out += QString::number((p.month - 1) / 3 + 1); i += 1; continue; }
        if (l == u'c') { out += dateText(ole); i += 1; continue; }
        if (l == u't' && n >= 5) {
            out += QStringLiteral("%1:%2:%3").arg(p.hour).arg(pad2(p.minute), pad2(p.second));
            i += 5;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

QString namedDate(double ole, const QString& name, bool& known)
{
    known = true;
    const QString n = lower(name);
    const QLocale loc = QLocale::system();
    const DateParts p = fromOle(ole);
    if (n == QLatin1String("general date")) return dateText(ole);
    if (n == QLatin1String("long date")) return loc.toString(QDate(p.year, p.month, p.day), QLocale::LongFormat);
    if (n == QLatin1String("medium date")) return dateFormat(ole, QStringLiteral("dd-mmm-yy"));
    if (n == QLatin1String("short date")) return dateText(double(daysFromCivil(p.year, p.month, p.day)));
    if (n == QLatin1String("long time")) return dateFormat(ole, QStringLiteral("h:nn:ss AM/PM"));
    if (n == QLatin1String("medium time")) return dateFormat(ole, QStringLiteral("hh:nn AM/PM"));
    if (n == QLatin1String("short time")) return dateFormat(ole, QStringLiteral("hh:nn"));
    known = false;
    return QString();
}

QString textFormat(const QString& value, const QString& f)
{
    QString v = value;
    if (f.contains(u'>')) v = v.toUpper();
    else if (f.contains(u'<')) v = v.toLower();
    const qsizetype placeholderCount = f.count(u'@') + f.count(u'&');
    if (placeholderCount == 0) return v;
    // Placeholders fill from the right; surplus characters go in front. Built backwards.
    QString out;
    qsizetype vi = v.size();
    for (qsizetype k = f.size() - 1; k >= 0; --k) {
        const QChar c = f[k];
        if (c == u'@' || c == u'&') {
            if (vi > 0) out += v[--vi];
            else if (c == u'@') out += u' ';
        } else if (c != u'<' && c != u'>' && c != u'!') out += c;
    }
    std::reverse(out.begin(), out.end());
    if (vi > 0) out.prepend(v.left(vi));
    return out;
}

} // namespace

QString formatNumber(double value, const QString& format)
{
    bool known = false;
    const QString named = namedNumber(value, format, known);
    return known ? named : numberFormat(value, format);
}

QString formatDate(double ole, const QString& format)
{
    if (!isValidOleDate(ole)) return doubleText(ole);
    bool known = false;
    const QString named = namedDate(ole, format, known);
    return known ? named : dateFormat(ole, format);
}

QString formatValue(sqlite3_value* value, const QString& format)
{
    const bool isDate = isDateValue(value);
    if (format.trimmed().isEmpty()) {
        if (sqlite3_value_subtype(value) == kSubtypeBoolean)
            return sqlite3_value_int(value) != 0 ? QStringLiteral("True") : QStringLiteral("False");
        return valueText(value);
    }
    bool known = false;
    if (auto d = valueNumber(value); d && !isDate) {
        const QString named = namedNumber(*d, format, known);
        if (known) return named;
    }
    if (auto d = valueDate(value); d && isValidOleDate(*d)) {
        const QString named = namedDate(*d, format, known);
        if (known) return named;
    }
    switch (kindOf(format)) {
    case Kind::Number:
        if (auto d = valueNumber(value)) return numberFormat(*d, format);
        return valueText(value);
    case Kind::Date:
        if (auto d = valueDate(value); d && isValidOleDate(*d)) return dateFormat(*d, format);
        return valueText(value);
    case Kind::Text:
        return textFormat(valueText(value), format);
    case Kind::Literal:
        if (auto d = valueNumber(value)) return numberFormat(*d, format);
        return textFormat(valueText(value), format);
    }
    return valueText(value);
}

} // namespace sql
