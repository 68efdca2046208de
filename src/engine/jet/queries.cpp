#include "jet/queries.h"

#include <algorithm>
#include <map>

#include "jet/cursor.h"
#include "jet/database.h"
#include "jet/table.h"

namespace jet {

namespace {

enum Attribute {
    kStart = 0, kTypeRow = 1, kParameter = 2, kFlags = 3, kRemoteDb = 4, kTable = 5, kColumn = 6, kJoin = 7,
    kWhere = 8, kGroupBy = 9, kHaving = 10, kOrderBy = 11,
};
enum SelectFlags { kSelectStar = 0x01, kDistinct = 0x02, kOwnerAccess = 0x04, kDistinctRow = 0x08, kTop = 0x10, kPercent = 0x20 };
constexpr int kAppendValue = 0x8000;
constexpr int kCrosstabPivot = 0x01, kCrosstabNormal = 0x02;
constexpr int kUnionDistinct = 0x02;
constexpr std::string_view kUnionPart1 = "X7YZ_____1", kUnionPart2 = "X7YZ_____2";
// More rows than any query Access can save: a damaged catalog does not grow a statement for ever.
constexpr size_t kMaxRowsPerQuery = 100000;

std::string bracket(std::string_view name) {
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') return std::string(name);
    return "[" + std::string(name) + "]";
}

std::string join(const std::vector<std::string>& parts, std::string_view sep) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += sep;
        out += parts[i];
    }
    return out;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

const char* parameterType(int flag) {
    switch (flag) {
    case 0: return "Value";
    case 1: return "Bit";
    case 2: return "Byte";
    case 3: return "Short";
    case 4: return "Long";
    case 5: return "Currency";
    case 6: return "IEEESingle";
    case 7: return "IEEEDouble";
    case 8: return "DateTime";
    case 9: return "Binary";
    case 10: return "Text";
    case 11: return "LongBinary";
    case 15: return "Guid";
    default: return nullptr;
    }
}

class Builder {
public:
    explicit Builder(const std::vector<QueryRow>& rows) : rows_(rows) {}

    std::vector<const QueryRow*> rows(int attribute) const {
        std::vector<const QueryRow*> out;
        for (const QueryRow& r : rows_)
            if (r.attribute == attribute) out.push_back(&r);
        return out;
    }
    const QueryRow* row(int attribute) const {
        for (const QueryRow& r : rows_)
            if (r.attribute == attribute) return &r;
        return nullptr;
    }
    // The row that names an action query's target: attribute 1, where the writer keeps it apart.
    const QueryRow* typeRow() const {
        const QueryRow* r = row(kTypeRow);
        return r ? r : row(kStart);
    }
    int selectFlags() const {
        const QueryRow* f = row(kFlags);
        return f ? f->flag : 0;
    }

    bool parameters(std::string& out) const {
        std::vector<std::string> list;
        for (const QueryRow* p : rows(kParameter)) {
            const char* type = parameterType(p->flag);
            if (!type) return false;
            std::string s = p->name1 + " " + type;
            if (p->flag == 10 && p->extra > 0) s += "(" + std::to_string(p->extra) + ")";
            list.push_back(std::move(s));
        }
        if (!list.empty()) out += "PARAMETERS " + join(list, ", ") + ";\n";
        return true;
    }

    static std::string remoteDb(const std::string& path, const std::string& type) {
        if (path.empty() && type.empty()) return {};
        std::string s = " IN '" + path + "'";
        if (!type.empty()) s += " [" + type + "]";
        return s;
    }

    // FROM list with the joins merged in; false when a join names a table the query lacks.
    bool from(std::string& out) const {
        // Tables are leaves, joins inner nodes; `roots` are the FROM list's items.
        struct Node {
            std::string sql;                 // leaves: the table and its alias
            std::vector<std::string> names;  // folded names and aliases below this node
            int left = -1, right = -1;
            const char* kind = nullptr;
            std::vector<std::string> conditions;
        };
        std::vector<Node> nodes;
        std::vector<int> roots;
        for (const QueryRow* t : rows(kTable)) {
            if (t->name2 == kUnionPart1 || t->name2 == kUnionPart2) continue;
            Node n;
            if (!t->expression.empty()) n.sql = bracket(t->expression) + ".";
            n.sql += bracket(t->name1);
            n.names.push_back(lower(t->name1));
            if (!t->name2.empty()) {
                n.sql += " AS " + bracket(t->name2);
                n.names.push_back(lower(t->name2));
            }
            roots.push_back(int(nodes.size()));
            nodes.push_back(std::move(n));
        }
        auto holds = [&](int node, const std::string& name) {
            for (const std::string& k : nodes[size_t(node)].names)
                if (k == name) return true;
            return false;
        };
        for (const QueryRow* j : rows(kJoin)) {
            const std::string a = lower(j->name1), b = lower(j->name2);
            int l = -1, r = -1;
            for (size_t i = 0; i < roots.size(); ++i) {
                if (l < 0 && holds(roots[i], a)) l = int(i);
                if (r < 0 && holds(roots[i], b)) r = int(i);
            }
            if (l < 0 || r < 0) return false;
            if (l == r) {
                // Both already joined: one more condition of the innermost join that holds both.
                int node = roots[size_t(l)];
                for (bool deeper = true; deeper;) {
                    deeper = false;
                    for (int child : {nodes[size_t(node)].left, nodes[size_t(node)].right})
                        if (child >= 0 && holds(child, a) && holds(child, b)) {
                            node = child;
                            deeper = true;
                            break;
                        }
                }
                if (!nodes[size_t(node)].kind) return false;  // one table joined to itself
                nodes[size_t(node)].conditions.push_back(j->expression);
                continue;
            }
            Node n;
            n.left = roots[size_t(l)];
            n.right = roots[size_t(r)];
            n.kind = j->flag == 2 ? " LEFT JOIN " : j->flag == 3 ? " RIGHT JOIN " : " INNER JOIN ";
            n.conditions.push_back(j->expression);
            n.names = nodes[size_t(n.left)].names;
            n.names.insert(n.names.end(), nodes[size_t(n.right)].names.begin(), nodes[size_t(n.right)].names.end());
            roots.erase(roots.begin() + std::max(l, r));
            roots.erase(roots.begin() + std::min(l, r));
            roots.push_back(int(nodes.size()));
            nodes.push_back(std::move(n));
        }
        // Children are made before their parents: render in order.
        std::vector<std::string> sql(nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i) {
            const Node& n = nodes[i];
            sql[i] = n.kind ? "(" + sql[size_t(n.left)] + n.kind + sql[size_t(n.right)] + " ON " + join(n.conditions, " AND ") + ")"
                            : n.sql;
        }
        std::vector<std::string> list;
        for (int r : roots) list.push_back(sql[size_t(r)]);
        out = join(list, ", ");
        return true;
    }

    std::string remoteSource() const {
        const QueryRow* r = row(kRemoteDb);
        return r ? remoteDb(r->name1, r->expression) : std::string();
    }

    std::string clauses(bool withOrder, int groupFilter = 0) const {
        std::string out;
        if (const QueryRow* w = row(kWhere); w && !w->expression.empty()) out += "\nWHERE " + w->expression;
        std::vector<std::string> group;
        for (const QueryRow* g : rows(kGroupBy))
            if (groupFilter == 0 || (g->flag & groupFilter)) group.push_back(g->expression);
        if (!group.empty()) out += "\nGROUP BY " + join(group, ", ");
        if (const QueryRow* h = row(kHaving); h && !h->expression.empty()) out += "\nHAVING " + h->expression;
        if (withOrder) {
            std::vector<std::string> order;
            for (const QueryRow* o : rows(kOrderBy))
                order.push_back(o->expression + (lower(o->name1) == "d" ? " DESC" : ""));
            if (!order.empty()) out += "\nORDER BY " + join(order, ", ");
        }
        return out;
    }

    std::string selectHead() const {
        const int f = selectFlags();
        std::string out = "SELECT ";
        if (f & kDistinct) out += "DISTINCT ";
        else if (f & kDistinctRow) out += "DISTINCTROW ";
        const QueryRow* fr = row(kFlags);
        if ((f & kTop) && fr && !fr->name1.empty()) {
            out += "TOP " + fr->name1 + " ";
            if (f & kPercent) out += "PERCENT ";
        }
        return out;
    }

    static std::string column(const QueryRow& c) {
        return c.name1.empty() ? c.expression : c.expression + " AS " + bracket(c.name1);
    }

    // SELECT ... [INTO ...] FROM ... WHERE ... of the select-like types.
    bool select(std::string& out, const std::vector<const QueryRow*>& columns, const std::string& into,
                int groupFilter = 0) const {
        std::vector<std::string> list;
        if (selectFlags() & kSelectStar) list.push_back("*");
        for (const QueryRow* c : columns) list.push_back(column(*c));
        if (list.empty()) return false;
        std::string fromList;
        if (!from(fromList)) return false;
        out += selectHead() + join(list, ", ") + into;
        if (!fromList.empty()) out += "\nFROM " + fromList + remoteSource();
        out += clauses(true, groupFilter);
        return true;
    }

    std::string ownerAccess() const { return (selectFlags() & kOwnerAccess) ? "\nWITH OWNERACCESS OPTION" : ""; }

private:
    const std::vector<QueryRow>& rows_;
};

std::vector<const QueryRow*> filterFlag(const std::vector<const QueryRow*>& in, int mask, bool set) {
    std::vector<const QueryRow*> out;
    for (const QueryRow* r : in)
        if (((r->flag & mask) != 0) == set) out.push_back(r);
    return out;
}

std::string textOf(const Value& v) { return v.kind() == ValueKind::Text ? std::string(v.asText()) : std::string(); }

int intOf(const Value& v) {
    switch (v.kind()) {
    case ValueKind::Boolean:
    case ValueKind::Byte:
    case ValueKind::Int16:
    case ValueKind::Int32:
    case ValueKind::Int64: return int(v.asInt());
    default: return 0;
    }
}

}  // namespace

std::string_view queryTypeName(QueryType t) {
    switch (t) {
    case QueryType::Select: return "select";
    case QueryType::MakeTable: return "make-table";
    case QueryType::Append: return "append";
    case QueryType::Update: return "update";
    case QueryType::Delete: return "delete";
    case QueryType::Crosstab: return "crosstab";
    case QueryType::DataDefinition: return "data-definition";
    case QueryType::PassThrough: return "pass-through";
    case QueryType::Union: return "union";
    case QueryType::Unknown: break;
    }
    return "unknown";
}

QueryType queryTypeOfFlags(uint32_t flags) {
    switch (flags & 0xF0u) {
    case 0: return QueryType::Select;
    case 16: return QueryType::Crosstab;
    case 32: return QueryType::Delete;
    case 48: return QueryType::Update;
    case 64: return QueryType::Append;
    case 80: return QueryType::MakeTable;
    case 96: return QueryType::DataDefinition;
    case 112: return QueryType::PassThrough;
    case 128: return QueryType::Union;
    default: return QueryType::Unknown;
    }
}

std::string buildQuerySql(QueryType type, const std::vector<QueryRow>& rows) {
    Builder b(rows);
    std::string out;
    if (type != QueryType::DataDefinition && type != QueryType::PassThrough && !b.parameters(out)) return {};
    const QueryRow* typeRow = b.typeRow();
    const std::string target = typeRow ? typeRow->name1 : std::string();
    const std::string targetDb = typeRow ? Builder::remoteDb(typeRow->name2, typeRow->expression) : std::string();
    const auto columns = b.rows(kColumn);
    switch (type) {
    case QueryType::Select:
        if (!b.select(out, columns, {})) return {};
        break;
    case QueryType::MakeTable:
        if (target.empty() || !b.select(out, columns, "\nINTO " + bracket(target) + targetDb)) return {};
        break;
    case QueryType::Append: {
        if (target.empty()) return {};
        out += "INSERT INTO " + bracket(target) + targetDb + "\n";
        const auto values = filterFlag(columns, kAppendValue, true);
        if (!values.empty()) {
            std::vector<std::string> list;
            for (const QueryRow* v : values) list.push_back(v->expression);
            out += "VALUES (" + join(list, ", ") + ")";
        } else {
            auto selected = filterFlag(columns, kAppendValue, false);
            std::vector<QueryRow> named;  // "expression AS [target column]"
            for (const QueryRow* c : selected) {
                QueryRow r = *c;
                if (r.name1.empty()) r.name1 = r.name2;
                named.push_back(std::move(r));
            }
            std::vector<const QueryRow*> ptrs;
            for (const QueryRow& r : named) ptrs.push_back(&r);
            if (!b.select(out, ptrs, {})) return {};
        }
        break;
    }
    case QueryType::Update: {
        std::string fromList;
        if (!b.from(fromList) || fromList.empty() || columns.empty()) return {};
        std::vector<std::string> sets;
        for (const QueryRow* c : columns) {
            if (c->name2.empty()) return {};
            sets.push_back(c->name2 + " = " + c->expression);
        }
        out += "UPDATE " + fromList + b.remoteSource() + "\nSET " + join(sets, ", ") + b.clauses(false);
        break;
    }
    case QueryType::Delete: {
        std::string fromList;
        if (!b.from(fromList) || fromList.empty()) return {};
        std::vector<std::string> list;
        if (b.selectFlags() & kSelectStar) list.push_back("*");
        for (const QueryRow* c : columns) list.push_back(Builder::column(*c));
        out += "DELETE " + join(list, ", ") + (list.empty() ? "" : " ") + "FROM " + fromList + b.remoteSource() +
               b.clauses(false);
        break;
    }
    case QueryType::Crosstab: {
        const auto transform = filterFlag(columns, kCrosstabPivot | kCrosstabNormal, false);
        const auto pivot = filterFlag(columns, kCrosstabPivot, true);
        if (transform.size() != 1 || pivot.size() != 1) return {};
        out += "TRANSFORM " + Builder::column(*transform[0]) + "\n";
        if (!b.select(out, filterFlag(columns, kCrosstabNormal, true), {}, kCrosstabNormal)) return {};
        out += "\nPIVOT " + pivot[0]->expression;
        break;
    }
    case QueryType::Union: {
        std::string part1, part2;
        for (const QueryRow* t : b.rows(kTable)) {
            if (t->name2 == kUnionPart1) part1 = t->expression;
            if (t->name2 == kUnionPart2) part2 = t->expression;
        }
        if (part1.empty() || part2.empty()) return {};
        out += part1 + "\nUNION " + ((b.selectFlags() & kUnionDistinct) ? "" : "ALL ") + part2;
        std::vector<std::string> order;
        for (const QueryRow* o : b.rows(kOrderBy)) order.push_back(o->expression + (lower(o->name1) == "d" ? " DESC" : ""));
        if (!order.empty()) out += "\nORDER BY " + join(order, ", ");
        return out;
    }
    case QueryType::DataDefinition:
    case QueryType::PassThrough:
        if (!typeRow || typeRow->expression.empty()) return {};
        return typeRow->expression;
    case QueryType::Unknown:
        return {};
    }
    return out + b.ownerAccess();
}

Result<SavedQueryList> readSavedQueries(Database& db) {
    SavedQueryList out;
    std::map<int32_t, size_t> byId;
    for (const CatalogEntry& e : db.objects()) {
        if (e.type != object_type::Query) continue;
        SavedQuery q;
        q.name = e.name;
        q.id = e.id;
        q.flags = e.flags;
        q.type = queryTypeOfFlags(e.flags);
        byId.emplace(e.id, out.queries.size());
        out.queries.push_back(std::move(q));
    }
    if (out.queries.empty() || !db.findTable("MSysQueries")) return out;
    auto t = db.table("MSysQueries");
    if (!t) return t.error();
    const Table& table = **t;
    const char* names[] = {"ObjectId", "Attribute", "Expression", "Flag", "Name1", "Name2", "LvExtra"};
    std::vector<size_t> cols;
    for (const char* n : names) {
        const Column* c = table.findColumn(n);
        if (!c && std::string_view(n) == "LvExtra") continue;  // the text size of parameters only
        if (!c) return makeError(std::string("MSysQueries has no column ") + n, int64_t(table.tdefPage()));
        cols.push_back(c->displayIndex);
    }
    Cursor cur(*t, cols);
    std::map<int32_t, std::vector<QueryRow>> rows;
    while (cur.next()) {
        auto it = byId.find(int32_t(intOf(cur.value(0))));
        if (it == byId.end()) continue;
        auto& list = rows[it->first];
        if (list.size() >= kMaxRowsPerQuery) continue;
        QueryRow r;
        r.attribute = intOf(cur.value(1));
        r.expression = textOf(cur.value(2));
        r.flag = intOf(cur.value(3)) & 0xFFFF;
        r.name1 = textOf(cur.value(4));
        r.name2 = textOf(cur.value(5));
        if (cols.size() > 6) r.extra = intOf(cur.value(6));
        list.push_back(std::move(r));
    }
    if (cur.error()) return *cur.error();
    for (auto& [id, list] : rows) {
        SavedQuery& q = out.queries[byId[id]];
        q.sql = buildQuerySql(q.type, list);
    }
    out.unreadableRows = cur.unreadableRows();
    out.firstLoss = cur.firstLoss();
    return out;
}

}  // namespace jet
