// Open + list inside one process: what `tabulon-cli tables` costs without process start-up
// (loading Qt and ICU). Opens the database through the DAO engine, reads every TableDefs entry's
// Attributes and the names of the listed ones, closes; prints the first (cold) run and the
// median of the rest.
#include "automation/object.h"
#include "automation/registry.h"
#include "dao/engine_registration.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <vector>

using automation::Variant;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: open_list DB\n");
        return 1;
    }
    automation::Registry registry;
    dao::registerEngine(registry);
    std::vector<double> ms;
    int listed = 0;
    for (int run = 0; run < 21; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        const Variant engine = registry.create(QStringLiteral("DAO.DBEngine.35"));
        const Variant ws = automation::get(engine, QStringLiteral("Workspaces"), Variant(std::int32_t(0)));
        const Variant db = automation::call(ws, QStringLiteral("OpenDatabase"),
                                            {Variant(QString::fromLocal8Bit(argv[1])), Variant::missing(), Variant(true)});
        const int n = automation::get(automation::get(db, QStringLiteral("TableDefs")), QStringLiteral("Count")).toInt();
        listed = 0;
        for (int i = 0; i < n; ++i) {
            const Variant t = automation::get(db, QStringLiteral("TableDefs"), Variant(std::int32_t(i)));
            const int a = automation::get(t, QStringLiteral("Attributes")).toInt();
            if (a != INT_MIN && a != 2) {
                automation::get(t, QStringLiteral("Name"));
                ++listed;
            }
        }
        automation::call(db, QStringLiteral("Close"));
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
    const double cold = ms.front();
    std::sort(ms.begin() + 1, ms.end());
    std::printf("%-28s %8.2f ms cold, %.2f ms warm median (%d tables listed; target < 20 ms)\n",
                "  open + list in-process", cold, ms[ms.size() / 2], listed);
    return 0;
}
