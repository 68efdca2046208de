#pragma once
// Building a Properties collection: the built-in properties first, then the stored ones
// ("Description", "Format", ...) in stored order, each name once.

#include "dao/collection.h"
#include "dao/property.h"
#include "jet/property.h"

#include <memory>
#include <vector>

namespace dao {

struct DatabaseState;

// Appends the stored properties whose names are not in the list yet.
void appendStored(std::vector<PropertyItem>& items, const jet::PropertyList& stored);

std::shared_ptr<Collection> makeProperties(std::shared_ptr<const DatabaseState> state,
                                           std::vector<PropertyItem> items);

} // namespace dao
