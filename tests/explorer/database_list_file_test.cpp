// "mdb.dat": line rules, encodings, and round trips through the main window.

#include "app/text_codec.h"
#include "explorer/database_list.h"
#include "support/main_window_harness.h"

#include <QDir>
#include <QFileInfo>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

std::vector<QByteArray> lines(std::initializer_list<const char*> items)
{
    std::vector<QByteArray> out;
    for (const char* i : items)
        out.emplace_back(i);
    return out;
}

// (caption, hidden path) of every row.
std::vector<std::pair<QString, QString>> rows(const TfrmMain& w)
{
    std::vector<std::pair<QString, QString>> out;
    for (int i = 0; i < w.lsvDatabases->topLevelItemCount(); ++i)
        out.emplace_back(w.lsvDatabases->topLevelItem(i)->text(0), w.lsvDatabases->topLevelItem(i)->text(1));
    return out;
}

} // namespace

TEST(DatabaseListFile, LineRules)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        std::vector<QByteArray> expected;
    };
    const Case cases[] = {
        {"empty file", "", {}},
        {"crlf after every line", "a\r\nb\r\n", lines({"a", "b"})},
        {"no last line end", "a\r\nb", lines({"a", "b"})},
        {"lf only", "a\nb\n", lines({"a", "b"})},
        {"cr only", "a\rb\r", lines({"a", "b"})},
        {"lf cr is two ends", "a\n\rb", lines({"a", "", "b"})},
        {"blank line kept", "a\r\n\r\nb\r\n", lines({"a", "", "b"})},
        {"only a line end", "\r\n", lines({""})},
        {"nul ends the text", QByteArray("a\r\nb\0c\r\nd", 9), lines({"a", "b"})},
        {"leading nul", QByteArray("\0a", 2), {}},
        {"blanks are kept", "  a  \r\n", lines({"  a  "})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(dblist::splitLines(c.bytes), c.expected);
    }
}

TEST(DatabaseListFile, PathSplit)
{
    struct Case {
        const char* path;
        const char* dir;
        const char* name;
    };
    const Case cases[] = {
        {"/db/a.mdb", "/db/", "a.mdb"},
        {"/b.mdb", "/", "b.mdb"},
        {"b.mdb", "", "b.mdb"},
        {"", "", ""},
        {"/db/", "/db/", ""},
        {"/データ/表.mdb", "/データ/", "表.mdb"},   // 表 is 0x95 0x5C in CP932: not a separator
        {"C:\\db\\a.mdb", "", "C:\\db\\a.mdb"},       // a Windows path is one name here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const dblist::PathParts parts = dblist::splitPath(QString::fromUtf8(c.path));
        EXPECT_EQ(parts.directory, QString::fromUtf8(c.dir));
        EXPECT_EQ(parts.fileName, QString::fromUtf8(c.name));
    }
}

TEST(DatabaseListFile, RoundTripThroughTheWindow)
{
    MainWindowHarness h;
    h.writeFile("mdb.dat", "/db/a.mdb\r\n/b.mdb\r\n");
    {
        TfrmMain& w = h.start();
        EXPECT_EQ(rows(w), (std::vector<std::pair<QString, QString>>{{"a.mdb", "/db/"}, {"b.mdb", "/"}}));
        EXPECT_EQ(w.lsvDatabases->topLevelItem(0)->icon(0).isNull(), false);
        h.finish();
    }
    EXPECT_EQ(h.readFile("mdb.dat"), QByteArray("/db/a.mdb\r\n/b.mdb\r\n"));
}

TEST(DatabaseListFile, LoadedLinesBecomeEntriesAsTheyAre)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        std::vector<std::pair<QString, QString>> rows;
        QByteArray saved;
    };
    bool ok = false;
    const QByteArray sjis = textcodec::encodeCp932(QStringLiteral("/データ/表.mdb\r\n/ソフト/①.mdb\r\n"), &ok);
    const Case cases[] = {
        {"blank line", "/a.mdb\r\n\r\n/b.mdb", {{"a.mdb", "/"}, {"", ""}, {"b.mdb", "/"}}, "/a.mdb\r\n\r\n/b.mdb\r\n"},
        {"duplicates and junk kept", "x\r\nx\r\n  y  \n", {{"x", ""}, {"x", ""}, {"  y  ", ""}}, "x\r\nx\r\n  y  \r\n"},
        {"utf-8", "/データ/表.mdb\n", {{"表.mdb", "/データ/"}}, "/データ/表.mdb\r\n"},
        {"cp932 from Windows, saved as utf-8", sjis, {{"表.mdb", "/データ/"}, {"①.mdb", "/ソフト/"}},
         "/データ/表.mdb\r\n/ソフト/①.mdb\r\n"},
        {"empty", "", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MainWindowHarness h;
        h.writeFile("mdb.dat", c.bytes);
        TfrmMain& w = h.start();
        EXPECT_EQ(rows(w), c.rows);
        EXPECT_TRUE(h.dialogs.messages.empty());
        h.finish();
        EXPECT_EQ(h.readFile("mdb.dat"), c.saved);
    }
}

TEST(DatabaseListFile, UndecodableLinesAreReportedAndWrittenBackAsTheyWere)
{
    MainWindowHarness h;
    const QByteArray bytes("/ok.mdb\r\n/bad\x81\x20\xff.mdb\r\n", 22);
    h.writeFile("mdb.dat", bytes);
    TfrmMain& w = h.start();
    EXPECT_EQ(w.lsvDatabases->topLevelItemCount(), 2);
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].icon, Dialogs::Icon::Error);
    EXPECT_TRUE(h.dialogs.messages[0].text.contains(QStringLiteral("2 行目")));
    h.finish();
    EXPECT_EQ(h.readFile("mdb.dat"), bytes);
}

TEST(DatabaseListFile, EmptyListIsAnEmptyFileAndLoadsEmpty)
{
    MainWindowHarness h;
    h.writeFile("mdb.dat", "/a.mdb\r\n");
    TfrmMain& w = h.start();
    w.lsvDatabases->setCurrentItem(w.lsvDatabases->topLevelItem(0));
    w.btnDelete->click();
    h.finish();
    EXPECT_TRUE(QFileInfo::exists(h.path("mdb.dat")));
    EXPECT_EQ(QFileInfo(h.path("mdb.dat")).size(), 0);
    TfrmMain& again = h.start();
    EXPECT_EQ(again.lsvDatabases->topLevelItemCount(), 0);
}

TEST(DatabaseListFile, AnUnreadableListIsReportedAndNeverOverwritten)
{
    MainWindowHarness h;
    // A folder in the file's place cannot be read, even by root.
    ASSERT_TRUE(QDir(h.dir.path()).mkdir(QStringLiteral("mdb.dat")));
    h.dialogs.fileAnswers.push_back({QStringLiteral("/x.mdb")});
    TfrmMain& w = h.start();
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_TRUE(h.dialogs.messages[0].text.contains(QStringLiteral("を読み込めません")));
    w.btnOpen->click();
    EXPECT_EQ(w.lsvDatabases->topLevelItemCount(), 1);
    h.finish();
    EXPECT_TRUE(QFileInfo(h.path("mdb.dat")).isDir());
    EXPECT_EQ(h.dialogs.messages.size(), 1u);
}

TEST(DatabaseListFile, AFailedSaveIsReportedAndTheProgramStillEnds)
{
    MainWindowHarness h;
    TfrmMain::Environment env;
    env.dirs.exeDir = h.dir.path() + QStringLiteral("/");
    env.dirs.dataDir = h.dir.path() + QStringLiteral("/gone/");
    env.dialogs = &h.dialogs;
    env.registry = &h.registry;
    h.main = std::make_unique<TfrmMain>(env);
    h.finish();
    ASSERT_EQ(h.dialogs.messages.size(), 1u);
    EXPECT_EQ(h.dialogs.messages[0].text, h.dir.path() + QStringLiteral("/gone/mdb.dat に書き込めません"));
}

TEST(DatabaseListFile, SavedAtomically)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/mdb.dat";
    QString error;
    ASSERT_TRUE(dblist::save(file, {{"/a.mdb", {}}, {"/b.mdb", {}}}, &error));
    ASSERT_TRUE(dblist::save(file, {{"/c.mdb", {}}}, &error));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"mdb.dat"});
    const dblist::LoadResult loaded = dblist::load(file);
    ASSERT_EQ(loaded.entries.size(), 1u);
    EXPECT_EQ(loaded.entries[0].path, QStringLiteral("/c.mdb"));
}
