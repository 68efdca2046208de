#pragma once
// Relationships between tables as the catalog keeps them (MSysRelationships: one row per column
// pair, grouped by the relationship's name).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jet/result.h"

namespace jet {

class Database;

// Bits of MSysRelationships.grbit.
namespace relationship_flags {
inline constexpr uint32_t OneToOne = 0x00000001u;
inline constexpr uint32_t NotEnforced = 0x00000002u;
inline constexpr uint32_t CascadeUpdates = 0x00000100u;
inline constexpr uint32_t CascadeDeletes = 0x00001000u;
inline constexpr uint32_t CascadeNulls = 0x00002000u;
inline constexpr uint32_t LeftJoin = 0x01000000u;
inline constexpr uint32_t RightJoin = 0x02000000u;
}  // namespace relationship_flags

struct ColumnPair {
    std::string column;            // in the referring table
    std::string referencedColumn;  // in the referenced table
};

struct Relationship {
    std::string name;
    std::string table;            // the referring table (szObject)
    std::string referencedTable;  // the table referred to (szReferencedObject)
    std::vector<ColumnPair> columns;  // key order (icolumn)
    uint32_t flags = 0;               // relationship_flags, as stored
    // False when the rows found do not make up the column count the rows state (a damaged or
    // partly unreadable catalog): the relationship must not be trusted as a key.
    bool complete = true;

    bool enforced() const { return (flags & relationship_flags::NotEnforced) == 0; }
    bool cascadeUpdates() const { return (flags & relationship_flags::CascadeUpdates) != 0; }
    bool cascadeDeletes() const { return (flags & relationship_flags::CascadeDeletes) != 0; }
    bool cascadeNulls() const { return (flags & relationship_flags::CascadeNulls) != 0; }
    bool oneToOne() const { return (flags & relationship_flags::OneToOne) != 0; }
};

struct RelationshipList {
    std::vector<Relationship> relationships;  // in the order of their first row
    uint64_t unreadableRows = 0;              // rows of the catalog table that could not be read
    std::optional<Error> firstLoss;
};

// Every relationship of the database, system tables' too. A database without the catalog table
// has none; an error only when the table exists but cannot be opened or scanned.
Result<RelationshipList> readRelationships(Database& db);

}  // namespace jet
