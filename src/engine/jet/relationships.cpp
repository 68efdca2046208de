#include "jet/relationships.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "jet/cursor.h"
#include "jet/database.h"
#include "jet/table.h"
#include "jet/text.h"

namespace jet {

namespace {

// Highest column position a relationship can have (Access allows 32 key columns).
constexpr int64_t kMaxKeyColumns = 32;

std::string textOf(const Value& v) {
    return v.kind() == ValueKind::Text ? std::string(v.asText()) : std::string();
}

std::optional<int64_t> integerOf(const Value& v) {
    switch (v.kind()) {
    case ValueKind::Byte:
    case ValueKind::Int16:
    case ValueKind::Int32:
    case ValueKind::Int64: return v.asInt();
    default: return std::nullopt;
    }
}

struct Pending {
    Relationship rel;
    std::map<int64_t, ColumnPair> byPosition;
    int64_t stated = -1;  // ccolumn of the rows, -1 when they disagree or none was readable
    bool clash = false;   // two rows claim one position
};

}  // namespace

Result<RelationshipList> readRelationships(Database& db) {
    RelationshipList out;
    if (!db.findTable("MSysRelationships")) return out;
    auto t = db.table("MSysRelationships");
    if (!t) return t.error();
    const Table& table = **t;
    const char* names[] = {"szRelationship", "grbit", "ccolumn", "icolumn", "szObject",
                           "szColumn", "szReferencedObject", "szReferencedColumn"};
    std::vector<size_t> cols;
    for (const char* n : names) {
        const Column* c = table.findColumn(n);
        if (!c) return makeError(std::string("MSysRelationships has no column ") + n, int64_t(table.tdefPage()));
        cols.push_back(c->displayIndex);
    }
    Cursor cur(*t, cols);
    std::vector<Pending> pending;
    // name + tables, folded: one relationship
    std::map<std::tuple<std::string, std::string, std::string>, size_t> index;
    while (cur.next()) {
        const std::string name = textOf(cur.value(0));
        const std::string from = textOf(cur.value(4));
        const std::string to = textOf(cur.value(6));
        const auto grbit = integerOf(cur.value(1));
        const auto count = integerOf(cur.value(2));
        const auto position = integerOf(cur.value(3));
        ColumnPair pair{textOf(cur.value(5)), textOf(cur.value(7))};
        if (from.empty() || to.empty()) continue;  // not a relationship row
        auto key = std::make_tuple(detail::foldCase(name), detail::foldCase(from), detail::foldCase(to));
        auto [it, added] = index.emplace(key, pending.size());
        if (added) {
            Pending p;
            p.rel.name = name;
            p.rel.table = from;
            p.rel.referencedTable = to;
            p.rel.flags = grbit ? uint32_t(*grbit) : 0;
            p.stated = count ? *count : -1;
            pending.push_back(std::move(p));
        }
        Pending& p = pending[it->second];
        if (!count || *count != p.stated) p.stated = -1;
        if (!position || *position < 0 || *position >= kMaxKeyColumns || pair.column.empty() ||
            pair.referencedColumn.empty()) {
            p.clash = true;
            continue;
        }
        if (!p.byPosition.emplace(*position, std::move(pair)).second) p.clash = true;
    }
    if (cur.error()) return *cur.error();
    for (Pending& p : pending) {
        for (auto& [pos, pair] : p.byPosition) p.rel.columns.push_back(std::move(pair));
        // Positions 0..n-1, n as every row states it.
        const bool dense = !p.byPosition.empty() && p.byPosition.rbegin()->first + 1 == int64_t(p.byPosition.size());
        p.rel.complete = !p.clash && dense && p.stated == int64_t(p.rel.columns.size());
        out.relationships.push_back(std::move(p.rel));
    }
    out.unreadableRows = cur.unreadableRows();
    out.firstLoss = cur.firstLoss();
    return out;
}

}  // namespace jet
