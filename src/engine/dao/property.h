#pragma once
// DAO Property: Name, Value, Type of one built-in or stored property.

#include "automation/object.h"

namespace dao {

class Property : public automation::DispatchObject {
public:
    Property(QString name, automation::Variant value, int type);
};

// A Properties collection over a fixed list, built when the collection is asked for.
struct PropertyItem {
    QString name;
    automation::Variant value;
    int type = 10;   // DataTypeEnum of the value
};

} // namespace dao
