#include "cli/sqlite_schema.h"

#include <algorithm>
#include <set>

namespace cli {

namespace {

// SQLite compares identifiers without regard to ASCII case only.
std::string foldAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

// SQL text ends at a NUL byte, so no identifier can hold one; damaged catalogs give such names.
std::string withoutNul(std::string_view name)
{
    std::string out;
    for (char c : name) {
        if (c == '\0')
            out += "\xEF\xBF\xBD";  // U+FFFD
        else
            out += c;
    }
    return out;
}

// Names handed out in one namespace (tables and indexes share one in SQLite).
class NameSpace {
public:
    void reserve(std::string_view name) { taken_.insert(foldAscii(name)); }
    // `wanted`, or `wanted_2`, `wanted_3`, ... when it is taken or reserved by SQLite.
    std::string claim(const std::string& wanted)
    {
        // SQLite keeps names starting with sqlite_ for itself, whatever follows.
        const std::string clean = withoutNul(wanted);
        const std::string base = foldAscii(clean).rfind("sqlite_", 0) == 0 ? "_" + clean : clean;
        std::string name = base;
        for (int n = 2; !usable(name); ++n)
            name = base + "_" + std::to_string(n);
        taken_.insert(foldAscii(name));
        return name;
    }

private:
    bool usable(const std::string& name) const
    {
        const std::string f = foldAscii(name);
        return !f.empty() && f.rfind("sqlite_", 0) != 0 && !taken_.count(f);
    }
    std::set<std::string> taken_;
};

bool isPrimary(const IndexSchema& ix) { return ix.primary && !ix.columns.empty(); }

// Column sets equal, whatever their order.
bool sameColumns(std::vector<std::string> a, std::vector<std::string> b)
{
    for (auto& s : a)
        s = foldAscii(s);
    for (auto& s : b)
        s = foldAscii(s);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

std::vector<std::string> indexColumnNames(const IndexSchema& ix)
{
    std::vector<std::string> out;
    for (const auto& k : ix.columns)
        out.push_back(k.name);
    return out;
}

} // namespace

std::string quoteIdentifier(std::string_view name)
{
    std::string out = "\"";
    for (char c : withoutNul(name)) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string quoteText(std::string_view text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

bool numericTextKeptExactly(std::string_view s)
{
    const bool negative = !s.empty() && s.front() == '-';
    const std::string_view digits = s.substr(negative ? 1 : 0);
    if (digits.find('.') == std::string_view::npos) {
        // An integer within 64 bits is stored as an INTEGER.
        const std::string_view limit = negative ? "9223372036854775808" : "9223372036854775807";
        std::string_view d = digits;
        while (d.size() > 1 && d.front() == '0')
            d.remove_prefix(1);
        if (d.size() < limit.size() || (d.size() == limit.size() && d <= limit))
            return true;
    }
    const size_t first = digits.find_first_of("123456789");
    if (first == std::string_view::npos)
        return true;  // zero
    size_t end = digits.size();
    while (end > first && (digits[end - 1] == '0' || digits[end - 1] == '.'))
        --end;
    int significant = 0;
    for (size_t i = first; i < end; ++i)
        significant += digits[i] >= '0' && digits[i] <= '9';
    return significant <= 15;
}

std::string declaredType(const ColumnSchema& c)
{
    switch (c.type) {
    case 0x01: return "BOOLEAN";
    case 0x02: return "TINYINT";
    case 0x03: return "SMALLINT";
    case 0x04: return "INTEGER";
    case 0x05: return "DECIMAL(19,4)";
    case 0x06:
    case 0x07: return "REAL";
    case 0x08:
    case 0x14: return "DATETIME";
    case 0x09:
    case 0x0B: return "BLOB";
    case 0x0A: return "VARCHAR(" + std::to_string(c.size) + ")";
    case 0x0C: return "TEXT";
    case 0x0F: return "TEXT";
    case 0x10: return "DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
    case 0x12: return c.complexItems ? "TEXT" : "INTEGER";  // the items as JSON, else their number
    case 0x13: return "INTEGER";
    default: return "";
    }
}

SqlitePlan planSqlite(const Schema& schema)
{
    SqlitePlan plan;
    NameSpace names;
    names.reserve(kMetaTable);
    // Tables first, so that index names give way to table names.
    for (const TableSchema& t : schema.tables) {
        if (!t.table)
            continue;
        SqliteTable st;
        st.source = &t;
        st.name = names.claim(t.name);
        if (st.name != t.name) {
            plan.notes.push_back("table '" + t.name + "' is named '" + st.name + "' in the SQLite file");
            plan.meta.push_back({"table", st.name, "", "access_name", t.name});
        }
        NameSpace columnNames;
        for (const ColumnSchema& c : t.columns) {
            SqliteColumn sc;
            sc.source = &c;
            sc.name = columnNames.claim(c.name.empty() ? std::string("column") : c.name);
            if (sc.name != c.name) {
                plan.notes.push_back("column '" + c.name + "' of '" + t.name + "' is named '" + sc.name + "'");
                plan.meta.push_back({"column", st.name, sc.name, "access_name", c.name});
            }
            st.columns.push_back(std::move(sc));
        }
        plan.tables.push_back(std::move(st));
    }

    auto findTable = [&](const std::string& accessName) -> SqliteTable* {
        const TableSchema* t = schema.findTable(accessName);
        for (SqliteTable& st : plan.tables)
            if (st.source == t)
                return &st;
        return nullptr;
    };
    auto columnName = [](const SqliteTable& st, const std::string& accessName) -> const std::string* {
        for (const SqliteColumn& c : st.columns)
            if (c.source->name == accessName)
                return &c.name;
        for (const SqliteColumn& c : st.columns)
            if (foldAscii(c.source->name) == foldAscii(accessName))
                return &c.name;
        return nullptr;
    };

    for (SqliteTable& st : plan.tables) {
        const TableSchema& t = *st.source;
        const IndexSchema* pk = nullptr;
        for (const IndexSchema& ix : t.indexes)
            if (isPrimary(ix)) {
                pk = &ix;
                break;
            }
        // A single AutoNumber Long key is the row id.
        const ColumnSchema* rowidKey = nullptr;
        if (pk && pk->columns.size() == 1 && pk->columns[0].ascending) {
            for (const SqliteColumn& c : st.columns)
                if (c.source->name == pk->columns[0].name && c.source->type == 0x04 && c.source->autoNumber
                    && !c.source->calculated)
                    rowidKey = c.source;
        }
        std::set<std::string> keyColumns;
        if (pk)
            for (const auto& k : pk->columns)
                keyColumns.insert(k.name);

        std::string sql = "CREATE TABLE " + quoteIdentifier(st.name) + " (";
        std::string insert = "INSERT INTO " + quoteIdentifier(st.name) + " VALUES (";
        for (size_t i = 0; i < st.columns.size(); ++i) {
            const SqliteColumn& c = st.columns[i];
            const ColumnSchema& cs = *c.source;
            sql += i ? ",\n  " : "\n  ";
            sql += quoteIdentifier(c.name);
            const std::string type = declaredType(cs);
            if (!type.empty())
                sql += " " + type;
            if (&cs == rowidKey)
                sql += " PRIMARY KEY";
            else if (cs.required || keyColumns.count(cs.name))
                sql += " NOT NULL";
            insert += i ? ", ?" : "?";
            plan.meta.push_back({"column", st.name, c.name, "access_type", accessTypeText(cs)});
            if (!cs.description.empty())
                plan.meta.push_back({"column", st.name, c.name, "description", cs.description});
            if (cs.calculated && !cs.expression.empty())
                plan.meta.push_back({"column", st.name, c.name, "expression", cs.expression});
        }
        if (pk && !rowidKey) {
            std::string cols;
            bool ok = true;
            for (const auto& k : pk->columns) {
                const std::string* n = columnName(st, k.name);
                if (!n) {
                    ok = false;
                    break;
                }
                cols += (cols.empty() ? "" : ", ") + quoteIdentifier(*n) + (k.ascending ? "" : " DESC");
            }
            if (ok)
                sql += ",\n  PRIMARY KEY (" + cols + ")";
        }
        if (!t.description.empty())
            plan.meta.push_back({"table", st.name, "", "description", t.description});

        // Foreign keys: relationships whose referring side is this table.
        for (const jet::Relationship& r : schema.relationships) {
            if (schema.findTable(r.table) != &t)
                continue;
            SqliteTable* parent = findTable(r.referencedTable);
            std::string why;
            std::vector<std::string> childCols, parentCols, parentAccess;
            if (!parent)
                why = "the table it refers to is not in the file";
            else if (!r.complete || r.columns.empty())
                why = "its definition could not be read whole";
            for (const jet::ColumnPair& p : r.columns) {
                if (!why.empty())
                    break;
                const std::string* c = columnName(st, p.column);
                const std::string* pc = columnName(*parent, p.referencedColumn);
                if (!c || !pc) {
                    why = "a column it names is not in its table";
                    break;
                }
                childCols.push_back(quoteIdentifier(*c));
                parentCols.push_back(quoteIdentifier(*pc));
                parentAccess.push_back(p.referencedColumn);
            }
            // SQLite needs the referenced columns to be a key of the referenced table.
            if (why.empty()) {
                bool keyed = false;
                for (const IndexSchema& ix : parent->source->indexes)
                    if ((ix.primary || ix.unique) && sameColumns(indexColumnNames(ix), parentAccess))
                        keyed = true;
                if (!keyed)
                    why = "the columns it refers to are not a unique key of '" + r.referencedTable + "'";
            }
            if (!why.empty()) {
                plan.notes.push_back("relationship '" + r.name + "' (" + r.table + " -> " + r.referencedTable
                                     + ") is not declared as a foreign key: " + why);
                plan.meta.push_back({"relationship", st.name, r.name, "not_declared", why});
                continue;
            }
            std::string fk = ",\n  CONSTRAINT " + quoteIdentifier(r.name) + " FOREIGN KEY (";
            for (size_t i = 0; i < childCols.size(); ++i)
                fk += (i ? ", " : "") + childCols[i];
            fk += ") REFERENCES " + quoteIdentifier(parent->name) + " (";
            for (size_t i = 0; i < parentCols.size(); ++i)
                fk += (i ? ", " : "") + parentCols[i];
            fk += ")";
            if (r.enforced() && r.cascadeUpdates())
                fk += " ON UPDATE CASCADE";
            if (r.enforced() && r.cascadeDeletes())
                fk += " ON DELETE CASCADE";
            else if (r.enforced() && r.cascadeNulls())
                fk += " ON DELETE SET NULL";
            sql += fk;
            if (!r.enforced())
                plan.meta.push_back({"relationship", st.name, r.name, "enforced", "0"});
        }
        sql += "\n)";
        st.createSql = sql;
        st.insertSql = insert + ")";

        // Indexes but the primary key. One that repeats the columns of an index already made
        // (a foreign-key index over a key) is left out unless it adds uniqueness.
        struct Made {
            std::vector<std::pair<std::string, bool>> shape;
            bool unique;
        };
        std::vector<Made> made;
        auto shape = [](const IndexSchema& ix) {
            std::vector<std::pair<std::string, bool>> s;
            for (const auto& k : ix.columns)
                s.emplace_back(foldAscii(k.name), k.ascending);
            return s;
        };
        if (pk)
            made.push_back({shape(*pk), true});
        for (const IndexSchema& ix : t.indexes) {
            if (&ix == pk || ix.columns.empty())
                continue;
            auto s = shape(ix);
            const bool covered = std::any_of(made.begin(), made.end(), [&](const Made& m) {
                return m.shape == s && (m.unique || !ix.unique);
            });
            if (covered)
                continue;
            std::string cols;
            bool ok = true;
            for (const auto& k : ix.columns) {
                const std::string* n = columnName(st, k.name);
                // A complex column's index keys its hidden table; the file holds item counts.
                const bool complex = std::any_of(st.columns.begin(), st.columns.end(), [&](const SqliteColumn& c) {
                    return n && &c.name == n && c.source->type == 0x12;
                });
                if (!n || complex) {
                    ok = false;
                    break;
                }
                cols += (cols.empty() ? "" : ", ") + quoteIdentifier(*n) + (k.ascending ? "" : " DESC");
            }
            if (!ok)
                continue;
            made.push_back({std::move(s), ix.unique});
            SqliteIndex si;
            si.accessName = ix.name;
            si.unique = ix.unique;
            si.name = names.claim(st.name + "_" + ix.name);
            si.sql = std::string("CREATE ") + (ix.unique ? "UNIQUE " : "") + "INDEX " + quoteIdentifier(si.name) + " ON "
                     + quoteIdentifier(st.name) + " (" + cols + ")";
            plan.meta.push_back({"index", st.name, si.name, "access_name", ix.name});
            if (ix.ignoreNulls)
                plan.meta.push_back({"index", st.name, si.name, "ignore_nulls", "1"});
            st.indexes.push_back(std::move(si));
        }
    }

    for (const QuerySchema& q : schema.queries) {
        plan.meta.push_back({"query", "", q.name, "type", q.type});
        if (!q.sql.empty())
            plan.meta.push_back({"query", "", q.name, "sql", q.sql});
    }
    return plan;
}

} // namespace cli
