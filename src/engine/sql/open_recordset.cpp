#include "sql/open_recordset.h"

#include "automation/error.h"

namespace sql {

automation::Variant openRecordset(std::shared_ptr<jet::Database>, const QString&)
{
    throw automation::Error(QStringLiteral("The SQL engine is not available yet."));
}

void releaseDatabase(const jet::Database*) {}

} // namespace sql
