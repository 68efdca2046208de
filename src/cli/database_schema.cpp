#include "cli/database_schema.h"

#include "cli/commands.h"
#include "cli/json_writer.h"

#include <QString>

#include <algorithm>

namespace cli {

namespace {

std::string versionKeyword(jet::Version v)
{
    switch (v) {
    case jet::Version::Jet3: return "Jet3";
    case jet::Version::Jet4: return "Jet4";
    case jet::Version::Ace12: return "ACE12";
    case jet::Version::Ace14: return "ACE14";
    case jet::Version::Ace15: return "ACE15";
    case jet::Version::Ace16: return "ACE16";
    case jet::Version::Ace17: return "ACE17";
    }
    return "unknown";
}

bool propertyIsTrue(const jet::PropertyList& list, std::string_view name)
{
    const jet::Property* p = jet::findProperty(list, name);
    if (!p || p->value.isNull())
        return false;
    const jet::Value& v = p->value.view();
    switch (v.kind()) {
    case jet::ValueKind::Boolean:
    case jet::ValueKind::Byte:
    case jet::ValueKind::Int16:
    case jet::ValueKind::Int32:
    case jet::ValueKind::Int64: return v.asInt() != 0;
    default: return false;
    }
}

std::string propertyText(const jet::PropertyList& list, std::string_view name)
{
    const jet::Property* p = jet::findProperty(list, name);
    if (!p || p->value.kind() != jet::ValueKind::Text)
        return {};
    return std::string(p->value.view().asText());
}

ColumnSchema columnSchema(const jet::Column& c)
{
    ColumnSchema s;
    s.name = c.name;
    s.calculated = c.isCalculated();
    s.type = s.calculated && c.resultType ? c.resultType : c.type;
    s.typeName = typeKeyword(s.type);
    if (s.type == 0x0A)
        s.size = c.charLength;
    else if (s.type == 0x0B || s.type == 0x0C || s.type == 0x12)
        s.size = 0;
    else if (s.type == 0x01)
        s.size = 1;
    else if (!s.calculated)
        s.size = c.length;
    else
        s.size = jet::fixedWidth(s.type);
    if (s.type == 0x10) {
        s.precision = c.precision;
        s.scale = c.scale;
    }
    s.required = propertyIsTrue(c.properties, "Required");
    s.autoNumber = c.isAutoNumber() || c.isGuidAutoNumber();
    if (s.calculated)
        s.expression = propertyText(c.properties, "Expression");
    s.description = c.description();
    s.displayIndex = c.displayIndex;
    return s;
}

IndexSchema indexSchema(const jet::Table& t, const jet::Index& ix)
{
    IndexSchema s;
    s.name = ix.name;
    s.primary = ix.primary;
    s.unique = ix.unique;
    s.ignoreNulls = ix.ignoreNulls;
    s.required = ix.required;
    s.foreignKey = ix.foreignKey;
    for (const jet::IndexColumn& k : ix.columns)
        if (k.column < t.columns().size())
            s.columns.push_back({t.columns()[k.column].name, k.ascending});
    return s;
}

bool sameName(const std::string& a, const std::string& b)
{
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

} // namespace

std::string typeKeyword(uint8_t type)
{
    switch (type) {
    case 0x10: return "Decimal";
    case 0x14: return "DateTimeExtended";
    default: return std::string(jet::columnTypeName(type));
    }
}

std::string accessTypeText(const ColumnSchema& c)
{
    std::string t = c.typeName;
    if (c.type == 0x0A || c.type == 0x09)
        t += "(" + std::to_string(c.size) + ")";
    else if (c.type == 0x10)
        t += "(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
    if (c.autoNumber)
        t += " AutoNumber";
    return t;
}

const TableSchema* Schema::findTable(const std::string& name) const
{
    for (const TableSchema& t : tables)
        if (t.name == name)
            return &t;
    for (const TableSchema& t : tables)
        if (sameName(t.name, name))
            return &t;
    return nullptr;
}

Schema readSchema(jet::Database& db)
{
    Schema schema;
    schema.version = versionKeyword(db.version());
    std::vector<const jet::CatalogEntry*> entries;
    for (const jet::CatalogEntry& e : db.tables())
        if (isUserTable(db.isJet3(), e.flags))
            entries.push_back(&e);
    // Tab order: by name without regard to case, as the table tabs show them.
    std::stable_sort(entries.begin(), entries.end(), [](const jet::CatalogEntry* a, const jet::CatalogEntry* b) {
        return QString::fromStdString(a->name).compare(QString::fromStdString(b->name), Qt::CaseInsensitive) < 0;
    });
    for (const jet::CatalogEntry* e : entries) {
        TableSchema ts;
        ts.name = e->name;
        ts.linked = e->isLinked();
        ts.linkedDatabase = e->linkedDatabase;
        ts.linkedTable = e->foreignName;
        auto t = db.table(e->name);
        if (!t) {
            ts.error = t.error().describe();
            ts.description = propertyText(e->properties, "Description");
            schema.tables.push_back(std::move(ts));
            continue;
        }
        ts.table = *t;
        const jet::Table& table = **t;
        ts.description = table.description().empty() ? propertyText(e->properties, "Description") : table.description();
        ts.storedRowCount = table.rowCount();
        for (const jet::Column& c : table.columns())
            ts.columns.push_back(columnSchema(c));
        for (const jet::Index& ix : table.indexes())
            ts.indexes.push_back(indexSchema(table, ix));
        schema.tables.push_back(std::move(ts));
    }

    auto rels = jet::readRelationships(db);
    if (!rels) {
        schema.problems.push_back("relationships could not be read: " + rels.error().describe());
    } else {
        if (rels->unreadableRows > 0) {
            schema.catalogRowsLost += rels->unreadableRows;
            schema.problems.push_back(std::to_string(rels->unreadableRows) + " rows of MSysRelationships could not be read"
                                      + (rels->firstLoss ? "; first problem: " + rels->firstLoss->describe() : ""));
        }
        for (jet::Relationship& r : rels->relationships) {
            const TableSchema* from = schema.findTable(r.table);
            const TableSchema* to = schema.findTable(r.referencedTable);
            if (from && to)
                schema.relationships.push_back(std::move(r));
        }
    }

    auto queries = jet::readSavedQueries(db);
    if (!queries) {
        schema.problems.push_back("saved queries could not be read: " + queries.error().describe());
    } else {
        if (queries->unreadableRows > 0) {
            schema.catalogRowsLost += queries->unreadableRows;
            schema.problems.push_back(std::to_string(queries->unreadableRows) + " rows of MSysQueries could not be read"
                                      + (queries->firstLoss ? "; first problem: " + queries->firstLoss->describe() : ""));
        }
        for (const jet::SavedQuery& q : queries->queries) {
            if (q.name.empty() || q.name.front() == '~')
                continue;  // the record sources of forms and reports, hidden in Access too
            schema.queries.push_back({q.name, std::string(jet::queryTypeName(q.type)), q.sql});
        }
    }
    return schema;
}

std::string schemaJson(const Schema& schema, const std::string& databaseName)
{
    std::string out;
    json::Writer w(out);
    w.beginObject();
    w.key("database").value(databaseName);
    w.key("format").value(schema.version);
    w.key("tables").beginArray();
    for (const TableSchema& t : schema.tables) {
        w.beginObject();
        w.key("name").value(t.name);
        w.key("description").optional(t.description);
        if (t.linked) {
            w.key("linked").beginObject();
            w.key("database").value(t.linkedDatabase);
            w.key("table").optional(t.linkedTable);
            w.endObject();
        } else {
            w.key("linked").null();
        }
        if (t.storedRowCount >= 0)
            w.key("storedRowCount").value(t.storedRowCount);
        else
            w.key("storedRowCount").null();
        w.key("error").optional(t.error);
        w.key("columns").beginArray();
        for (const ColumnSchema& c : t.columns) {
            w.beginObject();
            w.key("name").value(c.name);
            w.key("type").value(c.typeName);
            w.key("size").value(c.size);
            if (c.type == 0x10) {
                w.key("precision").value(c.precision);
                w.key("scale").value(c.scale);
            } else {
                w.key("precision").null();
                w.key("scale").null();
            }
            w.key("required").value(c.required);
            w.key("autoNumber").value(c.autoNumber);
            w.key("calculated").value(c.calculated);
            if (c.calculated)
                w.key("expression").optional(c.expression);
            w.key("description").optional(c.description);
            w.endObject();
        }
        w.endArray();
        w.key("indexes").beginArray();
        for (const IndexSchema& ix : t.indexes) {
            w.beginObject();
            w.key("name").value(ix.name);
            w.key("columns").beginArray();
            for (const IndexColumnSchema& k : ix.columns) {
                w.beginObject();
                w.key("name").value(k.name);
                w.key("order").value(k.ascending ? "asc" : "desc");
                w.endObject();
            }
            w.endArray();
            w.key("primary").value(ix.primary);
            w.key("unique").value(ix.unique);
            w.key("ignoreNulls").value(ix.ignoreNulls);
            w.key("required").value(ix.required);
            w.key("foreignKey").value(ix.foreignKey);
            w.endObject();
        }
        w.endArray();
        w.endObject();
    }
    w.endArray();
    w.key("relationships").beginArray();
    for (const jet::Relationship& r : schema.relationships) {
        w.beginObject();
        w.key("name").value(r.name);
        w.key("table").value(r.table);
        w.key("referencedTable").value(r.referencedTable);
        w.key("columns").beginArray();
        for (const jet::ColumnPair& p : r.columns) {
            w.beginObject();
            w.key("column").value(p.column);
            w.key("referencedColumn").value(p.referencedColumn);
            w.endObject();
        }
        w.endArray();
        w.key("enforced").value(r.enforced());
        w.key("cascadeUpdates").value(r.cascadeUpdates());
        w.key("cascadeDeletes").value(r.cascadeDeletes());
        w.key("cascadeNulls").value(r.cascadeNulls());
        w.key("oneToOne").value(r.oneToOne());
        w.key("complete").value(r.complete);
        w.endObject();
    }
    w.endArray();
    w.key("queries").beginArray();
    for (const QuerySchema& q : schema.queries) {
        w.beginObject();
        w.key("name").value(q.name);
        w.key("type").value(q.type);
        w.key("sql").optional(q.sql);
        w.endObject();
    }
    w.endArray();
    w.key("problems").beginArray();
    for (const std::string& p : schema.problems)
        w.value(p);
    w.endArray();
    w.endObject();
    out.push_back('\n');
    return out;
}

} // namespace cli
