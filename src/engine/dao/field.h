#pragma once
// DAO Field of a table definition or of an index: Name, Type, Size, Attributes, Properties.

#include "dao/dao_object.h"
#include "jet/table.h"

#include <optional>

namespace dao {

class Field : public DaoObject {
public:
    // `descending` is set for the fields of an index (their Attributes say the key direction).
    Field(std::shared_ptr<DatabaseState> state, std::shared_ptr<const jet::Table> table,
          std::size_t column, std::optional<bool> descending = std::nullopt);

private:
    const jet::Column& column() const { return m_table->columns()[m_column]; }

    std::shared_ptr<const jet::Table> m_table;
    std::size_t m_column;
};

} // namespace dao
