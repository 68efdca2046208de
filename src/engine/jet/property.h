#pragma once
// Stored properties ("Description", "Format", ...) from the catalog's LvProp blobs.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/value.h"

namespace jet {

struct Property {
    std::string name;   // UTF-8
    uint8_t type = 0;   // column type code of the stored value (10 text, 1 boolean, ...)
    bool ddl = false;   // flag byte of the stored entry
    OwnedValue value;
};

using PropertyList = std::vector<Property>;  // in stored order

// First property of that name (case-insensitive ASCII match), or nullptr.
const Property* findProperty(const PropertyList& list, std::string_view name);

}  // namespace jet
