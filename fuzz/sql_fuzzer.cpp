// libFuzzer entry point over the DAO and SQL layers: the input is a database file. Opens it as
// the DAO Database object, reads every table definition the program reads (fields, their
// properties, the first index), then runs through SQLite `SELECT * FROM` each table and saved
// query, a self-join and a join of two tables on their first columns, reading every value as
// the grid shows it and the count of rows that could not be read. Neither layer may crash,
// hang or exhaust memory on any input; automation errors are fine.
#include "automation/object.h"
#include "dao/database.h"
#include "sql/interrupt.h"
#include "sql/open_recordset.h"
#include "text/valuetext.h"

#include "jet/database.h"
#include "jet/table.h"

#include <QLocale>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using automation::Variant;
using Clock = std::chrono::steady_clock;

// Keeps one input from running for long on tables that claim millions of rows.
constexpr int kMaxRows = 2000;
constexpr auto kStatementTime = std::chrono::milliseconds(500);

Variant member(const Variant& object, const char* name) { return automation::get(object, QString::fromLatin1(name)); }
Variant item(const Variant& object, const char* name, int i)
{
    return automation::get(object, QString::fromLatin1(name), Variant(std::int32_t(i)));
}
int countOf(const Variant& object, const char* collection)
{
    return member(member(object, collection), "Count").toInt();
}

void readDefinitions(const Variant& db, QString& sink)
{
    const int tables = countOf(db, "TableDefs");
    for (int i = 0; i < tables && i < 200; ++i) {
        try {
            const Variant t = item(db, "TableDefs", i);
            sink += member(t, "Name").toString();
            member(t, "Attributes");
            const int fields = countOf(t, "Fields");
            for (int j = 0; j < fields; ++j) {
                const Variant f = item(t, "Fields", j);
                sink += member(f, "Name").toString();
                member(f, "Type"), member(f, "Size"), member(f, "Attributes");
                const int properties = countOf(f, "Properties");
                for (int k = 0; k < properties; ++k)
                    sink += valuetext::toText(member(item(f, "Properties", k), "Value"));
            }
            if (countOf(t, "Indexes") > 0) {
                const Variant ix = item(t, "Indexes", 0);
                for (int m = 0; m < countOf(ix, "Fields"); ++m) sink += member(item(ix, "Fields", m), "Name").toString();
            }
        } catch (const automation::Error&) {
        }
    }
}

// Runs one statement as the data grid does, within a time budget.
void runStatement(const Variant& db, const QString& sqlText, QString& sink)
{
    const auto deadline = Clock::now() + kStatementTime;
    sql::InterruptPoll poll([deadline] { return Clock::now() > deadline; });
    try {
        const Variant rs = automation::call(db, QStringLiteral("OpenRecordset"), {Variant(sqlText)});
        const int n = countOf(rs, "Fields");
        for (int i = 0; i < n; ++i) sink += member(item(rs, "Fields", i), "Name").toString();
        for (int row = 0; row < kMaxRows && !member(rs, "EOF").toBool(); ++row) {
            for (int i = 0; i < n; ++i) sink += valuetext::toText(member(item(rs, "Fields", i), "Value"), QLocale::c());
            automation::call(rs, QStringLiteral("MoveNext"));
            if (sink.size() > 1 << 20) sink.clear();
        }
        automation::call(rs, QStringLiteral("Close"));
        sink += QString::number(member(rs, "UnreadableRows").toInt()) + member(rs, "FirstLoss").toString();
    } catch (const automation::Error&) {
    }
}

QString bracketed(const QString& name) { return u'[' + name + u']'; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::byte> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::byte>(data[i]);
    auto opened = jet::Database::openBuffer(std::move(bytes), "fuzz.mdb");
    if (!opened) return 0;
    std::shared_ptr<jet::Database> jetDb(std::move(opened.value()));
    const Variant db(automation::ObjectRef(std::make_shared<dao::Database>(jetDb, QStringLiteral("/fuzz.mdb"))));
    QString sink;
    readDefinitions(db, sink);

    // Tables (no linked ones: they would open other files by path) and saved queries.
    QStringList names;
    struct Column { QString table, column; };
    std::vector<Column> firstColumns;
    for (const jet::CatalogEntry& e : jetDb->tables()) {
        if (e.isLinked() || names.size() >= 50) continue;
        const QString name = QString::fromStdString(e.name);
        if (name.contains(u']')) continue;   // cannot be written in brackets
        names << name;
        auto table = jetDb->table(e.name);
        if (table && !(*table)->columns().empty())
            firstColumns.push_back({name, QString::fromStdString((*table)->columns().front().name)});
    }
    for (const jet::CatalogEntry& e : jetDb->objects())
        if (e.type == jet::object_type::Query && names.size() < 60) names << QString::fromStdString(e.name);
    for (const QString& name : names) {
        runStatement(db, QStringLiteral("SELECT * FROM ") + bracketed(name), sink);
        // The bare-name form of OpenRecordset goes around the SQL text.
        runStatement(db, name, sink);
    }
    for (std::size_t i = 0; i < firstColumns.size() && i < 4; ++i) {
        const Column& a = firstColumns[i];
        const Column& b = firstColumns[(i + 1) % firstColumns.size()];
        if (a.column.contains(u']') || b.column.contains(u']')) continue;
        runStatement(db, QStringLiteral("SELECT TOP 50 x.*, y.* FROM %1 AS x INNER JOIN %2 AS y ON x.%3 = y.%4 ORDER BY x.%3")
                             .arg(bracketed(a.table), bracketed(b.table), bracketed(a.column), bracketed(b.column)),
                     sink);
        runStatement(db, QStringLiteral("SELECT Count(*), Max(x.%2) FROM %1 AS x, %1 AS y WHERE x.%2 = y.%2")
                             .arg(bracketed(a.table), bracketed(a.column)),
                     sink);
    }
    automation::call(db, QStringLiteral("Close"));
    sql::releaseDatabase(jetDb.get());
    return 0;
}
