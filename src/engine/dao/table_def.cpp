#include "dao/table_def.h"

#include "dao/collection.h"
#include "dao/dao_types.h"
#include "dao/field.h"
#include "dao/index.h"
#include "dao/properties.h"

#include <bit>

namespace dao {

using automation::Variant;

TableDef::TableDef(std::shared_ptr<DatabaseState> st, std::size_t tableDefIndex)
    : DaoObject(std::move(st)), m_index(tableDefIndex)
{
    addProperty(QStringLiteral("Name"), [this] { return Variant(QString::fromStdString(entry().name)); });
    // The catalog flags exactly as stored: callers test whole values.
    addProperty(QStringLiteral("Attributes"), [this] { return Variant(std::bit_cast<std::int32_t>(entry().flags)); });
    addProperty(QStringLiteral("Connect"), [this] {
        const jet::CatalogEntry& e = entry();
        if (!e.connect.empty())
            return Variant(QString::fromStdString(e.connect));
        if (!e.linkedDatabase.empty())
            return Variant(QStringLiteral(";DATABASE=") + QString::fromStdString(e.linkedDatabase));
        return Variant(QString());
    });
    addProperty(QStringLiteral("SourceTableName"), [this] {
        return Variant(QString::fromStdString(entry().foreignName));
    });
    addProperty(QStringLiteral("RecordCount"), [this] {
        if (entry().isLinked())
            return Variant(std::int32_t(-1));
        return Variant(std::int32_t(table()->rowCount()));
    });
    addProperty(QStringLiteral("Updatable"), [] { return Variant(false); });

    addMember(QStringLiteral("Fields"), [this](automation::Invoke, std::span<const Variant> args) {
        checkOpen();
        auto st = state();
        auto t = table();
        auto fields = std::make_shared<Collection>(
            [st, t] { st->check(); return static_cast<int>(t->columns().size()); },
            [st, t](int i) -> automation::ObjectRef {
                st->check();
                return std::make_shared<Field>(st, t, static_cast<std::size_t>(i));
            },
            [t](const QString& name) {
                const jet::Column* c = t->findColumn(name.toStdString());
                return c ? static_cast<int>(c->displayIndex) : -1;
            });
        return collectionMember(fields, args, QStringLiteral("Fields"));
    });
    addMember(QStringLiteral("Indexes"), [this](automation::Invoke, std::span<const Variant> args) {
        checkOpen();
        auto st = state();
        auto t = table();
        auto indexes = std::make_shared<Collection>(
            [st, t] { st->check(); return static_cast<int>(t->indexes().size()); },
            [st, t](int i) -> automation::ObjectRef {
                st->check();
                return std::make_shared<Index>(st, t, static_cast<std::size_t>(i));
            },
            [t](const QString& name) {
                for (std::size_t i = 0; i < t->indexes().size(); ++i)
                    if (QString::fromStdString(t->indexes()[i].name).compare(name, Qt::CaseInsensitive) == 0)
                        return static_cast<int>(i);
                return -1;
            });
        return collectionMember(indexes, args, QStringLiteral("Indexes"));
    });
    addMember(QStringLiteral("Properties"), [this](automation::Invoke, std::span<const Variant> args) {
        checkOpen();
        const jet::CatalogEntry& e = entry();
        std::vector<PropertyItem> items{
            {QStringLiteral("Name"), Variant(QString::fromStdString(e.name)), type_code::Text},
            {QStringLiteral("Updatable"), Variant(false), type_code::Boolean},
            {QStringLiteral("Attributes"), Variant(std::bit_cast<std::int32_t>(e.flags)), type_code::Long},
            {QStringLiteral("SourceTableName"), Variant(QString::fromStdString(e.foreignName)), type_code::Text},
        };
        appendStored(items, e.properties);
        return collectionMember(makeProperties(state(), std::move(items)), args, QStringLiteral("Properties"));
    });
}

std::shared_ptr<const jet::Table> TableDef::table() const
{
    const jet::CatalogEntry& e = entry();
    auto t = state()->db->table(e.name);
    if (!t)
        throw automation::Error(QStringLiteral("Cannot read the definition of table '%1': %2")
                                    .arg(QString::fromStdString(e.name),
                                         QString::fromStdString(t.error().describe())));
    return *t;
}

} // namespace dao
