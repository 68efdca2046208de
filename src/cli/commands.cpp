#include "cli/commands.h"

#include "automation/error.h"
#include "automation/object.h"
#include "automation/registry.h"
#include "cli/variant_csv.h"
#include "dao/engine_registration.h"
#include "dao/field_type_text.h"
#include "dao/workspace.h"
#include "jet/csv.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

namespace cli {

using automation::Variant;
using automation::get;

namespace {

void write(const std::string& text)
{
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size())
        throw CliError(QStringLiteral("cannot write the output"));
}

// TSV cells keep to one line: tab, line breaks and backslash are escaped.
std::string tsvCell(const QString& text)
{
    std::string out;
    for (const char c : text.toStdString()) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

} // namespace

// The database through the engine, as the program opens it: default workspace, read-only.
Variant openDatabase(const QString& path)
{
    automation::Registry registry;
    dao::registerEngine(registry);
    const Variant engine = registry.create(QStringLiteral("DAO.DBEngine.35"));
    const Variant workspace = get(engine, QStringLiteral("Workspaces"), Variant(std::int32_t(0)));
    return automation::call(workspace, QStringLiteral("OpenDatabase"),
                            {Variant(path), Variant::missing(), Variant(true)});
}

// The table tabs skip these two whole values of Attributes (not bit tests).
static bool listed(std::int32_t attributes)
{
    return attributes != INT_MIN && attributes != 2;
}

// A table definition by name: exact match first, then without regard to case.
Variant findTableDef(const Variant& database, const QString& name)
{
    const Variant tableDefs = get(database, QStringLiteral("TableDefs"));
    const int count = get(tableDefs, QStringLiteral("Count")).toInt();
    int loose = -1;
    for (int i = 0; i < count; ++i) {
        const QString n = get(get(tableDefs, QStringLiteral("Item"), Variant(std::int32_t(i))),
                              QStringLiteral("Name")).toString();
        if (n == name)
            return get(tableDefs, QStringLiteral("Item"), Variant(std::int32_t(i)));
        if (loose < 0 && n.compare(name, Qt::CaseInsensitive) == 0)
            loose = i;
    }
    if (loose >= 0)
        return get(tableDefs, QStringLiteral("Item"), Variant(std::int32_t(loose)));
    throw CliError(QStringLiteral("no table '%1' in the database").arg(name));
}


int tablesCommand(const QString& path)
{
    const Variant db = openDatabase(path);
    const Variant tableDefs = get(db, QStringLiteral("TableDefs"));
    const int count = get(tableDefs, QStringLiteral("Count")).toInt();
    std::string out;
    for (int i = 0; i < count; ++i) {
        const Variant def = get(db, QStringLiteral("TableDefs"), Variant(std::int32_t(i)));
        if (!listed(get(def, QStringLiteral("Attributes")).toInt()))
            continue;
        out += get(def, QStringLiteral("Name")).toString().toStdString();
        out += '\n';
    }
    write(out);
    automation::call(db, QStringLiteral("Close"));
    return Ok;
}

int fieldsCommand(const QString& path, const QString& table)
{
    const Variant db = openDatabase(path);
    const Variant def = findTableDef(db, table);
    const Variant fields = get(def, QStringLiteral("Fields"));
    const int count = get(fields, QStringLiteral("Count")).toInt();

    // Key fields: those of the first index, whichever it is.
    QStringList keys;
    const Variant indexes = get(def, QStringLiteral("Indexes"));
    if (get(indexes, QStringLiteral("Count")).toInt() > 0) {
        const Variant keyFields = get(get(indexes, QStringLiteral("Item"), Variant(std::int32_t(0))),
                                      QStringLiteral("Fields"));
        const int n = get(keyFields, QStringLiteral("Count")).toInt();
        for (int j = 0; j < n; ++j)
            keys << get(get(keyFields, QStringLiteral("Item"), Variant(std::int32_t(j))), QStringLiteral("Name")).toString();
    }

    std::string out;
    for (int j = 0; j < count; ++j) {
        const Variant field = get(fields, QStringLiteral("Item"), Variant(std::int32_t(j)));
        const QString name = get(field, QStringLiteral("Name")).toString();
        const int type = get(field, QStringLiteral("Type")).toInt();
        const int attributes = get(field, QStringLiteral("Attributes")).toInt();
        const int size = get(field, QStringLiteral("Size")).toInt();
        QString description;
        const Variant properties = get(field, QStringLiteral("Properties"));
        const int np = get(properties, QStringLiteral("Count")).toInt();
        for (int k = 0; k < np; ++k) {
            const Variant p = get(properties, QStringLiteral("Item"), Variant(std::int32_t(k)));
            if (get(p, QStringLiteral("Name")).toString() == QStringLiteral("Description")) {
                description = QString::fromStdString(variantText(get(p, QStringLiteral("Value"))));
                break;
            }
        }
        out += tsvCell(name) + '\t' + tsvCell(dao::fieldTypeTextCompact(type, attributes)) + '\t'
               + std::to_string(size) + '\t' + tsvCell(description) + '\t'
               + (keys.contains(name) ? "1" : "0") + '\n';
    }
    write(out);
    automation::call(db, QStringLiteral("Close"));
    return Ok;
}

int exportCommand(const QString& path, const QString& table)
{
    const std::shared_ptr<jet::Database> db = dao::openJetDatabase(path);
    // Exact name first, then without regard to case (the reader's lookup).
    std::string name = table.toStdString();
    const auto& tables = db->tables();
    const bool exact = std::any_of(tables.begin(), tables.end(),
                                   [&](const jet::CatalogEntry& e) { return e.name == name; });
    if (!exact) {
        const jet::CatalogEntry* e = db->findTable(name);
        if (!e)
            throw CliError(QStringLiteral("no table '%1' in the database").arg(table));
        name = e->name;
    }
    auto t = db->table(name);
    if (!t)
        throw CliError(QStringLiteral("cannot read table '%1': %2").arg(table, QString::fromStdString(t.error().describe())));
    std::fflush(stdout);
    auto stats = jet::csv::writeTable(*t, stdout);
    if (!stats)
        throw CliError(QStringLiteral("cannot export table '%1': %2").arg(table, QString::fromStdString(stats.error().describe())));
    if (stats->rowsWithErrors > 0) {
        const std::string first = stats->errors.empty() ? std::string() : stats->errors.front().describe();
        std::fprintf(stderr, "tabulon-cli: warning: %llu rows of '%s' had unreadable cells (exported as empty)%s%s\n",
                     static_cast<unsigned long long>(stats->rowsWithErrors), name.c_str(),
                     first.empty() ? "" : "; first: ", first.c_str());
    }
    return Ok;
}

int queryCommand(const QString& path, const QString& sql, long long maxRows)
{
    const Variant db = openDatabase(path);
    const Variant rs = automation::call(db, QStringLiteral("OpenRecordset"), {Variant(sql)});
    const Variant fields = get(rs, QStringLiteral("Fields"));
    const int count = get(fields, QStringLiteral("Count")).toInt();
    std::vector<Variant> columns;
    std::string out;
    for (int i = 0; i < count; ++i) {
        columns.push_back(get(fields, QStringLiteral("Item"), Variant(std::int32_t(i))));
        if (i > 0)
            out += ',';
        jet::csv::appendField(out, get(columns.back(), QStringLiteral("Name")).toString().toStdString());
    }
    out += "\r\n";
    long long rows = 0;
    while ((maxRows < 0 || rows < maxRows) && !get(rs, QStringLiteral("EOF")).toBool()) {
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                out += ',';
            // Field objects may be per row; ask the recordset each time.
            appendVariantField(out, get(get(rs, QStringLiteral("Fields"), Variant(std::int32_t(i))), QStringLiteral("Value")));
        }
        out += "\r\n";
        ++rows;
        if (out.size() > (1u << 20)) {
            write(out);
            out.clear();
        }
        automation::call(rs, QStringLiteral("MoveNext"));
    }
    write(out);
    automation::call(rs, QStringLiteral("Close"));
    automation::call(db, QStringLiteral("Close"));
    return Ok;
}

} // namespace cli
