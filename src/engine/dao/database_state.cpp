#include "dao/database_state.h"

#include "automation/error.h"

namespace dao {

void DatabaseState::check() const
{
    if (closed || !db)
        throw automation::Error(QStringLiteral("Object invalid or no longer set."));
}

const jet::CatalogEntry& DatabaseState::entry(std::size_t tableDefIndex) const
{
    return db->tables().at(order.at(tableDefIndex));
}

} // namespace dao
