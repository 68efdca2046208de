#include "sql/saved_queries.h"

#include "jet/cursor.h"
#include "jet/database.h"
#include "jet/table.h"

#include <QHash>
#include <QStringList>

#include <map>

namespace sql {

namespace {

enum Attribute {
    kType = 0, kParameter = 2, kFlags = 3, kRemoteDb = 4, kTable = 5, kColumn = 6, kJoin = 7,
    kWhere = 8, kGroupBy = 9, kHaving = 10, kOrderBy = 11,
};

enum FlagBits { kSelectStar = 1, kDistinct = 2, kDistinctRow = 8, kTop = 16, kPercent = 32 };

QString bracket(const QString& name)
{
    if (name.startsWith(u'[')) return name;
    return u'[' + name + u']';
}

} // namespace

QString buildSelect(const std::vector<QueryPart>& parts)
{
    int flags = 0;
    QString top;
    QStringList columns, where, groupBy, having, orderBy;
    struct Item { QString sql; QStringList names; };
    std::vector<Item> items;
    std::vector<const QueryPart*> joins;
    for (const QueryPart& p : parts) {
        switch (p.attribute) {
        case kParameter:
        case kRemoteDb:
            return QString();
        case kFlags:
            flags = p.flag;
            top = p.name1;
            break;
        case kTable: {
            if (!p.expression.isEmpty()) return QString();   // a table of another database
            Item it;
            it.sql = bracket(p.name1);
            it.names << p.name1.toLower();
            if (!p.name2.isEmpty()) {
                it.sql += QStringLiteral(" AS ") + bracket(p.name2);
                it.names << p.name2.toLower();
            }
            items.push_back(it);
            break;
        }
        case kColumn:
            columns << (p.name1.isEmpty() ? p.expression : p.expression + QStringLiteral(" AS ") + bracket(p.name1));
            break;
        case kJoin:
            joins.push_back(&p);
            break;
        case kWhere: where << p.expression; break;
        case kGroupBy: groupBy << p.expression; break;
        case kHaving: having << p.expression; break;
        case kOrderBy:
            orderBy << (p.name1.compare(QLatin1String("D"), Qt::CaseInsensitive) == 0
                            ? p.expression + QStringLiteral(" DESC") : p.expression);
            break;
        default:
            break;
        }
    }
    if (items.empty()) return QString();
    for (const QueryPart* j : joins) {
        auto find = [&](const QString& name) {
            for (std::size_t i = 0; i < items.size(); ++i)
                if (items[i].names.contains(name.toLower())) return int(i);
            return -1;
        };
        const int l = find(j->name1), r = find(j->name2);
        if (l < 0 || r < 0 || l == r) return QString();
        const char* kind = j->flag == 2 ? "LEFT JOIN" : j->flag == 3 ? "RIGHT JOIN" : "INNER JOIN";
        Item merged;
        merged.sql = QStringLiteral("(%1 %2 %3 ON %4)").arg(items[std::size_t(l)].sql, QLatin1String(kind),
                                                             items[std::size_t(r)].sql, j->expression);
        merged.names = items[std::size_t(l)].names + items[std::size_t(r)].names;
        items.erase(items.begin() + std::max(l, r));
        items.erase(items.begin() + std::min(l, r));
        items.push_back(merged);
    }
    QString sqlText = QStringLiteral("SELECT ");
    if (flags & kDistinct) sqlText += QStringLiteral("DISTINCT ");
    if (flags & kDistinctRow) sqlText += QStringLiteral("DISTINCTROW ");
    if ((flags & kTop) && !top.isEmpty()) {
        sqlText += QStringLiteral("TOP ") + top + u' ';
        if (flags & kPercent) sqlText += QStringLiteral("PERCENT ");
    }
    if (flags & kSelectStar) columns.prepend(QStringLiteral("*"));
    if (columns.isEmpty()) return QString();
    sqlText += columns.join(QStringLiteral(", "));
    QStringList from;
    for (const Item& it : items) from << it.sql;
    sqlText += QStringLiteral(" FROM ") + from.join(QStringLiteral(", "));
    if (!where.isEmpty()) sqlText += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    if (!groupBy.isEmpty()) sqlText += QStringLiteral(" GROUP BY ") + groupBy.join(QStringLiteral(", "));
    if (!having.isEmpty()) sqlText += QStringLiteral(" HAVING ") + having.join(QStringLiteral(" AND "));
    if (!orderBy.isEmpty()) sqlText += QStringLiteral(" ORDER BY ") + orderBy.join(QStringLiteral(", "));
    return sqlText;
}

std::vector<SavedQuery> readSavedQueries(jet::Database& db)
{
    std::vector<SavedQuery> out;
    // Select queries: catalog type 5 with no action bits in the flags.
    QHash<int, QString> names;
    for (const jet::CatalogEntry& e : db.objects())
        if (e.type == jet::object_type::Query && (e.flags & 0xF0) == 0)
            names.insert(e.id, QString::fromStdString(e.name));
    if (names.isEmpty()) return out;
    auto table = db.table("MSysQueries");
    if (!table) return out;
    const auto& t = *table.value();
    auto col = [&](const char* n) {
        const jet::Column* c = t.findColumn(n);
        return c ? int(c->displayIndex) : -1;
    };
    const int cId = col("ObjectId"), cAttr = col("Attribute"), cExpr = col("Expression"), cFlag = col("Flag"),
              cName1 = col("Name1"), cName2 = col("Name2");
    if (cId < 0 || cAttr < 0 || cExpr < 0 || cFlag < 0 || cName1 < 0 || cName2 < 0) return out;
    jet::Cursor cur(table.value(), {std::size_t(cId), std::size_t(cAttr), std::size_t(cExpr), std::size_t(cFlag),
                                    std::size_t(cName1), std::size_t(cName2)});
    std::map<int, std::vector<QueryPart>> parts;
    auto text = [&](std::size_t i) {
        const jet::Value v = cur.value(i);
        return v.kind() == jet::ValueKind::Text ? QString::fromUtf8(v.asText().data(), qsizetype(v.asText().size()))
                                                : QString();
    };
    auto integer = [&](std::size_t i) {
        const jet::Value v = cur.value(i);
        switch (v.kind()) {
        case jet::ValueKind::Byte: case jet::ValueKind::Int16: case jet::ValueKind::Int32:
        case jet::ValueKind::Int64: case jet::ValueKind::Boolean:
            return int(v.asInt());
        default:
            return 0;
        }
    };
    while (cur.next()) {
        const int id = integer(0);
        if (!names.contains(id)) continue;
        QueryPart p;
        p.attribute = integer(1);
        p.expression = text(2);
        p.flag = integer(3);
        p.name1 = text(4);
        p.name2 = text(5);
        parts[id].push_back(std::move(p));
    }
    for (const auto& [id, list] : parts) {
        const QString sqlText = buildSelect(list);
        if (!sqlText.isEmpty()) out.push_back({names.value(id), sqlText});
    }
    return out;
}

} // namespace sql
