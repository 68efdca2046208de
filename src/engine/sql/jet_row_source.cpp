#include "sql/jet_row_source.h"

#include "jet/csv.h"
#include "jet/cursor.h"
#include "jet/table.h"
#include "sql/values.h"

#include <map>
#include <string>

namespace sql {

namespace {

// Reader cursors that finished, kept for the next statement over the same columns: a cursor
// of a big table lists its data pages once, and a rewind keeps that list.
class CursorPool {
public:
    std::unique_ptr<jet::Cursor> take(const std::vector<std::size_t>& columns)
    {
        auto it = m_idle.find(columns);
        if (it == m_idle.end() || it->second.empty()) return nullptr;
        auto c = std::move(it->second.back());
        it->second.pop_back();
        return c;
    }
    void put(const std::vector<std::size_t>& columns, std::unique_ptr<jet::Cursor> cursor)
    {
        auto& list = m_idle[columns];
        if (list.size() >= 2 || m_idle.size() > 16) return;
        cursor->rewind();
        list.push_back(std::move(cursor));
    }

private:
    std::map<std::vector<std::size_t>, std::vector<std::unique_ptr<jet::Cursor>>> m_idle;
};

class JetRowCursor final : public RowCursor {
public:
    JetRowCursor(std::shared_ptr<const jet::Table> table, const std::vector<int>& columns,
                 std::size_t columnCount, std::shared_ptr<CursorPool> pool)
        : m_key(toDisplay(columns)), m_pool(std::move(pool)), m_slot(columnCount, -1)
    {
        m_cursorOwned = m_pool->take(m_key);
        if (!m_cursorOwned) m_cursorOwned = std::make_unique<jet::Cursor>(table, m_key);
        for (std::size_t i = 0; i < columns.size(); ++i) m_slot[std::size_t(columns[i])] = int(i);
    }
    ~JetRowCursor() override
    {
        if (!m_cursorOwned->error()) m_pool->put(m_key, std::move(m_cursorOwned));
    }

    bool next() override { return m_cursorOwned->next(); }
    bool seek(std::uint64_t position) override { return m_cursorOwned->seek(jet::RowPosition::unpack(position)); }
    std::uint64_t position() const override { return m_cursorOwned->position().packed(); }
    void rewind() override { m_cursorOwned->rewind(); }

    QString error() const override
    {
        const auto& e = m_cursorOwned->error();
        return e ? QString::fromStdString(e->describe()) : QString();
    }

    std::uint64_t unreadableRows() const override { return m_cursorOwned->unreadableRows(); }
    QString firstLoss() const override
    {
        const auto& e = m_cursorOwned->firstLoss();
        return e ? QString::fromStdString(e->describe()) : QString();
    }

    void result(int column, sqlite3_context* ctx) override
    {
        const int slot = slotOf(column);
        if (slot < 0) return sqlite3_result_null(ctx);
        const jet::Value v = m_cursorOwned->value(std::size_t(slot));
        switch (v.kind()) {
        case jet::ValueKind::Null:
            return sqlite3_result_null(ctx);
        case jet::ValueKind::Boolean:
            return resultBoolean(ctx, v.asBool());
        case jet::ValueKind::Byte:
        case jet::ValueKind::Int16:
        case jet::ValueKind::Int32:
        case jet::ValueKind::Int64:
            return sqlite3_result_int64(ctx, v.asInt());
        case jet::ValueKind::Float:
        case jet::ValueKind::Double:
            return sqlite3_result_double(ctx, v.asDouble());
        case jet::ValueKind::Currency:
            return resultCurrency(ctx, double(v.asInt()) / 10000.0);
        case jet::ValueKind::DateTime:
            return resultDate(ctx, v.asDouble());
        case jet::ValueKind::ExtDateTime: {
            const std::string s = jet::csv::formatExtDateTime(v.asExtDateTime());
            return sqlite3_result_text(ctx, s.data(), int(s.size()), SQLITE_TRANSIENT);
        }
        case jet::ValueKind::Text: {
            const std::string_view s = v.asText();
            return sqlite3_result_text(ctx, s.data(), int(s.size()), SQLITE_TRANSIENT);
        }
        case jet::ValueKind::Binary: {
            const auto b = v.asBytes();
            return sqlite3_result_blob(ctx, b.data(), int(b.size()), SQLITE_TRANSIENT);
        }
        case jet::ValueKind::Guid: {
            const std::string s = jet::csv::formatGuid(v.asBytes());
            return sqlite3_result_text(ctx, s.data(), int(s.size()), SQLITE_TRANSIENT);
        }
        case jet::ValueKind::Decimal:
            return sqlite3_result_double(ctx, std::strtod(jet::csv::formatDecimal(v.asDecimal()).c_str(), nullptr));
        case jet::ValueKind::Complex: {
            // The text the export writes ("2 items"), not the key into the hidden table.
            const std::string s = jet::csv::valueText(v);
            return sqlite3_result_text(ctx, s.data(), int(s.size()), SQLITE_TRANSIENT);
        }
        }
        sqlite3_result_null(ctx);
    }

    bool number(int column, double& out) override
    {
        const int slot = slotOf(column);
        if (slot < 0) return false;
        const jet::Value v = m_cursorOwned->value(std::size_t(slot));
        switch (v.kind()) {
        case jet::ValueKind::Boolean: out = v.asBool() ? -1 : 0; return true;
        case jet::ValueKind::Byte:
        case jet::ValueKind::Int16:
        case jet::ValueKind::Int32:
        case jet::ValueKind::Int64: out = double(v.asInt()); return true;
        case jet::ValueKind::Currency: out = double(v.asInt()) / 10000.0; return true;
        case jet::ValueKind::Float:
        case jet::ValueKind::Double:
        case jet::ValueKind::DateTime: out = v.asDouble(); return true;
        case jet::ValueKind::Decimal:
            out = std::strtod(jet::csv::formatDecimal(v.asDecimal()).c_str(), nullptr);
            return true;
        default: return false;
        }
    }

    bool text(int column, std::string& out) override
    {
        const int slot = slotOf(column);
        if (slot < 0) return false;
        const jet::Value v = m_cursorOwned->value(std::size_t(slot));
        switch (v.kind()) {
        case jet::ValueKind::Text: out.assign(v.asText()); return true;
        case jet::ValueKind::Guid: out = jet::csv::formatGuid(v.asBytes()); return true;
        case jet::ValueKind::ExtDateTime: out = jet::csv::formatExtDateTime(v.asExtDateTime()); return true;
        default: return false;
        }
    }

private:
    static std::vector<std::size_t> toDisplay(const std::vector<int>& columns)
    {
        std::vector<std::size_t> out;
        out.reserve(columns.size());
        for (int c : columns) out.push_back(std::size_t(c));
        return out;
    }
    int slotOf(int column) const
    {
        return column >= 0 && std::size_t(column) < m_slot.size() ? m_slot[std::size_t(column)] : -1;
    }

    std::vector<std::size_t> m_key;
    std::shared_ptr<CursorPool> m_pool;
    std::unique_ptr<jet::Cursor> m_cursorOwned;
    std::vector<int> m_slot;   // source column -> index among the cursor's columns
};

class JetRowSource final : public RowSource {
public:
    explicit JetRowSource(std::shared_ptr<const jet::Table> table) : m_table(std::move(table))
    {
        for (const jet::Column& c : m_table->columns()) {
            SourceColumn sc;
            sc.name = QString::fromStdString(c.name);
            sc.jetType = c.type;
            sc.precision = c.precision;
            sc.scale = c.scale;
            m_columns.push_back(sc);
        }
    }

    const std::vector<SourceColumn>& columns() const override { return m_columns; }
    std::int64_t estimatedRows() const override { return m_table->rowCount(); }

    bool uniqueColumn(int column) const override
    {
        for (const jet::Index& ix : m_table->indexes())
            if ((ix.unique || ix.primary) && ix.columns.size() == 1 && int(ix.columns[0].column) == column)
                return true;
        return false;
    }

    std::unique_ptr<RowCursor> open(const std::vector<int>& columns) override
    {
        std::vector<int> cols = columns;
        if (cols.empty())
            for (std::size_t i = 0; i < m_columns.size(); ++i) cols.push_back(int(i));
        return std::make_unique<JetRowCursor>(m_table, cols, m_columns.size(), m_pool);
    }

private:
    std::shared_ptr<const jet::Table> m_table;
    std::vector<SourceColumn> m_columns;
    std::shared_ptr<CursorPool> m_pool = std::make_shared<CursorPool>();
};

} // namespace

std::shared_ptr<RowSource> makeJetRowSource(std::shared_ptr<const jet::Table> table)
{
    return std::make_shared<JetRowSource>(std::move(table));
}

} // namespace sql
