#include "dao/index.h"

#include "dao/collection.h"
#include "dao/dao_types.h"
#include "dao/field.h"
#include "dao/properties.h"

namespace dao {

using automation::Variant;

Index::Index(std::shared_ptr<DatabaseState> st, std::shared_ptr<const jet::Table> table, std::size_t index)
    : DaoObject(std::move(st)), m_table(std::move(table)), m_index(index)
{
    addProperty(QStringLiteral("Name"), [this] { return Variant(QString::fromStdString(this->index().name)); });
    addProperty(QStringLiteral("Primary"), [this] { return Variant(this->index().primary); });
    addProperty(QStringLiteral("Unique"), [this] { return Variant(this->index().unique); });
    addProperty(QStringLiteral("Foreign"), [this] { return Variant(this->index().foreignKey); });
    addProperty(QStringLiteral("IgnoreNulls"), [this] { return Variant(this->index().ignoreNulls); });
    addProperty(QStringLiteral("Required"), [this] { return Variant(this->index().required); });
    addProperty(QStringLiteral("Clustered"), [] { return Variant(false); });
    addMember(QStringLiteral("Fields"), [this](automation::Invoke, std::span<const Variant> args) {
        checkOpen();
        auto st = state();
        auto t = m_table;
        const std::size_t ix = m_index;
        auto fields = std::make_shared<Collection>(
            [st, t, ix] { st->check(); return static_cast<int>(t->indexes()[ix].columns.size()); },
            [st, t, ix](int i) -> automation::ObjectRef {
                st->check();
                const jet::IndexColumn& k = t->indexes()[ix].columns[static_cast<std::size_t>(i)];
                if (k.column >= t->columns().size())
                    throw automation::Error(QStringLiteral("Index '%1' names a column the table does not have.")
                                                .arg(QString::fromStdString(t->indexes()[ix].name)));
                return std::make_shared<Field>(st, t, k.column, !k.ascending);
            },
            [t, ix](const QString& name) {
                const auto& cols = t->indexes()[ix].columns;
                for (std::size_t i = 0; i < cols.size(); ++i)
                    if (cols[i].column < t->columns().size()
                        && QString::fromStdString(t->columns()[cols[i].column].name).compare(name, Qt::CaseInsensitive) == 0)
                        return static_cast<int>(i);
                return -1;
            });
        return collectionMember(fields, args, QStringLiteral("Fields"));
    });
    addMember(QStringLiteral("Properties"), [this](automation::Invoke, std::span<const Variant> args) {
        checkOpen();
        const jet::Index& ix = this->index();
        std::vector<PropertyItem> items{
            {QStringLiteral("Name"), Variant(QString::fromStdString(ix.name)), type_code::Text},
            {QStringLiteral("Primary"), Variant(ix.primary), type_code::Boolean},
            {QStringLiteral("Unique"), Variant(ix.unique), type_code::Boolean},
            {QStringLiteral("Foreign"), Variant(ix.foreignKey), type_code::Boolean},
            {QStringLiteral("IgnoreNulls"), Variant(ix.ignoreNulls), type_code::Boolean},
            {QStringLiteral("Required"), Variant(ix.required), type_code::Boolean},
            {QStringLiteral("Clustered"), Variant(false), type_code::Boolean},
        };
        return collectionMember(makeProperties(state(), std::move(items)), args, QStringLiteral("Properties"));
    });
}

} // namespace dao
