#pragma once
// DAO DBEngine: Workspaces(0) is the default workspace; OpenDatabase goes through it.

#include "dao/dao_object.h"

namespace dao {

class DBEngine : public DaoObject {
public:
    DBEngine();

private:
    automation::ObjectRef m_workspace;
};

} // namespace dao
