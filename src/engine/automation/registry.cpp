#include "automation/registry.h"

#include "automation/error.h"

#include <exception>

namespace automation {

Registry& Registry::global()
{
    static Registry registry;
    return registry;
}

void Registry::add(const QString& className, Factory factory)
{
    std::lock_guard lock(m_mutex);
    m_factories[className.toLower()] = std::move(factory);
}

void Registry::remove(const QString& className)
{
    std::lock_guard lock(m_mutex);
    m_factories.erase(className.toLower());
}

void Registry::clear()
{
    std::lock_guard lock(m_mutex);
    m_factories.clear();
}

bool Registry::contains(const QString& className) const
{
    std::lock_guard lock(m_mutex);
    return !className.trimmed().isEmpty() && m_factories.count(className.toLower()) != 0;
}

Variant Registry::create(const QString& className) const
{
    Factory factory;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_factories.find(className.toLower());
        if (className.trimmed().isEmpty() || it == m_factories.end())
            throw Error(QStringLiteral("Invalid class string."));
        factory = it->second;
    }
    ObjectRef object;
    try {
        object = factory();
    } catch (const Error&) {
        throw;
    } catch (const std::exception& e) {
        throw Error(QString::fromUtf8(e.what()));
    } catch (...) {
        throw Error(QStringLiteral("Server execution failed."));
    }
    if (!object)
        throw Error(QStringLiteral("Server execution failed."));
    return Variant(std::move(object));
}

} // namespace automation
