#pragma once
// DAO Database: Name, TableDefs (sorted by name without regard to case, system tables
// included), OpenRecordset and Close.

#include "dao/dao_object.h"

namespace dao {

class Database : public DaoObject {
public:
    Database(std::shared_ptr<jet::Database> db, QString path);
};

} // namespace dao
