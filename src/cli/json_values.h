#pragma once
// Cell values as JSON (the JSON Lines of `dump`, the items of complex columns): numbers as
// numbers, Currency and Decimal as exact strings, dates ISO 8601, Yes/No true/false, Null null,
// binary base64.

#include "jet/database.h"
#include "jet/value.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace cli {

void appendJsonValue(std::string& out, const jet::Value& v);

// The items of a table's complex columns (attachments, multi-value fields, version history), as
// a JSON array per key: a multi-value field's values, or one object per item with its columns
// (binary columns such as an attachment's file data left out).
class ComplexItems {
public:
    // Reads the item tables of the complex columns of one of `db`'s own tables. A column whose
    // items cannot be read whole is left out: its cells keep their item count.
    void load(jet::Database& db, const jet::Table& table);
    bool has(size_t displayIndex) const;
    // The array of the items behind `key` ("[]" when there are none).
    std::string_view json(size_t displayIndex, int32_t key) const;
    // Per column (by display index): how many items hold binary data the arrays leave out.
    std::vector<std::pair<size_t, uint64_t>> binaryLeftOut() const;

private:
    struct Column {
        size_t displayIndex;
        std::unordered_map<int32_t, std::string> arrays;
        uint64_t binaryItems = 0;
    };
    std::vector<Column> columns_;
};

} // namespace cli
