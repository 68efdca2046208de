// What opening says when it cannot: damaged versus encrypted files, pipes and devices (without
// waiting on them), and linked tables whose other file is not where the link says.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "test_util.h"

using namespace jet_test;
namespace fs = std::filesystem;

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string openError(const std::string& path) {
    auto db = jet::Database::open(path);
    return db ? std::string("(opened)") : db.error().describe();
}

TEST(OpenErrors, ADamagedCatalogPageIsDamagedNotEncrypted) {
    // testV2007.accdb with page 2's type byte cleared.
    const std::string e = openError(dataPath("damaged/damaged-page2.accdb"));
    EXPECT_TRUE(has(e, "damaged")) << e;
    EXPECT_FALSE(has(e, "encrypted")) << e;
    EXPECT_TRUE(has(e, "page 2")) << e;
    // The same damage in a Jet 4 file.
    auto file = readFile(dataPath("jp_sample.mdb"));
    file[2 * 4096] = std::byte{0};
    auto db = jet::Database::openBuffer(file, "x.mdb");
    ASSERT_FALSE(db);
    EXPECT_TRUE(has(db.error().message, "damaged")) << db.error().describe();
}

TEST(OpenErrors, AnEncryptedFileIsStillCalledEncrypted) {
    const std::string e = openError(dataPath("real/encrypted-agile-4.4.accdb"));
    EXPECT_TRUE(has(e, "encrypted")) << e;
    EXPECT_FALSE(has(e, "damaged")) << e;
}

class FilesOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tabulon-open-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        cwd = fs::current_path();
    }
    void TearDown() override {
        fs::current_path(cwd);
        fs::remove_all(dir);
    }
    fs::path dir, cwd;
};

TEST_F(FilesOnDisk, PipesAndDevicesAreNamedAndNeverWaitedOn) {
    const std::string fifo = (dir / "pipe.mdb").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // No writer ever opens the pipe: opening must not wait for one.
    const std::string e = openError(fifo);
    EXPECT_TRUE(has(e, "named pipe")) << e;
    EXPECT_FALSE(has(e, "empty")) << e;
    const std::string z = openError("/dev/zero");
    EXPECT_TRUE(has(z, "device")) << z;
    EXPECT_TRUE(has(openError(dir.string()), "directory"));
    const std::string empty = (dir / "empty.mdb").string();
    std::fclose(std::fopen(empty.c_str(), "wb"));
    EXPECT_TRUE(has(openError(empty), "empty"));
}

// relative-link.accdb: linked table Table2 stored as "././././././././/linkeeTest.accdb".
TEST_F(FilesOnDisk, ALinkResolvesAgainstTheLinkingFilesFolderWhereverTheCommandRuns) {
    fs::copy_file(dataPath("damaged/relative-link.accdb"), dir / "linker.accdb");
    fs::create_directories(dir / "elsewhere");
    fs::copy_file(dataPath("real/linkeeTest.accdb"), dir / "linkeeTest.accdb");
    for (const fs::path& from : {dir, dir / "elsewhere", fs::path("/")}) {
        fs::current_path(from);
        auto db = jet::Database::open((dir / "linker.accdb").string());
        ASSERT_TRUE(db) << db.error().describe();
        auto t = (*db)->table("Table2");
        ASSERT_TRUE(t) << from << ": " << t.error().describe();
        EXPECT_EQ(readAll(*t), (Rows{{Cell("1"), Cell("bar")}})) << from;
    }
}

TEST_F(FilesOnDisk, ALinkNeverResolvesAgainstTheCurrentDirectory) {
    // The other file sits in the current directory, not beside the linking file.
    fs::create_directories(dir / "db");
    fs::create_directories(dir / "run");
    fs::copy_file(dataPath("damaged/relative-link.accdb"), dir / "db" / "linker.accdb");
    fs::copy_file(dataPath("real/linkeeTest.accdb"), dir / "run" / "linkeeTest.accdb");
    fs::current_path(dir / "run");
    auto db = jet::Database::open((dir / "db" / "linker.accdb").string());
    ASSERT_TRUE(db) << db.error().describe();
    auto t = (*db)->table("Table2");
    ASSERT_FALSE(t);
    const std::string e = t.error().describe();
    EXPECT_TRUE(has(e, "was not found")) << e;
    // The message names every path tried, all in the linking file's folder.
    EXPECT_TRUE(has(e, "tried " + (dir / "db").string() + "/")) << e;
    EXPECT_TRUE(has(e, (dir / "db" / "linkeeTest.accdb").string())) << e;
    EXPECT_FALSE(has(e, (dir / "run").string())) << e;
    // Opened by a relative path, the folder is still the linking file's.
    fs::current_path(dir);
    auto rel = jet::Database::open("db/linker.accdb");
    ASSERT_TRUE(rel);
    fs::copy_file(dataPath("real/linkeeTest.accdb"), dir / "db" / "linkeeTest.accdb");
    fs::current_path(dir / "run");
    auto t2 = (*rel)->table("Table2");
    EXPECT_TRUE(t2) << t2.error().describe();
}

}  // namespace
