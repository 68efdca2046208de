#include "dao/collection.h"

#include "automation/error.h"

#include <cmath>

namespace dao {

QString itemNotFound()
{
    return QStringLiteral("Item not found in this collection.");
}

Collection::Collection(CountFn count, ItemFn item, FindFn find)
    : m_count(std::move(count)), m_item(std::move(item)), m_find(std::move(find))
{
    addMember(QStringLiteral("Count"), [this](automation::Invoke, std::span<const automation::Variant> args) {
        expectArgs(args, 0, 0, QStringLiteral("Count"));
        return automation::Variant(std::int32_t(this->count()));
    });
    addMember(QStringLiteral("Item"), [this](automation::Invoke, std::span<const automation::Variant> args) {
        expectArgs(args, 1, 1, QStringLiteral("Item"));
        return this->item(args[0]);
    });
}

int Collection::count() const
{
    return m_count();
}

automation::Variant Collection::item(const automation::Variant& key) const
{
    using T = automation::Variant::Type;
    int index = -1;
    if (key.type() == T::String) {
        index = m_find ? m_find(key.toString()) : -1;
    } else if (key.type() == T::Empty || key.type() == T::Null || key.type() == T::Missing
               || key.type() == T::Object) {
        throw automation::Error(QStringLiteral("Type mismatch."));
    } else {
        // A Single or Double index is rounded as the platform's conversion to Long does.
        const double d = std::nearbyint(key.toDouble());
        if (d >= 0 && d < 2147483648.0)
            index = static_cast<int>(d);
    }
    if (index < 0 || index >= count())
        throw automation::Error(itemNotFound());
    return automation::Variant(m_item(index));
}

automation::Variant collectionMember(const std::shared_ptr<Collection>& collection,
                                     std::span<const automation::Variant> args, const QString& member)
{
    if (args.empty())
        return automation::Variant(automation::ObjectRef(collection));
    if (args.size() > 1)
        throw automation::Error(QStringLiteral("Invalid number of parameters for %1.").arg(member));
    return collection->item(args[0]);
}

} // namespace dao
