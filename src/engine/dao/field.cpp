#include "dao/field.h"

#include "dao/collection.h"
#include "dao/dao_types.h"
#include "dao/properties.h"

namespace dao {

using automation::Variant;

Field::Field(std::shared_ptr<DatabaseState> st, std::shared_ptr<const jet::Table> table,
             std::size_t column, std::optional<bool> descending)
    : DaoObject(std::move(st)), m_table(std::move(table)), m_column(column)
{
    const auto name = [this] { return QString::fromStdString(this->column().name); };
    addProperty(QStringLiteral("Name"), [name] { return Variant(name()); });
    addProperty(QStringLiteral("Type"), [this] {
        return Variant(std::int16_t(fieldType(this->column(), *state())));
    });
    addProperty(QStringLiteral("Size"), [this] { return Variant(std::int32_t(fieldSize(this->column()))); });
    addProperty(QStringLiteral("Attributes"), [this, descending] {
        if (descending)
            return Variant(std::int32_t(*descending ? field_attr::Descending : 0));
        return Variant(std::int32_t(fieldAttributes(this->column())));
    });
    addProperty(QStringLiteral("OrdinalPosition"), [this] { return Variant(std::int16_t(m_column)); });
    addProperty(QStringLiteral("SourceTable"), [this] { return Variant(QString::fromStdString(m_table->name())); });
    addProperty(QStringLiteral("SourceField"), name);
    addProperty(QStringLiteral("DataUpdatable"), [] { return Variant(false); });
    // A table definition's field holds no value.
    addMember(QStringLiteral("Value"), [](automation::Invoke, std::span<const Variant>) -> Variant {
        throw automation::Error(QStringLiteral("Invalid operation."));
    });
    addMember(QStringLiteral("Properties"), [this, descending](automation::Invoke, std::span<const Variant> args) {
        checkOpen();
        const jet::Column& c = this->column();
        std::vector<PropertyItem> items{
            {QStringLiteral("Name"), Variant(QString::fromStdString(c.name)), type_code::Text},
            {QStringLiteral("Type"), Variant(std::int16_t(fieldType(c, *state()))), type_code::Integer},
            {QStringLiteral("Size"), Variant(std::int32_t(fieldSize(c))), type_code::Long},
            {QStringLiteral("Attributes"),
             Variant(std::int32_t(descending ? (*descending ? field_attr::Descending : 0) : fieldAttributes(c))),
             type_code::Long},
            {QStringLiteral("OrdinalPosition"), Variant(std::int16_t(m_column)), type_code::Integer},
            {QStringLiteral("SourceField"), Variant(QString::fromStdString(c.name)), type_code::Text},
            {QStringLiteral("SourceTable"), Variant(QString::fromStdString(m_table->name())), type_code::Text},
            {QStringLiteral("DataUpdatable"), Variant(false), type_code::Boolean},
        };
        appendStored(items, c.properties);
        return collectionMember(makeProperties(state(), std::move(items)), args, QStringLiteral("Properties"));
    });
}

} // namespace dao
