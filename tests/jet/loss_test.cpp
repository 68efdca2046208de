// What a scan could not read is counted in rows, exactly and once: missing rows (bad slots, pages
// whose rows cannot be listed, files cut short while they are read) and rows with unreadable
// cells; the first problem names its page and offset.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

#include "jet/core.h"
#include "test_util.h"

using namespace jet_test;

namespace {

constexpr size_t kPage = 4096;

struct Scan {
    uint64_t rows = 0;
    uint64_t unreadable = 0;
    uint64_t missing = 0;
    std::optional<jet::Error> first;
};

// Reads every cell of every row, as an export does.
Scan scan(jet::Cursor& cur) {
    Scan s;
    while (cur.next()) {
        ++s.rows;
        for (size_t i = 0; i < cur.columnCount(); ++i) (void)cur.value(i);
    }
    s.unreadable = cur.unreadableRows();
    s.missing = cur.missingRows();
    s.first = cur.firstLoss();
    return s;
}

Scan scanTable(jet::Database& db, const std::string& name) {
    auto t = db.table(name);
    EXPECT_TRUE(t) << t.error().describe();
    if (!t) return {};
    jet::Cursor cur(*t);
    return scan(cur);
}

TEST(LossCount, DamagedRowsFixtureLoses106RowsOfBig5000) {
    // One slot of page 55 set to 0 (that row and the next, whose end it gives, are gone) and
    // page 57's row count set to 0xFFFF (its 104 rows cannot be listed).
    auto db = openDb("damaged/damaged-rows.mdb");
    ASSERT_TRUE(db);
    const Scan s = scanTable(*db, "Big5000");
    EXPECT_EQ(s.rows, 4894u);
    EXPECT_EQ(s.unreadable, 106u);
    EXPECT_EQ(s.missing, 106u);
    ASSERT_TRUE(s.first);
    EXPECT_EQ(s.first->page, 55);
    EXPECT_EQ(s.first->offset, 14 + 2 * 3);
    // The other tables lost nothing.
    for (const char* other : {"社員", "Orders", "Wide46"}) {
        const Scan o = scanTable(*db, other);
        EXPECT_EQ(o.unreadable, 0u) << other;
        EXPECT_FALSE(o.first) << other;
    }
}

TEST(LossCount, TheExportCountsTheSame) {
    auto db = openDb("damaged/damaged-rows.mdb");
    ASSERT_TRUE(db);
    std::FILE* f = std::tmpfile();
    auto stats = jet::csv::writeTable(*db->table("Big5000"), f);
    std::fclose(f);
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->rows, 4894u);
    EXPECT_EQ(stats->unreadableRows, 106u);
    EXPECT_EQ(stats->missingRows, 106u);
    ASSERT_TRUE(stats->firstLoss);
    EXPECT_EQ(stats->firstLoss->page, 55);
}

TEST(LossCount, ARewindStartsANewScanAndASeekCountsNothingTwice) {
    auto db = openDb("damaged/damaged-rows.mdb");
    ASSERT_TRUE(db);
    auto t = db->table("Big5000");
    ASSERT_TRUE(t);
    jet::Cursor cur(*t);
    std::vector<jet::RowPosition> positions;
    while (cur.next()) positions.push_back(cur.position());
    EXPECT_EQ(cur.unreadableRows(), 106u);
    // Seeking rows and scanning on from them meets the damaged places again.
    ASSERT_TRUE(cur.seek(positions.front()));
    while (cur.next()) {
    }
    ASSERT_TRUE(cur.seek(positions[1]));
    EXPECT_EQ(cur.unreadableRows(), 106u);
    cur.rewind();
    EXPECT_EQ(cur.unreadableRows(), 0u);
    EXPECT_FALSE(cur.firstLoss());
    EXPECT_TRUE(cur.problems().empty());
    size_t rows = 0;
    while (cur.next()) ++rows;
    EXPECT_EQ(rows, 4894u);
    EXPECT_EQ(cur.unreadableRows(), 106u);
}

class DamagedCopy : public ::testing::Test {
protected:
    void SetUp() override {
        file = readFile(dataPath("jp_sample.mdb"));
        auto db = openBytes(file);
        ASSERT_TRUE(db);
        big = db->findTable("Big5000")->tdefPage;
        employees = db->findTable("社員")->tdefPage;
        pages = dataPagesOf(file, kPage, big);
        ASSERT_GT(pages.size(), 3u);
    }
    size_t slotOf(size_t page, size_t slot) const { return page * kPage + 14 + 2 * slot; }
    uint16_t rowCountOf(size_t page) const { return loadLe16(file, page * kPage + 12); }
    std::vector<std::byte> file;
    uint32_t big = 0, employees = 0;
    std::vector<size_t> pages;
};

TEST_F(DamagedCopy, APageWhoseRowCountIsBrokenCountsTheRowsItHeld) {
    const size_t page = pages[1];
    const uint16_t held = rowCountOf(page);
    // One of its rows was deleted: a deleted row is no loss.
    storeLe16(file, slotOf(page, 5), uint16_t(loadLe16(file, slotOf(page, 5)) | 0x8000));
    storeLe16(file, page * kPage + 12, 0xFFFF);
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    const Scan s = scanTable(*db, "Big5000");
    EXPECT_EQ(s.rows, 5000u - held);
    EXPECT_EQ(s.missing, held - 1u);
    EXPECT_EQ(s.unreadable, held - 1u);
    ASSERT_TRUE(s.first);
    EXPECT_EQ(s.first->page, int64_t(page));
}

TEST_F(DamagedCopy, ARowCountTooLowForTheSlotTableLosesTheRowsPastIt) {
    // 104 rows on the page, its count set to 50 (and to 103: the last row alone); a deleted
    // row among those past the count is no loss.
    for (uint16_t count : {uint16_t(50), uint16_t(103)}) {
        auto bad = file;
        const size_t page = pages[2];
        const uint16_t held = rowCountOf(page);
        storeLe16(bad, page * kPage + 12, count);
        if (count == 50) storeLe16(bad, slotOf(page, 60), uint16_t(loadLe16(bad, slotOf(page, 60)) | 0x8000));
        auto db = openBytes(bad);
        ASSERT_TRUE(db);
        const Scan s = scanTable(*db, "Big5000");
        const uint64_t deleted = count == 50 ? 1 : 0;
        EXPECT_EQ(s.rows, 5000u - (held - count)) << count;
        EXPECT_EQ(s.missing, held - count - deleted) << count;
        ASSERT_TRUE(s.first);
        EXPECT_EQ(s.first->page, int64_t(page));
        EXPECT_NE(s.first->message.find("lower than"), std::string::npos) << s.first->describe();
    }
    // A healthy file: no page says more than its count.
    auto db = openBytes(file);
    EXPECT_EQ(scanTable(*db, "Big5000").unreadable, 0u);
}

TEST_F(DamagedCopy, TheLargestRowCountAPageCanHoldIsTheLastOneTrusted) {
    // 4096-byte page, 14-byte header: 2041 slots fill it; 2042 does not fit, so the page's own
    // slot table and free space tell how many rows it held.
    const size_t page = pages[0];
    const uint16_t held = rowCountOf(page);
    storeLe16(file, page * kPage + 12, 2042);
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    const Scan s = scanTable(*db, "Big5000");
    EXPECT_EQ(s.rows, 5000u - held);
    EXPECT_EQ(s.missing, held);
    ASSERT_TRUE(s.first);
    EXPECT_NE(s.first->message.find("row count 2042 does not fit"), std::string::npos) << s.first->describe();
}

TEST_F(DamagedCopy, RowsOfAPageThatCannotBeListedAreCountedFromTheDefinition) {
    // The row count and the free-space field disagree: the page does not say how many rows it
    // held. The first and the last data page, so that the loss is first seen at either end.
    for (size_t page : {pages.front(), pages.back()}) {
        auto bad = file;
        const uint16_t held = rowCountOf(page);
        storeLe16(bad, page * kPage + 12, 0xFFFF);
        storeLe16(bad, page * kPage + 2, 7);
        auto db = openBytes(bad);
        ASSERT_TRUE(db);
        auto t = db->table("Big5000");
        ASSERT_TRUE(t);
        jet::Cursor cur(*t);
        uint64_t rows = 0;
        while (cur.next()) {
            ++rows;
            if (page == pages.front()) {
                EXPECT_GE(cur.unreadableRows(), 1u);  // never 0 once seen
            }
        }
        EXPECT_EQ(rows, 5000u - held) << page;
        EXPECT_EQ(cur.missingRows(), held) << page;
        EXPECT_EQ(cur.unreadableRows(), held) << page;
    }
}

TEST_F(DamagedCopy, ARowWithTwoBadCellsCountsOnce) {
    // Row 8 of 社員: its memo (9000 bytes in a page chain) and the OLE value stored right after
    // it (96 bytes in one long-value row) get lengths no file can hold.
    size_t patched = 0;
    for (size_t p : dataPagesOf(file, kPage, employees)) {
        for (size_t i = p * kPage + 14; i + 24 < (p + 1) * kPage; ++i) {
            if (loadLe32(file, i) != 0x2328u || loadLe32(file, i + 12) != 0x40000060u) continue;
            storeLe32(file, i, 0x3FFFFFFFu);
            storeLe32(file, i + 12, 0x7FFFFFFFu);
            ++patched;
        }
    }
    ASSERT_EQ(patched, 1u);
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    auto t = db->table("社員");
    ASSERT_TRUE(t);
    jet::Cursor cur(*t);
    uint64_t rows = 0, rowsWithErrors = 0;
    while (cur.next()) {
        ++rows;
        for (int pass = 0; pass < 2; ++pass)  // asking twice changes nothing
            for (size_t i = 0; i < cur.columnCount(); ++i) (void)cur.value(i);
        (void)cur.read(6);
        if (!cur.rowErrors().empty()) ++rowsWithErrors;
    }
    EXPECT_EQ(rows, 42u);
    EXPECT_EQ(rowsWithErrors, 1u);
    EXPECT_EQ(cur.unreadableRows(), 1u);
    EXPECT_EQ(cur.missingRows(), 0u);
    ASSERT_TRUE(cur.firstLoss());
    EXPECT_NE(cur.firstLoss()->message.find("column"), std::string::npos) << cur.firstLoss()->describe();
}

TEST_F(DamagedCopy, AnOverflowPointerToARowThePageDoesNotHaveLosesThatRow) {
    // Row 0 of the first page points at row 130 of the next page, which holds 104 rows.
    const size_t from = pages[0], to = pages[1];
    ASSERT_LT(rowCountOf(to), 130);
    const uint16_t slot = loadLe16(file, slotOf(from, 0));
    storeLe16(file, slotOf(from, 0), uint16_t(slot | 0x4000));
    storeLe32(file, from * kPage + (slot & 0x1FFF), uint32_t(to << 8) | 130u);
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    const Scan s = scanTable(*db, "Big5000");
    EXPECT_EQ(s.rows, 4999u);
    EXPECT_EQ(s.missing, 1u);
    ASSERT_TRUE(s.first);
    EXPECT_NE(s.first->message.find("row 130"), std::string::npos) << s.first->describe();
}

TEST_F(DamagedCopy, ARowWithFewerVariableColumnsThanItsCountReadsTheRestAsNull) {
    // Orders' first row: var_len (before the one-byte null mask) set from 1 to 0. Customer is
    // its only variable column; the row's count still covers it.
    const uint32_t orders = openBytes(file)->findTable("Orders")->tdefPage;
    const size_t page = dataPagesOf(file, kPage, orders).front();
    ASSERT_EQ(loadLe16(file, page * kPage + kPage - 3), 1);
    storeLe16(file, page * kPage + kPage - 3, 0);
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    auto t = db->table("Orders");
    ASSERT_TRUE(t);
    jet::Cursor cur(*t);
    ASSERT_TRUE(cur.next());  // row 0 holds the page's last bytes
    EXPECT_EQ(jet::csv::valueText(cur.value(0)), "10000");
    EXPECT_TRUE(cur.value(1).isNull());
    EXPECT_EQ(jet::csv::valueText(cur.value(2)), "0.25");
    EXPECT_TRUE(cur.rowErrors().empty());
    ASSERT_TRUE(cur.next());
    EXPECT_EQ(std::string(cur.value(1).asText()), "Globex");
}

TEST_F(DamagedCopy, APageListOnMapPagesCountsEveryBitOfEveryMapPage) {
    // Big5000's page list rewritten in the other form: a row of map page numbers, each map page
    // a bitmap of (page size - 4) * 8 pages. Two map pages appended to the file: the first
    // holds the table's data pages, the second one bit, for the first page it covers (32736),
    // which lies beyond the end of the file.
    const size_t mapA = file.size() / kPage, mapB = mapA + 1;
    file.resize(file.size() + 2 * kPage);
    for (size_t m : {mapA, mapB}) {
        file[m * kPage] = std::byte{0x05};
        file[m * kPage + 1] = std::byte{0x01};
    }
    for (size_t p : pages) file[mapA * kPage + 4 + p / 8] |= std::byte(uint8_t(1u << (p % 8)));
    file[mapB * kPage + 4] = std::byte{0x01};
    const uint32_t pointer = loadLe32(file, size_t(big) * kPage + 55);
    const size_t mapPage = pointer >> 8, mapRow = pointer & 0xFF;
    const size_t start = loadLe16(file, slotOf(mapPage, mapRow)) & 0x1FFF;
    file[mapPage * kPage + start] = std::byte{0x01};
    storeLe32(file, mapPage * kPage + start + 1, uint32_t(mapA));
    storeLe32(file, mapPage * kPage + start + 5, uint32_t(mapB));
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    const Scan s = scanTable(*db, "Big5000");
    EXPECT_EQ(s.rows, 5000u);
    EXPECT_EQ(s.unreadable, 0u);  // the definition's 5000 rows were all found
    ASSERT_TRUE(s.first);
    EXPECT_EQ(s.first->page, (4096 - 4) * 8);
}

TEST_F(DamagedCopy, CallerMistakesAreNoLoss) {
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    auto t = db->table("Orders");
    ASSERT_TRUE(t);
    jet::Cursor cur(*t);
    (void)cur.value(0);  // no current row yet
    ASSERT_TRUE(cur.next());
    (void)cur.value(99);  // no such column
    EXPECT_FALSE(cur.seek(jet::RowPosition{0, 0}));  // not a row of this table
    EXPECT_EQ(cur.unreadableRows(), 0u);
    EXPECT_FALSE(cur.firstLoss());
}

TEST_F(DamagedCopy, AnUnreadableTableIsAnErrorAndTheFirstLoss) {
    storeLe32(file, size_t(big) * kPage + 55, 0xFFFFFF00u);  // usage map on a page that does not exist
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    auto t = db->table("Big5000");
    ASSERT_TRUE(t);
    jet::Cursor cur(*t);
    EXPECT_FALSE(cur.next());
    ASSERT_TRUE(cur.error());
    ASSERT_TRUE(cur.firstLoss());
    EXPECT_EQ(cur.firstLoss()->message, cur.error()->message);
}

// A file cut short after it was opened (copied while being written, a share that went away).
TEST_F(DamagedCopy, AFileCutShortWhileItIsReadLosesOnlyThePagesGone) {
    const auto dir = std::filesystem::temp_directory_path() / ("tabulon-cut-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "cut.mdb").string();
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(file.data(), 1, file.size(), f), file.size());
        std::fclose(f);
    }
    jet::OpenOptions small;
    small.cachePages = 1;
    auto opened = jet::Database::open(path, small);
    ASSERT_TRUE(opened) << opened.error().describe();
    auto t = (*opened)->table("Big5000");
    ASSERT_TRUE(t);
    jet::Cursor cur(*t);
    ASSERT_TRUE(cur.next());  // the page list is read
    // Cut in the middle of a 16-page chunk: the pages before the cut still read.
    const size_t cutPage = pages[pages.size() / 2] + 1;
    ASSERT_NE(cutPage % 16, 0u);
    ASSERT_EQ(::truncate(path.c_str(), off_t(cutPage * kPage)), 0);
    uint64_t rows = 1, before = 0;
    for (size_t p : pages) {
        if (p < cutPage) before += rowCountOf(p);
    }
    while (cur.next()) ++rows;
    EXPECT_EQ(rows, before);
    EXPECT_EQ(cur.missingRows(), 5000u - before);
    EXPECT_EQ(cur.unreadableRows(), 5000u - before);
    ASSERT_TRUE(cur.firstLoss());
    EXPECT_EQ(cur.firstLoss()->page, int64_t(cutPage));
    EXPECT_NE(cur.firstLoss()->message.find("ended early"), std::string::npos) << cur.firstLoss()->describe();
    std::filesystem::remove_all(dir);
}

TEST_F(DamagedCopy, AFileCutShortBeforeItWasOpenedCountsThePagesItNoLongerHas) {
    // The page list still names the data pages past the cut.
    const size_t cutPage = pages[pages.size() / 2];
    std::vector<std::byte> cut(file.begin(), file.begin() + ptrdiff_t(cutPage * kPage));
    uint64_t before = 0;
    for (size_t p : pages) {
        if (p < cutPage) before += rowCountOf(p);
    }
    auto db = openBytes(cut);
    ASSERT_TRUE(db);
    const Scan s = scanTable(*db, "Big5000");
    EXPECT_EQ(s.rows, before);
    EXPECT_EQ(s.missing, 5000u - before);
    ASSERT_TRUE(s.first);
    EXPECT_EQ(s.first->page, int64_t(cutPage));
    EXPECT_NE(s.first->message.find("beyond the end"), std::string::npos) << s.first->describe();
}

TEST(LossCount, AHugeRowCountInTheDefinitionSizesNothing) {
    // huge-row-count.mdb: MSysModules2's definition says 0xFFFFFFFF rows; its one data page
    // (page 28 of 2 KB pages) holds the rows there are.
    auto file = readFile(dataPath("damaged/huge-row-count.mdb"));
    auto db = openBytes(file, "huge.mdb");
    ASSERT_TRUE(db);
    auto t = db->table("MSysModules2");
    ASSERT_TRUE(t);
    EXPECT_EQ((*t)->rowCount(), 0xFFFFFFFFu);
    const Scan whole = scanTable(*db, "MSysModules2");
    EXPECT_GE(whole.rows, 1u);
    EXPECT_EQ(whole.unreadable, 0u);
    // Without its data page the loss is what one page can hold, not four billion rows.
    std::vector<std::byte> cut(file.begin(), file.begin() + 28 * 2048);
    auto small = openBytes(cut, "huge-cut.mdb");
    ASSERT_TRUE(small);
    const Scan s = scanTable(*small, "MSysModules2");
    EXPECT_EQ(s.rows, 0u);
    EXPECT_GE(s.missing, 1u);
    EXPECT_LE(s.missing, (2048u - 10u) / 2u);
}

// --- Rows of a page whose row count is damaged, from its slot table and free space ---------------

// A data page: header (free space at 2), slots from 14, rows packed down from the page end.
std::vector<std::byte> dataPage(const std::vector<uint16_t>& rowSizes, const std::vector<bool>& deleted = {}) {
    std::vector<std::byte> p(kPage, std::byte{0});
    p[0] = std::byte{1};
    size_t end = kPage;
    for (size_t i = 0; i < rowSizes.size(); ++i) {
        end -= rowSizes[i];
        uint16_t slot = uint16_t(end);
        if (i < deleted.size() && deleted[i]) slot |= 0x8000;
        storeLe16(p, 14 + 2 * i, slot);
    }
    storeLe16(p, 2, uint16_t(end - (14 + 2 * rowSizes.size())));
    storeLe16(p, 12, 0xFFFF);
    return p;
}

std::optional<uint32_t> liveRows(const std::vector<std::byte>& page) {
    return jet::detail::liveRowsOfDamagedPage(jet::detail::Format::forVersion(jet::Version::Jet4),
                                              std::span<const std::byte>(page.data(), page.size()));
}

TEST(DamagedRowCount, SlotsAndFreeSpaceTellHowManyRowsThePageHeld) {
    EXPECT_EQ(liveRows(dataPage({40})), 1u);
    EXPECT_EQ(liveRows(dataPage({40, 30, 20})), 3u);
    EXPECT_EQ(liveRows(dataPage({40, 30, 20}, {false, true, false})), 2u);
    EXPECT_EQ(liveRows(dataPage({40, 30, 20}, {true, true, true})), 0u);
    // A full page: no free space left between the slots and the lowest row.
    std::vector<uint16_t> many(200, uint16_t((kPage - 14) / 200 - 2));
    EXPECT_EQ(liveRows(dataPage(many)), 200u);
}

TEST(DamagedRowCount, APageThatDoesNotAddUpTellsNothing) {
    auto p = dataPage({40, 30, 20});
    storeLe16(p, 2, uint16_t(loadLe16(p, 2) + 1));  // one byte more free space than there is
    EXPECT_FALSE(liveRows(p));
    auto q = dataPage({40, 30, 20});
    storeLe16(q, 14 + 2, 3);  // a live slot pointing into the header
    EXPECT_FALSE(liveRows(q));
    std::vector<std::byte> empty(kPage, std::byte{0});
    empty[0] = std::byte{1};
    storeLe16(empty, 2, 100);
    EXPECT_FALSE(liveRows(empty));
    EXPECT_FALSE(liveRows(std::vector<std::byte>(10, std::byte{1})));
}

}  // namespace
