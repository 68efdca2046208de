// The fuzz target's round (fuzz/sql_fuzzer.cpp) on a fixed set of damaged copies, so that every
// test run goes through it: each copy of jp_sample.mdb has a few bytes changed at random (seeded)
// and every table is read through SQL, then a self-join. Only automation errors may come out,
// and whatever cannot be read is counted.

#include "sql_helpers.h"

#include "sql/interrupt.h"

#include "jet/table.h"

#include <QFile>

#include <chrono>
#include <random>

namespace {

using automation::Variant;

// Reads at most `maxRows` rows of a statement; false when the statement failed.
bool readSome(const std::shared_ptr<jet::Database>& db, const QString& sqlText, int maxRows)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    sql::InterruptPoll poll([deadline] { return std::chrono::steady_clock::now() > deadline; });
    try {
        Variant rs = sql::openRecordset(db, sqlText);
        const int n = automation::get(automation::get(rs, QStringLiteral("Fields")), QStringLiteral("Count")).toInt();
        for (int row = 0; row < maxRows && !automation::get(rs, QStringLiteral("EOF")).toBool(); ++row) {
            for (int i = 0; i < n; ++i)
                automation::get(automation::get(rs, QStringLiteral("Fields"), std::int32_t(i)), QStringLiteral("Value"));
            automation::call(rs, QStringLiteral("MoveNext"));
        }
        automation::call(rs, QStringLiteral("Close"));
        EXPECT_GE(automation::get(rs, QStringLiteral("UnreadableRows")).toInt(), 0);
        return true;
    } catch (const automation::Error& e) {
        EXPECT_FALSE(e.description().isEmpty()) << sqlText.toStdString();
        return false;
    }
}

TEST(SqlDamagedCopies, EveryTableAndAJoinGiveRowsOrErrors)
{
    QFile f(QStringLiteral(TABULON_TEST_DATA "/jp_sample.mdb"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    std::mt19937 rng(7);
    int statements = 0, failures = 0;
    for (int copy = 0; copy < 40; ++copy) {
        std::vector<std::byte> bytes(std::size_t(good.size()));
        std::memcpy(bytes.data(), good.constData(), bytes.size());
        // A few bytes past the header pages: catalog, table definitions, data, long values.
        const int changes = 1 + int(rng() % 8);
        for (int i = 0; i < changes; ++i) {
            const std::size_t at = 2 * 4096 + rng() % (bytes.size() - 2 * 4096);
            bytes[at] = static_cast<std::byte>(rng() % 4 == 0 ? 0xFF : rng() & 0xFF);
        }
        auto opened = jet::Database::openBuffer(std::move(bytes), "copy.mdb");
        if (!opened) continue;
        std::shared_ptr<jet::Database> db(std::move(opened.value()));
        QString firstTable, firstColumn;
        for (const jet::CatalogEntry& e : db->tables()) {
            const QString name = QString::fromStdString(e.name);
            if (e.isLinked() || name.contains(u']')) continue;
            ++statements;
            if (!readSome(db, QStringLiteral("SELECT * FROM [") + name + u']', 200)) ++failures;
            auto t = db->table(e.name);
            if (firstTable.isEmpty() && t && !(*t)->columns().empty() && !e.isSystem()) {
                firstTable = name;
                firstColumn = QString::fromStdString((*t)->columns().front().name);
            }
        }
        if (!firstTable.isEmpty() && !firstColumn.contains(u']')) {
            ++statements;
            const QString join = QStringLiteral("SELECT TOP 20 a.*, b.[") + firstColumn + QStringLiteral("] FROM [")
                                 + firstTable + QStringLiteral("] AS a INNER JOIN [") + firstTable + QStringLiteral("] AS b ON a.[")
                                 + firstColumn + QStringLiteral("] = b.[") + firstColumn + QStringLiteral("] ORDER BY a.[")
                                 + firstColumn + u']';
            if (!readSome(db, join, 20)) ++failures;
        }
        sql::releaseDatabase(db.get());
    }
    // Most statements still run: damage fails the tables it hits, not the rest.
    EXPECT_GT(statements, 200);
    EXPECT_LT(failures, statements / 2);
}

} // namespace
