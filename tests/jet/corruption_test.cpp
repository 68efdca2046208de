// Damaged files: take a good file, break chosen bytes, check for a clear error and that the rest
// still reads. Run under the sanitizer build too.
#include <filesystem>
#include <random>

#include "jet/bytes.h"
#include "test_util.h"

using namespace jet_test;

namespace {

constexpr size_t kPage = 4096;  // jp_sample.mdb is Jet 4

void put32(std::vector<std::byte>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = std::byte(uint8_t(v >> (8 * i)));
}
void put16(std::vector<std::byte>& b, size_t at, uint16_t v) {
    b[at] = std::byte(uint8_t(v));
    b[at + 1] = std::byte(uint8_t(v >> 8));
}
uint32_t get32(const std::vector<std::byte>& b, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(b[at + size_t(i)])) << (8 * i);
    return v;
}

// Reads every table of a database fully; returns the number of problems seen. Must never crash.
size_t readEverything(jet::Database& db) {
    size_t problems = 0;
    for (const auto& e : db.tables()) {
        auto t = db.table(e.name);
        if (!t) {
            ++problems;
            EXPECT_FALSE(t.error().message.empty());
            continue;
        }
        jet::Cursor cur(*t);
        size_t rows = 0;
        while (cur.next() && rows < 100000) {
            ++rows;
            for (size_t i = 0; i < cur.columnCount(); ++i) (void)cur.value(i);
            problems += cur.rowErrors().size();
        }
        problems += cur.problemCount() + (cur.error() ? 1 : 0);
    }
    return problems;
}

class Corruption : public ::testing::Test {
protected:
    void SetUp() override {
        good = readFile(dataPath("jp_sample.mdb"));
        ASSERT_EQ(good.size() % kPage, 0u);
        auto db = jet::Database::openBuffer(good);
        ASSERT_TRUE(db);
        const jet::CatalogEntry* o = (*db)->findTable("Orders");
        const jet::CatalogEntry* e = (*db)->findTable("社員");
        ASSERT_TRUE(o && e);
        orders = o->tdefPage;
        employees = e->tdefPage;
    }
    std::unique_ptr<jet::Database> open(const std::vector<std::byte>& bytes) {
        auto db = jet::Database::openBuffer(bytes, "damaged.mdb");
        if (!db) return nullptr;
        return std::move(*db);
    }
    // First data page owned by a table.
    size_t dataPageOf(uint32_t tdef) const {
        for (size_t p = 3; p < good.size() / kPage; ++p)
            if (good[p * kPage] == std::byte{1} && get32(good, p * kPage + 4) == tdef) return p;
        return 0;
    }
    std::vector<std::byte> good;
    uint32_t orders = 0, employees = 0;
};

TEST_F(Corruption, NotADatabase) {
    struct Case {
        std::vector<std::byte> bytes;
        const char* expect;
    };
    std::vector<std::byte> text(10000, std::byte{'x'});
    std::vector<std::byte> truncated(good.begin(), good.begin() + 2 * kPage + 100);
    std::vector<std::byte> headerOnly(good.begin(), good.begin() + 0x20);
    for (const Case& c : {Case{{}, "empty"}, Case{text, "not an Access database"},
                          Case{truncated, "truncated"}, Case{headerOnly, "truncated"}}) {
        auto db = jet::Database::openBuffer(c.bytes, "x.mdb");
        ASSERT_FALSE(db) << c.expect;
        EXPECT_NE(db.error().message.find(c.expect), std::string::npos) << db.error().describe();
    }
}

TEST_F(Corruption, FilesThatCannotBeOpened) {
    auto missing = jet::Database::open(dataPath("no-such-file.mdb"));
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("not found"), std::string::npos);
    auto dir = jet::Database::open(std::string(TABULON_TEST_DATA));
    ASSERT_FALSE(dir);
    EXPECT_NE(dir.error().message.find("directory"), std::string::npos);
}

TEST_F(Corruption, TruncatedFileStillListsWhatIsThere) {
    // Cut the file after the Orders definition: the catalog reads, later pages are missing.
    std::vector<std::byte> cut(good.begin(), good.begin() + (orders + 1) * kPage);
    auto db = open(cut);
    ASSERT_TRUE(db);
    EXPECT_NE(db->findTable("Zero"), nullptr);
    auto zero = db->table("Zero");  // its definition lies beyond the end
    ASSERT_FALSE(zero);
    EXPECT_NE(zero.error().describe().find("beyond the end"), std::string::npos) << zero.error().describe();
    readEverything(*db);
}

TEST_F(Corruption, DefinitionChainPointingToItself) {
    auto bad = good;
    put32(bad, orders * kPage + 4, orders);
    auto db = open(bad);
    ASSERT_TRUE(db);
    auto t = db->table("Orders");
    ASSERT_FALSE(t);
    EXPECT_NE(t.error().message.find("cycle"), std::string::npos);
    EXPECT_EQ(t.error().page, int64_t(orders));
    EXPECT_TRUE(db->table("Big5000"));  // the others still open
}

TEST_F(Corruption, HugeCountsInADefinition) {
    for (size_t offset : {size_t(45) /* columns */, size_t(51) /* real indexes */, size_t(47) /* indexes */}) {
        auto bad = good;
        put32(bad, orders * kPage + offset, 0x7FFFFFFF);
        put16(bad, orders * kPage + offset, 0xFFFF);
        auto db = open(bad);
        ASSERT_TRUE(db);
        auto t = db->table("Orders");
        ASSERT_FALSE(t) << offset;
        EXPECT_NE(t.error().message.find("does not fit"), std::string::npos) << t.error().describe();
        EXPECT_TRUE(db->table("社員"));
    }
}

TEST_F(Corruption, CatalogDefinitionBrokenIsAnOpenError) {
    auto bad = good;
    put16(bad, 2 * kPage + 45, 0xFFFF);
    auto db = jet::Database::openBuffer(bad, "x.mdb");
    ASSERT_FALSE(db);
    EXPECT_NE(db.error().message.find("system catalog"), std::string::npos) << db.error().describe();
}

TEST_F(Corruption, UsageMapPointingNowhere) {
    auto bad = good;
    put32(bad, orders * kPage + 55, 0xFFFFFF00u);  // page 0xFFFFFF, row 0
    auto db = open(bad);
    ASSERT_TRUE(db);
    auto t = db->table("Orders");
    ASSERT_TRUE(t);  // metadata still reads
    EXPECT_EQ((*t)->columns().size(), 4u);
    jet::Cursor cur(*t);
    EXPECT_FALSE(cur.next());
    ASSERT_TRUE(cur.error());
    EXPECT_NE(cur.error()->describe().find("Orders"), std::string::npos);
}

TEST_F(Corruption, BadRowSlotsSkipOnlyThoseRows) {
    size_t page = dataPageOf(orders);
    ASSERT_NE(page, 0u);
    auto bad = good;
    uint16_t slots = uint16_t(uint8_t(bad[page * kPage + 12])) | uint16_t(uint8_t(bad[page * kPage + 13])) << 8;
    ASSERT_GT(slots, 3);
    put16(bad, page * kPage + 14 + 2 * 1, 0x0005);  // row 1 starts inside the header
    put16(bad, page * kPage + 14 + 2 * 2, 0x1FFF);  // row 2 ends before it starts
    auto db = open(bad);
    ASSERT_TRUE(db);
    auto t = db->table("Orders");
    ASSERT_TRUE(t);
    jet::Cursor cur(*t);
    size_t rows = 0;
    while (cur.next()) ++rows;
    EXPECT_FALSE(cur.error());
    EXPECT_GE(cur.problemCount(), 2u);
    EXPECT_EQ(rows, 100u - cur.problemCount());
    ASSERT_FALSE(cur.problems().empty());
    EXPECT_EQ(cur.problems()[0].page, int64_t(page));
}

TEST_F(Corruption, OverflowPointerToItself) {
    size_t page = dataPageOf(orders);
    auto bad = good;
    uint16_t start = uint16_t(uint8_t(bad[page * kPage + 14])) | uint16_t(uint8_t(bad[page * kPage + 15])) << 8;
    put16(bad, page * kPage + 14, uint16_t(start | 0x4000));
    put32(bad, page * kPage + start, uint32_t(page) << 8);  // row 0 of this page: itself
    auto db = open(bad);
    ASSERT_TRUE(db);
    auto t = db->table("Orders");
    ASSERT_TRUE(t);
    jet::Cursor cur(*t);
    size_t rows = 0;
    while (cur.next()) ++rows;
    EXPECT_EQ(rows, 99u);
    ASSERT_EQ(cur.problemCount(), 1u);
    EXPECT_NE(cur.problems()[0].message.find("cycle"), std::string::npos) << cur.problems()[0].describe();
}

TEST_F(Corruption, HugeMemoLengthIsACellError) {
    // Row 8's memo: 9000 bytes of UTF-16 in a page chain; its field starts with that length.
    auto bad = good;
    const std::byte pattern[4] = {std::byte{0x28}, std::byte{0x23}, std::byte{0}, std::byte{0}};
    size_t hits = 0;
    for (size_t p = 3; p < bad.size() / kPage; ++p) {
        if (bad[p * kPage] != std::byte{1} || get32(bad, p * kPage + 4) != employees) continue;
        for (size_t i = p * kPage + 14; i + 12 < (p + 1) * kPage; ++i)
            if (std::equal(pattern, pattern + 4, bad.begin() + ptrdiff_t(i))) {
                put32(bad, i, 0x3FFFFFFF);
                ++hits;
            }
    }
    ASSERT_GE(hits, 1u);
    auto db = open(bad);
    ASSERT_TRUE(db);
    auto t = db->table("社員");
    ASSERT_TRUE(t);
    jet::Cursor cur(*t);
    int rows = 0, bad_cells = 0;
    while (cur.next()) {
        ++rows;
        jet::Value memo = cur.value(6);
        if (!cur.rowErrors().empty()) {
            ++bad_cells;
            EXPECT_TRUE(memo.isNull());
            EXPECT_NE(cur.rowErrors()[0].message.find("備考"), std::string::npos) << cur.rowErrors()[0].describe();
        }
        EXPECT_EQ(cur.value(0).asInt(), rows);  // the rest of the row is intact
    }
    EXPECT_EQ(rows, 42);
    EXPECT_EQ(bad_cells, 1);
}

TEST_F(Corruption, LongValueChainCycle) {
    // Point the first row of every LVAL page back at itself.
    auto bad = good;
    size_t changed = 0;
    for (size_t p = 3; p < bad.size() / kPage; ++p) {
        if (bad[p * kPage] != std::byte{1} || get32(bad, p * kPage + 4) != 0x4C41564Cu) continue;  // "LVAL"
        uint16_t start = uint16_t(uint8_t(bad[p * kPage + 14])) | uint16_t(uint8_t(bad[p * kPage + 15])) << 8;
        put32(bad, p * kPage + (start & 0x1FFF), uint32_t(p) << 8);
        ++changed;
    }
    ASSERT_GT(changed, 0u);
    auto db = open(bad);
    ASSERT_TRUE(db);
    EXPECT_GT(readEverything(*db), 0u);
}

// Random damage with a fixed seed: whatever happens, no crash, no hang, an error or data.
TEST_F(Corruption, RandomByteFlips) {
    std::mt19937 rng(20240601);
    const size_t pages = good.size() / kPage;
    for (int round = 0; round < 150; ++round) {
        auto bad = good;
        int flips = 1 + int(rng() % 40);
        for (int f = 0; f < flips; ++f) {
            // Aim at the metadata pages (catalog and definitions) half of the time.
            size_t page = (rng() % 2) ? (2 + rng() % 50) : (rng() % pages);
            size_t at = page * kPage + rng() % kPage;
            bad[at] = std::byte(uint8_t(rng()));
        }
        auto db = jet::Database::openBuffer(bad, "fuzz.mdb");
        if (!db) {
            EXPECT_FALSE(db.error().message.empty());
            continue;
        }
        readEverything(**db);
    }
}

}  // namespace
