#pragma once
// An object invoked by member name, the way a late-bound automation client calls its server.

#include "automation/error.h"
#include "automation/variant.h"

#include <QHash>
#include <QString>

#include <functional>
#include <initializer_list>
#include <span>
#include <vector>

namespace automation {

// The three ways a member is invoked.
enum class Invoke {
    MethodOrGet,   // a read without arguments
    PropertyGet,   // an indexed read, e.g. TableDefs(i)
    Method,        // a call whose result is not used
};

class Object {
public:
    virtual ~Object() = default;
    // Names match without regard to case. Unknown members and server failures throw Error.
    virtual Variant invoke(const QString& member, Invoke kind, std::span<const Variant> args) = 0;
};

// Convenience base: members registered by name, looked up case-insensitively.
class DispatchObject : public Object {
public:
    using Member = std::function<Variant(Invoke, std::span<const Variant>)>;
    Variant invoke(const QString& member, Invoke kind, std::span<const Variant> args) override;

protected:
    void addMember(const QString& name, Member fn);
    // Throws the error a server gives for a bad argument count or type.
    static void expectArgs(std::span<const Variant> args, std::size_t min, std::size_t max,
                           const QString& member);

private:
    QHash<QString, Member> m_members;   // key: lower-cased name
};

// Late-bound calls on a variant that should hold an object (as a client writes `db.TableDefs(i)`).
// Each throws Error when the variant holds no object ("Object required.").
Variant get(const Variant& target, const QString& member);                          // MethodOrGet
Variant get(const Variant& target, const QString& member, const Variant& index);    // PropertyGet
Variant call(const Variant& target, const QString& member, std::initializer_list<Variant> args = {}); // Method
Variant invoke(const Variant& target, const QString& member, Invoke kind, std::span<const Variant> args);

} // namespace automation
