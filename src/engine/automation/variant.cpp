#include "automation/variant.h"

#include "automation/error.h"

#include <cmath>
#include <limits>

namespace automation {

namespace {

Error typeMismatch() { return Error(QStringLiteral("Type mismatch.")); }

} // namespace

QString Decimal::toString() const
{
    const bool negative = mantissa < 0;
    unsigned __int128 magnitude = negative ? static_cast<unsigned __int128>(-(mantissa + 1)) + 1
                                           : static_cast<unsigned __int128>(mantissa);
    QString digits;
    do {
        digits.prepend(QChar(u'0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    while (digits.size() <= scale)
        digits.prepend(u'0');
    if (scale > 0) {
        digits.insert(digits.size() - scale, u'.');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        if (digits.endsWith(u'.'))
            digits.chop(1);
    }
    if (negative && digits != QStringLiteral("0"))
        digits.prepend(u'-');
    return digits;
}

double Decimal::toDouble() const
{
    return static_cast<double>(mantissa) / std::pow(10.0, scale);
}

QString Guid::toString() const
{
    auto hex = [this](int i) { return QStringLiteral("%1").arg(bytes[i], 2, 16, QChar(u'0')).toUpper(); };
    QString s = QStringLiteral("{");
    for (int i : {3, 2, 1, 0}) s += hex(i);
    s += u'-';
    for (int i : {5, 4}) s += hex(i);
    s += u'-';
    for (int i : {7, 6}) s += hex(i);
    s += u'-';
    for (int i : {8, 9}) s += hex(i);
    s += u'-';
    for (int i = 10; i < 16; ++i) s += hex(i);
    s += u'}';
    return s;
}

Variant Variant::null()
{
    Variant v;
    v.m_value = NullTag{};
    return v;
}

Variant Variant::missing()
{
    Variant v;
    v.m_value = Missing{};
    return v;
}

Variant::Type Variant::type() const
{
    static constexpr Type kTypes[] = {
        Type::Empty, Type::Null, Type::Missing, Type::Boolean, Type::Byte, Type::Integer, Type::Long,
        Type::LongLong, Type::Single, Type::Double, Type::Currency, Type::Date, Type::String,
        Type::Decimal, Type::Guid, Type::Bytes, Type::Object,
    };
    return kTypes[m_value.index()];
}

bool Variant::toBool() const
{
    if (auto b = get<bool>()) return *b;
    return toDouble() != 0.0;
}

std::int64_t Variant::toInt64() const
{
    if (auto v = get<bool>()) return *v ? -1 : 0;
    if (auto v = get<std::uint8_t>()) return *v;
    if (auto v = get<std::int16_t>()) return *v;
    if (auto v = get<std::int32_t>()) return *v;
    if (auto v = get<std::int64_t>()) return *v;
    const double d = toDouble();
    if (!std::isfinite(d) || d < -9.2233720368547758e18 || d >= 9.2233720368547758e18)
        throw Error(QStringLiteral("Overflow."));
    return static_cast<std::int64_t>(std::nearbyint(d));
}

std::int32_t Variant::toInt() const
{
    const std::int64_t v = toInt64();
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        throw Error(QStringLiteral("Overflow."));
    return static_cast<std::int32_t>(v);
}

double Variant::toDouble() const
{
    switch (type()) {
    case Type::Boolean: return *get<bool>() ? -1.0 : 0.0;
    case Type::Byte: return *get<std::uint8_t>();
    case Type::Integer: return *get<std::int16_t>();
    case Type::Long: return *get<std::int32_t>();
    case Type::LongLong: return static_cast<double>(*get<std::int64_t>());
    case Type::Single: return *get<float>();
    case Type::Double: return *get<double>();
    case Type::Currency: return get<Currency>()->toDouble();
    case Type::Date: return get<Date>()->days;
    case Type::Decimal: return get<Decimal>()->toDouble();
    case Type::String: {
        bool ok = false;
        const double d = get<QString>()->trimmed().toDouble(&ok);
        if (ok) return d;
        break;
    }
    default: break;
    }
    throw typeMismatch();
}

QString Variant::toString() const
{
    if (auto s = get<QString>()) return *s;
    throw typeMismatch();
}

const QByteArray& Variant::toBytes() const
{
    if (auto b = get<QByteArray>()) return *b;
    throw typeMismatch();
}

ObjectRef Variant::toObject() const
{
    if (auto o = get<ObjectRef>(); o && *o) return *o;
    throw Error(QStringLiteral("Object required."));
}

const char* typeName(Variant::Type t)
{
    switch (t) {
    case Variant::Type::Empty: return "Empty";
    case Variant::Type::Null: return "Null";
    case Variant::Type::Missing: return "Missing";
    case Variant::Type::Boolean: return "Boolean";
    case Variant::Type::Byte: return "Byte";
    case Variant::Type::Integer: return "Integer";
    case Variant::Type::Long: return "Long";
    case Variant::Type::LongLong: return "LongLong";
    case Variant::Type::Single: return "Single";
    case Variant::Type::Double: return "Double";
    case Variant::Type::Currency: return "Currency";
    case Variant::Type::Date: return "Date";
    case Variant::Type::String: return "String";
    case Variant::Type::Decimal: return "Decimal";
    case Variant::Type::Guid: return "Guid";
    case Variant::Type::Bytes: return "Bytes";
    case Variant::Type::Object: return "Object";
    }
    return "?";
}

} // namespace automation
