#pragma once
// DAO TableDef: Name and Attributes from the catalog; Fields, Indexes and Properties read the
// table definition on first use, so listing the tables of a database stays cheap.

#include "dao/dao_object.h"
#include "jet/table.h"

namespace dao {

class TableDef : public DaoObject {
public:
    TableDef(std::shared_ptr<DatabaseState> state, std::size_t tableDefIndex);

private:
    const jet::CatalogEntry& entry() const { return state()->entry(m_index); }
    // The table definition; throws automation::Error when it cannot be read.
    std::shared_ptr<const jet::Table> table() const;

    std::size_t m_index;
};

} // namespace dao
