#include "sql/virtual_table.h"

#include "automation/error.h"
#include "sql/collation.h"
#include "sql/limits.h"
#include "sql/translator.h"

#include <QSet>
#include <QStringList>

#include <cmath>
#include <cstring>
#include <exception>

namespace sql {

void StatementLoss::record(const void* table, std::uint64_t rows, const QString& first)
{
    if (rows == 0) return;
    std::uint64_t& kept = m_rows[table];
    kept = std::max(kept, rows);
    if (m_first.isEmpty()) m_first = first;
}

std::uint64_t StatementLoss::rows() const
{
    std::uint64_t total = 0;
    for (const auto& [table, rows] : m_rows) total += rows;
    return total;
}

QString undeclarableReason(const RowSource& source)
{
    const auto& cols = source.columns();
    if (cols.empty()) return QStringLiteral("it has no columns");
    if (cols.size() > 2000) return QStringLiteral("it has %1 columns, more than SQL can take").arg(cols.size());
    // SQLite compares column names without regard to ASCII case only.
    QSet<QString> seen;
    for (std::size_t i = 0; i < cols.size(); ++i) {
        const QString& name = cols[i].name;
        if (name.contains(QChar(u'\0')))
            return QStringLiteral("the name of its column %1 holds a NUL character (a damaged table definition)").arg(i + 1);
        QString key = name;
        for (QChar& c : key)
            if (c.unicode() >= u'A' && c.unicode() <= u'Z') c = QChar(char16_t(c.unicode() + 32));
        if (seen.contains(key))
            return QStringLiteral("two of its columns are named '%1'").arg(name);
        seen.insert(key);
    }
    return QString();
}

ColumnIndex& TableRegistry::Table::index(int column)
{
    auto it = indexes.find(column);
    if (it == indexes.end()) it = indexes.emplace(column, ColumnIndex::build(*source, column)).first;
    return *it->second;
}

int TableRegistry::add(std::shared_ptr<RowSource> source)
{
    auto t = std::make_unique<Table>();
    t->source = std::move(source);
    m_tables.push_back(std::move(t));
    return int(m_tables.size()) - 1;
}

TableRegistry::Table* TableRegistry::find(int id)
{
    if (id < 0 || std::size_t(id) >= m_tables.size()) return nullptr;
    return m_tables[std::size_t(id)].get();
}

namespace {

// idxNum layout: bits 0-15 column + 1 (0: full scan), then the constraint kinds used.
constexpr int kEq = 1 << 16;
constexpr int kLower = 1 << 17;
constexpr int kLowerInclusive = 1 << 18;
constexpr int kUpper = 1 << 19;
constexpr int kUpperInclusive = 1 << 20;

struct VTab {
    sqlite3_vtab base;
    TableRegistry* registry;
    TableRegistry::Table* table;
};

struct Cursor {
    sqlite3_vtab_cursor base;
    VTab* vtab = nullptr;
    std::unique_ptr<RowCursor> rows;
    std::vector<int> columns;          // the columns the open row cursor reads
    bool eof = true;
    // Index lookups
    ColumnIndex* index = nullptr;
    std::size_t entry = 0, end = 0;
    // The statement this cursor reads for (cursors are opened while it steps).
    StatementLoss* loss = nullptr;
};

void setError(sqlite3_vtab* vt, const QString& message)
{
    sqlite3_free(vt->zErrMsg);
    vt->zErrMsg = sqlite3_mprintf("%s", message.toUtf8().constData());
}

// The failure of a callback, as an SQLite error with readable words. Call inside a catch.
int failCallback(sqlite3_vtab* vt)
{
    setError(vt, describeCurrentException());
    return SQLITE_ERROR;
}

struct OwnSql {
    explicit OwnSql(TableRegistry& r) : r(r) { ++r.ownSql; }
    ~OwnSql() { --r.ownSql; }
    TableRegistry& r;
};

int xConnect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** err)
{
    try {
        auto* registry = static_cast<TableRegistry*>(aux);
        TableRegistry::Table* table = argc >= 4 ? registry->find(std::atoi(argv[3])) : nullptr;
        if (!table) {
            *err = sqlite3_mprintf("The table is not known to SQL.");
            return SQLITE_ERROR;
        }
        const QString reason = undeclarableReason(*table->source);
        if (!reason.isEmpty()) {
            *err = sqlite3_mprintf("The table cannot be used in SQL: %s.", reason.toUtf8().constData());
            return SQLITE_ERROR;
        }
        QStringList cols;
        for (const SourceColumn& c : table->source->columns())
            cols << quoteIdentifier(c.name) + u' ' + declaredType(c);
        const QByteArray schema = (QStringLiteral("CREATE TABLE x(") + cols.join(QStringLiteral(", ")) + u')').toUtf8();
        // SQLite may ask again at any time (after its schema was reset): our own declaration,
        // whatever the authorizer says about statements.
        int rc;
        {
            OwnSql own(*registry);
            rc = sqlite3_declare_vtab(db, schema.constData());
        }
        if (rc != SQLITE_OK) {
            *err = sqlite3_mprintf("The table cannot be used in SQL: %s.", sqlite3_errmsg(db));
            return rc;
        }
        sqlite3_vtab_config(db, SQLITE_VTAB_INNOCUOUS);
        auto* vt = static_cast<VTab*>(sqlite3_malloc(sizeof(VTab)));
        if (!vt) return SQLITE_NOMEM;
        std::memset(vt, 0, sizeof(VTab));
        vt->registry = registry;
        vt->table = table;
        *out = &vt->base;
        return SQLITE_OK;
    } catch (...) {
        *err = sqlite3_mprintf("%s", describeCurrentException().toUtf8().constData());
        return SQLITE_ERROR;
    }
}

int xDisconnect(sqlite3_vtab* vt)
{
    sqlite3_free(vt);
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab* base, sqlite3_index_info* info)
{
    auto* vt = reinterpret_cast<VTab*>(base);
    const RowSource& src = *vt->table->source;
    const auto& cols = src.columns();
    const double n = double(std::max<std::int64_t>(1, src.estimatedRows()));

    struct Candidate { int eq = -1, lower = -1, upper = -1; };
    std::map<int, Candidate> byColumn;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable || c.iColumn < 0 || std::size_t(c.iColumn) >= cols.size()) continue;
        const std::uint8_t type = cols[std::size_t(c.iColumn)].jetType;
        if (!isIndexableType(type)) continue;
        const bool textKey = isTextKeyType(type);
        const char* coll = sqlite3_vtab_collation(info, i);
        const bool jetCollation = coll && std::strcmp(coll, "JET") == 0;
        Candidate& cand = byColumn[c.iColumn];
        switch (c.op) {
        case SQLITE_INDEX_CONSTRAINT_EQ:
            // Folded keys find a superset of what any collation calls equal; SQLite re-checks.
            cand.eq = i;
            break;
        case SQLITE_INDEX_CONSTRAINT_GT:
        case SQLITE_INDEX_CONSTRAINT_GE:
            if (!textKey || jetCollation) cand.lower = i;
            break;
        case SQLITE_INDEX_CONSTRAINT_LT:
        case SQLITE_INDEX_CONSTRAINT_LE:
            if (!textKey || jetCollation) cand.upper = i;
            break;
        default:
            break;
        }
    }

    int bestColumn = -1;
    double bestCost = n;
    double bestRows = n;
    int bestFlags = 0;
    bool bestUnique = false;
    for (const auto& [col, cand] : byColumn) {
        double rows;
        int flags = 0;
        bool unique = false;
        if (cand.eq >= 0) {
            unique = src.uniqueColumn(col);
            const auto it = vt->table->indexes.find(col);
            if (unique) rows = 1;
            else if (it != vt->table->indexes.end() && it->second->distinctKeys() > 0)
                rows = std::max(1.0, double(it->second->size()) / double(it->second->distinctKeys()));
            else rows = std::max(1.0, n / 10);
            flags = kEq;
        } else if (cand.lower >= 0 || cand.upper >= 0) {
            rows = std::max(1.0, (cand.lower >= 0 && cand.upper >= 0) ? n / 16 : n / 4);
            if (cand.lower >= 0) {
                flags |= kLower;
                if (info->aConstraint[cand.lower].op == SQLITE_INDEX_CONSTRAINT_GE) flags |= kLowerInclusive;
            }
            if (cand.upper >= 0) {
                flags |= kUpper;
                if (info->aConstraint[cand.upper].op == SQLITE_INDEX_CONSTRAINT_LE) flags |= kUpperInclusive;
            }
        } else {
            continue;
        }
        // A lookup re-reads each row by position: dearer per row than a scan.
        double cost = std::log2(n) + 2 * rows;
        // A single lookup with a constant (WHERE kind = 'view') on a big table whose index is
        // not built yet: building it reads the whole table, and a scan finds the first rows
        // at once. Lookups fed by another table of a join still use the index.
        const int used = cand.eq >= 0 ? cand.eq : (cand.lower >= 0 ? cand.lower : cand.upper);
        sqlite3_value* rhs = nullptr;
        const bool constant = sqlite3_vtab_rhs_value(info, used, &rhs) == SQLITE_OK;
        if (constant && !unique && n > 50000 && vt->table->indexes.find(col) == vt->table->indexes.end())
            cost = n * 1.05;
        if (cost < bestCost) {
            bestCost = cost;
            bestRows = rows;
            bestColumn = col;
            bestFlags = flags;
            bestUnique = unique;
        }
    }

    int idxNum = 0;
    if (bestColumn >= 0) {
        const Candidate& cand = byColumn[bestColumn];
        idxNum = (bestColumn + 1) | bestFlags;
        int arg = 1;
        if (bestFlags & kEq) {
            info->aConstraintUsage[cand.eq].argvIndex = arg++;
        } else {
            if (bestFlags & kLower) info->aConstraintUsage[cand.lower].argvIndex = arg++;
            if (bestFlags & kUpper) info->aConstraintUsage[cand.upper].argvIndex = arg++;
        }
        if (bestUnique) info->idxFlags |= SQLITE_INDEX_SCAN_UNIQUE;
    }
    info->idxNum = idxNum;
    info->estimatedCost = bestCost;
    info->estimatedRows = static_cast<sqlite3_int64>(bestRows);
    // Hand the columns the statement reads to xFilter, so the cursor decodes only those.
    info->idxStr = sqlite3_mprintf("%llx", static_cast<unsigned long long>(info->colUsed));
    info->needToFreeIdxStr = 1;
    return SQLITE_OK;
}

int xBestIndex(sqlite3_vtab* base, sqlite3_index_info* info)
{
    try {
        return bestIndex(base, info);
    } catch (...) {
        return failCallback(base);
    }
}

// Tells the statement being stepped what this cursor's scan could not read.
void reportLoss(Cursor* c)
{
    if (!c->loss || !c->rows) return;
    const std::uint64_t rows = c->rows->unreadableRows();
    if (rows) c->loss->record(c->vtab->table, rows, c->rows->firstLoss());
}

void reportIndexLoss(Cursor* c, const ColumnIndex& index)
{
    if (c->loss && index.lostRows()) c->loss->record(c->vtab->table, index.lostRows(), index.firstLoss());
}

int xOpen(sqlite3_vtab* base, sqlite3_vtab_cursor** out)
{
    auto* c = new (std::nothrow) Cursor;
    if (!c) return SQLITE_NOMEM;
    std::memset(&c->base, 0, sizeof(c->base));
    c->vtab = reinterpret_cast<VTab*>(base);
    *out = &c->base;
    return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor* cur)
{
    auto* c = reinterpret_cast<Cursor*>(cur);
    // Cells of the last row were read after the last step.
    try {
        reportLoss(c);
    } catch (...) {
    }
    delete c;
    return SQLITE_OK;
}

std::vector<int> usedColumns(const char* idxStr, std::size_t columnCount)
{
    unsigned long long mask = idxStr ? std::strtoull(idxStr, nullptr, 16) : ~0ULL;
    std::vector<int> cols;
    for (std::size_t i = 0; i < columnCount; ++i)
        if ((i < 63 && (mask & (1ULL << i))) || (i >= 63 && (mask & (1ULL << 63)))) cols.push_back(int(i));
    if (cols.empty() && columnCount > 0) cols.push_back(0);   // count(*) still needs rows
    return cols;
}

bool loadRow(Cursor* c)
{
    // Index lookup: re-read the next listed row; a row that no longer reads is skipped.
    while (c->entry < c->end) {
        if (c->rows->seek(c->index->position(c->entry))) return true;
        ++c->entry;
    }
    return false;
}

// After a step of a scan: end of rows, or the fatal error that ended the scan.
int afterStep(Cursor* c)
{
    reportLoss(c);
    if (c->eof && !c->rows->error().isEmpty()) {
        setError(&c->vtab->base, c->rows->error());
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

int advance(Cursor* c)
{
    if (c->index) {
        ++c->entry;
        c->eof = !loadRow(c);
        reportLoss(c);
        return SQLITE_OK;
    }
    c->eof = !c->rows->next();
    return afterStep(c);
}

bool keyFromValue(sqlite3_value* v, bool textKeys, KeyBound& out)
{
    const int t = sqlite3_value_type(v);
    out.present = true;
    if (textKeys) {
        if (t != SQLITE_TEXT) return false;
        out.text = foldKey(std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                            std::size_t(sqlite3_value_bytes(v))));
        return true;
    }
    if (t != SQLITE_INTEGER && t != SQLITE_FLOAT) return false;
    out.number = sqlite3_value_double(v);
    return !std::isnan(out.number);
}

// A lookup that can find nothing (a comparison with Null is never true).
int emptyLookup(Cursor* c, ColumnIndex& index)
{
    c->index = &index;
    c->entry = c->end = 0;
    c->eof = true;
    return SQLITE_OK;
}

int filter(Cursor* c, int idxNum, const char* idxStr, int argc, sqlite3_value** argv)
{
    TableRegistry::Table& table = *c->vtab->table;
    if (c->vtab->registry->current) c->loss = c->vtab->registry->current;
    const std::vector<int> cols = usedColumns(idxStr, table.source->columns().size());
    // A join's inner loop filters again and again: keep the row cursor when it fits.
    if (!c->rows || c->columns != cols) {
        c->rows = table.source->open(cols);
        c->columns = cols;
    } else if (!(idxNum & 0xFFFF)) {
        c->rows->rewind();
    }
    c->index = nullptr;
    const int column = (idxNum & 0xFFFF) - 1;
    if (column >= 0) {
        ColumnIndex& index = table.index(column);
        // Rows the index could not read are lost to every lookup through it.
        reportIndexLoss(c, index);
        KeyBound lower, upper;
        bool usable = true;
        int arg = 0;
        if (idxNum & kEq) {
            if (arg >= argc) usable = false;
            else if (sqlite3_value_type(argv[arg]) == SQLITE_NULL) return emptyLookup(c, index);
            else {
                usable = keyFromValue(argv[arg], index.textKeys(), lower);
                upper = lower;
                lower.inclusive = upper.inclusive = true;
            }
        } else {
            if ((idxNum & kLower) && arg < argc) {
                if (sqlite3_value_type(argv[arg]) == SQLITE_NULL) return emptyLookup(c, index);
                usable = usable && keyFromValue(argv[arg++], index.textKeys(), lower);
                lower.inclusive = (idxNum & kLowerInclusive) != 0;
            }
            if ((idxNum & kUpper) && arg < argc) {
                if (sqlite3_value_type(argv[arg]) == SQLITE_NULL) return emptyLookup(c, index);
                usable = usable && keyFromValue(argv[arg++], index.textKeys(), upper);
                upper.inclusive = (idxNum & kUpperInclusive) != 0;
            }
        }
        if (usable) {
            const auto [first, last] = index.range(lower, upper);
            c->index = &index;
            c->entry = first;
            c->end = last;
            c->eof = !loadRow(c);
            reportLoss(c);
            return SQLITE_OK;
        }
        // A value of another kind than the column's (text against a number column):
        // scan everything and let SQLite compare.
        c->rows->rewind();
    }
    c->eof = !c->rows->next();
    return afterStep(c);
}

int xFilter(sqlite3_vtab_cursor* cur, int idxNum, const char* idxStr, int argc, sqlite3_value** argv)
{
    auto* c = reinterpret_cast<Cursor*>(cur);
    try {
        return filter(c, idxNum, idxStr, argc, argv);
    } catch (...) {
        c->eof = true;
        return failCallback(&c->vtab->base);
    }
}

int xNext(sqlite3_vtab_cursor* cur)
{
    auto* c = reinterpret_cast<Cursor*>(cur);
    try {
        return advance(c);
    } catch (...) {
        c->eof = true;
        return failCallback(&c->vtab->base);
    }
}

int xEof(sqlite3_vtab_cursor* cur)
{
    return reinterpret_cast<Cursor*>(cur)->eof ? 1 : 0;
}

int xColumn(sqlite3_vtab_cursor* cur, sqlite3_context* ctx, int column)
{
    auto* c = reinterpret_cast<Cursor*>(cur);
    try {
        c->rows->result(column, ctx);
        return SQLITE_OK;
    } catch (...) {
        sqlite3_result_error(ctx, describeCurrentException().toUtf8().constData(), -1);
        return SQLITE_ERROR;
    }
}

int xRowid(sqlite3_vtab_cursor* cur, sqlite3_int64* rowid)
{
    *rowid = static_cast<sqlite3_int64>(reinterpret_cast<Cursor*>(cur)->rows->position());
    return SQLITE_OK;
}

sqlite3_module makeModule()
{
    sqlite3_module m;
    std::memset(&m, 0, sizeof(m));
    m.iVersion = 0;
    m.xCreate = xConnect;
    m.xConnect = xConnect;
    m.xBestIndex = xBestIndex;
    m.xDisconnect = xDisconnect;
    m.xDestroy = xDisconnect;
    m.xOpen = xOpen;
    m.xClose = xClose;
    m.xFilter = xFilter;
    m.xNext = xNext;
    m.xEof = xEof;
    m.xColumn = xColumn;
    m.xRowid = xRowid;
    return m;
}

const sqlite3_module kModule = makeModule();

} // namespace

void registerModule(sqlite3* db, TableRegistry* registry)
{
    if (sqlite3_create_module_v2(db, "jet", &kModule, registry, nullptr) != SQLITE_OK)
        throw automation::Error(QStringLiteral("Cannot register the table module: %1")
                                    .arg(QString::fromUtf8(sqlite3_errmsg(db))));
}

} // namespace sql
