#include "dao/database.h"

#include "dao/collection.h"
#include "dao/table_def.h"
#include "sql/open_recordset.h"

#include <algorithm>
#include <numeric>

namespace dao {

using automation::Variant;

namespace {

std::vector<std::size_t> tableDefOrder(const jet::Database& db)
{
    const auto& tables = db.tables();
    std::vector<QString> names;
    names.reserve(tables.size());
    for (const jet::CatalogEntry& e : tables)
        names.push_back(QString::fromStdString(e.name));
    std::vector<std::size_t> order(tables.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = names[a].compare(names[b], Qt::CaseInsensitive);
        return c != 0 ? c < 0 : names[a] < names[b];
    });
    return order;
}

} // namespace

Database::Database(std::shared_ptr<jet::Database> db, QString path)
    : DaoObject(std::make_shared<DatabaseState>())
{
    state()->order = tableDefOrder(*db);
    state()->db = std::move(db);
    state()->path = std::move(path);

    addProperty(QStringLiteral("Name"), [this] { return Variant(state()->path); });
    addProperty(QStringLiteral("Connect"), [] { return Variant(QString()); });
    addProperty(QStringLiteral("Updatable"), [] { return Variant(false); });
    // The file format as DAO names it: "3.0" Jet 3, "4.0" Jet 4, "12.0" every ACE file.
    addProperty(QStringLiteral("Version"), [this] {
        checkOpen();
        switch (state()->db->version()) {
        case jet::Version::Jet3: return Variant(QStringLiteral("3.0"));
        case jet::Version::Jet4: return Variant(QStringLiteral("4.0"));
        default: return Variant(QStringLiteral("12.0"));
        }
    });
    addMember(QStringLiteral("TableDefs"), [this](automation::Invoke, std::span<const Variant> args) {
        checkOpen();
        auto st = state();
        auto tableDefs = std::make_shared<Collection>(
            [st] { st->check(); return static_cast<int>(st->order.size()); },
            [st](int i) -> automation::ObjectRef {
                st->check();
                return std::make_shared<TableDef>(st, static_cast<std::size_t>(i));
            },
            [st](const QString& name) {
                for (std::size_t i = 0; i < st->order.size(); ++i)
                    if (QString::fromStdString(st->entry(i).name).compare(name, Qt::CaseInsensitive) == 0)
                        return static_cast<int>(i);
                return -1;
            });
        return collectionMember(tableDefs, args, QStringLiteral("TableDefs"));
    });
    addMember(QStringLiteral("OpenRecordset"), [this](automation::Invoke, std::span<const Variant> args) {
        // Name or SQL text; type, options and lock arguments are accepted and ignored: every
        // recordset here is a read-only snapshot.
        expectArgs(args, 1, 4, QStringLiteral("OpenRecordset"));
        checkOpen();
        if (args[0].type() != Variant::Type::String)
            throw automation::Error(QStringLiteral("Type mismatch."));
        const QString source = args[0].toString();
        // A bare table name opens the whole table, as DAO does.
        if (const jet::CatalogEntry* e = state()->db->findTable(source.trimmed().toStdString()))
            return sql::openTableRecordset(state()->db, QString::fromStdString(e->name));
        return sql::openRecordset(state()->db, source);
    });
    addMember(QStringLiteral("Close"), [this](automation::Invoke, std::span<const Variant> args) {
        expectArgs(args, 0, 0, QStringLiteral("Close"));
        checkOpen();
        sql::releaseDatabase(state()->db.get());
        state()->closed = true;
        state()->db.reset();   // objects still held keep only what they already read
        return Variant();
    });
}

} // namespace dao
