#include "dao/property.h"

namespace dao {

Property::Property(QString name, automation::Variant value, int type)
{
    using automation::Invoke;
    using automation::Variant;
    addMember(QStringLiteral("Name"), [name](Invoke, std::span<const Variant> args) {
        expectArgs(args, 0, 0, QStringLiteral("Name"));
        return Variant(name);
    });
    addMember(QStringLiteral("Value"), [value](Invoke, std::span<const Variant> args) {
        expectArgs(args, 0, 0, QStringLiteral("Value"));
        return value;
    });
    addMember(QStringLiteral("Type"), [type](Invoke, std::span<const Variant> args) {
        expectArgs(args, 0, 0, QStringLiteral("Type"));
        return Variant(std::int16_t(type));
    });
    addMember(QStringLiteral("Inherited"), [](Invoke, std::span<const Variant> args) {
        expectArgs(args, 0, 0, QStringLiteral("Inherited"));
        return Variant(false);
    });
}

} // namespace dao
