// Creating the engine by class name and opening databases: every bad file is a clear
// automation error, and the file is never changed.
#include "dao_test_helpers.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace daotest;

QByteArray fileHash(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

TEST(DaoEngine, RegisteredUnderAllThreeClassNames)
{
    automation::Registry registry;
    dao::registerEngine(registry);
    for (const char* name : {"DAO.DBEngine.35", "DAO.DBEngine", "DAO.Private.DBEngine", "dao.dbengine"}) {
        SCOPED_TRACE(name);
        const Variant e = registry.create(QString::fromLatin1(name));
        ASSERT_TRUE(e.isObject());
        // Workspaces(0) as an indexed read, and as a collection with Count and Item.
        const Variant ws = item(e, "Workspaces", 0);
        EXPECT_TRUE(ws.isObject());
        EXPECT_EQ(count(e, "Workspaces"), 1);
        EXPECT_TRUE(automation::get(prop(e, "Workspaces"), QStringLiteral("Item"), Variant(std::int32_t(0))).isObject());
        EXPECT_THROW(item(e, "Workspaces", 1), automation::Error);
    }
    EXPECT_THROW(registry.create(QStringLiteral("DAO.DBEngine.36")), automation::Error);
}

TEST(DaoOpen, NameIsTheFullPathAndCloseEndsTheObjects)
{
    const QString path = dataPath(QStringLiteral("jp_sample.mdb"));
    const QByteArray before = fileHash(path);
    const Variant db = openDatabase(path);
    EXPECT_EQ(prop(db, "Name").toString(), path);
    const Variant orders = tableDef(db, QStringLiteral("Orders"));
    const Variant field = item(orders, "Fields", 0);
    automation::call(db, QStringLiteral("Close"));
    for (const auto& call : std::initializer_list<std::function<void()>>{
             [&] { prop(db, "TableDefs"); },
             [&] { prop(db, "Version"); },
             [&] { item(db, "TableDefs", 0); },
             [&] { prop(orders, "Name"); },
             [&] { prop(field, "Name"); },
         }) {
        try {
            call();
            ADD_FAILURE() << "a closed database still answers";
        } catch (const automation::Error& e) {
            EXPECT_EQ(e.description(), QStringLiteral("Object invalid or no longer set."));
        }
    }
    EXPECT_EQ(fileHash(path), before);
}

TEST(DaoOpen, BadFilesGiveClearErrors)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString empty = dir.filePath(QStringLiteral("empty.mdb"));
    QFile(empty).open(QIODevice::WriteOnly);
    const QString text = dir.filePath(QStringLiteral("text.mdb"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("Name,Value\r\n").repeated(1000));
    }
    // The first pages of a real database: the header is fine, the catalog is cut off.
    const QString truncated = dir.filePath(QStringLiteral("truncated.mdb"));
    {
        QFile src(dataPath(QStringLiteral("jp_sample.mdb")));
        ASSERT_TRUE(src.open(QIODevice::ReadOnly));
        QFile f(truncated);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(src.read(3 * 4096 + 100));
    }
    struct Case {
        QString path;
        QString mustContain;
    };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing.mdb")), QStringLiteral("Could not find file")},
        {dir.path(), QStringLiteral("folder")},
        {empty, QStringLiteral("empty")},
        {text, QStringLiteral("text.mdb")},
        {truncated, QStringLiteral("truncated.mdb")},
        {dataPath(QStringLiteral("real/encrypted-agile-4.4.accdb")), QStringLiteral("encrypted")},
        {QString(), QStringLiteral("No database")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        try {
            const Variant db = openDatabase(c.path);
            // A cut-off file may open; reading its tables must then fail cleanly.
            const int n = count(db, "TableDefs");
            for (int i = 0; i < n; ++i)
                count(item(db, "TableDefs", i), "Fields");
            ADD_FAILURE() << "opened and read without an error";
        } catch (const automation::Error& e) {
            EXPECT_TRUE(e.description().contains(c.mustContain, Qt::CaseInsensitive))
                << e.description().toStdString();
            EXPECT_FALSE(e.description().contains(QLatin1Char('\n')));
        }
    }
}

TEST(DaoOpen, VersionNamesTheFileFormat)
{
    const std::pair<const char*, const char*> files[] = {
        {"jet3_cp932.mdb", "3.0"},                  // Jet 3
        {"real/testV1997.mdb", "3.0"},
        {"jp_sample.mdb", "4.0"},                   // Jet 4 (Access 2000)
        {"jp_sample_2003.mdb", "4.0"},
        {"jp_sample_2007.accdb", "12.0"},           // ACE, first and latest versions
        {"real/testV2010.accdb", "12.0"},
        {"real/V2016-bigint.accdb", "12.0"},
        {"real/extDateTestV2019.accdb", "12.0"},
    };
    for (const auto& [file, version] : files) {
        SCOPED_TRACE(file);
        const Variant db = openDatabase(dataPath(QString::fromLatin1(file)));
        EXPECT_EQ(prop(db, "Version").toString(), QLatin1String(version));
    }
}

TEST(DaoOpen, PasswordProtectedJet4FileStillReads)
{
    // A Jet 4 database password only guards the header; the tables read normally.
    const Variant db = openDatabase(dataPath(QStringLiteral("real/password-V2000.mdb")));
    EXPECT_GT(count(db, "TableDefs"), 0);
}

} // namespace
