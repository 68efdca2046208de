#pragma once
// Shared helpers of the SQL layer tests: open a fixture, run a statement through
// OpenRecordset, and read the rows back as canonical texts.

#include "automation/object.h"
#include "jet/database.h"
#include "sql/open_recordset.h"

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace sqltest {

inline std::shared_ptr<jet::Database> openFixture(const std::string& name)
{
    auto db = jet::Database::open(std::string(TABULON_TEST_DATA) + "/" + name);
    if (!db) {
        ADD_FAILURE() << "cannot open " << name << ": " << db.error().describe();
        return nullptr;
    }
    return std::shared_ptr<jet::Database>(std::move(db.value()));
}

// Null -> "NULL"; Boolean True/False; Date YYYY-MM-DD[ HH:MM:SS]; Currency exact; Double %.15g.
inline QString canonical(const automation::Variant& v)
{
    using T = automation::Variant::Type;
    switch (v.type()) {
    case T::Null: return QStringLiteral("NULL");
    case T::Empty: return QStringLiteral("EMPTY");
    case T::Boolean: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case T::Byte: case T::Integer: case T::Long: case T::LongLong: return QString::number(v.toInt64());
    case T::Single: return QString::number(double(*v.get<float>()), 'g', 7);
    case T::Double: return QString::number(v.toDouble(), 'g', 15);
    case T::Currency: {
        const auto c = *v.get<automation::Currency>();
        QString s = QString::number(double(c.scaled) / 10000.0, 'f', 4);
        while (s.contains(u'.') && (s.endsWith(u'0') || s.endsWith(u'.'))) s.chop(1);
        return QStringLiteral("$") + s;
    }
    case T::Date: {
        const double d = v.get<automation::Date>()->days;
        long long day = static_cast<long long>(std::trunc(d));
        long long secs = std::llround(std::fabs(d - double(day)) * 86400.0);
        // The fraction counts forward from midnight, also before 1900: a second that rounds
        // up to midnight is the next day.
        if (secs >= 86400) {
            secs -= 86400;
            ++day;
        }
        // days since 1899-12-30 -> civil (same algorithm as a calendar, written out here)
        long long z = day - 25569 + 719468;
        const long long era = (z >= 0 ? z : z - 146096) / 146097;
        const long long doe = z - era * 146097;
        const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const long long mp = (5 * doy + 2) / 153;
        const long long dd = doy - (153 * mp + 2) / 5 + 1;
        const long long mm = mp < 10 ? mp + 3 : mp - 9;
        const long long yy = yoe + era * 400 + (mm <= 2);
        QString s = QString::asprintf("%04lld-%02lld-%02lld", yy, mm, dd);
        if (secs) s += QString::asprintf(" %02lld:%02lld:%02lld", secs / 3600, secs / 60 % 60, secs % 60);
        return s;
    }
    case T::String: return v.toString();
    case T::Decimal: return v.get<automation::Decimal>()->toString();
    case T::Guid: return v.get<automation::Guid>()->toString();
    case T::Bytes: return QStringLiteral("0x") + QString::fromLatin1(v.toBytes().toHex());
    default: return QStringLiteral("?");
    }
}

struct Result {
    QStringList names;
    std::vector<QStringList> rows;
    std::vector<automation::Variant::Type> types;   // of the first row
};

inline Result run(const std::shared_ptr<jet::Database>& db, const QString& sqlText, int maxRows = 100000)
{
    Result r;
    automation::Variant rs = sql::openRecordset(db, sqlText);
    const int n = automation::get(automation::get(rs, QStringLiteral("Fields")), QStringLiteral("Count")).toInt();
    for (int i = 0; i < n; ++i)
        r.names << automation::get(automation::get(rs, QStringLiteral("Fields"), std::int32_t(i)), QStringLiteral("Name")).toString();
    while (!automation::get(rs, QStringLiteral("EOF")).toBool() && int(r.rows.size()) < maxRows) {
        QStringList row;
        for (int i = 0; i < n; ++i) {
            const auto v = automation::get(automation::get(rs, QStringLiteral("Fields"), std::int32_t(i)), QStringLiteral("Value"));
            if (r.rows.empty()) r.types.push_back(v.type());
            row << canonical(v);
        }
        r.rows.push_back(row);
        automation::call(rs, QStringLiteral("MoveNext"));
    }
    automation::call(rs, QStringLiteral("Close"));
    return r;
}

// The rows joined as "a|b|c" lines (UTF-8), for compact, readable expectations.
using Lines = std::vector<std::string>;
inline Lines lines(const Result& r)
{
    Lines out;
    for (const QStringList& row : r.rows) out.push_back(row.join(u'|').toStdString());
    return out;
}

// The error description of a statement that must fail; empty when it did not fail.
inline QString errorOf(const std::shared_ptr<jet::Database>& db, const QString& sqlText)
{
    try {
        run(db, sqlText);
    } catch (const automation::Error& e) {
        return e.description();
    }
    return QString();
}

} // namespace sqltest

#include "sql/connection.h"
#include "sql/memory_row_source.h"
#include "sql/recordset.h"

namespace sqltest {

// A connection over in-memory tables: functions and operators without a database file.
class MemoryDb {
public:
    MemoryDb()
    {
        // One: a single row, for evaluating expressions.
        auto one = std::make_shared<sql::MemoryTable>();
        one->columns = {{QStringLiteral("n"), 0x04, 0, 0}};
        one->rows = {{QVariant(qint64(1))}};
        add(QStringLiteral("One"), one);
    }
    void add(const QString& name, std::shared_ptr<const sql::MemoryTable> t)
    {
        m_conn->addTable(name, sql::makeMemoryRowSource(std::move(t)));
    }
    sql::Connection& connection() { return *m_conn; }
    const std::shared_ptr<sql::Connection>& shared() { return m_conn; }

    Result run(const QString& sqlText)
    {
        Result r;
        automation::Variant rs(sql::makeRecordset(m_conn, m_conn->prepare(sqlText), nullptr));
        const int n = automation::get(automation::get(rs, QStringLiteral("Fields")), QStringLiteral("Count")).toInt();
        for (int i = 0; i < n; ++i)
            r.names << automation::get(automation::get(rs, QStringLiteral("Fields"), std::int32_t(i)), QStringLiteral("Name")).toString();
        while (!automation::get(rs, QStringLiteral("EOF")).toBool()) {
            QStringList row;
            for (int i = 0; i < n; ++i) {
                const auto v = automation::get(automation::get(rs, QStringLiteral("Fields"), std::int32_t(i)), QStringLiteral("Value"));
                if (r.rows.empty()) r.types.push_back(v.type());
                row << canonical(v);
            }
            r.rows.push_back(row);
            automation::call(rs, QStringLiteral("MoveNext"));
        }
        return r;
    }

    // The value of one Jet expression, canonical; "ERROR: description" when it fails.
    QString eval(const QString& expr)
    {
        try {
            const Result r = run(QStringLiteral("SELECT ") + expr + QStringLiteral(" FROM One"));
            return r.rows.empty() ? QStringLiteral("NO ROW") : r.rows[0][0];
        } catch (const automation::Error& e) {
            return QStringLiteral("ERROR: ") + e.description();
        }
    }

    QString error(const QString& sqlText)
    {
        try {
            run(sqlText);
        } catch (const automation::Error& e) {
            return e.description();
        }
        return QString();
    }

private:
    std::shared_ptr<sql::Connection> m_conn = std::make_shared<sql::Connection>();
};

// One Jet expression and its value, canonical; "ERROR: description" for a failure.
struct ExpressionCase {
    const char* expr;
    const char* expected;
};
inline void PrintTo(const ExpressionCase& c, std::ostream* os) { *os << c.expr; }

// Evaluates each case as SELECT <expr> FROM One on one in-memory connection.
class ExpressionTest : public ::testing::TestWithParam<ExpressionCase> {
protected:
    static MemoryDb& db()
    {
        static MemoryDb instance;
        return instance;
    }
    void check()
    {
        const ExpressionCase& c = GetParam();
        EXPECT_EQ(db().eval(QString::fromUtf8(c.expr)).toStdString(), std::string(c.expected)) << c.expr;
    }
};

// jp_sample.mdb opened once for a test suite; its SQL connection is released after the suite.
class JpSampleSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_db = openFixture("jp_sample.mdb"); }
    static void TearDownTestSuite()
    {
        sql::releaseDatabase(s_db.get());
        s_db.reset();
    }
    inline static std::shared_ptr<jet::Database> s_db;
};

} // namespace sqltest
