#pragma once
// Canonical CSV text of automation values (query results): the same forms as the reader's
// table export, so that `query` and `export` agree cell by cell.

#include "automation/variant.h"

#include <string>

namespace cli {

// Appends one CSV field (RFC 4180 quoting when needed). Null and Empty give an empty unquoted
// field, an empty string and a zero-length binary value give "".
void appendVariantField(std::string& out, const automation::Variant& value);

// The canonical text without quoting.
std::string variantText(const automation::Variant& value);

} // namespace cli
