#pragma once
// A table definition: columns in display order, logical indexes, properties.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "jet/property.h"
#include "jet/types.h"

namespace jet {

namespace detail { struct DbCore; }

namespace column_flags {
inline constexpr uint8_t Fixed = 0x01;
inline constexpr uint8_t Nullable = 0x02;
inline constexpr uint8_t AutoNumber = 0x04;
inline constexpr uint8_t Replication = 0x10;
inline constexpr uint8_t GuidAutoNumber = 0x40;
inline constexpr uint8_t Hyperlink = 0x80;
}  // namespace column_flags

struct Column {
    std::string name;          // UTF-8
    uint8_t type = 0;          // ColumnType code as stored
    uint16_t number = 0;       // column number (null-mask bit; survives deletions)
    uint16_t varIndex = 0;     // slot in the row's variable-offset table
    uint16_t fixedOffset = 0;  // offset in the row's fixed area
    uint16_t length = 0;       // stored length in bytes (0 for memo/OLE)
    uint16_t charLength = 0;   // text: characters (Jet 4/ACE: length / 2), else 0
    uint8_t precision = 0;     // Numeric
    uint8_t scale = 0;         // Numeric
    uint8_t flags = 0;         // column_flags
    uint8_t extFlags = 0;      // Jet 4+: 0x01 compressed unicode, 0xC0 calculated
    uint16_t codePage = 0;     // Jet 3 text columns: code page of the definition (0 = database's)
    uint16_t sortOrder = 0;
    uint32_t complexId = 0;    // Complex columns: id in MSysComplexColumns
    uint8_t resultType = 0;    // calculated columns: type of the stored result ("ResultType")
    size_t displayIndex = 0;   // position in Table::columns()
    PropertyList properties;   // stored properties in stored order ("Description", ...)

    ColumnType columnType() const { return static_cast<ColumnType>(type); }
    bool isFixed() const { return (flags & column_flags::Fixed) != 0; }
    bool isAutoNumber() const { return (flags & column_flags::AutoNumber) != 0; }
    bool isGuidAutoNumber() const { return (flags & column_flags::GuidAutoNumber) != 0; }
    bool isHyperlink() const { return (flags & column_flags::Hyperlink) != 0; }
    bool isCompressedUnicode() const { return (extFlags & 0x01) != 0; }
    bool isCalculated() const { return (extFlags & 0xC0) != 0; }
    bool isLongValue() const { return type == 0x0B || type == 0x0C; }
    // "Description" property text, empty when there is none.
    std::string description() const;
};

struct IndexColumn {
    size_t column = 0;        // display index into Table::columns()
    uint16_t columnNumber = 0;
    bool ascending = true;
};

struct Index {
    std::string name;
    uint32_t number = 0;        // logical index number
    uint32_t realIndex = 0;     // physical index it uses
    bool primary = false;
    bool foreignKey = false;
    bool unique = false;
    bool ignoreNulls = false;
    bool required = false;
    // Foreign-key indexes (an enforced relationship): the other side and what it cascades.
    uint32_t relatedTablePage = 0;
    uint32_t relatedIndex = 0;
    bool cascadeUpdates = false;
    bool cascadeDeletes = false;
    std::vector<IndexColumn> columns;  // key order
};

class Table : public std::enable_shared_from_this<Table> {
public:
    const std::string& name() const { return name_; }
    uint32_t tdefPage() const { return tdefPage_; }
    uint32_t rowCount() const { return rowCount_; }  // as the definition records it
    bool isSystemDefinition() const { return tableType_ == 0x53; }

    const std::vector<Column>& columns() const { return columns_; }
    const Column* findColumn(std::string_view name) const;  // case-insensitive
    const std::vector<Index>& indexes() const { return indexes_; }
    const PropertyList& properties() const { return properties_; }
    std::string description() const;

    // Complex columns: number of items behind a key, -1 when unknown.
    int32_t complexItemCount(size_t displayIndex, int32_t key) const;

    // Internals for the cursor.
    const std::shared_ptr<detail::DbCore>& core() const { return core_; }
    uint32_t usageMapPointer() const { return usageMap_; }
    uint16_t maxColumns() const { return maxCols_; }
    uint16_t variableColumnCount() const { return numVarCols_; }

private:
    friend struct TableLoader;
    std::shared_ptr<detail::DbCore> core_;
    std::string name_;
    uint32_t tdefPage_ = 0;
    uint32_t rowCount_ = 0;
    uint8_t tableType_ = 0;
    uint16_t maxCols_ = 0;
    uint16_t numVarCols_ = 0;
    uint32_t usageMap_ = 0;
    std::vector<Column> columns_;
    std::vector<Index> indexes_;
    PropertyList properties_;
    // display index -> (key -> items) for complex columns whose hidden table could be read
    std::vector<std::pair<size_t, std::unordered_map<int32_t, int32_t>>> complexCounts_;
};

}  // namespace jet
