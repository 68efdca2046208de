#pragma once
// A small RFC 4180 reader for comparing exports with the expected files: Null (an empty
// unquoted field) and the empty string ("") stay apart.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

using CsvRow = std::vector<std::optional<std::string>>;

std::vector<CsvRow> parseCsv(std::string_view text);

// Drops the named columns (by header) from every row.
std::vector<CsvRow> withoutColumns(std::vector<CsvRow> rows, const std::vector<std::string>& names);
