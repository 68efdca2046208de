#include "sql/memory_row_source.h"

#include "sql/values.h"

#include <algorithm>

namespace sql {

namespace {

class MemoryCursor final : public RowCursor {
public:
    explicit MemoryCursor(std::shared_ptr<const MemoryTable> t) : m_t(std::move(t)) {}

    bool next() override
    {
        for (;;) {
            if (m_row + 1 >= std::int64_t(m_t->rows.size())) { m_row = std::int64_t(m_t->rows.size()); return false; }
            ++m_row;
            if (!lost(std::size_t(m_row))) return true;
            m_lostSeen.push_back(std::size_t(m_row));
        }
    }
    bool seek(std::uint64_t p) override
    {
        if (p >= m_t->rows.size() || lost(std::size_t(p))) return false;
        m_row = std::int64_t(p);
        return true;
    }
    std::uint64_t position() const override { return std::uint64_t(m_row); }
    void rewind() override
    {
        m_row = -1;
        m_lostSeen.clear();
    }
    QString error() const override { return {}; }
    std::uint64_t unreadableRows() const override { return m_lostSeen.size(); }
    QString firstLoss() const override
    {
        return m_lostSeen.empty() ? QString() : QStringLiteral("row %1 is damaged").arg(m_lostSeen.front());
    }

    void result(int column, sqlite3_context* ctx) override
    {
        const QVariant& v = cell(column);
        const std::uint8_t type = m_t->columns[std::size_t(column)].jetType;
        if (!v.isValid() || v.isNull()) return sqlite3_result_null(ctx);
        switch (v.typeId()) {
        case QMetaType::Bool: return resultBoolean(ctx, v.toBool());
        case QMetaType::QString: {
            const QByteArray u = v.toString().toUtf8();
            return sqlite3_result_text(ctx, u.constData(), int(u.size()), SQLITE_TRANSIENT);
        }
        case QMetaType::QByteArray: {
            const QByteArray b = v.toByteArray();
            return sqlite3_result_blob(ctx, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        }
        case QMetaType::Double:
            if (type == 0x08) return resultDate(ctx, v.toDouble());
            if (type == 0x05) return resultCurrency(ctx, v.toDouble());
            return sqlite3_result_double(ctx, v.toDouble());
        default:
            if (type == 0x01) return resultBoolean(ctx, v.toLongLong() != 0);
            return sqlite3_result_int64(ctx, v.toLongLong());
        }
    }
    bool number(int column, double& out) override
    {
        const QVariant& v = cell(column);
        if (!v.isValid() || v.isNull() || v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray)
            return false;
        out = v.typeId() == QMetaType::Bool ? (v.toBool() ? -1.0 : 0.0) : v.toDouble();
        return true;
    }
    bool text(int column, std::string& out) override
    {
        const QVariant& v = cell(column);
        if (v.typeId() != QMetaType::QString) return false;
        out = v.toString().toStdString();
        return true;
    }

private:
    bool lost(std::size_t row) const
    {
        return std::find(m_t->lostRows.begin(), m_t->lostRows.end(), row) != m_t->lostRows.end();
    }
    const QVariant& cell(int column) const
    {
        static const QVariant null;
        if (m_row < 0 || m_row >= std::int64_t(m_t->rows.size())) return null;
        const auto& row = m_t->rows[std::size_t(m_row)];
        return std::size_t(column) < row.size() ? row[std::size_t(column)] : null;
    }
    std::shared_ptr<const MemoryTable> m_t;
    std::int64_t m_row = -1;
    std::vector<std::size_t> m_lostSeen;
};

class MemorySource final : public RowSource {
public:
    explicit MemorySource(std::shared_ptr<const MemoryTable> t) : m_t(std::move(t)) {}
    const std::vector<SourceColumn>& columns() const override { return m_t->columns; }
    std::int64_t estimatedRows() const override { return std::int64_t(m_t->rows.size()); }
    bool uniqueColumn(int column) const override
    {
        return std::find(m_t->uniqueColumns.begin(), m_t->uniqueColumns.end(), column) != m_t->uniqueColumns.end();
    }
    std::unique_ptr<RowCursor> open(const std::vector<int>&) override { return std::make_unique<MemoryCursor>(m_t); }

private:
    std::shared_ptr<const MemoryTable> m_t;
};

} // namespace

std::shared_ptr<RowSource> makeMemoryRowSource(std::shared_ptr<const MemoryTable> table)
{
    return std::make_shared<MemorySource>(std::move(table));
}

} // namespace sql
