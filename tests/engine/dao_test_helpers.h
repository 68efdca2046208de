#pragma once
// Opening test databases through the registered DAO engine, as the program does.

#include "automation/object.h"
#include "automation/registry.h"
#include "dao/engine_registration.h"

#include <QString>

namespace daotest {

using automation::Variant;

inline QString dataPath(const QString& relative)
{
    return QStringLiteral(TABULON_TEST_DATA "/") + relative;
}

inline Variant engine()
{
    automation::Registry registry;
    dao::registerEngine(registry);
    return registry.create(QStringLiteral("DAO.DBEngine.35"));
}

inline Variant openDatabase(const QString& path)
{
    const Variant workspace = automation::get(engine(), QStringLiteral("Workspaces"), Variant(std::int32_t(0)));
    return automation::call(workspace, QStringLiteral("OpenDatabase"), {Variant(path), Variant::missing(), Variant(true)});
}

inline Variant item(const Variant& target, const char* member, int i)
{
    return automation::get(target, QString::fromLatin1(member), Variant(std::int32_t(i)));
}

inline Variant prop(const Variant& target, const char* member)
{
    return automation::get(target, QString::fromLatin1(member));
}

inline int count(const Variant& target, const char* collection)
{
    return prop(prop(target, collection), "Count").toInt();
}

// TableDefs by name, exact.
inline Variant tableDef(const Variant& db, const QString& name)
{
    const int n = count(db, "TableDefs");
    for (int i = 0; i < n; ++i) {
        const Variant t = item(db, "TableDefs", i);
        if (prop(t, "Name").toString() == name)
            return t;
    }
    return Variant();
}

} // namespace daotest
