#pragma once
// Base of the DAO objects: read-only properties that take no arguments, checked against a
// closed database before every call.

#include "automation/object.h"
#include "dao/database_state.h"

#include <functional>
#include <memory>

namespace dao {

class DaoObject : public automation::DispatchObject {
protected:
    explicit DaoObject(std::shared_ptr<DatabaseState> state = {}) : m_state(std::move(state)) {}

    // A property read without arguments.
    void addProperty(const QString& name, std::function<automation::Variant()> get)
    {
        addMember(name, [this, name, get = std::move(get)](automation::Invoke, std::span<const automation::Variant> args) {
            expectArgs(args, 0, 0, name);
            checkOpen();
            return get();
        });
    }
    void checkOpen() const
    {
        if (m_state)
            m_state->check();
    }
    const std::shared_ptr<DatabaseState>& state() const { return m_state; }

private:
    std::shared_ptr<DatabaseState> m_state;
};

} // namespace dao
