#include "automation/object.h"

#include <new>

namespace automation {

Variant DispatchObject::invoke(const QString& member, Invoke kind, std::span<const Variant> args)
{
    const auto it = m_members.constFind(member.toLower());
    if (it == m_members.constEnd())
        throw Error(QStringLiteral("Unknown name: %1.").arg(member));
    return it.value()(kind, args);
}

void DispatchObject::addMember(const QString& name, Member fn)
{
    m_members.insert(name.toLower(), std::move(fn));
}

void DispatchObject::expectArgs(std::span<const Variant> args, std::size_t min, std::size_t max,
                                const QString& member)
{
    if (args.size() < min || args.size() > max)
        throw Error(QStringLiteral("Invalid number of parameters for %1.").arg(member));
}

Variant invoke(const Variant& target, const QString& member, Invoke kind, std::span<const Variant> args)
{
    // Only automation errors cross this boundary, each with a description a user can read.
    try {
        return target.toObject()->invoke(member, kind, args);
    } catch (const Error&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw Error(QStringLiteral("Not enough memory to finish %1.").arg(member));
    } catch (const std::exception& e) {
        throw Error(QString::fromUtf8(e.what()));
    }
}

Variant get(const Variant& target, const QString& member)
{
    return invoke(target, member, Invoke::MethodOrGet, {});
}

Variant get(const Variant& target, const QString& member, const Variant& index)
{
    return invoke(target, member, Invoke::PropertyGet, std::span<const Variant>(&index, 1));
}

Variant call(const Variant& target, const QString& member, std::initializer_list<Variant> args)
{
    return invoke(target, member, Invoke::Method, std::span<const Variant>(args.begin(), args.size()));
}

} // namespace automation
