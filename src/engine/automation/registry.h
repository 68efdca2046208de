#pragma once
// Class name to factory: how the program creates its engine from the configured class name.

#include "automation/variant.h"

#include <QString>

#include <functional>
#include <map>
#include <mutex>

namespace automation {

class Registry {
public:
    using Factory = std::function<ObjectRef()>;

    // The process-wide registry the program creates its engine through.
    static Registry& global();

    void add(const QString& className, Factory factory);
    void remove(const QString& className);
    void clear();
    bool contains(const QString& className) const;

    // Throws Error with the platform's text for an unknown class ("Invalid class string.")
    // or the factory's own description when it fails.
    Variant create(const QString& className) const;

private:
    mutable std::mutex m_mutex;
    std::map<QString, Factory> m_factories;   // key: class name lower-cased
};

} // namespace automation
