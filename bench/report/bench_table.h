#pragma once
// A wide table served by the DAO test double, opened as the program opens one: fields of eight
// types in turn, each with a description, the first in the primary key.

#include "support/fake_dao.h"

#include <memory>

struct BenchTable {
    std::shared_ptr<fakedao::Server> server;
    automation::Variant database;
    automation::Variant tableDef;
};

inline BenchTable benchTable(const QString& name, int fieldCount)
{
    const int types[] = {fakedao::dbLong, fakedao::dbText, fakedao::dbDate, fakedao::dbDouble, fakedao::dbMemo,
                         fakedao::dbBoolean, fakedao::dbCurrency, fakedao::dbBinary};
    fakedao::TableDef table;
    table.name = name;
    for (int i = 1; i <= fieldCount; ++i)
        table.fields.push_back(fakedao::FieldDef::make(QStringLiteral("項目%1").arg(i, 3, 10, QLatin1Char('0')),
                                                       types[i % 8], QStringLiteral("説明 %1").arg(i)));
    if (fieldCount > 0)
        table.indexes = {{QStringLiteral("PrimaryKey"), {table.fields[0].name}, true}};
    fakedao::DatabaseDef db;
    db.path = QStringLiteral("/bench/wide.mdb");
    db.tables.push_back(table);
    BenchTable out;
    out.server = fakedao::Server::create();
    out.server->addDatabase(db);
    using automation::Variant;
    const Variant engine(out.server->createEngine());
    const Variant ws = automation::get(engine, QStringLiteral("Workspaces"), Variant(std::int32_t(0)));
    out.database = automation::call(ws, QStringLiteral("OpenDatabase"), {Variant(db.path), Variant::missing(), Variant(true)});
    out.tableDef = automation::get(out.database, QStringLiteral("TableDefs"), Variant(std::int32_t(0)));
    return out;
}
