#pragma once
// A DAO collection (TableDefs, Fields, Indexes, Properties): Count, Item(i) and Item(name).
// The owning member answers both `Fields` (the collection) and `Fields(i)` (an item).

#include "automation/object.h"

#include <functional>

namespace dao {

class Collection : public automation::DispatchObject {
public:
    using CountFn = std::function<int()>;
    using ItemFn = std::function<automation::ObjectRef(int)>;
    using FindFn = std::function<int(const QString&)>;   // index of a name, -1 when none

    Collection(CountFn count, ItemFn item, FindFn find);

    int count() const;
    // An index (0-based) or a name; throws "Item not found in this collection." otherwise.
    automation::Variant item(const automation::Variant& key) const;

private:
    CountFn m_count;
    ItemFn m_item;
    FindFn m_find;
};

// Answers a collection member: no argument gives the collection, one argument an item.
automation::Variant collectionMember(const std::shared_ptr<Collection>& collection,
                                     std::span<const automation::Variant> args,
                                     const QString& member);

// The description DAO gives for a missing item.
QString itemNotFound();

} // namespace dao
