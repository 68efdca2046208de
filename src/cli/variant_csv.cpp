#include "cli/variant_csv.h"

#include "jet/csv.h"

#include <charconv>
#include <cstdio>

namespace cli {

namespace {

template <class T>
std::string shortest(T value)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string hex(const QByteArray& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(static_cast<std::size_t>(bytes.size()) * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

} // namespace

std::string variantText(const automation::Variant& v)
{
    using T = automation::Variant::Type;
    switch (v.type()) {
    case T::Empty:
    case T::Null:
    case T::Missing: return {};
    case T::Boolean: return v.toBool() ? "1" : "0";
    case T::Byte:
    case T::Integer:
    case T::Long:
    case T::LongLong: return std::to_string(v.toInt64());
    case T::Single: return shortest(*v.get<float>());
    case T::Double: return shortest(*v.get<double>());
    case T::Currency: return jet::csv::formatCurrency(v.get<automation::Currency>()->scaled);
    case T::Date: return jet::csv::formatOleDate(v.get<automation::Date>()->days);
    case T::String: return v.toString().toStdString();
    case T::Decimal: return v.get<automation::Decimal>()->toString().toStdString();
    case T::Guid: return v.get<automation::Guid>()->toString().toStdString();
    case T::Bytes: return hex(v.toBytes());
    case T::Object: return "(object)";
    }
    return {};
}

void appendVariantField(std::string& out, const automation::Variant& v)
{
    using T = automation::Variant::Type;
    // Empty text and zero-length binary values are values, not Null.
    if ((v.type() == T::String && v.toString().isEmpty()) || (v.type() == T::Bytes && v.toBytes().isEmpty())) {
        out += "\"\"";
        return;
    }
    jet::csv::appendField(out, variantText(v));
}

} // namespace cli
