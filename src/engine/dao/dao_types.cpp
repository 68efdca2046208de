#include "dao/dao_types.h"

#include "dao/database_state.h"
#include "jet/csv.h"
#include "jet/cursor.h"

#include <QString>

namespace dao {

namespace {

using jet::ColumnType;

int complexKind(const QString& typeTableName)
{
    static const struct { const char* suffix; int code; } kinds[] = {
        {"Attachment", type_code::Attachment}, {"UnsignedByte", type_code::ComplexByte},
        {"Short", type_code::ComplexInteger}, {"Long", type_code::ComplexLong},
        {"IEEESingle", type_code::ComplexSingle}, {"IEEEDouble", type_code::ComplexDouble},
        {"GUID", type_code::ComplexGuid}, {"Decimal", type_code::ComplexDecimal},
        {"Text", type_code::ComplexText},
    };
    for (const auto& k : kinds)
        if (typeTableName.compare(QStringLiteral("MSysComplexType_") + QLatin1String(k.suffix),
                                  Qt::CaseInsensitive) == 0)
            return k.code;
    return 0;
}

// MSysComplexColumns: ComplexID -> the MSysComplexType_* table its values follow.
std::map<std::uint32_t, int> readComplexTypes(jet::Database& db)
{
    std::map<std::uint32_t, int> out;
    auto table = db.table("MSysComplexColumns");
    if (!table)
        return out;
    const jet::Column* idCol = (*table)->findColumn("ComplexID");
    const jet::Column* typeCol = (*table)->findColumn("ComplexTypeObjectID");
    if (!idCol || !typeCol)
        return out;
    jet::Cursor cursor(*table, {idCol->displayIndex, typeCol->displayIndex});
    while (cursor.next()) {
        const jet::Value id = cursor.value(0);
        const jet::Value typeObject = cursor.value(1);
        if (id.isNull() || typeObject.isNull())
            continue;
        int code = 0;
        for (const jet::CatalogEntry& e : db.objects())
            if (e.id == static_cast<std::int32_t>(typeObject.asInt()))
                code = complexKind(QString::fromStdString(e.name));
        out[static_cast<std::uint32_t>(id.asInt())] = code;
    }
    return out;
}

} // namespace

int fieldType(const jet::Column& column, DatabaseState& state)
{
    switch (column.columnType()) {
    case ColumnType::Numeric: return type_code::Decimal;
    case ColumnType::BigInt: return type_code::BigInt;
    case ColumnType::ExtDateTime: return type_code::DateTimeExtended;
    case ColumnType::Complex: {
        if (!state.complexTypes)
            state.complexTypes = readComplexTypes(*state.db);
        const auto it = state.complexTypes->find(column.complexId);
        // A complex column whose kind cannot be found is shown as an attachment, the commonest.
        return it != state.complexTypes->end() && it->second != 0 ? it->second : type_code::Attachment;
    }
    default:
        // The other codes are the same in the file and in DAO (1..12, 15).
        return column.type;
    }
}

int fieldSize(const jet::Column& column)
{
    switch (column.columnType()) {
    case ColumnType::Text: return column.charLength;
    case ColumnType::Memo:
    case ColumnType::OLE: return 0;
    case ColumnType::Binary: return column.length;
    case ColumnType::Boolean: return 1;
    case ColumnType::Numeric: return 16;
    case ColumnType::Complex: return 4;
    default: {
        const int width = jet::fixedWidth(column.type);
        return width > 0 ? width : column.length;
    }
    }
}

int fieldAttributes(const jet::Column& column)
{
    int attributes = column.isFixed() ? field_attr::Fixed : field_attr::Variable;
    if (column.isAutoNumber())
        attributes |= field_attr::AutoIncrement;
    if (column.isHyperlink())
        attributes |= field_attr::Hyperlink;
    return attributes;
}

automation::Variant toVariant(const jet::Value& v)
{
    using K = jet::ValueKind;
    switch (v.kind()) {
    case K::Null: return automation::Variant::null();
    case K::Boolean: return automation::Variant(v.asBool());
    case K::Byte: return automation::Variant(static_cast<std::uint8_t>(v.asInt()));
    case K::Int16: return automation::Variant(static_cast<std::int16_t>(v.asInt()));
    case K::Int32: return automation::Variant(static_cast<std::int32_t>(v.asInt()));
    case K::Int64: return automation::Variant(static_cast<std::int64_t>(v.asInt()));
    case K::Float: return automation::Variant(v.asFloat());
    case K::Double: return automation::Variant(v.asDouble());
    case K::Currency: return automation::Variant(automation::Currency{v.asInt()});
    case K::DateTime: return automation::Variant(automation::Date{v.asDouble()});
    case K::ExtDateTime:
        return automation::Variant(QString::fromStdString(jet::csv::formatExtDateTime(v.asExtDateTime())));
    case K::Text: {
        const std::string_view t = v.asText();
        return automation::Variant(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
    }
    case K::Binary: {
        const auto b = v.asBytes();
        return automation::Variant(QByteArray(reinterpret_cast<const char*>(b.data()),
                                              static_cast<qsizetype>(b.size())));
    }
    case K::Guid: {
        automation::Guid g;
        const auto b = v.asBytes();
        for (std::size_t i = 0; i < g.bytes.size() && i < b.size(); ++i)
            g.bytes[i] = static_cast<std::uint8_t>(b[i]);
        return automation::Variant(g);
    }
    case K::Decimal: {
        const jet::Decimal& d = v.asDecimal();
        unsigned __int128 m = 0;
        for (int i = 3; i >= 0; --i)
            m = (m << 32) | d.mantissa[static_cast<std::size_t>(i)];
        // Jet's Decimal holds 96 bits of mantissa at most (28 digits), so it fits signed.
        automation::Decimal out;
        out.mantissa = d.negative ? -static_cast<__int128>(m) : static_cast<__int128>(m);
        out.scale = d.scale;
        return automation::Variant(out);
    }
    case K::Complex: return automation::Variant(static_cast<std::int32_t>(v.asComplex().key));
    }
    return automation::Variant::null();
}

} // namespace dao
