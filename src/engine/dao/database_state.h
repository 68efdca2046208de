#pragma once
// What every DAO object of one open database shares: the reader's database, its path, the
// TableDefs order and whether Close was called. Objects hold this, never their parents, so
// that a client may keep a Field after dropping its TableDef without keeping cycles alive.

#include "jet/database.h"

#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace dao {

struct DatabaseState {
    std::shared_ptr<jet::Database> db;
    QString path;                    // full path as given to OpenDatabase
    std::vector<std::size_t> order;  // TableDefs order: indexes into db->tables()
    bool closed = false;
    // Complex column id -> DAO type code, read from MSysComplexColumns on first need.
    std::optional<std::map<std::uint32_t, int>> complexTypes;

    // Throws automation::Error once the database was closed.
    void check() const;
    const jet::CatalogEntry& entry(std::size_t tableDefIndex) const;
};

} // namespace dao
