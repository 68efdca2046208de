#include "dao/engine_registration.h"

#include "dao/db_engine.h"

namespace dao {

void registerEngine(automation::Registry& registry)
{
    const auto factory = []() -> automation::ObjectRef { return std::make_shared<DBEngine>(); };
    for (const char* name : {"DAO.DBEngine.35", "DAO.DBEngine", "DAO.Private.DBEngine"})
        registry.add(QString::fromLatin1(name), factory);
}

} // namespace dao
