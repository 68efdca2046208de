#include "sql/functions.h"

#include "automation/error.h"
#include "sql/collation.h"
#include "sql/dates.h"
#include "sql/format.h"
#include "sql/like.h"
#include "sql/limits.h"
#include "sql/values.h"

#include <QDateTime>
#include <QLocale>

#include <cmath>
#include <limits>
#include <memory>

namespace sql {

namespace {

using Args = sqlite3_value**;

bool isNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

void invalidCall(sqlite3_context* ctx) { sqlite3_result_error(ctx, "Invalid procedure call or argument.", -1); }
void typeMismatch(sqlite3_context* ctx) { sqlite3_result_error(ctx, "Data type mismatch in criteria expression.", -1); }
void invalidNull(sqlite3_context* ctx) { sqlite3_result_error(ctx, "Invalid use of Null.", -1); }
void overflow(sqlite3_context* ctx) { sqlite3_result_error(ctx, "Overflow.", -1); }

QString text(sqlite3_value* v) { return valueText(v); }

// Banker's rounding, as VBA's CInt, CLng and Round do.
double roundEven(double d) { return std::nearbyint(d); }

// An integer argument such as a length or position (a Long): nullopt, with Jet's error set,
// when it is no number (type mismatch) or does not fit a Long (overflow).
std::optional<long long> intArg(sqlite3_context* ctx, sqlite3_value* v)
{
    const auto d = valueNumber(v);
    if (!d) {
        typeMismatch(ctx);
        return std::nullopt;
    }
    const double r = roundEven(*d);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        overflow(ctx);
        return std::nullopt;
    }
    return static_cast<long long>(r);
}

// A date argument: nullopt, with Jet's error set, when it is no date or outside Jet's dates.
std::optional<double> dateArgument(sqlite3_context* ctx, sqlite3_value* v)
{
    const auto d = valueDate(v);
    if (!d) {
        typeMismatch(ctx);
        return std::nullopt;
    }
    if (!isValidOleDate(*d)) {
        overflow(ctx);
        return std::nullopt;
    }
    return d;
}

// A date that arithmetic made: within Jet's dates, or an overflow.
void resultDateChecked(sqlite3_context* ctx, double ole)
{
    if (!isValidOleDate(ole)) return overflow(ctx);
    resultDate(ctx, ole);
}

bool truth(sqlite3_value* v)
{
    if (sqlite3_value_type(v) == SQLITE_TEXT) {
        const QString s = text(v).trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
    }
    const auto d = valueNumber(v);
    return d && *d != 0;
}

bool textCompareArg(sqlite3_value* v)
{
    // compare: 0 = binary, 1 = text. In a query Jet compares as text unless told otherwise.
    const auto d = valueNumber(v);
    return !d || *d != 0;
}

// ---- operators ------------------------------------------------------------------------

bool isNumericType(sqlite3_value* v)
{
    const int t = sqlite3_value_type(v);
    return t == SQLITE_INTEGER || t == SQLITE_FLOAT;
}

void resultDateChecked(sqlite3_context* ctx, double ole);

void resultNumber(sqlite3_context* ctx, double d, unsigned subtype)
{
    if (!std::isfinite(d)) { overflow(ctx); return; }
    if (d == 0) d = 0.0;   // no "-0" from Fix(-0.5) or Round(-0.4)
    if (subtype == kSubtypeDate) resultDateChecked(ctx, d);
    else if (subtype == kSubtypeCurrency) resultCurrency(ctx, std::round(d * 10000.0) / 10000.0);
    else sqlite3_result_double(ctx, d);
}

// Currency stays Currency with Currency or whole numbers; with a Double the result is a
// Double, as Jet widens it.
bool currencyWith(sqlite3_value* a, sqlite3_value* b)
{
    const unsigned sa = sqlite3_value_subtype(a), sb = sqlite3_value_subtype(b);
    auto whole = [](sqlite3_value* v, unsigned st) {
        return st == kSubtypeCurrency || (sqlite3_value_type(v) == SQLITE_INTEGER && st == 0);
    };
    return (sa == kSubtypeCurrency || sb == kSubtypeCurrency) && whole(a, sa) && whole(b, sb);
}

unsigned arithmeticSubtype(sqlite3_value* a, sqlite3_value* b, bool subtract)
{
    const unsigned sa = sqlite3_value_subtype(a), sb = sqlite3_value_subtype(b);
    if (sa == kSubtypeDate && sb == kSubtypeDate) return subtract ? 0 : kSubtypeDate;
    if (sa == kSubtypeDate || sb == kSubtypeDate) return kSubtypeDate;
    if (currencyWith(a, b)) return kSubtypeCurrency;
    return 0;
}

void jetAdd(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    // + joins two texts, as in Jet.
    if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        checkTextSize(std::int64_t(sqlite3_value_bytes(argv[0])) + sqlite3_value_bytes(argv[1]));
        return resultText(ctx, text(argv[0]) + text(argv[1]));
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER
        && arithmeticSubtype(argv[0], argv[1], false) == 0) {
        long long r;
        if (!__builtin_add_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r))
            return sqlite3_result_int64(ctx, r);
    }
    const auto a = valueNumber(argv[0]), b = valueNumber(argv[1]);
    if (!a || !b) return typeMismatch(ctx);
    const unsigned st = arithmeticSubtype(argv[0], argv[1], false);
    if (st == kSubtypeDate) return resultDateChecked(ctx, linearToOle(oleToLinear(*a) + oleToLinear(*b)));
    resultNumber(ctx, *a + *b, st);
}

void jetSub(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER
        && arithmeticSubtype(argv[0], argv[1], true) == 0) {
        long long r;
        if (!__builtin_sub_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r))
            return sqlite3_result_int64(ctx, r);
    }
    const auto a = valueNumber(argv[0]), b = valueNumber(argv[1]);
    if (!a || !b) return typeMismatch(ctx);
    const bool da = isDateValue(argv[0]), db = isDateValue(argv[1]);
    if (da || db) {
        const double l = oleToLinear(*a) - oleToLinear(*b);
        if (da && db) return resultNumber(ctx, l, 0);
        return resultDateChecked(ctx, linearToOle(l));
    }
    resultNumber(ctx, *a - *b, arithmeticSubtype(argv[0], argv[1], true));
}

void jetMul(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
        long long r;
        if (!__builtin_mul_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r))
            return sqlite3_result_int64(ctx, r);
    }
    const auto a = valueNumber(argv[0]), b = valueNumber(argv[1]);
    if (!a || !b) return typeMismatch(ctx);
    resultNumber(ctx, *a * *b, currencyWith(argv[0], argv[1]) ? kSubtypeCurrency : 0);
}

void jetDiv(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    const auto a = valueNumber(argv[0]), b = valueNumber(argv[1]);
    if (!a || !b) return typeMismatch(ctx);
    if (*b == 0) return sqlite3_result_error(ctx, "Division by zero.", -1);
    sqlite3_result_double(ctx, *a / *b);
}

void jetIntDiv(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    const auto a = valueNumber(argv[0]), b = valueNumber(argv[1]);
    if (!a || !b) return typeMismatch(ctx);
    const double ra = roundEven(*a), rb = roundEven(*b);
    if (rb == 0) return sqlite3_result_error(ctx, "Division by zero.", -1);
    if (std::fabs(ra) > 9.2e18 || std::fabs(rb) > 9.2e18) return overflow(ctx);
    sqlite3_result_int64(ctx, static_cast<long long>(ra) / static_cast<long long>(rb));
}

void jetMod(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    const auto a = valueNumber(argv[0]), b = valueNumber(argv[1]);
    if (!a || !b) return typeMismatch(ctx);
    const double ra = roundEven(*a), rb = roundEven(*b);
    if (rb == 0) return sqlite3_result_error(ctx, "Division by zero.", -1);
    if (std::fabs(ra) > 9.2e18 || std::fabs(rb) > 9.2e18) return overflow(ctx);
    sqlite3_result_int64(ctx, static_cast<long long>(ra) % static_cast<long long>(rb));
}

void jetPow(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    const auto a = valueNumber(argv[0]), b = valueNumber(argv[1]);
    if (!a || !b) return typeMismatch(ctx);
    const double r = std::pow(*a, *b);
    if (std::isnan(r)) return invalidCall(ctx);
    resultNumber(ctx, r, 0);
}

void jetConcat(sqlite3_context* ctx, int, Args argv)
{
    // & treats Null as an empty text; only Null & Null is Null.
    if (isNull(argv[0]) && isNull(argv[1])) return sqlite3_result_null(ctx);
    checkTextSize(std::int64_t(sqlite3_value_bytes(argv[0])) + sqlite3_value_bytes(argv[1]));
    resultText(ctx, text(argv[0]) + text(argv[1]));
}

void logical(sqlite3_context* ctx, Args argv, int op)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    const bool a = truth(argv[0]), b = truth(argv[1]);
    const bool r = op == 0 ? (a != b) : op == 1 ? (a == b) : (!a || b);
    resultBoolean(ctx, r);
}
void jetXor(sqlite3_context* ctx, int, Args argv) { logical(ctx, argv, 0); }
void jetEqv(sqlite3_context* ctx, int, Args argv) { logical(ctx, argv, 1); }
void jetImp(sqlite3_context* ctx, int, Args argv) { logical(ctx, argv, 2); }

// A truth value of SQLite (1 or 0) as Jet's Boolean (-1 or 0).
void jetBool(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    resultBoolean(ctx, truth(argv[0]));
}

void jetDateLiteral(sqlite3_context* ctx, int, Args argv)
{
    resultDate(ctx, sqlite3_value_double(argv[0]));
}

void jetPercentRows(sqlite3_context* ctx, int, Args argv)
{
    const double n = sqlite3_value_double(argv[0]);
    const double p = sqlite3_value_double(argv[1]);
    sqlite3_result_int64(ctx, static_cast<long long>(std::ceil(n * p / 100.0 - 1e-9)));
}

void likeFn(sqlite3_context* ctx, int argc, Args argv)
{
    // like(pattern, value): SQLite calls it for value LIKE pattern.
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    if (argc > 2) return sqlite3_result_error(ctx, "ESCAPE is not supported in Jet patterns.", -1);
    auto* compiled = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 0));
    if (!compiled) {
        try {
            compiled = new LikePattern(text(argv[0]));
        } catch (const automation::Error& e) {
            return sqlite3_result_error(ctx, e.description().toUtf8().constData(), -1);
        }
        sqlite3_set_auxdata(ctx, 0, compiled, [](void* p) { delete static_cast<LikePattern*>(p); });
        compiled = static_cast<LikePattern*>(sqlite3_get_auxdata(ctx, 0));
        if (!compiled) {
            // auxdata not kept (non-constant pattern): match with a fresh copy.
            LikePattern once(text(argv[0]));
            return sqlite3_result_int(ctx, once.matches(text(argv[1])) ? 1 : 0);
        }
    }
    sqlite3_result_int(ctx, compiled->matches(text(argv[1])) ? 1 : 0);
}

// ---- Null handling, conditionals ----------------------------------------------------------

void jetNz(sqlite3_context* ctx, int argc, Args argv)
{
    if (!isNull(argv[0])) return sqlite3_result_value(ctx, argv[0]);
    if (argc > 1) return sqlite3_result_value(ctx, argv[1]);
    sqlite3_result_text(ctx, "", 0, SQLITE_STATIC);   // a query gets a zero-length text
}

void jetCVar(sqlite3_context* ctx, int, Args argv) { sqlite3_result_value(ctx, argv[0]); }

void jetIsNull(sqlite3_context* ctx, int, Args argv) { resultBoolean(ctx, isNull(argv[0])); }

void jetIsNumeric(sqlite3_context* ctx, int, Args argv)
{
    resultBoolean(ctx, !isNull(argv[0]) && !isDateValue(argv[0]) && valueNumber(argv[0]).has_value());
}

void jetIsDate(sqlite3_context* ctx, int, Args argv)
{
    if (isDateValue(argv[0])) return resultBoolean(ctx, true);
    resultBoolean(ctx, sqlite3_value_type(argv[0]) == SQLITE_TEXT && parseDateText(text(argv[0])).has_value());
}

void jetSwitch(sqlite3_context* ctx, int argc, Args argv)
{
    if (argc % 2 != 0) return invalidCall(ctx);
    for (int i = 0; i + 1 < argc; i += 2)
        if (!isNull(argv[i]) && truth(argv[i])) return sqlite3_result_value(ctx, argv[i + 1]);
    sqlite3_result_null(ctx);
}

void jetChoose(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto i = intArg(ctx, argv[0]);
    if (!i) return;
    if (*i < 1 || *i >= argc) return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, argv[*i]);
}

// ---- text -------------------------------------------------------------------------------

void jetLeft(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    if (isNull(argv[1])) return invalidNull(ctx);
    const auto n = intArg(ctx, argv[1]);
    if (!n) return;
    if (*n < 0) return invalidCall(ctx);
    resultText(ctx, text(argv[0]).left(qsizetype(*n)));
}

void jetRight(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    if (isNull(argv[1])) return invalidNull(ctx);
    const auto n = intArg(ctx, argv[1]);
    if (!n) return;
    if (*n < 0) return invalidCall(ctx);
    resultText(ctx, text(argv[0]).right(qsizetype(*n)));
}

void jetMid(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    if (isNull(argv[1]) || (argc > 2 && isNull(argv[2]))) return invalidNull(ctx);
    const auto start = intArg(ctx, argv[1]);
    if (!start) return;
    if (*start < 1) return invalidCall(ctx);
    long long len = -1;
    if (argc > 2) {
        const auto l = intArg(ctx, argv[2]);
        if (!l) return;
        if (*l < 0) return invalidCall(ctx);
        len = *l;
    }
    const QString s = text(argv[0]);
    if (*start > s.size()) return resultText(ctx, QString());
    resultText(ctx, s.mid(qsizetype(*start - 1), len < 0 ? -1 : qsizetype(len)));
}

void jetLen(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_BLOB) return sqlite3_result_int(ctx, sqlite3_value_bytes(argv[0]) / 2);
    sqlite3_result_int64(ctx, text(argv[0]).size());
}

qsizetype findText(const QString& hay, const QString& needle, qsizetype from, bool textCompare)
{
    if (!textCompare) return hay.indexOf(needle, from, Qt::CaseSensitive);
    // Fold per character so positions stay those of the original text.
    const QString h = hay.toCaseFolded(), n = needle.toCaseFolded();
    if (h.size() == hay.size() && n.size() == needle.size()) return h.indexOf(n, from);
    return hay.indexOf(needle, from, Qt::CaseInsensitive);
}

void jetInStr(sqlite3_context* ctx, int argc, Args argv)
{
    // InStr([start,] text, find [, compare])
    long long start = 1;
    int i = 0;
    if (argc >= 3) {
        if (isNull(argv[0])) return invalidNull(ctx);
        const auto s = intArg(ctx, argv[0]);
        if (!s) return;
        if (*s < 1) return invalidCall(ctx);
        start = *s;
        i = 1;
    }
    bool textCompare = true;
    if (argc == 4 && !isNull(argv[3])) textCompare = textCompareArg(argv[3]);
    if (isNull(argv[i]) || isNull(argv[i + 1])) return sqlite3_result_null(ctx);
    const QString hay = text(argv[i]), needle = text(argv[i + 1]);
    if (start > hay.size()) return sqlite3_result_int(ctx, 0);
    if (needle.isEmpty()) return sqlite3_result_int64(ctx, start);
    const qsizetype pos = findText(hay, needle, qsizetype(start - 1), textCompare);
    sqlite3_result_int64(ctx, pos < 0 ? 0 : pos + 1);
}

void jetInStrRev(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    const QString hay = text(argv[0]), needle = text(argv[1]);
    long long start = -1;
    if (argc > 2 && !isNull(argv[2])) {
        const auto s = intArg(ctx, argv[2]);
        if (!s) return;
        if (*s == 0 || *s < -1) return invalidCall(ctx);
        start = *s;
    }
    const bool tc = argc > 3 && !isNull(argv[3]) ? textCompareArg(argv[3]) : true;
    if (start > hay.size()) return sqlite3_result_int(ctx, 0);
    const qsizetype from = start < 0 ? hay.size() : qsizetype(start);
    if (needle.isEmpty()) return sqlite3_result_int64(ctx, from);
    const qsizetype last = from - needle.size();
    if (last < 0) return sqlite3_result_int(ctx, 0);
    const qsizetype pos = hay.lastIndexOf(needle, last, tc ? Qt::CaseInsensitive : Qt::CaseSensitive);
    sqlite3_result_int64(ctx, pos < 0 ? 0 : pos + 1);
}

void trimSpaces(sqlite3_context* ctx, Args argv, bool left, bool right)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const QString s = text(argv[0]);
    qsizetype b = 0, e = s.size();
    if (left) while (b < e && s[b] == u' ') ++b;
    if (right) while (e > b && s[e - 1] == u' ') --e;
    resultText(ctx, s.mid(b, e - b));
}
void jetTrim(sqlite3_context* ctx, int, Args argv) { trimSpaces(ctx, argv, true, true); }
void jetLTrim(sqlite3_context* ctx, int, Args argv) { trimSpaces(ctx, argv, true, false); }
void jetRTrim(sqlite3_context* ctx, int, Args argv) { trimSpaces(ctx, argv, false, true); }

void jetUCase(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    resultText(ctx, text(argv[0]).toUpper());
}

void jetLCase(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    resultText(ctx, text(argv[0]).toLower());
}

void jetReplace(sqlite3_context* ctx, int argc, Args argv)
{
    // Replace(text, find, with [, start [, count [, compare]]]); the result starts at start.
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i])) return i == 0 ? sqlite3_result_null(ctx) : invalidNull(ctx);
    const QString s = text(argv[0]), find = text(argv[1]), with = text(argv[2]);
    long long start = 1, count = -1;
    if (argc > 3) { const auto v = intArg(ctx, argv[3]); if (!v) return; start = *v; }
    if (argc > 4) { const auto v = intArg(ctx, argv[4]); if (!v) return; count = *v; }
    const bool tc = argc > 5 ? textCompareArg(argv[5]) : true;
    if (start < 1 || count < -1) return invalidCall(ctx);
    QString rest = s.mid(qsizetype(start - 1));
    if (find.isEmpty() || count == 0) return resultText(ctx, rest);
    QString out;
    qsizetype pos = 0;
    long long done = 0;
    while (count < 0 || done < count) {
        const qsizetype hit = findText(rest, find, pos, tc);
        if (hit < 0) break;
        checkTextSize(std::int64_t(out.size()) + (hit - pos) + with.size());
        out += rest.mid(pos, hit - pos) + with;
        pos = hit + find.size();
        ++done;
    }
    out += rest.mid(pos);
    resultText(ctx, out);
}

void jetSpace(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    const auto n = intArg(ctx, argv[0]);
    if (!n) return;
    if (*n < 0) return invalidCall(ctx);
    checkTextSize(*n);
    resultText(ctx, QString(qsizetype(*n), u' '));
}

void jetString(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return invalidNull(ctx);
    const auto n = intArg(ctx, argv[0]);
    if (!n) return;
    if (*n < 0) return invalidCall(ctx);
    checkTextSize(*n);
    QChar c;
    if (sqlite3_value_type(argv[1]) == SQLITE_TEXT) {
        const QString s = text(argv[1]);
        if (s.isEmpty()) return invalidCall(ctx);
        c = s[0];
    } else {
        const auto code = intArg(ctx, argv[1]);
        if (!code) return;
        c = QChar(char16_t(((*code % 256) + 256) % 256));
    }
    resultText(ctx, QString(qsizetype(*n), c));
}

void jetStrComp(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    const bool tc = argc > 2 && !isNull(argv[2]) ? textCompareArg(argv[2]) : true;
    const QByteArray a = text(argv[0]).toUtf8(), b = text(argv[1]).toUtf8();
    int c;
    if (tc) c = compareFolded(std::string_view(a.constData(), std::size_t(a.size())),
                              std::string_view(b.constData(), std::size_t(b.size())));
    else c = QString::fromUtf8(a).compare(QString::fromUtf8(b), Qt::CaseSensitive);
    sqlite3_result_int(ctx, c < 0 ? -1 : c > 0 ? 1 : 0);
}

void jetStrReverse(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    QString s = text(argv[0]);
    std::reverse(s.begin(), s.end());
    resultText(ctx, s);
}

void jetFormat(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const QString fmt = argc > 1 && !isNull(argv[1]) ? text(argv[1]) : QString();
    resultText(ctx, formatValue(argv[0], fmt));
}

// Chr takes a character code 0-255; ChrW a UTF-16 unit, negative ones counted from 65536.
void chr(sqlite3_context* ctx, Args argv, long long lowest, long long highest)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    const auto n = intArg(ctx, argv[0]);
    if (!n) return;
    if (*n < lowest || *n > highest) return invalidCall(ctx);
    resultText(ctx, QString(QChar(char16_t(*n < 0 ? *n + 65536 : *n))));
}
void jetChr(sqlite3_context* ctx, int, Args argv) { chr(ctx, argv, 0, 255); }
void jetChrW(sqlite3_context* ctx, int, Args argv) { chr(ctx, argv, -32768, 65535); }

void jetAsc(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    const QString s = text(argv[0]);
    if (s.isEmpty()) return invalidCall(ctx);
    sqlite3_result_int(ctx, s[0].unicode());
}

void radix(sqlite3_context* ctx, Args argv, int base)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto d = valueNumber(argv[0]);
    if (!d) return typeMismatch(ctx);
    const double r = roundEven(*d);
    // A LongLong at most; anything larger is an overflow, as in VBA.
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return overflow(ctx);
    const long long v = static_cast<long long>(r);
    // Negative Longs show their 32-bit two's complement (Hex(-1) = "FFFFFFFF"), smaller ones
    // their 64-bit one.
    const unsigned long long u = v < 0 && v >= INT32_MIN
                                     ? static_cast<unsigned long long>(static_cast<std::uint32_t>(v))
                                     : static_cast<unsigned long long>(v);
    resultText(ctx, QString::number(u, base).toUpper());
}
void jetHex(sqlite3_context* ctx, int, Args argv) { radix(ctx, argv, 16); }
void jetOct(sqlite3_context* ctx, int, Args argv) { radix(ctx, argv, 8); }

// ---- conversions ----------------------------------------------------------------------

void jetCStr(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    if (sqlite3_value_subtype(argv[0]) == kSubtypeBoolean)
        return resultText(ctx, truth(argv[0]) ? QStringLiteral("True") : QStringLiteral("False"));
    resultText(ctx, text(argv[0]));
}

std::optional<double> numberForConversion(sqlite3_context* ctx, sqlite3_value* v)
{
    if (isNull(v)) { invalidNull(ctx); return std::nullopt; }
    if (sqlite3_value_type(v) == SQLITE_TEXT) {
        const QString s = text(v).trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return -1.0;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return 0.0;
    }
    const auto d = valueNumber(v);
    if (!d) { typeMismatch(ctx); return std::nullopt; }
    return d;
}

void integerConversion(sqlite3_context* ctx, Args argv, double lo, double hi)
{
    const auto d = numberForConversion(ctx, argv[0]);
    if (!d) return;
    const double r = roundEven(*d);
    if (r < lo || r > hi) return overflow(ctx);
    sqlite3_result_int64(ctx, static_cast<long long>(r));
}
void jetCInt(sqlite3_context* ctx, int, Args argv) { integerConversion(ctx, argv, -32768, 32767); }
void jetCLng(sqlite3_context* ctx, int, Args argv) { integerConversion(ctx, argv, -2147483648.0, 2147483647.0); }
void jetCByte(sqlite3_context* ctx, int, Args argv) { integerConversion(ctx, argv, 0, 255); }

void jetCSng(sqlite3_context* ctx, int, Args argv)
{
    const auto d = numberForConversion(ctx, argv[0]);
    if (!d) return;
    if (std::fabs(*d) > std::numeric_limits<float>::max()) return overflow(ctx);
    sqlite3_result_double(ctx, double(static_cast<float>(*d)));
    sqlite3_result_subtype(ctx, kSubtypeSingle);
}

void jetCDbl(sqlite3_context* ctx, int, Args argv)
{
    const auto d = numberForConversion(ctx, argv[0]);
    if (!d) return;
    sqlite3_result_double(ctx, *d);
}

void jetCCur(sqlite3_context* ctx, int, Args argv)
{
    const auto d = numberForConversion(ctx, argv[0]);
    if (!d) return;
    if (std::fabs(*d) > 922337203685477.0) return overflow(ctx);
    resultCurrency(ctx, roundEven(*d * 10000.0) / 10000.0);
}

void jetCBool(sqlite3_context* ctx, int, Args argv)
{
    const auto d = numberForConversion(ctx, argv[0]);
    if (!d) return;
    resultBoolean(ctx, *d != 0);
}

void jetCDate(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    if (const auto d = dateArgument(ctx, argv[0])) resultDate(ctx, *d);
}

void jetVal(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    if (isNumericType(argv[0])) return sqlite3_result_double(ctx, sqlite3_value_double(argv[0]));
    // The longest leading number, blanks ignored: Val(" 1 2 3abc") = 123.
    QString s;
    for (QChar c : text(argv[0]))
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') s += c;
    if (s.startsWith(QLatin1String("&H"), Qt::CaseInsensitive) || s.startsWith(QLatin1String("&O"), Qt::CaseInsensitive)) {
        const int base = s[1].toUpper() == u'H' ? 16 : 8;
        qsizetype j = 2;
        auto digit = [base](QChar c) {
            const char l = char(c.toLower().toLatin1());
            return base == 16 ? ((l >= '0' && l <= '9') || (l >= 'a' && l <= 'f')) : (l >= '0' && l <= '7');
        };
        while (j < s.size() && digit(s[j])) ++j;
        QString digits = s.mid(2, j - 2);
        while (digits.size() > 1 && digits[0] == u'0') digits.remove(0, 1);
        if (digits.isEmpty()) return sqlite3_result_double(ctx, 0.0);
        bool ok = false;
        const qulonglong v = digits.toULongLong(&ok, base);
        // As in VBA: up to 16 bits an Integer, up to 32 a Long, both signed (&HFFFF is -1).
        if (!ok || v > 0xFFFFFFFFull) return overflow(ctx);
        const double signedValue = v <= 0xFFFF && (base == 16 ? digits.size() <= 4 : digits.size() <= 6)
                                       ? double(std::int16_t(std::uint16_t(v)))
                                       : double(std::int32_t(std::uint32_t(v)));
        return sqlite3_result_double(ctx, signedValue);
    }
    qsizetype j = 0;
    if (j < s.size() && (s[j] == u'+' || s[j] == u'-')) ++j;
    while (j < s.size() && s[j].isDigit()) ++j;
    if (j < s.size() && s[j] == u'.') { ++j; while (j < s.size() && s[j].isDigit()) ++j; }
    if (j < s.size() && (s[j] == u'e' || s[j] == u'E' || s[j] == u'd' || s[j] == u'D')) {
        qsizetype k = j + 1;
        if (k < s.size() && (s[k] == u'+' || s[k] == u'-')) ++k;
        if (k < s.size() && s[k].isDigit()) {
            while (k < s.size() && s[k].isDigit()) ++k;
            s[j] = u'e';
            j = k;
        }
    }
    if (j == 0 || (j == 1 && (s[0] == u'+' || s[0] == u'-'))) return sqlite3_result_double(ctx, 0.0);
    // QString reads numbers the same in every locale; 1e400 is no Double (an overflow, as Val
    // gives), 1e-400 is 0.
    bool ok = false;
    const double v = s.left(j).toDouble(&ok);
    if (std::isinf(v)) return overflow(ctx);
    sqlite3_result_double(ctx, ok ? v : 0.0);
}

void jetStr(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto d = valueNumber(argv[0]);
    if (!d) return typeMismatch(ctx);
    if (isDateValue(argv[0])) return resultText(ctx, dateText(*d));
    const QString t = text(argv[0]);
    resultText(ctx, *d >= 0 ? u' ' + t : t);
}

// ---- dates --------------------------------------------------------------------------------

double nowOle()
{
    const QDateTime now = QDateTime::currentDateTime();
    DateParts p;
    p.year = now.date().year(); p.month = now.date().month(); p.day = now.date().day();
    p.hour = now.time().hour(); p.minute = now.time().minute(); p.second = now.time().second();
    return toOle(p);
}

void jetToday(sqlite3_context* ctx, int, Args) { resultDate(ctx, std::trunc(nowOle())); }
void jetNow(sqlite3_context* ctx, int, Args) { resultDate(ctx, nowOle()); }
void jetTimeNow(sqlite3_context* ctx, int, Args) { resultDate(ctx, oleTimeFraction(nowOle())); }

std::optional<DateParts> dateArg(sqlite3_context* ctx, sqlite3_value* v)
{
    if (isNull(v)) { sqlite3_result_null(ctx); return std::nullopt; }
    const auto d = dateArgument(ctx, v);
    if (!d) return std::nullopt;
    return fromOle(*d);
}

int weekdayOf(double ole, int firstDay)
{
    // 30 Dec 1899 was a Saturday (7 with Sunday = 1). The day as shown: a time rounded up to
    // midnight is the next day.
    const DateParts p = fromOle(ole);
    const long long day = daysFromCivil(p.year, p.month, p.day);
    const int sundayBased = int(((day + 6) % 7 + 7) % 7) + 1;   // 1 = Sunday
    return ((sundayBased - firstDay) % 7 + 7) % 7 + 1;
}

void jetYear(sqlite3_context* ctx, int, Args argv) { if (auto p = dateArg(ctx, argv[0])) sqlite3_result_int(ctx, p->year); }
void jetMonth(sqlite3_context* ctx, int, Args argv) { if (auto p = dateArg(ctx, argv[0])) sqlite3_result_int(ctx, p->month); }
void jetDay(sqlite3_context* ctx, int, Args argv) { if (auto p = dateArg(ctx, argv[0])) sqlite3_result_int(ctx, p->day); }
void jetHour(sqlite3_context* ctx, int, Args argv) { if (auto p = dateArg(ctx, argv[0])) sqlite3_result_int(ctx, p->hour); }
void jetMinute(sqlite3_context* ctx, int, Args argv) { if (auto p = dateArg(ctx, argv[0])) sqlite3_result_int(ctx, p->minute); }
void jetSecond(sqlite3_context* ctx, int, Args argv) { if (auto p = dateArg(ctx, argv[0])) sqlite3_result_int(ctx, p->second); }

int firstDayArg(sqlite3_context* ctx, int argc, Args argv, int index, bool& ok)
{
    ok = true;
    if (argc <= index || isNull(argv[index])) return 1;
    const auto f = intArg(ctx, argv[index]);
    if (!f) { ok = false; return 1; }
    if (*f < 0 || *f > 7) { invalidCall(ctx); ok = false; return 1; }
    return *f == 0 ? 1 : int(*f);   // 0 = system setting: Sunday here
}

void jetWeekday(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto d = dateArgument(ctx, argv[0]);
    if (!d) return;
    bool ok;
    const int first = firstDayArg(ctx, argc, argv, 1, ok);
    if (!ok) return;
    sqlite3_result_int(ctx, weekdayOf(*d, first));
}

void jetMonthName(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    const auto m = intArg(ctx, argv[0]);
    if (!m) return;
    if (*m < 1 || *m > 12) return invalidCall(ctx);
    const bool abbrev = argc > 1 && truth(argv[1]);
    resultText(ctx, QLocale::system().monthName(int(*m), abbrev ? QLocale::ShortFormat : QLocale::LongFormat));
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second, Bad };

Interval intervalOf(const QString& s)
{
    const QString l = s.trimmed().toLower();
    if (l == QLatin1String("yyyy")) return Interval::Year;
    if (l == QLatin1String("q")) return Interval::Quarter;
    if (l == QLatin1String("m")) return Interval::Month;
    if (l == QLatin1String("y")) return Interval::DayOfYear;
    if (l == QLatin1String("d")) return Interval::Day;
    if (l == QLatin1String("w")) return Interval::Weekday;
    if (l == QLatin1String("ww")) return Interval::Week;
    if (l == QLatin1String("h")) return Interval::Hour;
    if (l == QLatin1String("n")) return Interval::Minute;
    if (l == QLatin1String("s")) return Interval::Second;
    return Interval::Bad;
}

// NaN when the month lies outside Jet's years.
double addMonths(double ole, long long months)
{
    DateParts p = fromOle(ole);
    const double timeFraction = oleTimeFraction(ole);
    long long total = (long long)p.year * 12 + (p.month - 1) + months;
    const long long year = total >= 0 ? total / 12 : -((-total + 11) / 12);
    if (year < 100 || year > 9999) return std::numeric_limits<double>::quiet_NaN();
    const int y = int(year);
    const int m = int(total - year * 12) + 1;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int dim = days[m - 1];
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) dim = 29;
    const long long day = daysFromCivil(y, m, std::min(p.day, dim));
    return oleFromDayAndTime(day, timeFraction);
}

void jetDateAdd(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0]) || isNull(argv[1])) return invalidNull(ctx);
    if (isNull(argv[2])) return sqlite3_result_null(ctx);
    const Interval iv = intervalOf(text(argv[0]));
    if (iv == Interval::Bad) return invalidCall(ctx);
    const auto nd = valueNumber(argv[1]);
    if (!nd) return typeMismatch(ctx);
    const auto d = dateArgument(ctx, argv[2]);
    if (!d) return;
    // The number of intervals is a Long: beyond it, an overflow (never a cast out of range).
    const double whole = std::trunc(*nd);
    if (!(whole >= -2147483648.0 && whole <= 2147483647.0)) return overflow(ctx);
    const long long n = static_cast<long long>(whole);
    double r = 0;
    switch (iv) {
    case Interval::Year: r = addMonths(*d, n * 12); break;
    case Interval::Quarter: r = addMonths(*d, n * 3); break;
    case Interval::Month: r = addMonths(*d, n); break;
    case Interval::DayOfYear: case Interval::Day: case Interval::Weekday:
        r = linearToOle(oleToLinear(*d) + double(n)); break;
    case Interval::Week: r = linearToOle(oleToLinear(*d) + 7.0 * double(n)); break;
    case Interval::Hour: case Interval::Minute: case Interval::Second: {
        const double unit = iv == Interval::Hour ? 3600 : iv == Interval::Minute ? 60 : 1;
        // Whole seconds, so adding 1 s a day long still lands on the second.
        const double secs = std::round(oleToLinear(*d) * 86400.0) + double(n) * unit;
        r = linearToOle(secs / 86400.0);
        break;
    }
    case Interval::Bad: break;
    }
    if (!isValidOleDate(r)) return invalidCall(ctx);
    resultDate(ctx, r);
}

long long floorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

void jetDateDiff(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    if (isNull(argv[1]) || isNull(argv[2])) return sqlite3_result_null(ctx);
    const Interval iv = intervalOf(text(argv[0]));
    if (iv == Interval::Bad) return invalidCall(ctx);
    const auto d1 = dateArgument(ctx, argv[1]);
    if (!d1) return;
    const auto d2 = dateArgument(ctx, argv[2]);
    if (!d2) return;
    bool ok;
    const int first = firstDayArg(ctx, argc, argv, 3, ok);
    if (!ok) return;
    const DateParts a = fromOle(*d1), b = fromOle(*d2);
    const double la = oleToLinear(*d1), lb = oleToLinear(*d2);
    const long long dayA = daysFromCivil(a.year, a.month, a.day), dayB = daysFromCivil(b.year, b.month, b.day);
    long long r = 0;
    switch (iv) {
    case Interval::Year: r = b.year - a.year; break;
    case Interval::Quarter: r = (b.year * 4LL + (b.month - 1) / 3) - (a.year * 4LL + (a.month - 1) / 3); break;
    case Interval::Month: r = (b.year * 12LL + b.month) - (a.year * 12LL + a.month); break;
    case Interval::DayOfYear: case Interval::Day: r = dayB - dayA; break;
    case Interval::Weekday: r = (dayB - dayA) / 7; break;
    case Interval::Week: {
        // Count of week starts (first day of week) crossed.
        auto weekStart = [first](long long day) {
            const int wd = int(((day + 6) % 7 + 7) % 7) + 1;       // 1 = Sunday
            const int offset = ((wd - first) % 7 + 7) % 7;
            return day - offset;
        };
        r = floorDiv(weekStart(dayB) - weekStart(dayA), 7);
        break;
    }
    case Interval::Hour: r = static_cast<long long>(std::floor(std::round(lb * 86400.0) / 3600.0))
                             - static_cast<long long>(std::floor(std::round(la * 86400.0) / 3600.0)); break;
    case Interval::Minute: r = static_cast<long long>(std::floor(std::round(lb * 86400.0) / 60.0))
                               - static_cast<long long>(std::floor(std::round(la * 86400.0) / 60.0)); break;
    case Interval::Second: r = static_cast<long long>(std::round(lb * 86400.0))
                               - static_cast<long long>(std::round(la * 86400.0)); break;
    case Interval::Bad: break;
    }
    sqlite3_result_int64(ctx, r);
}

void jetDatePart(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0])) return invalidNull(ctx);
    if (isNull(argv[1])) return sqlite3_result_null(ctx);
    const Interval iv = intervalOf(text(argv[0]));
    if (iv == Interval::Bad) return invalidCall(ctx);
    const auto d = dateArgument(ctx, argv[1]);
    if (!d) return;
    bool ok;
    const int first = firstDayArg(ctx, argc, argv, 2, ok);
    if (!ok) return;
    const DateParts p = fromOle(*d);
    const long long day = daysFromCivil(p.year, p.month, p.day);
    const long long jan1 = daysFromCivil(p.year, 1, 1);
    switch (iv) {
    case Interval::Year: return sqlite3_result_int(ctx, p.year);
    case Interval::Quarter: return sqlite3_result_int(ctx, (p.month - 1) / 3 + 1);
    case Interval::Month: return sqlite3_result_int(ctx, p.month);
    case Interval::DayOfYear: return sqlite3_result_int64(ctx, day - jan1 + 1);
    case Interval::Day: return sqlite3_result_int(ctx, p.day);
    case Interval::Weekday: return sqlite3_result_int(ctx, weekdayOf(*d, first));
    case Interval::Week: {
        // Week 1 holds 1 January (the default first week of the year).
        const int wdJan1 = weekdayOf(double(jan1), first);
        return sqlite3_result_int64(ctx, (day - jan1 + (wdJan1 - 1)) / 7 + 1);
    }
    case Interval::Hour: return sqlite3_result_int(ctx, p.hour);
    case Interval::Minute: return sqlite3_result_int(ctx, p.minute);
    case Interval::Second: return sqlite3_result_int(ctx, p.second);
    case Interval::Bad: break;
    }
}

void jetDateSerial(sqlite3_context* ctx, int, Args argv)
{
    for (int i = 0; i < 3; ++i)
        if (isNull(argv[i])) return invalidNull(ctx);
    const auto y = intArg(ctx, argv[0]);
    if (!y) return;
    const auto m = intArg(ctx, argv[1]);
    if (!m) return;
    const auto d = intArg(ctx, argv[2]);
    if (!d) return;
    long long year = *y;
    if (year >= 0 && year < 30) year += 2000;
    else if (year >= 30 && year < 100) year += 1900;
    // Longs on every side: the day count fits a long long, so check the day, not the year.
    const long long day = daysFromCivil(year, *m, *d);
    if (!isValidOleDate(double(day))) return invalidCall(ctx);
    resultDate(ctx, double(day));
}

void jetTimeSerial(sqlite3_context* ctx, int, Args argv)
{
    for (int i = 0; i < 3; ++i)
        if (isNull(argv[i])) return invalidNull(ctx);
    const auto h = intArg(ctx, argv[0]);
    if (!h) return;
    const auto m = intArg(ctx, argv[1]);
    if (!m) return;
    const auto s = intArg(ctx, argv[2]);
    if (!s) return;
    const double secs = double(*h) * 3600 + double(*m) * 60 + double(*s);
    const double ole = linearToOle(secs / 86400.0);
    if (!isValidOleDate(ole)) return overflow(ctx);
    resultDate(ctx, ole);
}

void jetDateValue(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    if (const auto d = dateArgument(ctx, argv[0])) resultDate(ctx, double(oleDay(*d)));
}

void jetTimeValue(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    if (const auto d = dateArgument(ctx, argv[0])) resultDate(ctx, oleTimeFraction(*d));
}

// ---- numbers ----------------------------------------------------------------------------

void jetAbs(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) {
        const long long v = sqlite3_value_int64(argv[0]);
        if (v != std::numeric_limits<long long>::min()) return sqlite3_result_int64(ctx, v < 0 ? -v : v);
    }
    const auto d = valueNumber(argv[0]);
    if (!d) return typeMismatch(ctx);
    resultNumber(ctx, std::fabs(*d), sqlite3_value_subtype(argv[0]) == kSubtypeCurrency ? kSubtypeCurrency : 0);
}

void rounding(sqlite3_context* ctx, Args argv, double (*fn)(double))
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) return sqlite3_result_value(ctx, argv[0]);
    const auto d = valueNumber(argv[0]);
    if (!d) return typeMismatch(ctx);
    const unsigned st = sqlite3_value_subtype(argv[0]);
    resultNumber(ctx, fn(*d), st == kSubtypeDate || st == kSubtypeCurrency ? st : 0);
}
void jetInt(sqlite3_context* ctx, int, Args argv) { rounding(ctx, argv, [](double d) { return std::floor(d); }); }
void jetFix(sqlite3_context* ctx, int, Args argv) { rounding(ctx, argv, [](double d) { return std::trunc(d); }); }

void jetRound(sqlite3_context* ctx, int argc, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    long long places = 0;
    if (argc > 1 && !isNull(argv[1])) {
        const auto p = intArg(ctx, argv[1]);
        if (!p) return;
        if (*p < 0 || *p > 22) return invalidCall(ctx);
        places = *p;
    }
    if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) return sqlite3_result_value(ctx, argv[0]);
    const auto d = valueNumber(argv[0]);
    if (!d) return typeMismatch(ctx);
    // Round half to even on the decimal digits as written (2.675 is 2.67499.. in binary;
    // Jet gives 2.68): go through the shortest decimal text.
    const double scale = std::pow(10.0, double(places));
    double scaled = *d * scale;
    const double nearest = std::round(scaled);
    if (std::fabs(scaled - nearest) < 1e-9 * std::max(1.0, std::fabs(scaled))) scaled = nearest;
    else if (std::fabs(std::fabs(scaled - std::trunc(scaled)) - 0.5) < 1e-9 * std::max(1.0, std::fabs(scaled)))
        scaled = std::trunc(scaled) + (scaled < 0 ? -0.5 : 0.5);
    const unsigned st = sqlite3_value_subtype(argv[0]);
    resultNumber(ctx, roundEven(scaled) / scale, st == kSubtypeCurrency ? st : 0);
}

void jetSgn(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto d = valueNumber(argv[0]);
    if (!d) return typeMismatch(ctx);
    sqlite3_result_int(ctx, *d > 0 ? 1 : *d < 0 ? -1 : 0);
}

void math(sqlite3_context* ctx, Args argv, double (*fn)(double), bool (*valid)(double))
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    const auto d = valueNumber(argv[0]);
    if (!d) return typeMismatch(ctx);
    if (valid && !valid(*d)) return invalidCall(ctx);
    resultNumber(ctx, fn(*d), 0);
}
void jetSqr(sqlite3_context* ctx, int, Args argv) { math(ctx, argv, [](double d) { return std::sqrt(d); }, [](double d) { return d >= 0; }); }
void jetExp(sqlite3_context* ctx, int, Args argv) { math(ctx, argv, [](double d) { return std::exp(d); }, nullptr); }
void jetLog(sqlite3_context* ctx, int, Args argv) { math(ctx, argv, [](double d) { return std::log(d); }, [](double d) { return d > 0; }); }
void jetSin(sqlite3_context* ctx, int, Args argv) { math(ctx, argv, [](double d) { return std::sin(d); }, nullptr); }
void jetCos(sqlite3_context* ctx, int, Args argv) { math(ctx, argv, [](double d) { return std::cos(d); }, nullptr); }
void jetTan(sqlite3_context* ctx, int, Args argv) { math(ctx, argv, [](double d) { return std::tan(d); }, nullptr); }
void jetAtn(sqlite3_context* ctx, int, Args argv) { math(ctx, argv, [](double d) { return std::atan(d); }, nullptr); }

// ---- aggregates ---------------------------------------------------------------------------

struct FirstLast {
    sqlite3_value* value;
    bool seen;
};

void firstStep(sqlite3_context* ctx, int, Args argv)
{
    auto* s = static_cast<FirstLast*>(sqlite3_aggregate_context(ctx, sizeof(FirstLast)));
    if (!s || s->seen) return;
    s->value = sqlite3_value_dup(argv[0]);
    s->seen = true;
}

void lastStep(sqlite3_context* ctx, int, Args argv)
{
    auto* s = static_cast<FirstLast*>(sqlite3_aggregate_context(ctx, sizeof(FirstLast)));
    if (!s) return;
    sqlite3_value_free(s->value);
    s->value = sqlite3_value_dup(argv[0]);
    s->seen = true;
}

void firstLastFinal(sqlite3_context* ctx)
{
    auto* s = static_cast<FirstLast*>(sqlite3_aggregate_context(ctx, 0));
    if (!s || !s->value) return sqlite3_result_null(ctx);
    sqlite3_result_value(ctx, s->value);
    sqlite3_value_free(s->value);
    s->value = nullptr;
}

struct Moments {
    long long n;
    double mean;
    double m2;
};

void momentsStep(sqlite3_context* ctx, int, Args argv)
{
    if (isNull(argv[0])) return;
    auto* s = static_cast<Moments*>(sqlite3_aggregate_context(ctx, sizeof(Moments)));
    if (!s) return;
    const auto d = valueNumber(argv[0]);
    if (!d) return typeMismatch(ctx);
    ++s->n;
    const double delta = *d - s->mean;
    s->mean += delta / double(s->n);
    s->m2 += delta * (*d - s->mean);
}

void momentsFinal(sqlite3_context* ctx, bool sample, bool root)
{
    auto* s = static_cast<Moments*>(sqlite3_aggregate_context(ctx, 0));
    const long long minCount = sample ? 2 : 1;
    if (!s || s->n < minCount) return sqlite3_result_null(ctx);
    const double var = s->m2 / double(sample ? s->n - 1 : s->n);
    sqlite3_result_double(ctx, root ? std::sqrt(var) : var);
}
void stdevFinal(sqlite3_context* ctx) { momentsFinal(ctx, true, true); }
void stdevpFinal(sqlite3_context* ctx) { momentsFinal(ctx, false, true); }
void varFinal(sqlite3_context* ctx) { momentsFinal(ctx, true, false); }
void varpFinal(sqlite3_context* ctx) { momentsFinal(ctx, false, false); }

using Scalar = void (*)(sqlite3_context*, int, sqlite3_value**);

struct ScalarDef {
    const char* name;
    int args;      // -1: any count
    Scalar fn;
    bool deterministic;
};

const ScalarDef kScalars[] = {
    {"jet_date", 1, jetDateLiteral, true},
    {"jet_concat", 2, jetConcat, true},
    {"jet_add", 2, jetAdd, true},
    {"jet_sub", 2, jetSub, true},
    {"jet_mul", 2, jetMul, true},
    {"jet_div", 2, jetDiv, true},
    {"jet_idiv", 2, jetIntDiv, true},
    {"jet_mod", 2, jetMod, true},
    {"jet_pow", 2, jetPow, true},
    {"jet_xor", 2, jetXor, true},
    {"jet_eqv", 2, jetEqv, true},
    {"jet_imp", 2, jetImp, true},
    {"jet_percent_rows", 2, jetPercentRows, true},
    {"jet_bool", 1, jetBool, true},
    {"like", 2, likeFn, true},
    {"like", 3, likeFn, true},
    {"jet_nz", -1, jetNz, true},
    {"jet_cvar", 1, jetCVar, true},
    {"jet_isnull", 1, jetIsNull, true},
    {"jet_isnumeric", 1, jetIsNumeric, true},
    {"jet_isdate", 1, jetIsDate, true},
    {"jet_switch", -1, jetSwitch, true},
    {"jet_choose", -1, jetChoose, true},
    {"jet_left", 2, jetLeft, true},
    {"jet_right", 2, jetRight, true},
    {"jet_mid", -1, jetMid, true},
    {"jet_len", 1, jetLen, true},
    {"jet_instr", -1, jetInStr, true},
    {"jet_instrrev", -1, jetInStrRev, true},
    {"jet_trim", 1, jetTrim, true},
    {"jet_ltrim", 1, jetLTrim, true},
    {"jet_rtrim", 1, jetRTrim, true},
    {"jet_ucase", 1, jetUCase, true},
    {"jet_lcase", 1, jetLCase, true},
    {"jet_replace", -1, jetReplace, true},
    {"jet_space", 1, jetSpace, true},
    {"jet_string", 2, jetString, true},
    {"jet_strcomp", -1, jetStrComp, true},
    {"jet_strreverse", 1, jetStrReverse, true},
    {"jet_format", -1, jetFormat, true},
    {"jet_chr", 1, jetChr, true},
    {"jet_chrw", 1, jetChrW, true},
    {"jet_asc", 1, jetAsc, true},
    {"jet_hex", 1, jetHex, true},
    {"jet_oct", 1, jetOct, true},
    {"jet_cstr", 1, jetCStr, true},
    {"jet_cint", 1, jetCInt, true},
    {"jet_clng", 1, jetCLng, true},
    {"jet_cbyte", 1, jetCByte, true},
    {"jet_csng", 1, jetCSng, true},
    {"jet_cdbl", 1, jetCDbl, true},
    {"jet_ccur", 1, jetCCur, true},
    {"jet_cdate", 1, jetCDate, true},
    {"jet_cbool", 1, jetCBool, true},
    {"jet_val", 1, jetVal, true},
    {"jet_str", 1, jetStr, true},
    {"jet_today", 0, jetToday, false},
    {"jet_now", 0, jetNow, false},
    {"jet_timenow", 0, jetTimeNow, false},
    {"jet_year", 1, jetYear, true},
    {"jet_month", 1, jetMonth, true},
    {"jet_day", 1, jetDay, true},
    {"jet_hour", 1, jetHour, true},
    {"jet_minute", 1, jetMinute, true},
    {"jet_second", 1, jetSecond, true},
    {"jet_weekday", -1, jetWeekday, true},
    {"jet_monthname", -1, jetMonthName, true},
    {"jet_dateadd", 3, jetDateAdd, true},
    {"jet_datediff", -1, jetDateDiff, true},
    {"jet_datepart", -1, jetDatePart, true},
    {"jet_dateserial", 3, jetDateSerial, true},
    {"jet_timeserial", 3, jetTimeSerial, true},
    {"jet_datevalue", 1, jetDateValue, true},
    {"jet_timevalue", 1, jetTimeValue, true},
    {"jet_abs", 1, jetAbs, true},
    {"jet_int", 1, jetInt, true},
    {"jet_fix", 1, jetFix, true},
    {"jet_round", -1, jetRound, true},
    {"jet_sgn", 1, jetSgn, true},
    {"jet_sqr", 1, jetSqr, true},
    {"jet_exp", 1, jetExp, true},
    {"jet_log", 1, jetLog, true},
    {"jet_sin", 1, jetSin, true},
    {"jet_cos", 1, jetCos, true},
    {"jet_tan", 1, jetTan, true},
    {"jet_atn", 1, jetAtn, true},
};

struct AggregateDef {
    const char* name;
    Scalar step;
    void (*final)(sqlite3_context*);
};

const AggregateDef kAggregates[] = {
    {"jet_first", firstStep, firstLastFinal},
    {"jet_last", lastStep, firstLastFinal},
    {"jet_stdev", momentsStep, stdevFinal},
    {"jet_stdevp", momentsStep, stdevpFinal},
    {"jet_var", momentsStep, varFinal},
    {"jet_varp", momentsStep, varpFinal},
};

// Every callback runs behind one of these: a C++ exception must never cross SQLite's C frames.
void scalarTrampoline(sqlite3_context* ctx, int argc, Args argv)
{
    const auto* def = static_cast<const ScalarDef*>(sqlite3_user_data(ctx));
    try {
        def->fn(ctx, argc, argv);
    } catch (...) {
        sqlite3_result_error(ctx, describeCurrentException().toUtf8().constData(), -1);
    }
}

void stepTrampoline(sqlite3_context* ctx, int argc, Args argv)
{
    const auto* def = static_cast<const AggregateDef*>(sqlite3_user_data(ctx));
    try {
        def->step(ctx, argc, argv);
    } catch (...) {
        sqlite3_result_error(ctx, describeCurrentException().toUtf8().constData(), -1);
    }
}

void finalTrampoline(sqlite3_context* ctx)
{
    const auto* def = static_cast<const AggregateDef*>(sqlite3_user_data(ctx));
    try {
        def->final(ctx);
    } catch (...) {
        sqlite3_result_error(ctx, describeCurrentException().toUtf8().constData(), -1);
    }
}

} // namespace

void registerFunctions(sqlite3* db)
{
    for (const ScalarDef& f : kScalars) {
        const int flags = SQLITE_UTF8 | SQLITE_INNOCUOUS | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        if (sqlite3_create_function_v2(db, f.name, f.args, flags, const_cast<ScalarDef*>(&f), scalarTrampoline, nullptr,
                                       nullptr, nullptr) != SQLITE_OK)
            throw automation::Error(QStringLiteral("Cannot register the function %1: %2")
                                        .arg(QLatin1String(f.name), QString::fromUtf8(sqlite3_errmsg(db))));
    }
    for (const AggregateDef& a : kAggregates) {
        if (sqlite3_create_function_v2(db, a.name, 1, SQLITE_UTF8 | SQLITE_INNOCUOUS, const_cast<AggregateDef*>(&a),
                                       nullptr, stepTrampoline, finalTrampoline, nullptr) != SQLITE_OK)
            throw automation::Error(QStringLiteral("Cannot register the function %1: %2")
                                        .arg(QLatin1String(a.name), QString::fromUtf8(sqlite3_errmsg(db))));
    }
}

} // namespace sql
