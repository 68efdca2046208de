// Damaged files through the DAO objects: a broken table definition is an automation error for
// that table only; the other tables still read.
#include "dao_test_helpers.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace daotest;

// Reads every member the program uses; returns how many tables failed with an error.
int readEverything(const Variant& db, QStringList* failed)
{
    int failures = 0;
    const int n = count(db, "TableDefs");
    for (int i = 0; i < n; ++i) {
        const Variant t = item(db, "TableDefs", i);
        const QString name = prop(t, "Name").toString();
        prop(t, "Attributes");
        try {
            for (int j = 0; j < count(t, "Fields"); ++j) {
                const Variant f = item(t, "Fields", j);
                prop(f, "Name"), prop(f, "Type"), prop(f, "Size"), prop(f, "Attributes");
                for (int k = 0; k < count(f, "Properties"); ++k)
                    prop(item(f, "Properties", k), "Value");
            }
            for (int x = 0; x < count(t, "Indexes"); ++x) {
                const Variant ix = item(t, "Indexes", x);
                for (int j = 0; j < count(ix, "Fields"); ++j)
                    prop(item(ix, "Fields", j), "Name");
            }
        } catch (const automation::Error& e) {
            ++failures;
            if (failed)
                *failed << name;
            EXPECT_FALSE(e.description().isEmpty());
        }
    }
    return failures;
}

TEST(DaoCorruption, BrokenTableDefinitionOnlyFailsThatTable)
{
    QFile src(dataPath(QStringLiteral("jp_sample.mdb")));
    ASSERT_TRUE(src.open(QIODevice::ReadOnly));
    const QByteArray good = src.readAll();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // 社員's table definition is page 24 (manifest); damage its header and column area in
    // several ways.
    const qsizetype page = 24 * 4096;
    const struct { const char* what; qsizetype offset; qsizetype length; char fill; bool mustFail; } damage[] = {
        {"page type", 0, 1, '\x7f', true},
        {"column count", 45, 2, '\xff', false},
        {"index counts", 47, 8, '\xff', false},
        {"column definitions", 63, 200, '\xee', false},
        {"whole page zeroed", 0, 4096, '\0', true},
    };
    for (const auto& d : damage) {
        SCOPED_TRACE(d.what);
        QByteArray bytes = good;
        for (qsizetype i = 0; i < d.length; ++i)
            bytes[page + d.offset + i] = d.fill;
        const QString path = dir.filePath(QStringLiteral("damaged.mdb"));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        out.close();
        const Variant db = openDatabase(path);
        QStringList failed;
        readEverything(db, &failed);
        for (const QString& name : failed)
            EXPECT_EQ(name, QStringLiteral("社員"));
        if (d.mustFail) {
            EXPECT_EQ(failed, QStringList{QStringLiteral("社員")});
        }
        // The other tables answer as in the good file.
        EXPECT_EQ(count(tableDef(db, QStringLiteral("Orders")), "Fields"), 4);
        EXPECT_EQ(prop(item(tableDef(db, QStringLiteral("Orders")), "Indexes", 0), "Name").toString(),
                  QStringLiteral("AAA_CustomerIdx"));
    }
}

} // namespace
