#pragma once
// File names for tables: readable, safe in a shell loop and on any file system, unique.

#include <set>
#include <string>
#include <string_view>

namespace cli {

// The table name with everything a shell or a file system treats specially (blanks, slashes,
// quotes, wildcards, control characters, bytes that are not UTF-8) replaced by '_'; letters of
// any script are kept. Never empty, never starts with '.' or '-', at most 200 bytes.
std::string safeFileStem(std::string_view tableName);

// Hands out stems that differ from every one before without regard to case (a case-insensitive
// file system must not merge two tables): "Orders", "Orders_2", ...
class UniqueFileNames {
public:
    std::string claim(std::string_view tableName);

private:
    std::set<std::string> taken_;
};

} // namespace cli
