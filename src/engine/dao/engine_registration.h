#pragma once
// Registers the built-in DAO engine under the class names a configuration may name.

#include "automation/registry.h"

namespace dao {

// "DAO.DBEngine.35", "DAO.DBEngine" and "DAO.Private.DBEngine".
void registerEngine(automation::Registry& registry);

} // namespace dao
