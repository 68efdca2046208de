// tabulon-cli schema: tables, columns, indexes, relationships and saved queries, for people or
// (--json) for scripts.
#include "cli/commands.h"
#include "cli/database_commands.h"
#include "cli/database_schema.h"

#include <algorithm>
#include <cstdio>

namespace cli {

namespace {

// A name or text on one line (damaged names may hold control characters).
std::string shown(const std::string& text) { return oneLine(QString::fromStdString(text)).toStdString(); }

std::string columnList(const IndexSchema& ix)
{
    std::string s;
    for (const auto& k : ix.columns)
        s += (s.empty() ? "" : ", ") + shown(k.name) + (k.ascending ? "" : " DESC");
    return s;
}

std::string schemaText(const Schema& schema)
{
    std::string out;
    for (const TableSchema& t : schema.tables) {
        out += "TABLE " + shown(t.name);
        if (t.linked)
            out += "  (linked to " + shown(t.linkedTable.empty() ? t.name : t.linkedTable) + " in " + shown(t.linkedDatabase) + ")";
        out += "\n";
        if (!t.description.empty())
            out += "  description: " + shown(t.description) + "\n";
        if (!t.error.empty()) {
            out += "  cannot be read: " + shown(t.error) + "\n\n";
            continue;
        }
        out += "  rows (as stored): " + std::to_string(t.storedRowCount) + "\n";
        out += "  columns:\n";
        auto shownWidth = [](const std::string& s) { return size_t(QString::fromStdString(s).size()); };
        size_t width = 0;
        for (const ColumnSchema& c : t.columns)
            width = std::max(width, shownWidth(shown(c.name)));
        for (const ColumnSchema& c : t.columns) {
            const std::string name = shown(c.name);
            out += "    " + name + std::string(width + 2 - shownWidth(name), ' ') + accessTypeText(c);
            if (c.calculated)
                out += " calculated" + (c.expression.empty() ? std::string() : " = " + shown(c.expression));
            if (c.required)
                out += " required";
            if (!c.description.empty())
                out += "  -- " + shown(c.description);
            out += "\n";
        }
        if (!t.indexes.empty()) {
            out += "  indexes:\n";
            for (const IndexSchema& ix : t.indexes) {
                out += "    " + shown(ix.name) + " (" + columnList(ix) + ")";
                if (ix.primary)
                    out += " primary";
                if (ix.unique && !ix.primary)
                    out += " unique";
                if (ix.ignoreNulls)
                    out += " ignore-nulls";
                if (ix.required && !ix.primary)
                    out += " required";
                if (ix.foreignKey)
                    out += " foreign-key";
                out += "\n";
            }
        }
        out += "\n";
    }
    if (!schema.relationships.empty()) {
        out += "RELATIONSHIPS\n";
        for (const jet::Relationship& r : schema.relationships) {
            std::string from, to;
            for (const jet::ColumnPair& p : r.columns) {
                from += (from.empty() ? "" : ", ") + shown(p.column);
                to += (to.empty() ? "" : ", ") + shown(p.referencedColumn);
            }
            out += "  " + shown(r.name) + ": " + shown(r.table) + " (" + from + ") -> " + shown(r.referencedTable) + " ("
                   + to + ")";
            out += r.enforced() ? " enforced" : " not enforced";
            if (r.cascadeUpdates())
                out += ", cascade updates";
            if (r.cascadeDeletes())
                out += ", cascade deletes";
            if (r.cascadeNulls())
                out += ", deletes set Null";
            if (!r.complete)
                out += " (incomplete: the catalog rows do not add up)";
            out += "\n";
        }
        out += "\n";
    }
    if (!schema.queries.empty()) {
        out += "QUERIES\n";
        for (const QuerySchema& q : schema.queries) {
            out += "  " + shown(q.name) + " (" + q.type + ")\n";
            if (q.sql.empty()) {
                out += "    (its SQL could not be rebuilt)\n";
                continue;
            }
            // SQL keeps its lines, indented under the name.
            std::string sql = q.sql;
            size_t start = 0;
            while (start <= sql.size()) {
                const size_t end = sql.find('\n', start);
                std::string lineText = sql.substr(start, end == std::string::npos ? std::string::npos : end - start);
                if (!lineText.empty() && lineText.back() == '\r')
                    lineText.pop_back();
                out += "    " + shown(lineText) + "\n";
                if (end == std::string::npos)
                    break;
                start = end + 1;
            }
        }
    }
    return out;
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

int schemaCommand(const std::string& path, bool json)
{
    const std::shared_ptr<jet::Database> db = openJet(path);
    const Schema schema = readSchema(*db);
    const std::string out = json ? schemaJson(schema, baseName(path)) : schemaText(schema);
    if (!out.empty() && std::fwrite(out.data(), 1, out.size(), stdout) != out.size())
        throw CliError(QStringLiteral("cannot write the output"));
    bool lost = false;
    for (const TableSchema& t : schema.tables)
        if (!t.error.empty()) {
            std::fprintf(stderr, "tabulon-cli: table '%s' could not be read: %s\n", shown(t.name).c_str(), shown(t.error).c_str());
            lost = true;
        }
    for (const std::string& p : schema.problems) {
        std::fprintf(stderr, "tabulon-cli: %s\n", shown(p).c_str());
        lost = true;
    }
    return lost ? RowsLost : Ok;
}

} // namespace cli
