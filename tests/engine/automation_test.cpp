#include "automation/object.h"
#include "automation/registry.h"

#include <gtest/gtest.h>

using automation::Error;
using automation::Invoke;
using automation::Variant;

namespace {

class Counter : public automation::DispatchObject {
public:
    Counter()
    {
        addMember(QStringLiteral("Count"), [this](Invoke, std::span<const Variant>) { return Variant(m_count); });
        addMember(QStringLiteral("Add"), [this](Invoke kind, std::span<const Variant> args) {
            expectArgs(args, 1, 1, QStringLiteral("Add"));
            lastKind = kind;
            m_count += args[0].toInt();
            return Variant();
        });
        addMember(QStringLiteral("Item"), [](Invoke kind, std::span<const Variant> args) {
            expectArgs(args, 1, 1, QStringLiteral("Item"));
            EXPECT_EQ(kind, Invoke::PropertyGet);
            if (args[0].toInt() != 0) throw Error(QStringLiteral("Item not found in this collection."));
            return Variant(QStringLiteral("first"));
        });
    }
    Invoke lastKind = Invoke::MethodOrGet;

private:
    std::int32_t m_count = 0;
};

TEST(Automation, MembersMatchWithoutRegardToCaseAndCarryTheirInvocationKind)
{
    auto counter = std::make_shared<Counter>();
    const Variant obj{automation::ObjectRef(counter)};
    automation::call(obj, QStringLiteral("aDD"), {Variant(std::int32_t{5})});
    EXPECT_EQ(counter->lastKind, Invoke::Method);
    EXPECT_EQ(automation::get(obj, QStringLiteral("COUNT")).toInt(), 5);
    EXPECT_EQ(automation::get(obj, QStringLiteral("item"), Variant(0)).toString(), QStringLiteral("first"));
}

TEST(Automation, FailuresCarryTheServersDescription)
{
    const Variant obj{automation::ObjectRef(std::make_shared<Counter>())};
    try {
        automation::get(obj, QStringLiteral("Item"), Variant(3));
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.description(), QStringLiteral("Item not found in this collection."));
    }
    EXPECT_THROW(automation::get(obj, QStringLiteral("NoSuchMember")), Error);
    EXPECT_THROW(automation::call(obj, QStringLiteral("Add")), Error);              // missing argument
    EXPECT_THROW(automation::get(Variant(), QStringLiteral("Count")), Error);       // no object yet
    EXPECT_THROW(automation::get(Variant::null(), QStringLiteral("Count")), Error);
}

TEST(Automation, RegistryCreatesByClassNameAndReportsFailures)
{
    automation::Registry reg;
    reg.add(QStringLiteral("DAO.DBEngine"), [] { return std::make_shared<Counter>(); });
    reg.add(QStringLiteral("Broken.Engine"), []() -> automation::ObjectRef { throw std::runtime_error("server died"); });
    reg.add(QStringLiteral("Null.Engine"), []() -> automation::ObjectRef { return nullptr; });

    EXPECT_TRUE(reg.create(QStringLiteral("dao.dbengine")).isObject());
    EXPECT_TRUE(reg.contains(QStringLiteral("DAO.DBENGINE")));
    EXPECT_FALSE(reg.contains(QStringLiteral("")));

    for (const char* bad : {"", "   ", "DAO.DBEngine.35", "\x01\x02", "Broken.Engine", "Null.Engine"}) {
        try {
            reg.create(QString::fromLatin1(bad));
            ADD_FAILURE() << bad;
        } catch (const Error& e) {
            EXPECT_FALSE(e.description().isEmpty()) << bad;
        }
    }
    const QString huge(100000, u'x');
    EXPECT_THROW(reg.create(huge), Error);
}

TEST(Automation, VariantConversions)
{
    EXPECT_EQ(Variant(true).toInt(), -1);
    EXPECT_EQ(Variant(std::int16_t{-7}).toInt64(), -7);
    EXPECT_DOUBLE_EQ(Variant(automation::Currency{-12345}).toDouble(), -1.2345);
    EXPECT_THROW(Variant(std::int64_t{1} << 40).toInt(), Error);
    EXPECT_THROW(Variant(QStringLiteral("abc")).toDouble(), Error);
    EXPECT_THROW(Variant().toObject(), Error);
    EXPECT_EQ(Variant::null().type(), Variant::Type::Null);
    EXPECT_EQ(Variant::missing().type(), Variant::Type::Missing);
    EXPECT_EQ(automation::Decimal({-5, 2}).toString(), QStringLiteral("-0.05"));
    EXPECT_EQ(automation::Decimal({1200, 2}).toString(), QStringLiteral("12"));
    EXPECT_EQ(automation::Decimal({0, 4}).toString(), QStringLiteral("0"));
}

} // namespace
