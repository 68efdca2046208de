#pragma once
// A row source over a table of the JET reader.

#include "sql/row_source.h"

#include <memory>

namespace jet { class Table; }

namespace sql {

std::shared_ptr<RowSource> makeJetRowSource(std::shared_ptr<const jet::Table> table);

} // namespace sql
