#include "sql_helpers.h"

TEST(SqlSmoke, Orders)
{
    auto db = sqltest::openFixture("jp_sample.mdb");
    auto r = sqltest::run(db, "SELECT * FROM Orders", 5);
    for (auto& l : sqltest::lines(r)) printf("%s\n", qPrintable(l));
    r = sqltest::run(db, "SELECT Customer, Count(*), Sum(Amount), Max(OrderDate) FROM Orders GROUP BY Customer ORDER BY 1");
    printf("%s\n", qPrintable(r.names.join(u',')));
    for (auto& l : sqltest::lines(r)) printf("%s\n", qPrintable(l));
}
