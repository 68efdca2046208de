#pragma once
// DAO Index: Name, Primary, Unique, Foreign, IgnoreNulls, Required, Fields in key order.

#include "dao/dao_object.h"
#include "jet/table.h"

namespace dao {

class Index : public DaoObject {
public:
    Index(std::shared_ptr<DatabaseState> state, std::shared_ptr<const jet::Table> table, std::size_t index);

private:
    const jet::Index& index() const { return m_table->indexes()[m_index]; }

    std::shared_ptr<const jet::Table> m_table;
    std::size_t m_index;
};

} // namespace dao
