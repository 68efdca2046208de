#include "dao/properties.h"

#include "dao/dao_types.h"
#include "dao/database_state.h"

namespace dao {

namespace {

// DataTypeEnum of a stored property from the column type code it is stored with.
int storedType(std::uint8_t code)
{
    switch (code) {
    case 0x10: return type_code::Decimal;
    case 0x13: return type_code::BigInt;
    default: return code;
    }
}

} // namespace

void appendStored(std::vector<PropertyItem>& items, const jet::PropertyList& stored)
{
    for (const jet::Property& p : stored) {
        const QString name = QString::fromStdString(p.name);
        bool present = false;
        for (const PropertyItem& item : items)
            present = present || item.name.compare(name, Qt::CaseInsensitive) == 0;
        if (!present)
            items.push_back({name, toVariant(p.value.view()), storedType(p.type)});
    }
}

std::shared_ptr<Collection> makeProperties(std::shared_ptr<const DatabaseState> state,
                                           std::vector<PropertyItem> items)
{
    auto list = std::make_shared<const std::vector<PropertyItem>>(std::move(items));
    return std::make_shared<Collection>(
        [state, list] { state->check(); return static_cast<int>(list->size()); },
        [state, list](int i) -> automation::ObjectRef {
            state->check();
            const PropertyItem& p = (*list)[static_cast<std::size_t>(i)];
            return std::make_shared<Property>(p.name, p.value, p.type);
        },
        [list](const QString& name) {
            for (std::size_t i = 0; i < list->size(); ++i)
                if ((*list)[i].name.compare(name, Qt::CaseInsensitive) == 0)
                    return static_cast<int>(i);
            return -1;
        });
}

} // namespace dao
