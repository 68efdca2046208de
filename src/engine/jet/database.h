#pragma once
// Read-only access to a JET database (.mdb Jet 3/Jet 4, .accdb ACE). No locks are taken and
// nothing is ever written. One Database is used from one thread at a time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "jet/property.h"
#include "jet/result.h"
#include "jet/types.h"

namespace jet {

class Table;
namespace detail { struct DbCore; class ByteSource; }

// Catalog object types (MSysObjects.Type).
namespace object_type {
inline constexpr int Table = 1;
inline constexpr int LinkedOdbc = 4;
inline constexpr int Query = 5;
inline constexpr int LinkedTable = 6;
}  // namespace object_type

// Catalog flag bits (MSysObjects.Flags, kept as stored).
namespace object_flags {
inline constexpr uint32_t System = 0x80000000u;
inline constexpr uint32_t Hidden = 0x00000002u;
}  // namespace object_flags

struct CatalogEntry {
    std::string name;        // UTF-8
    int32_t id = 0;          // MSysObjects.Id (low 24 bits: table definition page)
    int32_t parentId = 0;
    int32_t type = 0;        // object_type
    uint32_t flags = 0;      // as stored
    uint32_t tdefPage = 0;   // 0 for objects that are no local table
    std::string linkedDatabase;  // linked tables: path of the other file as stored
    std::string foreignName;     // linked tables: table name in the other file
    std::string connect;         // ODBC links
    PropertyList properties;     // object-level properties ("Description", ...)

    bool isSystem() const { return (flags & object_flags::System) != 0; }
    bool isLocalTable() const { return type == object_type::Table; }
    bool isLinked() const { return type == object_type::LinkedTable || type == object_type::LinkedOdbc; }
    bool isTable() const { return isLocalTable() || isLinked(); }
};

// The hidden table that holds the items of a complex column (attachments, multi-value fields,
// version history): one row per item, `keyColumn` holding the key the column's cells carry.
struct ComplexItemTable {
    std::shared_ptr<const Table> table;
    size_t keyColumn = 0;  // display index in `table`
};

struct OpenOptions {
    size_t cachePages = 256;  // bounded page cache (pages, not bytes)
};

class Database {
public:
    // A file on disk, opened read-only (pread, bounded cache).
    static Result<std::unique_ptr<Database>> open(const std::string& path, const OpenOptions& options = {});
    // Bytes in memory (fuzzing, tests). `name` only appears in messages; links resolve relative to it.
    static Result<std::unique_ptr<Database>> openBuffer(std::vector<std::byte> bytes, std::string name = {});

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const;
    Version version() const;
    bool isJet3() const { return version() == Version::Jet3; }
    uint32_t pageSize() const;
    uint32_t pageCount() const;
    uint16_t codePage() const;  // from the header (Jet 3 text uses it)

    // Every table of the catalog (local type 1, linked types 4 and 6), system tables included,
    // in catalog order. Callers filter with isSystem() / flags.
    const std::vector<CatalogEntry>& tables() const;
    // Every catalog row (queries, forms, ...) for callers that want more than tables.
    const std::vector<CatalogEntry>& objects() const;
    // Catalog entry of a table by name, case-insensitive; nullptr when there is none.
    const CatalogEntry* findTable(std::string_view name) const;

    // A table by name (case-insensitive; system tables such as MSysQueries too). Cached.
    // Linked tables open the other database (absolute path, or relative to this file's folder).
    Result<std::shared_ptr<const Table>> table(std::string_view name);

    // The item table of a complex column of one of this database's own tables.
    Result<ComplexItemTable> complexItemTable(const struct Column& c);

    // The table at a table-definition page, without a catalog entry (system bootstrap, tests).
    Result<std::shared_ptr<const Table>> tableAtPage(uint32_t tdefPage, std::string name);

    struct State;

private:
    void countComplexItems(Table& t, const struct Column& c);
    explicit Database(std::unique_ptr<State> state);
    static Result<std::unique_ptr<Database>> openSource(std::unique_ptr<detail::ByteSource> src,
                                                        std::string path, const OpenOptions& options);
    std::unique_ptr<State> s_;
};

}  // namespace jet
