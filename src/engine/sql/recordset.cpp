#include "sql/recordset.h"

#include "automation/error.h"
#include "sql/collation.h"
#include "sql/connection.h"
#include "sql/limits.h"
#include "sql/row_source.h"
#include "sql/values.h"
#include "sql/virtual_table.h"

#include <QStringList>

#include <cmath>
#include <optional>
#include <vector>

namespace sql {

int daoTypeOf(std::uint8_t jetType)
{
    switch (jetType) {
    case 0x01: return 1;    // Boolean
    case 0x02: return 2;    // Byte
    case 0x03: return 3;    // Integer
    case 0x04: return 4;    // Long
    case 0x05: return 5;    // Currency
    case 0x06: return 6;    // Single
    case 0x07: return 7;    // Double
    case 0x08: return 8;    // Date
    case 0x09: return 9;    // Binary
    case 0x0A: return 10;   // Text
    case 0x0B: return 11;   // Long binary (OLE)
    case 0x0C: return 12;   // Memo
    case 0x0F: return 15;   // GUID
    case 0x10: return 20;   // Decimal
    case 0x13: return 16;   // BigInt
    case 0x14: return 8;    // Date/Time Extended shows as a date type
    default: return 10;
    }
}

namespace {

using automation::Variant;

automation::Guid parseGuid(const QString& s, bool& ok)
{
    automation::Guid g;
    QString hex = s;
    hex.remove(u'{').remove(u'}').remove(u'-');
    ok = hex.size() == 32;
    if (!ok) return g;
    std::array<std::uint8_t, 16> raw{};
    for (int i = 0; i < 16; ++i) {
        bool b = false;
        raw[std::size_t(i)] = static_cast<std::uint8_t>(hex.mid(i * 2, 2).toUInt(&b, 16));
        ok = ok && b;
    }
    // Text order is Data1..Data3 big-endian; storage keeps them little-endian.
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int i = 0; i < 16; ++i) g.bytes[std::size_t(i)] = raw[std::size_t(order[i])];
    return g;
}

automation::Decimal decimalFromDouble(double d, int scale)
{
    automation::Decimal dec;
    dec.scale = static_cast<std::uint8_t>(std::clamp(scale, 0, 28));
    const QString text = QString::number(d, 'f', dec.scale);
    __int128 m = 0;
    bool negative = false;
    for (QChar c : text) {
        if (c == u'-') negative = true;
        else if (c.isDigit()) m = m * 10 + (c.unicode() - u'0');
    }
    dec.mantissa = negative ? -m : m;
    return dec;
}

// Money inside SQLite is a double: near the ends of the Currency range the product with 10000
// can pass the 64-bit limits, which must clamp rather than wrap to the other sign.
automation::Currency currencyFromDouble(double d)
{
    const double scaled = std::round(d * 10000.0);
    if (scaled >= 9223372036854775807.0) return {INT64_MAX};
    if (scaled <= -9223372036854775808.0) return {INT64_MIN};
    return {static_cast<std::int64_t>(scaled)};
}

// A result value in the type its column has in the database, or, for expressions, the type the
// value's subtype or storage class says.
Variant toVariant(sqlite3_value* v, std::uint8_t jetType, std::uint8_t scale)
{
    const int storage = sqlite3_value_type(v);
    if (storage == SQLITE_NULL) return Variant::null();
    const bool numeric = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
    if (numeric) {
        switch (jetType) {
        case 0x01: return Variant(sqlite3_value_int64(v) != 0);
        case 0x02: return Variant(static_cast<std::uint8_t>(sqlite3_value_int64(v)));
        case 0x03: return Variant(static_cast<std::int16_t>(sqlite3_value_int64(v)));
        case 0x04: return Variant(static_cast<std::int32_t>(sqlite3_value_int64(v)));
        case 0x13: return Variant(static_cast<std::int64_t>(sqlite3_value_int64(v)));
        case 0x05: return Variant(currencyFromDouble(sqlite3_value_double(v)));
        case 0x06: return Variant(static_cast<float>(sqlite3_value_double(v)));
        case 0x07: return Variant(sqlite3_value_double(v));
        case 0x08: return Variant(automation::Date{sqlite3_value_double(v)});
        case 0x10: return Variant(decimalFromDouble(sqlite3_value_double(v), scale));
        default: break;
        }
        switch (sqlite3_value_subtype(v)) {
        case kSubtypeDate: return Variant(automation::Date{sqlite3_value_double(v)});
        case kSubtypeCurrency: return Variant(currencyFromDouble(sqlite3_value_double(v)));
        case kSubtypeBoolean: return Variant(sqlite3_value_int64(v) != 0);
        case kSubtypeSingle: return Variant(static_cast<float>(sqlite3_value_double(v)));
        default: break;
        }
        if (storage == SQLITE_INTEGER) {
            const sqlite3_int64 i = sqlite3_value_int64(v);
            if (i >= INT32_MIN && i <= INT32_MAX) return Variant(static_cast<std::int32_t>(i));
            return Variant(static_cast<std::int64_t>(i));
        }
        return Variant(sqlite3_value_double(v));
    }
    if (storage == SQLITE_BLOB) {
        const auto* p = static_cast<const char*>(sqlite3_value_blob(v));
        return Variant(QByteArray(p, sqlite3_value_bytes(v)));
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v));
    if (jetType == 0x0F) {
        bool ok = false;
        const automation::Guid g = parseGuid(text, ok);
        if (ok) return Variant(g);
    }
    return Variant(text);
}

class State {
public:
    State(std::shared_ptr<Connection> conn, const Connection::Prepared& prepared, std::shared_ptr<const void> keepAlive)
        : m_conn(std::move(conn)), m_stmt(prepared.stmt), m_keepAlive(std::move(keepAlive)),
          m_topCount(prepared.topCount), m_tieColumns(prepared.tieColumns)
    {
        sqlite3_stmt* stmt = m_stmt;
        const int n = sqlite3_column_count(stmt);
        for (int i = 0; i < n; ++i) {
            const char* name = sqlite3_column_name(stmt, i);
            m_names << QString::fromUtf8(name ? name : "");
            std::uint8_t scale = 0;
            m_types.push_back(jetTypeFromDeclared(sqlite3_column_decltype(stmt, i), &scale));
            m_scales.push_back(scale);
        }
        for (const auto& t : prepared.typed) {
            if (t.column < 0 || t.column >= n || m_types[std::size_t(t.column)] != 0) continue;
            m_types[std::size_t(t.column)] = t.jetType;
            m_scales[std::size_t(t.column)] = t.scale;
        }
        m_values.resize(std::size_t(n));
        try {
            step();
        } catch (...) {
            sqlite3_finalize(m_stmt);
            throw;
        }
        m_empty = m_eof;
    }
    ~State()
    {
        clearTieKey();
        Stepping stepping(m_conn ? &m_conn->registry() : nullptr, &m_loss);
        sqlite3_finalize(m_stmt);
    }

    // Scans opened while this statement steps report what they could not read to it.
    struct Stepping {
        Stepping(TableRegistry* r, StatementLoss* loss) : r(r), previous(r ? r->current : nullptr)
        {
            if (r) r->current = loss;
        }
        ~Stepping()
        {
            if (r) r->current = previous;
        }
        TableRegistry* r;
        StatementLoss* previous;
    };

    void step()
    {
        Stepping stepping(m_conn ? &m_conn->registry() : nullptr, &m_loss);
        for (auto& v : m_values) v.reset();
        // TOP n: past the n-th row only rows that tie with it in the ORDER BY follow.
        const bool pastTop = m_topCount >= 0 && m_position + 1 >= m_topCount;
        if (pastTop && m_position + 1 == m_topCount && !m_eof && m_position >= 0) saveTieKey();
        if (pastTop && m_tieKey.empty()) {
            m_eof = true;
            return;
        }
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW && pastTop && !tiesWithKey()) {
            m_eof = true;
            return;
        }
        if (rc == SQLITE_ROW) {
            m_eof = false;
            ++m_position;
            m_visited = std::max(m_visited, m_position + 1);
            return;
        }
        m_eof = true;
        if (rc != SQLITE_DONE) {
            const QString why = describeSqliteError(sqlite3_db_handle(m_stmt), rc);
            sqlite3_reset(m_stmt);
            throw automation::Error(why);
        }
    }

    void moveFirst()
    {
        checkOpen();
        if (m_empty) throw automation::Error(QStringLiteral("No current record."));
        if (m_position == 0 && !m_eof) return;
        sqlite3_reset(m_stmt);
        m_position = -1;
        m_eof = false;
        clearTieKey();
        step();
    }

    void moveNext()
    {
        checkOpen();
        if (m_eof) throw automation::Error(QStringLiteral("No current record."));
        step();
    }

    void close()
    {
        checkOpen();
        Stepping stepping(m_conn ? &m_conn->registry() : nullptr, &m_loss);
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        m_closed = true;
    }

    bool eof() const { checkOpen(); return m_eof; }
    // What the tables read so far could not give whole; still known after Close.
    std::uint64_t unreadableRows() const { return m_loss.rows(); }
    const QString& firstLoss() const { return m_loss.first(); }
    bool bof() const { checkOpen(); return m_empty; }
    std::int64_t recordCount() const { checkOpen(); return m_visited; }
    int fieldCount() const { checkOpen(); return int(m_names.size()); }

    int fieldIndex(const Variant& key) const
    {
        checkOpen();
        if (key.type() == Variant::Type::String) {
            const QString name = key.toString();
            for (int i = 0; i < int(m_names.size()); ++i)
                if (m_names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
            throw automation::Error(QStringLiteral("Item not found in this collection."));
        }
        const std::int32_t i = key.toInt();
        if (i < 0 || i >= int(m_names.size())) throw automation::Error(QStringLiteral("Item not found in this collection."));
        return i;
    }

    const QString& name(int i) const { checkOpen(); return m_names[i]; }

    Variant value(int i)
    {
        checkOpen();
        if (m_eof) throw automation::Error(QStringLiteral("No current record."));
        auto& cached = m_values[std::size_t(i)];
        if (!cached) cached = toVariant(sqlite3_column_value(m_stmt, i), m_types[std::size_t(i)], m_scales[std::size_t(i)]);
        return *cached;
    }

    int type(int i)
    {
        checkOpen();
        if (m_types[std::size_t(i)] != 0) return daoTypeOf(m_types[std::size_t(i)]);
        if (m_eof) return 10;
        switch (value(i).type()) {
        case Variant::Type::Boolean: return 1;
        case Variant::Type::Byte: return 2;
        case Variant::Type::Integer: return 3;
        case Variant::Type::Long: return 4;
        case Variant::Type::Currency: return 5;
        case Variant::Type::Single: return 6;
        case Variant::Type::Double: return 7;
        case Variant::Type::Date: return 8;
        case Variant::Type::LongLong: return 16;
        case Variant::Type::Bytes: return 11;
        case Variant::Type::Guid: return 15;
        case Variant::Type::Decimal: return 20;
        default: return 10;
        }
    }

private:
    void saveTieKey()
    {
        clearTieKey();
        for (int c : m_tieColumns) m_tieKey.push_back(sqlite3_value_dup(sqlite3_column_value(m_stmt, c)));
    }
    void clearTieKey()
    {
        for (sqlite3_value* v : m_tieKey) sqlite3_value_free(v);
        m_tieKey.clear();
    }
    bool tiesWithKey()
    {
        for (std::size_t i = 0; i < m_tieColumns.size(); ++i) {
            sqlite3_value* a = m_tieKey[i];
            sqlite3_value* b = sqlite3_column_value(m_stmt, m_tieColumns[i]);
            if (!a) return false;
            const int ta = sqlite3_value_type(a), tb = sqlite3_value_type(b);
            if (ta == SQLITE_NULL || tb == SQLITE_NULL) {
                if (ta != tb) return false;
                continue;
            }
            const bool na = ta == SQLITE_INTEGER || ta == SQLITE_FLOAT, nb = tb == SQLITE_INTEGER || tb == SQLITE_FLOAT;
            if (na != nb) return false;
            if (na) {
                if (sqlite3_value_double(a) != sqlite3_value_double(b)) return false;
                continue;
            }
            const std::string_view sa(reinterpret_cast<const char*>(sqlite3_value_text(a)), std::size_t(sqlite3_value_bytes(a)));
            const std::string_view sb(reinterpret_cast<const char*>(sqlite3_value_text(b)), std::size_t(sqlite3_value_bytes(b)));
            if (ta == SQLITE_TEXT && tb == SQLITE_TEXT ? compareFolded(sa, sb) != 0 : sa != sb) return false;
        }
        return true;
    }

    void checkOpen() const
    {
        if (m_closed) throw automation::Error(QStringLiteral("Operation is not allowed when the object is closed."));
    }

    std::shared_ptr<Connection> m_conn;
    sqlite3_stmt* m_stmt;
    std::shared_ptr<const void> m_keepAlive;
    QStringList m_names;
    std::vector<std::uint8_t> m_types, m_scales;
    std::vector<std::optional<Variant>> m_values;
    bool m_eof = true;
    bool m_empty = true;
    bool m_closed = false;
    std::int64_t m_position = -1;
    std::int64_t m_visited = 0;
    long long m_topCount = -1;
    std::vector<int> m_tieColumns;
    std::vector<sqlite3_value*> m_tieKey;   // ORDER BY values of the n-th row
    StatementLoss m_loss;
};

bool is(const QString& member, QLatin1String name)
{
    return member.compare(name, Qt::CaseInsensitive) == 0;
}

[[noreturn]] void unknownMember(const QString& member)
{
    throw automation::Error(QStringLiteral("Unknown name: %1.").arg(member));
}

// The grid reads every cell through Fields(i).Value: these objects answer by a plain name
// comparison, and Field objects are made once per column, so a cell costs no allocation.
class Field final : public automation::Object {
public:
    Field(std::shared_ptr<State> state, int index) : m_state(std::move(state)), m_index(index) {}

    Variant invoke(const QString& member, automation::Invoke, std::span<const Variant>) override
    {
        if (is(member, QLatin1String("Value"))) return m_state->value(m_index);
        if (is(member, QLatin1String("Name"))) return Variant(m_state->name(m_index));
        if (is(member, QLatin1String("Type"))) return Variant(static_cast<std::int16_t>(m_state->type(m_index)));
        unknownMember(member);
    }

private:
    std::shared_ptr<State> m_state;
    int m_index;
};

class Fields final : public automation::Object {
public:
    explicit Fields(std::shared_ptr<State> state) : m_state(std::move(state))
    {
        for (int i = 0; i < m_state->fieldCount(); ++i)
            m_fields.push_back(std::make_shared<Field>(m_state, i));
    }

    Variant invoke(const QString& member, automation::Invoke, std::span<const Variant> args) override
    {
        if (is(member, QLatin1String("Count"))) return Variant(static_cast<std::int16_t>(m_state->fieldCount()));
        if (is(member, QLatin1String("Item"))) {
            if (args.size() != 1) throw automation::Error(QStringLiteral("Invalid number of parameters for Item."));
            return item(args[0]);
        }
        unknownMember(member);
    }

    Variant item(const Variant& key)
    {
        return Variant(automation::ObjectRef(m_fields[std::size_t(m_state->fieldIndex(key))]));
    }

private:
    std::shared_ptr<State> m_state;
    std::vector<automation::ObjectRef> m_fields;
};

class Recordset final : public automation::Object {
public:
    explicit Recordset(std::shared_ptr<State> state)
        : m_state(std::move(state)), m_fields(std::make_shared<Fields>(m_state)) {}

    Variant invoke(const QString& member, automation::Invoke, std::span<const Variant> args) override
    {
        if (is(member, QLatin1String("Fields"))) {
            if (args.size() > 1) throw automation::Error(QStringLiteral("Invalid number of parameters for Fields."));
            if (args.empty()) return Variant(automation::ObjectRef(m_fields));
            return m_fields->item(args[0]);
        }
        if (is(member, QLatin1String("EOF"))) return Variant(m_state->eof());
        if (is(member, QLatin1String("MoveNext"))) { m_state->moveNext(); return Variant(); }
        if (is(member, QLatin1String("BOF"))) return Variant(m_state->bof());
        if (is(member, QLatin1String("MoveFirst"))) { m_state->moveFirst(); return Variant(); }
        if (is(member, QLatin1String("Close"))) { m_state->close(); return Variant(); }
        if (is(member, QLatin1String("RecordCount"))) return Variant(static_cast<std::int32_t>(m_state->recordCount()));
        if (is(member, QLatin1String("UnreadableRows"))) {
            const std::uint64_t n = m_state->unreadableRows();
            return Variant(static_cast<std::int32_t>(std::min<std::uint64_t>(n, INT32_MAX)));
        }
        if (is(member, QLatin1String("FirstLoss"))) return Variant(m_state->firstLoss());
        unknownMember(member);
    }

private:
    std::shared_ptr<State> m_state;
    std::shared_ptr<Fields> m_fields;
};

} // namespace

automation::ObjectRef makeRecordset(std::shared_ptr<Connection> connection, Connection::Prepared prepared,
                                    std::shared_ptr<const void> keepAlive)
{
    auto state = std::make_shared<State>(std::move(connection), prepared, std::move(keepAlive));
    return std::make_shared<Recordset>(std::move(state));
}

} // namespace sql
