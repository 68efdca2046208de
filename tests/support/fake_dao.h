#pragma once
// An in-memory stand-in for the DAO engine: databases with tables, fields of every type code,
// attributes, indexes, "Description" properties and rows. It answers the members the program
// calls, logs every call, and can be told to fail at a chosen call.

#include "automation/object.h"
#include "automation/registry.h"
#include "automation/variant.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace fakedao {

// DAO field type codes.
enum TypeCode : int {
    dbBoolean = 1, dbByte = 2, dbInteger = 3, dbLong = 4, dbCurrency = 5, dbSingle = 6, dbDouble = 7,
    dbDate = 8, dbBinary = 9, dbText = 10, dbLongBinary = 11, dbMemo = 12, dbGUID = 15, dbBigInt = 16,
    dbVarBinary = 17, dbChar = 18, dbNumeric = 19, dbDecimal = 20, dbFloat = 21, dbTime = 22,
    dbTimeStamp = 23,
};
constexpr int dbAutoIncrField = 16;               // field attribute bit
constexpr int dbSystemObject = INT32_MIN;         // table attributes 0x80000000
constexpr int dbHiddenObject = 2;

struct Property {
    QString name;
    automation::Variant value;
};

struct FieldDef {
    QString name;
    int type = dbText;
    int size = 50;
    int attributes = 0;
    std::vector<Property> properties;             // built-in ones first, then "Description" if any

    // A field with DAO's usual size for its type; description empty means none.
    static FieldDef make(const QString& name, int type, const QString& description = {}, int size = -1);
};

struct IndexDef {
    QString name;
    QStringList fields;
    bool primary = false;
};

using Row = std::vector<automation::Variant>;

struct TableDef {
    QString name;
    int attributes = 0;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
    std::vector<Row> rows;
};

// The result of a query text that is not "SELECT * FROM table".
struct QueryResult {
    QStringList columns;
    std::vector<Row> rows;
    QString error;                                // set: OpenRecordset fails with this text
};

struct DatabaseDef {
    QString path;
    QString version = QStringLiteral("3.0");      // the Version member; empty: not answered
    std::vector<TableDef> tables;                 // in the engine's order
    QHash<QString, QueryResult> queries;          // key: SQL text exactly as sent
};

// A failure armed for one call: the n-th call (from 1) of the member throws.
struct Failure {
    QString member;                               // "OpenDatabase" or "Recordset.MoveNext"
    int occurrence = 1;
    QString description = QStringLiteral("Simulated failure.");
};

class Server : public std::enable_shared_from_this<Server> {
public:
    static std::shared_ptr<Server> create();

    void addDatabase(DatabaseDef db);
    const DatabaseDef* database(const QString& path) const;

    void failAt(const Failure& failure);
    void clearFailures();

    // Every member call as "Kind.Member" (e.g. "Database.OpenRecordset"), in order.
    const QStringList& calls() const { return m_calls; }
    int callCount(const QString& kindDotMember) const;
    // Arguments of the last OpenDatabase and OpenRecordset calls.
    std::vector<automation::Variant> lastOpenDatabaseArgs;
    QString lastSql;
    int openDatabases = 0;                        // opened and not yet closed
    int openRecordsets = 0;

    automation::ObjectRef createEngine();
    // Registers a factory for this server under the class name.
    void registerAs(automation::Registry& registry, const QString& className);

    // Logs the call and throws when a failure is armed for it.
    void enter(const QString& kind, const QString& member);

private:
    Server() = default;
    std::vector<DatabaseDef> m_databases;
    std::vector<Failure> m_failures;
    QHash<QString, int> m_counts;                 // key: lower-cased member or kind.member
    QStringList m_calls;
};

// A database with a table of every type code, system and hidden tables, a table with a space in
// its name, empty, 42-row, 100-row and 5000-row tables and an index that is not the primary key.
DatabaseDef sampleDatabase(const QString& path);

} // namespace fakedao
