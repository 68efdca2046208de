#pragma once
// Internal state shared by the database, its tables and cursors.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "jet/database.h"
#include "jet/page_store.h"
#include "jet/result.h"
#include "jet/types.h"

namespace jet {
class Table;
// Builds Table objects (friend of Table).
struct TableLoader;
}  // namespace jet

namespace jet::detail {

// Offsets that differ between Jet 3 and Jet 4/ACE.
struct Format {
    Version version = Version::Jet4;
    bool jet3 = false;
    uint32_t pageSize = 4096;

    size_t dataRowCount;      // data page: number of row slots
    size_t tdefRowCount;
    size_t tdefTableType;
    size_t tdefMaxCols;
    size_t tdefNumVarCols;
    size_t tdefNumCols;
    size_t tdefNumIdx;
    size_t tdefNumRealIdx;
    size_t tdefUsageMap;
    size_t tdefRealIdxStart;
    size_t realIdxEntry;      // per real index in the header block
    size_t colEntry;          // per column definition
    size_t nameLenSize;       // 1 (Jet 3) or 2
    size_t realIdxDef;        // per real index definition (key columns)
    size_t realIdxFlags;      // its flags byte: 0x01 unique, 0x02 ignore nulls, 0x08 required
    size_t logicalIdxEntry;

    static Format forVersion(Version v);
};

struct DbCore {
    std::string path;
    std::string folder;  // absolute folder of `path` when it was opened (links resolve against it)
    Format fmt;
    uint16_t codePage = 0;
    std::unique_ptr<PageStore> pages;

    Result<PageRef> page(uint32_t n) const { return pages->page(n); }
    uint32_t pageCount() const { return pages->pageCount(); }

    // Text of a Text/Memo value or a name: Jet 3 in the code page, otherwise UTF-16 (compressed form).
    void appendText(std::string& out, ByteSpan bytes, uint16_t columnCodePage = 0) const;
    std::string text(ByteSpan bytes, uint16_t columnCodePage = 0) const {
        std::string s;
        appendText(s, bytes, columnCodePage);
        return s;
    }
};

// Where a row lives in a data page: [start, end) inside the page, and its slot flags.
struct RowBounds {
    size_t start = 0;
    size_t end = 0;
    bool deleted = false;
    bool overflow = false;  // the slot holds a pointer to the row on another page
};

inline constexpr uint16_t kRowDeleted = 0x8000;
inline constexpr uint16_t kRowOverflow = 0x4000;
inline constexpr uint16_t kRowOffsetMask = 0x1FFF;

// Number of row slots of a data page, checked against the page size.
Result<uint16_t> rowSlotCount(const Format& f, const PageRef& page);
// The slots of a data page as its slot table and free-space field establish them (the slot
// table ends exactly `free` bytes before the lowest row), whatever its row count says: the
// number of slots and how many of them hold live rows. Nothing when the page does not tell.
struct SlotCount {
    uint32_t slots = 0;
    uint32_t live = 0;
};
std::optional<SlotCount> slotsByFreeSpace(const Format& f, ByteSpan page);
// Live rows of a data page whose row count is damaged.
inline std::optional<uint32_t> liveRowsOfDamagedPage(const Format& f, ByteSpan page) {
    auto c = slotsByFreeSpace(f, page);
    return c ? std::optional<uint32_t>(c->live) : std::nullopt;
}

// A row split into its parts: column count, null mask, fixed area and variable offsets.
struct RowLayout {
    uint16_t numCols = 0;
    size_t nullMask = 0;    // offset of the null mask in the row
    size_t fixedStart = 0;  // after the column count
    size_t fixedEnd = 0;
    uint16_t varCount = 0;  // entries of varOff minus one (the last is the end of the data)
};
// `firstVarColumn`: lowest column number of a variable-length column of the table (0xFFFF when
// there is none). A row has a variable-length section only when its column count covers such a
// column: rows written before the first one was added hold count, fixed data and null mask only.
// `varOff` is reused between rows so that a scan allocates nothing per row.
Result<RowLayout> splitRow(const Format& f, ByteSpan row, uint16_t firstVarColumn, std::vector<uint16_t>& varOff,
                           int64_t page = -1, int64_t offset = -1);
Result<RowBounds> rowBounds(const Format& f, const PageRef& page, uint16_t row);

// The bytes of the row at (page,row), following overflow pointers. `out` keeps the page alive.
// `skipDeleted`: a deleted slot is an error ("row deleted").
Result<ByteSpan> findRow(const DbCore& core, uint32_t page, uint16_t row, PageRef& out);

// A long value (memo/OLE) from its 12-byte row field: inline, one LVAL row, or a chain.
Result<void> readLongValue(const DbCore& core, ByteSpan field, std::vector<std::byte>& out);

// Pages listed by a usage map (row pointer from the table definition), ascending.
Result<std::vector<uint32_t>> readUsageMap(const DbCore& core, uint32_t rowPointer);

// A table definition (possibly spread over several pages) into a Table.
Result<std::shared_ptr<Table>> loadTable(const std::shared_ptr<DbCore>& core, uint32_t tdefPage, std::string name);

// LvProp blob: object-level properties and per-column ones (by column name).
struct PropertyBlob {
    PropertyList object;
    std::vector<std::pair<std::string, PropertyList>> columns;
};
Result<PropertyBlob> parseProperties(const DbCore& core, ByteSpan blob);

}  // namespace jet::detail

namespace jet {
struct TableLoader {
    static Result<std::shared_ptr<Table>> load(const std::shared_ptr<detail::DbCore>& core, uint32_t tdefPage,
                                               std::string name);
    static void setProperties(Table& t, const detail::PropertyBlob& blob);
    static void setComplexCounts(Table& t, size_t displayIndex, std::unordered_map<int32_t, int32_t> counts);
};
}  // namespace jet
