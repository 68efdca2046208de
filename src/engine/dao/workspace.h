#pragma once
// DAO Workspace: OpenDatabase(path[, options[, read-only[, connect]]]). Every database is
// opened read-only; nothing is ever written to the file.

#include "dao/dao_object.h"

namespace dao {

class Workspace : public DaoObject {
public:
    Workspace();

    // Throws automation::Error with a readable description when the file cannot be opened.
    static automation::ObjectRef openDatabase(const QString& path);
};

// The reader's database for a path, with the same checks and error texts as OpenDatabase.
std::shared_ptr<jet::Database> openJetDatabase(const QString& path);

} // namespace dao
